// RowPane: what the hex and text panes share. Given an element, the pane has the document
// write its rows into the pane's own temporary file (RowFile) and paints only the rows in
// view, read from that file at paint time, so any size of data scrolls without sitting in
// memory. The position is kept in 64 bits and mapped onto the int scroll bars; the keys, the
// page and the sizes follow the pane arithmetic. A mouse drag selects whole rows, which Edit
// Copy copies as text; the rows in view are readable by assistive technology.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QAbstractScrollArea>
#include <QFont>

#include "viewer/doc/panes/pane_math.h"
#include "viewer/doc/panes/row_file.h"
#include "viewer/ui/pane_view.h"

namespace viewer::ui {

class RowPane : public QAbstractScrollArea, public PaneView {
    Q_OBJECT

public:
    // CElementView
    std::uint32_t GetViewKind() const override { return m_viewKind; }
    // Takes the file of a pane of the same class; the next update then shows it as it is.
    bool TakeOver(viewer::doc::frame::CElementView* previous) override;
    viewer::doc::model::ElementRef* GetElement() const override { return m_element; }
    void SetElement(viewer::doc::model::ElementRef* element) override { m_element = element; }
    void OnUpdate(viewer::doc::document::DocumentView* sender,
                  viewer::doc::model::ElementRef* hint) override;
    bool OnCommand(std::uint32_t command) override;

    // PaneView
    QWidget* Widget() override { return this; }
    bool CanHandle(std::uint32_t command) const override;

    // Shows a file already in row form as if it had just been loaded: for tests and
    // benchmarks, which make large files without copying them through a document.
    void ShowRowFile(platform::UniqueFd file);

    std::uint64_t RowCount() const { return m_rows.RowCount(); }
    int RowHeight() const { return static_cast<int>(m_rowHeight); }
    // The position in the data, in pixels.
    viewer::doc::panes::PanePoint Position() const { return m_position; }
    // The rows with at least one pixel in view, and the rows the last paint drew.
    std::optional<viewer::doc::panes::RowRange> RowsInView() const;
    std::optional<viewer::doc::panes::RowRange> PaintedRows() const { return m_painted; }
    // Rows as the pane draws them, from `first` on.
    std::vector<std::string> RowTexts(std::uint64_t first, std::size_t count) const;
    // The selected rows, one a line.
    QString SelectedText() const;
    // Where row `row`, column `column` is drawn, in viewport coordinates.
    QRect CharacterRect(std::uint64_t row, std::size_t column) const;
    // The row and column under a viewport point, within the rows in view.
    std::optional<std::pair<std::uint64_t, std::size_t>> CellAt(const QPoint& point) const;
    // Scrolls so that the row is in view.
    void EnsureRowVisible(std::uint64_t row);

    ~RowPane() override;

protected:
    RowPane(const PaneContext& context, QWidget* parent, viewer::doc::panes::RowKind kind,
            std::uint32_t viewKind, const QString& accessibleName);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    platform::StatusCode Load(viewer::doc::model::ElementRef* element);
    // The scroll sizes for the file now held, from its top.
    void ApplyScrollSizes();
    void UpdateBars();
    void ScrollTo(viewer::doc::panes::PanePoint position);
    void ScrollByKey(viewer::doc::panes::ScrollKey key);
    void OnBarAction(Qt::Orientation orientation, int action);
    void OnBarValue(Qt::Orientation orientation, int value);
    std::int64_t MaxX() const;
    std::int64_t MaxY() const;
    std::uint64_t RowAtViewportY(int y) const;
    void ShowFailure(platform::StatusCode status);
    void VisibleTextChanged();

    const viewer::doc::panes::RowKind m_kind;
    const std::uint32_t m_viewKind;
    viewer::doc::panes::RowFile m_rows;
    viewer::doc::model::ElementRef* m_element = nullptr;
    // Set by TakeOver: the next update shows the file taken over instead of loading one.
    bool m_loaded = false;
    QFont m_font;
    std::uint32_t m_rowHeight = 1;
    std::uint32_t m_charWidth = 1;
    int m_ascent = 0;
    viewer::doc::panes::ScrollSizes m_sizes;
    viewer::doc::panes::PanePoint m_position;
    viewer::doc::panes::ScrollBarMap m_mapX;
    viewer::doc::panes::ScrollBarMap m_mapY;
    viewer::doc::panes::RowSelection m_selection;
    std::optional<viewer::doc::panes::RowRange> m_painted;
    // Eighths of a degree the wheel turned that did not yet make a whole step.
    QPoint m_wheelRemainder;
    // The bars are being set from the position: their signals change nothing.
    bool m_syncingBars = false;
};

} // namespace viewer::ui

// CEnvelonView: the details pane. A report list of every field of the element shown, rebuilt
// from the details table on each element; the ten stored column widths carry over from one
// element to the next and to the details pane that replaces this one. Never sorted; rows
// can be selected and copied as tab-separated text.
#pragma once

#include <QTreeWidget>

#include "viewer/doc/model/element.h"
#include "viewer/doc/panes/details_rows.h"
#include "viewer/ui/pane_view.h"

namespace viewer::ui {

class CEnvelonView final : public QTreeWidget, public PaneView {
    Q_OBJECT

public:
    // `viewKind` is VIEW_DETAILS, or the kind this pane stands in for until its own pane exists.
    CEnvelonView(const PaneContext& context, QWidget* parent,
                 std::uint32_t viewKind = viewer::doc::model::VIEW_DETAILS);

    // CElementView
    std::uint32_t GetViewKind() const override { return m_viewKind; }
    bool TakeOver(CElementView* previous) override;
    viewer::doc::model::ElementRef* GetElement() const override { return m_state.element; }
    void SetElement(viewer::doc::model::ElementRef* element) override { m_state.element = element; }
    void OnUpdate(viewer::doc::document::DocumentView* sender,
                  viewer::doc::model::ElementRef* hint) override;
    bool OnCommand(std::uint32_t command) override;

    // PaneView
    QWidget* Widget() override { return this; }
    bool CanHandle(std::uint32_t command) const override;

    // The stored width of column position `column`.
    int StoredWidth(std::size_t column) const { return m_state.widths.Width(column); }
    // The widths of the columns shown now, in order.
    std::vector<int> CurrentWidths() const;
    // The selected rows as text: cells separated by tabs, rows by line feeds.
    QString SelectedRowsText() const;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Rebuild();

    const std::uint32_t m_viewKind;
    viewer::doc::panes::DetailsPaneState m_state;
};

} // namespace viewer::ui

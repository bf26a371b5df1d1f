// COLEView: the OLE-object pane, a scroll view. It copies the object's compound file into a
// temporary file of its own, loads it as an embedded item and draws the item's presentation
// at its natural size, framed by one black pixel on the window colour. A double-click on the
// picture, or Open Attachment while the pane is active, asks first and then hands the
// object's content to the desktop. Owns the item and the temporary file until the next
// element, a failure or its end.
#pragma once

#include <memory>

#include <QAbstractScrollArea>

#include "platform/files.h"
#include "platform/status.h"
#include "viewer/render/ole/embedded_item.h"
#include "viewer/ui/element_pane.h"

namespace viewer::ui {

class COLEView final : public QAbstractScrollArea,
                       public ElementPane,
                       public viewer::render::ole::EmbeddedItemHost {
    Q_OBJECT

public:
    COLEView(const PaneContext& context, QWidget* parent);
    ~COLEView() override;

    // CElementView
    std::uint32_t GetViewKind() const override;
    bool TakeOver(CElementView* previous) override;
    void OnUpdate(viewer::doc::document::DocumentView* sender,
                  viewer::doc::model::ElementRef* hint) override;
    // Open Attachment, while this pane is the active view.
    bool OnCommand(std::uint32_t command) override;

    // PaneView
    QWidget* Widget() override { return this; }
    void InitialUpdate() override;
    bool CanHandle(std::uint32_t command) const override;

    // EmbeddedItemHost
    platform::StatusCode HandOver(const viewer::render::ole::OleObject& object) override;
    void Invalidate() override;

    const viewer::render::ole::CEmbeddedItem* Item() const { return m_item.get(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    [[nodiscard]] platform::StatusCode Load(viewer::doc::model::ElementRef& element);
    void Release();
    // Asks, then opens; a failure shows its message.
    void OpenObject();
    void UpdateScrollSizes();
    bool IsActiveView() const;

    std::unique_ptr<viewer::render::ole::CEmbeddedItem> m_item;
    platform::TempFile m_file;
    bool m_initialised = false;
    bool m_loaded = false;
};

} // namespace viewer::ui

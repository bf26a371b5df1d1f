// ElementPane: what the panes that show one element share: the element they show, no command
// of their own unless they say so, and the window's context menu on a right click, the Menu
// key or Shift+F10.
#pragma once

#include "viewer/ui/pane_view.h"

class QWidget;

namespace viewer::ui {

class ElementPane : public PaneView {
public:
    using PaneView::PaneView;

    viewer::doc::model::ElementRef* GetElement() const override { return m_element; }
    void SetElement(viewer::doc::model::ElementRef* element) override { m_element = element; }
    bool OnCommand(std::uint32_t /*command*/) override { return false; }

protected:
    ~ElementPane() = default;

    // Opens the window's context menu for requests made in `widget` (the pane's own widget).
    void ForwardContextMenus(QWidget* widget);

private:
    viewer::doc::model::ElementRef* m_element = nullptr;
};

} // namespace viewer::ui

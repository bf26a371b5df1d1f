// The right pane and the tree of a document window: which view shows an element, when the
// pane is replaced by a view of another class, and hiding or showing the tree. The window
// supplies the platform work through FrameHost and applies what comes back.
#pragma once

#include <cstdint>

#include "viewer/doc/frame/element_view.h"

namespace viewer::doc::frame {

// The platform half of the document window. Views it creates are attached to the document
// and have run their initial update; views it destroys leave the document alive.
class FrameHost {
public:
    virtual ~FrameHost() = default;
    virtual bool HasDocument() const = 0;
    // Destroys the view in the splitter's right pane and creates one of `viewKind` there.
    virtual CElementView* RecreateRightPane(std::uint32_t viewKind) = 0;
    // Creates a view of `viewKind` that fills the whole window (the tree hidden).
    virtual CElementView* CreateSingleView(std::uint32_t viewKind) = 0;
    virtual void DestroySingleView(CElementView* view) = 0;
    // The document's update-all-views.
    virtual void Broadcast(document::DocumentView* sender, model::ElementRef* hint) = 0;
    // Shows the splitter (tree and right pane) or hides it in favour of the single view.
    virtual void ShowSplitter(bool shown) = 0;
    // Attaches the splitter, tree and right view to the document or detaches them.
    virtual void AttachSplitterViews(bool attach) = 0;
    virtual document::DocumentView* TreeView() = 0;
    // Makes the view active and gives it the focus.
    virtual void Activate(document::DocumentView* view) = 0;
    virtual void RecalcLayout() = 0;
    // "Internal application error. Please contact ..." with a warning icon.
    virtual void ShowInternalError() = 0;
};

// The state of a document window: the splitter's right view, the single view while the
// tree is hidden, and whether the tree is shown.
class ChildFrameLogic {
public:
    ChildFrameLogic(FrameHost& host, CElementView* rightView) : m_host(host), m_right(rightView) {}

    // The view showing the element: the single view while there is one, else the right view.
    CElementView* CurrentRightView() const { return m_single ? m_single : m_right; }
    CElementView* RightView() const { return m_right; }
    CElementView* SingleView() const { return m_single; }
    bool TreeShown() const { return m_treeShown; }

    // Shows an element in the right pane: refreshes the current view when it is of the
    // element's view kind, else replaces it by a view of that kind.
    bool ShowElement(model::ElementRef* element);
    // Details, Hex View, Text View (the kind) and Rich View (VIEW_DATE stands for the pick).
    void ViewCommand(std::uint32_t command);
    // Hides the tree when it is shown, shows it when it is hidden; the element and the view
    // kind of the right pane survive.
    void ToggleTree();

private:
    bool ReplaceRightPane(document::DocumentView* sender, model::ElementRef* element,
                          std::uint32_t viewKind);
    bool ReplaceSingleView(model::ElementRef* element, std::uint32_t viewKind);

    FrameHost& m_host;
    CElementView* m_right;
    CElementView* m_single = nullptr;
    bool m_treeShown = true;
};

} // namespace viewer::doc::frame

// PaneView: what every pane of a document window adds to being a view of the document:
// the widget that shows it, the one-time initial update, whether it can take an Edit
// command now, and the way to the window's context menu. Right-pane classes derive from
// their Qt widget and from this; the window swaps them through CElementView alone.
#pragma once

#include <cstdint>

#include <QPoint>

#include "viewer/doc/frame/element_view.h"

class QKeyEvent;
class QWidget;

namespace viewer::doc::document {
class CEnvelonDoc;
} // namespace viewer::doc::document

namespace viewer::ui {

class CChildFrame;

// What a pane is made for: the document it shows and the window it lives in.
struct PaneContext {
    viewer::doc::document::CEnvelonDoc* document = nullptr;
    CChildFrame* frame = nullptr;
};

class PaneView : public viewer::doc::frame::CElementView {
public:
    explicit PaneView(const PaneContext& context) : m_context(context) {}

    virtual QWidget* Widget() = 0;
    // Runs once, after the pane is attached to the document.
    virtual void InitialUpdate() {}
    // Whether the pane would handle a command now: the Edit commands (enabling of Undo, Cut,
    // Copy, Paste), and commands it takes itself while active (enabled then).
    virtual bool CanHandle(std::uint32_t /*command*/) const { return false; }

    const PaneContext& Context() const { return m_context; }

protected:
    ~PaneView() = default;

    // Opens the window's context menu at `globalPos`.
    void RequestContextMenu(const QPoint& globalPos) const;
    // Tells the window that what the pane's Edit commands can do has changed (a selection),
    // so that the menus, toolbar and shortcuts follow.
    void EditStateChanged() const;

private:
    PaneContext m_context;
};

// The keys that ask for a context menu from the keyboard: the Menu key and Shift+F10.
bool IsContextMenuKey(const QKeyEvent& event);

// Creates the pane class of a view kind (1 to 8). Kinds whose pane is still to come are shown
// by the details pane, which then answers the requested kind so that the window's choices
// and check marks stay those of the kind. Null for a number that is no view kind.
PaneView* CreatePaneView(std::uint32_t viewKind, const PaneContext& context, QWidget* parent);

} // namespace viewer::ui

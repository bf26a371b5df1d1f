// CSplitterView and CMySplitterWnd: the two panes of a document window. The splitter holds
// the tree on the left and one right-pane view on the right; ReplaceView swaps the right
// pane for a view of another class. The view gives the tree a third of the width the first
// time it has one.
#pragma once

#include <QSplitter>
#include <QWidget>

#include "viewer/ui/pane_view.h"

namespace viewer::ui {

class CLeftView;

class CMySplitterWnd final : public QSplitter {
    Q_OBJECT

public:
    explicit CMySplitterWnd(QWidget* parent);

    // Replaces the view in the right pane by a new one of `viewKind`, attached to the
    // document (and initially updated when asked); the old one is detached and deleted once
    // control is back in the event loop (it may be the caller). Null when the kind makes no
    // view.
    PaneView* ReplaceView(std::uint32_t viewKind, const PaneContext& context, bool initialUpdate);

    // View > Split: the arrow keys move the divider, Enter keeps it, Escape puts it back.
    void StartKeyboardTracking();
    bool Tracking() const { return m_tracking; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void EndTracking(bool keep);

    bool m_tracking = false;
    QList<int> m_sizesBefore;
    QWidget* m_focusBefore = nullptr;
};

class CSplitterView final : public QWidget {
    Q_OBJECT

public:
    // Creates the splitter with CLeftView in the left pane and CEnvelonView in the right one.
    CSplitterView(const PaneContext& context, QWidget* parent);

    CMySplitterWnd* Splitter() const { return m_splitter; }
    CLeftView* Tree() const { return m_tree; }
    // The view in the right pane.
    PaneView* Right() const { return m_right; }
    PaneView* ReplaceRight(std::uint32_t viewKind);

    // The first time only: the tree builds, then the right pane (fetched afterwards, since
    // building the tree may already have replaced it) gets its own initial update.
    void InitialUpdate();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    PaneContext m_context;
    CMySplitterWnd* m_splitter;
    CLeftView* m_tree;
    PaneView* m_right;
    bool m_firstSizePending = true;
    bool m_initialUpdateDone = false;
};

} // namespace viewer::ui

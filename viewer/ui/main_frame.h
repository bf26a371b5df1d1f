// CMainFrame: the main window. A multiple-document area holding the document windows, the
// menus (128 without a document, 129 with one), toolbar 128, the status bar with its prompt
// and the Caps, Num and Scroll lights, and one QAction per command from the command table.
// Enabled and checked states are asked at one refresh point; triggers are routed through
// the active document window, or go to this frame and the application without one.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include <QMainWindow>

#include "viewer/doc/frame/commands.h"
#include "viewer/doc/frame/pane_swap.h"
#include "viewer/doc/frame/tool_commands.h"
#include "viewer/ui/lock_indicators.h"

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QToolBar;

namespace viewer::ui {

class CChildFrame;
class CEnvelonApp;

class CMainFrame final : public QMainWindow {
    Q_OBJECT

public:
    explicit CMainFrame(CEnvelonApp& app);
    ~CMainFrame() override;

    // Adds a document window, maximised, and makes it the active one.
    void AddChild(CChildFrame* child);
    CChildFrame* ActiveChild() const;
    QMdiArea* MdiArea() const { return m_mdi; }
    QToolBar* ToolBar() const { return m_toolbar; }

    // A command from a menu, the toolbar, a shortcut or the context menu.
    void OnCommand(std::uint32_t command);
    // The frame's own commands (toolbar and status-bar toggles, window arrangement, exit).
    bool HandleCommand(std::uint32_t command);
    // The refresh point: every action's enabled and checked state.
    void UpdateCommandStates();
    // Context menu 158 for a document window, its commands routed and enabled like the rest.
    void ShowContextMenu(CChildFrame* child, const QPoint& globalPos);
    // Puts the recent files into the File menu again.
    void RecentFilesChanged();

    // The action a command has in the menus and the toolbar; null for none.
    QAction* Action(std::uint32_t command) const;
    // The context menu's entries, built on first use.
    const std::vector<QAction*>& ContextMenuActions();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* MakeAction(std::uint32_t command, const QString& text);
    void CreateActions();
    void CreateToolBar();
    void CreateStatusBar();
    void RebuildMenus();
    void UpdateTitle();
    void UpdateIndicators();
    void OnSubWindowActivated(QMdiSubWindow* window);
    viewer::doc::frame::CommandState FrameState(std::uint32_t command) const;

    CEnvelonApp& m_app;
    QMdiArea* m_mdi = nullptr;
    QToolBar* m_toolbar = nullptr;
    QLabel* m_idle = nullptr;
    QLabel* m_caps = nullptr;
    QLabel* m_num = nullptr;
    QLabel* m_scroll = nullptr;
    LockIndicators m_lights;
    std::map<std::uint32_t, std::vector<QAction*>> m_actions;
    std::vector<QAction*> m_recentActions;
    std::vector<QAction*> m_contextActions;
    std::vector<QMenu*> m_menus;
    bool m_documentMenu = false;
    bool m_menusBuilt = false;
    QString m_title;
};

} // namespace viewer::ui

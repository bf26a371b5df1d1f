// CChildFrame: the window of one document inside the main frame. It owns the document and
// its views (the splitter with the tree and a right pane, and the single view while the tree
// is hidden), does the platform half of swapping panes and of the Tools commands, and
// routes every command through the document window's decisions.
#pragma once

#include <memory>

#include <QMdiSubWindow>

#include "viewer/doc/frame/commands.h"
#include "viewer/doc/frame/pane_swap.h"
#include "viewer/doc/frame/tool_commands.h"
#include "viewer/items/export_commands.h"
#include "viewer/ui/pane_view.h"

class QStackedWidget;
class QUrl;

namespace viewer::doc::document {
class CEnvelonDoc;
} // namespace viewer::doc::document

namespace viewer::ui {

class CEnvelonApp;
class CLeftView;
class CSplitterView;

class CChildFrame final : public QMdiSubWindow,
                          public viewer::doc::frame::FrameHost,
                          public viewer::doc::frame::AttachmentHost {
    Q_OBJECT

public:
    // Takes an open document; the window opens maximised once shown.
    CChildFrame(CEnvelonApp& app, std::unique_ptr<viewer::doc::document::CEnvelonDoc> document,
                QWidget* parent = nullptr);
    ~CChildFrame() override;

    // Builds the tree, which selects the message group and so shows its body.
    void InitialUpdate();

    viewer::doc::document::CEnvelonDoc& Document() const { return *m_document; }
    // The document's title as a window shows it.
    QString DocumentTitle() const;

    bool ShowElement(viewer::doc::model::ElementRef* element);
    void ShowContextMenu(const QPoint& globalPos);
    // Hands an address the person confirmed (a link in a body) to the desktop.
    bool OpenAddress(const QUrl& address);
    // Offers a command to the active view, the document's other views, the frames and the
    // application.
    bool OnCommand(std::uint32_t command);
    // Enabled and checked state of a command, as far as this window decides it.
    viewer::doc::frame::CommandState QueryState(std::uint32_t command) const;

    CLeftView* Tree() const;
    PaneView* CurrentRightView() const;
    bool TreeShown() const { return m_logic->TreeShown(); }
    // The view with the focus among the window's views.
    viewer::doc::document::DocumentView* ActiveView() const { return m_activeView; }

    // FrameHost
    bool HasDocument() const override { return static_cast<bool>(m_document); }
    viewer::doc::frame::CElementView* RecreateRightPane(std::uint32_t viewKind) override;
    viewer::doc::frame::CElementView* CreateSingleView(std::uint32_t viewKind) override;
    void DestroySingleView(viewer::doc::frame::CElementView* view) override;
    void Broadcast(viewer::doc::document::DocumentView* sender,
                   viewer::doc::model::ElementRef* hint) override;
    void ShowSplitter(bool shown) override;
    void AttachSplitterViews(bool attach) override;
    viewer::doc::document::DocumentView* TreeView() override;
    void Activate(viewer::doc::document::DocumentView* view) override;
    void RecalcLayout() override;
    void ShowInternalError() override;

    // AttachmentHost
    platform::StatusCode WriteElementData(const viewer::doc::model::ElementRef& element,
                                          const std::string& path) override;
    bool OpenDocument(const std::string& path) override;
    int ShellOpen(const std::string& path) override;
    bool RunsAsProgram(const std::string& path, const std::string& name) override;
    void SaveElementData(const viewer::doc::model::ElementRef& element) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;

signals:
    // The element shown, the right pane or the active view changed: the frame refreshes
    // its commands.
    void StateChanged();

private:
    bool HandleCommand(std::uint32_t command);
    void SaveMailBody();
    void ExportItem(const viewer::doc::model::ElementRef* shown);
    void MoveFocusBetweenPanes();
    void OnFocusChanged(QWidget* now);
    PaneContext Context();

    CEnvelonApp& m_app;
    std::unique_ptr<viewer::doc::document::CEnvelonDoc> m_document;
    QStackedWidget* m_stack = nullptr;
    CSplitterView* m_splitterView = nullptr;
    PaneView* m_single = nullptr;
    std::unique_ptr<viewer::doc::frame::ChildFrameLogic> m_logic;
    viewer::doc::model::MailBody m_mailBody;
    std::unique_ptr<viewer::items::ExportSource> m_exportSource;
    viewer::doc::document::DocumentView* m_activeView = nullptr;
};

// A pane's widget from the view the window's decisions speak of; null for none.
QWidget* ViewWidget(viewer::doc::document::DocumentView* view);

} // namespace viewer::ui

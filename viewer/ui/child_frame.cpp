#include "viewer/ui/child_frame.h"

#include <QApplication>
#include <QIcon>
#include <QMimeDatabase>
#include <QStackedWidget>

#include "platform/text_safety.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/frame/safe_open.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/app/app_context.h"
#include "viewer/doc/naming/strings.h"
#include "viewer/ui/body_pane.h"
#include "viewer/ui/commands.h"
#include "viewer/ui/envelon_app.h"
#include "viewer/ui/file_chooser.h"
#include "viewer/ui/left_view.h"
#include "viewer/ui/main_frame.h"
#include "viewer/ui/progress_gate.h"
#include "viewer/ui/splitter_view.h"
#include "viewer/ui/tree_model.h"

namespace viewer::ui {

using namespace viewer::doc::document;
using namespace viewer::doc::frame;
using namespace viewer::doc::model;
using namespace viewer::doc::app;
using namespace viewer::doc::naming;
using namespace viewer::items;
using platform::StatusCode;

namespace {

// What the desktop answers when it has no application for a file (the shell's "no
// association"), and a code above 32 for success.
constexpr int kShellNoApplication = 31;
constexpr int kShellLaunched = 33;

PaneView* AsPane(CElementView* view)
{
    return static_cast<PaneView*>(view);
}

} // namespace

QWidget* ViewWidget(DocumentView* view)
{
    if (auto* tree = dynamic_cast<CLeftView*>(view)) {
        return tree;
    }
    if (auto* pane = dynamic_cast<PaneView*>(view)) {
        return pane->Widget();
    }
    return nullptr;
}

CChildFrame::CChildFrame(CEnvelonApp& app, std::unique_ptr<CEnvelonDoc> document, QWidget* parent)
    : QMdiSubWindow(parent), m_app(app), m_document(std::move(document))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(QIcon(QStringLiteral(":/pallion/pallion.svg")));
    setWindowTitle(DocumentTitle());
    m_document->SetMessageSink(&m_app.Sink());
    m_stack = new QStackedWidget(this);
    m_splitterView = new CSplitterView(Context(), m_stack);
    m_stack->addWidget(m_splitterView);
    setWidget(m_stack);
    m_logic = std::make_unique<ChildFrameLogic>(*this, m_splitterView->Right());
    m_activeView = m_splitterView->Tree();
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { OnFocusChanged(now); });
}

CChildFrame::~CChildFrame()
{
    // The views point at the document and at the tree's elements: they go first, while
    // both still exist.
    for (DocumentView* view : std::vector<DocumentView*>(m_document->Views())) {
        m_document->RemoveView(view);
    }
    delete m_stack;
    m_stack = nullptr;
}

PaneContext CChildFrame::Context()
{
    return PaneContext{m_document.get(), this};
}

QString CChildFrame::DocumentTitle() const
{
    // "[*]" would be read by the window as its modified mark.
    return QString::fromStdString(platform::EscapeForDisplay(m_document->Title()))
        .replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

void CChildFrame::InitialUpdate()
{
    m_splitterView->InitialUpdate();
    // Looked for once: the tree never changes after its walk, and a search goes through
    // every property of the message.
    m_mailBody = Tree()->Index().FindMailBody();
    if (const TreeModel* model = Tree()->Model()) {
        const AppContext* app = TheApp();
        m_exportSource = std::make_unique<ExportSource>(*m_document, model->Tree(), Tree()->Index(),
                                                        app ? app->m_dictionary : nullptr);
    }
    emit StateChanged();
}

CLeftView* CChildFrame::Tree() const
{
    return m_splitterView->Tree();
}

PaneView* CChildFrame::CurrentRightView() const
{
    return AsPane(m_logic->CurrentRightView());
}

bool CChildFrame::ShowElement(ElementRef* element)
{
    const bool shown = m_logic->ShowElement(element);
    emit StateChanged();
    return shown;
}

void CChildFrame::ShowContextMenu(const QPoint& globalPos)
{
    m_app.MainFrame().ShowContextMenu(this, globalPos);
}

bool CChildFrame::OpenAddress(const QUrl& address)
{
    return m_app.OpenAddress(address);
}

CommandState CChildFrame::QueryState(std::uint32_t command) const
{
    CommandContext context;
    const PaneView* right = CurrentRightView();
    context.hasRightView = right != nullptr;
    context.element = right ? right->GetElement() : nullptr;
    context.rightViewKind = right ? right->GetViewKind() : 0;
    context.hasActiveView = m_activeView != nullptr;
    context.treeShown = m_logic->TreeShown();
    context.mailBody = m_mailBody.element;
    // A pane that takes a Tools command itself while it is active (the OLE-object pane's Open
    // Attachment) decides its enabling.
    if (right && m_activeView == static_cast<const DocumentView*>(right) &&
        right->CanHandle(command)) {
        return {true, true, false};
    }
    CommandState state = QueryCommandState(command, context);
    if (state.handled) {
        return state;
    }
    switch (command) {
    case ID_FILE_EXPORT_ICALENDAR:
    case ID_FILE_EXPORT_VCARD:
        state = QueryExportState(command,
                                 m_exportSource ? m_exportSource->MessageFor(context.element)
                                                : nullptr);
        break;
    case ID_EDIT_UNDO:
    case ID_EDIT_CUT:
    case ID_EDIT_COPY:
    case ID_EDIT_PASTE:
        state = {true, right && right->CanHandle(command), false};
        break;
    case ID_FILE_CLOSE:
        state = {true, true, false};
        break;
    case ID_WINDOW_SPLIT:
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
        state = {true, m_logic->TreeShown(), false};
        break;
    default:
        break;
    }
    return state;
}

bool CChildFrame::OnCommand(std::uint32_t command)
{
    const CommandHandler frame = [this](std::uint32_t id) {
        return HandleCommand(id) || m_app.MainFrame().HandleCommand(id);
    };
    const CommandHandler application = [this](std::uint32_t id) { return m_app.HandleCommand(id); };
    const bool handled = RouteCommand(command, m_activeView, m_document.get(), frame, application);
    emit StateChanged();
    return handled;
}

bool CChildFrame::HandleCommand(std::uint32_t command)
{
    const CommandState state = QueryState(command);
    if (!state.handled) {
        return false;
    }
    if (!state.enabled) {
        return true; // a disabled command does nothing, and nobody else takes it
    }
    ElementRef* element = CurrentRightView() ? CurrentRightView()->GetElement() : nullptr;
    switch (command) {
    case ID_VIEW_DETAILS:
    case ID_VIEW_HEX:
    case ID_VIEW_TEXT:
    case ID_VIEW_RICH:
        m_logic->ViewCommand(command);
        return true;
    case ID_VIEW_TREE:
        m_logic->ToggleTree();
        return true;
    case ID_TOOLS_CHECKSUM:
        CalculateChecksum(*m_document, element, m_app.Sink());
        return true;
    case ID_TOOLS_SAVE_DATA:
        if (element) {
            SaveElementData(*element);
        }
        return true;
    case ID_TOOLS_SAVE_BODY:
        SaveMailBody();
        return true;
    case ID_FILE_EXPORT_ICALENDAR:
    case ID_FILE_EXPORT_VCARD:
        ExportItem(element);
        return true;
    case ID_TOOLS_OPEN_ATTACHMENT:
        OpenAttachment(element, *this, m_app.Sink());
        return true;
    case ID_FILE_CLOSE:
        close();
        return true;
    case ID_WINDOW_SPLIT:
        m_splitterView->Splitter()->StartKeyboardTracking();
        return true;
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
        MoveFocusBetweenPanes();
        return true;
    default:
        // Edit commands reach this window only when no view took them.
        return false;
    }
}

void CChildFrame::MoveFocusBetweenPanes()
{
    // Two panes: next and previous both mean the other one.
    QWidget* tree = Tree();
    QWidget* right = m_splitterView->Right()->Widget();
    QWidget* focus = QApplication::focusWidget();
    QWidget* target = focus && (focus == tree || tree->isAncestorOf(focus)) ? right : tree;
    target->setFocus(Qt::ShortcutFocusReason);
}

void CChildFrame::OnFocusChanged(QWidget* now)
{
    if (!now || !isAncestorOf(now)) {
        return;
    }
    DocumentView* active = nullptr;
    if (now == Tree() || Tree()->isAncestorOf(now)) {
        active = Tree();
    } else if (PaneView* right = CurrentRightView();
               right && (now == right->Widget() || right->Widget()->isAncestorOf(now))) {
        active = right;
    }
    if (active && active != m_activeView) {
        m_activeView = active;
        emit StateChanged();
    }
}

// ---- FrameHost -------------------------------------------------------------------------

CElementView* CChildFrame::RecreateRightPane(std::uint32_t viewKind)
{
    return m_splitterView->ReplaceRight(viewKind);
}

CElementView* CChildFrame::CreateSingleView(std::uint32_t viewKind)
{
    PaneView* view = CreatePaneView(viewKind, Context(), m_stack);
    if (!view) {
        return nullptr;
    }
    m_stack->addWidget(view->Widget());
    m_document->AddView(view);
    view->InitialUpdate();
    m_single = view;
    return view;
}

void CChildFrame::DestroySingleView(CElementView* view)
{
    PaneView* pane = AsPane(view);
    m_document->RemoveView(pane);
    m_stack->removeWidget(pane->Widget());
    pane->Widget()->hide();
    // It may be on the call stack (its own context menu): gone once control is back.
    pane->Widget()->deleteLater();
    if (m_single == pane) {
        m_single = nullptr;
    }
    if (m_activeView == pane) {
        m_activeView = nullptr;
    }
}

void CChildFrame::Broadcast(DocumentView* sender, ElementRef* hint)
{
    m_document->UpdateAllViews(sender, hint);
    emit StateChanged();
}

void CChildFrame::ShowSplitter(bool shown)
{
    if (shown) {
        m_stack->setCurrentWidget(m_splitterView);
    } else if (m_single) {
        m_stack->setCurrentWidget(m_single->Widget());
    }
}

void CChildFrame::AttachSplitterViews(bool attach)
{
    DocumentView* views[] = {Tree(), m_splitterView->Right()};
    for (DocumentView* view : views) {
        m_document->RemoveView(view);
        if (attach) {
            m_document->AddView(view);
        }
    }
}

DocumentView* CChildFrame::TreeView()
{
    return Tree();
}

void CChildFrame::Activate(DocumentView* view)
{
    m_activeView = view;
    if (QWidget* widget = ViewWidget(view)) {
        widget->setFocus(Qt::OtherFocusReason);
    }
    emit StateChanged();
}

void CChildFrame::RecalcLayout()
{
    m_stack->updateGeometry();
}

void CChildFrame::ShowInternalError()
{
    m_app.Sink().Show(InternalErrorText(), MessageIcon::Warning, MessageButtons::Ok);
}

// ---- Tools commands --------------------------------------------------------------------

void CChildFrame::SaveElementData(const ElementRef& element)
{
    const std::string path = m_app.Chooser().SaveFileName(this, PlanSaveData(element.m_name)).path;
    if (path.empty()) {
        return;
    }
    ProgressGate progress(this, tr("Saving data to disk..."));
    const StatusCode status =
        m_document->WriteElementData(&element, path.c_str(), progress.Callback());
    ReportSaveOutcome(status, path, m_app.Sink());
}

void CChildFrame::SaveMailBody()
{
    const SaveBodyPlan plan = PlanSaveMailBody(m_mailBody);
    if (plan.write == BodyWrite::None) {
        return;
    }
    const SaveChoice choice = m_app.Chooser().SaveFileName(this, plan.dialog);
    if (choice.path.empty()) {
        return;
    }
    StatusCode status = platform::S_OK;
    if (const auto form = FormOfFilter(plan, choice.filter)) {
        const WaitCursor wait;
        const TreeModel* model = Tree()->Model();
        status = model ? SaveMailBodyAs(*m_document, model->Tree(), Tree()->Index(), *form,
                                        choice.path)
                       : platform::E_UNEXPECTED;
    } else {
        ProgressGate progress(this, tr("Saving the mail body to disk..."));
        status = viewer::doc::frame::SaveMailBody(*m_document, m_mailBody, choice.path,
                                                  progress.Callback());
    }
    ReportSaveOutcome(status, choice.path, m_app.Sink());
}

void CChildFrame::ExportItem(const ElementRef* shown)
{
    Message message;
    if (!m_exportSource || platform::Failed(m_exportSource->ReadForExport(shown, message))) {
        return;
    }
    const std::string path = m_app.Chooser().SaveFileName(this, PlanExport(message)).path;
    if (path.empty()) {
        return;
    }
    ReportSaveOutcome(WriteExport(message, path), path, m_app.Sink());
}

// ---- AttachmentHost --------------------------------------------------------------------

StatusCode CChildFrame::WriteElementData(const ElementRef& element, const std::string& path)
{
    ProgressGate progress(this, tr("Writing the attachment..."));
    return m_document->WriteElementData(&element, path.c_str(), progress.Callback());
}

bool CChildFrame::OpenDocument(const std::string& path)
{
    return m_app.OpenDocumentFile(path, CEnvelonApp::Remember::No) != nullptr;
}

int CChildFrame::ShellOpen(const std::string& path)
{
    return m_app.OpenWithDesktop(path) ? kShellLaunched : kShellNoApplication;
}

bool CChildFrame::RunsAsProgram(const std::string& path, const std::string& name)
{
    // By content and by name, each with the types it descends from: a program may hide
    // behind a harmless name, and a name may make the desktop run harmless-looking bytes.
    const QMimeDatabase database;
    std::vector<FileType> types;
    const auto add = [&types](const QMimeType& type) {
        if (!type.isValid()) {
            return;
        }
        FileType entry{type.name().toStdString(), {}};
        for (const QString& ancestor : type.allAncestors()) {
            entry.ancestors.push_back(ancestor.toStdString());
        }
        types.push_back(entry);
        for (const QString& alias : type.aliases()) {
            types.push_back({alias.toStdString(), entry.ancestors});
        }
    };
    add(database.mimeTypeForFile(FromLocalPath(path), QMimeDatabase::MatchContent));
    const std::string safeName = platform::SafeFileName(name);
    for (const QString& candidate : {FromLocalPath(path), QString::fromStdString(safeName)}) {
        for (const QMimeType& type : database.mimeTypesForFileName(candidate)) {
            add(type);
        }
    }
    return viewer::doc::frame::RunsAsProgram(types, safeName);
}

void CChildFrame::BeginWaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CChildFrame::EndWaitCursor()
{
    QApplication::restoreOverrideCursor();
}

} // namespace viewer::ui

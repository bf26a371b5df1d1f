#include "viewer/ui/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "viewer/doc/frame/app_commands.h"
#include "viewer/doc/naming/strings.h"
#include "viewer/ui/child_frame.h"
#include "viewer/ui/commands.h"
#include "viewer/ui/envelon_app.h"
#include "viewer/ui/file_chooser.h"

namespace viewer::ui {

using namespace viewer::doc::frame;
using namespace viewer::doc::naming;

namespace {

// Toolbar 128's buttons are drawn at 16 by 15 pixels.
constexpr QSize kButtonImage(16, 15);

QString Text(const char* text)
{
    return QString::fromUtf8(text);
}

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

CMainFrame::CMainFrame(CEnvelonApp& app) : m_app(app)
{
    setWindowIcon(QIcon(QStringLiteral(":/pallion/pallion.svg")));
    m_mdi = new QMdiArea(this);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    connect(m_mdi, &QMdiArea::subWindowActivated, this,
            [this](QMdiSubWindow* window) { OnSubWindowActivated(window); });
    CreateActions();
    CreateToolBar();
    CreateStatusBar();
    RebuildMenus();
    setAcceptDrops(true);
    // Three quarters of the screen, centred: room for a tree and its details at once.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        const QSize size = area.size() * 3 / 4;
        setGeometry(QRect(area.topLeft() + QPoint((area.width() - size.width()) / 2,
                                                  (area.height() - size.height()) / 2),
                          size));
    }
    UpdateTitle();
    UpdateCommandStates();
    qApp->installEventFilter(this);
}

CMainFrame::~CMainFrame()
{
    qApp->removeEventFilter(this);
    // Document windows first: their views go before anything they point at.
    for (QMdiSubWindow* window : m_mdi->subWindowList()) {
        delete window;
    }
}

QAction* CMainFrame::MakeAction(std::uint32_t command, const QString& text)
{
    auto* action = new QAction(text, this);
    const std::string prompt = CommandPrompt(command);
    const std::string tooltip = CommandTooltip(command);
    action->setStatusTip(Text(prompt));
    action->setToolTip(Text(tooltip.empty() ? prompt : tooltip));
    connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
    m_actions[command].push_back(action);
    return action;
}

void CMainFrame::CreateActions()
{
    for (const CommandInfo& command : Commands()) {
        QAction* action = MakeAction(command.id, Text(command.text));
        QList<QKeySequence> keys;
        for (const QString& key : Text(command.shortcuts).split(u'|', Qt::SkipEmptyParts)) {
            keys << QKeySequence::fromString(key, QKeySequence::PortableText);
        }
        action->setShortcuts(keys);
        if (command.icon) {
            action->setIcon(QIcon(Text(command.icon)));
        }
        action->setCheckable(command.checkable);
        // Shortcuts work whichever menu is shown.
        addAction(action);
    }
    for (std::uint32_t id = ID_FILE_MRU_FIRST; id <= ID_FILE_MRU_LAST; ++id) {
        m_recentActions.push_back(MakeAction(id, QString()));
    }
}

QAction* CMainFrame::Action(std::uint32_t command) const
{
    const auto found = m_actions.find(command);
    return found == m_actions.end() || found->second.empty() ? nullptr : found->second.front();
}

void CMainFrame::CreateToolBar()
{
    m_toolbar = addToolBar(tr("Standard"));
    m_toolbar->setObjectName(QStringLiteral("toolbar128"));
    m_toolbar->setIconSize(kButtonImage);
    m_toolbar->setMovable(true);
    for (std::uint32_t id : ToolbarButtons()) {
        if (id == kSeparator) {
            m_toolbar->addSeparator();
        } else {
            m_toolbar->addAction(Action(id));
        }
    }
    connect(m_toolbar, &QToolBar::visibilityChanged, this, [this] { UpdateCommandStates(); });
}

void CMainFrame::CreateStatusBar()
{
    m_idle = new QLabel(Text(LoadString(IDS_IDLE_MESSAGE)));
    m_idle->setTextFormat(Qt::PlainText);
    statusBar()->addWidget(m_idle, 1);
    const auto indicator = [this](std::uint32_t id) {
        auto* label = new QLabel;
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignCenter);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setProperty("indicator", Text(LoadString(id)));
        // As wide as the widest light's name, lit or not, so that the bar never shifts.
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 8);
        statusBar()->addPermanentWidget(label);
        return label;
    };
    m_caps = indicator(IDS_INDICATOR_CAPS);
    m_num = indicator(IDS_INDICATOR_NUM);
    m_scroll = indicator(IDS_INDICATOR_SCROLL);
    for (QLabel* label : {m_caps, m_num, m_scroll}) {
        label->setVisible(m_lights.Available());
    }
    UpdateIndicators();
}

void CMainFrame::UpdateIndicators()
{
    if (!m_lights.Available()) {
        return;
    }
    const LockIndicators::State state = m_lights.Read();
    const auto show = [](QLabel* label, bool lit) {
        label->setText(lit ? label->property("indicator").toString() : QString());
    };
    show(m_caps, state.caps);
    show(m_num, state.num);
    show(m_scroll, state.scroll);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        UpdateIndicators();
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::RebuildMenus()
{
    m_documentMenu = ActiveChild() != nullptr;
    m_menusBuilt = true;
    menuBar()->clear();
    for (QMenu* menu : m_menus) {
        menu->deleteLater();
    }
    m_menus.clear();
    const std::vector<std::string>& recent = m_app.RecentFiles().Entries();
    for (const PopupMenu& popup : MainMenu(m_documentMenu)) {
        auto* menu = new QMenu(Text(popup.title), this);
        m_menus.push_back(menu);
        connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommandStates(); });
        for (const MenuEntry& entry : popup.entries) {
            if (entry.id == kSeparator) {
                menu->addSeparator();
            } else if (entry.id == ID_FILE_MRU_FIRST) {
                if (recent.empty()) {
                    menu->addAction(tr("Recent File"))->setEnabled(false);
                }
                for (std::size_t i = 0; i < recent.size() && i < m_recentActions.size(); ++i) {
                    m_recentActions[i]->setText(Text(RecentFileMenuText(i, recent[i])));
                    menu->addAction(m_recentActions[i]);
                }
            } else {
                menu->addAction(Action(entry.id));
            }
        }
        menuBar()->addMenu(menu);
    }
}

void CMainFrame::RecentFilesChanged()
{
    RebuildMenus();
}

const std::vector<QAction*>& CMainFrame::ContextMenuActions()
{
    if (m_contextActions.empty()) {
        for (const MenuEntry& entry : ContextMenu()) {
            if (entry.id == kSeparator) {
                auto* separator = new QAction(this);
                separator->setSeparator(true);
                m_contextActions.push_back(separator);
            } else if (entry.text) {
                QAction* action = MakeAction(entry.id, Text(entry.text));
                action->setCheckable(Action(entry.id)->isCheckable());
                m_contextActions.push_back(action);
            } else {
                m_contextActions.push_back(Action(entry.id));
            }
        }
    }
    return m_contextActions;
}

void CMainFrame::ShowContextMenu(CChildFrame* child, const QPoint& globalPos)
{
    if (child && child != ActiveChild()) {
        m_mdi->setActiveSubWindow(child);
    }
    QMenu menu(this);
    for (QAction* action : ContextMenuActions()) {
        menu.addAction(action);
    }
    UpdateCommandStates();
    menu.exec(globalPos);
}

CChildFrame* CMainFrame::ActiveChild() const
{
    return qobject_cast<CChildFrame*>(m_mdi->activeSubWindow());
}

void CMainFrame::AddChild(CChildFrame* child)
{
    m_mdi->addSubWindow(child);
    connect(child, &CChildFrame::StateChanged, this, [this] { UpdateCommandStates(); });
    child->showMaximized();
    m_mdi->setActiveSubWindow(child);
    OnSubWindowActivated(child);
}

void CMainFrame::OnSubWindowActivated(QMdiSubWindow* /*window*/)
{
    if (!m_menusBuilt || m_documentMenu != (ActiveChild() != nullptr)) {
        RebuildMenus();
    }
    UpdateTitle();
    UpdateCommandStates();
}

void CMainFrame::UpdateTitle()
{
    QString title = Text(LoadString(IDS_APP_TITLE));
    if (const CChildFrame* child = ActiveChild()) {
        title += QStringLiteral(" - ") + child->DocumentTitle();
    }
    m_title = title;
    setWindowTitle(title);
}

void CMainFrame::changeEvent(QEvent* event)
{
    // A maximised document window writes its own "Title - [document]" into ours; the
    // viewer's title is "Corvane Envelon - document".
    if (event->type() == QEvent::WindowTitleChange && !m_title.isEmpty() &&
        windowTitle() != m_title) {
        setWindowTitle(m_title);
    }
    QMainWindow::changeEvent(event);
}

void CMainFrame::OnCommand(std::uint32_t command)
{
    if (CChildFrame* child = ActiveChild()) {
        child->OnCommand(command);
    } else if (!HandleCommand(command)) {
        m_app.HandleCommand(command);
    }
    UpdateCommandStates();
}

bool CMainFrame::HandleCommand(std::uint32_t command)
{
    switch (command) {
    case ID_VIEW_TOOLBAR:
        m_toolbar->setVisible(!m_toolbar->isVisible());
        return true;
    case ID_VIEW_STATUS_BAR:
        statusBar()->setVisible(!statusBar()->isVisible());
        return true;
    case ID_WINDOW_CASCADE:
        m_mdi->cascadeSubWindows();
        return true;
    case ID_WINDOW_TILE:
        m_mdi->tileSubWindows();
        return true;
    case ID_APP_EXIT:
        close();
        return true;
    default:
        return false;
    }
}

CommandState CMainFrame::FrameState(std::uint32_t command) const
{
    switch (command) {
    case ID_VIEW_TOOLBAR:
        return {true, true, !m_toolbar->isHidden()};
    case ID_VIEW_STATUS_BAR:
        return {true, true, !statusBar()->isHidden()};
    case ID_WINDOW_CASCADE:
    case ID_WINDOW_TILE:
        return {true, !m_mdi->subWindowList().isEmpty(), false};
    case ID_FILE_OPEN:
    case ID_APP_EXIT:
    case ID_APP_ABOUT:
        return {true, true, false};
    default:
        break;
    }
    if (command >= ID_FILE_MRU_FIRST && command <= ID_FILE_MRU_LAST) {
        return {true, true, false};
    }
    // The document window's commands, without a document window: all off.
    return {true, false, false};
}

void CMainFrame::UpdateCommandStates()
{
    const CChildFrame* child = ActiveChild();
    for (const auto& [command, actions] : m_actions) {
        CommandState state;
        if (child) {
            state = child->QueryState(command);
        }
        if (!state.handled) {
            state = FrameState(command);
        }
        for (QAction* action : actions) {
            action->setEnabled(state.enabled);
            if (action->isCheckable()) {
                action->setChecked(state.checked);
            }
        }
    }
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    m_mdi->closeAllSubWindows();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(ToLocalPath(url.toLocalFile()));
        }
    }
    event->acceptProposedAction();
    // Opened once the drop is over: opening may ask questions, and the program the files
    // came from waits until the drop ends.
    QTimer::singleShot(0, this, [this, paths] {
        for (const std::string& path : paths) {
            m_app.OpenDocumentFile(path);
        }
    });
}

} // namespace viewer::ui

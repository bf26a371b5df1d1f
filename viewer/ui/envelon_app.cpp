#include "viewer/ui/envelon_app.h"

#include <cstdlib>

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

#include "platform/object_runtime.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/naming/strings.h"
#include "viewer/ui/about_dialog.h"
#include "viewer/ui/child_frame.h"
#include "viewer/ui/commands.h"
#include "viewer/ui/main_frame.h"
#include "viewer/ui/progress_gate.h"
#include "viewer/ui/resources.h"
#include "viewer/ui/splash_window.h"

namespace viewer::ui {

using namespace viewer::doc::app;
using namespace viewer::doc::document;
using namespace viewer::doc::frame;
using namespace viewer::doc::naming;

namespace {

constexpr int kDefaultSplashMs = 1000;
constexpr int kLongestSplashMs = 60000;
// Start-up waits for the splash's first paint at most this long (a platform that never
// exposes it must not stop the program).
constexpr int kSplashPaintWaitMs = 200;

const QString kOrganisation = QStringLiteral("corvane.example");
const QString kApplication = QStringLiteral("Corvane Envelon");
const QString kRecentGroup = QStringLiteral("Recent File List");

} // namespace

int SplashMinimumMs()
{
    const char* setting = secure_getenv("PALLION_SPLASH_MS");
    if (!setting || !*setting) {
        return kDefaultSplashMs;
    }
    char* end = nullptr;
    const long value = std::strtol(setting, &end, 10);
    if (*end != '\0' || value < 0) {
        return kDefaultSplashMs;
    }
    return static_cast<int>(std::min<long>(value, kLongestSplashMs));
}

CEnvelonApp::CEnvelonApp()
{
    LoadResources();
    SetDesktopOpener({});
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { ExitInstance(); });
}

CEnvelonApp::~CEnvelonApp()
{
    ExitInstance();
    if (m_splash) {
        delete m_splash;
    }
}

void CEnvelonApp::SetDesktopOpener(DesktopOpener opener)
{
    m_opener =
        opener ? std::move(opener) : [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

bool CEnvelonApp::OpenWithDesktop(const std::string& path) const
{
    return m_opener(QUrl::fromLocalFile(FromLocalPath(path)));
}

bool CEnvelonApp::OpenAddress(const QUrl& address) const
{
    return m_opener(address);
}

void CEnvelonApp::Start(const QStringList& arguments)
{
    m_arguments = arguments;
    m_clock.start();
    m_splash = new CSplashWnd;
    connect(m_splash, &CSplashWnd::Painted, this,
            [this] { QTimer::singleShot(0, this, [this] { RunStartUp(); }); });
    QTimer::singleShot(kSplashPaintWaitMs, this, [this] { RunStartUp(); });
    m_splash->show();
}

void CEnvelonApp::RunStartUp()
{
    if (m_startUpRan) {
        return;
    }
    m_startUpRan = true;
    // The object runtime stands for the OLE library.
    if (platform::Failed(platform::CoInitialize())) {
        m_sink->Show(LoadString(IDS_OLE_INIT_FAILED), MessageIcon::Error, MessageButtons::Ok);
        Finish(false, EXIT_FAILURE);
        return;
    }
    LoadRecentFiles();
    // Registers the stream server, sets the started flag and opens the dictionary.
    viewer::doc::app::StartUp(&m_scope.Context());
    m_mainFrame = std::make_unique<CMainFrame>(*this);
    std::vector<std::string> arguments;
    for (const QString& argument : m_arguments) {
        arguments.push_back(ToLocalPath(argument));
    }
    const std::vector<std::string> files = FilesToOpen(arguments);
    bool opened = false;
    for (const std::string& file : files) {
        opened = OpenDocumentFile(file) != nullptr || opened;
    }
    if (!files.empty() && !opened) {
        Finish(false, EXIT_FAILURE);
        return;
    }
    Finish(true, EXIT_SUCCESS);
}

void CEnvelonApp::Finish(bool running, int exitCode)
{
    if (!running) {
        if (m_splash) {
            m_splash->close();
        }
        emit StartUpFinished(false, exitCode);
        return;
    }
    const qint64 left = SplashMinimumMs() - m_clock.elapsed();
    QTimer::singleShot(static_cast<int>(std::max<qint64>(0, left)), this,
                       [this] { ShowMainWindow(); });
}

void CEnvelonApp::ShowMainWindow()
{
    if (!m_mainFrame) {
        return;
    }
    m_mainFrame->show();
    if (m_splash) {
        m_splash->close();
    }
    emit StartUpFinished(true, EXIT_SUCCESS);
    // Painted now, not at the next turn of the event loop: the first window is then
    // really on screen when this says so.
    m_mainFrame->repaint();
    emit FirstWindowShown();
}

void CEnvelonApp::ExitInstance()
{
    if (m_exited) {
        return;
    }
    m_exited = true;
    m_mainFrame.reset();
    viewer::doc::app::ShutDown(&m_scope.Context());
}

CChildFrame* CEnvelonApp::OpenDocumentFile(const std::string& path, Remember remember)
{
    if (!m_mainFrame) {
        return nullptr;
    }
    auto document = std::make_unique<CEnvelonDoc>();
    document->SetMessageSink(m_sink);
    const bool blocking = CEnvelonDoc::NeedsConversion(path);
    if (blocking) {
        // One call into a conversion library that cannot report progress: say so first and
        // let it paint once.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_mainFrame->statusBar()->showMessage(
            tr("Converting %1...").arg(QFileInfo(FromLocalPath(path)).fileName()));
        m_mainFrame->statusBar()->repaint();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    bool opened = false;
    {
        ProgressGate progress(m_mainFrame.get(), tr("Opening %1...").arg(FromLocalPath(path)));
        opened = document->OpenFromPath(path.c_str(), progress.Callback());
    }
    if (blocking) {
        m_mainFrame->statusBar()->clearMessage();
        QApplication::restoreOverrideCursor();
    }
    if (!opened) {
        return nullptr;
    }
    auto* child = new CChildFrame(*this, std::move(document));
    m_mainFrame->AddChild(child);
    child->InitialUpdate();
    if (remember == Remember::Yes) {
        AddToRecentFiles(ToLocalPath(QFileInfo(FromLocalPath(path)).absoluteFilePath()));
    }
    return child;
}

bool CEnvelonApp::HandleCommand(std::uint32_t command)
{
    if (command == ID_FILE_OPEN) {
        OnFileOpen();
        return true;
    }
    if (command == ID_APP_ABOUT) {
        CAboutDlg about(m_mainFrame.get());
        about.exec();
        return true;
    }
    if (command >= ID_FILE_MRU_FIRST && command <= ID_FILE_MRU_LAST) {
        const std::size_t index = command - ID_FILE_MRU_FIRST;
        if (index < m_recent.Entries().size()) {
            const std::string path = m_recent.Entries()[index];
            OpenDocumentFile(path);
        }
        return true;
    }
    return false;
}

void CEnvelonApp::OnFileOpen()
{
    AppContext& context = m_scope.Context();
    std::string folder;
    if (!context.m_lastOpenedPath.empty()) {
        folder = ToLocalPath(QFileInfo(FromLocalPath(context.m_lastOpenedPath)).absolutePath());
    }
    const std::string path = m_chooser->OpenFileName(m_mainFrame.get(), folder);
    if (path.empty()) {
        return;
    }
    context.m_lastOpenedPath = path;
    OpenDocumentFile(path);
}

void CEnvelonApp::LoadRecentFiles()
{
    QSettings settings(kOrganisation, kApplication);
    settings.beginGroup(kRecentGroup);
    std::vector<std::string> entries;
    for (std::size_t i = 1; i <= RecentFileList::kCapacity; ++i) {
        entries.push_back(ToLocalPath(settings.value(QStringLiteral("File%1").arg(i)).toString()));
    }
    m_recent = RecentFileList(entries);
}

void CEnvelonApp::SaveRecentFiles() const
{
    QSettings settings(kOrganisation, kApplication);
    settings.beginGroup(kRecentGroup);
    settings.remove(QString());
    const std::vector<std::string>& entries = m_recent.Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        settings.setValue(QStringLiteral("File%1").arg(i + 1), FromLocalPath(entries[i]));
    }
}

void CEnvelonApp::AddToRecentFiles(const std::string& path)
{
    m_recent.Add(path);
    SaveRecentFiles();
    if (m_mainFrame) {
        m_mainFrame->RecentFilesChanged();
    }
}

} // namespace viewer::ui

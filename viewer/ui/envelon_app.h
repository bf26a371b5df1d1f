// CEnvelonApp: the application. Start-up step by step while the splash shows (the
// event loop running, so the splash paints and the main window appears once both the
// minimum time has passed and start-up has finished), shut-down over the application
// context, the recent-file list, File Open, About, and opening a file as a document window.
// The message boxes, file dialogs and the desktop's "open" are replaceable for tests.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include "viewer/doc/app/app_context.h"
#include "viewer/doc/frame/app_commands.h"
#include "viewer/ui/file_chooser.h"
#include "viewer/ui/message_box.h"

class QUrl;

namespace viewer::ui {

class CChildFrame;
class CMainFrame;
class CSplashWnd;

class CEnvelonApp final : public QObject {
    Q_OBJECT

public:
    enum class Remember { Yes, No };
    using DesktopOpener = std::function<bool(const QUrl&)>;

    CEnvelonApp();
    ~CEnvelonApp() override;

    // Shows the splash and runs start-up from the event loop; StartUpFinished tells the end.
    // `arguments` leaves out the program's name.
    void Start(const QStringList& arguments);
    // Shut-down: the document windows close, the conversion library is unloaded and the
    // dictionary closed. Runs once, whatever calls it first.
    void ExitInstance();

    // Null before start-up has created it and after shut-down.
    CMainFrame* MainFramePointer() const { return m_mainFrame.get(); }
    CMainFrame& MainFrame() const { return *m_mainFrame; }

    viewer::doc::document::MessageSink& Sink() const { return *m_sink; }
    void SetMessageSink(viewer::doc::document::MessageSink* sink)
    {
        m_sink = sink ? sink : &m_boxes;
    }
    FileChooser& Chooser() const { return *m_chooser; }
    void SetFileChooser(FileChooser* chooser) { m_chooser = chooser ? chooser : &m_dialogs; }
    void SetDesktopOpener(DesktopOpener opener);
    // Hands a file to the desktop's application for it.
    bool OpenWithDesktop(const std::string& path) const;
    // Hands an address (http, https, mailto) to the desktop.
    bool OpenAddress(const QUrl& address) const;

    const viewer::doc::frame::RecentFileList& RecentFiles() const { return m_recent; }

    // Opens a file as a new document window; null when it failed (after its message) or was
    // cancelled. Remember::Yes puts the file on the recent-file list.
    CChildFrame* OpenDocumentFile(const std::string& path, Remember remember = Remember::Yes);
    // The application's commands: File Open, About and the recent files.
    bool HandleCommand(std::uint32_t command);

signals:
    // Start-up ended: `running` false means the program ends with `exitCode`.
    void StartUpFinished(bool running, int exitCode);
    // The main window is on screen with its first document window painted.
    void FirstWindowShown();

private:
    void RunStartUp();
    void Finish(bool running, int exitCode);
    void ShowMainWindow();
    void OnFileOpen();
    void LoadRecentFiles();
    void SaveRecentFiles() const;
    void AddToRecentFiles(const std::string& path);

    viewer::doc::app::AppContextScope m_scope;
    QtMessageSink m_boxes;
    viewer::doc::document::MessageSink* m_sink = &m_boxes;
    QtFileChooser m_dialogs;
    FileChooser* m_chooser = &m_dialogs;
    DesktopOpener m_opener;
    viewer::doc::frame::RecentFileList m_recent;
    std::unique_ptr<CMainFrame> m_mainFrame;
    QPointer<CSplashWnd> m_splash;
    QElapsedTimer m_clock;
    QStringList m_arguments;
    bool m_startUpRan = false;
    bool m_exited = false;
};

// The splash's minimum time: $PALLION_SPLASH_MS (milliseconds), else 1000.
int SplashMinimumMs();

} // namespace viewer::ui

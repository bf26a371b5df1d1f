// pallion: the desktop viewer.
#include <cstdio>
#include <cstdlib>

#include <QApplication>

#include "viewer/ui/envelon_app.h"

int main(int argc, char** argv)
{
    // Menus carry no pictures; the toolbar does.
    QApplication::setAttribute(Qt::AA_DontShowIconsInMenus);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane Envelon"));
    QApplication::setOrganizationDomain(QStringLiteral("corvane.example"));
    QApplication::setDesktopFileName(QStringLiteral("example.corvane.Pallion"));

    viewer::ui::CEnvelonApp app;
    QObject::connect(&app, &viewer::ui::CEnvelonApp::StartUpFinished, &application,
                     [](bool running, int exitCode) {
                         if (!running) {
                             QCoreApplication::exit(exitCode);
                         }
                     });
    // For benchmarks: end as soon as the first window is on screen, saying when that was.
    if (secure_getenv("PALLION_EXIT_WHEN_SHOWN")) {
        QObject::connect(&app, &viewer::ui::CEnvelonApp::FirstWindowShown, &application, [] {
            std::puts("shown");
            std::fflush(stdout);
            QCoreApplication::exit(EXIT_SUCCESS);
        });
    }
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    app.Start(arguments);
    return QApplication::exec();
}

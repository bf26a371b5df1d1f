#include "tests/viewer/ui/qt_environment.h"

#include <cstdlib>
#include <filesystem>
#include <memory>

#include <QApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include "tests/support/test_files.h"

namespace ui_testing {

namespace {

class QtEnvironment final : public ::testing::Environment {
public:
    void SetUp() override
    {
        const std::string runtime = testing_support::Scratch() + "runtime";
        std::filesystem::create_directory(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("PALLION_SPLASH_MS", "0", 1);
        ::setenv("PALLION_LIBDIR", PALLION_BIN_DIR, 1);
        QApplication::setAttribute(Qt::AA_DontShowIconsInMenus);
        m_application = std::make_unique<QApplication>(m_argc, m_argv);
    }

    void TearDown() override
    {
        FlushDeletions();
        m_application.reset();
    }

private:
    int m_argc = 1;
    char m_name[16] = "pallion-test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_application;
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace

bool SpinUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

void FlushDeletions()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace ui_testing

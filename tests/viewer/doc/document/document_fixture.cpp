#include "tests/viewer/doc/document/document_fixture.h"

#include <cstdlib>
#include <sys/stat.h>

#include "tests/support/test_files.h"

namespace testing_support {

void DocumentTest::SetUp()
{
    ::setenv("PALLION_LIBDIR", PALLION_BIN_DIR, 1);
    viewer::doc::app::RegisterStreamServer();
}

void DocumentTest::TearDown() { viewer::doc::app::UnloadFerrule(&m_app.Context().m_ferrule); }

void DocumentTest::UseFerrule(const std::string& variant)
{
    // The stand-in's folder is the only one named (the stream server is already registered by
    // its absolute path). The test program's run path leads the system's search to the real
    // library, so "missing" stands for a library that cannot be loaded: a file of that name
    // that is no library, which the search takes before looking further.
    std::string folder = std::string(PALLION_TEST_DIR) + "/ferrule-" + variant;
    if (variant == "missing") {
        folder = Scratch() + "ferrule-missing";
        ::mkdir(folder.c_str(), 0700);
        WriteFile(folder + "/libferrule.so", std::string("not a library"));
    }
    ::setenv("PALLION_LIBDIR", folder.c_str(), 1);
}

} // namespace testing_support

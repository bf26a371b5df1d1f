#include "tests/viewer/doc/document_fixture.h"

#include <cstdlib>

namespace testing_support {

void DocumentTest::SetUp()
{
    ::setenv("PALLION_LIBDIR", PALLION_BIN_DIR, 1);
    viewer::doc::RegisterStreamServer();
}

void DocumentTest::TearDown() { viewer::doc::UnloadFerrule(&m_app.Context().m_ferrule); }

void DocumentTest::UseFerrule(const std::string& variant)
{
    // The stand-in's folder comes first; for "missing" no folder holds the library at all
    // (the stream server is already registered by its absolute path).
    const std::string folder = std::string(PALLION_TEST_DIR) + "/ferrule-" + variant;
    ::setenv("PALLION_LIBDIR", folder.c_str(), 1);
}

} // namespace testing_support

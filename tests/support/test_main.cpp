// main() of every test program: a private scratch folder per process, holding the
// temporary folder (TMPDIR) and the registration store (PALLION_REGISTRY), removed at exit.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/test_files.h"

namespace testing_support {

namespace {
std::string g_scratch;
}

const std::string& Scratch() { return g_scratch; }

} // namespace testing_support

int main(int argc, char** argv)
{
    std::string pattern = std::filesystem::temp_directory_path().string() + "/pallion-test-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        return 2;
    }
    testing_support::g_scratch = pattern + "/";
    std::filesystem::create_directory(testing_support::TempDir());
    ::setenv("TMPDIR", testing_support::TempDir().c_str(), 1);
    ::setenv("PALLION_REGISTRY", (testing_support::g_scratch + "registry.reg").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (testing_support::g_scratch + "config").c_str(), 1);

    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();

    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
    return result;
}

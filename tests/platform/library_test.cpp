// Loading libraries by name from the program's folders, and symbol lookup.
#include "platform/library.h"

#include <climits>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/files.h"
#include "tests/support/test_files.h"

using namespace platform;
using testing_support::Scratch;

namespace {

const std::string kServerName = "libpallion_test_server.so";

std::string ServerFolder()
{
    const std::string path = PALLION_TEST_SERVER;
    return path.substr(0, path.rfind('/'));
}

std::string Real(const std::string& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? resolved : "";
}

int LocalFunction() { return 1; }

} // namespace

TEST(Library, LoadsByNameFromTheLibraryFolders)
{
    ::setenv("PALLION_LIBDIR", (Scratch() + "none:" + ":" + ServerFolder()).c_str(), 1);
    EXPECT_EQ(ResolveLibraryPath(kServerName), Real(PALLION_TEST_SERVER));
    Library library;
    ASSERT_EQ(LoadLibraryByName(kServerName, &library), S_OK);
    EXPECT_TRUE(library.Loaded());

    void* address = nullptr;
    ASSERT_EQ(library.Symbol("DllGetClassObject", &address), S_OK);
    EXPECT_NE(address, nullptr);
    EXPECT_EQ(library.Symbol("Missing", &address), E_PROC_NOT_FOUND);
    // Internal functions are not exported.
    EXPECT_EQ(library.Symbol("_ZN8platform16RegistryStorePathEv", &address), E_PROC_NOT_FOUND);
    StatusCode (*canUnload)() = nullptr;
    ASSERT_EQ(library.Find("DllCanUnloadNow", &canUnload), S_OK);
    EXPECT_EQ(canUnload(), S_OK);

    std::string path;
    ASSERT_EQ(ModulePathOf(reinterpret_cast<const void*>(canUnload), &path), S_OK);
    EXPECT_EQ(path, Real(PALLION_TEST_SERVER));
    ASSERT_EQ(ModulePathOf(reinterpret_cast<const void*>(&LocalFunction), &path), S_OK);
    EXPECT_EQ(path, Real("/proc/self/exe"));
    EXPECT_EQ(ExecutableFolder(), std::string(PALLION_TEST_DIR) + "/");
}

TEST(Library, MissingEverywhereIsModuleNotFound)
{
    // (dlopen's own search would also find a library of that name loaded earlier.)
    const std::string name = "libpallion_nowhere.so";
    ::setenv("PALLION_LIBDIR", Scratch().c_str(), 1);
    Library library;
    EXPECT_EQ(ResolveLibraryPath(kServerName), "");
    EXPECT_EQ(LoadLibraryByName(name, &library), E_MOD_NOT_FOUND);
    ::unsetenv("PALLION_LIBDIR");
    EXPECT_EQ(LoadLibraryByName(name, &library), E_MOD_NOT_FOUND);
    EXPECT_EQ(LoadLibraryByName("", &library), E_MOD_NOT_FOUND);
    EXPECT_EQ(LoadLibraryByName(Scratch() + "nowhere.so", &library), E_MOD_NOT_FOUND);
    EXPECT_FALSE(library.Loaded());
    void* address = nullptr;
    EXPECT_EQ(library.Symbol("x", &address), E_UNEXPECTED);
}

TEST(Library, FirstCandidateWinsEvenWhenItIsBroken)
{
    // A stand-in earlier in the list hides the real library: a test decides what is seen.
    const std::string first = Scratch() + "first";
    ASSERT_EQ(::mkdir(first.c_str(), 0700), 0);
    testing_support::WriteFile(first + "/" + kServerName, std::string("not a library"));
    ::setenv("PALLION_LIBDIR", (first + ":" + ServerFolder()).c_str(), 1);
    EXPECT_EQ(ResolveLibraryPath(kServerName), Real(first + "/" + kServerName));
    Library library;
    EXPECT_EQ(LoadLibraryByName(kServerName, &library), E_MOD_NOT_FOUND);
}

TEST(Library, SystemSearchComesLast)
{
    ::setenv("PALLION_LIBDIR", Scratch().c_str(), 1);
    EXPECT_EQ(ResolveLibraryPath("libuuid.so.1"), "");
    Library library;
    EXPECT_EQ(LoadLibraryByName("libuuid.so.1", &library), S_OK);
    Library moved = std::move(library);
    EXPECT_FALSE(library.Loaded());
    EXPECT_TRUE(moved.Loaded());
}

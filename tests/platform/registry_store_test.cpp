// The store file: where it lives, how changes land, concurrent writers, recovery of a
// malformed file and the in-memory fallback.
#include "platform/registry.h"

#include <cstdlib>
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/test_files.h"

using namespace platform;
using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::Scratch;

namespace {

std::string StoreText()
{
    const auto bytes = ReadFile(RegistryStorePath());
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> FilesNamed(const std::string& folder, std::string_view part)
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            if (std::string(entry->d_name).find(part) != std::string::npos) {
                names.push_back(folder + entry->d_name);
            }
        }
        ::closedir(dir);
    }
    return names;
}

// Points the store somewhere else for one test.
class StoreAt {
public:
    explicit StoreAt(const std::string& path) : m_old(RegistryStorePath())
    {
        ::setenv("PALLION_REGISTRY", path.c_str(), 1);
    }
    ~StoreAt() { ::setenv("PALLION_REGISTRY", m_old.c_str(), 1); }

private:
    std::string m_old;
};

} // namespace

TEST(RegistryStore, WritesAndReadsTextAndNumbers)
{
    EXPECT_EQ(RegistryStorePath(), Scratch() + "registry.reg");
    ASSERT_EQ(RegistryWriteText(RegistryRoot::ClassesRoot, "corvane.rillex", "", "rillex class"), S_OK);
    ASSERT_EQ(RegistryWriteNumber(RegistryRoot::LocalMachine, "SOFTWARE\\corvane.example", "RawView", 1), S_OK);
    ASSERT_EQ(RegistryWriteText(RegistryRoot::ClassesRoot, "x", "path", "C:\\a \"b\""), S_OK);

    RegistryValue value;
    ASSERT_EQ(RegistryReadValue(RegistryRoot::LocalMachine, "software\\CORVANE.EXAMPLE", "rawview", &value),
              S_OK);
    EXPECT_EQ(value.type, REG_DWORD);
    EXPECT_EQ(value.number, 1u);
    std::string text;
    ASSERT_EQ(RegistryReadText(RegistryRoot::ClassesRoot, "x", "path", &text), S_OK);
    EXPECT_EQ(text, "C:\\a \"b\"");
    EXPECT_EQ(RegistryReadText(RegistryRoot::LocalMachine, "SOFTWARE\\corvane.example", "RawView", &text),
              E_INVALID_DATA);
    EXPECT_EQ(RegistryReadValue(RegistryRoot::ClassesRoot, "missing", "", &value), E_FILE_NOT_FOUND);
    EXPECT_EQ(RegistryReadValue(RegistryRoot::ClassesRoot, "corvane.rillex", "nope", &value), E_FILE_NOT_FOUND);
    // Same key name, other root.
    EXPECT_EQ(RegistryReadValue(RegistryRoot::LocalMachine, "corvane.rillex", "", &value), E_FILE_NOT_FOUND);

    const std::string file = StoreText();
    EXPECT_NE(file.find("[HKEY_CLASSES_ROOT\\corvane.rillex]\n@=\"rillex class\"\n"), std::string::npos);
    EXPECT_NE(file.find("\"RawView\"=dword:00000001\n"), std::string::npos);
    EXPECT_NE(file.find("\"path\"=\"C:\\\\a \\\"b\\\"\"\n"), std::string::npos);
    struct stat info {};
    ASSERT_EQ(::stat(RegistryStorePath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(RegistryStore, MissingStoreReadsAsNotFound)
{
    StoreAt store(Scratch() + "nothing/here.reg");
    RegistryValue value;
    EXPECT_EQ(RegistryReadValue(RegistryRoot::ClassesRoot, "a", "", &value), E_FILE_NOT_FOUND);
    EXPECT_FALSE(FileExists(Scratch() + "nothing/here.reg"));
}

TEST(RegistryStore, LocationFollowsTheEnvironmentAtEachUse)
{
    ::unsetenv("PALLION_REGISTRY");
    ::setenv("XDG_CONFIG_HOME", (Scratch() + "cfg").c_str(), 1);
    EXPECT_EQ(RegistryStorePath(), Scratch() + "cfg/corvane/registry.reg");
    ASSERT_EQ(RegistryWriteText(RegistryRoot::ClassesRoot, "k", "", "v"), S_OK);
    EXPECT_TRUE(FileExists(Scratch() + "cfg/corvane/registry.reg"));
    struct stat info {};
    ASSERT_EQ(::stat((Scratch() + "cfg/corvane").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    ::setenv("HOME", (Scratch() + "home").c_str(), 1);
    EXPECT_EQ(RegistryStorePath(), Scratch() + "home/.config/corvane/registry.reg");
    ::setenv("PALLION_REGISTRY", (Scratch() + "registry.reg").c_str(), 1);
    EXPECT_EQ(RegistryStorePath(), Scratch() + "registry.reg");
}

TEST(RegistryStore, TransactionLandsAllChangesOrNone)
{
    {
        Transaction abandoned;
        ASSERT_EQ(abandoned.Begin(), S_OK);
        ASSERT_EQ(abandoned.SetText(RegistryRoot::ClassesRoot, "p", "", "never"), S_OK);
    }
    RegistryValue value;
    EXPECT_EQ(RegistryReadValue(RegistryRoot::ClassesRoot, "p", "", &value), E_FILE_NOT_FOUND);

    Transaction transaction;
    ASSERT_EQ(transaction.Begin(), S_OK);
    ASSERT_EQ(transaction.SetText(RegistryRoot::ClassesRoot, "p", "", "one"), S_OK);
    ASSERT_EQ(transaction.SetText(RegistryRoot::ClassesRoot, "p\\CLSID", "", "two"), S_OK);
    ASSERT_EQ(transaction.SetNumber(RegistryRoot::LocalMachine, "q", "n", 3), S_OK);
    // Readers see the old store until the commit.
    EXPECT_EQ(RegistryReadValue(RegistryRoot::ClassesRoot, "p", "", &value), E_FILE_NOT_FOUND);
    ASSERT_EQ(transaction.Commit(), S_OK);
    EXPECT_EQ(transaction.Commit(), E_UNEXPECTED);
    ASSERT_EQ(RegistryReadValue(RegistryRoot::ClassesRoot, "p\\clsid", "", &value), S_OK);
    EXPECT_EQ(value.text, "two");
    ASSERT_EQ(RegistryReadValue(RegistryRoot::LocalMachine, "q", "n", &value), S_OK);
    EXPECT_EQ(value.number, 3u);
    // Nothing is left behind beside the store.
    EXPECT_TRUE(FilesNamed(Scratch(), ".broken-").empty());
    EXPECT_TRUE(FilesNamed(Scratch(), ".tmp-").empty());
}

TEST(RegistryStore, ConcurrentWritersLoseNothing)
{
    constexpr int kWriters = 4;
    constexpr int kChanges = 40;
    std::vector<pid_t> children;
    for (int writer = 0; writer < kWriters; ++writer) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int failures = 0;
            for (int i = 0; i < kChanges; ++i) {
                Transaction transaction;
                const std::string key = "w" + std::to_string(writer);
                failures += Failed(transaction.Begin()) ||
                            Failed(transaction.SetNumber(RegistryRoot::ClassesRoot, key,
                                                         "v" + std::to_string(i), i)) ||
                            Failed(transaction.SetText(RegistryRoot::ClassesRoot, key + "\\pair",
                                                       "v" + std::to_string(i), "x")) ||
                            Failed(transaction.Commit());
            }
            ::_exit(failures == 0 ? 0 : 1);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    RegistryData data;
    ASSERT_EQ(RegistryData::Parse(StoreText(), &data), S_OK);
    for (int writer = 0; writer < kWriters; ++writer) {
        for (int i = 0; i < kChanges; ++i) {
            const std::string key = "w" + std::to_string(writer);
            RegistryValue value;
            ASSERT_EQ(data.GetValue(RegistryRoot::ClassesRoot, key, "v" + std::to_string(i), &value), S_OK)
                << key << " v" << i;
            EXPECT_EQ(value.number, static_cast<std::uint32_t>(i));
            EXPECT_EQ(data.GetValue(RegistryRoot::ClassesRoot, key + "\\pair", "v" + std::to_string(i), &value),
                      S_OK);
        }
    }
}

TEST(RegistryStore, MalformedStoreIsKeptAsideAndReplaced)
{
    const std::string garbage = "[HKEY_CLASSES_ROOT\\corvane.rillex]\n@=\"rillex cl";
    testing_support::WriteFile(RegistryStorePath(), garbage);

    // Plain reads never change the file.
    RegistryValue value;
    EXPECT_EQ(RegistryReadValue(RegistryRoot::ClassesRoot, "corvane.rillex", "", &value), E_FILE_NOT_FOUND);
    EXPECT_EQ(StoreText(), garbage);

    EXPECT_EQ(RegistryWriteText(RegistryRoot::ClassesRoot, "fresh", "", "start"), REGISTRY_S_STORE_RECOVERED);
    EXPECT_TRUE(Succeeded(REGISTRY_S_STORE_RECOVERED));
    auto broken = FilesNamed(Scratch(), ".broken-");
    ASSERT_EQ(broken.size(), 1u);
    EXPECT_EQ(broken[0].rfind(Scratch() + "registry.reg.broken-", 0), 0u);
    EXPECT_EQ(ReadFile(broken[0]), std::vector<std::uint8_t>(garbage.begin(), garbage.end()));
    ASSERT_EQ(RegistryReadValue(RegistryRoot::ClassesRoot, "fresh", "", &value), S_OK);
    EXPECT_EQ(value.text, "start");
    EXPECT_EQ(StoreText().find("rillex"), std::string::npos);

    // A second breakage in the same second keeps the first copy.
    testing_support::WriteFile(RegistryStorePath(), std::string("\x00\xFF garbage", 10));
    Transaction transaction;
    EXPECT_EQ(transaction.Begin(), REGISTRY_S_STORE_RECOVERED);
    EXPECT_TRUE(transaction.Data().Empty());
    ASSERT_EQ(transaction.Commit(), S_OK);
    broken = FilesNamed(Scratch(), ".broken-");
    EXPECT_EQ(broken.size(), 2u);
    EXPECT_EQ(RegistryWriteText(RegistryRoot::ClassesRoot, "after", "", "fine"), S_OK);
}

TEST(RegistryStore, UnwritableFolderKeepsRegistrationsInMemory)
{
    // A path below a regular file cannot be created, even by root.
    testing_support::WriteFile(Scratch() + "plainfile", std::string("x"));
    const std::string unwritable = Scratch() + "plainfile/corvane/registry.reg";
    {
        StoreAt store(unwritable);
        EXPECT_FALSE(RegistryInMemory());
        ASSERT_EQ(RegistryWriteText(RegistryRoot::ClassesRoot, "corvane.rillex\\CLSID", "", "{1}"), S_OK);
        EXPECT_TRUE(RegistryInMemory());
        Transaction transaction;
        ASSERT_EQ(transaction.Begin(), S_OK);
        ASSERT_EQ(transaction.SetNumber(RegistryRoot::LocalMachine, "s", "RawView", 1), S_OK);
        ASSERT_EQ(transaction.Commit(), S_OK);
        std::string text;
        ASSERT_EQ(RegistryReadText(RegistryRoot::ClassesRoot, "corvane.rillex\\clsid", "", &text), S_OK);
        EXPECT_EQ(text, "{1}");
        RegistryValue value;
        ASSERT_EQ(RegistryReadValue(RegistryRoot::LocalMachine, "s", "RawView", &value), S_OK);
        EXPECT_EQ(value.number, 1u);
    }
    // The memory store belongs to that path only: the file store is back.
    EXPECT_FALSE(RegistryInMemory());
    std::string text;
    EXPECT_EQ(RegistryReadText(RegistryRoot::ClassesRoot, "corvane.rillex\\CLSID", "", &text), E_FILE_NOT_FOUND);
    ASSERT_EQ(RegistryWriteText(RegistryRoot::ClassesRoot, "k", "", "on disk"), S_OK);
    EXPECT_NE(StoreText().find("on disk"), std::string::npos);

    // A child process starts without the parent's memory store.
    StoreAt store(unwritable);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::_exit(RegistryInMemory() ? 0 : 1); // a fork shares it...
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 1); // ...but the process id tells it is not its own
}

TEST(RegistryStore, ReadOnlyFolderStillShowsItsStore)
{
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permission bits do not stop root";
    }
    const std::string folder = Scratch() + "readonly/";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    StoreAt store(folder + "registry.reg");
    ASSERT_EQ(RegistryWriteText(RegistryRoot::ClassesRoot, "before", "", "on disk"), S_OK);
    ASSERT_EQ(::chmod(folder.c_str(), 0500), 0);
    ASSERT_EQ(RegistryWriteText(RegistryRoot::ClassesRoot, "after", "", "in memory"), S_OK);
    std::string text;
    EXPECT_EQ(RegistryReadText(RegistryRoot::ClassesRoot, "before", "", &text), S_OK);
    EXPECT_EQ(RegistryReadText(RegistryRoot::ClassesRoot, "after", "", &text), S_OK);
    EXPECT_TRUE(RegistryInMemory());
    ::chmod(folder.c_str(), 0700);
}

TEST(RegistryStore, UnreadableStoreIsNeverReplaced)
{
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permission bits do not stop root";
    }
    ASSERT_EQ(RegistryWriteText(RegistryRoot::ClassesRoot, "precious", "", "keep"), S_OK);
    const auto before = ReadFile(RegistryStorePath());
    ASSERT_EQ(::chmod(RegistryStorePath().c_str(), 0200), 0);
    EXPECT_EQ(RegistryWriteText(RegistryRoot::ClassesRoot, "new", "", "value"), S_OK);
    EXPECT_TRUE(RegistryInMemory());
    ASSERT_EQ(::chmod(RegistryStorePath().c_str(), 0600), 0);
    EXPECT_EQ(ReadFile(RegistryStorePath()), before);
}

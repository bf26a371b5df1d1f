#include "platform/private_temp.h"

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/support/test_files.h"

using namespace platform;
using testing_support::FileExists;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

// A folder in the form of a private temporary folder of `pid`, holding one file.
std::string FakeFolder(pid_t pid, const char* suffix)
{
    const std::string folder = TempDir() + "tnf" + std::to_string(pid) + "." + suffix;
    ::mkdir(folder.c_str(), 0700);
    WriteFile(folder + "/tnfAbCdEf.tmp", std::string("a copy of a mail"));
    return folder;
}

pid_t EndedProcess()
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return child;
}

} // namespace

TEST(PrivateTempFolder, IsThisProcesssOwnAndSharedThroughTheEnvironment)
{
    std::string folder;
    ASSERT_EQ(PrivateTempFolder(&folder), S_OK);
    const std::string prefix = TempDir() + "tnf" + std::to_string(::getpid()) + ".";
    ASSERT_EQ(folder.rfind(prefix, 0), 0u);
    EXPECT_EQ(folder.size(), prefix.size() + 7);
    struct stat info {};
    ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(std::string(std::getenv(kPrivateTempVariable)) + "/", folder);

    std::string again;
    ASSERT_EQ(PrivateTempFolder(&again), S_OK);
    EXPECT_EQ(again, folder);
    std::string file;
    ASSERT_EQ(CreateUniqueTempFile("tnf", &file), S_OK);
    EXPECT_EQ(file.rfind(folder + "tnf", 0), 0u);
    ::unlink(file.c_str());
}

TEST(PrivateTempFolder, AnotherProcesssRecordOrAFolderGoneIsNotTaken)
{
    std::string ours;
    ASSERT_EQ(PrivateTempFolder(&ours), S_OK);
    // What a child would inherit from its parent.
    const std::string parents = FakeFolder(::getppid(), "PaReNt");
    ::setenv(kPrivateTempVariable, parents.c_str(), 1);
    std::string folder;
    ASSERT_EQ(PrivateTempFolder(&folder), S_OK);
    EXPECT_NE(folder, parents + "/");
    EXPECT_EQ(folder.rfind(TempDir() + "tnf" + std::to_string(::getpid()) + ".", 0), 0u);

    ASSERT_EQ(::rmdir(folder.c_str()), 0);
    std::string remade;
    ASSERT_EQ(PrivateTempFolder(&remade), S_OK);
    EXPECT_TRUE(FileExists(remade));
    std::system(("rm -rf '" + parents + "'").c_str());
}

TEST(PrivateTempFolder, OrphansOfEndedProcessesGoAndLiveOnesStay)
{
    const std::string orphan = FakeFolder(EndedProcess(), "OrPhAn");
    const std::string live = FakeFolder(::getppid(), "LiVeOn");
    const std::string notAFolder = TempDir() + "tnf" + std::to_string(EndedProcess()) + ".NoTdIr";
    WriteFile(notAFolder, std::string("a file"));

    EXPECT_EQ(RemoveOrphanedTempFolders(), 1u);
    EXPECT_FALSE(FileExists(orphan));
    EXPECT_TRUE(FileExists(live + "/tnfAbCdEf.tmp"));
    EXPECT_TRUE(FileExists(notAFolder));
    std::system(("rm -rf '" + live + "' '" + notAFolder + "'").c_str());
}

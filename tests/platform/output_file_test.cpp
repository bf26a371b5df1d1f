#include "platform/output_file.h"

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/file_io.h"
#include "tests/support/test_files.h"

using namespace platform;
using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::Scratch;
using testing_support::WriteFile;

namespace {

std::string Text(const std::string& path)
{
    const auto bytes = ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// A fresh folder under the scratch folder.
std::string Folder(const std::string& name)
{
    const std::string folder = Scratch() + name + "/";
    ::mkdir(folder.c_str(), 0700);
    return folder;
}

} // namespace

TEST(OutputFile, AppearsWholeOnlyWhenCommittedAndReplacesInOneStep)
{
    const std::string folder = Folder("whole");
    {
        OutputFile file;
        ASSERT_EQ(file.Open(folder + "new.txt"), S_OK);
        ASSERT_EQ(WriteAll(file.Fd(), "half"), S_OK);
    }
    EXPECT_FALSE(FileExists(folder + "new.txt"));

    const std::string old = folder + "old.txt";
    WriteFile(old, std::string("old"));
    ASSERT_EQ(::chmod(old.c_str(), 0640), 0);
    OutputFile file;
    ASSERT_EQ(file.Open(old), S_OK);
    ASSERT_EQ(WriteAll(file.Fd(), "new"), S_OK);
    EXPECT_EQ(Text(old), "old");
    ASSERT_EQ(file.Commit(), S_OK);
    EXPECT_EQ(Text(old), "new");
    struct stat info {};
    ASSERT_EQ(::stat(old.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    // Nothing else is left in the folder: no stand-in, no half of the abandoned file.
    EXPECT_EQ(std::system(("test \"$(ls -A '" + folder + "')\" = old.txt").c_str()), 0);
}

TEST(OutputFile, NamingInAFolderNeverReplacesAnythingNorFollowsALink)
{
    const std::string folder = Folder("named");
    WriteFile(folder + "taken", std::string("keep"));
    ASSERT_EQ(::symlink((Scratch() + "victim").c_str(), (folder + "planted").c_str()), 0);
    const UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY));
    OutputFile file;
    ASSERT_EQ(file.OpenIn(dir.Get()), S_OK);
    ASSERT_EQ(WriteAll(file.Fd(), "data"), S_OK);
    EXPECT_EQ(file.CommitAs("taken"), E_FILE_EXISTS);
    EXPECT_EQ(file.CommitAs("planted"), E_FILE_EXISTS);
    EXPECT_EQ(file.CommitAs("../escaped"), E_INVALIDARG);
    ASSERT_EQ(file.CommitAs("free"), S_OK);
    EXPECT_EQ(Text(folder + "taken"), "keep");
    EXPECT_EQ(Text(folder + "free"), "data");
    EXPECT_FALSE(FileExists(Scratch() + "victim"));
}

TEST(OutputFile, LinksAreWrittenThroughAndDevicesDirectly)
{
    const std::string folder = Folder("through");
    WriteFile(folder + "real", std::string("old"));
    ASSERT_EQ(::symlink("real", (folder + "alias").c_str()), 0);
    OutputFile file;
    ASSERT_EQ(file.Open(folder + "alias"), S_OK);
    ASSERT_EQ(WriteAll(file.Fd(), "new"), S_OK);
    ASSERT_EQ(file.Commit(), S_OK);
    EXPECT_EQ(Text(folder + "real"), "new");
    char target[16] = {};
    EXPECT_EQ(::readlink((folder + "alias").c_str(), target, sizeof target - 1), 4);

    OutputFile device;
    ASSERT_EQ(device.Open("/dev/null"), S_OK);
    EXPECT_TRUE(device.Direct());
    EXPECT_EQ(device.Commit(), S_OK);
    OutputFile nowhere;
    EXPECT_EQ(nowhere.Open(Scratch() + "no-such-folder/out"), StatusFromError(ENOENT));
}

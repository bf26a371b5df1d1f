#include "platform/files.h"

#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/test_files.h"

using namespace platform;
using testing_support::FileExists;
using testing_support::TempDir;

TEST(TempFiles, TempFolderFollowsTmpdirWithTrailingSlash)
{
    EXPECT_EQ(TempFolder(), TempDir());
}

TEST(TempFiles, UniqueNamesArePrivateAndDistinct)
{
    std::string first;
    std::string second;
    ASSERT_EQ(CreateUniqueTempFile("tnf", &first), S_OK);
    ASSERT_EQ(CreateUniqueTempFile("tnf", &second), S_OK);
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind(TempDir() + "tnf", 0), 0u);
    EXPECT_EQ(first.substr(first.size() - 4), ".tmp");
    struct stat info {};
    ASSERT_EQ(::stat(first.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ::unlink(first.c_str());
    ::unlink(second.c_str());
}

TEST(TempFiles, ExclusiveCreationRefusesExistingNamesAndPlantedLinks)
{
    const std::string path = TempDir() + "taken.dat";
    ASSERT_EQ(CreateFileExclusive(path), S_OK);
    EXPECT_EQ(CreateFileExclusive(path), E_FILE_EXISTS);
    const std::string link = TempDir() + "planted.dat";
    ASSERT_EQ(::symlink((TempDir() + "nowhere").c_str(), link.c_str()), 0);
    EXPECT_EQ(CreateFileExclusive(link), E_FILE_EXISTS);
    EXPECT_FALSE(FileExists(TempDir() + "nowhere"));
    ::unlink(path.c_str());
    ::unlink(link.c_str());
}

TEST(TempFiles, TempFileRemovesItselfUnlessReleased)
{
    std::string path;
    ASSERT_EQ(CreateUniqueTempFile("tnf", &path), S_OK);
    {
        TempFile owner(path);
    }
    EXPECT_FALSE(FileExists(path));
    ASSERT_EQ(CreateUniqueTempFile("tnf", &path), S_OK);
    {
        TempFile owner(path);
        EXPECT_EQ(owner.Release(), path);
    }
    EXPECT_TRUE(FileExists(path));
    ::unlink(path.c_str());
}

TEST(WholeFileCopy, CopiesBytesAndReplacesTarget)
{
    std::vector<std::uint8_t> bytes(300000);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7);
    }
    const std::string source = TempDir() + "source.bin";
    const std::string target = TempDir() + "target.bin";
    testing_support::WriteFile(source, bytes);
    testing_support::WriteFile(target, std::string(500000, 'x'));
    ASSERT_EQ(CopyWholeFile(source, target), S_OK);
    EXPECT_EQ(testing_support::ReadFile(target), bytes);
    EXPECT_EQ(CopyWholeFile(TempDir() + "missing", target), E_FILE_NOT_FOUND);
    ::unlink(source.c_str());
    ::unlink(target.c_str());
}

TEST(Clock, FileTimeCountsFrom1601)
{
    // 100-nanosecond ticks from 1601-01-01: the system clock's seconds plus the 369 years
    // (11644473600 s) to 1970.
    const auto seconds = static_cast<std::int64_t>(FileTimeNow() / 10000000u) - 11644473600;
    EXPECT_LE(std::llabs(seconds - static_cast<std::int64_t>(std::time(nullptr))), 2);
}

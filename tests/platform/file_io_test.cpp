#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/support/test_files.h"

using namespace platform;
using testing_support::Scratch;

namespace {

UniqueFd OpenScratch(const std::string& name, int flags = O_RDWR | O_CREAT)
{
    return UniqueFd(::open((Scratch() + name).c_str(), flags | O_CLOEXEC, 0600));
}

TEST(FileIo, ReadAllStopsAtTheEndAndReportsWhatCame)
{
    const UniqueFd fd = OpenScratch("read.bin", O_RDWR | O_CREAT | O_TRUNC);
    ASSERT_TRUE(fd.Valid());
    const std::string text(100, 'r');
    ASSERT_EQ(WriteAll(fd.Get(), text, 0), S_OK);
    char buffer[200] = {};
    std::size_t got = 0;
    EXPECT_EQ(ReadAll(fd.Get(), buffer, sizeof buffer, &got, 0), S_OK);
    EXPECT_EQ(got, 100u);
    EXPECT_EQ(ReadAll(fd.Get(), buffer, sizeof buffer, &got, 90), S_OK);
    EXPECT_EQ(got, 10u);
    const UniqueFd writeOnly = OpenScratch("read.bin", O_WRONLY);
    EXPECT_EQ(ReadAll(writeOnly.Get(), buffer, sizeof buffer, &got), StatusFromError(EBADF));
    EXPECT_EQ(got, 0u);
}

TEST(FileIo, WholeFileReadRefusesMoreThanItsLimit)
{
    const UniqueFd fd = OpenScratch("whole.bin", O_RDWR | O_CREAT | O_TRUNC);
    ASSERT_EQ(WriteAll(fd.Get(), std::string(70000, 'w'), 0), S_OK);
    std::string text;
    EXPECT_EQ(ReadWholeFile(fd.Get(), 70000, &text), S_OK);
    EXPECT_EQ(text.size(), 70000u);
    EXPECT_EQ(ReadWholeFile(fd.Get(), 69999, &text), E_INVALID_DATA);
}

TEST(FileIo, LockHeldElsewhereIsASharingViolationWithoutWaiting)
{
    const UniqueFd first = OpenScratch("locked.bin");
    const UniqueFd second = OpenScratch("locked.bin");
    ASSERT_EQ(LockFile(first.Get(), LOCK_EX, LockWait::DontWait), S_OK);
    EXPECT_EQ(LockFile(second.Get(), LOCK_SH, LockWait::DontWait), E_SHARING_VIOLATION);
    ASSERT_EQ(LockFile(first.Get(), LOCK_UN, LockWait::Wait), S_OK);
    EXPECT_EQ(LockFile(second.Get(), LOCK_SH, LockWait::DontWait), S_OK);
}

TEST(FileIo, NumberedCreationPassesTakenNamesAndPlantedLinks)
{
    const std::string base = Scratch() + "numbered";
    const auto nameFor = [&](std::uint32_t n) { return base + std::to_string(n); };
    testing_support::WriteFile(nameFor(0), std::string("taken"));
    ASSERT_EQ(::symlink((Scratch() + "victim").c_str(), nameFor(1).c_str()), 0);
    std::string path;
    UniqueFd fd;
    ASSERT_EQ(CreateFirstFreeFile(nameFor, 5, &path, &fd), S_OK);
    EXPECT_EQ(path, nameFor(2));
    EXPECT_TRUE(fd.Valid());
    EXPECT_FALSE(testing_support::FileExists(Scratch() + "victim"));
    // Every name taken: the series ends, naming its last try.
    EXPECT_EQ(CreateFirstFreeFile(nameFor, 3, &path), E_FILE_EXISTS);
    EXPECT_EQ(path, nameFor(2));
    EXPECT_EQ(CreateFirstFreeFile([](std::uint32_t) { return std::string(); }, 3, &path),
              StatusFromError(ENAMETOOLONG));
}

} // namespace

// Copies past 4 GiB: the totals and positions are 64-bit throughout. The source is a
// sparse file, so the test needs no disk space, only time to read the holes.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/stream/stream_test_support.h"
#include "tests/support/test_files.h"

using namespace platform;

TEST(StreamOnFileLarge, CopyToPastFourGibibytesReportsFullTotals)
{
    constexpr std::uint64_t kSize = 0x100000000ull + 3 * 65536 + 17;
    const std::string path = testing_support::TempDir() + "sparse";
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    if (::ftruncate(fd, static_cast<off_t>(kSize)) != 0) {
        ::close(fd);
        GTEST_SKIP() << "the filesystem cannot hold a sparse file of this size";
    }
    ASSERT_EQ(::pwrite(fd, "tail", 4, static_cast<off_t>(kSize - 4)), 4);
    ::close(fd);

    auto stream = stream_test::OpenStream(path, kModeTemporaryInput);
    ASSERT_TRUE(stream);
    stream_test::SinkStream sink;
    std::uint64_t read = 0;
    std::uint64_t written = 0;
    // A limit above 4 GiB is honoured exactly, not cut to 32 bits...
    constexpr std::uint64_t kFirst = 0x100000001ull;
    ASSERT_EQ(stream->CopyTo(&sink, kFirst, &read, &written), S_OK);
    EXPECT_EQ(read, kFirst);
    EXPECT_EQ(written, kFirst);
    std::uint64_t position = 0;
    ASSERT_EQ(stream->Seek(0, STREAM_SEEK_CUR, &position), S_OK);
    EXPECT_EQ(position, kFirst);
    // ...and an unlimited copy stops at the end of the file.
    ASSERT_EQ(stream->CopyTo(&sink, UINT64_MAX, &read, &written), S_OK);
    EXPECT_EQ(read, kSize - kFirst);
    EXPECT_EQ(written, kSize - kFirst);
    EXPECT_EQ(sink.bytes, kSize);
    STATSTG stat{};
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize, kSize);
}

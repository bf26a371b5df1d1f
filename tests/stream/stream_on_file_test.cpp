#include "stream/stream_on_file.h"

#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "platform/memory_stream.h"
#include "stream/module.h"
#include "tests/stream/stream_test_support.h"
#include "tests/support/test_files.h"

using namespace platform;
using rillex::StreamOnFile;
using stream_test::OpenStream;
using stream_test::SinkStream;
using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed = 1)
{
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t x = seed;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    return bytes;
}

std::uint64_t Position(IStream* stream)
{
    std::uint64_t position = UINT64_MAX;
    EXPECT_EQ(stream->Seek(0, STREAM_SEEK_CUR, &position), S_OK);
    return position;
}

constexpr std::uint32_t kReadOnly = STGM_READ | STGM_SHARE_EXCLUSIVE;

} // namespace

TEST(StreamOnFile, ReadsShortAtTheEndThenNothing)
{
    const std::string path = TempDir() + "short";
    WriteFile(path, Pattern(100));
    auto stream = OpenStream(path, kReadOnly);
    ASSERT_TRUE(stream);
    ASSERT_EQ(stream->Seek(-4, STREAM_SEEK_END, nullptr), S_OK);
    std::uint8_t buffer[10] = {};
    std::uint32_t done = 99;
    EXPECT_EQ(stream->Read(buffer, 10, &done), S_OK);
    EXPECT_EQ(done, 4u);
    EXPECT_EQ(std::memcmp(buffer, Pattern(100).data() + 96, 4), 0);
    EXPECT_EQ(stream->Read(buffer, 10, &done), S_OK);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(Position(stream.Get()), 100u);
}

TEST(StreamOnFile, LoadCreatesAMissingFileAndReportsPlatformErrors)
{
    const std::string path = TempDir() + "created";
    StatusCode status = E_FAIL;
    auto stream = OpenStream(path, STGM_READ, &status);
    EXPECT_EQ(status, S_OK);
    EXPECT_TRUE(FileExists(path));
    EXPECT_TRUE(ReadFile(path).empty());

    OpenStream(TempDir() + "no-such-folder/file", STGM_READ, &status);
    EXPECT_EQ(status, E_FILE_NOT_FOUND);
    OpenStream(TempDir(), STGM_READ, &status);
    EXPECT_EQ(status, StatusFromError(EISDIR));

    auto* object = StreamOnFile::Create();
    EXPECT_EQ(static_cast<IPersistFile*>(object)->Load(nullptr, STGM_READ), E_POINTER);
    static_cast<IStream*>(object)->Release();
}

TEST(StreamOnFile, ReplaceModeEmptiesAnExistingFile)
{
    const std::string path = TempDir() + "replaced";
    WriteFile(path, "old contents");
    auto stream = OpenStream(path, STGM_READWRITE | STGM_CREATE | STGM_SHARE_EXCLUSIVE);
    ASSERT_TRUE(stream);
    EXPECT_TRUE(ReadFile(path).empty());
    stream.Reset();
    // Read access with replace still empties the file, but gives no write access.
    WriteFile(path, "again");
    stream = OpenStream(path, STGM_READ | STGM_CREATE);
    ASSERT_TRUE(stream);
    EXPECT_TRUE(ReadFile(path).empty());
    std::uint32_t done = 0;
    EXPECT_EQ(stream->Write("x", 1, &done), E_ACCESSDENIED);
    EXPECT_EQ(stream->SetSize(5), E_ACCESSDENIED);
}

TEST(StreamOnFile, DeleteOnReleaseUnlinksAtLoadAndKeepsDataUntilRelease)
{
    const std::string path = TempDir() + "temporary";
    WriteFile(path, "temporary data");
    auto stream = OpenStream(path, kModeTemporaryInput);
    ASSERT_TRUE(stream);
    EXPECT_FALSE(FileExists(path));
    char buffer[32] = {};
    std::uint32_t done = 0;
    ASSERT_EQ(stream->Read(buffer, sizeof buffer, &done), S_OK);
    EXPECT_EQ(std::string(buffer, done), "temporary data");
    stream.Reset();
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(rillex::ModuleLockCount(), 0);
}

TEST(StreamOnFile, AccessModesLimitReadsAndWrites)
{
    const std::string path = TempDir() + "access";
    WriteFile(path, "abc");
    std::uint8_t buffer[4] = {};
    std::uint32_t done = 0;
    auto reader = OpenStream(path, STGM_READ);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->Write("x", 1, &done), E_ACCESSDENIED);
    reader.Reset();
    auto writer = OpenStream(path, STGM_WRITE);
    ASSERT_TRUE(writer);
    EXPECT_EQ(writer->Read(buffer, 1, &done), E_ACCESSDENIED);
    EXPECT_EQ(writer->Write("xy", 2, &done), S_OK);
    EXPECT_EQ(done, 2u);
    writer.Reset();
    const auto bytes = ReadFile(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "xyc");
}

TEST(StreamOnFile, FileOperationsBeforeLoadAreUnexpected)
{
    auto* object = StreamOnFile::Create();
    ComPtr<IStream> stream;
    stream.Attach(object);
    std::uint8_t buffer[4] = {};
    std::uint32_t done = 7;
    SinkStream sink;
    STATSTG stat{};
    EXPECT_EQ(stream->Read(buffer, 4, &done), E_UNEXPECTED);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(stream->Write(buffer, 4, &done), E_UNEXPECTED);
    EXPECT_EQ(stream->Seek(0, STREAM_SEEK_SET, nullptr), E_UNEXPECTED);
    EXPECT_EQ(stream->SetSize(0), E_UNEXPECTED);
    EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), E_UNEXPECTED);
    EXPECT_EQ(stream->CopyTo(&sink, 10, nullptr, nullptr), E_UNEXPECTED);
    // Argument checks come first, and a count of 0 succeeds even without a file.
    EXPECT_EQ(stream->Read(nullptr, 4, &done), STG_E_INVALIDPOINTER);
    EXPECT_EQ(stream->Write(nullptr, 4, &done), STG_E_INVALIDPOINTER);
    EXPECT_EQ(stream->Read(buffer, 0, &done), S_OK);
    EXPECT_EQ(stream->Stat(nullptr, 0), STG_E_INVALIDPOINTER);
    std::uint64_t read = 9;
    std::uint64_t written = 9;
    EXPECT_EQ(stream->CopyTo(nullptr, 10, &read, &written), STG_E_INVALIDPOINTER);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(written, 0u);
}

TEST(StreamOnFile, SeekMovesFromEachOriginAndRejectsOthers)
{
    const std::string path = TempDir() + "seek";
    WriteFile(path, Pattern(1000));
    auto stream = OpenStream(path, kModeReadWrite);
    ASSERT_TRUE(stream);
    std::uint64_t position = 0;
    EXPECT_EQ(stream->Seek(10, STREAM_SEEK_SET, &position), S_OK);
    EXPECT_EQ(position, 10u);
    EXPECT_EQ(stream->Seek(5, STREAM_SEEK_CUR, &position), S_OK);
    EXPECT_EQ(position, 15u);
    EXPECT_EQ(stream->Seek(0, STREAM_SEEK_CUR, &position), S_OK);
    EXPECT_EQ(position, 15u);
    EXPECT_EQ(stream->Seek(-100, STREAM_SEEK_END, &position), S_OK);
    EXPECT_EQ(position, 900u);
    EXPECT_EQ(stream->Seek(0, 3, &position), E_UNEXPECTED);
    // Before the start fails and leaves the position alone.
    EXPECT_EQ(stream->Seek(-1, STREAM_SEEK_SET, &position), StatusFromError(EINVAL));
    EXPECT_EQ(stream->Seek(INT64_MAX, STREAM_SEEK_CUR, &position), StatusFromError(EOVERFLOW));
    EXPECT_EQ(Position(stream.Get()), 900u);
    // Positions are 64-bit: past 4 GiB nothing is clamped.
    EXPECT_EQ(stream->Seek(0x123456789, STREAM_SEEK_SET, &position), S_OK);
    EXPECT_EQ(position, 0x123456789u);
}

TEST(StreamOnFile, SetSizeCutsOrExtendsAndMovesThePosition)
{
    const std::string path = TempDir() + "size";
    WriteFile(path, Pattern(500));
    auto stream = OpenStream(path, kModeReadWrite);
    ASSERT_TRUE(stream);
    ASSERT_EQ(stream->Seek(100, STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(stream->SetSize(0), S_OK);
    EXPECT_EQ(Position(stream.Get()), 0u);
    EXPECT_TRUE(ReadFile(path).empty());

    // Past 4 GiB (a sparse file): sizes are not clamped to 32 bits.
    constexpr std::uint64_t kLarge = 0x100000010ull;
    ASSERT_EQ(stream->SetSize(kLarge), S_OK);
    EXPECT_EQ(Position(stream.Get()), kLarge);
    STATSTG stat{};
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize, kLarge);
    std::uint32_t done = 0;
    ASSERT_EQ(stream->Write("end", 3, &done), S_OK);
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize, kLarge + 3);
    EXPECT_EQ(stream->SetSize(UINT64_MAX), StatusFromError(EFBIG));
}

TEST(StreamOnFile, StatReportsNameSizeTypeAndTimes)
{
    const std::string path = TempDir() + "stat";
    WriteFile(path, Pattern(1234));
    const FILETIME before = FileTimeNow();
    auto stream = OpenStream(path, kModeReadWrite);
    ASSERT_TRUE(stream);
    STATSTG stat{};
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_DEFAULT), S_OK);
    ASSERT_NE(stat.pwcsName, nullptr);
    EXPECT_EQ(std::u16string(stat.pwcsName), u"StreamOnFile");
    CoTaskMemFree(stat.pwcsName);
    EXPECT_EQ(stat.type, STGTY_STREAM);
    EXPECT_EQ(stat.cbSize, 1234u);
    EXPECT_EQ(stat.grfMode, 0u);
    EXPECT_EQ(stat.grfLocksSupported, LOCK_ONLYONCE);
    EXPECT_EQ(stat.clsid, GUID_NULL);
    EXPECT_GE(stat.ctime, before);
    EXPECT_EQ(stat.mtime, stat.ctime);
    EXPECT_EQ(stat.atime, stat.ctime);
    EXPECT_LE(stat.ctime, FileTimeNow());

    ::usleep(2000);
    std::uint8_t buffer[8];
    ASSERT_EQ(stream->Read(buffer, 8, nullptr), S_OK);
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.pwcsName, nullptr);
    EXPECT_GT(stat.atime, stat.mtime);
    const FILETIME accessed = stat.atime;
    ::usleep(2000);
    ASSERT_EQ(stream->Write(buffer, 8, nullptr), S_OK);
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_GT(stat.mtime, accessed);
    EXPECT_EQ(stat.atime, stat.mtime);
    EXPECT_GT(stat.mtime, stat.ctime);
}

TEST(StreamOnFile, AnswersItsTwoFacesWithOneCount)
{
    auto* object = StreamOnFile::Create();
    IStream* stream = object;
    void* face = nullptr;
    ASSERT_EQ(stream->QueryInterface(IID_IUnknown, &face), S_OK);
    EXPECT_EQ(face, static_cast<void*>(stream));
    ASSERT_EQ(stream->QueryInterface(IID_IPersistFile, &face), S_OK);
    auto* file = static_cast<IPersistFile*>(face);
    EXPECT_NE(static_cast<void*>(file), static_cast<void*>(stream));
    ASSERT_EQ(file->QueryInterface(IID_IStream, &face), S_OK);
    EXPECT_EQ(face, static_cast<void*>(stream));
    ASSERT_EQ(file->QueryInterface(IID_IPersist, &face), S_OK);
    EXPECT_EQ(face, static_cast<void*>(file));
    face = stream;
    EXPECT_EQ(stream->QueryInterface(IID_ISequentialStream, &face), E_NOINTERFACE);
    EXPECT_EQ(face, nullptr);
    EXPECT_EQ(stream->QueryInterface(IID_IClassFactory, nullptr), E_POINTER);
    // 1 + IUnknown + IPersistFile + IStream + IPersist = 5; releases through either face.
    EXPECT_EQ(file->AddRef(), 6u);
    EXPECT_EQ(stream->Release(), 5u);
    for (std::uint32_t left = 4; left > 0; --left) {
        EXPECT_EQ((left % 2 ? file->Release() : stream->Release()), left);
    }
    EXPECT_EQ(rillex::ModuleLockCount(), 1);
    EXPECT_EQ(stream->Release(), 0u);
    EXPECT_EQ(rillex::ModuleLockCount(), 0);
}

TEST(StreamOnFile, FixedAnswersOfTheUnsupportedOperations)
{
    auto* object = StreamOnFile::Create();
    IStream* stream = object;
    IPersistFile* file = object;
    EXPECT_EQ(stream->UnlockRegion(0, 10, 0), S_OK);
    EXPECT_EQ(stream->LockRegion(0, 10, 0), E_NOTIMPL);
    EXPECT_EQ(stream->Commit(0), S_OK);
    EXPECT_EQ(stream->Revert(), E_NOTIMPL);
    IStream* clone = stream;
    EXPECT_EQ(stream->Clone(&clone), E_NOTIMPL);
    EXPECT_EQ(clone, nullptr);
    CLSID classId{};
    char16_t* name = nullptr;
    EXPECT_EQ(file->GetClassID(&classId), E_NOTIMPL);
    EXPECT_EQ(file->IsDirty(), E_NOTIMPL);
    EXPECT_EQ(file->Save(u"x", true), E_NOTIMPL);
    EXPECT_EQ(file->SaveCompleted(u"x"), E_NOTIMPL);
    EXPECT_EQ(file->GetCurFile(&name), E_NOTIMPL);
    stream->Release();
}

TEST(StreamOnFile, SecondLoadReplacesTheFileAndRewinds)
{
    const std::string first = TempDir() + "first";
    const std::string second = TempDir() + "second";
    WriteFile(first, "first file");
    WriteFile(second, "second file");
    auto* object = StreamOnFile::Create();
    ComPtr<IStream> stream;
    stream.Attach(object);
    IPersistFile* file = object;
    ASSERT_EQ(file->Load(Utf8ToUtf16(first).c_str(), kModeReadWrite), S_OK);
    char buffer[32] = {};
    std::uint32_t done = 0;
    ASSERT_EQ(stream->Read(buffer, 5, &done), S_OK);
    ASSERT_EQ(file->Load(Utf8ToUtf16(second).c_str(), kModeReadWrite), S_OK);
    EXPECT_EQ(Position(stream.Get()), 0u);
    ASSERT_EQ(stream->Read(buffer, sizeof buffer, &done), S_OK);
    EXPECT_EQ(std::string(buffer, done), "second file");
    // The first file's lock went with its descriptor.
    EXPECT_TRUE(OpenStream(first, kModeReadWrite));
}

TEST(StreamOnFile, OpensFileNamesThatAreNotUtf8)
{
    const std::string path = TempDir() + "name-\xE4\xFF";
    WriteFile(path, "latin");
    std::u16string wide = Utf8ToUtf16(path);
    ASSERT_EQ(wide.back(), u'\xDCFF');
    auto* object = StreamOnFile::Create();
    ComPtr<IStream> stream;
    stream.Attach(object);
    ASSERT_EQ(static_cast<IPersistFile*>(object)->Load(wide.c_str(), STGM_READ), S_OK);
    char buffer[8] = {};
    std::uint32_t done = 0;
    ASSERT_EQ(stream->Read(buffer, sizeof buffer, &done), S_OK);
    EXPECT_EQ(std::string(buffer, done), "latin");
}

TEST(StreamOnFile, ShareModesBecomeAdvisoryLocks)
{
    const std::string path = TempDir() + "shared";
    WriteFile(path, "held by someone");
    StatusCode status = S_OK;
    {
        auto holder = OpenStream(path, kModeReadWrite);
        ASSERT_TRUE(holder);
        OpenStream(path, STGM_READ | STGM_SHARE_EXCLUSIVE, &status);
        EXPECT_EQ(status, E_SHARING_VIOLATION);
        OpenStream(path, STGM_READ | STGM_SHARE_DENY_WRITE, &status);
        EXPECT_EQ(status, E_SHARING_VIOLATION);
        // No share bits at all means no sharing.
        OpenStream(path, STGM_READ, &status);
        EXPECT_EQ(status, E_SHARING_VIOLATION);
        // A refused open neither empties nor removes the held file.
        OpenStream(path, STGM_READWRITE | STGM_CREATE | STGM_SHARE_EXCLUSIVE, &status);
        EXPECT_EQ(status, E_SHARING_VIOLATION);
        OpenStream(path, kModeTemporaryInput, &status);
        EXPECT_EQ(status, E_SHARING_VIOLATION);
        EXPECT_EQ(ReadFile(path).size(), 15u);
        // "Others may read and write" takes no lock at all.
        EXPECT_TRUE(OpenStream(path, STGM_READ | STGM_SHARE_DENY_NONE));
    }
    {
        auto reader = OpenStream(path, STGM_READ | STGM_SHARE_DENY_WRITE);
        ASSERT_TRUE(reader);
        EXPECT_TRUE(OpenStream(path, STGM_READ | STGM_SHARE_DENY_WRITE));
        OpenStream(path, kModeReadWrite, &status);
        EXPECT_EQ(status, E_SHARING_VIOLATION);
    }
    // The locks went with the streams.
    EXPECT_TRUE(OpenStream(path, kModeReadWrite));
}

TEST(StreamOnFile, WritesAreSeenByLaterReads)
{
    const std::string path = TempDir() + "rewrite";
    WriteFile(path, Pattern(4096));
    auto stream = OpenStream(path, kModeReadWrite);
    ASSERT_TRUE(stream);
    std::uint8_t buffer[16] = {};
    std::uint32_t done = 0;
    // Fill the read-ahead window, overwrite bytes inside it, read them back.
    ASSERT_EQ(stream->Read(buffer, 16, &done), S_OK);
    ASSERT_EQ(stream->Write("ABCD", 4, &done), S_OK);
    ASSERT_EQ(stream->Seek(16, STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(stream->Read(buffer, 4, &done), S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), "ABCD");
    // A cut inside the window is seen too.
    ASSERT_EQ(stream->SetSize(18), S_OK);
    ASSERT_EQ(stream->Seek(0, STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(stream->Read(buffer, 16, &done), S_OK);
    ASSERT_EQ(stream->Read(buffer, 16, &done), S_OK);
    EXPECT_EQ(done, 2u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 2), "AB");
    // Writing past the end leaves a hole of zeros.
    ASSERT_EQ(stream->Seek(30, STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(stream->Write("Z", 1, &done), S_OK);
    EXPECT_EQ(ReadFile(path).size(), 31u);
    EXPECT_EQ(ReadFile(path)[25], 0);
}

// The read-ahead window must be invisible: every Read returns what a plain pread at the
// stream's position would, with the same counts and positions, across random seeks, read
// sizes on both sides of the window size, writes and cuts. Exclusive streams read ahead;
// shared ones read the file directly.
class StreamOnFileModel : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(StreamOnFileModel, ReadsMatchPlainReadsAcrossRandomAccess)
{
    const std::string path = TempDir() + "model";
    const std::size_t size = 5 * 65536 + 123;
    WriteFile(path, Pattern(size, 7));
    auto stream = OpenStream(path, GetParam());
    ASSERT_TRUE(stream);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);

    std::mt19937 random(12345);
    std::uint64_t position = 0;
    std::vector<std::uint8_t> got(200000);
    std::vector<std::uint8_t> expected(200000);
    for (int step = 0; step < 3000; ++step) {
        const unsigned action = random() % 100;
        if (action < 15) {
            const auto target = static_cast<std::int64_t>(random() % (size + 1000));
            ASSERT_EQ(stream->Seek(target, STREAM_SEEK_SET, &position), S_OK);
        } else if (action < 25) {
            const auto delta = static_cast<std::int64_t>(random() % 4000) - 2000;
            std::uint64_t moved = 0;
            const StatusCode status = stream->Seek(delta, STREAM_SEEK_CUR, &moved);
            if (static_cast<std::int64_t>(position) + delta < 0) {
                ASSERT_TRUE(Failed(status));
            } else {
                ASSERT_EQ(status, S_OK);
                position = moved;
            }
        } else if (action < 28) {
            std::uint32_t done = 0;
            const auto bytes = Pattern(1 + random() % 300, step);
            ASSERT_EQ(stream->Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &done),
                      S_OK);
            position += done;
        } else if (action < 29) {
            const std::uint64_t cut = random() % (size + 1);
            ASSERT_EQ(stream->SetSize(cut), S_OK);
            position = cut;
        } else {
            std::uint32_t count = 0;
            switch (random() % 4) {
            case 0: count = 1 + random() % 8; break;
            case 1: count = 1 + random() % 4096; break;
            case 2: count = 60000 + random() % 10000; break;
            default: count = 1 + random() % 200000; break;
            }
            const ssize_t want = ::pread(fd, expected.data(), count, static_cast<off_t>(position));
            ASSERT_GE(want, 0);
            std::uint32_t done = 0;
            ASSERT_EQ(stream->Read(got.data(), count, &done), S_OK);
            ASSERT_EQ(done, static_cast<std::uint32_t>(want)) << "step " << step;
            ASSERT_EQ(std::memcmp(got.data(), expected.data(), done), 0) << "step " << step;
            position += done;
        }
        ASSERT_EQ(Position(stream.Get()), position) << "step " << step;
    }
    ::close(fd);
}

INSTANTIATE_TEST_SUITE_P(ShareModes, StreamOnFileModel,
                         ::testing::Values(kModeReadWrite,
                                           STGM_READWRITE | STGM_SHARE_DENY_WRITE,
                                           STGM_READWRITE | STGM_SHARE_DENY_NONE));

TEST(StreamOnFile, CopyToMovesBytesInChunksWithinTheLimit)
{
    const std::string path = TempDir() + "copy";
    const auto bytes = Pattern(3 * 65536 + 100);
    WriteFile(path, bytes);
    auto stream = OpenStream(path, kReadOnly);
    ASSERT_TRUE(stream);
    std::uint64_t read = 9;
    std::uint64_t written = 9;

    auto target = MemoryStream::Create();
    EXPECT_EQ(stream->CopyTo(target.Get(), 0, &read, &written), S_OK);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(written, 0u);

    ASSERT_EQ(stream->CopyTo(target.Get(), 70000, &read, &written), S_OK);
    EXPECT_EQ(read, 70000u);
    EXPECT_EQ(written, 70000u);
    EXPECT_EQ(Position(stream.Get()), 70000u);
    // The rest: more than is left, so the copy stops at the end of the file.
    ASSERT_EQ(stream->CopyTo(target.Get(), UINT64_MAX, &read, &written), S_OK);
    EXPECT_EQ(read, bytes.size() - 70000);
    EXPECT_EQ(written, read);
    EXPECT_EQ(target->Bytes(), bytes);

    // Exactly one chunk from a file of exactly one chunk: no empty write follows.
    SinkStream sink;
    const std::string exact = TempDir() + "exact";
    WriteFile(exact, Pattern(65536));
    auto chunk = OpenStream(exact, kReadOnly);
    ASSERT_EQ(chunk->CopyTo(&sink, UINT64_MAX, &read, &written), S_OK);
    EXPECT_EQ(read, 65536u);
    EXPECT_EQ(sink.writes, 1u);
}

TEST(StreamOnFile, CopyToStopsAtAFailingOrShortTarget)
{
    const std::string path = TempDir() + "copy-fail";
    WriteFile(path, Pattern(4 * 65536));
    auto stream = OpenStream(path, kReadOnly);
    ASSERT_TRUE(stream);
    std::uint64_t read = 0;
    std::uint64_t written = 0;

    SinkStream failing;
    failing.failAtWrite = 2;
    failing.failure = StatusFromError(ENOSPC);
    EXPECT_EQ(stream->CopyTo(&failing, UINT64_MAX, &read, &written), StatusFromError(ENOSPC));
    EXPECT_EQ(read, 2u * 65536);
    EXPECT_EQ(written, 65536u);
    EXPECT_EQ(failing.writes, 2u);

    ASSERT_EQ(stream->Seek(0, STREAM_SEEK_SET, nullptr), S_OK);
    SinkStream full;
    full.limit = 100000;
    EXPECT_EQ(stream->CopyTo(&full, UINT64_MAX, &read, &written), rillex::STG_E_MEDIUMFULL);
    EXPECT_EQ(read, 2u * 65536);
    EXPECT_EQ(written, 100000u);
}

TEST(StreamOnFile, CopyToItselfAppendsUnderTheSameLock)
{
    const std::string path = TempDir() + "self";
    WriteFile(path, "abcdef");
    auto stream = OpenStream(path, kModeReadWrite);
    ASSERT_TRUE(stream);
    std::uint64_t read = 0;
    std::uint64_t written = 0;
    // Reading 3 bytes moves the shared position to 3; the write lands there.
    ASSERT_EQ(stream->CopyTo(stream.Get(), 3, &read, &written), S_OK);
    EXPECT_EQ(read, 3u);
    EXPECT_EQ(written, 3u);
    const auto bytes = ReadFile(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "abcabc");
}

// Every operation is one step under the object's lock: records written by two threads at
// the shared position never overlap or tear, records read by two threads are each seen
// exactly once, and the reference count survives concurrent AddRef/Release.
TEST(StreamOnFile, TwoThreadsOnOneObjectKeepEachOperationWhole)
{
    constexpr int kRecords = 5000;
    struct Record {
        std::uint32_t thread;
        std::uint32_t sequence;
        std::uint32_t check;
        std::uint32_t pad;
    };
    const std::string path = TempDir() + "threads";
    auto stream = OpenStream(path, kModeReadWrite);
    ASSERT_TRUE(stream);

    auto writer = [&](std::uint32_t id) {
        for (std::uint32_t i = 0; i < kRecords; ++i) {
            const Record record{id, i, id * 1000003u ^ i, 0};
            std::uint32_t done = 0;
            stream->AddRef();
            ASSERT_EQ(stream->Write(&record, sizeof record, &done), S_OK);
            stream->Release();
            ASSERT_EQ(done, sizeof record);
        }
    };
    std::thread a(writer, 1);
    std::thread b(writer, 2);
    a.join();
    b.join();
    STATSTG stat{};
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    ASSERT_EQ(stat.cbSize, 2u * kRecords * sizeof(Record));

    ASSERT_EQ(stream->Seek(0, STREAM_SEEK_SET, nullptr), S_OK);
    std::vector<std::vector<int>> seen(2, std::vector<int>(2 * kRecords + 1, 0));
    auto reader = [&](int slot) {
        for (;;) {
            Record record{};
            std::uint32_t done = 0;
            ASSERT_EQ(stream->Read(&record, sizeof record, &done), S_OK);
            if (done == 0) {
                return;
            }
            ASSERT_EQ(done, sizeof record);
            ASSERT_TRUE(record.thread == 1 || record.thread == 2);
            ASSERT_EQ(record.check, record.thread * 1000003u ^ record.sequence);
            ++seen[slot][(record.thread - 1) * kRecords + record.sequence];
        }
    };
    std::thread c(reader, 0);
    std::thread d(reader, 1);
    c.join();
    d.join();
    for (int i = 0; i < 2 * kRecords; ++i) {
        ASSERT_EQ(seen[0][i] + seen[1][i], 1) << "record " << i;
    }
    EXPECT_EQ(stream->AddRef(), 2u);
    EXPECT_EQ(stream->Release(), 1u);
}

TEST(StreamOnFile, CopyToAnotherFileStreamStaysInTheKernelAndKeepsBothPositions)
{
    // More than one kernel chunk, from the middle of the source into the middle of a target
    // whose tail must survive (the read-write mode never truncates).
    const std::string source = TempDir() + "kernel-source";
    const std::string target = TempDir() + "kernel-target";
    constexpr std::uint64_t kSkip = 1000;
    const std::uint64_t count = rillex::kKernelCopyChunk + 4096;
    {
        auto bytes = Pattern(4096, 7);
        const int fd = ::open(source.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kSkip + count)), 0);
        ASSERT_EQ(
            ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(kSkip + count - 4096)),
            4096);
        ::close(fd);
    }
    WriteFile(target, std::string(10, 'T'));

    auto in = OpenStream(source, kReadOnly);
    auto out = OpenStream(target, kModeReadWrite);
    ASSERT_TRUE(in && out);
    ASSERT_EQ(in->Seek(static_cast<std::int64_t>(kSkip), STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(out->Seek(4, STREAM_SEEK_SET, nullptr), S_OK);
    std::uint64_t read = 0;
    std::uint64_t written = 0;
    ASSERT_EQ(in->CopyTo(out.Get(), UINT64_MAX, &read, &written), S_OK);
    EXPECT_EQ(read, count);
    EXPECT_EQ(written, count);
    EXPECT_EQ(Position(in.Get()), kSkip + count);
    EXPECT_EQ(Position(out.Get()), 4 + count);
    in.Reset();
    out.Reset();

    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(static_cast<std::uint64_t>(info.st_size), 4 + count);
    const int fd = ::open(target.c_str(), O_RDONLY);
    std::vector<std::uint8_t> head(4), tail(4096);
    ASSERT_EQ(::pread(fd, head.data(), 4, 0), 4);
    ASSERT_EQ(::pread(fd, tail.data(), 4096, static_cast<off_t>(4 + count - 4096)), 4096);
    ::close(fd);
    EXPECT_EQ(head, std::vector<std::uint8_t>(4, 'T'));
    EXPECT_EQ(tail, Pattern(4096, 7));
}

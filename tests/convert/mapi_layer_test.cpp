// The pieces under the conversion: buffer chains, the record writer's lengths and sums,
// dates, the exclusion rule, the output file stream and the storage open.
#include <cstring>

#include <gtest/gtest.h>

#include "convert/mapi_memory.h"
#include "convert/message_on_storage.h"
#include "tests/convert/msg_writer.h"
#include "convert/msg_tnef.h"
#include "convert/storage.h"
#include "convert/stream_on_file.h"
#include "convert/tnef_encoder.h"
#include "convert/tnef_writer.h"
#include "convert/include/ferrule.h"
#include "platform/memory_stream.h"
#include "platform/text.h"
#include "tests/convert/tnef_test_reader.h"
#include "tests/support/test_files.h"
#include "tests/support/stream_stub.h"

namespace testing_support {
namespace {

using namespace ferrule;

TEST(MapiBuffers, RootOwnsItsChildrenAndRefusesStrangers)
{
    void* root = nullptr;
    ASSERT_EQ(MAPIAllocateBuffer(16, &root), 0);
    void* child = nullptr;
    ASSERT_EQ(MAPIAllocateMore(32, root, &child), 0);
    void* grandchild = nullptr;
    // Children cannot be parents, nor be freed on their own.
    EXPECT_EQ(MAPIAllocateMore(8, child, &grandchild), platform::E_INVALIDARG);
    EXPECT_EQ(grandchild, nullptr);
    EXPECT_EQ(MAPIFreeBuffer(child), platform::E_INVALIDARG);
    std::memset(child, 0xAB, 32);
    for (int i = 0; i < 100; ++i) {
        void* more = nullptr;
        ASSERT_EQ(MAPIAllocateMore(static_cast<std::uint32_t>(i), root, &more), 0);
    }
    // One free releases all (ASan reports any leak).
    EXPECT_EQ(MAPIFreeBuffer(root), 0);
    EXPECT_EQ(MAPIFreeBuffer(nullptr), 0);
    EXPECT_EQ(MAPIAllocateBuffer(4, nullptr), platform::E_INVALIDARG);
    void* zero = nullptr;
    ASSERT_EQ(MAPIAllocateBuffer(0, &zero), 0);
    EXPECT_NE(zero, nullptr);
    MAPIFreeBuffer(zero);
}

TEST(MapiInitialization, CountsAndNeverGoesBelowZero)
{
    const std::uint32_t start = MAPIInitializeCount();
    EXPECT_EQ(InitFerrule(0), 0);
    EXPECT_EQ(InitFerrule(0), 0);
    EXPECT_EQ(MAPIInitializeCount(), start + 2);
    EXPECT_EQ(CloseFerrule(0), 0);
    EXPECT_EQ(CloseFerrule(0), 0);
    EXPECT_EQ(MAPIInitializeCount(), start);
    for (std::uint32_t i = 0; i <= start; ++i) {
        EXPECT_EQ(CloseFerrule(0), 0);
    }
    EXPECT_EQ(MAPIInitializeCount(), 0u);
}

TEST(TnefWriter, LengthsAndSumsSurviveRollbackAndPatches)
{
    auto stream = platform::MemoryStream::Create();
    TnefWriter writer(stream.Get());
    const std::uint8_t header[6] = {0x78, 0x9F, 0x3E, 0x22, 1, 0};
    writer.WriteRaw(header, sizeof header);

    writer.BeginRecord(1, 0x00069003);
    const TnefWriter::Mark count = writer.ReserveU32();
    writer.WriteU32(0xFFFFFFFF);
    const TnefWriter::Mark before = writer.Here();
    writer.Write("\xFF\xFF\xFF garbage", 11);
    writer.Rollback(before);
    writer.WriteU16(0x0102);
    writer.Pad(2);
    writer.FillU32(count, 0x00000201);
    EXPECT_EQ(writer.EndRecord(), 0);

    writer.BeginRecord(2, 0x0006800F);
    writer.Write("abandoned", 9);
    writer.AbandonRecord();
    writer.BeginRecord(2, 0x00069002);
    EXPECT_EQ(writer.EndRecord(), 0);

    std::string error;
    const auto file = ParseTnef(stream->Bytes(), &error);
    ASSERT_TRUE(file) << error;
    ASSERT_EQ(file->records.size(), 2u);
    EXPECT_EQ(file->records[0].data,
              (std::vector<std::uint8_t>{1, 2, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 2, 1, 0, 0}));
    EXPECT_TRUE(file->records[0].checksumOk);
    EXPECT_EQ(file->records[0].checksum, (1 + 2 + 4 * 0xFF + 2 + 1) & 0xFFFF);
    EXPECT_EQ(file->records[1].id, 0x00069002u);
    EXPECT_TRUE(file->records[1].data.empty());
    EXPECT_TRUE(file->records[1].checksumOk);
}

TEST(TnefWriter, OutputFailureIsStickyAndReported)
{
    // A stream that refuses writes after 20 bytes.
    class FullStream final : public testing_support::StreamStub {
    public:
        platform::StatusCode Write(const void*, std::uint32_t count, std::uint32_t* done) override
        {
            if (m_size + count > 20) {
                return platform::StatusFromError(28); // ENOSPC
            }
            m_size += count;
            if (done) {
                *done = count;
            }
            return 0;
        }
        platform::StatusCode Seek(std::int64_t, std::uint32_t, std::uint64_t*) override { return 0; }

    private:
        std::uint32_t m_size = 0;
    } full;
    TnefWriter writer(&full);
    writer.BeginRecord(1, 1);
    writer.Write("0123456789012345678901234", 25);
    EXPECT_EQ(writer.EndRecord(), platform::StatusFromError(28));
    EXPECT_FALSE(writer.Ok());
}

TEST(LegacyDates, FileTimesBecomeCalendarFields)
{
    struct Case {
        std::uint64_t fileTime;
        std::uint16_t fields[7];
    };
    const Case cases[] = {
        {0, {1601, 1, 1, 0, 0, 0, 1}},                             // a Monday
        {116444736000000000ull, {1970, 1, 1, 0, 0, 0, 4}},         // a Thursday
        {133536879300000000ull, {2024, 2, 29, 13, 45, 30, 4}},     // leap day
        {125912447990000000ull, {2000, 1, 1, 23, 59, 59, 6}},      // a Saturday
        {159394415999999999ull, {2106, 2, 7, 6, 39, 59, 0}},
    };
    for (const Case& c : cases) {
        std::uint8_t out[14];
        FileTimeToDtr(c.fileTime, out);
        for (int i = 0; i < 7; ++i) {
            EXPECT_EQ(out[2 * i] | (out[2 * i + 1] << 8), c.fields[i]) << c.fileTime << " field " << i;
        }
    }
}

TEST(TnefExclusion, RangesAndTheTwoTables)
{
    EXPECT_FALSE(IsExcludedFromTnef(0x0DFF001E));
    EXPECT_TRUE(IsExcludedFromTnef(0x0E000003));
    EXPECT_TRUE(IsExcludedFromTnef(0x0E050003));
    EXPECT_FALSE(IsExcludedFromTnef(0x0E12000D));
    EXPECT_FALSE(IsExcludedFromTnef(0x0E13000D));
    EXPECT_TRUE(IsExcludedFromTnef(0x0E120003));
    EXPECT_TRUE(IsExcludedFromTnef(0x0E13001F));
    EXPECT_TRUE(IsExcludedFromTnef(0x0FFF0102));
    EXPECT_FALSE(IsExcludedFromTnef(0x10000003));
    EXPECT_FALSE(IsExcludedFromTnef(0x5FFF0003));
    EXPECT_TRUE(IsExcludedFromTnef(0x60010003));
    EXPECT_TRUE(IsExcludedFromTnef(0x67FF0003));
    EXPECT_FALSE(IsExcludedFromTnef(0x68000003));
    EXPECT_FALSE(IsExcludedFromTnef(0x7BFF0003));
    EXPECT_TRUE(IsExcludedFromTnef(0x7C000003));
    EXPECT_TRUE(IsExcludedFromTnef(0x7FFF0003));
    EXPECT_FALSE(IsExcludedFromTnef(0x80000003));
}

TEST(OutputStreamOnFile, BufferedWritesSeeksAndReadsAgree)
{
    const std::string path = TempDir() + "stream.bin";
    platform::IStream* raw = nullptr;
    ASSERT_EQ(OpenStreamOnFile(MAPIAllocateBuffer, MAPIFreeBuffer, 0x1012, path.c_str(), nullptr, &raw), 0);
    platform::ComPtr<platform::IStream> stream = platform::ComPtr<platform::IStream>::Adopt(raw);
    std::vector<std::uint8_t> expected;
    for (int i = 0; i < 5000; ++i) {
        const std::uint8_t piece[3] = {static_cast<std::uint8_t>(i), 1, 2};
        ASSERT_EQ(stream->Write(piece, 3, nullptr), 0);
        expected.insert(expected.end(), piece, piece + 3);
    }
    const std::vector<std::uint8_t> big(200000, 7);
    ASSERT_EQ(stream->Write(big.data(), static_cast<std::uint32_t>(big.size()), nullptr), 0);
    expected.insert(expected.end(), big.begin(), big.end());
    // Patch bytes in the middle, then go on at the end.
    ASSERT_EQ(stream->Seek(10, platform::STREAM_SEEK_SET, nullptr), 0);
    ASSERT_EQ(stream->Write("XY", 2, nullptr), 0);
    expected[10] = 'X';
    expected[11] = 'Y';
    std::uint64_t end = 0;
    ASSERT_EQ(stream->Seek(0, platform::STREAM_SEEK_END, &end), 0);
    EXPECT_EQ(end, expected.size());
    ASSERT_EQ(stream->Write("Z", 1, nullptr), 0);
    expected.push_back('Z');
    ASSERT_EQ(stream->Seek(0, platform::STREAM_SEEK_SET, nullptr), 0);
    std::vector<std::uint8_t> back(expected.size() + 10);
    std::uint32_t got = 0;
    EXPECT_EQ(stream->Read(back.data(), static_cast<std::uint32_t>(back.size()), &got), platform::S_FALSE);
    back.resize(got);
    EXPECT_EQ(back, expected);
    ASSERT_EQ(stream->SetSize(5), 0);
    ASSERT_EQ(stream->Commit(0), 0);
    stream.Reset();
    EXPECT_EQ(ReadFile(path).size(), 5u);

    // A planted link is never followed; a held file is a sharing violation.
    const std::string link = TempDir() + "link.bin";
    ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
    EXPECT_LT(OpenStreamOnFile(MAPIAllocateBuffer, MAPIFreeBuffer, 0x1012, link.c_str(), nullptr, &raw), 0);
    platform::IStream* first = nullptr;
    ASSERT_EQ(OpenStreamOnFile(MAPIAllocateBuffer, MAPIFreeBuffer, 0x0012, path.c_str(), nullptr, &first), 0);
    EXPECT_EQ(OpenStreamOnFile(MAPIAllocateBuffer, MAPIFreeBuffer, 0x0012, path.c_str(), nullptr, &raw),
              platform::E_SHARING_VIOLATION);
    first->Release();
}

TEST(CompoundStorage, OpensOnlyCompoundFilesForReading)
{
    Storage* storage = nullptr;
    const std::string text = Scratch() + "plain.txt";
    WriteFile(text, std::string("hello"));
    const std::u16string wide = platform::Utf8ToUtf16(text);
    EXPECT_EQ(StgOpenStorage(wide.c_str(), nullptr, 0x20, nullptr, 0, &storage), STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(storage, nullptr);
    EXPECT_EQ(StgOpenStorage(wide.c_str(), nullptr, 0x12, nullptr, 0, &storage), STG_E_INVALIDFLAG);
    const std::u16string missing = platform::Utf8ToUtf16(Scratch() + "missing.msg");
    EXPECT_EQ(StgOpenStorage(missing.c_str(), nullptr, 0x20, nullptr, 0, &storage),
              platform::E_FILE_NOT_FOUND);
    // The signature alone does not make a compound file.
    std::vector<std::uint8_t> bytes = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    bytes.resize(700, 0x41);
    WriteFile(Scratch() + "fake.msg", bytes);
    const std::u16string fake = platform::Utf8ToUtf16(Scratch() + "fake.msg");
    EXPECT_EQ(StgOpenStorage(fake.c_str(), nullptr, 0x20, nullptr, 0, &storage), STG_E_DOCFILECORRUPT);
}

// Opens `path` as the conversion does and encodes it into memory with `excluded` left out.
std::vector<std::uint8_t> EncodeExcluding(const std::string& path, std::vector<std::uint32_t> excluded)
{
    const std::u16string wide = platform::Utf8ToUtf16(path);
    Storage* rawStorage = nullptr;
    EXPECT_EQ(StgOpenStorage(wide.c_str(), nullptr, 0x20, nullptr, 0, &rawStorage), 0);
    const auto storage = platform::ComPtr<Storage>::Adopt(rawStorage);
    MsgSession* session = nullptr;
    EXPECT_EQ(OpenIMsgSession(MAPIGetDefaultMalloc(), 0, &session), 0);
    Message* rawMessage = nullptr;
    EXPECT_EQ(OpenIMsgOnIStg(session, MAPIAllocateBuffer, MAPIAllocateMore, MAPIFreeBuffer,
                             MAPIGetDefaultMalloc(), nullptr, storage.Get(), nullptr, 0, 0, &rawMessage),
              0);
    const auto message = platform::ComPtr<Message>::Adopt(rawMessage);
    auto output = platform::MemoryStream::Create();
    TnefEncoder* rawEncoder = nullptr;
    EXPECT_EQ(OpenTnefStreamEx(nullptr, output.Get(), "MAPIDATA.DAT", TNEF_ENCODE, message.Get(),
                               0x1234, nullptr, &rawEncoder),
              0);
    const auto encoder = platform::ComPtr<TnefEncoder>::Adopt(rawEncoder);
    std::vector<std::uint8_t> tags(CbNewSPropTagArray(excluded.size()));
    auto* array = reinterpret_cast<SPropTagArray*>(tags.data());
    array->cValues = static_cast<std::uint32_t>(excluded.size());
    std::copy(excluded.begin(), excluded.end(), array->aulPropTag());
    EXPECT_EQ(encoder->AddProps(TNEF_PROP_EXCLUDE, 0, nullptr, array), 0);
    EXPECT_EQ(encoder->AddProps(TNEF_PROP_INCLUDE, 0, nullptr, array), platform::E_NOTIMPL);
    std::uint16_t key = 0;
    STnefProblemArray* problems = nullptr;
    EXPECT_EQ(encoder->Finish(0, &key, &problems), 0);
    EXPECT_EQ(key, 0x1234);
    EXPECT_NE(problems, nullptr);
    MAPIFreeBuffer(problems);
    // A second Finish would write the stream twice.
    EXPECT_LT(encoder->Finish(0, &key, nullptr), 0);
    CloseIMsgSession(session);
    return output->Bytes();
}

TEST(TnefEncoder, ExcludedTagsAndTablesAreNotWritten)
{
    MsgBuilder msg;
    msg.Message().String8(0x0037001E, "s").Long(0x00170003, 1);
    msg.AddRecipient().String8(0x3001001E, "r");
    msg.AddAttachment().Binary(0x37010102, {1});
    const std::string path = Scratch() + "exclude.msg";
    ASSERT_TRUE(msg.Write(path));

    std::string error;
    const auto all = ParseTnef(EncodeExcluding(path, {}), &error);
    ASSERT_TRUE(all) << error;
    EXPECT_NE(all->First(0x00069004), nullptr);
    EXPECT_EQ(all->Attachments().size(), 1u);

    const auto some = ParseTnef(EncodeExcluding(path, {0x0E12000D, 0x0E13000D, 0x0037001E}), &error);
    ASSERT_TRUE(some) << error;
    EXPECT_EQ(some->First(0x00069004), nullptr);
    EXPECT_TRUE(some->Attachments().empty());
    const auto props = ParsePropertyList(some->First(0x00069003)->data, &error);
    ASSERT_TRUE(props) << error;
    ASSERT_EQ(props->size(), 1u);
    EXPECT_EQ((*props)[0].tag, 0x00170003u);
    // The legacy subject is the message's, whatever the list says.
    EXPECT_NE(some->First(0x00018004), nullptr);
}

TEST(MessageOnStorage, PropertyListEndsWithTheTables)
{
    MsgBuilder msg;
    msg.Message().String8(0x0037001E, "s").Long(0x00170003, 1).Long(0x00170003, 2);
    const std::string path = Scratch() + "proplist.msg";
    ASSERT_TRUE(msg.Write(path));
    const std::u16string wide = platform::Utf8ToUtf16(path);
    Storage* rawStorage = nullptr;
    ASSERT_EQ(StgOpenStorage(wide.c_str(), nullptr, 0x20, nullptr, 0, &rawStorage), 0);
    const auto storage = platform::ComPtr<Storage>::Adopt(rawStorage);
    MsgSession* session = nullptr;
    ASSERT_EQ(OpenIMsgSession(MAPIGetDefaultMalloc(), 0, &session), 0);
    Message* message = nullptr;
    // Only MAPI's own allocation functions are accepted.
    EXPECT_EQ(OpenIMsgOnIStg(session, MAPIAllocateBuffer, MAPIAllocateMore, nullptr,
                             MAPIGetDefaultMalloc(), nullptr, storage.Get(), nullptr, 0, 0, &message),
              platform::E_INVALIDARG);
    ASSERT_EQ(OpenIMsgOnIStg(session, MAPIAllocateBuffer, MAPIAllocateMore, MAPIFreeBuffer,
                             MAPIGetDefaultMalloc(), nullptr, storage.Get(), nullptr, 0, 0, &message),
              0);
    SPropTagArray* tags = nullptr;
    ASSERT_EQ(message->GetPropList(0, &tags), 0);
    // The repeated tag keeps its first entry.
    ASSERT_EQ(tags->cValues, 4u);
    EXPECT_EQ(tags->aulPropTag()[0], 0x0037001Eu);
    EXPECT_EQ(tags->aulPropTag()[1], 0x00170003u);
    EXPECT_EQ(tags->aulPropTag()[2], 0x0E12000Du);
    EXPECT_EQ(tags->aulPropTag()[3], 0x0E13000Du);
    std::uint32_t importance = 0;
    EXPECT_TRUE(message->GetLong(0x00170003, &importance));
    EXPECT_EQ(importance, 1u);
    MAPIFreeBuffer(tags);
    message->Release();
    CloseIMsgSession(session);
}

TEST(TnefFileName, EightHexDigitsAndTheBufferLimit)
{
    char buffer[64];
    ASSERT_EQ(MakeTnefFileName(buffer, sizeof buffer), 0);
    const std::string path = buffer;
    ASSERT_EQ(path.size(), PrivateTempDir().size() + 12);
    EXPECT_EQ(path.substr(0, PrivateTempDir().size()), PrivateTempDir());
    EXPECT_EQ(path.substr(path.size() - 4), ".dat");
    for (const char c : path.substr(PrivateTempDir().size(), 8)) {
        EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << path;
    }
    EXPECT_TRUE(FileExists(path));
    char small[8] = "stale";
    EXPECT_LT(MakeTnefFileName(small, sizeof small), 0);
    EXPECT_EQ(small[0], '\0');
}

} // namespace
} // namespace testing_support

#include "viewer/rtf/compressed_rtf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "tests/support/mean_stream.h"
#include "tests/viewer/rtf/compressed_rtf_support.h"

using namespace rtf_test;
using platform::ComPtr;
using platform::E_ABORT;
using platform::E_ACCESSDENIED;
using platform::E_FAIL;
using platform::E_INVALIDARG;
using platform::E_NOINTERFACE;
using platform::E_NOTIMPL;
using platform::IStream;
using platform::MAPI_E_CORRUPT_DATA;
using platform::S_OK;
using platform::StatusCode;
using viewer::rtf::CompressedRtfCrc;
using viewer::rtf::MAPI_MODIFY;
using viewer::rtf::OpenCompressedRtfStream;
using viewer::rtf::STORE_UNCOMPRESSED_RTF;

namespace {

constexpr StatusCode kSourceFault = platform::MakeStatus(0x8003001D); // a write fault

// An in-memory stream with counters and faults to inject, for what MemoryStream and
// MeanStream cannot show: references held, writes accepted short, failing seeks, commits.
class FaultStream final : public IStream {
  public:
    static ComPtr<FaultStream> Create(Bytes bytes = {})
    {
        return ComPtr<FaultStream>::Adopt(new FaultStream(std::move(bytes)));
    }

    Bytes bytes;
    std::uint64_t position = 0;
    std::uint32_t references = 1;
    std::uint64_t readCalls = 0;
    // Writes stop being accepted once this many bytes went in: short write, status 0.
    std::uint64_t writeCapacity = UINT64_MAX;
    StatusCode writeStatus = S_OK; // a failure here fails every write
    StatusCode seekStatus = S_OK;
    StatusCode commitStatus = S_OK;
    std::vector<std::uint32_t> commits;

    StatusCode QueryInterface(const platform::IID&, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    std::uint32_t AddRef() override { return ++references; }
    std::uint32_t Release() override
    {
        const std::uint32_t left = --references;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    StatusCode Read(void* buffer, std::uint32_t count, std::uint32_t* done) override
    {
        ++readCalls;
        const auto take = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(count, bytes.size() - std::min(position, bytes.size())));
        if (take != 0) {
            std::memcpy(buffer, bytes.data() + position, take);
        }
        position += take;
        *done = take;
        return S_OK;
    }
    StatusCode Write(const void* buffer, std::uint32_t count, std::uint32_t* done) override
    {
        *done = 0;
        if (platform::Failed(writeStatus)) {
            return writeStatus;
        }
        const auto take = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(count, writeCapacity - std::min(writeCapacity, writtenSoFar)));
        if (bytes.size() < position + take) {
            bytes.resize(position + take);
        }
        if (take != 0) {
            std::memcpy(bytes.data() + position, buffer, take);
        }
        position += take;
        writtenSoFar += take;
        *done = take;
        return S_OK;
    }
    StatusCode Seek(std::int64_t offset, std::uint32_t origin, std::uint64_t* to) override
    {
        if (platform::Failed(seekStatus)) {
            return seekStatus;
        }
        const std::int64_t base = origin == platform::STREAM_SEEK_SET   ? 0
                                  : origin == platform::STREAM_SEEK_CUR ? position
                                                                        : bytes.size();
        position = static_cast<std::uint64_t>(base + offset);
        if (to) {
            *to = position;
        }
        return S_OK;
    }
    StatusCode SetSize(std::uint64_t) override { return E_NOTIMPL; }
    StatusCode CopyTo(IStream*, std::uint64_t, std::uint64_t*, std::uint64_t*) override
    {
        return E_NOTIMPL;
    }
    StatusCode Commit(std::uint32_t flags) override
    {
        commits.push_back(flags);
        return commitStatus;
    }
    StatusCode Revert() override { return E_NOTIMPL; }
    StatusCode LockRegion(std::uint64_t, std::uint64_t, std::uint32_t) override
    {
        return E_NOTIMPL;
    }
    StatusCode UnlockRegion(std::uint64_t, std::uint64_t, std::uint32_t) override
    {
        return E_NOTIMPL;
    }
    StatusCode Stat(platform::STATSTG*, std::uint32_t) override { return E_NOTIMPL; }
    StatusCode Clone(IStream**) override { return E_NOTIMPL; }

  private:
    explicit FaultStream(Bytes initial) : bytes(std::move(initial)) {}
    ~FaultStream() = default;
    std::uint64_t writtenSoFar = 0;
};

ComPtr<IStream> OpenReader(IStream* source)
{
    ComPtr<IStream> stream;
    EXPECT_EQ(OpenCompressedRtfStream(source, 0, stream.Put()), S_OK);
    return stream;
}

// [MS-OXRTFCP] example 1: "{\rtf1\ansi\ansicpg1252\pard hello world}" CR LF.
const Bytes kExample1Value = {0x2d, 0x00, 0x00, 0x00, 0x2b, 0x00, 0x00, 0x00, 0x4c, 0x5a,
                              0x46, 0x75, 0xf1, 0xc5, 0xc7, 0xa7, 0x03, 0x00, 0x0a, 0x00,
                              0x72, 0x63, 0x70, 0x67, 0x31, 0x32, 0x35, 0x42, 0x32, 0x0a,
                              0xf3, 0x20, 0x68, 0x65, 0x6c, 0x09, 0x00, 0x20, 0x62, 0x77,
                              0x05, 0xb0, 0x6c, 0x64, 0x7d, 0x0a, 0x80, 0x0f, 0xa0};
const std::string kExample1Text = "{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n";

// [MS-OXRTFCP] example 2, whose reference runs across the write position.
const Bytes kExample2Value = {0x1a, 0x00, 0x00, 0x00, 0x1c, 0x00, 0x00, 0x00, 0x4c, 0x5a,
                              0x46, 0x75, 0xe2, 0xd4, 0x4b, 0x51, 0x41, 0x00, 0x04, 0x20,
                              0x57, 0x58, 0x59, 0x5a, 0x0d, 0x6e, 0x7d, 0x01, 0x0e, 0xb0};
const std::string kExample2Text = "{\\rtf1 WXYZWXYZWXYZWXYZWXYZ}";

Bytes RandomBytes(std::size_t size, std::uint32_t seed, int alphabet = 256)
{
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(random() % static_cast<std::uint32_t>(alphabet));
    }
    return bytes;
}

// Text that looks like a mail body in RTF: a fixed preamble, then paragraphs built from a
// small vocabulary with formatting switches, so that it repeats like real bodies do.
Bytes RtfLikeText(std::size_t size, std::uint32_t seed)
{
    static const char* const kWords[] = {
        "the",     "meeting", "agenda",   "please", "find",    "attached", "report",
        "regards", "thanks",  "quarter",  "budget", "review",  "schedule", "Monday",
        "project", "update",  "customer", "team",   "invoice", "deadline", "office"};
    static const char* const kControls[] = {"\\b ",   "\\b0 ",  "\\i ", "\\i0 ", "\\par\r\n",
                                            "\\tab ", "{\\f1 ", "}",    "\\'e9", "\\u8217?"};
    std::mt19937 random(seed);
    std::string text = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}"
                       "{\\f1\\froman Times New Roman;}}\r\n\\viewkind4\\uc1\\pard\\f0\\fs20 ";
    while (text.size() < size) {
        const auto pick = random() % 10;
        if (pick < 7) {
            text += kWords[random() % std::size(kWords)];
            text += ' ';
        } else {
            text += kControls[random() % std::size(kControls)];
        }
    }
    text.resize(size);
    return ToBytes(text);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Decoding

TEST(CompressedRtfCrc, MatchesKnownValues)
{
    EXPECT_EQ(CompressedRtfCrc("abc", 3), 0xCA6598D0u);
    EXPECT_EQ(CompressedRtfCrc("", 0), 0u);
    // Continuing a running CRC is the same as one pass.
    EXPECT_EQ(CompressedRtfCrc("c", 1, CompressedRtfCrc("ab", 2)), 0xCA6598D0u);
    EXPECT_EQ(InitialDictionary().size(), 207u);
}

TEST(CompressedRtfRead, InflatesThePublishedExamples)
{
    for (const std::uint32_t readSize : {1u, 2u, 3u, 7u, 16u, 17u, 4096u}) {
        const Inflated one = Inflate(kExample1Value, readSize);
        EXPECT_EQ(one.status, S_OK);
        EXPECT_EQ(ToText(one.text), kExample1Text) << "read size " << readSize;
        const Inflated two = Inflate(kExample2Value, readSize);
        EXPECT_EQ(two.status, S_OK);
        EXPECT_EQ(ToText(two.text), kExample2Text) << "read size " << readSize;
    }
}

TEST(CompressedRtfRead, MelaPassesTheBytesAfterTheHeaderThroughUnchecked)
{
    Bytes value;
    PutLe32(value, 3); // sizes and CRC are not looked at
    PutLe32(value, 1);
    PutLe32(value, viewer::rtf::kUncompressedRtfMagic);
    PutLe32(value, 0xDEADBEEF);
    const Bytes body = RandomBytes(10000, 7);
    value.insert(value.end(), body.begin(), body.end());
    const Inflated result = Inflate(value, 333);
    EXPECT_EQ(result.status, S_OK);
    EXPECT_EQ(result.text, body);
}

TEST(CompressedRtfRead, EmptyBodyIsJustTheEndReference)
{
    const CompressedBuilder builder = std::move(CompressedBuilder().End());
    EXPECT_EQ(builder.Data(), (Bytes{0x01, 0x0C, 0xF0}));
    auto source = platform::CreateMemoryStream(builder.Value());
    ComPtr<IStream> stream = OpenReader(source.Get());
    std::uint8_t buffer[8];
    std::uint32_t done = 99;
    EXPECT_EQ(stream->Read(buffer, sizeof(buffer), &done), S_OK);
    EXPECT_EQ(done, 0u);
    // Finished: later Reads deliver nothing and succeed.
    EXPECT_EQ(stream->Read(buffer, sizeof(buffer), &done), S_OK);
    EXPECT_EQ(done, 0u);

    const Inflated wrongCrc = Inflate(builder.Value(0x12345678));
    EXPECT_EQ(wrongCrc.status, E_ABORT);
    EXPECT_TRUE(wrongCrc.text.empty());
}

TEST(CompressedRtfRead, ReferencesCopyByteByByteSoTheyMayRepeatTheirOwnOutput)
{
    // A literal at 207 and a reference to it of length 5: six 'a'.
    CompressedBuilder overlap;
    overlap.Literal('a').Reference(207, 5).End();
    EXPECT_EQ(ToText(Inflate(overlap.Value()).text), "aaaaaa");

    // Offsets into the initial dictionary, and a run that is read just ahead of the write
    // position (old bytes, not the ones being written).
    CompressedBuilder mixed;
    mixed.Reference(1, 5).Reference(208, 17).Reference(20, 17).End();
    EXPECT_EQ(ToText(Inflate(mixed.Value()).text), ToText(mixed.Text()));
    EXPECT_EQ(ToText(mixed.Text()).substr(0, 5), "\\rtf1");
}

TEST(CompressedRtfRead, ReadOfOneByteKeepsTheRestOfAReferencePending)
{
    CompressedBuilder builder;
    builder.Literals("xyz").Reference(1, 17).Literal('!').End();
    auto source = testing_support::MeanStream::Create(builder.Value());
    ComPtr<IStream> stream = OpenReader(source.Get());
    std::uint8_t byte = 0;
    std::uint32_t done = 0;
    Bytes text;
    for (int i = 0; i < 4; ++i) { // three literals and the first byte of the reference
        ASSERT_EQ(stream->Read(&byte, 1, &done), S_OK);
        ASSERT_EQ(done, 1u);
        text.push_back(byte);
    }
    const std::uint64_t readsBefore = source->ReadCalls();
    for (int i = 0; i < 16; ++i) {
        ASSERT_EQ(stream->Read(&byte, 1, &done), S_OK);
        ASSERT_EQ(done, 1u);
        text.push_back(byte);
    }
    EXPECT_EQ(source->ReadCalls(), readsBefore);
    std::uint8_t rest[8];
    EXPECT_EQ(stream->Read(rest, sizeof(rest), &done), S_OK);
    EXPECT_EQ(done, 1u);
    text.push_back(rest[0]);
    EXPECT_EQ(text, builder.Text());
}

TEST(CompressedRtfRead, RingWrapsAtPosition4096)
{
    // Literals up to 4093, then a reference written across the end of the ring (4094,
    // 4095, 0, 1), then one read across it (4094 .. 3) that also repeats its own output.
    CompressedBuilder across;
    for (std::uint32_t position = 207; position < 4094; ++position) {
        across.Literal(static_cast<std::uint8_t>('a' + position % 26));
    }
    across.Reference(207, 4).Reference(4094, 6).Reference(4095, 17).End();
    const std::string text = ToText(across.Text());
    EXPECT_EQ(text.substr(3887, 4), "zabc");
    EXPECT_EQ(text.substr(3891, 6), "zabcza");

    // Literals landing on 4095, 0 and 1, then read back across the end.
    CompressedBuilder literals;
    for (std::uint32_t position = 207; position < 4095; ++position) {
        literals.Literal('.');
    }
    literals.Literals("XYZ").Reference(4095, 5).Reference(0, 2).End();
    EXPECT_EQ(ToText(literals.Text()).substr(3888), "XYZXYZXYYZ");

    for (const CompressedBuilder* builder : {&across, &literals}) {
        for (const std::uint32_t readSize : {1u, 5u, 4096u}) {
            const Inflated result = Inflate(builder->Value(), readSize);
            EXPECT_EQ(result.status, S_OK);
            EXPECT_EQ(result.text, builder->Text()) << "read size " << readSize;
        }
    }
}

TEST(CompressedRtfRead, MatchesAPlainRingOnRandomItemsAndReadSizes)
{
    std::mt19937 random(20261207);
    for (int round = 0; round < 60; ++round) {
        CompressedBuilder builder;
        const int items = static_cast<int>(random() % 20000);
        for (int i = 0; i < items; ++i) {
            if (random() % 3 == 0) {
                builder.Literal(static_cast<std::uint8_t>(random()));
            } else {
                std::uint32_t offset = random() % 4096;
                if (offset == builder.WritePos()) {
                    offset = (offset + 1) % 4096;
                }
                builder.Reference(offset, 2 + random() % 16);
            }
        }
        builder.End();
        const std::uint32_t maxRead = 1 + random() % 5000;
        std::mt19937 sizes(round);
        const Inflated result =
            InflateWith(builder.Value(), [&](std::size_t) { return 1 + sizes() % maxRead; });
        ASSERT_EQ(result.status, S_OK) << "round " << round;
        ASSERT_EQ(result.text, builder.Text()) << "round " << round;
    }
}

TEST(CompressedRtfRead, ReferenceSplitByTheRefillIsJoined)
{
    // The source is read 4096 bytes at a time after the header; put a reference word on
    // data offsets 4095 and 4096, so that its first byte moves to the front of the buffer.
    for (int prefixReferences = 0; prefixReferences < 8; ++prefixReferences) {
        CompressedBuilder builder;
        for (int i = 0; i < prefixReferences; ++i) {
            builder.Reference(0, 3);
        }
        while (builder.NextItemOffset() < 4095) {
            builder.Literal('q');
        }
        if (builder.NextItemOffset() != 4095) {
            continue;
        }
        builder.Reference(1, 4).Literals("end").End();
        auto source = testing_support::MeanStream::Create(builder.Value());
        ComPtr<IStream> stream = OpenReader(source.Get());
        Bytes text(builder.Text().size() + 10);
        std::uint32_t done = 0;
        ASSERT_EQ(stream->Read(text.data(), static_cast<std::uint32_t>(text.size()), &done), S_OK);
        text.resize(done);
        EXPECT_EQ(text, builder.Text());
        // Header, then a full buffer, then the rest behind the byte kept.
        const std::vector<std::uint32_t> expected = {16, 4096, 4095};
        EXPECT_EQ(std::vector<std::uint32_t>(source->ReadSizes().begin(),
                                             source->ReadSizes().begin() + 3),
                  expected);
        return;
    }
    FAIL() << "no arrangement put a reference on offset 4095";
}

TEST(CompressedRtfRead, WrongCrcDeliversEverythingThenAborts)
{
    CompressedBuilder builder;
    builder.Literals("{\\rtf1 some text}").Reference(216, 9).End();
    const Bytes value = builder.Value(builder.Value()[12] ^ 0x01u);
    auto source = platform::CreateMemoryStream(value);
    ComPtr<IStream> stream = OpenReader(source.Get());
    Bytes text(10);
    std::uint32_t done = 0;
    EXPECT_EQ(stream->Read(text.data(), 10, &done), S_OK);
    EXPECT_EQ(done, 10u);
    Bytes rest(100);
    EXPECT_EQ(stream->Read(rest.data(), 100, &done), E_ABORT);
    EXPECT_EQ(done, builder.Text().size() - 10);
    text.insert(text.end(), rest.begin(), rest.begin() + done);
    EXPECT_EQ(text, builder.Text());
    // The CRC runs over all the source delivered, so bytes after the end fail it too.
    Bytes trailing = builder.Value();
    trailing.push_back(0);
    const Inflated withTrailing = Inflate(trailing);
    EXPECT_EQ(withTrailing.status, E_ABORT);
    EXPECT_EQ(withTrailing.text, builder.Text());
}

TEST(CompressedRtfRead, DataEndingBeforeTheEndReferenceAborts)
{
    struct Case {
        const char* name;
        Bytes data;
        std::uint32_t delivered;
    };
    const Case cases[] = {
        {"no data at all", {}, 0},
        {"control byte only", {0x00}, 0},
        {"literals then nothing", {0x00, 'a', 'b'}, 2},
        {"reference cut after one byte", {0x02, 'a', 0x0C}, 1},
    };
    for (const Case& c : cases) {
        Bytes value;
        PutLe32(value, static_cast<std::uint32_t>(c.data.size() + 12));
        PutLe32(value, 0);
        PutLe32(value, viewer::rtf::kCompressedRtfMagic);
        PutLe32(value, CompressedRtfCrc(c.data.data(), c.data.size()));
        value.insert(value.end(), c.data.begin(), c.data.end());

        auto source = testing_support::MeanStream::Create(value);
        ComPtr<IStream> stream = OpenReader(source.Get());
        std::uint8_t text[16];
        std::uint32_t done = 0;
        EXPECT_EQ(stream->Read(text, sizeof(text), &done), E_ABORT) << c.name;
        EXPECT_EQ(done, c.delivered) << c.name;
        // The error is kept: the source is not asked again.
        const std::uint64_t reads = source->ReadCalls();
        EXPECT_EQ(stream->Read(text, sizeof(text), &done), E_ABORT) << c.name;
        EXPECT_EQ(done, 0u);
        EXPECT_EQ(source->ReadCalls(), reads) << c.name;
    }
}

TEST(CompressedRtfRead, FailingSourcePassesItsStatusWithTheBytesBeforeIt)
{
    CompressedBuilder builder;
    for (std::uint32_t i = 0; i < 3000; ++i) {
        builder.Literal(static_cast<std::uint8_t>('A' + i % 7));
        const std::uint32_t offset = 300 + i % 50;
        builder.Reference(offset == builder.WritePos() ? offset + 1 : offset, 9);
    }
    builder.End();
    const Bytes value = builder.Value();
    const std::uint64_t failPoints[] = {16, 17, 100, 4111, 4112, 4113, value.size() - 1};
    for (const std::uint64_t failAt : failPoints) {
        auto source =
            testing_support::MeanStream::Create(value, {.poison = true, .failAt = failAt});
        ComPtr<IStream> stream = OpenReader(source.Get());
        Bytes text;
        StatusCode status = S_OK;
        while (status == S_OK) {
            Bytes chunk(1000);
            std::uint32_t done = 0;
            status = stream->Read(chunk.data(), 1000, &done);
            text.insert(text.end(), chunk.begin(), chunk.begin() + done);
            if (done == 0) {
                break;
            }
        }
        EXPECT_EQ(status, testing_support::STG_E_READFAULT) << "fail at " << failAt;
        ASSERT_LE(text.size(), builder.Text().size());
        EXPECT_TRUE(std::equal(text.begin(), text.end(), builder.Text().begin()))
            << "fail at " << failAt;
    }
}

TEST(CompressedRtfRead, NeverWritesPastWhatItDelivers)
{
    CompressedBuilder builder;
    builder.Literals("ab").Reference(207, 17).Reference(210, 17).End();
    auto source = platform::CreateMemoryStream(builder.Value());
    ComPtr<IStream> stream = OpenReader(source.Get());
    Bytes text;
    for (const std::uint32_t size : {3u, 1u, 20u, 50u}) {
        Bytes chunk(64, 0xA5);
        std::uint32_t done = 0;
        ASSERT_EQ(stream->Read(chunk.data(), size, &done), S_OK);
        EXPECT_TRUE(std::all_of(chunk.begin() + size, chunk.end(),
                                [](std::uint8_t b) { return b == 0xA5; }));
        text.insert(text.end(), chunk.begin(), chunk.begin() + done);
    }
    EXPECT_EQ(text, builder.Text());
}

TEST(CompressedRtfRead, RejectsCountsAboveTheSignedRange)
{
    auto source = platform::CreateMemoryStream(kExample1Value);
    ComPtr<IStream> stream = OpenReader(source.Get());
    std::uint8_t byte = 0;
    std::uint32_t done = 7;
    EXPECT_EQ(stream->Read(&byte, 0x80000000u, &done), E_INVALIDARG);
    EXPECT_EQ(done, 0u);
    // Nothing was consumed: the text still comes out whole.
    Bytes text(100);
    EXPECT_EQ(stream->Read(text.data(), 100, &done), S_OK);
    EXPECT_EQ(ToText(Bytes(text.begin(), text.begin() + done)), kExample1Text);
    // A Read without a count location still works.
    EXPECT_EQ(stream->Read(text.data(), 1, nullptr), S_OK);
}

// ---------------------------------------------------------------------------------------
// Opening

TEST(CompressedRtfOpen, RejectsBadHeaders)
{
    struct Case {
        const char* name;
        Bytes value;
    };
    auto header = [](std::uint32_t size, const char* magic) {
        Bytes value;
        PutLe32(value, size);
        PutLe32(value, 0);
        value.insert(value.end(), magic, magic + 4);
        PutLe32(value, 0);
        value.push_back(0x01);
        return value;
    };
    Bytes fifteen = kExample1Value;
    fifteen.resize(15);
    const Case cases[] = {
        {"empty source", {}},
        {"15 bytes", fifteen},
        {"compressed magic in lower case", header(13, "lzfu")},
        {"compressed magic in upper case", header(13, "LZFU")},
        {"uncompressed magic in lower case", header(13, "mela")},
        {"unknown magic", header(13, "ABCD")},
        {"compressed size above 0x7FFFFFFF", header(0x80000000u, "LZFu")},
    };
    for (const Case& c : cases) {
        auto source = FaultStream::Create(c.value);
        IStream* result = reinterpret_cast<IStream*>(&source);
        EXPECT_EQ(OpenCompressedRtfStream(source.Get(), 0, &result), MAPI_E_CORRUPT_DATA) << c.name;
        EXPECT_EQ(result, nullptr) << c.name;
        EXPECT_EQ(source->references, 1u) << c.name;
    }
    // The largest allowed size opens.
    auto source = platform::CreateMemoryStream(header(0x7FFFFFFF, "LZFu"));
    ComPtr<IStream> stream;
    EXPECT_EQ(OpenCompressedRtfStream(source.Get(), 0, stream.Put()), S_OK);
}

TEST(CompressedRtfOpen, PassesASourceFailureThroughAndChecksArguments)
{
    auto failing = testing_support::MeanStream::Create(kExample1Value, {.failAt = 3});
    IStream* result = nullptr;
    EXPECT_EQ(OpenCompressedRtfStream(failing.Get(), 0, &result), testing_support::STG_E_READFAULT);
    EXPECT_EQ(result, nullptr);

    auto source = platform::CreateMemoryStream(kExample1Value);
    EXPECT_EQ(OpenCompressedRtfStream(nullptr, 0, &result), E_INVALIDARG);
    EXPECT_EQ(OpenCompressedRtfStream(source.Get(), 0, nullptr), E_INVALIDARG);
}

TEST(CompressedRtfOpen, HoldsOneReferenceToTheSourceUntilTheLastRelease)
{
    auto source = FaultStream::Create(kExample1Value);
    IStream* stream = nullptr;
    ASSERT_EQ(OpenCompressedRtfStream(source.Get(), 0, &stream), S_OK);
    EXPECT_EQ(source->references, 2u);
    EXPECT_EQ(stream->AddRef(), 2u);
    EXPECT_EQ(stream->Release(), 1u);
    EXPECT_EQ(source->references, 2u);
    EXPECT_EQ(stream->Release(), 0u);
    EXPECT_EQ(source->references, 1u);
}

TEST(CompressedRtfObject, AnswersOnlyForIUnknownAndIStream)
{
    auto source = platform::CreateMemoryStream(kExample1Value);
    ComPtr<IStream> stream = OpenReader(source.Get());
    void* object = nullptr;
    ASSERT_EQ(stream->QueryInterface(platform::IID_IStream, &object), S_OK);
    EXPECT_EQ(object, stream.Get());
    static_cast<IStream*>(object)->Release();
    ASSERT_EQ(stream->QueryInterface(platform::IID_IUnknown, &object), S_OK);
    EXPECT_EQ(object, stream.Get());
    static_cast<IStream*>(object)->Release();
    object = &object;
    EXPECT_EQ(stream->QueryInterface(platform::IID_ISequentialStream, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(stream->QueryInterface(platform::IID_IPersistFile, &object), E_NOINTERFACE);
    EXPECT_EQ(stream->QueryInterface(platform::IID_IStream, nullptr), E_INVALIDARG);
    EXPECT_EQ(stream->AddRef(), 2u);
    EXPECT_EQ(stream->Release(), 1u);
}

TEST(CompressedRtfObject, DirectionIsFixedAtOpen)
{
    auto source = platform::CreateMemoryStream(kExample1Value);
    ComPtr<IStream> reader = OpenReader(source.Get());
    std::uint32_t done = 5;
    EXPECT_EQ(reader->Write("x", 1, &done), E_ACCESSDENIED);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(reader->Commit(0), E_ACCESSDENIED);
    // The reader still works afterwards.
    EXPECT_EQ(ToText(Inflate(kExample1Value).text), kExample1Text);

    auto target = platform::CreateMemoryStream();
    ComPtr<IStream> writer;
    ASSERT_EQ(OpenCompressedRtfStream(target.Get(), MAPI_MODIFY, writer.Put()), S_OK);
    std::uint8_t byte = 0;
    EXPECT_EQ(writer->Read(&byte, 1, &done), E_ACCESSDENIED);
    EXPECT_EQ(done, 0u);
}

// ---------------------------------------------------------------------------------------
// CopyTo

TEST(CompressedRtfCopyTo, CopiesTheWholeTextWithAnAllOnesCount)
{
    const Bytes text = RtfLikeText(100000, 1);
    const Bytes value = Deflate(text);
    auto source = platform::CreateMemoryStream(value);
    ComPtr<IStream> stream = OpenReader(source.Get());
    auto target = platform::MemoryStream::Create();
    std::uint64_t read = 0;
    std::uint64_t written = 0;
    EXPECT_EQ(stream->CopyTo(target.Get(), UINT64_MAX, &read, &written), S_OK);
    EXPECT_EQ(read, text.size());
    EXPECT_EQ(written, text.size());
    EXPECT_EQ(target->Bytes(), text);
}

TEST(CompressedRtfCopyTo, StopsAtTheLimit)
{
    auto source = platform::CreateMemoryStream(kExample2Value);
    ComPtr<IStream> stream = OpenReader(source.Get());
    auto target = platform::MemoryStream::Create();
    std::uint64_t read = 0;
    std::uint64_t written = 0;
    EXPECT_EQ(stream->CopyTo(target.Get(), 10, &read, &written), S_OK);
    EXPECT_EQ(written, 10u);
    EXPECT_EQ(ToText(target->Bytes()), kExample2Text.substr(0, 10));
    // The low word's top bit alone also means "everything".
    EXPECT_EQ(stream->CopyTo(target.Get(), 0x80000000u, nullptr, nullptr), S_OK);
    EXPECT_EQ(ToText(target->Bytes()), kExample2Text);
}

TEST(CompressedRtfCopyTo, ReportsTheFirstFailureWithTheTotalsSoFar)
{
    // Damaged value: the Read that meets the end fails, so what it delivered is counted
    // as read but not written.
    CompressedBuilder builder;
    builder.Literals("0123456789").End();
    auto source = platform::CreateMemoryStream(builder.Value(1));
    ComPtr<IStream> stream = OpenReader(source.Get());
    auto target = platform::MemoryStream::Create();
    std::uint64_t read = 0;
    std::uint64_t written = 0;
    EXPECT_EQ(stream->CopyTo(target.Get(), 4, &read, &written), S_OK);
    EXPECT_EQ(stream->CopyTo(target.Get(), UINT64_MAX, &read, &written), E_ABORT);
    EXPECT_EQ(read, 6u);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(ToText(target->Bytes()), "0123");

    // A failing target.
    auto readable = platform::CreateMemoryStream(kExample1Value);
    ComPtr<IStream> again = OpenReader(readable.Get());
    auto broken = FaultStream::Create();
    broken->writeStatus = kSourceFault;
    EXPECT_EQ(again->CopyTo(broken.Get(), UINT64_MAX, &read, &written), kSourceFault);
    EXPECT_EQ(read, kExample1Text.size());
    EXPECT_EQ(written, 0u);

    // A target that accepts nothing at all ends the copy instead of spinning.
    auto third = platform::CreateMemoryStream(kExample1Value);
    ComPtr<IStream> stream3 = OpenReader(third.Get());
    auto full = FaultStream::Create();
    full->writeCapacity = 5;
    EXPECT_EQ(stream3->CopyTo(full.Get(), UINT64_MAX, &read, &written), E_FAIL);
    EXPECT_EQ(written, 5u);
    EXPECT_EQ(stream3->CopyTo(nullptr, 1, &read, &written), E_INVALIDARG);
}

// ---------------------------------------------------------------------------------------
// Encoding

TEST(CompressedRtfWrite, EmptyTextIsTheEndReferenceAlone)
{
    auto target = FaultStream::Create();
    ComPtr<IStream> stream;
    ASSERT_EQ(OpenCompressedRtfStream(target.Get(), MAPI_MODIFY, stream.Put()), S_OK);
    EXPECT_EQ(target->bytes, Bytes(16, 0)); // the placeholder header
    EXPECT_EQ(stream->Commit(7), S_OK);
    Bytes expected;
    PutLe32(expected, 15);
    PutLe32(expected, 0);
    PutLe32(expected, viewer::rtf::kCompressedRtfMagic);
    const std::uint8_t data[] = {0x01, 0x0C, 0xF0};
    PutLe32(expected, CompressedRtfCrc(data, 3));
    expected.insert(expected.end(), std::begin(data), std::end(data));
    EXPECT_EQ(target->bytes, expected);
    EXPECT_EQ(target->commits, std::vector<std::uint32_t>{7});
    // The source is left behind the data, not at the header.
    EXPECT_EQ(target->position, expected.size());
}

TEST(CompressedRtfWrite, RoundTripsVariedTexts)
{
    struct Case {
        const char* name;
        Bytes text;
    };
    std::vector<Case> cases = {
        {"one byte", ToBytes("x")},
        {"sixteen bytes", ToBytes("0123456789abcdef")},
        {"seventeen bytes", ToBytes("0123456789abcdefg")},
        {"eighteen bytes", ToBytes("0123456789abcdefgh")},
        {"the initial dictionary", ToBytes(InitialDictionary())},
        {"one repeated byte", Bytes(100000, 'a')},
        {"zeros (like the untouched ring)", Bytes(9000, 0)},
        {"random bytes", RandomBytes(300000, 3)},
        {"random over four letters", RandomBytes(300000, 4, 4)},
        {"mail-like rtf", RtfLikeText(2 * 1024 * 1024, 5)},
    };
    for (std::size_t size = 0; size < 40; ++size) {
        cases.push_back({"short random", RandomBytes(size, static_cast<std::uint32_t>(size), 3)});
    }
    for (const Case& c : cases) {
        for (const std::size_t piece : {std::size_t{1} << 20, std::size_t{7}, std::size_t{1}}) {
            if (piece == 1 && c.text.size() > 100000) {
                continue;
            }
            const Bytes value = Deflate(c.text, MAPI_MODIFY, piece);
            ASSERT_GE(value.size(), 16u);
            EXPECT_EQ(Le32(value, 0), value.size() - 4) << c.name;
            EXPECT_EQ(Le32(value, 4), c.text.size()) << c.name;
            EXPECT_EQ(Le32(value, 8), viewer::rtf::kCompressedRtfMagic) << c.name;
            EXPECT_EQ(Le32(value, 12), CompressedRtfCrc(value.data() + 16, value.size() - 16))
                << c.name;
            const Inflated result = Inflate(value, 4096);
            EXPECT_EQ(result.status, S_OK) << c.name;
            ASSERT_EQ(result.text, c.text) << c.name << ", pieces of " << piece;
            // Writing in pieces changes nothing in the output.
            EXPECT_EQ(value, Deflate(c.text)) << c.name;
        }
    }
}

TEST(CompressedRtfWrite, RepetitiveTextShrinksBelowHalf)
{
    const Bytes text = RtfLikeText(1024 * 1024, 9);
    const Bytes value = Deflate(text);
    EXPECT_LT(value.size(), text.size() / 2);
    // The longest references (17 bytes) carry a run of one byte: about 3 bytes for 17.
    const Bytes run = Deflate(Bytes(17 * 1000, ' '));
    EXPECT_LT(run.size(), 16 + 1000 * 2 + 1000 / 8 + 40);
}

TEST(CompressedRtfWrite, ReproducesThePublishedExamplesByteForByte)
{
    EXPECT_EQ(Deflate(ToBytes(kExample1Text)), kExample1Value);
    EXPECT_EQ(Deflate(ToBytes(kExample2Text)), kExample2Value);
    // The same when the text arrives one byte at a time.
    EXPECT_EQ(Deflate(ToBytes(kExample1Text), MAPI_MODIFY, 1), kExample1Value);
}

TEST(CompressedRtfWrite, HeaderGoesWhereTheSourceStoodAndReleaseDoesNotCommit)
{
    auto target = FaultStream::Create(ToBytes("prefix"));
    target->position = 6;
    {
        ComPtr<IStream> stream;
        ASSERT_EQ(OpenCompressedRtfStream(target.Get(), MAPI_MODIFY, stream.Put()), S_OK);
        std::uint32_t done = 0;
        ASSERT_EQ(stream->Write("hello hello hello hello", 23, &done), S_OK);
        EXPECT_EQ(done, 23u);
        EXPECT_EQ(target->references, 2u);
    }
    // Released without Commit: the placeholder header stays and nothing was committed.
    EXPECT_EQ(target->references, 1u);
    EXPECT_EQ(ToText(Bytes(target->bytes.begin(), target->bytes.begin() + 6)), "prefix");
    EXPECT_EQ(Bytes(target->bytes.begin() + 6, target->bytes.begin() + 22), Bytes(16, 0));
    EXPECT_TRUE(target->commits.empty());

    auto second = FaultStream::Create(ToBytes("prefix"));
    second->position = 6;
    ComPtr<IStream> stream;
    ASSERT_EQ(OpenCompressedRtfStream(second.Get(), MAPI_MODIFY, stream.Put()), S_OK);
    std::uint32_t done = 0;
    ASSERT_EQ(stream->Write("hello hello hello hello", 23, &done), S_OK);
    ASSERT_EQ(stream->Commit(0), S_OK);
    const Bytes value(second->bytes.begin() + 6, second->bytes.end());
    EXPECT_EQ(ToText(Inflate(value).text), "hello hello hello hello");
}

TEST(CompressedRtfWrite, WritesAroundCommitFollowTheRules)
{
    auto target = FaultStream::Create();
    ComPtr<IStream> stream;
    ASSERT_EQ(OpenCompressedRtfStream(target.Get(), MAPI_MODIFY, stream.Put()), S_OK);
    std::uint32_t done = 9;
    EXPECT_EQ(stream->Write("", 0, &done), E_INVALIDARG);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(stream->Write(nullptr, 4, &done), E_INVALIDARG);
    ASSERT_EQ(stream->Write("abcabcabc", 9, &done), S_OK);
    ASSERT_EQ(stream->Commit(0), S_OK);
    const Bytes committed = target->bytes;
    EXPECT_EQ(stream->Write("more", 4, &done), E_ACCESSDENIED);
    EXPECT_EQ(done, 0u);
    // A second Commit (a 0-byte write) rewrites the header but adds no second end block.
    EXPECT_EQ(stream->Write("", 0, &done), S_OK);
    EXPECT_EQ(stream->Commit(0), S_OK);
    EXPECT_EQ(target->bytes, committed);
    EXPECT_EQ(ToText(Inflate(committed).text), "abcabcabc");
}

TEST(CompressedRtfWrite, StoresUncompressedOnRequest)
{
    const Bytes text = RtfLikeText(10000, 2);
    auto target = FaultStream::Create();
    ComPtr<IStream> stream;
    ASSERT_EQ(
        OpenCompressedRtfStream(target.Get(), MAPI_MODIFY | STORE_UNCOMPRESSED_RTF, stream.Put()),
        S_OK);
    std::uint32_t done = 0;
    ASSERT_EQ(stream->Write(text.data(), 4000, &done), S_OK);
    EXPECT_EQ(done, 4000u);
    ASSERT_EQ(stream->Write(text.data() + 4000, 6000, &done), S_OK);
    ASSERT_EQ(stream->Commit(3), S_OK);
    EXPECT_EQ(target->commits, std::vector<std::uint32_t>{3});
    const Bytes& value = target->bytes;
    EXPECT_EQ(Le32(value, 0), text.size() + 12);
    EXPECT_EQ(Le32(value, 4), text.size());
    EXPECT_EQ(Le32(value, 8), viewer::rtf::kUncompressedRtfMagic);
    EXPECT_EQ(Le32(value, 12), 0u);
    EXPECT_EQ(Bytes(value.begin() + 16, value.end()), text);
    EXPECT_EQ(Inflate(value).text, text);
    EXPECT_EQ(stream->Write("x", 1, &done), E_ACCESSDENIED);
}

TEST(CompressedRtfWrite, TargetFailuresComeBack)
{
    // Placeholder header written short, or refused: no object, no reference kept.
    for (const bool refuse : {false, true}) {
        auto target = FaultStream::Create();
        if (refuse) {
            target->writeStatus = kSourceFault;
        } else {
            target->writeCapacity = 15;
        }
        IStream* stream = nullptr;
        EXPECT_EQ(OpenCompressedRtfStream(target.Get(), MAPI_MODIFY, &stream),
                  refuse ? kSourceFault : E_FAIL);
        EXPECT_EQ(stream, nullptr);
        EXPECT_EQ(target->references, 1u);
    }
    // The position cannot be asked for.
    auto unseekable = FaultStream::Create();
    unseekable->seekStatus = kSourceFault;
    IStream* stream = nullptr;
    EXPECT_EQ(OpenCompressedRtfStream(unseekable.Get(), MAPI_MODIFY, &stream), kSourceFault);

    // A flush written short while encoding, and at Commit; the source's Commit is not called.
    const Bytes text = RandomBytes(20000, 11);
    auto shortTarget = FaultStream::Create();
    shortTarget->writeCapacity = 16 + 5000;
    ComPtr<IStream> writer;
    ASSERT_EQ(OpenCompressedRtfStream(shortTarget.Get(), MAPI_MODIFY, writer.Put()), S_OK);
    std::uint32_t done = 0;
    EXPECT_EQ(writer->Write(text.data(), static_cast<std::uint32_t>(text.size()), &done), E_FAIL);
    EXPECT_LT(done, text.size());
    auto commitTarget = FaultStream::Create();
    commitTarget->writeCapacity = 16 + 10;
    ComPtr<IStream> committer;
    ASSERT_EQ(OpenCompressedRtfStream(commitTarget.Get(), MAPI_MODIFY, committer.Put()), S_OK);
    ASSERT_EQ(committer->Write(text.data(), 100, &done), S_OK);
    EXPECT_EQ(committer->Commit(0), E_FAIL);
    EXPECT_TRUE(commitTarget->commits.empty());

    // The header cannot be put back at Commit.
    auto noSeek = FaultStream::Create();
    ComPtr<IStream> third;
    ASSERT_EQ(OpenCompressedRtfStream(noSeek.Get(), MAPI_MODIFY, third.Put()), S_OK);
    ASSERT_EQ(third->Write(text.data(), 100, &done), S_OK);
    noSeek->seekStatus = kSourceFault;
    EXPECT_EQ(third->Commit(0), kSourceFault);
    EXPECT_TRUE(noSeek->commits.empty());
    // The source's own Commit failure is passed back.
    auto badCommit = FaultStream::Create();
    badCommit->commitStatus = kSourceFault;
    ComPtr<IStream> fourth;
    ASSERT_EQ(OpenCompressedRtfStream(badCommit.Get(), MAPI_MODIFY, fourth.Put()), S_OK);
    EXPECT_EQ(fourth->Commit(0), kSourceFault);
}

TEST(CompressedRtfWrite, OutputIsStableForFixedInputs)
{
    // Size and CRC of the whole compressed value, recorded from the encoder as it walks
    // the match tree; a faster walk must pick exactly the same references.
    struct Case {
        const char* name;
        Bytes text;
        std::size_t size;
        std::uint32_t crc;
    };
    const Case cases[] = {
        {"mail-like rtf", RtfLikeText(1024 * 1024, 5), 229903, 0x2E77A9AB},
        {"random bytes", RandomBytes(300000, 3), 335313, 0x5EC16282},
        {"random over four letters", RandomBytes(300000, 4, 4), 108261, 0x36896620},
        {"random over sixteen letters", RandomBytes(300000, 4, 16), 237174, 0xA2F21257},
        {"one repeated byte", Bytes(100000, 'a'), 12521, 0x5DAE5CB5},
        {"the dictionary twice", ToBytes(InitialDictionary() + InitialDictionary()), 72,
         0xE033832D},
    };
    for (const Case& c : cases) {
        const Bytes value = Deflate(c.text);
        EXPECT_EQ(value.size(), c.size) << c.name;
        EXPECT_EQ(CompressedRtfCrc(value.data(), value.size()), c.crc) << c.name;
    }
}

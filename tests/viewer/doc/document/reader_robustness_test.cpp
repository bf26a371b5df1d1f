// Whole walks over damaged, cut, hostile and misbehaving streams.
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>

#include <gtest/gtest.h>

#include "tests/support/tnef_walk.h"
#include "tests/support/test_files.h"
#include "tests/viewer/doc/document/reader_fixture.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define READER_TESTS_UNDER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define READER_TESTS_UNDER_ASAN 1
#endif

// The largest single operator-new request made while tracking is on: a length or count
// from the stream must never size an allocation. (Sanitizer builds keep their own
// allocator and skip the check.)
#if !defined(READER_TESTS_UNDER_ASAN)
#if defined(__GNUC__) && !defined(__clang__)
// The replacement pair below is malloc/free on both sides; GCC cannot see that.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
namespace {
std::atomic<bool> g_tracking{false};
std::atomic<std::size_t> g_largest{0};
} // namespace

void* operator new(std::size_t size)
{
    if (g_tracking.load(std::memory_order_relaxed)) {
        std::size_t seen = g_largest.load(std::memory_order_relaxed);
        while (size > seen && !g_largest.compare_exchange_weak(seen, size)) {
        }
    }
    if (void* block = std::malloc(size ? size : 1)) {
        return block;
    }
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
#endif

namespace viewer::doc::document {
using namespace viewer::doc::model;

namespace {

using namespace testing_support;
using reader_tests::DocOver;

class AllocationWatch {
public:
    AllocationWatch()
    {
#if !defined(READER_TESTS_UNDER_ASAN)
        g_largest = 0;
        g_tracking = true;
#endif
    }
    ~AllocationWatch() { Stop(); }
    void Stop()
    {
#if !defined(READER_TESTS_UNDER_ASAN)
        g_tracking = false;
#endif
    }
    // True when no single request exceeded `limit` (always true under sanitizers).
    bool StayedBelow(std::size_t limit) const
    {
#if !defined(READER_TESTS_UNDER_ASAN)
        return g_largest.load() < limit;
#else
        static_cast<void>(limit);
        return true;
#endif
    }
};

const GuidBytes kMessageIid = {0x07, 0x03, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};

// A message with something of every kind: dates, texts, named properties, a recipient
// table, a large binary, a PT_OBJECT, and two attachments.
ByteVector RichMessage()
{
    ByteVector rtf = Pattern(1500, 7);
    return TnefBuilder()
        .Header()
        .MessageAttribute(attTnefVersion, ByteVector{0, 0, 1, 0})
        .MessageAttribute(attMessageClass, "IPM.Note")
        .MessageAttribute(attSubject, "Quarterly figures")
        .MessageAttribute(attDateSent, DateBytes(2026, 12, 7, 10, 0, 0, 1))
        .MessageAttribute(attPriority, ByteVector{2, 0})
        .RecipientTable({PropertyList().String8(PR_DISPLAY_NAME, "Ann Example").Long(0x0C150003, 1),
                         PropertyList().Unicode(0x3001001F, u"Bob").Long(0x0C150003, 2)})
        .MessageProperties(PropertyList()
                               .String8(PR_SUBJECT, "Quarterly figures")
                               .Long(PR_MESSAGE_FLAGS, 0x19)
                               .Short(PROP_TAG(PT_BOOLEAN, 0x0E1B), 1)
                               .Int64(PROP_TAG(PT_SYSTIME, 0x0039), 0x01D9000011112222ull)
                               .Binary(PR_RTF_COMPRESSED, rtf)
                               .String8(PR_BODY_HTML_A, "<p>x</p>")
                               .NamedId(PublicStringsGuid(), 0x8233)
                               .Long(PROP_TAG(PT_LONG, 0x8000), 5)
                               .NamedString(PublicStringsGuid(), u"Keywords")
                               .Multi(PROP_TAG(PT_MV_STRING8, 0x8001), {BytesOf("a"), BytesOf("bb")})
                               .Multi(PROP_TAG(PT_MV_LONG, 0x0E5E), {Pattern(4), Pattern(4, 9)}))
        .StartAttachment()
        .AttachmentAttribute(attAttachTitle, "report.txt")
        .AttachmentAttribute(attAttachModifyDate, DateBytes(2026, 1, 2))
        .AttachmentAttribute(attAttachData, Pattern(3000, 1))
        .AttachmentProperties(PropertyList()
                                  .Long(PR_ATTACH_METHOD, ATTACH_BY_VALUE)
                                  .String8(PR_ATTACH_LONG_FILENAME, "report.txt")
                                  .Binary(PR_ATTACH_DATA_BIN, Pattern(3000, 1)))
        .StartAttachment(atypOle)
        .AttachmentAttribute(attAttachMetaFile, Pattern(200, 3))
        .AttachmentProperties(PropertyList()
                                  .Long(PR_ATTACH_METHOD, ATTACH_EMBEDDED_MSG)
                                  .Object(PR_ATTACH_DATA_OBJ, kMessageIid, Pattern(40)))
        .Bytes();
}

WalkSummary WalkBytes(const ByteVector& bytes, WalkOptions options = {})
{
    return WalkStream(*DocOver(bytes), options);
}

WalkSummary WalkMean(const ByteVector& bytes, MeanStreamOptions meanOptions, WalkOptions options = {})
{
    return WalkStream(*DocOver(MeanStream::Create(bytes, meanOptions)), options);
}

// The values of `part` are the first values of `whole`, field for field.
void ExpectValuePrefix(const WalkSummary& part, const WalkSummary& whole)
{
    ASSERT_LE(part.valueList.size(), whole.valueList.size());
    for (std::size_t i = 0; i < part.valueList.size(); ++i) {
        const WalkedValue& a = part.valueList[i];
        const WalkedValue& b = whole.valueList[i];
        ASSERT_EQ(a.position, b.position) << "value " << i;
        ASSERT_EQ(a.tag, b.tag) << "value " << i;
        ASSERT_EQ(a.kind, b.kind) << "value " << i;
        ASSERT_EQ(a.size, b.size) << "value " << i;
        ASSERT_EQ(a.hasData, b.hasData) << "value " << i;
    }
}

void ExpectSameWalk(const WalkSummary& a, const WalkSummary& b)
{
    EXPECT_EQ(a.attributes, b.attributes);
    EXPECT_EQ(a.decoded, b.decoded);
    EXPECT_EQ(a.lists, b.lists);
    EXPECT_EQ(a.rows, b.rows);
    EXPECT_EQ(a.properties, b.properties);
    EXPECT_EQ(a.values, b.values);
    EXPECT_EQ(a.digest, b.digest) << "kept bytes differ";
    ASSERT_EQ(a.walked.size(), b.walked.size());
    for (std::size_t i = 0; i < a.walked.size(); ++i) {
        EXPECT_EQ(a.walked[i].computed, b.walked[i].computed) << "attribute " << i;
    }
}

TEST(ReaderWalk, RichMessageIsWalkedWhole)
{
    const ByteVector bytes = RichMessage();
    const WalkSummary walk = WalkBytes(bytes, {.computeChecksums = true, .copyElements = true});
    EXPECT_EQ(walk.copyMismatches, 0u);
    EXPECT_TRUE(walk.validHeader);
    EXPECT_EQ(walk.end, platform::E_FAIL) << "the end of the stream ends the walk";
    EXPECT_EQ(walk.attributes, 15u);
    EXPECT_EQ(walk.attachments, 2u);
    EXPECT_EQ(walk.lists, 4u);
    EXPECT_EQ(walk.rows, 2u);
    EXPECT_EQ(walk.properties, 4u + 9 + 3 + 2);
    EXPECT_EQ(walk.namedProperties, 2u);
    EXPECT_EQ(walk.values, 4u + 11 + 3 + 2);
    for (const WalkedAttribute& attribute : walk.walked) {
        EXPECT_EQ(attribute.computed, attribute.stored) << std::hex << attribute.identifier;
    }
    const WalkedAttribute& last = walk.walked.back();
    EXPECT_EQ(last.position + 11 + last.length, bytes.size());
    std::uint32_t rtf = 0, html = 0, bin = 0, message = 0;
    for (const WalkedValue& value : walk.valueList) {
        rtf += value.kind == ELEM_COMPRESSED_RTF;
        html += value.kind == ELEM_HTML_BODY;
        bin += value.kind == ELEM_ATTACH_DATA_BIN;
        message += value.kind == ELEM_EMBEDDED_MESSAGE;
    }
    EXPECT_EQ(rtf + html + bin + message, 4u);
}

TEST(ReaderWalk, CutAtEveryOffsetStopsAtTheCut)
{
    const ByteVector bytes = RichMessage();
    const WalkSummary whole = WalkBytes(bytes);
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        SCOPED_TRACE(cut);
        const ByteVector part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
        const WalkSummary walk = WalkBytes(part);
        ASSERT_LT(walk.end, 0);
        ASSERT_EQ(walk.header, cut >= 6);
        std::uint32_t complete = 0;
        for (const WalkedAttribute& attribute : whole.walked) {
            complete += attribute.position + 11 + attribute.length <= cut;
        }
        ASSERT_EQ(walk.attributes, complete);
        ExpectValuePrefix(walk, whole);
        for (const WalkedValue& value : walk.valueList) {
            ASSERT_LE(value.position, cut);
        }
    }
}

TEST(ReaderWalk, PoisoningStreamChangesNothing)
{
    const ByteVector bytes = RichMessage();
    ExpectSameWalk(WalkMean(bytes, {.poison = true}, {.computeChecksums = true}),
                   WalkBytes(bytes, {.computeChecksums = true}));
    for (std::size_t cut = 6; cut < bytes.size(); cut += 7) {
        SCOPED_TRACE(cut);
        const ByteVector part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
        ExpectSameWalk(WalkMean(part, {.poison = true}), WalkBytes(part));
    }
}

TEST(ReaderWalk, StreamFailingAtEveryByteEndsLikeACut)
{
    const ByteVector bytes = RichMessage();
    for (std::size_t failAt = 0; failAt < bytes.size(); ++failAt) {
        SCOPED_TRACE(failAt);
        const ByteVector part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(failAt));
        const WalkSummary failing = WalkMean(bytes, {.poison = true, .failAt = failAt});
        ASSERT_LT(failing.end, 0);
        const WalkSummary cut = WalkBytes(part);
        ASSERT_EQ(failing.attributes, cut.attributes);
        ASSERT_EQ(failing.values, cut.values);
        ASSERT_EQ(failing.digest, cut.digest);
    }
}

TEST(ReaderWalk, StreamRefusingSeeksPastItsEndStillEnds)
{
    const ByteVector bytes = RichMessage();
    for (std::size_t cut = 0; cut < bytes.size(); cut += 3) {
        SCOPED_TRACE(cut);
        const ByteVector part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
        const WalkSummary strict = WalkMean(part, {.poison = true, .refuseSeekPastEnd = true});
        ASSERT_LT(strict.end, 0);
        ASSERT_LE(strict.attributes, WalkBytes(part).attributes);
    }
}

// ---- Huge lengths and counts ---------------------------------------------------------------

TEST(ReaderHostileSizes, HugeCountsEndAtTheFirstReadPastTheEnd)
{
    struct Row {
        const char* what;
        ByteVector bytes;
        std::uint32_t properties;
        std::uint32_t values;
    };
    ByteVector longs;
    for (std::uint32_t i = 0; i < 3; ++i) {
        PutDword(longs, i);
    }
    const Row rows[] = {
        {"property count of four billion",
         TnefBuilder().Header().MessageProperties(PropertyList().Long(PR_MESSAGE_FLAGS, 1).Long(PR_ATTACH_METHOD, 1).Count(0xFFFFFFFFu)).Bytes(),
         2, 2},
        {"value count of four billion",
         TnefBuilder().Header().MessageProperties(PropertyList().ValueCount(0xFFFFFFFFu).Multi(PROP_TAG(PT_MV_LONG, 0x0E5E), {Pattern(4), Pattern(4), Pattern(4)})).Bytes(),
         1, 3},
        {"row count of four billion",
         TnefBuilder().Header().RecordHead(LVL_MESSAGE, attRecipTable, 12).Dword(0xFFFFFFFFu).Dword(1).Dword(PROP_TAG(PT_LONG, 0x0C15)).Word(0).Bytes(),
         1, 0},
        {"binary values of two gigabytes each",
         TnefBuilder().Header().MessageProperties(PropertyList().ValueCount(0xFFFFFFFFu).Multi(PR_ATTACH_DATA_BIN, {}).Raw({0xFF, 0xFF, 0xFF, 0x7F})).Bytes(),
         1, 1},
        {"string counts without strings",
         TnefBuilder().Header().MessageProperties(PropertyList().ValueCount(0xFFFFFFFFu).Multi(PROP_TAG(PT_MV_STRING8, 0x0E00), {})).Bytes(),
         1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        AllocationWatch watch;
        const WalkSummary walk = WalkBytes(row.bytes);
        watch.Stop();
        EXPECT_LT(walk.end, 0);
        EXPECT_EQ(walk.attributes, 1u);
        EXPECT_EQ(walk.properties, row.properties);
        // The list attribute's own checksum follows the last value and reads as data:
        // at most a few more values come out of it, never billions.
        EXPECT_LE(walk.values, row.values + 2);
        EXPECT_TRUE(watch.StayedBelow(64 * 1024));
    }
}

TEST(ReaderHostileSizes, HugeAttributeLengthsAreSkippedNotHeld)
{
    const ByteVector bytes = TnefBuilder()
                                 .Header()
                                 .MessageAttribute(attSubject, "kept")
                                 .RecordHead(LVL_MESSAGE, attBody, 0xFFFFFFFFu)
                                 .Raw(Pattern(64))
                                 .Bytes();
    AllocationWatch watch;
    const WalkSummary walk = WalkBytes(bytes, {.computeChecksums = false});
    watch.Stop();
    EXPECT_EQ(walk.attributes, 1u);
    EXPECT_LT(walk.end, 0);
    EXPECT_TRUE(watch.StayedBelow(64 * 1024));

    auto doc = DocOver(bytes);
    AttributeElement attribute(ELEM_METAFILE);
    attribute.m_position = 6 + 11 + 5;
    attribute.m_length = 0xFFFFFFFFu;
    std::uint16_t sum = 0;
    EXPECT_LT(doc->ComputeChecksum(&attribute, &sum), 0);
    AttributeElement copy(ELEM_METAFILE);
    AllocationWatch copyWatch;
    ASSERT_TRUE(attribute.CopyTo(&copy));
    copyWatch.Stop();
    EXPECT_TRUE(copyWatch.StayedBelow(64 * 1024));
}

TEST(ReaderHostileSizes, NamedPropertyNameLengthIsCappedBeforeAllocating)
{
    const ByteVector bytes = TnefBuilder()
                                 .Header()
                                 .MessageProperties(PropertyList()
                                                        .NamedStringRaw(PublicStringsGuid(), 0x7FFFFFFF, Pattern(32))
                                                        .Long(PROP_TAG(PT_LONG, 0x8000), 1))
                                 .Bytes();
    AllocationWatch watch;
    const WalkSummary walk = WalkBytes(bytes);
    watch.Stop();
    EXPECT_EQ(walk.properties, 0u);
    EXPECT_EQ(walk.lists, 1u);
    EXPECT_TRUE(watch.StayedBelow(64 * 1024));
}

// ---- Real files -------------------------------------------------------------------------------

std::filesystem::path CorpusFolder() { return std::filesystem::path(PALLION_CORPUS_DIR) / "tnef"; }

WalkSummary WalkFile(const std::string& name)
{
    return WalkBytes(ReadFile((CorpusFolder() / name).string()), {.computeChecksums = true});
}

std::uint32_t CountKind(const WalkSummary& walk, std::uint32_t kind)
{
    std::uint32_t n = 0;
    for (const WalkedValue& value : walk.valueList) {
        n += value.kind == kind;
    }
    return n;
}

std::uint32_t WrongChecksums(const WalkSummary& walk)
{
    std::uint32_t n = 0;
    for (const WalkedAttribute& attribute : walk.walked) {
        n += attribute.computed != attribute.stored;
    }
    return n;
}

TEST(ReaderCorpus, EveryFileWalksToItsEnd)
{
    if (!std::filesystem::is_directory(CorpusFolder())) {
        GTEST_SKIP() << "no corpus";
    }
    for (const auto& entry : std::filesystem::directory_iterator(CorpusFolder())) {
        SCOPED_TRACE(entry.path().filename().string());
        const ByteVector bytes = ReadFile(entry.path().string());
        const WalkSummary walk = WalkBytes(bytes, {.computeChecksums = true, .copyElements = true});
        EXPECT_LT(walk.end, 0);
        EXPECT_EQ(walk.copyMismatches, 0u);
        for (const WalkedAttribute& attribute : walk.walked) {
            EXPECT_LE(attribute.position + 11 + attribute.length, bytes.size());
        }
        // The poisoning stream must not change a single kept byte.
        ExpectSameWalk(WalkMean(bytes, {.poison = true}, {.computeChecksums = true}), walk);
    }
}

TEST(ReaderCorpus, KnownFilesShowTheirStructure)
{
    if (!std::filesystem::is_directory(CorpusFolder())) {
        GTEST_SKIP() << "no corpus";
    }
    const WalkSummary attachments = WalkFile("attachments.tnef");
    EXPECT_TRUE(attachments.validHeader);
    EXPECT_EQ(attachments.attachments, 2u);
    EXPECT_EQ(CountKind(attachments, ELEM_COMPRESSED_RTF), 1u);
    EXPECT_EQ(WrongChecksums(attachments), 0u);

    const WalkSummary body = WalkFile("body.tnef");
    EXPECT_EQ(CountKind(body, ELEM_HTML_BODY), 1u);
    EXPECT_EQ(body.attachments, 0u);

    EXPECT_EQ(WalkFile("MAPI_ATTACH_DATA_OBJ.tnef").attachments, 3u);
    EXPECT_EQ(CountKind(WalkFile("MAPI_OBJECT.tnef"), ELEM_OLE_OBJECT), 1u);
    EXPECT_EQ(WrongChecksums(WalkFile("IPM-DistList.tnef")), 2u);
    EXPECT_EQ(WalkFile("empty-file.tnef").header, false);
}

} // namespace
} // namespace viewer::doc::document

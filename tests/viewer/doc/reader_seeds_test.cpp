// Writes the reader fuzz target's seeds when PALLION_READER_SEEDS names a folder:
//   PALLION_READER_SEEDS=fuzz/corpus/reader build/tests/reader_test --gtest_filter='ReaderSeeds.*'
// Each seed is small and shows one feature of the format; without the variable the test
// only checks that every seed walks to its end.
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_files.h"
#include "tests/support/tnef_walk.h"
#include "tests/viewer/doc/reader_fixture.h"

namespace viewer::doc {
namespace {

using namespace testing_support;

const GuidBytes kStorageIid = {0x0B, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
const GuidBytes kMessageIid = {0x07, 0x03, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};

std::vector<std::pair<std::string, ByteVector>> Seeds()
{
    std::vector<std::pair<std::string, ByteVector>> seeds;
    seeds.emplace_back("header_only", TnefBuilder().Header().Bytes());
    seeds.emplace_back("simple_message",
                       TnefBuilder()
                           .Header()
                           .MessageAttribute(attTnefVersion, ByteVector{0, 0, 1, 0})
                           .MessageAttribute(attMessageClass, "IPM.Note")
                           .MessageAttribute(attSubject, "Hi")
                           .MessageAttribute(attDateSent, DateBytes(2026, 12, 7, 10, 0, 0, 1))
                           .MessageAttribute(attBody, "Hello")
                           .Bytes());
    seeds.emplace_back("properties",
                       TnefBuilder()
                           .Header()
                           .MessageProperties(PropertyList()
                                                  .String8(PR_SUBJECT, "Hi")
                                                  .Long(PR_MESSAGE_FLAGS, 0x19)
                                                  .Short(PropTag(PT_BOOLEAN, 0x0E1B), 1)
                                                  .Int64(PropTag(PT_SYSTIME, 0x0039), 1)
                                                  .Fixed(PropTag(PT_CLSID, 0x0E20), Pattern(16))
                                                  .Unicode(0x3001001F, u"Ann")
                                                  .Binary(PR_RTF_COMPRESSED, Pattern(20))
                                                  .String8(PR_BODY_HTML_A, "<p/>"))
                           .Bytes());
    seeds.emplace_back("named",
                       TnefBuilder()
                           .Header()
                           .MessageProperties(PropertyList()
                                                  .NamedId(PublicStringsGuid(), 0x8233)
                                                  .Long(PropTag(PT_LONG, 0x8000), 5)
                                                  .NamedString(PublicStringsGuid(), u"Keywords")
                                                  .Multi(PropTag(PT_MV_STRING8, 0x8001), {BytesOf("a"), BytesOf("bb")})
                                                  .NamedStringRaw(PublicStringsGuid(), 5, {'X', 0, 'Y', 0, 'Z'})
                                                  .Multi(PropTag(PT_MV_LONG, 0x8002), {Pattern(4), Pattern(4)}))
                           .Bytes());
    seeds.emplace_back("recipients",
                       TnefBuilder()
                           .Header()
                           .RecipientTable({PropertyList().String8(PR_DISPLAY_NAME, "Ann").Long(0x0C150003, 1),
                                            PropertyList().Unicode(0x3001001F, u"Bob")})
                           .Bytes());
    seeds.emplace_back("attachments",
                       TnefBuilder()
                           .Header()
                           .MessageAttribute(attSubject, "att")
                           .StartAttachment()
                           .AttachmentAttribute(attAttachTitle, "a.txt")
                           .AttachmentAttribute(attAttachModifyDate, DateBytes(2026, 1, 2))
                           .AttachmentAttribute(attAttachData, Pattern(40))
                           .AttachmentProperties(PropertyList()
                                                     .Long(PR_ATTACH_METHOD, ATTACH_BY_VALUE)
                                                     .String8(PR_ATTACH_LONG_FILENAME, "a.txt")
                                                     .Binary(PR_ATTACH_DATA_BIN, Pattern(40)))
                           .StartAttachment(atypOle)
                           .AttachmentAttribute(attAttachMetaFile, Pattern(30))
                           .AttachmentProperties(PropertyList()
                                                     .Long(PR_ATTACH_METHOD, ATTACH_OLE)
                                                     .Object(PR_ATTACH_DATA_OBJ, kStorageIid, Pattern(14)))
                           .StartAttachment()
                           .AttachmentProperties(PropertyList()
                                                     .Long(PR_ATTACH_METHOD, ATTACH_EMBEDDED_MSG)
                                                     .Object(PR_ATTACH_DATA_OBJ, kMessageIid, Pattern(8)))
                           .Bytes());
    seeds.emplace_back("first_is_attachment",
                       TnefBuilder().Header().StartAttachment().AttachmentAttribute(attAttachTitle, "x").Bytes());
    seeds.emplace_back("damaged",
                       TnefBuilder()
                           .Header(0x12345678)
                           .Attribute(LVL_MESSAGE, attSubject, BytesOf("bad"), 1)
                           .MessageProperties(PropertyList().Long(PR_MESSAGE_FLAGS, 1).Count(0xFFFFFFFFu))
                           .RecordHead(3, attBody, 2)
                           .Bytes());
    seeds.emplace_back("large_value",
                       TnefBuilder()
                           .Header()
                           .MessageProperties(PropertyList().Binary(PR_ATTACH_DATA_BIN, Pattern(1100)).Long(PR_ATTACH_METHOD, 1))
                           .Bytes());
    return seeds;
}

TEST(ReaderSeeds, EverySeedWalksToItsEnd)
{
    for (const auto& [name, bytes] : Seeds()) {
        SCOPED_TRACE(name);
        const WalkSummary walk = WalkStream(*reader_tests::DocOver(bytes), {.computeChecksums = true, .copyElements = true});
        EXPECT_LT(walk.end, 0);
        EXPECT_EQ(walk.copyMismatches, 0u);
    }
}

TEST(ReaderSeeds, WriteWhenAsked)
{
    const char* folder = std::getenv("PALLION_READER_SEEDS");
    if (!folder) {
        GTEST_SKIP() << "PALLION_READER_SEEDS not set";
    }
    for (const auto& [name, bytes] : Seeds()) {
        WriteFile(std::string(folder) + "/" + name + ".tnef", bytes);
    }
}

} // namespace
} // namespace viewer::doc

// Message files converted through MsgTNEF and read back with a strict TNEF reader.
#include <cstring>
#include <regex>

#include <gtest/gtest.h>

#include "convert/include/ferrule.h"
#include "convert/mapi_defs.h"
#include "format/mapi.h"
#include "format/tnef.h"
#include "platform/status.h"
#include "tests/convert/conversion_helpers.h"
#include "tests/support/test_files.h"

namespace testing_support {
namespace {

using namespace format;
using ferrule::PS_PUBLIC_STRINGS;

constexpr platform::GUID kCustomSet{0x11223344, 0x5566, 0x7788, {1, 2, 3, 4, 5, 6, 7, 8}};

// 2024-02-29 13:45:30 UTC, a Thursday.
constexpr std::uint64_t kLeapDayTime = 133536879300000000ull;

std::vector<std::uint8_t> Dtr(std::uint16_t y, std::uint16_t mo, std::uint16_t d, std::uint16_t h,
                              std::uint16_t mi, std::uint16_t s, std::uint16_t dow)
{
    std::vector<std::uint8_t> out;
    for (const std::uint16_t v : {y, mo, d, h, mi, s, dow}) {
        out.push_back(static_cast<std::uint8_t>(v));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    return out;
}

std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

MsgBuilder PlainNote()
{
    MsgBuilder msg;
    msg.Message()
        .String8(PR_MESSAGE_CLASS, "IPM.Note")
        .String8(PR_SUBJECT, "Quarterly figures")
        .String8(PR_BODY, "Please find the figures below.\r\n")
        .Long(PR_IMPORTANCE, 2)
        .Int64(PR_CLIENT_SUBMIT_TIME, kLeapDayTime)
        .Int64(PR_MESSAGE_DELIVERY_TIME, kLeapDayTime + 600000000ull)
        .Long(PR_MESSAGE_FLAGS, 0x01 | 0x10)
        .Binary(PR_SEARCH_KEY, {0x0A, 0xBC, 0x01});
    return msg;
}

void ExpectWellFormed(const Conversion& result)
{
    ASSERT_EQ(result.status, 0);
    ASSERT_TRUE(result.error.empty()) << result.error;
    EXPECT_EQ(result.tnef.signature, 0x223E9F78u);
    EXPECT_NE(result.tnef.key, 0);
    for (const TnefRecord& record : result.tnef.records) {
        EXPECT_TRUE(record.checksumOk) << std::hex << record.id;
    }
}

TEST(MessageConversion, PlainNoteHasLegacyAttributesAndProperties)
{
    const Conversion result = ConvertMessage(PlainNote(), "plain");
    ExpectWellFormed(result);

    EXPECT_TRUE(std::regex_match(result.tnefPath,
                                 std::regex(std::regex_replace(PrivateTempDir(), std::regex("[.+]"), "\\$&") +
                                            "[0-9A-F]{8}\\.dat")))
        << result.tnefPath;
    ASSERT_GE(result.tnef.records.size(), 3u);
    EXPECT_EQ(result.tnef.records[0].id, attTnefVersion);
    EXPECT_EQ(result.tnef.records[0].data, (std::vector<std::uint8_t>{0, 0, 1, 0}));
    EXPECT_EQ(result.tnef.records[1].id, attOemCodepage);
    EXPECT_EQ(result.tnef.records[1].data, (std::vector<std::uint8_t>{0xE4, 0x04, 0, 0, 0, 0, 0, 0}));

    const auto* messageClass = result.tnef.First(attMessageClass);
    ASSERT_NE(messageClass, nullptr);
    EXPECT_EQ(Text(messageClass->data), std::string("IPM.Note", 9));
    const auto* subject = result.tnef.First(attSubject);
    ASSERT_NE(subject, nullptr);
    EXPECT_EQ(Text(subject->data), std::string("Quarterly figures", 18));
    const auto* body = result.tnef.First(attBody);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(Text(body->data), "Please find the figures below.\r\n");
    const auto* sent = result.tnef.First(attDateSent);
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(sent->data, Dtr(2024, 2, 29, 13, 45, 30, 4));
    const auto* received = result.tnef.First(attDateRecd);
    ASSERT_NE(received, nullptr);
    EXPECT_EQ(received->data, Dtr(2024, 2, 29, 13, 46, 30, 4));
    const auto* status = result.tnef.First(attMessageStatus);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->data, (std::vector<std::uint8_t>{0x20 | 0x80 | 0x01}));
    const auto* priority = result.tnef.First(attPriority);
    ASSERT_NE(priority, nullptr);
    EXPECT_EQ(priority->data, (std::vector<std::uint8_t>{1, 0}));
    const auto* messageId = result.tnef.First(attMessageID);
    ASSERT_NE(messageId, nullptr);
    EXPECT_EQ(Text(messageId->data), std::string("0ABC01", 7));

    for (const TnefRecord& record : result.tnef.records) {
        EXPECT_EQ(record.level, 1);
    }
    const TnefPropertyList props = MessageProperties(result.tnef);
    const TnefProperty* subjectProperty = FindProperty(props, PR_SUBJECT);
    ASSERT_NE(subjectProperty, nullptr);
    EXPECT_EQ(subjectProperty->Text8(), "Quarterly figures");
    ASSERT_NE(FindProperty(props, PR_IMPORTANCE), nullptr);
    EXPECT_EQ(FindProperty(props, PR_IMPORTANCE)->Long(), 2u);
    // PR_MESSAGE_FLAGS and PR_MESSAGE_DELIVERY_TIME lie in the excluded 0x0E00 range.
    EXPECT_EQ(FindProperty(props, PR_MESSAGE_FLAGS), nullptr);
    EXPECT_EQ(FindProperty(props, PR_MESSAGE_DELIVERY_TIME), nullptr);
    // No recipients, no attachments: no table, no attachment records.
    EXPECT_EQ(result.tnef.First(attRecipTable), nullptr);
    EXPECT_TRUE(result.tnef.Attachments().empty());
}

TEST(MessageConversion, MissingClassDefaultsToNote)
{
    MsgBuilder msg;
    msg.Message().String8(PR_SUBJECT, "no class");
    const Conversion result = ConvertMessage(msg, "noclass");
    ExpectWellFormed(result);
    const auto* messageClass = result.tnef.First(attMessageClass);
    ASSERT_NE(messageClass, nullptr);
    EXPECT_EQ(Text(messageClass->data), std::string("IPM.Note", 9));
    EXPECT_EQ(result.tnef.First(attBody), nullptr);
    EXPECT_EQ(result.tnef.First(attPriority), nullptr);
}

TEST(MessageConversion, UnicodeTextStaysUtf16AndLegacyTextUsesTheCodePage)
{
    const std::u16string subject = u"Gr\u00FC\u00DFe \u041F\u0440\u0438\u0432\u0435\u0442 \U0001F600";
    {
        MsgBuilder msg;
        msg.Message().Unicode(PR_SUBJECT_W, subject).Unicode(PR_BODY_W, u"K\u00F6rper");
        const Conversion result = ConvertMessage(msg, "unicode1252");
        ExpectWellFormed(result);
        // Windows-1252 holds the German letters; Cyrillic and the emoji become '?'.
        EXPECT_EQ(Text(result.tnef.First(attSubject)->data),
                  std::string("Gr\xFC\xDF" "e ?????? ?", 14) + std::string(1, '\0'));
        EXPECT_EQ(Text(result.tnef.First(attBody)->data), "K\xF6rper");
        const TnefPropertyList props = MessageProperties(result.tnef);
        const TnefProperty* property = FindProperty(props, PR_SUBJECT_W);
        ASSERT_NE(property, nullptr);
        EXPECT_EQ(property->Text16(), subject);
    }
    {
        MsgBuilder msg;
        msg.Message().Long(PR_MESSAGE_CODEPAGE, 1251).Unicode(PR_SUBJECT_W, u"\u041F\u0440\u0438");
        const Conversion result = ConvertMessage(msg, "unicode1251");
        ExpectWellFormed(result);
        EXPECT_EQ(result.tnef.records[1].data,
                  (std::vector<std::uint8_t>{0xE3, 0x04, 0, 0, 0, 0, 0, 0}));
        EXPECT_EQ(result.tnef.First(attSubject)->data,
                  (std::vector<std::uint8_t>{0xCF, 0xF0, 0xE8, 0}));
    }
}

TEST(MessageConversion, EightBitTextIsCopiedAsStored)
{
    MsgBuilder msg;
    msg.Message().Long(PR_MESSAGE_CODEPAGE, 1252).String8(PR_SUBJECT, "Caf\xE9 \x80");
    const Conversion result = ConvertMessage(msg, "eightbit");
    ExpectWellFormed(result);
    EXPECT_EQ(Text(result.tnef.First(attSubject)->data), std::string("Caf\xE9 \x80", 7));
    const TnefPropertyList props = MessageProperties(result.tnef);
    const TnefProperty* property = FindProperty(props, PR_SUBJECT);
    ASSERT_NE(property, nullptr);
    EXPECT_EQ(property->values[0], Bytes(std::string("Caf\xE9 \x80", 7)));
}

TEST(MessageConversion, NamedPropertiesCarryTheirIdentity)
{
    MsgBuilder msg;
    const std::uint32_t byId = msg.NamedId(kCustomSet, 0x8501);
    const std::uint32_t byName = msg.NamedString(PS_PUBLIC_STRINGS, u"Keywords-x");
    const std::uint32_t oddName = msg.NamedString(kCustomSet, u"abc");
    msg.Message()
        .Long((byId << 16) | 0x0003, 42)
        .Unicode((byName << 16) | 0x001F, u"urgent")
        .Short((oddName << 16) | 0x000B, 1);
    const Conversion result = ConvertMessage(msg, "named");
    ExpectWellFormed(result);
    const TnefPropertyList props = MessageProperties(result.tnef);

    const TnefProperty* first = FindProperty(props, (byId << 16) | 0x0003);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->named);
    EXPECT_EQ(first->guid, kCustomSet);
    EXPECT_EQ(first->kind, 0u);
    EXPECT_EQ(first->lid, 0x8501u);
    EXPECT_EQ(first->Long(), 42u);

    const TnefProperty* second = FindProperty(props, (byName << 16) | 0x001F);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->guid, PS_PUBLIC_STRINGS);
    EXPECT_EQ(second->kind, 1u);
    EXPECT_EQ(second->name, u"Keywords-x");
    EXPECT_EQ(second->Text16(), u"urgent");

    // "abc" plus terminator is 8 bytes: no padding; the boolean takes 2 bytes plus 2.
    const TnefProperty* third = FindProperty(props, (oddName << 16) | 0x000B);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->name, u"abc");
    EXPECT_EQ(third->values[0], (std::vector<std::uint8_t>{1, 0}));
}

TEST(MessageConversion, NamedPropertyWithoutMappingIsLeftOut)
{
    MsgBuilder msg;
    msg.Message().Long(0x80400003, 7).String8(PR_SUBJECT, "kept");
    const Conversion result = ConvertMessage(msg, "unmapped");
    ExpectWellFormed(result);
    const TnefPropertyList props = MessageProperties(result.tnef);
    EXPECT_EQ(FindProperty(props, 0x80400003), nullptr);
    EXPECT_NE(FindProperty(props, PR_SUBJECT), nullptr);
}

TEST(MessageConversion, MultiValuedPropertiesKeepEveryValue)
{
    constexpr std::uint32_t kKeywordsLong = 0x50001003;
    constexpr std::uint32_t kKeywords8 = 0x5001101E;
    constexpr std::uint32_t kKeywords16 = 0x5002101F;
    constexpr std::uint32_t kBlobs = 0x50031102;
    MsgBuilder msg;
    msg.Message()
        .MvLong(kKeywordsLong, {1, 0xFFFFFFFF, 3})
        .MvString8(kKeywords8, {"alpha", "", "gamma"})
        .MvUnicode(kKeywords16, {u"\u00E9t\u00E9", u"x"})
        .MvBinary(kBlobs, {{1, 2, 3}, {}, {9, 9, 9, 9, 9}});
    const Conversion result = ConvertMessage(msg, "multi");
    ExpectWellFormed(result);
    const TnefPropertyList props = MessageProperties(result.tnef);

    const TnefProperty* longs = FindProperty(props, kKeywordsLong);
    ASSERT_NE(longs, nullptr);
    ASSERT_EQ(longs->values.size(), 3u);
    EXPECT_EQ(longs->values[1], (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));

    const TnefProperty* strings = FindProperty(props, kKeywords8);
    ASSERT_NE(strings, nullptr);
    ASSERT_EQ(strings->values.size(), 3u);
    EXPECT_EQ(strings->values[0], Bytes(std::string("alpha", 6)));
    EXPECT_EQ(strings->values[1], Bytes(std::string(1, '\0')));
    EXPECT_EQ(strings->values[2], Bytes(std::string("gamma", 6)));

    const TnefProperty* wide = FindProperty(props, kKeywords16);
    ASSERT_NE(wide, nullptr);
    ASSERT_EQ(wide->values.size(), 2u);
    EXPECT_EQ(wide->values[0], (std::vector<std::uint8_t>{0xE9, 0, 't', 0, 0xE9, 0, 0, 0}));

    const TnefProperty* blobs = FindProperty(props, kBlobs);
    ASSERT_NE(blobs, nullptr);
    ASSERT_EQ(blobs->values.size(), 3u);
    EXPECT_EQ(blobs->values[1], std::vector<std::uint8_t>{});
    EXPECT_EQ(blobs->values[2], (std::vector<std::uint8_t>{9, 9, 9, 9, 9}));
}

TEST(MessageConversion, ThreeRecipientsBecomeThreeRows)
{
    MsgBuilder msg = PlainNote();
    const char* names[] = {"Ann Archer", "Bob Baker", "Cid Carter"};
    for (std::uint32_t i = 0; i < 3; ++i) {
        msg.AddRecipient()
            .String8(PR_DISPLAY_NAME, names[i])
            .String8(PR_EMAIL_ADDRESS, std::string(names[i]).substr(0, 3) + "@example.org")
            .Long(PR_RECIPIENT_TYPE, i + 1);
    }
    const Conversion result = ConvertMessage(msg, "recipients");
    ExpectWellFormed(result);
    const std::vector<TnefPropertyList> rows = RecipientRows(result.tnef);
    ASSERT_EQ(rows.size(), 3u);
    for (std::uint32_t i = 0; i < 3; ++i) {
        ASSERT_NE(FindProperty(rows[i], PR_DISPLAY_NAME), nullptr);
        EXPECT_EQ(FindProperty(rows[i], PR_DISPLAY_NAME)->Text8(), names[i]);
        EXPECT_EQ(FindProperty(rows[i], PR_RECIPIENT_TYPE)->Long(), i + 1);
    }
    // The table comes before the message's property list, which is the last message record.
    const auto& records = result.tnef.records;
    std::size_t table = 0;
    std::size_t props = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        table = records[i].id == attRecipTable ? i : table;
        props = records[i].id == attMAPIProps ? i : props;
    }
    EXPECT_LT(table, props);
    EXPECT_EQ(props, records.size() - 1);
}

TEST(MessageConversion, DamagedRecipientsAreLeftOutOrKeptAsFarAsReadable)
{
    MsgBuilder msg = PlainNote();
    msg.AddRecipient().String8(PR_DISPLAY_NAME, "Whole").Long(PR_RECIPIENT_TYPE, 1);
    // Shorter than the 8-byte header: nothing can be read.
    msg.AddRecipient().String8(PR_DISPLAY_NAME, "Cut short").CutPropertyStream(5);
    // Header, one whole entry and half of the next.
    msg.AddRecipient()
        .Long(PR_RECIPIENT_TYPE, 2)
        .String8(PR_DISPLAY_NAME, "Half")
        .CutPropertyStream(8 + 16 + 7);
    msg.AddRecipient().String8(PR_DISPLAY_NAME, "No stream").NoPropertyStream();
    // The value stream is missing: the property goes, the recipient stays.
    msg.AddRecipient().Long(PR_RECIPIENT_TYPE, 3).ListedWithoutStream(PR_DISPLAY_NAME, 20);
    const Conversion result = ConvertMessage(msg, "damagedrecipients");
    ExpectWellFormed(result);
    const std::vector<TnefPropertyList> rows = RecipientRows(result.tnef);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(FindProperty(rows[0], PR_DISPLAY_NAME)->Text8(), "Whole");
    ASSERT_EQ(rows[1].size(), 1u);
    EXPECT_EQ(rows[1][0].tag, PR_RECIPIENT_TYPE);
    ASSERT_EQ(rows[2].size(), 1u);
    EXPECT_EQ(rows[2][0].Long(), 3u);
}

TEST(MessageConversion, ByValueAttachmentsCarryDataTitleDatesAndProperties)
{
    MsgBuilder msg = PlainNote();
    const std::vector<std::uint8_t> report = Pattern(70000, 1);
    const std::vector<std::uint8_t> rendering = Pattern(300, 2);
    msg.AddAttachment()
        .Long(PR_ATTACH_METHOD, 1)
        .String8(PR_ATTACH_FILENAME, "REPORT~1.PDF")
        .Unicode(PR_ATTACH_LONG_FILENAME_W, u"report \u00E9t\u00E9.pdf")
        .String8(PR_ATTACH_MIME_TAG, "application/pdf")
        .Binary(PR_ATTACH_DATA_BIN, report)
        .Binary(PR_ATTACH_RENDERING, rendering)
        .Int64(PR_CREATION_TIME, kLeapDayTime)
        .Int64(PR_LAST_MODIFICATION_TIME, kLeapDayTime);
    msg.AddAttachment()
        .Long(PR_ATTACH_METHOD, 1)
        .Unicode(PR_ATTACH_LONG_FILENAME_W, u"empty.txt")
        .Binary(PR_ATTACH_DATA_BIN, {});
    const Conversion result = ConvertMessage(msg, "attachments");
    ExpectWellFormed(result);

    const auto groups = result.tnef.Attachments();
    ASSERT_EQ(groups.size(), 2u);
    for (const auto& group : groups) {
        EXPECT_EQ(group.front()->id, attAttachRenddata);
        EXPECT_EQ(group.front()->data.size(), 14u);
        EXPECT_EQ(group.front()->data[0], 1); // atypFile
        for (const TnefRecord* record : group) {
            EXPECT_EQ(record->level, 2);
        }
    }
    EXPECT_EQ(FindIn(groups[0], attAttachData)->data, report);
    EXPECT_EQ(FindIn(groups[0], attAttachMetaFile)->data, rendering);
    EXPECT_EQ(Text(FindIn(groups[0], attAttachTitle)->data), std::string("REPORT~1.PDF", 13));
    EXPECT_EQ(FindIn(groups[0], attAttachCreateDate)->data, Dtr(2024, 2, 29, 13, 45, 30, 4));
    EXPECT_EQ(FindIn(groups[0], attAttachModifyDate)->data, Dtr(2024, 2, 29, 13, 45, 30, 4));
    const TnefPropertyList first = AttachmentProperties(groups[0]);
    EXPECT_EQ(FindProperty(first, PR_ATTACH_LONG_FILENAME_W)->Text16(), u"report \u00E9t\u00E9.pdf");
    EXPECT_EQ(FindProperty(first, PR_ATTACH_MIME_TAG)->Text8(), "application/pdf");
    // The bytes travel once, in attAttachData and attAttachMetaFile.
    EXPECT_EQ(FindProperty(first, PR_ATTACH_DATA_BIN), nullptr);
    EXPECT_EQ(FindProperty(first, PR_ATTACH_RENDERING), nullptr);

    EXPECT_TRUE(FindIn(groups[1], attAttachData)->data.empty());
    // Without a short name the title is made from the long one, in the code page.
    EXPECT_EQ(Text(FindIn(groups[1], attAttachTitle)->data), std::string("empty.txt", 10));
}

TEST(MessageConversion, CompressedRtfBodyIsCopiedByteForByte)
{
    MsgBuilder msg = PlainNote();
    const std::vector<std::uint8_t> rtf = Pattern(5000, 3);
    msg.Message().Binary(PR_RTF_COMPRESSED, rtf);
    const Conversion result = ConvertMessage(msg, "rtf");
    ExpectWellFormed(result);
    const TnefPropertyList props = MessageProperties(result.tnef);
    const TnefProperty* property = FindProperty(props, PR_RTF_COMPRESSED);
    ASSERT_NE(property, nullptr);
    EXPECT_EQ(property->values[0], rtf);
}

TEST(MessageConversion, ObjectAttachmentsKeepTheirPlainProperties)
{
    MsgBuilder msg = PlainNote();
    msg.AddAttachment()
        .Long(PR_ATTACH_METHOD, 5)
        .ListedWithoutStream(0x3701000D, 0xFFFFFFFF)
        .String8(PR_DISPLAY_NAME, "Forwarded message");
    msg.AddAttachment().Long(PR_ATTACH_METHOD, 6).String8(PR_DISPLAY_NAME, "Chart");
    const Conversion result = ConvertMessage(msg, "objects");
    ExpectWellFormed(result);
    const auto groups = result.tnef.Attachments();
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(FindIn(groups[0], attAttachData), nullptr);
    EXPECT_EQ(Text(FindIn(groups[0], attAttachTitle)->data), std::string("Forwarded message", 18));
    const TnefPropertyList props = AttachmentProperties(groups[0]);
    ASSERT_NE(FindProperty(props, PR_ATTACH_METHOD), nullptr);
    EXPECT_EQ(FindProperty(props, PR_ATTACH_METHOD)->Long(), 5u);
    EXPECT_EQ(groups[1].front()->data[0], 2); // atypOle
}

TEST(MessageConversion, UnreadableValuesAreLeftOutAndTheRestConverted)
{
    MsgBuilder msg;
    msg.Message()
        .String8(PR_SUBJECT, "survivor")
        .ListedWithoutStream(PR_BODY, 300)        // stream missing
        .Long(0x50000048, 0)                      // CLSID without its stream
        .Long(0x500100FB, 1)                      // a type TNEF lists cannot carry
        .ListedWithoutStream(0x5002101F, 8)       // multi-valued without length stream
        .ExtraStream("__substg1.0_50031003", {1, 2, 3}) // not a multiple of 4
        .ListedWithoutStream(0x50031003, 3);
    msg.AddAttachment().Long(PR_ATTACH_METHOD, 1).ListedWithoutStream(PR_ATTACH_DATA_BIN, 1000);
    msg.AddAttachment().String8(PR_ATTACH_FILENAME, "b.txt").CutPropertyStream(3);
    const Conversion result = ConvertMessage(msg, "unreadable");
    ExpectWellFormed(result);
    const TnefPropertyList props = MessageProperties(result.tnef);
    ASSERT_EQ(props.size(), 1u);
    EXPECT_EQ(props[0].tag, PR_SUBJECT);
    EXPECT_EQ(result.tnef.First(attBody), nullptr);
    // The first attachment stays without data; the second cannot be read at all.
    const auto groups = result.tnef.Attachments();
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(FindIn(groups[0], attAttachData), nullptr);
}

TEST(MessageConversion, ListsWithoutPropertiesAreLeftOut)
{
    // Peer readers reject a property list of nothing; so are rows without properties.
    MsgBuilder msg;
    msg.Message().Long(0x0E070003, 1).Long(0x60000003, 2);
    msg.AddRecipient().Long(0x0FFF0003, 1).CutPropertyStream(8);
    msg.AddAttachment().Binary(PR_ATTACH_DATA_BIN, {5, 6}).CutPropertyStream(8 + 16);
    const Conversion result = ConvertMessage(msg, "emptylists");
    ExpectWellFormed(result);
    EXPECT_EQ(result.tnef.First(attMAPIProps), nullptr);
    EXPECT_EQ(result.tnef.First(attRecipTable), nullptr);
    const auto groups = result.tnef.Attachments();
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(FindIn(groups[0], attAttachment), nullptr);
    EXPECT_EQ(FindIn(groups[0], attAttachData)->data, (std::vector<std::uint8_t>{5, 6}));
}

TEST(MessageConversion, BookkeepingRangesAreExcludedButTablesKept)
{
    MsgBuilder msg;
    msg.Message()
        .String8(PR_SUBJECT, "ranges")
        .Long(0x0DFF0003, 1)  // just below the first range: kept
        .Long(0x0E050003, 2)  // excluded
        .Long(0x0E120003, 3)  // the recipients' identifier with another type: excluded
        .Long(0x0FFF0003, 4)  // excluded
        .Long(0x10000003, 5)  // kept
        .Long(0x60010003, 6)  // excluded
        .Long(0x67FF0003, 7)  // excluded
        .Long(0x68000003, 8)  // kept
        .Long(0x7C000003, 9)  // excluded
        .Long(0x7FFF0003, 10) // excluded
        .Long(0x7BFF0003, 11); // kept
    msg.AddRecipient().String8(PR_DISPLAY_NAME, "Only one");
    msg.AddAttachment().Long(PR_ATTACH_METHOD, 1).Binary(PR_ATTACH_DATA_BIN, {1, 2, 3});
    const Conversion result = ConvertMessage(msg, "ranges");
    ExpectWellFormed(result);
    std::vector<std::uint32_t> kept;
    for (const TnefProperty& property : MessageProperties(result.tnef)) {
        kept.push_back(property.tag);
    }
    EXPECT_EQ(kept, (std::vector<std::uint32_t>{PR_SUBJECT, 0x0DFF0003, 0x10000003, 0x68000003,
                                                0x7BFF0003}));
    EXPECT_EQ(RecipientRows(result.tnef).size(), 1u);
    EXPECT_EQ(result.tnef.Attachments().size(), 1u);
}

TEST(MessageConversion, PathsThatAreNotUtf8StillOpen)
{
    MsgBuilder msg = PlainNote();
    const std::string path = Scratch() + "caf\xE9 \xFF.msg";
    ASSERT_TRUE(msg.Write(path));
    const Conversion result = ConvertPath(path);
    ExpectWellFormed(result);
    EXPECT_NE(result.tnef.First(attSubject), nullptr);
}

TEST(MessageConversion, DamagedCompoundFilesConvertQuietly)
{
    // Found by the fuzzer: broken sector chains make libgsf warn, some without a log domain.
    const std::string path = PALLION_SOURCE_DIR "/fuzz/regressions/ferrule/broken-chain-warns.msg";
    ::testing::internal::CaptureStderr();
    const Conversion result = ConvertPath(path);
    const std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed, "");
    if (platform::Succeeded(result.status)) {
        EXPECT_TRUE(result.error.empty()) << result.error;
    } else {
        EXPECT_TRUE(result.tnefPath.empty());
    }
}

TEST(MessageConversion, FailuresLeaveNoFileAndAnEmptyBuffer)
{
    const std::set<std::string> before = TempFolderEntries();
    char buffer[FERRULE_PATH_BUFFER_SIZE];

    std::strcpy(buffer, "stale");
    EXPECT_EQ(MsgTNEF(0, nullptr, buffer), static_cast<std::int32_t>(0x80004005));
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(MsgTNEF(0, "x.msg", nullptr), static_cast<std::int32_t>(0x80004005));

    const std::string notCompound = Scratch() + "note.txt";
    WriteFile(notCompound, std::string("just text, not a compound file"));
    std::strcpy(buffer, "stale");
    EXPECT_EQ(MsgTNEF(0, notCompound.c_str(), buffer), static_cast<std::int32_t>(0x80030050));
    EXPECT_EQ(buffer[0], '\0');

    std::strcpy(buffer, "stale");
    EXPECT_EQ(MsgTNEF(0, (Scratch() + "absent.msg").c_str(), buffer),
              static_cast<std::int32_t>(0x80070002));
    EXPECT_EQ(buffer[0], '\0');

    // A compound file that holds no message, and one whose property stream is cut.
    MsgBuilder noStream;
    noStream.Message().String8(PR_SUBJECT, "x").NoPropertyStream();
    ASSERT_TRUE(noStream.Write(Scratch() + "nostream.msg"));
    std::strcpy(buffer, "stale");
    EXPECT_EQ(MsgTNEF(0, (Scratch() + "nostream.msg").c_str(), buffer),
              static_cast<std::int32_t>(0x8004010F));
    EXPECT_EQ(buffer[0], '\0');

    MsgBuilder cut;
    cut.Message().String8(PR_SUBJECT, "x").CutPropertyStream(20);
    ASSERT_TRUE(cut.Write(Scratch() + "cut.msg"));
    EXPECT_EQ(MsgTNEF(0, (Scratch() + "cut.msg").c_str(), buffer),
              static_cast<std::int32_t>(0x8004011B));
    EXPECT_EQ(buffer[0], '\0');

    // A damaged compound file: the right signature, then garbage.
    std::vector<std::uint8_t> damaged = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    damaged.resize(1536, 0xFF);
    WriteFile(Scratch() + "damaged.msg", damaged);
    EXPECT_LT(MsgTNEF(0, (Scratch() + "damaged.msg").c_str(), buffer), 0);
    EXPECT_EQ(buffer[0], '\0');

    EXPECT_EQ(TempFolderEntries(), before);
}

TEST(MessageConversion, TakenNamesAreSkippedAndNeverReused)
{
    MsgBuilder msg = PlainNote();
    ASSERT_TRUE(msg.Write(Scratch() + "twice.msg"));
    // Occupy the names of the next few seconds of ticks; the conversion must count past
    // them instead of touching them.
    const std::set<std::string> before = TempFolderEntries();
    std::set<std::string> taken;
    const Conversion probe = ConvertPath(Scratch() + "twice.msg");
    ASSERT_EQ(probe.status, 0);
    const std::string probeName = probe.tnefPath.substr(PrivateTempDir().size());
    const std::uint32_t tick = static_cast<std::uint32_t>(std::stoul(probeName.substr(0, 8), nullptr, 16));
    for (std::uint32_t i = 1; i <= 3000; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%08X.dat", tick + i);
        WriteFile(PrivateTempDir() + name, std::string());
        taken.insert(name);
    }
    const Conversion first = ConvertPath(Scratch() + "twice.msg");
    const Conversion second = ConvertPath(Scratch() + "twice.msg");
    ASSERT_EQ(first.status, 0);
    ASSERT_EQ(second.status, 0);
    EXPECT_NE(first.tnefPath, second.tnefPath);
    EXPECT_NE(first.tnefPath, probe.tnefPath);
    for (const Conversion* c : {&first, &second}) {
        EXPECT_EQ(taken.count(c->tnefPath.substr(PrivateTempDir().size())), 0u);
        EXPECT_EQ(c->bytes, probe.bytes);
    }
    for (const std::string& name : taken) {
        EXPECT_TRUE(ReadFile(PrivateTempDir() + name).empty());
    }
}

TEST(MessageConversion, PlantedLinkIsNotFollowed)
{
    MsgBuilder msg = PlainNote();
    ASSERT_TRUE(msg.Write(Scratch() + "link.msg"));
    const Conversion probe = ConvertPath(Scratch() + "link.msg");
    ASSERT_EQ(probe.status, 0);
    const std::uint32_t tick = static_cast<std::uint32_t>(
        std::stoul(probe.tnefPath.substr(PrivateTempDir().size(), 8), nullptr, 16));
    const std::string victim = Scratch() + "victim";
    WriteFile(victim, std::string("keep me"));
    for (std::uint32_t i = 1; i <= 3000; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%08X.dat", tick + i);
        ASSERT_EQ(::symlink(victim.c_str(), (PrivateTempDir() + name).c_str()), 0);
    }
    const Conversion result = ConvertPath(Scratch() + "link.msg");
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(Text(ReadFile(victim)), "keep me");
}

} // namespace
} // namespace testing_support

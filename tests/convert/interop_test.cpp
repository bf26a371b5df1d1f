// Our TNEF output read by other programs: the Debian tools tnef and ytnef extract the same
// attachment bytes, and the viewer's own reader walks every record, list and value.
#include <filesystem>

#include <gtest/gtest.h>

#include "convert/mapi_defs.h"
#include "format/mapi.h"
#include "format/tnef.h"
#include "platform/memory_stream.h"
#include "tests/convert/conversion_helpers.h"
#include "tests/support/test_files.h"
#include "tests/support/tnef_walk.h"
#include "viewer/doc/document/envelon_doc.h"

namespace testing_support {
namespace {

using namespace format;
using ferrule::PS_PUBLIC_STRINGS;
constexpr platform::GUID kCustomSet{0x0A0B0C0D, 0x1111, 0x2222, {9, 8, 7, 6, 5, 4, 3, 2}};

struct Attachment {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

// A message with everything a reader may trip over: named properties, multi-valued ones
// (unless `plain`), UTF-16 text, recipients, a compressed-RTF body and several attachments.
MsgBuilder RichMessage(const std::vector<Attachment>& attachments, bool plain)
{
    MsgBuilder msg;
    const std::uint32_t byId = msg.NamedId(kCustomSet, 0x8233);
    const std::uint32_t byName = msg.NamedString(PS_PUBLIC_STRINGS, u"Category-Name");
    msg.Message()
        .String8(0x001A001E, "IPM.Note")
        .Unicode(0x0037001F, u"Invoice f\u00FCr M\u00E4rz")
        .String8(0x1000001E, "Dear customer,\r\nplease find the invoice attached.\r\n")
        .Binary(0x10090102, Pattern(777, 5))
        .Long(0x00170003, 1)
        .Int64(0x00390040, 133536879300000000ull)
        .Long((byId << 16) | 0x0003, 99)
        .Unicode((byName << 16) | 0x001F, u"finance");
    if (!plain) {
        msg.Message()
            .MvUnicode(0x5001101F, {u"one", u"two"})
            .MvLong(0x50021003, {1, 2, 3});
    }
    for (int i = 0; i < 3; ++i) {
        msg.AddRecipient()
            .String8(0x3001001E, "Person " + std::to_string(i))
            .String8(0x3002001E, "SMTP")
            .String8(0x3003001E, "p" + std::to_string(i) + "@example.org")
            .Long(0x0C150003, 1);
    }
    for (const Attachment& attachment : attachments) {
        msg.AddAttachment()
            .Long(0x37050003, 1)
            .String8(0x3704001E, attachment.name)
            .String8(0x3707001E, attachment.name)
            .Binary(0x37010102, attachment.bytes)
            .Long(0x0E210003, 0);
    }
    return msg;
}

std::vector<Attachment> SampleAttachments()
{
    return {{"invoice.pdf", Pattern(123457, 11)},
            {"notes.txt", std::vector<std::uint8_t>{'o', 'k', '\n'}},
            {"image.png", Pattern(4096, 12)}};
}

void ExpectExtracted(const std::string& folder, const std::vector<Attachment>& attachments)
{
    for (const Attachment& attachment : attachments) {
        const std::string path = folder + "/" + attachment.name;
        ASSERT_TRUE(FileExists(path)) << path;
        EXPECT_EQ(ReadFile(path), attachment.bytes) << attachment.name;
    }
}

TEST(TnefPeerTools, TnefExtractsTheSameAttachmentsAndBody)
{
    const auto attachments = SampleAttachments();
    const Conversion result = ConvertMessage(RichMessage(attachments, false), "peer-tnef");
    ASSERT_EQ(result.status, 0);
    const std::string folder = Scratch() + "tnef-out";
    std::filesystem::create_directory(folder);
    ASSERT_EQ(RunCommand("tnef --save-body --body-pref=T -C '" + folder + "' '" + result.tnefPath + "' 2>&1"), 0);
    ExpectExtracted(folder, attachments);
    EXPECT_EQ(Text(ReadFile(folder + "/message.txt")),
              "Dear customer,\r\nplease find the invoice attached.\r\n");
}

TEST(TnefPeerTools, YtnefExtractsTheSameAttachments)
{
    // ytnef refuses multi-valued properties and values over 512 KiB.
    const auto attachments = SampleAttachments();
    const Conversion result = ConvertMessage(RichMessage(attachments, true), "peer-ytnef");
    ASSERT_EQ(result.status, 0);
    const std::string folder = Scratch() + "ytnef-out";
    std::filesystem::create_directory(folder);
    const std::string log = Scratch() + "ytnef.log";
    ASSERT_EQ(RunCommand("ytnef -f '" + folder + "' '" + result.tnefPath + "' > '" + log + "' 2>&1"), 0);
    EXPECT_EQ(Text(ReadFile(log)).find("ERROR"), std::string::npos) << Text(ReadFile(log));
    ExpectExtracted(folder, attachments);
}

TEST(ViewerReaderOnOutput, WalksEveryRecordListAndValue)
{
    const auto attachments = SampleAttachments();
    const Conversion result = ConvertMessage(RichMessage(attachments, false), "viewer-walk");
    ASSERT_EQ(result.status, 0);
    ASSERT_TRUE(result.error.empty()) << result.error;

    // What the strict test reader found, for comparison.
    std::uint32_t properties = 0;
    std::uint32_t values = 0;
    std::uint32_t named = 0;
    std::uint32_t rows = 0;
    auto count = [&](const TnefPropertyList& list) {
        for (const TnefProperty& property : list) {
            ++properties;
            values += static_cast<std::uint32_t>(property.values.size());
            named += property.named ? 1 : 0;
        }
    };
    for (const TnefRecord& record : result.tnef.records) {
        if (record.id == 0x00069003 || record.id == 0x00069005) {
            std::string error;
            auto list = ParsePropertyList(record.data, &error);
            ASSERT_TRUE(list) << error;
            count(*list);
        } else if (record.id == 0x00069004) {
            std::string error;
            auto table = ParseRecipientTable(record.data, &error);
            ASSERT_TRUE(table) << error;
            rows += static_cast<std::uint32_t>(table->size());
            for (const auto& row : *table) {
                count(row);
            }
        }
    }

    viewer::doc::document::CEnvelonDoc doc;
    doc.AttachStream(platform::CreateMemoryStream(result.bytes), "viewer-walk.dat");
    WalkOptions options;
    options.computeChecksums = true;
    options.copyElements = true;
    const WalkSummary summary = WalkStream(doc, options);
    EXPECT_TRUE(summary.validHeader);
    EXPECT_EQ(summary.attributes, result.tnef.records.size());
    EXPECT_EQ(summary.attachments, attachments.size());
    EXPECT_EQ(summary.rows, rows);
    EXPECT_EQ(summary.properties, properties);
    EXPECT_EQ(summary.values, values);
    EXPECT_EQ(summary.namedProperties, named);
    EXPECT_EQ(summary.copyMismatches, 0u);
    for (const WalkedAttribute& walked : summary.walked) {
        EXPECT_EQ(walked.computed, walked.stored) << std::hex << walked.identifier;
    }
}

} // namespace
} // namespace testing_support

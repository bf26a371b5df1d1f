// Every message file of the sample corpus: converted into TNEF that our strict reader, the
// viewer's reader and the tnef tool all read to the end, or refused leaving nothing behind.
// For the files the corpus manifest describes, the subject, the number of recipients and
// the bytes of each attachment (size and SHA-256) must come through the conversion; nested
// objects (embedded messages, OLE storages) must read back as documents of their own.
#include <cstdio>
#include <filesystem>
#include <map>

#include <gsf/gsf.h>
#include <gtest/gtest.h>

#include "format/mapi.h"
#include "format/tnef.h"
#include "platform/com.h"
#include "platform/memory_stream.h"
#include "platform/text.h"
#include "tests/convert/conversion_helpers.h"
#include "tests/support/test_files.h"
#include "tests/support/tnef_walk.h"
#include "viewer/doc/document/envelon_doc.h"

namespace testing_support {
namespace {

using namespace format;

const std::array<std::uint8_t, 16> kIidMessage = platform::GuidToBytes(platform::IID_IMessage);
const std::array<std::uint8_t, 16> kIidStorage = platform::GuidToBytes(platform::IID_IStorage);

struct AttachedFile {
    std::size_t size;
    std::string sha256;
    bool operator<(const AttachedFile& other) const
    {
        return std::tie(size, sha256) < std::tie(other.size, other.sha256);
    }
    bool operator==(const AttachedFile& other) const
    {
        return size == other.size && sha256 == other.sha256;
    }
};

struct Expected {
    std::string subject; // as the manifest gives it (8-bit text read as code page 1252)
    std::size_t recipients;
    std::vector<AttachedFile> files; // attachments by value
    std::size_t embeddedMessages = 0;
    bool damaged = false; // fuzzed: may fail with a status, leaving nothing behind
};

// Facts from the corpus manifest.
const std::map<std::string, Expected>& Manifest()
{
    static const std::string kAlfresco =
        "eab305c525c61e49da30a1114385266e80bfc36e0b32c3a8c7824a9d64d449f1";
    static const std::map<std::string, Expected> manifest{
        {"51873.msg", {"Test with Olk10SideProps_ Chunk", 1, {}}},
        {"53784_succeeds.msg", {"HAC Annual Report", 2, {}}},
        {"58214_extracted_attachment.msg", {"Test mail attachment", 1, {}}},
        {"58214_with_attachment.msg", {"Master mail", 1, {}, 1}},
        {"ASCII_UTF-8_CP1252_LCID1031.msg", {"Subject \u00F6\u00E4\u00FC Subject", 0, {}}},
        {"ASCII_UTF-8_CP1252_LCID1031_HTML.msg", {"Subject \u00F6\u00E4\u00FC Subject", 0, {}}},
        {"HTMLBodyBinary_CP1251.msg", {"Subject \u00F6\u00E4\u00FC Subject", 0, {}}},
        {"attachment_msg_inlineImg.msg",
         {"How to use and check database files from device", 1,
          {{25862, "0b4557d411477e2d9d4d9b21141d4d3030fedd3add9bec22faaf16f11c7dc6e1"},
           {2924, "c07fe1ecdab3cbb5c47b3ad18457598884a8407aac8835790682c5be53b83de3"},
           {18852, "97f3733d198e7d2131ef03aba0a2cff2c39b77a370eed9fa53d329b735178ad2"},
           {29374, "eca2d9e16a16819623dac6f23926cc6792cffbfdb621d8fb0bd2e6247491b157"}}}},
        {"attachment_test_msg.msg",
         {"test pi\u00E8ce jointe 1", 1,
          {{24064, "49f38f89509d5d6ab522bd2fd99c829201cbe33a549d0c362e145f1290707ad7"},
           {89, "d51a33c222720b2d103f72e7e8f79ea5d3cf974e48478192da8648d6e8a688c4"}}}},
        {"blank.msg", {"", 0, {}}},
        {"bug66335.msg", {"Deine Bestellbest\u00E4tigung vom 13-09-2018", 1, {}}},
        {"charset.msg", {"PST Export - Embedded Email Test", 1, {}}},
        {"clusterfuzz-testcase-minimized-POIHSMFFuzzer-4735011465854976.msg",
         {"test pi\u00E8ce jointe 1", 1,
          {{89, "4352b603a2ab8e0431017180077c5dd193eabd4301fa6e321552aef764247dd4"}}, 0, true}},
        {"clusterfuzz-testcase-minimized-POIHSMFFuzzer-5336473854148608.msg",
         {"This is a test message please ignore", 6,
          {{16174, "bd05732ab5e4a3c7b4b16d83fb9d6bd6b38130267ec3f73f1a858cb6aa565d2e"}}, 0, true}},
        {"cyrillic_message.msg",
         {"\u00C0\u00E2\u00F2\u00EE\u00EC\u00E0\u00F2\u00E8\u00F7\u00E5\u00F1\u00EA\u00E8\u00E9 "
          "\u00EE\u00F2\u00E2\u00E5\u00F2 \u00EF\u00EE\u00E4\u00F1\u00E8\u00F1\u00F2\u00E5\u00EC"
          "\u00FB \u00EE\u00E1\u00EC\u00E5\u00ED\u00E0 \u00E4\u00E0\u00ED\u00ED\u00FB\u00EC\u00E8 "
          "\u00D4\u00C3\u00D3\u00CF \"\u00CF\u00EE\u00F7\u00F2\u00E0 \u00D0\u00EE\u00F1\u00F1\u00E8"
          "\u00E8\".",
          2, {}}},
        {"example_received_regular.msg",
         {"This is a test message please ignore", 6, {{16174, kAlfresco}}}},
        {"example_sent_regular.msg",
         {"This is a test message please ignore", 8, {{16174, kAlfresco}}}},
        {"example_sent_unicode.msg",
         {"This is a test message please ignore", 8, {{16174, kAlfresco}}}},
        {"lots-of-recipients.msg",
         {"Read Original Extract of Mr. Narayana Murthy's Speech during Mentor session", 1321,
          {{7813, "184433df6349b87833a85fb2e6d81ebee4e204b08536e3d248b486e35a6ef07f"}}}},
        {"message_1979.msg", {"Option 2 please", 1, {}}},
        {"message_1981.msg", {"Option 2 please", 1, {}}},
        {"message_extra_hyphen_submission_chunk.msg", {"Reseller Irradiant - MM Build", 2, {}}},
        {"message_normal_submission_chunk.msg", {"Reseller Irradiant - MM Build", 2, {}}},
        {"msgClassAppointment.msg", {"Quick brown fox", 1, {}}},
        {"msgClassPost.msg", {"QuickBrownFox", 0, {}}},
        {"msgClassTask.msg", {"Must jump over the lazy dog", 0, {}}},
        {"multiple-encodings.msg", {"multi-encoded-email", 1, {}}},
        {"outlook_30_msg.msg",
         {"IN-SPIRE servers going down for a bit, back up around 8am", 18, {}}},
        {"plain_jpeg_attached.msg",
         {"test", 1, {{7681, "7aa673250e2d3071dc278106f9a2478e4cf96179a44d59e11c94e255c302c9d1"}}}},
        {"plain_uc_wc_unsent.msg", {"Test for MSGConvert -- plain text", 1, {}}},
        {"plain_unsent.msg", {"Test for MSGConvert -- plain text", 1, {}}},
        {"quick.msg", {"Test the content transformer", 1, {}}},
        {"simple_test_msg.msg", {"test message", 1, {}}},
        {"unicode.msg",
         {"Test for TIF files", 2,
          {{969674, "6f36cb718943751db9dc4c9df624c4390d8a13674127b7e919f419061e856dfa"},
           {1033142, "3b43fdeca80da38c80e918e8f21cbd6fc925dac994f3922c7893fc6c1326fb92"}}}},
    };
    return manifest;
}

// Files that are no compound file at all: the conversion refuses them.
const std::set<std::string> kNotCompoundFiles{"html.msg"};

std::string Sha256(const std::vector<std::uint8_t>& bytes)
{
    const std::string path = Scratch() + "hash-input";
    WriteFile(path, bytes);
    std::FILE* pipe = ::popen(("sha256sum '" + path + "'").c_str(), "r");
    char hex[65] = {};
    const bool read = pipe && std::fread(hex, 1, 64, pipe) == 64;
    if (pipe) {
        ::pclose(pipe);
    }
    EXPECT_TRUE(read);
    return hex;
}

std::string SubjectOf(const TnefFile& tnef)
{
    const TnefPropertyList props = MessageProperties(tnef);
    if (const TnefProperty* wide = FindProperty(props, PR_SUBJECT_W)) {
        return platform::Utf16ToUtf8(wide->Text16());
    }
    if (const TnefProperty* narrow = FindProperty(props, PR_SUBJECT)) {
        return platform::DecodeCodePage(narrow->Text8(), 1252);
    }
    return {};
}

void ExpectStrictlyReadable(const TnefFile& tnef)
{
    for (const TnefRecord& record : tnef.records) {
        EXPECT_TRUE(record.checksumOk) << std::hex << record.id;
        std::string error;
        if (record.id == 0x00069003 || record.id == 0x00069005) {
            EXPECT_TRUE(ParsePropertyList(record.data, &error)) << error;
        } else if (record.id == 0x00069004) {
            EXPECT_TRUE(ParseRecipientTable(record.data, &error)) << error;
        }
    }
}

void ExpectViewerReadsAll(const std::vector<std::uint8_t>& bytes, const TnefFile& tnef)
{
    viewer::doc::document::CEnvelonDoc doc;
    doc.AttachStream(platform::CreateMemoryStream(bytes), "corpus.dat");
    const WalkSummary summary = WalkStream(doc);
    EXPECT_TRUE(summary.validHeader);
    EXPECT_EQ(summary.attributes, tnef.records.size());
}

struct Objects {
    std::size_t messages = 0;
    std::size_t storages = 0;
};

// Reads back every object attachment: nested TNEF streams as documents (recursively), OLE
// storages as compound files.
Objects CheckObjects(const TnefFile& tnef, int depth)
{
    Objects found;
    for (const auto& group : tnef.Attachments()) {
        const TnefRecord* list = FindIn(group, 0x00069005);
        if (!list) {
            continue;
        }
        std::string error;
        const auto props = ParsePropertyList(list->data, &error);
        const TnefProperty* object = props ? FindProperty(*props, PR_ATTACH_DATA_OBJ) : nullptr;
        if (!object) {
            continue;
        }
        const std::vector<std::uint8_t>& value = object->values.at(0);
        const std::vector<std::uint8_t> data(value.begin() + 16, value.end());
        if (std::equal(kIidMessage.begin(), kIidMessage.end(), value.begin())) {
            ++found.messages;
            SCOPED_TRACE("embedded message at depth " + std::to_string(depth + 1));
            auto nested = ParseTnef(data, &error);
            EXPECT_TRUE(nested) << error;
            if (!nested) {
                continue;
            }
            ExpectStrictlyReadable(*nested);
            ExpectViewerReadsAll(data, *nested);
            CheckObjects(*nested, depth + 1);
        } else if (std::equal(kIidStorage.begin(), kIidStorage.end(), value.begin())) {
            ++found.storages;
            const std::string path = Scratch() + "object.cfb";
            WriteFile(path, data);
            GError* gerror = nullptr;
            GsfInput* input = gsf_input_stdio_new(path.c_str(), &gerror);
            EXPECT_NE(input, nullptr);
            if (!input) {
                continue;
            }
            GsfInfile* root = gsf_infile_msole_new(input, &gerror);
            EXPECT_NE(root, nullptr);
            if (root) {
                g_object_unref(root);
            }
            g_object_unref(input);
        } else {
            ADD_FAILURE() << "object with an unknown interface";
        }
    }
    return found;
}

std::vector<std::string> CorpusMessages()
{
    std::vector<std::string> paths;
    const std::filesystem::path folder = std::filesystem::path(PALLION_CORPUS_DIR) / "msg";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".msg") {
            paths.push_back(entry.path().string());
        }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

TEST(MessageCorpus, EveryMessageFileConvertsWithItsSubjectRecipientsAndAttachments)
{
    const std::vector<std::string> paths = CorpusMessages();
    if (paths.empty()) {
        GTEST_SKIP() << "no corpus";
    }
    std::size_t described = 0;
    for (const std::string& path : paths) {
        const std::string name = std::filesystem::path(path).filename().string();
        SCOPED_TRACE(name);
        const auto expected = Manifest().find(name);
        const std::set<std::string> before = TempFolderEntries();
        const Conversion result = ConvertPath(path);
        if (platform::Failed(result.status)) {
            EXPECT_TRUE(result.tnefPath.empty());
            EXPECT_EQ(TempFolderEntries(), before);
            EXPECT_TRUE(kNotCompoundFiles.count(name) ||
                        (expected != Manifest().end() && expected->second.damaged))
                << "status " << std::hex << result.status;
            continue;
        }
        EXPECT_FALSE(kNotCompoundFiles.count(name));
        ASSERT_TRUE(result.error.empty()) << result.error;
        ExpectStrictlyReadable(result.tnef);
        ExpectViewerReadsAll(result.bytes, result.tnef);
        const Objects objects = CheckObjects(result.tnef, 0);

        const std::string folder = Scratch() + "corpus-out";
        std::filesystem::remove_all(folder);
        std::filesystem::create_directory(folder);
        EXPECT_EQ(RunCommand("tnef --number-backups -C '" + folder + "' '" + result.tnefPath +
                             "' > /dev/null 2>&1"),
                  0);
        std::filesystem::remove(result.tnefPath);

        if (expected == Manifest().end()) {
            continue;
        }
        ++described;
        // A damaged file's property stream may list less than its value streams hold: the
        // conversion goes by the list, so only what it lists is compared.
        if (!expected->second.damaged) {
            EXPECT_EQ(SubjectOf(result.tnef), expected->second.subject);
            EXPECT_EQ(RecipientRows(result.tnef).size(), expected->second.recipients);
            EXPECT_EQ(objects.messages, expected->second.embeddedMessages);
        }
        std::vector<AttachedFile> files;
        for (const auto& group : result.tnef.Attachments()) {
            if (const TnefRecord* data = FindIn(group, attAttachData)) {
                files.push_back({data->data.size(), Sha256(data->data)});
            }
        }
        std::vector<AttachedFile> want = expected->second.files;
        std::sort(files.begin(), files.end());
        std::sort(want.begin(), want.end());
        if (!expected->second.damaged) {
            EXPECT_EQ(files, want);
        } else {
            // What the damage leaves readable must be among the stated attachments.
            for (const AttachedFile& file : files) {
                EXPECT_TRUE(std::find(want.begin(), want.end(), file) != want.end()) << file.size;
            }
        }
    }
    EXPECT_EQ(described, Manifest().size()) << "a file of the manifest is missing";
}

} // namespace
} // namespace testing_support

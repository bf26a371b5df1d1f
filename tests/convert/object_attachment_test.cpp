// Attachments whose data is an object: embedded messages become nested TNEF streams and
// OLE objects standalone compound files, both as PR_ATTACH_DATA_OBJ. Each nested stream is
// read back as a document of its own, by our strict reader, the viewer's reader and tnef.
#include <filesystem>
#include <functional>
#include <memory>

#include <gsf/gsf.h>
#include <gtest/gtest.h>

#include "convert/tnef_encoder.h"
#include "format/mapi.h"
#include "format/tnef.h"
#include "platform/com.h"
#include "platform/gobject_ptr.h"
#include "platform/memory_stream.h"
#include "tests/convert/conversion_helpers.h"
#include "tests/support/test_files.h"
#include "tests/support/tnef_walk.h"
#include "viewer/doc/document/envelon_doc.h"

namespace testing_support {
namespace {

using namespace format;

const std::array<std::uint8_t, 16> kIidMessage = platform::GuidToBytes(platform::IID_IMessage);
const std::array<std::uint8_t, 16> kIidStorage = platform::GuidToBytes(platform::IID_IStorage);

constexpr platform::GUID kCustomSet{0x5E7A11D0, 0x0102, 0x0304, {1, 1, 2, 3, 5, 8, 13, 21}};
constexpr platform::GUID kObjectClass{0x00020906, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr platform::GUID kInnerClass{0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};

// A message with a subject, two recipients and one file attached by value.
std::shared_ptr<MsgBuilder> InnerMessage(const std::string& subject, const std::string& file,
                                         const std::vector<std::uint8_t>& bytes)
{
    auto msg = std::make_shared<MsgBuilder>();
    msg->Message().String8(0x001A001E, "IPM.Note").String8(PR_SUBJECT, subject).String8(
        PR_BODY, "Body of " + subject);
    for (int i = 0; i < 2; ++i) {
        msg->AddRecipient()
            .String8(PR_DISPLAY_NAME, subject + " reader " + std::to_string(i))
            .String8(PR_EMAIL_ADDRESS, "r" + std::to_string(i) + "@example.net")
            .Long(PR_RECIPIENT_TYPE, 1);
    }
    msg->AddAttachment()
        .Long(PR_ATTACH_METHOD, 1)
        .String8(PR_ATTACH_FILENAME, file)
        .Binary(PR_ATTACH_DATA_BIN, bytes);
    return msg;
}

void AttachMessage(MsgBuilder& outer, std::shared_ptr<const MsgBuilder> inner, const std::string& name)
{
    outer.AddAttachment()
        .Long(PR_ATTACH_METHOD, 5)
        .String8(PR_DISPLAY_NAME, name)
        .EmbeddedMessage(std::move(inner));
}

// The data of the attachment's PR_ATTACH_DATA_OBJ after its interface identifier, when it
// has one with `iid`.
std::optional<std::vector<std::uint8_t>> ObjectData(const std::vector<const TnefRecord*>& group,
                                                    const std::array<std::uint8_t, 16>& iid)
{
    const TnefPropertyList list = AttachmentProperties(group);
    const TnefProperty* object = FindProperty(list, PR_ATTACH_DATA_OBJ);
    if (!object) {
        return std::nullopt;
    }
    EXPECT_EQ(object->values.size(), 1u);
    const std::vector<std::uint8_t>& value = object->values.at(0);
    EXPECT_TRUE(std::equal(iid.begin(), iid.end(), value.begin()));
    return std::vector<std::uint8_t>(value.begin() + 16, value.end());
}

TnefFile ParseNested(const std::vector<std::uint8_t>& bytes)
{
    std::string error;
    auto parsed = ParseTnef(bytes, &error);
    EXPECT_TRUE(parsed) << error;
    if (!parsed) {
        return {};
    }
    for (const TnefRecord& record : parsed->records) {
        EXPECT_TRUE(record.checksumOk) << std::hex << record.id;
    }
    return *parsed;
}

std::string SubjectOf(const TnefFile& tnef)
{
    const TnefRecord* subject = tnef.First(attSubject);
    return subject && !subject->data.empty()
               ? std::string(subject->data.begin(), subject->data.end() - 1)
               : std::string();
}

// The viewer's reader walks the stream to its end; gives the kinds of its values.
std::vector<std::uint32_t> ViewerValueKinds(const std::vector<std::uint8_t>& bytes,
                                            std::size_t records, std::uint32_t attachments)
{
    viewer::doc::document::CEnvelonDoc doc;
    doc.AttachStream(platform::CreateMemoryStream(bytes), "nested.dat");
    const WalkSummary summary = WalkStream(doc);
    EXPECT_TRUE(summary.validHeader);
    EXPECT_EQ(summary.attributes, records);
    EXPECT_EQ(summary.attachments, attachments);
    std::vector<std::uint32_t> kinds;
    for (const WalkedValue& value : summary.valueList) {
        kinds.push_back(value.kind);
    }
    return kinds;
}

// Converts `message` and checks that the conversion left no file behind but its output.
Conversion ConvertCleanly(const MsgBuilder& message, const std::string& name)
{
    const std::string path = TempDir() + name + ".msg";
    EXPECT_TRUE(message.Write(path));
    const std::set<std::string> before = TempFolderEntries();
    Conversion result = ConvertPath(path);
    std::set<std::string> after = TempFolderEntries();
    after.erase(result.tnefPath.substr(TempDir().size()));
    EXPECT_EQ(after, before) << "a temporary file was left behind";
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.error.empty()) << result.error;
    return result;
}

TEST(EmbeddedMessages, NestedStreamCarriesRecipientsAttachmentsAndNames)
{
    MsgBuilder outer;
    const std::uint32_t named = outer.NamedId(kCustomSet, 0x8555);
    outer.Message().String8(PR_SUBJECT, "Forwarded mail");
    const std::vector<std::uint8_t> innerFile = Pattern(70000, 3);
    auto inner = InnerMessage("Inner subject", "inner.bin", innerFile);
    inner->Message().Long((named << 16) | 0x0003, 4242);
    outer.AddAttachment()
        .Long(PR_ATTACH_METHOD, 1)
        .String8(PR_ATTACH_FILENAME, "outer.txt")
        .Binary(PR_ATTACH_DATA_BIN, {'o', 'u', 't'})
        .Long((named << 16) | 0x0003, 7);
    AttachMessage(outer, inner, "Inner subject");

    const Conversion result = ConvertCleanly(outer, "embedded");
    ASSERT_EQ(result.status, 0);

    const auto groups = result.tnef.Attachments();
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(ObjectData(groups[0], kIidMessage), std::nullopt);
    // Attachments name their named properties through the message file's map.
    const TnefPropertyList first = AttachmentProperties(groups[0]);
    const TnefProperty* attachmentNamed = FindProperty(first, (named << 16) | 0x0003);
    ASSERT_NE(attachmentNamed, nullptr);
    EXPECT_EQ(attachmentNamed->lid, 0x8555u);
    // An embedded message has no attAttachData: its data is the object.
    EXPECT_EQ(FindIn(groups[1], attAttachData), nullptr);
    const auto nestedBytes = ObjectData(groups[1], kIidMessage);
    ASSERT_TRUE(nestedBytes);
    const TnefFile nested = ParseNested(*nestedBytes);
    EXPECT_EQ(SubjectOf(nested), "Inner subject");

    const TnefPropertyList props = MessageProperties(nested);
    const TnefProperty* custom = FindProperty(props, (named << 16) | 0x0003);
    ASSERT_NE(custom, nullptr);
    EXPECT_TRUE(custom->named);
    EXPECT_EQ(custom->guid, kCustomSet);
    EXPECT_EQ(custom->lid, 0x8555u);
    EXPECT_EQ(custom->Long(), 4242u);

    const std::vector<TnefPropertyList> rows = RecipientRows(nested);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(FindProperty(rows[1], PR_DISPLAY_NAME)->Text8(), "Inner subject reader 1");
    const auto innerGroups = nested.Attachments();
    ASSERT_EQ(innerGroups.size(), 1u);
    ASSERT_NE(FindIn(innerGroups[0], attAttachData), nullptr);
    EXPECT_EQ(FindIn(innerGroups[0], attAttachData)->data, innerFile);

    // The viewer sees an embedded message in the outer stream, a document in the inner.
    const auto outerKinds = ViewerValueKinds(result.bytes, result.tnef.records.size(), 2);
    EXPECT_EQ(std::count(outerKinds.begin(), outerKinds.end(), viewer::doc::model::ELEM_EMBEDDED_MESSAGE), 1);
    const auto innerKinds = ViewerValueKinds(*nestedBytes, nested.records.size(), 1);
    EXPECT_FALSE(innerKinds.empty());

    // tnef reads the outer stream and extracts the inner attachment from the nested one.
    const std::string folder = Scratch() + "embedded-out";
    std::filesystem::create_directories(folder);
    EXPECT_EQ(RunCommand("tnef -C '" + folder + "' '" + result.tnefPath + "' 2>&1"), 0);
    EXPECT_EQ(ReadFile(folder + "/outer.txt"), (std::vector<std::uint8_t>{'o', 'u', 't'}));
    const std::string nestedPath = Scratch() + "nested.dat";
    WriteFile(nestedPath, *nestedBytes);
    EXPECT_EQ(RunCommand("tnef -C '" + folder + "' '" + nestedPath + "' 2>&1"), 0);
    EXPECT_EQ(ReadFile(folder + "/inner.bin"), innerFile);
    std::filesystem::remove(result.tnefPath);
}

// A chain of messages, each embedded in the one before, `levels` deep below the top.
MsgBuilder Chain(int levels)
{
    std::shared_ptr<MsgBuilder> inner;
    for (int level = levels; level >= 1; --level) {
        auto msg = InnerMessage("Level " + std::to_string(level),
                                "file" + std::to_string(level) + ".bin",
                                Pattern(100 + static_cast<std::size_t>(level), static_cast<std::uint32_t>(level)));
        if (inner) {
            AttachMessage(*msg, inner, "Level " + std::to_string(level + 1));
        }
        inner = msg;
    }
    MsgBuilder top;
    top.Message().String8(PR_SUBJECT, "Level 0");
    AttachMessage(top, inner, "Level 1");
    return top;
}

// Follows the chain of embedded messages; gives the subjects met, outermost first, and
// checks each level's by-value attachment.
std::vector<std::string> FollowChain(const TnefFile& top)
{
    std::vector<std::string> subjects{SubjectOf(top)};
    TnefFile current = top;
    for (;;) {
        std::optional<std::vector<std::uint8_t>> nestedBytes;
        for (const auto& group : current.Attachments()) {
            if (auto data = ObjectData(group, kIidMessage)) {
                nestedBytes = std::move(data);
            }
        }
        if (!nestedBytes) {
            return subjects;
        }
        TnefFile nested = ParseNested(*nestedBytes);
        ViewerValueKinds(*nestedBytes, nested.records.size(),
                         static_cast<std::uint32_t>(nested.Attachments().size()));
        subjects.push_back(SubjectOf(nested));
        const auto groups = nested.Attachments();
        EXPECT_GE(groups.size(), 1u);
        if (!groups.empty() && FindIn(groups[0], attAttachData)) {
            EXPECT_EQ(FindIn(groups[0], attAttachData)->data,
                      Pattern(100 + subjects.size() - 1, static_cast<std::uint32_t>(subjects.size() - 1)));
        }
        current = std::move(nested);
    }
}

TEST(EmbeddedMessages, MessageInsideAnEmbeddedMessage)
{
    const Conversion result = ConvertMessage(Chain(2), "chain2");
    ASSERT_EQ(result.status, 0);
    ASSERT_TRUE(result.error.empty()) << result.error;
    EXPECT_EQ(FollowChain(result.tnef),
              (std::vector<std::string>{"Level 0", "Level 1", "Level 2"}));
    std::filesystem::remove(result.tnefPath);
}

TEST(EmbeddedMessages, NestingPastTheCapLeavesOutOnlyTheDeepestData)
{
    const int levels = static_cast<int>(ferrule::kMaxEmbeddedDepth) + 1;
    const Conversion result = ConvertCleanly(Chain(levels), "chain-deep");
    ASSERT_EQ(result.status, 0);

    const std::vector<std::string> subjects = FollowChain(result.tnef);
    ASSERT_EQ(subjects.size(), ferrule::kMaxEmbeddedDepth + 1);
    EXPECT_EQ(subjects.back(), "Level " + std::to_string(ferrule::kMaxEmbeddedDepth));
    std::filesystem::remove(result.tnefPath);
}

TEST(EmbeddedMessages, UnreadableEmbeddedMessageKeepsTheAttachmentWithoutData)
{
    auto broken = std::make_shared<MsgBuilder>();
    broken->Message().String8(PR_SUBJECT, "never seen").NoPropertyStream();
    MsgBuilder outer;
    outer.Message().String8(PR_SUBJECT, "Has a broken attachment");
    AttachMessage(outer, broken, "Broken");
    const Conversion result = ConvertMessage(outer, "broken-embedded");
    ASSERT_EQ(result.status, 0);
    ASSERT_TRUE(result.error.empty()) << result.error;
    const auto groups = result.tnef.Attachments();
    ASSERT_EQ(groups.size(), 1u);
    const TnefPropertyList list = AttachmentProperties(groups[0]);
    EXPECT_EQ(FindProperty(list, PR_ATTACH_DATA_OBJ), nullptr);
    ASSERT_NE(FindProperty(list, PR_DISPLAY_NAME), nullptr);
    EXPECT_EQ(FindProperty(list, PR_DISPLAY_NAME)->Text8(), "Broken");
    std::filesystem::remove(result.tnefPath);
}

// ---- OLE objects --------------------------------------------------------------------

StorageTree ReadTree(GsfInfile* storage)
{
    StorageTree tree;
    guint8 clsid[16] = {};
    if (GSF_IS_INFILE_MSOLE(storage) && gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(storage), clsid)) {
        tree.clsid = platform::GuidFromBytes(clsid);
    }
    for (int i = 0; i < gsf_infile_num_children(storage); ++i) {
        const std::string name = gsf_infile_name_by_index(storage, i);
        platform::GPtr<GsfInput> child(gsf_infile_child_by_index(storage, i));
        if (GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0) {
            tree.storages[name] = ReadTree(GSF_INFILE(child.get()));
            continue;
        }
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(gsf_input_size(child.get())));
        EXPECT_TRUE(bytes.empty() || gsf_input_read(child.get(), bytes.size(), bytes.data()));
        tree.streams[name] = std::move(bytes);
    }
    return tree;
}

void ExpectSameTree(const StorageTree& actual, const StorageTree& expected, const std::string& where)
{
    EXPECT_EQ(actual.clsid, expected.clsid) << where;
    EXPECT_EQ(actual.streams, expected.streams) << where;
    ASSERT_EQ(actual.storages.size(), expected.storages.size()) << where;
    for (const auto& [name, child] : expected.storages) {
        ASSERT_TRUE(actual.storages.count(name)) << where << "/" << name;
        ExpectSameTree(actual.storages.at(name), child, where + "/" + name);
    }
}

TEST(OleAttachments, StorageBecomesACompoundFileWithTheSameStreams)
{
    StorageTree object;
    object.clsid = kObjectClass;
    object.streams["\x01" "CompObj"] = Pattern(90, 1);
    object.streams["Contents"] = Pattern(200000, 2); // past the small-stream cut-off
    object.streams["Empty"] = {};
    StorageTree& sub = object.storages["ObjectPool"];
    sub.clsid = kInnerClass;
    sub.streams["Inner"] = Pattern(5000, 3);
    sub.storages["Deeper"].streams["Leaf"] = {'l', 'e', 'a', 'f'};

    MsgBuilder msg;
    msg.Message().String8(PR_SUBJECT, "With an object");
    msg.AddAttachment().Long(PR_ATTACH_METHOD, 6).String8(PR_DISPLAY_NAME, "Chart").ObjectStorage(object);
    const Conversion result = ConvertCleanly(msg, "ole");
    ASSERT_EQ(result.status, 0);

    const auto groups = result.tnef.Attachments();
    ASSERT_EQ(groups.size(), 1u);
    const TnefRecord* rendering = FindIn(groups[0], attAttachRenddata);
    ASSERT_NE(rendering, nullptr);
    EXPECT_EQ(rendering->data.at(0), 2); // atypOle
    const auto data = ObjectData(groups[0], kIidStorage);
    ASSERT_TRUE(data);

    const std::string path = Scratch() + "object.cfb";
    WriteFile(path, *data);
    GError* error = nullptr;
    platform::GPtr<GsfInput> input(gsf_input_stdio_new(path.c_str(), &error));
    ASSERT_TRUE(input);
    platform::GPtr<GsfInfile> root(gsf_infile_msole_new(input.get(), &error));
    ASSERT_TRUE(root) << (error ? error->message : "");
    ExpectSameTree(ReadTree(root.get()), object, "");

    const auto kinds = ViewerValueKinds(result.bytes, result.tnef.records.size(), 1);
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), viewer::doc::model::ELEM_OLE_OBJECT), 1);
    const std::string folder = Scratch() + "ole-out";
    std::filesystem::create_directories(folder);
    EXPECT_EQ(RunCommand("tnef -C '" + folder + "' '" + result.tnefPath + "' 2>&1"), 0);
    std::filesystem::remove(result.tnefPath);
}

TEST(OleAttachments, OleObjectInsideAnEmbeddedMessage)
{
    StorageTree object;
    object.clsid = kObjectClass;
    object.streams["Contents"] = Pattern(3000, 9);
    auto inner = std::make_shared<MsgBuilder>();
    inner->Message().String8(PR_SUBJECT, "Inner with object");
    inner->AddAttachment().Long(PR_ATTACH_METHOD, 6).ObjectStorage(object);
    MsgBuilder outer;
    outer.Message().String8(PR_SUBJECT, "Outer");
    AttachMessage(outer, inner, "Inner");

    const Conversion result = ConvertMessage(outer, "ole-embedded");
    ASSERT_EQ(result.status, 0);
    const auto nestedBytes = ObjectData(result.tnef.Attachments().at(0), kIidMessage);
    ASSERT_TRUE(nestedBytes);
    const TnefFile nested = ParseNested(*nestedBytes);
    ASSERT_EQ(nested.Attachments().size(), 1u);
    const auto data = ObjectData(nested.Attachments()[0], kIidStorage);
    ASSERT_TRUE(data);
    const std::string path = Scratch() + "inner-object.cfb";
    WriteFile(path, *data);
    GError* error = nullptr;
    platform::GPtr<GsfInput> input(gsf_input_stdio_new(path.c_str(), &error));
    ASSERT_TRUE(input);
    platform::GPtr<GsfInfile> root(gsf_infile_msole_new(input.get(), &error));
    ASSERT_TRUE(root);
    ExpectSameTree(ReadTree(root.get()), object, "");
    std::filesystem::remove(result.tnefPath);
}

} // namespace
} // namespace testing_support

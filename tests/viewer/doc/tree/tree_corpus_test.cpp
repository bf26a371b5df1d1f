// The trees of the sample TNEF files: groups, subjects, attachment names and body kinds
// as the sample's manifest describes them, every file walked to its end without reaching a
// limit, and the details of every node built without fault.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/memory_stream.h"
#include "tests/support/test_files.h"
#include "viewer/doc/panes/details_rows.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/tree/tree_builder.h"

namespace viewer::doc::tree {

using namespace viewer::doc::document;
using namespace viewer::doc::model;
using namespace viewer::doc::panes;

namespace {

namespace fs = std::filesystem;

fs::path Folder() { return fs::path(PALLION_CORPUS_DIR) / "tnef"; }

struct Expected {
    std::vector<std::string> topLevel; // captions under the root, the header excepted
    MailBodyKind body;
};

const std::map<std::string, Expected>& ExpectedTrees()
{
    static const std::map<std::string, Expected> trees = {
        {"MAPI_ATTACH_DATA_OBJ.tnef",
         {{"Bod\xC3\xB8-damer p\xC3\xA5 vei!", "VIA_Nytt_1402.doc", "VIA_Nytt_1402.pdf",
           "VIA_Nytt_14021.htm"},
          MailBodyKind::CompressedRtf}},
        {"MAPI_OBJECT.tnef",
         {{"OCTOBER DISCOUNTED PRICE LIST", "OLE Object Attachment"}, MailBodyKind::CompressedRtf}},
        {"IPM-DistList.tnef", {{"Message Attributes", "Mail Attachment"}, MailBodyKind::CompressedRtf}},
        {"christmas.tnef",
         {{"Message Attributes", "kitten-playing-with-a-christmas-tree.jpg", "Mail Attachment",
           "Mail Attachment"},
          MailBodyKind::CompressedRtf}},
        {"body.tnef", {{"Bill of Rights"}, MailBodyKind::Html}},
        {"rtf.tnef", {{"<empty subject>"}, MailBodyKind::CompressedRtf}},
        {"umlaut-filename.tnef", {{"Message Attributes", "d\xC3\xB6" "cument.pdf"}, MailBodyKind::CompressedRtf}},
        {"one-file.tnef", {{"one-file", "AUTHORS"}, MailBodyKind::None}},
        {"triples.tnef", {{"Sample Summary"}, MailBodyKind::CompressedRtf}},
        {"empty-file.tnef", {{}, MailBodyKind::None}},
    };
    return trees;
}

std::vector<std::uint8_t> ReadSample(const fs::path& path)
{
    return testing_support::ReadFile(path.string());
}

TEST(TreeCorpus, SamplesBuildTheTreesTheManifestDescribes)
{
    if (!fs::is_directory(Folder())) {
        GTEST_SKIP() << "no sample corpus at " << Folder();
    }
    // Captions are looked up by name: with the dictionary a PT_UNICODE PR_SUBJECT answers to
    // "PR_SUBJECT" as the PT_STRING8 one does, as in the application.
    TagoraHandle dictionary = nullptr;
    ASSERT_EQ(TagoraInit(&dictionary), 1);
    for (const auto& [name, expected] : ExpectedTrees()) {
        SCOPED_TRACE(name);
        CEnvelonDoc doc;
        doc.AttachStream(platform::CreateMemoryStream(ReadSample(Folder() / name)),
                         (Folder() / name).string());
        DocumentTree tree;
        const BuildResult result = tree.Build(doc, dictionary);
        EXPECT_FALSE(result.cut);
        const MemoryTree& t = tree.GetTree();
        std::vector<std::string> captions;
        for (NodeId child : t.Children(t.Root())) {
            if (t.Caption(child) != "Header") {
                captions.push_back(t.Caption(child));
            }
        }
        EXPECT_EQ(captions, expected.topLevel);
        EXPECT_EQ(tree.Index().FindMailBody().kind, expected.body);
    }
    TagoraClose(dictionary);
}

// Walks every node of a tree, building its details rows.
std::size_t DetailAll(const MemoryTree& tree, NodeId node, std::uint32_t codePage)
{
    std::size_t count = 0;
    for (NodeId child = tree.FirstChild(node); child != kNoNode; child = tree.NextSibling(child)) {
        const DetailsTable table = BuildDetailsTable(tree.Element(child), nullptr, codePage);
        for (const auto& row : table.rows) {
            EXPECT_EQ(row.size(), table.columns.size());
        }
        count += 1 + DetailAll(tree, child, codePage);
    }
    return count;
}

TEST(TreeCorpus, EverySampleWalksWholeInBothViews)
{
    if (!fs::is_directory(Folder())) {
        GTEST_SKIP() << "no sample corpus at " << Folder();
    }
    for (const auto& entry : fs::directory_iterator(Folder())) {
        SCOPED_TRACE(entry.path().filename().string());
        for (bool raw : {false, true}) {
            CEnvelonDoc doc;
            doc.AttachStream(platform::CreateMemoryStream(ReadSample(entry.path())),
                             entry.path().string());
            doc.SetRawView(raw);
            DocumentTree tree;
            const BuildResult result = tree.Build(doc, nullptr);
            EXPECT_FALSE(result.cut);
            EXPECT_EQ(DetailAll(tree.GetTree(), tree.GetTree().Root(), doc.CodePage()) + 1,
                      tree.GetTree().NodeCount());
        }
    }
}

} // namespace
} // namespace viewer::doc::tree

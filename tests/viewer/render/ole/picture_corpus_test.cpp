// Every attachment rendering and OLE object of the sample TNEF files plays without damage
// and writes an SVG document: found through the document's own tree, as the panes find
// them.
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/memory_stream.h"
#include "tests/support/test_files.h"
#include "viewer/doc/app/app_context.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/tree/tree_builder.h"
#include "viewer/render/metafile/metafile_pane.h"
#include "viewer/render/metafile/svg_writer.h"
#include "viewer/render/ole/embedded_item.h"

namespace viewer::render::ole {
namespace {

namespace fs = std::filesystem;

class NoPane : public EmbeddedItemHost {
public:
    StatusCode HandOver(const OleObject&) override { return platform::S_OK; }
    void Invalidate() override {}
};

void Walk(const doc::tree::MemoryTree& tree, doc::tree::NodeId node,
          std::vector<const doc::model::ElementRef*>& found)
{
    const doc::model::ElementRef* element = tree.Element(node);
    const std::uint32_t kind = element ? element->Kind() : 0;
    if (kind == doc::model::ELEM_METAFILE || kind == doc::model::ELEM_OLE_OBJECT) {
        found.push_back(element);
    }
    for (doc::tree::NodeId child : tree.Children(node)) {
        Walk(tree, child, found);
    }
}

TEST(PictureCorpus, EveryRenderingAndObjectPlaysWithoutDamage)
{
    const fs::path folder = fs::path(PALLION_CORPUS_DIR) / "tnef";
    if (!fs::is_directory(folder)) {
        GTEST_SKIP() << "no sample corpus at " << folder;
    }
    // Element data reaches files through the file stream server of this build.
    ::setenv("PALLION_LIBDIR", PALLION_BIN_DIR, 1);
    doc::app::RegisterStreamServer();
    int renderings = 0;
    int objects = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        SCOPED_TRACE(entry.path().filename().string());
        doc::document::CEnvelonDoc document;
        document.AttachStream(
            platform::CreateMemoryStream(testing_support::ReadFile(entry.path().string())),
            entry.path().string());
        doc::tree::DocumentTree tree;
        tree.Build(document, nullptr);
        std::vector<const doc::model::ElementRef*> found;
        Walk(tree.GetTree(), tree.GetTree().Root(), found);
        for (const doc::model::ElementRef* element : found) {
            const std::string path = testing_support::Scratch() + "element.bin";
            ASSERT_EQ(document.WriteElementData(element, path.c_str()), platform::S_OK);
            metafile::Picture picture;
            if (element->Kind() == doc::model::ELEM_METAFILE) {
                std::size_t n = 0;
                ASSERT_EQ(
                    metafile::LoadAttachmentMetafile(testing_support::ReadFile(path), picture, n),
                    platform::S_OK);
                ++renderings;
            } else {
                NoPane pane;
                CEmbeddedItem item;
                ASSERT_EQ(item.LoadFromFile(&pane, path), platform::S_OK);
                DrawPlan plan;
                const metafile::PixelRect client{0, 0, 800, 600};
                ASSERT_EQ(item.DrawObject(96, 96, &client, plan), platform::S_OK);
                ASSERT_NE(plan.picture, nullptr);
                picture = *plan.picture;
                ++objects;
            }
            EXPECT_FALSE(picture.damaged);
            EXPECT_FALSE(picture.steps.empty());
            EXPECT_FALSE(picture.bounds.Empty());
            EXPECT_NE(metafile::WriteSvg(picture).find("</svg>"), std::string::npos);
            fs::remove(path);
        }
    }
    // The sample TNEF files hold 26 renderings and one OLE object, shown at two nodes.
    EXPECT_EQ(renderings, 26);
    EXPECT_EQ(objects, 2);
}

} // namespace
} // namespace viewer::render::ole

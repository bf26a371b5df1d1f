// The embedded item's states (0 to 3), its extent and drawing plan, the question before
// opening, and the double-click rule, over objects the tests write.
#include <gtest/gtest.h>

#include "tests/support/test_files.h"
#include "tests/viewer/render/ole/object_files.h"
#include "tests/viewer/render/picture_builders.h"
#include "viewer/render/metafile/wmf_records.h"
#include "viewer/render/ole/embedded_item.h"

namespace viewer::render::ole {
namespace {

using testing_support::PresentationStream;
using testing_support::StorageTree;
using testing_support::WmfBuilder;

class FakePane : public EmbeddedItemHost, public OpenQuestion {
public:
    StatusCode HandOver(const OleObject& object) override
    {
        ++handOvers;
        handedName = object.Content().name;
        return handOverStatus;
    }
    void Invalidate() override { ++invalidations; }
    bool ConfirmOpen() override
    {
        ++questions;
        return answer;
    }

    int handOvers = 0;
    int invalidations = 0;
    int questions = 0;
    bool answer = true;
    StatusCode handOverStatus = platform::S_OK;
    std::string handedName;
};

// 1 x 0.5 inches of content, or an icon of 2699 x 1746 HIMETRIC.
std::string ObjectFile(const char* name, std::uint32_t aspect, std::int32_t cx = 2540,
                       std::int32_t cy = 1270)
{
    StorageTree tree;
    tree.streams["\001CompObj"] = testing_support::CompObjStream("Chart", "Chart.1");
    tree.streams["\002OlePres000"] =
        PresentationStream(CF_METAFILEPICT, aspect, cx, cy,
                           WmfBuilder().Box(metafile::wmf::META_RECTANGLE, 0, 0, 10, 10).Bytes());
    return testing_support::WriteObject(name, tree);
}

TEST(EmbeddedItem, StatesFollowLoadingOpeningAndClosing)
{
    FakePane pane;
    CEmbeddedItem item;
    EXPECT_EQ(item.ActivateObject(), platform::E_UNEXPECTED);
    EXPECT_EQ(item.SaveToStorage(), platform::E_UNEXPECTED);
    EXPECT_EQ(item.SetShownState(true), platform::E_UNEXPECTED);

    ASSERT_EQ(item.LoadFromFile(&pane, ObjectFile("states.ole", DVASPECT_CONTENT)), platform::S_OK);
    EXPECT_EQ(item.State(), CEmbeddedItem::kLoaded);
    EXPECT_EQ(pane.invalidations, 1); // the view changed with the load
    EXPECT_EQ(item.LoadFromFile(&pane, ObjectFile("again.ole", DVASPECT_CONTENT)),
              platform::E_UNEXPECTED);
    EXPECT_EQ(item.SaveToStorage(), platform::E_NOTIMPL);

    ASSERT_EQ(item.ActivateObject(), platform::S_OK);
    EXPECT_EQ(item.State(), CEmbeddedItem::kShown);
    EXPECT_EQ(pane.handOvers, 1);
    EXPECT_EQ(pane.handedName, "Chart");
    // Already shown in its application: nothing more.
    EXPECT_EQ(item.ActivateObject(), platform::S_OK);
    EXPECT_EQ(pane.handOvers, 1);

    // Its application's window hidden: the pane repaints.
    ASSERT_EQ(item.SetShownState(false), platform::S_OK);
    EXPECT_EQ(item.State(), CEmbeddedItem::kHidden);
    EXPECT_EQ(pane.invalidations, 2);
    ASSERT_EQ(item.SetShownState(true), platform::S_OK);

    item.CloseObject();
    EXPECT_EQ(pane.invalidations, 3); // closed while shown
    EXPECT_EQ(item.State(), CEmbeddedItem::kEmpty);
    EXPECT_EQ(item.DrawAspect(), DVASPECT_CONTENT);
    EXPECT_EQ(item.Object(), nullptr);
}

TEST(EmbeddedItem, FailedLoadsAndHandOversLeaveTheItemAsItWas)
{
    FakePane pane;
    CEmbeddedItem item;
    EXPECT_EQ(item.LoadFromFile(&pane, ""), platform::E_FAIL);
    testing_support::WriteFile(testing_support::Scratch() + "plain.ole", std::string(1024, 'x'));
    EXPECT_LT(item.LoadFromFile(&pane, testing_support::Scratch() + "plain.ole"), 0);
    EXPECT_EQ(item.State(), CEmbeddedItem::kEmpty);

    ASSERT_EQ(item.LoadFromFile(&pane, ObjectFile("refused.ole", DVASPECT_CONTENT)),
              platform::S_OK);
    pane.handOverStatus = platform::E_ACCESSDENIED;
    EXPECT_EQ(item.ActivateObject(), platform::E_ACCESSDENIED);
    EXPECT_EQ(item.State(), CEmbeddedItem::kLoaded);
}

TEST(EmbeddedItem, ExtentIsHimetricRoundedToTheDevicesPixels)
{
    FakePane pane;
    CEmbeddedItem item;
    PixelRect rect{10, 20, 0, 0};
    EXPECT_EQ(item.GetObjectExtent(96, 96, &rect), platform::E_UNEXPECTED);
    ASSERT_EQ(item.LoadFromFile(&pane, ObjectFile("extent.ole", DVASPECT_CONTENT, 2699, -1270)),
              platform::S_OK);
    EXPECT_EQ(item.GetObjectExtent(96, 96, nullptr), platform::E_INVALIDARG);
    ASSERT_EQ(item.GetObjectExtent(96, 96, &rect), platform::S_OK);
    // 2699 x 96 / 2540 = 102.01; a negative height turns the rectangle round.
    EXPECT_EQ(rect, (PixelRect{10, -28, 112, 20}));
    rect = {0, 0, 0, 0};
    ASSERT_EQ(item.GetObjectExtent(120, 144, &rect), platform::S_OK);
    EXPECT_EQ(rect, (PixelRect{0, -72, 128, 0}));
}

TEST(EmbeddedItem, DrawingPlanFramesThePictureOnePixelOut)
{
    FakePane pane;
    CEmbeddedItem item;
    ASSERT_EQ(item.LoadFromFile(&pane, ObjectFile("draw.ole", DVASPECT_CONTENT)), platform::S_OK);
    DrawPlan plan;
    EXPECT_EQ(item.DrawObject(96, 96, nullptr, plan), platform::E_INVALIDARG);
    const PixelRect client{0, 0, 500, 400};
    ASSERT_EQ(item.DrawObject(96, 96, &client, plan), platform::S_OK);
    EXPECT_EQ(plan.area, (PixelRect{1, 1, 97, 49}));
    EXPECT_EQ(plan.frame, (PixelRect{0, 0, 98, 50}));
    ASSERT_NE(plan.picture, nullptr);
    EXPECT_EQ(plan.picture->steps.size(), 1u);
}

TEST(EmbeddedItem, AnIconOnlyObjectIsDrawnAndSizedAsItsIcon)
{
    FakePane pane;
    CEmbeddedItem item;
    ASSERT_EQ(item.LoadFromFile(&pane, ObjectFile("icon.ole", DVASPECT_ICON, 2699, 1746)),
              platform::S_OK);
    EXPECT_EQ(item.DrawAspect(), DVASPECT_ICON);
    PixelRect rect{};
    ASSERT_EQ(item.GetObjectExtent(96, 96, &rect), platform::S_OK);
    EXPECT_EQ(rect, (PixelRect{0, 0, 102, 66}));
}

TEST(EmbeddedItem, WithoutAPictureNothingIsDrawnAndNoDoubleClickOpens)
{
    StorageTree tree;
    tree.streams["Contents"] = {1, 2};
    FakePane pane;
    CEmbeddedItem item;
    ASSERT_EQ(item.LoadFromFile(&pane, testing_support::WriteObject("blank.ole", tree)),
              platform::S_OK);
    DrawPlan plan;
    const PixelRect client{0, 0, 100, 100};
    EXPECT_EQ(item.DrawObject(96, 96, &client, plan), OLE_E_BLANK);
    EXPECT_FALSE(DoubleClickOpens(item, 0, 0, 96, 96));
    // Open Attachment still reaches the content.
    EXPECT_EQ(OpenEmbeddedObject(item, pane), platform::S_OK);
    EXPECT_EQ(pane.handOvers, 1);
}

TEST(EmbeddedItem, OpeningAsksFirstAndDecliningChangesNothing)
{
    FakePane pane;
    CEmbeddedItem item;
    ASSERT_EQ(item.LoadFromFile(&pane, ObjectFile("ask.ole", DVASPECT_CONTENT)), platform::S_OK);
    // The extent from (0, 0) is 96 x 48 pixels: beyond it a double-click does not open.
    EXPECT_TRUE(DoubleClickOpens(item, 96, 48, 96, 96));
    EXPECT_FALSE(DoubleClickOpens(item, 97, 10, 96, 96));
    EXPECT_FALSE(DoubleClickOpens(item, 10, 49, 96, 96));

    pane.answer = false;
    EXPECT_EQ(OpenEmbeddedObject(item, pane), platform::S_FALSE);
    EXPECT_EQ(pane.questions, 1);
    EXPECT_EQ(pane.handOvers, 0);
    EXPECT_EQ(item.State(), CEmbeddedItem::kLoaded);
    pane.answer = true;
    EXPECT_EQ(OpenEmbeddedObject(item, pane), platform::S_OK);
    EXPECT_EQ(item.State(), CEmbeddedItem::kShown);
}

} // namespace
} // namespace viewer::render::ole

// The details pane: the ten stored widths carry from one element to the next, whatever its
// columns, and to the details pane that takes over; the selected rows copy as text.
#include "viewer/ui/envelon_view.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <gtest/gtest.h>

#include "viewer/ui/commands.h"

namespace viewer::ui {
namespace {

using namespace viewer::doc::frame;
using namespace viewer::doc::model;

std::vector<int> Widths(const CEnvelonView& view)
{
    return view.CurrentWidths();
}

TEST(DetailsPane, WidthsCarryAcrossElementsOfAnyColumnCount)
{
    PropertyElement property; // three columns
    HeaderElement header;     // two
    FolderElement folder;     // none
    CEnvelonView view(PaneContext{}, nullptr);

    view.OnUpdate(nullptr, &property);
    ASSERT_EQ(view.columnCount(), 3);
    EXPECT_EQ(Widths(view), (std::vector<int>{100, 100, 100}));
    view.setColumnWidth(0, 80);
    view.setColumnWidth(1, 150);
    view.setColumnWidth(2, 250);

    view.OnUpdate(nullptr, &header);
    EXPECT_EQ(Widths(view), (std::vector<int>{80, 150}));
    view.setColumnWidth(1, 300);

    view.OnUpdate(nullptr, &property);
    EXPECT_EQ(Widths(view), (std::vector<int>{80, 300, 250}));

    view.OnUpdate(nullptr, &folder);
    EXPECT_EQ(view.columnCount(), 0);
    EXPECT_TRUE(view.isHeaderHidden());
    view.OnUpdate(nullptr, &header);
    EXPECT_FALSE(view.isHeaderHidden());
    EXPECT_EQ(Widths(view), (std::vector<int>{80, 300}));

    // A broadcast without an element changes nothing.
    view.OnUpdate(nullptr, nullptr);
    EXPECT_EQ(view.GetElement(), &header);
}

TEST(DetailsPane, TakeOverCarriesTheElementAndTheWidthsOfTheReplacedPane)
{
    PropertyElement property;
    HeaderElement header;
    CEnvelonView previous(PaneContext{}, nullptr, VIEW_HEX); // standing in for the hex pane
    previous.OnUpdate(nullptr, &property);
    previous.setColumnWidth(2, 333);
    previous.OnUpdate(nullptr, &header); // column 2 now only stored
    previous.setColumnWidth(0, 44);

    CEnvelonView next(PaneContext{}, nullptr);
    ASSERT_TRUE(next.TakeOver(&previous));
    EXPECT_EQ(next.GetElement(), &header);
    EXPECT_EQ(next.GetViewKind(), VIEW_DETAILS);
    EXPECT_EQ(previous.GetViewKind(), VIEW_HEX);
    next.OnUpdate(nullptr, &property);
    EXPECT_EQ(Widths(next), (std::vector<int>{44, 100, 333}));
}

TEST(DetailsPane, CopyTakesTheSelectedRowsAsTabSeparatedText)
{
    HeaderElement header;
    header.m_key = 7;
    CEnvelonView view(PaneContext{}, nullptr);
    view.OnUpdate(nullptr, &header);
    EXPECT_FALSE(view.CanHandle(ID_EDIT_COPY));
    EXPECT_FALSE(view.OnCommand(ID_EDIT_COPY));
    view.selectAll();
    ASSERT_TRUE(view.CanHandle(ID_EDIT_COPY));
    EXPECT_FALSE(view.CanHandle(ID_EDIT_PASTE));
    ASSERT_TRUE(view.OnCommand(ID_EDIT_COPY));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Signature\t0X223E9F78\nKey\t7"));
}

} // namespace
} // namespace viewer::ui

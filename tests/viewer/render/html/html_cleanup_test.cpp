// The HTML pane's clean-up: what a hostile or Office-written body loses, what it keeps, and
// the caps that keep Qt's engine from being asked for absurd sizes.
#include "viewer/render/html/html_cleanup.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

using namespace viewer::render::html;

namespace {

std::string Clean(std::string_view html, const CleanupLimits& limits = {})
{
    const HtmlDocument doc = HtmlDocument::Parse(
        {reinterpret_cast<const std::uint8_t*>(html.data()), html.size()}, {}, TagPrefixes::Keep);
    return CleanHtml(doc, limits);
}

std::size_t Count(std::string_view text, std::string_view part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos;
         at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

struct RemovalCase {
    const char* name;
    const char* html;
    const char* gone; // must not appear in the output
    const char* kept; // must appear
};

class HtmlCleanupRemoves : public testing::TestWithParam<RemovalCase> {};

TEST_P(HtmlCleanupRemoves, WhatRunsSubmitsOrNavigates)
{
    const std::string out = Clean(GetParam().html);
    EXPECT_EQ(out.find(GetParam().gone), std::string::npos) << out;
    EXPECT_NE(out.find(GetParam().kept), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HtmlCleanupRemoves,
    testing::Values(
        RemovalCase{"Script", "<p>a</p><script>alert(1)</script><p>b</p>", "alert", "<p>b</p>"},
        RemovalCase{"Iframe", "<iframe src='http://x/'>inner</iframe><p>b</p>", "x/", "<p>b</p>"},
        RemovalCase{"EventAttribute", "<body onload='f()'><p onclick='g()'>b</p>", "()",
                    "<p>b</p>"},
        RemovalCase{"ObjectAndEmbed", "<object data=a.swf><embed src=b></object><i>c</i>", "swf",
                    "<i>c</i>"},
        RemovalCase{"FormControlsButNotTheirText",
                    "<form action='http://x/'>Name <input name=n value=secret></form>", "secret",
                    "Name "},
        RemovalCase{"MetaRefresh",
                    "<head><meta http-equiv=refresh content='0;url=http://x/'></head><p>b</p>",
                    "refresh", "<p>b</p>"},
        RemovalCase{"BaseAndStyleSheetLink",
                    "<head><base href='http://x/'><link rel=stylesheet href='http://y/'></head>b",
                    "http", "b"},
        RemovalCase{"OfficeOnlyBranchOfAConditionalComment",
                    "<!--[if gte mso 9]><xml><o:OfficeDocumentSettings/></xml><![endif]-->b",
                    "Office", "b"},
        RemovalCase{"MarkersOfTheRevealedBranch",
                    "<p><![if !supportLists]><span>1.</span><![endif]>Item</p>", "<![",
                    "<span>1.</span>Item"},
        RemovalCase{"OfficeParagraphIsNoSecondParagraph", "<p>Hello<o:p>&nbsp;</o:p></p>",
                    "<p>Hello<p", "<p>Hello\xC2\xA0</p>"},
        RemovalCase{"VmlShapes", "<v:shape><v:imagedata src='cid:vml'/></v:shape>b", "vml", "b"},
        RemovalCase{"StyleThatFetches",
                    "<style>@import url(http://x/a.css); p{color:red;background:url(http://y/)}"
                    "</style><p style='background-image:url(http://z/);color:blue'>b</p>",
                    "http", "p{color:red;}"}),
    [](const testing::TestParamInfo<RemovalCase>& row) { return row.param.name; });

TEST(HtmlCleanup, KeepsTheLayoutQtDraws)
{
    const std::string out =
        Clean("<html><body bgcolor=#ffeedd><table border=1 cellpadding=3><tr>"
              "<td colspan=2 width=50% style='color:#123456;mso-x:y'><b>A</b></td></tr></table>"
              "<a href='http://example.com/?a=1&amp;b=2' title=t>link</a>"
              "<img src='cid:logo@x' width=20 height=10 alt=''><section>s</section></body></html>");
    EXPECT_NE(out.find("<body bgcolor=\"#ffeedd\">"), std::string::npos) << out;
    EXPECT_NE(out.find("<table border=\"1\" cellpadding=\"3\"><tr>"
                       "<td colspan=\"2\" width=\"50%\" style=\"color:#123456;\"><b>A</b></td>"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("<a href=\"http://example.com/?a=1&amp;b=2\" title=\"t\">link</a>"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("<img src=\"cid:logo@x\" width=\"20\" height=\"10\" alt=\"\">"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("<div>s</div>"), std::string::npos) << out;
}

TEST(HtmlCleanup, CapsDepthTablesColumnsAndSizes)
{
    CleanupLimits limits;
    limits.maxDepth = 20;
    limits.maxTableDepth = 2;
    limits.maxColumns = 3;

    std::string deep;
    for (int i = 0; i < 100000; ++i) {
        deep += "<div>";
    }
    const std::string deepOut = Clean(deep + "bottom", limits);
    EXPECT_LE(Count(deepOut, "<div>"), 20u);
    EXPECT_NE(deepOut.find("bottom"), std::string::npos);

    const std::string nested = Clean("<table><tr><td><table><tr><td><table><tr><td>inner"
                                     "</td></tr></table></td></tr></table></td></tr></table>",
                                     limits);
    EXPECT_EQ(Count(nested, "<table"), 2u) << nested;
    EXPECT_NE(nested.find("inner"), std::string::npos);

    // Cells past the third column join the third; spans never reach past it.
    const std::string wide =
        Clean("<table><tr><td>1</td><td colspan=99>2</td><td>3</td><td>4</td></tr>"
              "<tr><td>5</td></tr></table>",
              limits);
    EXPECT_NE(wide.find("<tr><td>1</td><td colspan=\"2\">2 3 4</td></tr><tr><td>5</td></tr>"),
              std::string::npos)
        << wide;

    const std::string sizes =
        Clean("<p style='font-size:5000px;margin-left:-90000pt;width:50%'>"
              "<img width=99999 height=12px><font size=99>x</font></p>");
    EXPECT_NE(sizes.find("font-size:96px;margin-left:-4000px;width:50%;"), std::string::npos)
        << sizes;
    EXPECT_NE(sizes.find("<img width=\"4000\" height=\"12\">"), std::string::npos) << sizes;
    EXPECT_NE(sizes.find("<font size=\"7\">"), std::string::npos) << sizes;
}

} // namespace

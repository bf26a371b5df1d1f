// Which addresses a body may reach: the resources the panes serve and the links they offer
// to open.
#include "viewer/render/html/addresses.h"

#include <gtest/gtest.h>

using namespace viewer::render::html;

namespace {

constexpr std::string_view kBody = "file:///tmp/tnf1/tnfAbc123.tmp";

struct ResourceCase {
    const char* name;
    const char* address;
    ResourceKind kind;
    ResourceSource source;
    const char* contentId;
};

class ResourcePolicy : public testing::TestWithParam<ResourceCase> {};

TEST_P(ResourcePolicy, ServesOnlyTheBodyItsAttachmentsAndDataImages)
{
    const ResourceDecision decision = DecideResource(GetParam().address, GetParam().kind, kBody);
    EXPECT_EQ(decision.source, GetParam().source);
    EXPECT_EQ(decision.contentId, GetParam().contentId);
}

using K = ResourceKind;
using S = ResourceSource;

INSTANTIATE_TEST_SUITE_P(
    Rows, ResourcePolicy,
    testing::Values(
        ResourceCase{"BodyFile", "file:///tmp/tnf1/tnfAbc123.tmp", K::Document, S::BodyFile, ""},
        ResourceCase{"OtherFile", "file:///etc/passwd", K::Document, S::None, ""},
        ResourceCase{"FileImage", "file:///dev/zero", K::Image, S::None, ""},
        ResourceCase{"BodyFileAsImage", "file:///tmp/tnf1/tnfAbc123.tmp", K::Image, S::None, ""},
        ResourceCase{"RemoteImage", "http://tracker.example/p.gif?u=1", K::Image, S::None, ""},
        ResourceCase{"SecureImage", "https://tracker.example/p.gif", K::Image, S::None, ""},
        ResourceCase{"FtpImage", "ftp://x.example/a.png", K::Image, S::None, ""},
        ResourceCase{"RelativeImage", "image001.jpg", K::Image, S::None, ""},
        ResourceCase{"StyleSheet", "http://x.example/a.css", K::StyleSheet, S::None, ""},
        ResourceCase{"ImportedSheet", "a.css", K::StyleSheet, S::None, ""},
        ResourceCase{"ContentId", "cid:image001.png@01D1C1A2.B3", K::Image, S::ContentId,
                     "image001.png@01D1C1A2.B3"},
        ResourceCase{"ContentIdEncodedInBrackets", "CID:%3Cpart1%40x%3E", K::Image,
                     S::ContentId, "part1@x"},
        ResourceCase{"EmptyContentId", "cid:", K::Image, S::None, ""},
        ResourceCase{"ContentIdAsSheet", "cid:a", K::StyleSheet, S::None, ""},
        ResourceCase{"DataPng", " data:image/png;base64,iVBORw0KGgo=", K::Image, S::DataImage,
                     ""},
        ResourceCase{"DataSvg", "data:image/svg+xml,<svg/>", K::Image, S::None, ""},
        ResourceCase{"DataHtml", "data:text/html,<b>x</b>", K::Document, S::None, ""}),
    [](const testing::TestParamInfo<ResourceCase>& row) { return row.param.name; });

TEST(ResourcePolicy, DecodesDataImagesWithinTheirBound)
{
    const auto png = DecodeDataImage("data:image/png;base64,iVBO Rw0K\nGgo=");
    ASSERT_TRUE(png);
    EXPECT_EQ(*png, (std::vector<std::uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
    const auto gif = DecodeDataImage("data:IMAGE/GIF,GIF89a%01");
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->size(), 7u);

    EXPECT_FALSE(DecodeDataImage("data:image/png;base64,iVBORw0KGgo=", 7));
    EXPECT_FALSE(DecodeDataImage("data:image/png;base64," + std::string(4000, 'A'), 1000));
    EXPECT_FALSE(DecodeDataImage("data:image/png;base64,iV*ORw0KGgo="));
    EXPECT_FALSE(DecodeDataImage("data:image/svg+xml;base64,PHN2Zy8+"));
}

TEST(LinkPolicy, OffersOnlyWebAndMailAddressesAndCancelsAppAddresses)
{
    EXPECT_EQ(DecideLink("https://example.com/a"), LinkAction::OfferOpen);
    EXPECT_EQ(DecideLink("HTTP://example.com/"), LinkAction::OfferOpen);
    EXPECT_EQ(DecideLink("mailto:someone@example.com"), LinkAction::OfferOpen);
    EXPECT_EQ(DecideLink("app:ID_FILE_OPEN"), LinkAction::Ignore);
    EXPECT_EQ(DecideLink("App:x"), LinkAction::Ignore);
    EXPECT_EQ(DecideLink("#_Toc1"), LinkAction::Bookmark);
    EXPECT_EQ(DecideLink(std::string(kBody) + "#top", kBody), LinkAction::Bookmark);
    for (const char* refused :
         {"java\tscript:alert(1)", " javascript:alert(1)", "file:///etc/passwd", "ftp://x/",
          "smb://host/share", "vbscript:x", "data:text/html,x", "page.html", "#", ""}) {
        EXPECT_EQ(DecideLink(refused), LinkAction::Refuse) << refused;
    }
}

} // namespace

// The attachment pane's rules: how many bytes of a rendering it takes (the 0 and 16385-byte
// refusals), where its picture control goes (a second picture in the first one's place),
// and the SVG writer's document.
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include "tests/viewer/render/picture_builders.h"
#include "viewer/render/metafile/metafile_pane.h"
#include "viewer/render/metafile/metafile_player.h"
#include "viewer/render/metafile/svg_writer.h"
#include "viewer/render/metafile/wmf_records.h"

namespace viewer::render::metafile {
namespace {

using namespace wmf;
using testing_support::WmfBuilder;
using testing_support::WmfParams;

struct SizeCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    platform::StatusCode status;
    std::size_t n;
};

class AttachmentSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(AttachmentSize, FollowsTheHeaderBoundedByTheBytes)
{
    std::size_t n = 12345;
    EXPECT_EQ(AttachmentMetafileSize(GetParam().bytes, n), GetParam().status);
    EXPECT_EQ(n, GetParam().n);
}

std::vector<std::uint8_t> WithSize(std::uint32_t words, std::size_t bytes)
{
    auto out = WmfBuilder().MtSizeWords(words).Bytes();
    out.resize(bytes, 0);
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Rule, AttachmentSize,
    ::testing::Values(
        SizeCase{"EmptyBits", WithSize(0, 100), platform::E_FAIL, 12345},
        SizeCase{"JustTheLimit", WithSize(8192, 16384), platform::S_OK, 16384},
        SizeCase{"OneByteOverTheLimit", WithSize(9000, 16385), platform::E_FAIL, 12345},
        SizeCase{"BoundedByTheBytesPresent", WithSize(1000, 100), platform::S_OK, 100},
        SizeCase{"AfterAPlaceableHeader",
                 WmfBuilder().Placeable(0, 0, 10, 10, 96).MtSizeWords(12).Bytes(), platform::S_OK,
                 24},
        SizeCase{"NotAMetafile", std::vector<std::uint8_t>(40, 0xAB), platform::E_FAIL, 12345}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(AttachmentPane, LoadsThePictureOfTheBitsOnly)
{
    // The header says 9 + 7 words: the rectangle; the ellipse after them is not played.
    const auto bytes = WmfBuilder()
                           .Box(META_RECTANGLE, 0, 0, 5, 5)
                           .Box(META_ELLIPSE, 0, 0, 5, 5)
                           .MtSizeWords(16)
                           .Bytes();
    Picture picture;
    std::size_t n = 0;
    ASSERT_EQ(LoadAttachmentMetafile(bytes, picture, n), platform::S_OK);
    EXPECT_EQ(n, 32u);
    EXPECT_EQ(picture.steps.size(), 1u);
}

TEST(AttachmentPane, ASecondPictureIsShownInTheFirstOnesRectangle)
{
    Picture first;
    first.bounds = {0, 0, 40, 30};
    Picture second;
    second.bounds = {0, 0, 400, 300};
    const PixelRect client{0, 0, 800, 600};
    const PixelRect control = PictureControlRect(std::nullopt, &first, client, 96, 96);
    EXPECT_EQ(control, (PixelRect{0, 0, 40, 30}));
    EXPECT_EQ(PictureControlRect(control, &second, client, 96, 96), control);
    // Twice the resolution, twice the pixels; a placeable picture counts its own inch.
    EXPECT_EQ(PictureControlRect(std::nullopt, &first, client, 192, 192),
              (PixelRect{0, 0, 80, 60}));
    Picture twips;
    twips.bounds = {0, 0, 1440, 720};
    twips.unitsPerInch = 1440;
    EXPECT_EQ(PictureControlRect(std::nullopt, &twips, client, 96, 96), (PixelRect{0, 0, 96, 48}));
    // Without a picture the control covers the client area.
    EXPECT_EQ(PictureControlRect(std::nullopt, nullptr, client, 96, 96), client);
    EXPECT_EQ(PictureControlRect(std::nullopt, &second, client, 96, 96),
              (PixelRect{0, 0, 400, 300}));
}

TEST(AttachmentPane, PicturesSitCentredWithTheirProportions)
{
    EXPECT_EQ(FitCentred(200, 100, {0, 0, 100, 100}), (RectD{0, 25, 100, 75}));
    EXPECT_EQ(FitCentred(10, 40, {10, 10, 110, 110}), (RectD{47.5, 10, 72.5, 110}));
    EXPECT_TRUE(FitCentred(0, 40, {0, 0, 10, 10}).Empty());
}

// The SVG writer: a well-formed document whose text survives as text, whatever it holds.
struct XmlDoc {
    xmlDocPtr doc;
    ~XmlDoc() { xmlFreeDoc(doc); }
};

void Collect(xmlNodePtr node, std::vector<xmlNodePtr>& out)
{
    for (; node; node = node->next) {
        if (node->type == XML_ELEMENT_NODE) {
            out.push_back(node);
            Collect(node->children, out);
        }
    }
}

std::string Attribute(xmlNodePtr node, const char* name)
{
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    std::string out = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return out;
}

TEST(SvgWriter, WritesShapesTextAndBitmapsAsAWellFormedDocument)
{
    const auto dib = testing_support::DibBuilder(1, 1, 24).Bytes();
    Picture picture;
    ASSERT_EQ(
        PlayMetafile(
            WmfBuilder()
                .Placeable(0, 0, 1440, 720, 1440)
                .Box(META_INTERSECTCLIPRECT, 0, 0, 1000, 700)
                .Record(META_CREATEBRUSHINDIRECT, WmfParams{BS_HATCHED}.Colour(0xFF0000).W(2))
                .Record(META_SELECTOBJECT, {0})
                .Box(META_ELLIPSE, 0, 0, 100, 100)
                .Record(META_TEXTOUT, WmfParams{8}.Text("<A & B>\x01").W(0).W(0))
                .Record(META_DIBSTRETCHBLT,
                        WmfParams().D(SRCCOPY).W(1).W(1).W(0).W(0).W(10).W(10).W(0).W(0).Raw(dib))
                .Bytes(),
            picture),
        platform::S_OK);
    const std::string svg = WriteSvg(picture);
    XmlDoc parsed{
        xmlReadMemory(svg.data(), int(svg.size()), "picture.svg", nullptr, XML_PARSE_NONET)};
    ASSERT_NE(parsed.doc, nullptr) << svg;
    xmlNodePtr root = xmlDocGetRootElement(parsed.doc);
    EXPECT_EQ(Attribute(root, "width"), "96");
    EXPECT_EQ(Attribute(root, "height"), "48");
    EXPECT_EQ(Attribute(root, "viewBox"), "0 0 1440 720");
    std::vector<xmlNodePtr> nodes;
    Collect(root, nodes);
    std::map<std::string, std::vector<xmlNodePtr>> byName;
    for (xmlNodePtr n : nodes) {
        byName[reinterpret_cast<const char*>(n->name)].push_back(n);
    }
    ASSERT_EQ(byName["text"].size(), 1u);
    xmlChar* content = xmlNodeGetContent(byName["text"][0]);
    EXPECT_STREQ(reinterpret_cast<const char*>(content), "<A & B>\xEF\xBF\xBD");
    xmlFree(content);
    ASSERT_EQ(byName["image"].size(), 1u);
    EXPECT_EQ(Attribute(byName["image"][0], "href").rfind("data:image/png;base64,iVBORw0KGgo", 0),
              0u);
    ASSERT_EQ(byName["pattern"].size(), 1u);
    EXPECT_EQ(Attribute(byName["path"].back(), "fill"),
              "url(#" + Attribute(byName["pattern"][0], "id") + ")");
    // Every step sits inside the one clip region.
    ASSERT_EQ(byName["clipPath"].size(), 1u);
    EXPECT_EQ(byName["g"].size(), 3u);
}

} // namespace
} // namespace viewer::render::metafile

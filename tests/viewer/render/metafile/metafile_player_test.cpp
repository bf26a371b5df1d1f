// The metafile player on metafiles written by the tests: each family of records, mapping
// modes, clipping, bitmaps, text in a font's character set, the object table, the
// picture's frame, and damaged or unknown records.
#include <cmath>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/viewer/render/picture_builders.h"
#include "viewer/render/metafile/metafile_player.h"
#include "viewer/render/metafile/wmf_records.h"

namespace viewer::render::metafile {
namespace {

using namespace wmf;
using ::testing::DoubleNear;
using ::testing::ElementsAre;
using testing_support::DibBuilder;
using testing_support::WmfBuilder;
using testing_support::WmfParams;

Picture Play(const WmfBuilder& wmf)
{
    Picture picture;
    EXPECT_EQ(PlayMetafile(wmf.Bytes(), picture), platform::S_OK);
    return picture;
}

const ShapeStep& Shape(const Picture& p, std::size_t i)
{
    return std::get<ShapeStep>(p.steps.at(i).what);
}
const TextStep& Text(const Picture& p, std::size_t i)
{
    return std::get<TextStep>(p.steps.at(i).what);
}
const ImageStep& Image(const Picture& p, std::size_t i)
{
    return std::get<ImageStep>(p.steps.at(i).what);
}

std::string Ops(const Path& path)
{
    std::string ops;
    for (PathOp op : path.ops) {
        ops += "MLCZ"[static_cast<int>(op)];
    }
    return ops;
}

WmfParams Font(int height, int charset, std::string_view face)
{
    WmfParams p{height, 0, 0, 0, 400};
    p.Raw({0, 0, 0, static_cast<std::uint8_t>(charset), 0, 0, 0, 0});
    std::vector<std::uint8_t> name(face.begin(), face.end());
    name.resize(32, 0);
    return p.Raw(name);
}

WmfParams Pen(int style, int width, std::uint32_t rgb)
{
    return WmfParams{style, width, 0}.Colour(rgb);
}

struct ShapeCase {
    const char* name;
    std::uint16_t function;
    WmfParams params;
    std::string ops;
    bool filled;
};

class MetafileShapes : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(MetafileShapes, BecomeOnePathWithThePenAndBrush)
{
    const Picture p = Play(WmfBuilder().Record(GetParam().function, GetParam().params));
    ASSERT_EQ(p.steps.size(), 1u);
    EXPECT_EQ(Ops(Shape(p, 0).path), GetParam().ops);
    EXPECT_EQ(Shape(p, 0).fill.has_value(), GetParam().filled);
    ASSERT_TRUE(Shape(p, 0).stroke);
    EXPECT_EQ(Shape(p, 0).stroke->width, 0); // the default pen: one device pixel
    EXPECT_FALSE(p.damaged);
}

INSTANTIATE_TEST_SUITE_P(
    Records, MetafileShapes,
    ::testing::Values(
        ShapeCase{"Rectangle", META_RECTANGLE, {40, 30, 20, 10}, "MLLLZ", true},
        ShapeCase{"Ellipse", META_ELLIPSE, {40, 30, 20, 10}, "MCCCCZ", true},
        ShapeCase{"RoundRect", META_ROUNDRECT, {6, 6, 40, 30, 20, 10}, "MCLCLCLCZ", true},
        ShapeCase{"QuarterArc", META_ARC, {0, 50, 50, 100, 100, 100, 0, 0}, "MC", false},
        ShapeCase{"QuarterPie", META_PIE, {0, 50, 50, 100, 100, 100, 0, 0}, "MLCZ", true},
        ShapeCase{"QuarterChord", META_CHORD, {0, 50, 50, 100, 100, 100, 0, 0}, "MCZ", true},
        ShapeCase{"Polygon", META_POLYGON, {3, 0, 0, 10, 0, 5, 5}, "MLLZ", true},
        ShapeCase{"Polyline", META_POLYLINE, {3, 0, 0, 10, 0, 5, 5}, "MLL", false},
        ShapeCase{"PolyPolygon",
                  META_POLYPOLYGON,
                  {2, 3, 3, 0, 0, 1, 0, 0, 1, 5, 5, 6, 5, 5, 6},
                  "MLLZMLLZ",
                  true}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(MetafilePlayer, ArcRunsCounterClockwiseFromTheStartRadial)
{
    // Box 0..100; start radial through (100, 50), end through (50, 0): a quarter turn
    // upwards on screen. Swapping them goes the long way round.
    const Picture quarter = Play(WmfBuilder().Record(META_ARC, {0, 50, 50, 100, 100, 100, 0, 0}));
    const auto& points = Shape(quarter, 0).path.points;
    EXPECT_THAT(points.front().x, DoubleNear(100, 1e-9));
    EXPECT_THAT(points.back().x, DoubleNear(50, 1e-9));
    EXPECT_THAT(points.back().y, DoubleNear(0, 1e-9));
    const Picture most = Play(WmfBuilder().Record(META_ARC, {50, 100, 0, 50, 100, 100, 0, 0}));
    EXPECT_EQ(Ops(Shape(most, 0).path), "MCCC");
}

TEST(MetafilePlayer, LineToRunsWithOnePenMakeOnePolyline)
{
    const Picture p = Play(WmfBuilder()
                               .Pair(META_MOVETO, 0, 0)
                               .Pair(META_LINETO, 10, 0)
                               .Pair(META_LINETO, 10, 10)
                               .Record(META_CREATEPENINDIRECT, Pen(0, 3, 0xFF0000))
                               .Record(META_SELECTOBJECT, {0})
                               .Pair(META_LINETO, 0, 10));
    ASSERT_EQ(p.steps.size(), 2u);
    EXPECT_EQ(Ops(Shape(p, 0).path), "MLL");
    EXPECT_EQ(Ops(Shape(p, 1).path), "ML");
    EXPECT_EQ(Shape(p, 1).stroke->colour, 0xFF0000u);
    EXPECT_EQ(Shape(p, 1).stroke->width, 3);
}

struct MappingCase {
    const char* name;
    WmfBuilder setup;
    RectD rectangle; // Rectangle(0, 0, 100, 50) in picture units
};

class MetafileMapping : public ::testing::TestWithParam<MappingCase> {};

TEST_P(MetafileMapping, PlacesARectangleInPictureUnits)
{
    WmfBuilder wmf = GetParam().setup;
    const Picture p = Play(wmf.Box(META_RECTANGLE, 0, 0, 100, 50));
    const auto& pts = Shape(p, 0).path.points;
    const RectD box{std::min(pts[0].x, pts[2].x), std::min(pts[0].y, pts[2].y),
                    std::max(pts[0].x, pts[2].x), std::max(pts[0].y, pts[2].y)};
    const RectD& want = GetParam().rectangle;
    EXPECT_THAT(box.left, DoubleNear(want.left, 1e-9));
    EXPECT_THAT(box.top, DoubleNear(want.top, 1e-9));
    EXPECT_THAT(box.right, DoubleNear(want.right, 1e-9));
    EXPECT_THAT(box.bottom, DoubleNear(want.bottom, 1e-9));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, MetafileMapping,
    ::testing::Values(
        MappingCase{"TextModeMovesByTheOrigins",
                    WmfBuilder().Pair(META_SETWINDOWORG, 10, 20).Pair(META_SETVIEWPORTORG, 1, 2),
                    {-9, -18, 91, 32}},
        MappingCase{"AnisotropicWindowOntoViewport",
                    WmfBuilder()
                        .Record(META_SETMAPMODE, {MM_ANISOTROPIC})
                        .Pair(META_SETWINDOWEXT, 200, 100)
                        .Pair(META_SETVIEWPORTEXT, 400, 400),
                    {0, 0, 200, 200}},
        MappingCase{"WindowAloneKeepsItsUnitsButTurnsOver",
                    WmfBuilder()
                        .Record(META_SETMAPMODE, {MM_ANISOTROPIC})
                        .Pair(META_SETWINDOWEXT, 100, -100),
                    {0, -50, 100, 0}},
        MappingCase{"IsotropicKeepsProportions",
                    WmfBuilder()
                        .Record(META_SETMAPMODE, {MM_ISOTROPIC})
                        .Pair(META_SETWINDOWEXT, 100, 100)
                        .Pair(META_SETVIEWPORTEXT, 400, 200),
                    {0, 0, 200, 100}},
        MappingCase{"ScaledWindowExtent",
                    WmfBuilder()
                        .Record(META_SETMAPMODE, {MM_ANISOTROPIC})
                        .Pair(META_SETWINDOWEXT, 100, 100)
                        .Pair(META_SETVIEWPORTEXT, 100, 100)
                        .Record(META_SCALEWINDOWEXT, {2, 1, 2, 1}),
                    {0, 0, 200, 100}},
        MappingCase{"MetricModeTurnsYUp",
                    WmfBuilder().Record(META_SETMAPMODE, {MM_LOMETRIC}),
                    {0, -50 * 96.0 / 254, 100 * 96.0 / 254, 0}},
        MappingCase{"RestoreDcBringsBackTheSavedMapping",
                    WmfBuilder()
                        .Record(META_SAVEDC)
                        .Record(META_SETMAPMODE, {MM_TWIPS})
                        .Record(META_SAVEDC)
                        .Record(META_RESTOREDC, {1}),
                    {0, 0, 100, 50}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(MetafilePlayer, ClipRegionsIntersectExcludeAndComeBackWithRestoreDc)
{
    const Picture p = Play(WmfBuilder()
                               .Record(META_SAVEDC)
                               .Box(META_INTERSECTCLIPRECT, 0, 0, 100, 100)
                               .Box(META_EXCLUDECLIPRECT, 25, 25, 75, 75)
                               .Box(META_RECTANGLE, 0, 0, 10, 10)
                               .Record(META_RESTOREDC, {-1})
                               .Box(META_RECTANGLE, 0, 0, 10, 10));
    ASSERT_EQ(p.steps.size(), 2u);
    ASSERT_EQ(p.steps[0].clip, 0);
    double area = 0;
    for (const RectD& r : p.clips[0].rects) {
        area += r.Width() * r.Height();
        EXPECT_TRUE(r.right <= 25 || r.left >= 75 || r.bottom <= 25 || r.top >= 75);
    }
    EXPECT_EQ(area, 100 * 100 - 50 * 50);
    EXPECT_EQ(p.steps[1].clip, -1);
}

TEST(MetafilePlayer, TextDecodesWithTheFontsCharacterSet)
{
    const Picture p =
        Play(WmfBuilder()
                 .Record(META_CREATEFONTINDIRECT, Font(-20, 204, "Arial"))
                 .Record(META_SELECTOBJECT, {0})
                 .Record(META_SETTEXTCOLOR, WmfParams().Colour(0x0000FF))
                 .Record(META_TEXTOUT, WmfParams{6}.Text("\xCF\xF0\xE8\xE2\xE5\xF2").W(40).W(30)));
    const TextStep& t = Text(p, 0);
    EXPECT_EQ(t.text, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"); // "Привет"
    EXPECT_EQ(t.font.face, "Arial");
    EXPECT_EQ(t.font.size, 20);
    EXPECT_EQ(t.colour, 0x0000FFu);
    EXPECT_EQ(t.origin, (PointD{30, 40}));
    EXPECT_EQ(t.baseline, TextStep::Baseline::Top);
}

TEST(MetafilePlayer, ExtTextOutSpacingPlacesCharactersAndResolvesCentring)
{
    // Centred on x = 100 at the baseline, opaque and clipped to (0, 0, 50, 50), with a
    // spacing of 10 for each of three characters.
    const Picture p = Play(
        WmfBuilder()
            .Record(META_SETTEXTALIGN, {TA_CENTER | TA_BASELINE})
            .Record(META_SETBKCOLOR, WmfParams().Colour(0x00FF00))
            .Record(META_EXTTEXTOUT, WmfParams{20, 100, 3, ETO_OPAQUE | ETO_CLIPPED, 0, 0, 50, 50}
                                         .Text("abc")
                                         .W(10)
                                         .W(10)
                                         .W(10)));
    ASSERT_EQ(p.steps.size(), 2u);
    EXPECT_EQ(Shape(p, 0).fill->colour, 0x00FF00u);
    const TextStep& t = Text(p, 1);
    EXPECT_THAT(t.offsets, ElementsAre(0, 10, 20));
    EXPECT_EQ(t.origin, (PointD{85, 20}));
    EXPECT_EQ(t.anchor, TextStep::Anchor::Start);
    EXPECT_EQ(t.baseline, TextStep::Baseline::Alphabetic);
    EXPECT_EQ(t.clip, (RectD{0, 0, 50, 50}));
}

WmfParams StretchBlt(std::uint32_t rop, int x, int y, int w, int h,
                     const std::vector<std::uint8_t>& dib, int srcY = 0, int srcH = -1)
{
    const int sh = srcH < 0 ? h : srcH;
    return WmfParams().D(rop).W(sh).W(w).W(srcY).W(0).W(h).W(w).W(y).W(x).Raw(dib);
}

TEST(MetafilePlayer, IconMaskAndImageBecomeOnePictureWithTransparency)
{
    // AND mask: top row white (keep the page), bottom row black. XOR image: black, red.
    const auto mask = DibBuilder(2, 2, 1)
                          .Colours({0x000000, 0xFFFFFF})
                          .Bits({0x00, 0, 0, 0, 0xC0, 0, 0, 0})
                          .Bytes();
    const auto colour =
        DibBuilder(2, -2, 24).Bits({0, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0, 0}).Bytes();
    const Picture p =
        Play(WmfBuilder()
                 .Record(META_DIBSTRETCHBLT, StretchBlt(SRCAND, 5, 5, 2, 2, mask))
                 .Record(META_SETSTRETCHBLTMODE, {3})
                 .Record(META_DIBSTRETCHBLT, StretchBlt(SRCINVERT, 5, 5, 2, 2, colour)));
    ASSERT_EQ(p.steps.size(), 1u);
    EXPECT_EQ(Image(p, 0).target, (RectD{5, 5, 7, 7}));
    EXPECT_THAT(Image(p, 0).image->pixels,
                ElementsAre(0x00000000u, 0xFFFF0000u, 0xFF000000u, 0xFFFF0000u));
}

TEST(MetafilePlayer, StretchDibitsCountsSourceRowsFromTheBottomAndBlitsFromTheTop)
{
    // A bottom-up 1 x 2 bitmap: red stored first (the bottom row), then blue.
    const auto dib = DibBuilder(1, 2, 24).Bits({0, 0, 0xFF, 0, 0xFF, 0, 0, 0}).Bytes();
    const Picture p = Play(WmfBuilder()
                               .Record(META_STRETCHDIB, WmfParams()
                                                            .D(SRCCOPY)
                                                            .W(DIB_RGB_COLORS)
                                                            .W(1)
                                                            .W(1)
                                                            .W(0)
                                                            .W(0)
                                                            .W(1)
                                                            .W(1)
                                                            .W(0)
                                                            .W(0)
                                                            .Raw(dib))
                               .Record(META_DIBSTRETCHBLT, StretchBlt(SRCCOPY, 0, 0, 1, 1, dib)));
    EXPECT_THAT(Image(p, 0).image->pixels, ElementsAre(0xFFFF0000u));
    EXPECT_THAT(Image(p, 1).image->pixels, ElementsAre(0xFF0000FFu));
}

TEST(MetafilePlayer, NegativeDestinationMirrorsAndPaletteColoursComeFromTheSelectedPalette)
{
    const auto dib = DibBuilder(2, 1, 1).PaletteIndices({0, 1}).Bits({0x40, 0, 0, 0}).Bytes();
    const Picture p =
        Play(WmfBuilder()
                 .Record(META_CREATEPALETTE, WmfParams{0x300, 2}.D(0x0000FF).D(0x00FF00))
                 .Record(META_SELECTPALETTE, {0})
                 .Record(META_STRETCHDIB, WmfParams()
                                              .D(SRCCOPY)
                                              .W(DIB_PAL_COLORS)
                                              .W(1)
                                              .W(2)
                                              .W(0)
                                              .W(0)
                                              .W(1)
                                              .W(-2)
                                              .W(0)
                                              .W(10)
                                              .Raw(dib)));
    EXPECT_EQ(Image(p, 0).target, (RectD{8, 0, 10, 1}));
    EXPECT_THAT(Image(p, 0).image->pixels, ElementsAre(0xFF00FF00u, 0xFFFF0000u));
}

TEST(MetafilePlayer, PatBltFillsWithTheBrushOrBlack)
{
    const Picture p =
        Play(WmfBuilder()
                 .Record(META_CREATEBRUSHINDIRECT, WmfParams{BS_HATCHED}.Colour(0xFF0000).W(4))
                 .Record(META_SELECTOBJECT, {0})
                 .Record(META_PATBLT, WmfParams().D(PATCOPY).W(10).W(10).W(0).W(0))
                 .Record(META_PATBLT, WmfParams().D(BLACKNESS).W(10).W(10).W(0).W(0)));
    ASSERT_EQ(p.steps.size(), 2u);
    EXPECT_EQ(Shape(p, 0).fill, (Fill{0xFF0000, Fill::Hatch::Cross, 0xFFFFFF}));
    EXPECT_EQ(Shape(p, 1).fill, (Fill{0, Fill::Hatch::None, std::nullopt}));
}

TEST(MetafilePlayer, ObjectsTakeTheLowestFreeIndexAndMissingOnesAreIgnored)
{
    const Picture p = Play(WmfBuilder()
                               .Record(META_CREATEPENINDIRECT, Pen(0, 1, 0xFF0000))
                               .Record(META_CREATEBRUSHINDIRECT, WmfParams{BS_NULL}.D(0).W(0))
                               .Record(META_DELETEOBJECT, {0})
                               .Record(META_CREATEPENINDIRECT, Pen(0, 1, 0x00FF00))
                               .Record(META_SELECTOBJECT, {0})
                               .Record(META_SELECTOBJECT, {1})
                               .Record(META_SELECTOBJECT, {7})
                               .Box(META_RECTANGLE, 0, 0, 5, 5));
    EXPECT_EQ(Shape(p, 0).stroke->colour, 0x00FF00u);
    EXPECT_FALSE(Shape(p, 0).fill);
    EXPECT_FALSE(p.damaged);
}

TEST(MetafilePlayer, FrameIsThePlaceableBoxElseTheWindowElseWhatWasDrawn)
{
    const Picture placeable = Play(WmfBuilder()
                                       .Placeable(100, 100, 1540, 820, 1440)
                                       .Record(META_SETMAPMODE, {MM_ANISOTROPIC})
                                       .Pair(META_SETWINDOWORG, 100, 100)
                                       .Pair(META_SETWINDOWEXT, 1440, 720)
                                       .Box(META_RECTANGLE, 100, 100, 200, 200));
    EXPECT_EQ(placeable.bounds, (RectD{0, 0, 1440, 720}));
    EXPECT_EQ(placeable.unitsPerInch, 1440);

    const Picture window =
        Play(WmfBuilder().Pair(META_SETWINDOWEXT, 102, 66).Box(META_RECTANGLE, 10, 10, 20, 20));
    EXPECT_EQ(window.bounds, (RectD{0, 0, 102, 66}));
    EXPECT_EQ(window.unitsPerInch, 96);

    const auto dib = DibBuilder(4, 4, 24).Bytes();
    const Picture drawn =
        Play(WmfBuilder().Record(META_DIBSTRETCHBLT, StretchBlt(SRCCOPY, 0, 0, 32, 32, dib, 0, 4)));
    EXPECT_EQ(drawn.bounds, (RectD{0, 0, 32, 32}));
}

struct DamageCase {
    const char* name;
    WmfBuilder wmf; // after one Rectangle
    std::size_t steps;
    bool damaged;
};

class MetafileDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(MetafileDamage, KeepsWhatCameBefore)
{
    Picture p;
    ASSERT_EQ(PlayMetafile(GetParam().wmf.Bytes(), p), platform::S_OK);
    EXPECT_EQ(p.steps.size(), GetParam().steps);
    EXPECT_EQ(p.damaged, GetParam().damaged);
}

WmfBuilder AfterRectangle()
{
    return WmfBuilder().Box(META_RECTANGLE, 0, 0, 5, 5);
}

INSTANTIATE_TEST_SUITE_P(
    Records, MetafileDamage,
    ::testing::Values(
        DamageCase{"RecordSizeBelowItsHeader", AfterRectangle().RecordWithSize(2, META_RECTANGLE),
                   1, true},
        DamageCase{"RecordSizeBeyondTheBytes",
                   AfterRectangle().RecordWithSize(1000, META_RECTANGLE, {1, 1, 0, 0}), 1, true},
        DamageCase{"RectangleWithoutItsBox", AfterRectangle().Record(META_RECTANGLE, {1, 1}), 1,
                   true},
        DamageCase{"PolygonCountBeyondRecord",
                   AfterRectangle().Record(META_POLYGON, {100, 0, 0, 1, 1}), 1, true},
        DamageCase{"PolyPolygonCountsBeyondRecord",
                   AfterRectangle().Record(META_POLYPOLYGON, {50, 3}), 1, true},
        DamageCase{"PolyPolygonPointsBeyondRecord",
                   AfterRectangle().Record(META_POLYPOLYGON, {1, 9, 0, 0, 1, 1}), 1, true},
        DamageCase{"TextOutStringBeyondRecord",
                   AfterRectangle().Record(META_TEXTOUT, WmfParams{200}.Text("ab").W(0).W(0)), 1,
                   true},
        DamageCase{"ExtTextOutStringBeyondRecord",
                   AfterRectangle().Record(META_EXTTEXTOUT, WmfParams{0, 0, 90, 0}.Text("ab")), 1,
                   true},
        DamageCase{"PaletteEntriesBeyondRecord",
                   AfterRectangle().Record(META_CREATEPALETTE, WmfParams{0x300, 40}.D(0)), 1, true},
        DamageCase{"FontCutShort", AfterRectangle().Record(META_CREATEFONTINDIRECT, {-12, 0, 0}), 1,
                   true},
        DamageCase{"BitmapHeaderCutShort",
                   AfterRectangle().Record(META_DIBSTRETCHBLT,
                                           StretchBlt(SRCCOPY, 0, 0, 1, 1, {40, 0, 0, 0, 1, 0})),
                   1, true},
        DamageCase{"UnknownRecordSkipped",
                   AfterRectangle().Record(0x0999, {1, 2, 3}).Box(META_RECTANGLE, 0, 0, 1, 1), 2,
                   false},
        DamageCase{
            "EscapeSkipped",
            AfterRectangle().Record(META_ESCAPE, {15, 2, 0x4949}).Box(META_RECTANGLE, 0, 0, 1, 1),
            2, false},
        DamageCase{
            "JpegBitmapLeftOut",
            AfterRectangle()
                .Record(META_DIBSTRETCHBLT, StretchBlt(SRCCOPY, 0, 0, 1, 1,
                                                       DibBuilder(1, 1, 24).Compression(4).Bytes()))
                .Box(META_RECTANGLE, 0, 0, 1, 1),
            2, false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(MetafilePlayer, RefusesWhatIsNoMetafile)
{
    auto bytes = WmfBuilder().Box(META_RECTANGLE, 0, 0, 5, 5).Bytes();
    for (auto [name, damage] :
         std::initializer_list<std::pair<const char*, void (*)(std::vector<std::uint8_t>&)>>{
             {"cut inside the header", [](std::vector<std::uint8_t>& b) { b.resize(17); }},
             {"header size not 9 words", [](std::vector<std::uint8_t>& b) { b[2] = 10; }},
             {"type neither memory nor disk", [](std::vector<std::uint8_t>& b) { b[0] = 3; }},
             {"placeable key without its header",
              [](std::vector<std::uint8_t>& b) { b = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0}; }}}) {
        std::vector<std::uint8_t> damaged = bytes;
        damage(damaged);
        Picture p;
        p.steps.resize(1);
        EXPECT_EQ(PlayMetafile(damaged, p), platform::E_FAIL) << name;
        EXPECT_TRUE(p.steps.empty()) << name;
    }
}

} // namespace
} // namespace viewer::render::metafile

// The DIB decoder on bitmaps written by the tests: each depth and compression, the
// colour-count rule, and hostile headers; the PNG encoder's rows read back through zlib.
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include "tests/viewer/render/picture_builders.h"
#include "viewer/render/bitmap/dib.h"
#include "viewer/render/bitmap/png_encoder.h"

namespace viewer::render::bitmap {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing_support::DibBuilder;

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;
constexpr std::uint32_t kWhite = 0xFFFFFFFF, kBlack = 0xFF000000;

Image Decode(const std::vector<std::uint8_t>& dib)
{
    Image image;
    EXPECT_EQ(DecodeDib(dib, image), platform::S_OK);
    return image;
}

struct DepthCase {
    const char* name;
    DibBuilder dib;
    std::vector<std::uint32_t> pixels; // rows from the top
};

class DibDepths : public ::testing::TestWithParam<DepthCase> {};

TEST_P(DibDepths, DecodesTwoRowsOfTwoPixels)
{
    EXPECT_THAT(Decode(GetParam().dib.Bytes()).pixels, ElementsAreArray(GetParam().pixels));
}

// Each bitmap is 2 x 2, stored bottom row first unless its height is negative.
INSTANTIATE_TEST_SUITE_P(
    Depths, DibDepths,
    ::testing::Values(
        DepthCase{
            "OneBitWithTable",
            DibBuilder(2, 2, 1).Colours({0x000000, 0xFFFFFF}).Bits({0x40, 0, 0, 0, 0x80, 0, 0, 0}),
            {kWhite, kBlack, kBlack, kWhite}},
        DepthCase{"FourBitNibbles",
                  DibBuilder(2, 2, 4)
                      .ColorsUsed(3)
                      .Colours({0xFF0000, 0x00FF00, 0x0000FF})
                      .Bits({0x12, 0, 0, 0, 0x01, 0, 0, 0}),
                  {kRed, kGreen, kGreen, kBlue}},
        DepthCase{
            "EightBitIndexBeyondTableIsBlack",
            DibBuilder(2, 2, 8).ColorsUsed(1).Colours({0x0000FF}).Bits({0, 7, 0, 0, 0, 0, 0, 0}),
            {kBlue, kBlue, kBlue, kBlack}},
        DepthCase{"SixteenBitFiveFiveFive",
                  DibBuilder(2, -2, 16).Bits({0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0xFF, 0x7F}),
                  {kRed, kGreen, kBlue, kWhite}},
        DepthCase{"SixteenBitFieldsFiveSixFive",
                  DibBuilder(2, -1, 16)
                      .Compression(BI_BITFIELDS)
                      .Masks(0xF800, 0x07E0, 0x001F)
                      .Bits({0x00, 0xF8, 0xE0, 0x07}),
                  {kRed, kGreen}},
        DepthCase{"TwentyFourBitPaddedRows",
                  DibBuilder(2, 2, 24).Bits({0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0xFF,
                                             0xFF, 0, 0}),
                  {kGreen, kWhite, kRed, kBlue}},
        DepthCase{"ThirtyTwoBitIgnoresAlphaByte",
                  DibBuilder(1, -2, 32).Bits({0xFF, 0, 0, 0x00, 0, 0, 0xFF, 0x7F}),
                  {kBlue, kRed}},
        DepthCase{
            "CoreHeaderWithTriples",
            DibBuilder(2, 1, 1).CoreHeader().Colours({0x00FF00, 0xFF0000}).Bits({0x40, 0, 0, 0}),
            {kGreen, kRed}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Dib, RunLengthCodesDrawRunsLiteralsAndSkipsLeaveTransparent)
{
    // 4 x 3 RLE8, from the bottom row: a run of two of colour 1, end of line; a literal run
    // of three (padded), end of line; a move right by 2, then end of bitmap.
    const auto dib = DibBuilder(4, 3, 8)
                         .Compression(BI_RLE8)
                         .ColorsUsed(3)
                         .Colours({0x000000, 0xFF0000, 0x0000FF})
                         .Bits({2, 1, 0, 0, 0, 3, 2, 1, 2, 0, 0, 0, 0, 2, 2, 0, 0, 1})
                         .Bytes();
    EXPECT_THAT(Decode(dib).pixels,
                ElementsAre(0, 0, 0, 0, kBlue, kRed, kBlue, 0, kRed, kRed, 0, 0));
}

TEST(Dib, FourBitRunsAlternateTheirTwoColours)
{
    const auto dib = DibBuilder(5, 1, 4)
                         .Compression(BI_RLE4)
                         .ColorsUsed(2)
                         .Colours({0xFF0000, 0x00FF00})
                         .Bits({5, 0x01, 0, 1})
                         .Bytes();
    EXPECT_THAT(Decode(dib).pixels, ElementsAre(kRed, kGreen, kRed, kGreen, kRed));
}

TEST(Dib, ColourCountFollowsColoursUsedThenDepth)
{
    EXPECT_EQ(DibColourCount(5, 8), 5u);
    EXPECT_EQ(DibColourCount(0, 4), 16u);
    EXPECT_EQ(DibColourCount(0, 24), 0u); // no table, so no palette
}

TEST(Dib, FourBitBmpFileShowsItsSixteenColours)
{
    std::vector<std::uint32_t> colours;
    std::vector<std::uint8_t> row;
    for (std::uint32_t i = 0; i < 16; ++i) {
        colours.push_back(i * 0x111111);
        if (i % 2 == 0) {
            row.push_back(static_cast<std::uint8_t>(i << 4 | (i + 1)));
        }
    }
    const auto file = DibBuilder(16, 1, 4).Colours(colours).Bits(row).BmpFile();
    std::span<const std::uint8_t> dib;
    ASSERT_EQ(DibOfBmpFile(file, dib), platform::S_OK);
    DibInfo info;
    ASSERT_EQ(ReadDibInfo(dib, DibColourUse::Rgb, {}, info), platform::S_OK);
    EXPECT_EQ(info.colourTable, colours);
    const Image image = Decode({dib.begin(), dib.end()});
    for (std::uint32_t i = 0; i < 16; ++i) {
        EXPECT_EQ(image.pixels[i], kOpaque | colours[i]) << i;
    }
}

TEST(Dib, PaletteIndicesResolveThroughTheGivenPalette)
{
    const auto dib = DibBuilder(2, 1, 1).PaletteIndices({1, 9}).Bits({0x40, 0, 0, 0}).Bytes();
    const std::vector<std::uint32_t> palette{0x111111, 0x00FF00};
    DibInfo info;
    ASSERT_EQ(ReadDibInfo(dib, DibColourUse::PaletteIndices, palette, info), platform::S_OK);
    Image image;
    ASSERT_EQ(DecodeDib(dib, info, image), platform::S_OK);
    EXPECT_THAT(image.pixels, ElementsAre(kGreen, kBlack));
}

struct HostileDib {
    const char* name;
    std::vector<std::uint8_t> bytes;
    platform::StatusCode status;
};

class DibHostile : public ::testing::TestWithParam<HostileDib> {};

TEST_P(DibHostile, IsRefusedWithoutReadingPastTheBytes)
{
    Image image;
    EXPECT_EQ(DecodeDib(GetParam().bytes, image), GetParam().status);
    EXPECT_TRUE(image.pixels.empty());
}

std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> bytes, std::size_t drop)
{
    bytes.resize(bytes.size() - drop);
    return bytes;
}

DibBuilder OneColourRle8(std::int32_t width, std::int32_t height)
{
    return DibBuilder(width, height, 8).Compression(BI_RLE8).ColorsUsed(1).Colours({0});
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, DibHostile,
    ::testing::Values(
        HostileDib{"HeaderCutShort", Cut(DibBuilder(1, 1, 24).Bytes(), 30), platform::E_FAIL},
        HostileDib{"HeaderSizeBetweenKnownOnes",
                   [] {
                       auto b = DibBuilder(1, 1, 24).Bytes();
                       b[0] = 20;
                       return b;
                   }(),
                   platform::E_FAIL},
        HostileDib{"HeaderSizeBeyondBytes",
                   [] {
                       auto b = DibBuilder(1, 1, 24).Bytes();
                       b[1] = 0xFF;
                       return b;
                   }(),
                   platform::E_FAIL},
        HostileDib{"ZeroWidth", DibBuilder(0, 1, 24).Bytes(), platform::E_FAIL},
        HostileDib{"MostNegativeHeight", DibBuilder(1, INT32_MIN, 24).Bits({}).Bytes(),
                   platform::E_OUTOFMEMORY},
        HostileDib{"SevenBitsPerPixel", DibBuilder(1, 1, 7).Bytes(), platform::E_FAIL},
        HostileDib{"ColourTableBeyondBytes",
                   DibBuilder(1, 1, 8).ColorsUsed(0xFFFFFFFF).Bits({0, 0, 0, 0}).Bytes(),
                   platform::E_FAIL},
        HostileDib{"BitsCutShort", Cut(DibBuilder(4, 4, 24).Bytes(), 1), platform::E_FAIL},
        HostileDib{"PixelsBeyondTheLimit", DibBuilder(65536, 65536, 1).Bits({}).Bytes(),
                   platform::E_OUTOFMEMORY},
        HostileDib{"RunLengthClaimingRowsItsBytesCannotHold",
                   OneColourRle8(4096, 4096).Bits({0, 1}).Bytes(), platform::E_FAIL},
        HostileDib{"RunLengthFromTheTop", OneColourRle8(1, -1).Bits({0, 1}).Bytes(),
                   platform::E_FAIL},
        HostileDib{"BitFieldsOnEightBits",
                   DibBuilder(1, 1, 8).Compression(BI_BITFIELDS).Masks(1, 2, 4).Bytes(),
                   platform::E_FAIL},
        HostileDib{"JpegInside", DibBuilder(1, 1, 24).Compression(4).Bytes(), platform::E_NOTIMPL}),
    [](const auto& row) { return std::string(row.param.name); });

// Inflates a PNG's single IDAT chunk.
std::vector<std::uint8_t> Rows(const std::vector<std::uint8_t>& png, std::size_t rawSize)
{
    const std::size_t idat = 8 + 12 + 13; // signature, IHDR
    const std::uint32_t length =
        std::uint32_t{png[idat]} << 24 | png[idat + 1] << 16 | png[idat + 2] << 8 | png[idat + 3];
    std::vector<std::uint8_t> raw(rawSize);
    uLongf size = raw.size();
    EXPECT_EQ(uncompress(raw.data(), &size, png.data() + idat + 8, length), Z_OK);
    raw.resize(size);
    return raw;
}

TEST(Png, OpaquePicturesAreRgbAndTransparentOnesRgba)
{
    const Image opaque{2, 1, {kRed, kBlue}};
    std::vector<std::uint8_t> png;
    ASSERT_EQ(EncodePng(opaque, png), platform::S_OK);
    EXPECT_THAT(std::vector<std::uint8_t>(png.begin(), png.begin() + 8),
                ElementsAre(0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'));
    EXPECT_EQ(png[8 + 8 + 9], 2); // colour type RGB
    EXPECT_THAT(Rows(png, 7), ElementsAre(0, 0xFF, 0, 0, 0, 0, 0xFF));

    const Image clear{1, 2, {0x80102030, kGreen}};
    ASSERT_EQ(EncodePng(clear, png), platform::S_OK);
    EXPECT_EQ(png[8 + 8 + 9], 6); // RGBA
    EXPECT_THAT(Rows(png, 10), ElementsAre(0, 0x10, 0x20, 0x30, 0x80, 0, 0, 0xFF, 0, 0xFF));
}

} // namespace
} // namespace viewer::render::bitmap

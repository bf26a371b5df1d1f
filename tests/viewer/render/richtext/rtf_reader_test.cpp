#include "viewer/render/richtext/rtf_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "viewer/render/richtext/text_writer.h"

using namespace viewer::render::richtext;

namespace {

Document Read(std::string_view rtf)
{
    return ReadRtf({reinterpret_cast<const std::uint8_t*>(rtf.data()), rtf.size()});
}

std::string TextOf(std::string_view rtf)
{
    return WriteText(Read(rtf));
}

// The text runs of the first paragraph.
std::vector<const Run*> TextRuns(const Document& doc)
{
    std::vector<const Run*> runs;
    for (const Run& run : doc.Runs(doc.paragraphs.at(0))) {
        if (run.kind == RunKind::Text) {
            runs.push_back(&run);
        }
    }
    return runs;
}

// A PNG signature and header chunk for a 3 x 2 picture: enough for the reader's checks.
constexpr std::string_view kPngHex = "89504e470d0a1a0a0000000d4948445200000003000000020806000000";

TEST(RtfReader, SplitsTextIntoRunsOfEqualFormatting)
{
    const Document doc = Read(R"({\rtf1{\fonttbl{\f0\fswiss Arial;}{\f1\fmodern Courier New;}})"
                              R"({\colortbl;\red255\green0\blue0;}\f0\fs20 plain {\b bold} )"
                              R"(\i\ul under\ulnone\i0  \cf1 red\cf0  \f1 mono \super 2\par})");
    const auto runs = TextRuns(doc);
    ASSERT_EQ(runs.size(), 9u);
    auto text = [&](int i) { return std::string(doc.Text(*runs[i])); };
    auto format = [&](int i) { return doc.Format(*runs[i]); };
    EXPECT_EQ(text(0), "plain ");
    EXPECT_EQ(doc.fonts.at(format(0).font).name, "Arial");
    EXPECT_EQ(format(0).halfPoints, 20);
    EXPECT_EQ(text(1), "bold");
    EXPECT_TRUE(format(1).bold);
    EXPECT_FALSE(format(2).bold) << "the group's end restores the formatting before it";
    EXPECT_EQ(text(3), "under");
    EXPECT_TRUE(format(3).italic);
    EXPECT_EQ(format(3).underline, Underline::Single);
    EXPECT_EQ(text(5), "red");
    EXPECT_EQ(format(5).color, 0xFF0000u);
    EXPECT_EQ(doc.fonts.at(format(7).font).name, "Courier New");
    EXPECT_EQ(text(8), "2");
    EXPECT_EQ(format(8).position, VerticalPosition::Superscript);
    EXPECT_EQ(format(2).color, kAutoColor);
}

TEST(RtfReader, KeepsParagraphFormattingAndBreaks)
{
    const Document doc = Read(R"({\rtf1\pard\qc\li720\ri360\fi-360\sb120\sa240\sl-300 one\par)"
                              R"(\pard\rtlpar two\line three\page four\par})");
    ASSERT_EQ(doc.paragraphs.size(), 3u);
    const ParagraphFormat& first = doc.Format(doc.paragraphs[0]);
    EXPECT_EQ(first.alignment, Alignment::Center);
    EXPECT_EQ(first.leftIndent, 720);
    EXPECT_EQ(first.rightIndent, 360);
    EXPECT_EQ(first.firstLineIndent, -360);
    EXPECT_EQ(first.spaceBefore, 120);
    EXPECT_EQ(first.spaceAfter, 240);
    EXPECT_EQ(first.lineSpacing, -300);
    const ParagraphFormat& second = doc.Format(doc.paragraphs[1]);
    EXPECT_EQ(second.alignment, Alignment::Left) << "\\pard resets";
    EXPECT_TRUE(second.rightToLeft);
    EXPECT_EQ(doc.paragraphs[2].breakBefore, BreakBefore::Page);
    EXPECT_EQ(WriteText(doc), "one\ntwo\nthree\nfour\n");
}

struct TextCase {
    const char* name;
    const char* rtf;
    const char* text;
};

class RtfReaderText : public testing::TestWithParam<TextCase> {};

TEST_P(RtfReaderText, Reads)
{
    EXPECT_EQ(TextOf(GetParam().rtf), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, RtfReaderText,
    testing::Values(
        TextCase{"HexByteUnder1252", R"({\rtf1\ansi\ansicpg1252 \'e4})", "\u00e4\n"},
        TextCase{"HexByteUnder1251", R"({\rtf1\ansi\ansicpg1251 \'e4})", "\u0434\n"},
        TextCase{"FontCharsetBeforeDocumentCodePage",
                 R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0 A;}{\f1\fcharset204 B;}}\f1\'e4\f0\'e4})",
                 "\u0434\u00e4\n"},
        TextCase{"FontCodePageBeforeCharset",
                 R"({\rtf1\ansi{\fonttbl{\f0\fcharset0\cpg1253 G;}}\f0\'e1})", "\u03b1\n"},
        TextCase{"DoubleBytePairUnder932", R"({\rtf1\ansi\ansicpg932 \'82\'a0})", "\u3042\n"},
        TextCase{"DoubleByteLeadWithLiteralTrail", R"({\rtf1\ansi\ansicpg932 \'83A})", "\u30a2\n"},
        TextCase{"DoubleByteFontCharset",
                 R"({\rtf1\ansi{\fonttbl{\f0\fcharset134 S;}}\f0\'c4\'e3})", "\u4f60\n"},
        TextCase{"Koi8R", R"({\rtf1\ansi\ansicpg20866 \'c1})", "\u0430\n"},
        TextCase{"SymbolFontBullet", R"({\rtf1{\fonttbl{\f0\fnil\fcharset2 Symbol;}}\f0\'b7})",
                 "\u2022\n"},
        TextCase{"SymbolFontPrivateUseCharacter",
                 R"({\rtf1{\fonttbl{\f0\fcharset2 Wingdings;}}\f0\u61514?})", "\u263a\n"}),
    [](const auto& row) { return std::string(row.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Unicode, RtfReaderText,
    testing::Values(TextCase{"UnicodeWinsOverItsFallback", R"({\rtf1\u8364?x})",
                             "\u20ac"
                             "x\n"},
                    TextCase{"NegativeValueIsUpperHalf", R"({\rtf1\u-4064?})", "\uf020\n"},
                    TextCase{"FallbackOfTwoHexBytes", R"({\rtf1\uc2\u8364\'80\'80x})",
                             "\u20ac"
                             "x\n"},
                    TextCase{"NoFallback", R"({\rtf1\uc0\u8364 x})",
                             "\u20ac"
                             "x\n"},
                    TextCase{"ControlWordCountsAsOneFallbackCharacter", R"({\rtf1\u233\emdash x})",
                             "\u00e9x\n"},
                    TextCase{"GroupEndStopsTheSkipping", R"({\rtf1\uc4{\u233}xy})", "\u00e9xy\n"},
                    TextCase{"SkipCountIsScopedByGroups", R"({\rtf1{\uc3 a}\u233?b})",
                             "a\u00e9"
                             "b\n"},
                    TextCase{"SurrogatePair", R"({\rtf1\u-10179?\u-8704?})", "\U0001F600\n"},
                    TextCase{"LoneSurrogateDropped", R"({\rtf1 a\u-8704?b})", "ab\n"},
                    TextCase{"UnicodeDestinationOverAnsi", R"({\rtf1{\upr{a}{\*\ud{\u228?}}}})",
                             "\u00e4\n"}),
    [](const auto& row) { return std::string(row.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Symbols, RtfReaderText,
    testing::Values(TextCase{"EscapedSpecials", R"({\rtf1 \{\}\\})", "{}\\\n"},
                    TextCase{"NamedCharacters", R"({\rtf1\lquote\rquote\emdash\~\_})",
                             "\u2018\u2019\u2014\u00a0\u2011\n"},
                    TextCase{"LineEndsInSourceAreNotText", "{\\rtf1 a\r\nb\r\n}", "ab\n"},
                    TextCase{"BackslashBeforeLineEndIsPar", "{\\rtf1 a\\\nb}", "a\nb\n"},
                    TextCase{"ControlCharactersDropped", R"({\rtf1 a\'01\'1fb})", "ab\n"},
                    TextCase{"BinaryDataIsNeverRtf", R"({\rtf1 a{\bin4 }{\b}b})", "ab\n"},
                    TextCase{"BinaryCountBeyondEnd", R"({\rtf1 a\bin999999 xyz)", "a\n"},
                    TextCase{"HugeParameterClamped", R"({\rtf1\uc99999999999999999999 \u233 xyz})",
                             "\u00e9\n"}),
    [](const auto& row) { return std::string(row.param.name); });

INSTANTIATE_TEST_SUITE_P(
    LeftOut, RtfReaderText,
    testing::Values(
        TextCase{"FontColourAndStyleTables",
                 R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red1\green2\blue3;})"
                 R"({\stylesheet{\s0 Normal;}}a})",
                 "a\n"},
        TextCase{"DocumentInformation", R"({\rtf1{\info{\title T}{\author A}}a})", "a\n"},
        TextCase{"HeadersFootersFootnotes",
                 R"({\rtf1{\header h}{\footerl f}a{\footnote n}b{\*\annotation c}})", "ab\n"},
        TextCase{"UnknownStarredDestination", R"({\rtf1 a{\*\xyz b{c}}d})", "ad\n"},
        TextCase{"WrappedHtmlTags", R"({\rtf1 a{\*\htmltag84 <b>}b})", "ab\n"},
        TextCase{"UnknownWordsKeepTheirText", R"({\rtf1{\xyz a}b})", "ab\n"},
        TextCase{"ObjectShowsOnlyItsResult",
                 R"({\rtf1{\object\objemb{\*\objclass Word}{\*\objdata 0102}{\result r}}})", "r\n"},
        TextCase{"AlternativeForOldReaders", R"({\rtf1 a{\nonshppict{\pict\wmetafile8 01}}b})",
                 "ab\n"},
        TextCase{"FieldShowsItsStoredResult", R"({\rtf1{\field{\*\fldinst PAGE}{\fldrslt 7}}})",
                 "7\n"},
        TextCase{"HiddenText", R"({\rtf1 a{\v b}c})", "ac\n"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(RtfReader, PlacesMergedCellsOnOneGridAcrossRows)
{
    // Row 1: a two-column cell (horizontal merge) and a cell that begins a vertical merge.
    // Row 2: two cells, the last continuing the vertical merge. Row 3: other boundaries.
    const Document doc = Read(R"({\rtf1)"
                              R"(\trowd\clmgf\cellx1000\clmrg\cellx2000\clvmgf\cellx3000)"
                              R"(\pard\intbl wide\cell\cell tall\cell\row)"
                              R"(\trowd\cellx1000\cellx2000\clvmrg\cellx3000)"
                              R"(\pard\intbl a\cell b\cell\cell\row)"
                              R"(\trowd\cellx1500\cellx3000)"
                              R"(\pard\intbl c\cell d\cell\row)"
                              R"(\pard after\par})");
    ASSERT_EQ(doc.tables.size(), 1u);
    const Table& table = doc.tables[0];
    EXPECT_EQ(table.columns, 4);
    const std::vector<std::int32_t> edges(doc.ColumnEdges(table).begin(),
                                          doc.ColumnEdges(table).end());
    EXPECT_EQ(edges, (std::vector<std::int32_t>{0, 1000, 1500, 2000, 3000}));
    const auto rows = doc.Rows(table);
    ASSERT_EQ(rows.size(), 3u);
    const auto first = doc.Cells(rows[0]);
    EXPECT_EQ(first[0].columnSpan, 3);
    EXPECT_TRUE(first[1].covered);
    EXPECT_EQ(first[2].column, 3);
    EXPECT_EQ(first[2].rowSpan, 2u);
    const auto second = doc.Cells(rows[1]);
    EXPECT_EQ(second[1].columnSpan, 2) << "1000 to 2000: two grid columns";
    EXPECT_TRUE(second[2].covered);
    const auto third = doc.Cells(rows[2]);
    EXPECT_EQ(third[0].column, 0);
    EXPECT_EQ(third[0].columnSpan, 2);
    EXPECT_EQ(third[1].column, 2);
    EXPECT_EQ(third[1].columnSpan, 2);
    EXPECT_EQ(third[1].width, 1500);
    const auto body = doc.Blocks(doc.body);
    ASSERT_EQ(body.size(), 2u);
    EXPECT_EQ(body[0].kind, BlockKind::Table);
    EXPECT_EQ(WriteText(doc), "wide\ttall\na\tb\nc\td\nafter\n");
}

TEST(RtfReader, KeepsCellsOnTheGridWhenBoundariesOverflow)
{
    // A boundary at the integer limit left no room for the default width of the next cell.
    const Document doc = Read(R"({\rtf1\trowd\trleft-99999999999\cellx99999999999)"
                              R"(\pard\intbl a\cell b\cell c\cell\row})");
    ASSERT_EQ(doc.tables.size(), 1u);
    const Table& table = doc.tables[0];
    EXPECT_EQ(table.columns, 3);
    for (const Cell& cell : doc.Cells(doc.Rows(table)[0])) {
        EXPECT_LE(cell.column + cell.columnSpan, table.columns);
        EXPECT_GT(cell.width, 0);
    }
}

TEST(RtfReader, NestsTablesInsideCells)
{
    // Word's form: the inner row's properties come last, in \*\nesttableprops, and a
    // \nonesttables group repeats the content for readers without nested tables.
    const Document doc = Read(
        R"({\rtf1\trowd\cellx2000\cellx4000)"
        R"(\pard\intbl outer\cell)"
        R"(\pard\intbl\itap2 in1\nestcell in2\nestcell)"
        R"({\*\nesttableprops\trowd\cellx900\cellx1800\nestrow}{\nonesttables\par in1 in2\par})"
        R"(\pard\intbl\itap1 \cell\row})");
    ASSERT_EQ(doc.tables.size(), 2u);
    const Table* outer = nullptr;
    const Table* inner = nullptr;
    for (const Table& table : doc.tables) {
        (table.depth == 1 ? outer : inner) = &table;
    }
    ASSERT_TRUE(outer && inner);
    EXPECT_EQ(inner->depth, 2);
    EXPECT_EQ(doc.Cells(doc.Rows(*inner)[0])[1].width, 900);
    const auto outerCells = doc.Cells(doc.Rows(*outer)[0]);
    ASSERT_EQ(outerCells.size(), 2u);
    const auto content = doc.Blocks(outerCells[1].blocks);
    ASSERT_EQ(content.size(), 2u) << "the inner table, then the paragraph that ends the cell";
    EXPECT_EQ(content[0].kind, BlockKind::Table);
    EXPECT_EQ(&doc.tables[content[0].index], inner);
    EXPECT_EQ(WriteText(doc), "outer\nin1\tin2\n\n");
}

TEST(RtfReader, GivesRowsWithoutDefinitionsDefaultCells)
{
    // No \cellx at all, and text after the row's last \cell: both still make cells.
    const Document doc = Read(R"({\rtf1\pard\intbl a\cell b\row})");
    ASSERT_EQ(doc.tables.size(), 1u);
    const auto cells = doc.Cells(doc.Rows(doc.tables[0])[0]);
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0].width, 1440);
    EXPECT_EQ(cells[1].column, 1);
    EXPECT_EQ(WriteText(doc), "a\tb\n");
}

TEST(RtfReader, FallsBackToOneColumnPerCellWhenBoundariesAreTooMany)
{
    std::string rtf = "{\\rtf1";
    for (int row = 0; row < 600; ++row) {
        rtf += "\\trowd\\cellx" + std::to_string(100 + row) +
               "\\cellx5000\\pard\\intbl a\\cell "
               "b\\cell\\row";
    }
    const Document doc = Read(rtf + "}");
    ASSERT_EQ(doc.tables.size(), 1u);
    const Table& table = doc.tables[0];
    EXPECT_EQ(table.columns, 2);
    for (const Row& row : doc.Rows(table)) {
        EXPECT_EQ(doc.Cells(row)[1].column, 1);
    }
}

TEST(RtfReader, CapsTableNesting)
{
    const Document doc = Read(R"({\rtf1\pard\intbl\itap40 deep\nestcell\nestrow})");
    ASSERT_FALSE(doc.tables.empty());
    std::uint8_t deepest = 0;
    for (const Table& table : doc.tables) {
        deepest = std::max(deepest, table.depth);
    }
    EXPECT_EQ(deepest, kMaxTableDepth);
    EXPECT_EQ(WriteText(doc), "deep\n");
}

struct FontCase {
    const char* name;
    const char* table;
    const char* fontName;
    std::uint32_t codePage;
};

class RtfReaderFontTable : public testing::TestWithParam<FontCase> {};

TEST_P(RtfReaderFontTable, ReadsEntryOne)
{
    const Document doc = Read(std::string("{\\rtf1\\ansi\\ansicpg1251") + GetParam().table + "}");
    const auto font = std::find_if(doc.fonts.begin(), doc.fonts.end(),
                                   [](const Font& f) { return f.number == 1; });
    ASSERT_NE(font, doc.fonts.end());
    EXPECT_EQ(font->name, GetParam().fontName);
    EXPECT_EQ(font->codePage, GetParam().codePage);
}

INSTANTIATE_TEST_SUITE_P(
    Fonts, RtfReaderFontTable,
    testing::Values(
        FontCase{"Grouped", R"({\fonttbl{\f0 A;}{\f1\fswiss\fcharset0 Arial;}})", "Arial", 1252},
        FontCase{"OneAfterAnother", R"({\fonttbl\f0 A;\f1\fmodern Courier New;})", "Courier New",
                 1251},
        FontCase{"NameInItsOwnCodePage", R"({\fonttbl{\f1\fcharset128 \'82\'6c\'82\'72;}})",
                 "\uff2d\uff33", 932},
        FontCase{"AlternativesLeftOut",
                 R"({\fonttbl{\f1\fcharset204{\*\panose 0}{\*\fname X;}Arial CYR{\*\falt Y};}})",
                 "Arial CYR", 1251},
        FontCase{"FirstEntryOfANumberWins", R"({\fonttbl{\f1 First;}{\f1 Second;}})", "First",
                 1251},
        FontCase{"CodePageOverCharset", R"({\fonttbl{\f1\fcharset0\cpg950 B;}})", "B", 950},
        FontCase{"WingdingsByName", R"({\fonttbl{\f1\fnil Wingdings;}})", "Wingdings", 0x8000002A}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(RtfReader, HyperlinkGivesItsResultALink)
{
    const Document doc = Read(
        R"({\rtf1 see {\field{\*\fldinst{HYPERLINK "http://example.com/a?b=1" \\l "part" \\o "tip"}})"
        R"({\fldrslt{\ul here}}} now})");
    ASSERT_EQ(doc.links.size(), 1u);
    EXPECT_EQ(doc.links[0].target, "http://example.com/a?b=1#part");
    const auto runs = TextRuns(doc);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(doc.Text(*runs[1]), "here");
    EXPECT_EQ(doc.Format(*runs[1]).link, 0u);
    EXPECT_EQ(doc.Format(*runs[2]).link, kNoLink) << "the link ends with the field";
    EXPECT_EQ(WriteText(doc), "see here now\n");
}

TEST(RtfReader, NeverKeepsWhatAnIncludeFieldNames)
{
    const std::string rtf =
        std::string(R"({\rtf1{\field{\*\fldinst INCLUDEPICTURE "http://tracker.example/p.png" )"
                    R"(\\* MERGEFORMATINET}{\fldrslt{\pict\pngblip )") +
        std::string(kPngHex) +
        R"(}}}{\field{\*\fldinst INCLUDETEXT "/etc/passwd"}{\fldrslt kept}}})";
    const Document doc = Read(rtf);
    EXPECT_TRUE(doc.links.empty());
    EXPECT_EQ(doc.text.find("tracker"), std::string::npos);
    EXPECT_EQ(doc.text.find("passwd"), std::string::npos);
    ASSERT_EQ(doc.pictures.size(), 1u) << "the stored result is shown";
    EXPECT_EQ(WriteText(doc), "kept\n");
}

TEST(RtfReader, KeepsPicturesWithTheirDeclaredSizes)
{
    const std::string rtf = std::string(R"({\rtf1{\*\shppict{\pict\pngblip\picw79\pich53)"
                                        R"(\picwgoal450\pichgoal300\picscalex50\picscaley200 )") +
                            std::string(kPngHex) +
                            R"(}}{\nonshppict{\pict\wmetafile8 0100}})"
                            R"({\pict\wmetafile1\picw100\pich100 010009000003)"
                            "\n"
                            R"(000000000000000000000000}{\pict\jpegblip\bin4 )"
                            "\xFF\xD8\xFF\xE0"
                            R"(}{\pict\dibitmap0 28000000}})";
    const Document doc = Read(rtf);
    ASSERT_EQ(doc.pictures.size(), 4u);
    const Picture& png = doc.pictures[0];
    EXPECT_EQ(png.format, PictureFormat::Png);
    EXPECT_EQ(png.data.size(), kPngHex.size() / 2);
    EXPECT_TRUE(png.usable);
    EXPECT_EQ(png.width, 79);
    EXPECT_EQ(png.goalWidth, 450);
    const PictureSize shown = DisplaySize(png);
    EXPECT_EQ(shown.width, 225);
    EXPECT_EQ(shown.height, 600);
    const Picture& wmf = doc.pictures[1];
    EXPECT_EQ(wmf.format, PictureFormat::Wmf);
    EXPECT_EQ(wmf.metafileMapMode, 1);
    EXPECT_TRUE(wmf.usable) << "hex split across lines";
    EXPECT_EQ(DisplaySize(wmf).width, 56) << "0.01 mm to twips";
    EXPECT_TRUE(doc.pictures[2].usable) << "bytes given with \\bin";
    EXPECT_FALSE(doc.pictures[3].usable) << "a bitmap header without its pixels";
}

struct PictureCase {
    const char* name;
    const char* rtf;
    bool usable;
};

class RtfReaderPicture : public testing::TestWithParam<PictureCase> {};

TEST_P(RtfReaderPicture, ChecksTheBytesAgainstTheDeclaredSize)
{
    const Document doc = Read(GetParam().rtf);
    ASSERT_EQ(doc.pictures.size(), 1u);
    EXPECT_EQ(doc.pictures[0].usable, GetParam().usable);
}

// A 2 x 2 pixel, 24-bit BITMAPINFOHEADER: rows of 8 bytes (6 padded to 4).
#define DIB_2X2_24                                                                                 \
    "28000000 02000000 02000000 0100 1800 00000000 00000000 00000000 00000000 00000000 00000000 "

// The 36 bytes between an EMF header's type and its " EMF" signature.
#define EMF_RECORD_FIELDS "000000000000000000000000000000000000000000000000000000000000000000000000"

INSTANTIATE_TEST_SUITE_P(
    Pictures, RtfReaderPicture,
    testing::Values(
        PictureCase{"DibWithEveryRow",
                    "{\\rtf1{\\pict\\dibitmap0 " DIB_2X2_24 "0000000000000000 0000000000000000}}",
                    true},
        PictureCase{"DibMissingARow", "{\\rtf1{\\pict\\dibitmap0 " DIB_2X2_24 "0000000000000000}}",
                    false},
        PictureCase{"DibHugeWidth",
                    "{\\rtf1{\\pict\\dibitmap0 28000000 ffffff7f ffffff7f 0100 2000 "
                    "00000000 00000000 00000000 00000000 00000000 00000000 00}}",
                    false},
        PictureCase{"DdbRowsPresent",
                    R"({\rtf1{\pict\wbitmap0\picw16\pich2\wbmbitspixel1\wbmplanes1\wbmwidthbytes2 )"
                    R"(ffff0000}})",
                    true},
        PictureCase{"DdbRowTooNarrow",
                    R"({\rtf1{\pict\wbitmap0\picw17\pich2\wbmbitspixel1\wbmplanes1\wbmwidthbytes2 )"
                    R"(ffff0000}})",
                    false},
        PictureCase{"PngWithoutHeader", R"({\rtf1{\pict\pngblip 89504e47}})", false},
        PictureCase{"EmfHeader",
                    "{\\rtf1{\\pict\\emfblip 01000000 " EMF_RECORD_FIELDS " 20454d46}}", true},
        PictureCase{"MacintoshPicture", R"({\rtf1{\pict\macpict 0000}})", false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(RtfReader, KeepsListMarkersAndBookmarks)
{
    const Document doc = Read(R"({\rtf1{\fonttbl{\f0 Arial;}{\f1\fcharset2 Symbol;}})"
                              R"({\listtext\pard\plain\f1 \'b7\tab}\pard\ls2\ilvl1\f0 item\par)"
                              R"({\pntext 1.\tab}{\*\pn\pnlvlbody{\pntxta .}}next\par )"
                              R"(plain{\*\bkmkstart mark}{\*\bkmkend mark}\par})");
    ASSERT_EQ(doc.paragraphs.size(), 3u);
    EXPECT_EQ(doc.Text(doc.paragraphs[0].listText), "\u2022");
    EXPECT_EQ(doc.Format(doc.paragraphs[0]).listId, 2);
    EXPECT_EQ(doc.Format(doc.paragraphs[0]).listLevel, 1);
    EXPECT_EQ(doc.Text(doc.paragraphs[1].listText), "1.");
    EXPECT_EQ(doc.paragraphs[2].listText.count, 0u);
    const auto runs = doc.Runs(doc.paragraphs[2]);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].kind, RunKind::Anchor);
    EXPECT_EQ(doc.Text(runs[1]), "mark");
    EXPECT_EQ(WriteText(doc), "\u2022\titem\n1.\tnext\nplain\n");
}

// The page's shape as Word writes it: fill type, colour and back colour are decimal COLORREFs.
std::string PageShape(std::string_view properties)
{
    return std::string(R"({\rtf1{\*\background {\shp{\*\shpinst\shpleft0\shplid1025)") +
           std::string(properties) + R"(}}}white text\par})";
}

struct PageCase {
    const char* name;
    std::string rtf;
    std::uint32_t color;
};

class RtfReaderPage : public ::testing::TestWithParam<PageCase> {};

TEST_P(RtfReaderPage, TakesThePageColourFromTheBackgroundShape)
{
    const Document doc = Read(GetParam().rtf);
    EXPECT_EQ(doc.pageColor, GetParam().color);
    EXPECT_EQ(WriteText(doc), "white text\n"); // the shape's names and values are no text
}

INSTANTIATE_TEST_SUITE_P(
    RtfReader, RtfReaderPage,
    ::testing::Values(
        PageCase{"None", R"({\rtf1 white text\par})", kAutoColor},
        PageCase{"Solid", PageShape(R"({\sp{\sn fillType}{\sv 0}}{\sp{\sn fillColor}{\sv 255}})"),
                 0xFF0000},
        PageCase{"GradientIsTheMeanOfItsEnds",
                 PageShape(R"({\sp{\sn fillType}{\sv 6}}{\sp{\sn fillColor}{\sv 255}})"
                           R"({\sp{\sn fillBackColor}{\sv 2315831}})"),
                 0x9B2B11},
        PageCase{"NotFilled",
                 PageShape(R"({\sp{\sn fillColor}{\sv 255}}{\sp{\sn fFilled}{\sv 0}})"),
                 kAutoColor},
        PageCase{"SchemeColour", PageShape(R"({\sp{\sn fillColor}{\sv 134217728}})"), kAutoColor},
        PageCase{"NotANumber", PageShape(R"({\sp{\sn fillColor}{\sv 12red}})"), kAutoColor},
        PageCase{"ShapeInTheBodyIsNoPage",
                 R"({\rtf1{\shp{\*\shpinst{\sp{\sn fillColor}{\sv 255}}}}white text\par})",
                 kAutoColor}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(RtfReader, SkipsGroupsBeyondTheDepthLimitWithoutRecursion)
{
    const std::size_t depth = 100000;
    const std::string rtf =
        "{\\rtf1 before" + std::string(depth, '{') + "deep" + std::string(depth, '}') + " after}";
    const Document doc = Read(rtf);
    EXPECT_EQ(WriteText(doc), "before after\n");
}

TEST(RtfReader, StopsGrowingTheModelAtItsBudget)
{
    // Each "\cell" of five bytes asks for a cell, a paragraph and two blocks.
    std::string row;
    for (int i = 0; i < 200; ++i) {
        row += "\\cell";
    }
    row += "\\row";
    std::string rtf = "{\\rtf1\\intbl ";
    for (int i = 0; i < 1000; ++i) {
        rtf += row;
    }
    rtf += "}";
    const Document doc = Read(rtf);
    EXPECT_TRUE(doc.limitReached);
    const std::size_t model = doc.cells.size() * sizeof(Cell) +
                              doc.paragraphs.size() * sizeof(Paragraph) +
                              doc.blocks.size() * sizeof(Block) + doc.rows.size() * sizeof(Row);
    EXPECT_LE(model, 16 * rtf.size() + 64 * 1024);
    EXPECT_GT(doc.cells.size(), 1000u) << "what fitted is kept";
}

TEST(RtfReader, ReadsAnythingWithoutComplaint)
{
    for (const std::string_view rtf :
         {"", "}}}}", "{", "\\", "{\\rtf1\\'", "{\\rtf1\\u", "{\\*", "{\\rtf1{\\pict}}",
          "{\\rtf1\\cell\\row\\nestrow\\nestcell}", "{\\rtf1\\itap16\\nestcell\\nestrow}",
          "{\\rtf1\\trowd\\cellx-5\\cellx-10 a\\cell\\row}", "{\\fonttbl{\\f0", "plain text"}) {
        const Document doc = Read(rtf);
        EXPECT_FALSE(doc.limitReached) << rtf;
    }
    EXPECT_EQ(TextOf("plain text"), "plain text\n");
}

} // namespace

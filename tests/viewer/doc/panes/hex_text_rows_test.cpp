// Hex rows, the text pane's row file and its display, and the pane arithmetic: row edges,
// the special bytes of the converters, state carried between pieces, cut UTF-8 characters.
#include "viewer/doc/panes/hex_text_rows.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/memory_stream.h"
#include "tests/support/stream_stub.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/panes/pane_math.h"

namespace viewer::doc::panes {

using namespace viewer::doc::document;
using namespace viewer::doc::model;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Utf16Le(const std::u16string& text)
{
    Bytes out;
    for (char16_t unit : text) {
        out.push_back(static_cast<std::uint8_t>(unit));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return out;
}

// Feeds the pieces through a converter into a memory stream, one context for all.
Bytes Convert(ElementConverter converter, const std::vector<Bytes>& pieces)
{
    auto stream = platform::MemoryStream::Create();
    TextRowContext context;
    for (const Bytes& piece : pieces) {
        EXPECT_EQ(converter(piece.data(), static_cast<std::uint32_t>(piece.size()), stream.Get(),
                            &context),
                  platform::S_OK);
    }
    return stream->Bytes();
}

std::string Row(const Bytes& file, std::size_t row)
{
    std::string bytes(file.begin() + static_cast<std::ptrdiff_t>(row * kTextRowBytes),
                      file.begin() + static_cast<std::ptrdiff_t>(
                                         std::min(file.size(), (row + 1) * kTextRowBytes)));
    return bytes.substr(0, bytes.find('\0'));
}

std::string Display(const Bytes& file, std::size_t row, TextRowEncoding encoding,
                    std::uint32_t codePage = 1252)
{
    const std::size_t start = row * kTextRowBytes;
    const std::size_t end = std::min(file.size(), start + kTextRowBytes);
    const std::string rowBytes(file.begin() + static_cast<std::ptrdiff_t>(start),
                               file.begin() + static_cast<std::ptrdiff_t>(end));
    const std::string following(
        file.begin() + static_cast<std::ptrdiff_t>(end),
        file.begin() + static_cast<std::ptrdiff_t>(std::min(file.size(), end + 3)));
    return TextRowForDisplay(rowBytes, following, encoding, codePage);
}

// ---- Hex rows --------------------------------------------------------------------------

TEST(HexRow, FullRowHasOffsetSixteenPairsAndCharacters)
{
    const Bytes bytes = BytesOf("ABCDEFGHIJKLMNOP");
    const std::string row = FormatHexRow(3, bytes.data(), bytes.size());
    EXPECT_EQ(row, "00000030    41 42 43 44 45 46 47 48   49 4A 4B 4C 4D 4E 4F 50    "
                   "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(row.size(), 81u);
}

TEST(HexRow, SeventeenBytesMakeASecondRowWithOneByte)
{
    Bytes bytes = BytesOf("ABCDEFGHIJKLMNOP");
    bytes.push_back('Z');
    const std::string second = FormatHexRow(1, bytes.data() + 16, 1);
    ASSERT_EQ(second.size(), kHexPrefixLength + 1);
    EXPECT_EQ(second.substr(0, 14), "00000010    5A");
    EXPECT_EQ(second.substr(14, kHexPrefixLength - 14), std::string(kHexPrefixLength - 14, ' '));
    EXPECT_EQ(second[65], 'Z');
}

TEST(HexRow, ShortLastRowBlanksMissingBytesAndDotsControls)
{
    const Bytes bytes = {0x41, 0x42, 0x0A, 0x43};
    const std::string row = FormatHexRow(0, bytes.data(), bytes.size());
    EXPECT_EQ(row.substr(0, 24), "00000000    41 42 0A 43 ");
    EXPECT_EQ(row.substr(24, 41), std::string(41, ' '));
    EXPECT_EQ(row.substr(65), "AB.C");
}

TEST(HexRow, NoBytesLeaveOnlyTheBlankPrefix)
{
    EXPECT_EQ(FormatHexRow(2, nullptr, 0), "00000020" + std::string(57, ' '));
}

TEST(HexRow, HighBytesShowAsWindows1252LettersOrDots)
{
    // ä, Š, ×, ², the undefined 0x81, DEL, space, tilde, digit.
    const Bytes bytes = {0xE4, 0x8A, 0xD7, 0xB2, 0x81, 0x7F, 0x20, 0x7E, 0x39};
    const std::string row = FormatHexRow(0, bytes.data(), bytes.size());
    EXPECT_EQ(row.substr(kHexPrefixLength), "\xC3\xA4\xC5\xA0....\x20~9");
}

TEST(HexRow, LetterTestIgnoresTheProcessLocale)
{
    EXPECT_TRUE(IsWindows1252Letter('a'));
    EXPECT_TRUE(IsWindows1252Letter(0xFF)); // ÿ
    EXPECT_TRUE(IsWindows1252Letter(0x9F)); // Ÿ
    EXPECT_TRUE(IsWindows1252Letter(0xB5)); // µ
    EXPECT_FALSE(IsWindows1252Letter(0xF7)); // ÷
    EXPECT_FALSE(IsWindows1252Letter('5'));
    EXPECT_FALSE(IsWindows1252Letter(0x80)); // €
}

// ---- Eight-bit text rows ---------------------------------------------------------------

TEST(AnsiTextRows, LinesTabsAndSpecialBytes)
{
    EXPECT_EQ(Convert(AnsiTextToRows, {BytesOf("abc")}), BytesOf("abc"));
    EXPECT_EQ(Convert(AnsiTextToRows, {BytesOf("\r\n")}), Bytes(80, 0));
    EXPECT_EQ(Convert(AnsiTextToRows, {Bytes{'a', 0, 'b'}}), BytesOf("a b"));

    const std::string line80(80, 'x');
    const Bytes exact = Convert(AnsiTextToRows, {BytesOf(line80 + "\n")});
    ASSERT_EQ(exact.size(), 160u);
    EXPECT_EQ(Row(exact, 0), line80);
    EXPECT_EQ(Row(exact, 1), "");

    const Bytes longLine = Convert(AnsiTextToRows, {BytesOf(std::string(100, 'y'))});
    ASSERT_EQ(longLine.size(), 100u);
    EXPECT_EQ(Row(longLine, 0), std::string(80, 'y'));
    EXPECT_EQ(Row(longLine, 1), std::string(20, 'y'));

    // A tab at column 79: one space ends the row, two start the next.
    const Bytes tab = Convert(AnsiTextToRows, {BytesOf(std::string(79, 't') + "\tz")});
    EXPECT_EQ(Row(tab, 0), std::string(79, 't') + " ");
    EXPECT_EQ(Row(tab, 1), "  z");
}

TEST(AnsiTextRows, ColumnCarriesAcrossPieces)
{
    const Bytes file = Convert(AnsiTextToRows, {BytesOf("ab"), BytesOf("\ncd")});
    ASSERT_EQ(file.size(), 82u);
    EXPECT_EQ(Row(file, 0), "ab");
    EXPECT_EQ(Row(file, 1), "cd");
}

TEST(AnsiTextRows, RefusesMissingArguments)
{
    auto stream = platform::MemoryStream::Create();
    TextRowContext context;
    const std::uint8_t byte = 'a';
    EXPECT_EQ(AnsiTextToRows(nullptr, 1, stream.Get(), &context), platform::E_INVALIDARG);
    EXPECT_EQ(AnsiTextToRows(&byte, 1, nullptr, &context), platform::E_INVALIDARG);
    EXPECT_EQ(AnsiTextToRows(&byte, 1, stream.Get(), nullptr), platform::E_INVALIDARG);
    EXPECT_EQ(UnicodeTextToRows(&byte, 1, stream.Get(), nullptr), platform::E_INVALIDARG);
}

// A stream whose writes fail after `allowed` bytes.
class FailingStream final : public testing_support::StreamStub {
public:
    explicit FailingStream(std::uint32_t allowed) : m_allowed(allowed) {}
    platform::StatusCode Write(const void*, std::uint32_t count, std::uint32_t* done) override
    {
        if (count > m_allowed) {
            *done = 0;
            return platform::E_ACCESSDENIED;
        }
        m_allowed -= count;
        *done = count;
        return platform::S_OK;
    }

private:
    std::uint32_t m_allowed;
};

TEST(TextRows, FailedWriteEndsTheConversionWithItsStatus)
{
    const Bytes text = BytesOf("one\ttwo\nthree");
    for (std::uint32_t allowed : {0u, 3u, 6u, 50u}) {
        FailingStream stream(allowed);
        TextRowContext context;
        EXPECT_EQ(AnsiTextToRows(text.data(), static_cast<std::uint32_t>(text.size()), &stream,
                                 &context),
                  platform::E_ACCESSDENIED)
            << allowed;
    }
    const Bytes wide = Utf16Le(u"one\ttwo\nthree");
    FailingStream stream(4);
    TextRowContext context;
    EXPECT_EQ(UnicodeTextToRows(wide.data(), static_cast<std::uint32_t>(wide.size()), &stream,
                                &context),
              platform::E_ACCESSDENIED);
}

// ---- UTF-16 text rows ------------------------------------------------------------------

TEST(UnicodeTextRows, OddByteCountIgnoresTheLastByte)
{
    Bytes bytes = Utf16Le(u"AB");
    bytes.push_back('C');
    EXPECT_EQ(Convert(UnicodeTextToRows, {bytes}), BytesOf("AB"));
}

TEST(UnicodeTextRows, ColumnCountsUtf8Bytes)
{
    // "Ä" is two UTF-8 bytes, so the line feed pads 78.
    const Bytes file = Convert(
        UnicodeTextToRows, {Utf16Le(std::u16string{u'\u00C4', u'\n', u'\t', u'x', u'\r', 0, u'y'})});
    ASSERT_EQ(file.size(), 80u + 3 + 1 + 2);
    EXPECT_EQ(Row(file, 0), "\xC3\x84");
    EXPECT_EQ(Row(file, 1), "   x y");
}

TEST(UnicodeTextRows, SurrogatePairSplitBetweenPiecesStaysOneCharacter)
{
    const Bytes pair = Utf16Le(u"a\U0001F600b");
    const Bytes first(pair.begin(), pair.begin() + 4);  // 'a' and the high surrogate
    const Bytes second(pair.begin() + 4, pair.end());   // low surrogate and 'b'
    EXPECT_EQ(Convert(UnicodeTextToRows, {first, second}), BytesOf("a\xF0\x9F\x98\x80" "b"));
}

TEST(UnicodeTextRows, UnpairedSurrogatesBecomeReplacementCharacters)
{
    const Bytes lone = Utf16Le(std::u16string{u'a', char16_t(0xD800), u'b', char16_t(0xDC00)});
    EXPECT_EQ(Convert(UnicodeTextToRows, {lone}), BytesOf("a\xEF\xBF\xBD" "b\xEF\xBF\xBD"));
}

TEST(WriteWideAsAnsi, ChunksNeverSplitASurrogatePair)
{
    std::u16string text(1023, u'x');
    text += u"\U0001F600";
    text += std::u16string(1500, u'y');
    auto stream = platform::MemoryStream::Create();
    std::uint32_t written = 0;
    ASSERT_EQ(WriteWideAsAnsi(text.data(), text.size(), stream.Get(), &written), platform::S_OK);
    const std::string expected =
        std::string(1023, 'x') + "\xF0\x9F\x98\x80" + std::string(1500, 'y');
    EXPECT_EQ(stream->Bytes(), BytesOf(expected));
    EXPECT_EQ(written, expected.size());
}

// ---- Rows for display ------------------------------------------------------------------

TEST(TextRowDisplay, CharacterCutByTheRowEndBelongsToItsFirstRow)
{
    // 79 letters and a euro sign: its three UTF-8 bytes straddle rows 0 and 1.
    const Bytes file = Convert(UnicodeTextToRows, {Utf16Le(std::u16string(79, u'a') + u"\u20ACbc")});
    ASSERT_EQ(file.size(), 84u);
    EXPECT_EQ(Display(file, 0, TextRowEncoding::Utf8), std::string(79, 'a') + "\xE2\x82\xAC");
    EXPECT_EQ(Display(file, 1, TextRowEncoding::Utf8), "bc");
}

TEST(TextRowDisplay, EightBitRowsOfAUtf8MessageAreCutLikeConvertedOnes)
{
    const Bytes file = Convert(AnsiTextToRows, {BytesOf(std::string(79, 'a') + "\xE2\x82\xAC" "bc")});
    EXPECT_EQ(Display(file, 0, TextRowEncoding::EightBit, 65001), std::string(79, 'a') + "\xE2\x82\xAC");
    EXPECT_EQ(Display(file, 1, TextRowEncoding::EightBit, 65001), "bc");
    // In Windows-1252 the same bytes are three characters, each on its own row's side.
    EXPECT_EQ(Display(file, 1, TextRowEncoding::EightBit, 1252), "\xE2\x80\x9A\xC2\xAC" "bc");
}

TEST(TextRowDisplay, IncompleteOrInvalidSequencesShowReplacement)
{
    // Cut by a pad (zero byte), a stray lead byte, an overlong form.
    EXPECT_EQ(TextRowForDisplay(std::string("ab\xE2\x82\0", 5), "", TextRowEncoding::Utf8, 0),
              "ab\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(TextRowForDisplay("\xFFz", "", TextRowEncoding::Utf8, 0), "\xEF\xBF\xBDz");
    EXPECT_EQ(TextRowForDisplay("\xC0\xAF", "", TextRowEncoding::Utf8, 0),
              "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(TextRowDisplay, EightBitRowsDecodeWithTheCodePageAndHideControls)
{
    EXPECT_EQ(TextRowForDisplay("d\xF6" "c\x01", "", TextRowEncoding::EightBit, 1252),
              "d\xC3\xB6" "c\xEF\xBF\xBD");
    // A string's terminating zero, written as a space, and text after the row's zero pad.
    EXPECT_EQ(TextRowForDisplay(std::string("ok \0zz", 6), "", TextRowEncoding::EightBit, 1252),
              "ok ");
}

// ---- Pane arithmetic -------------------------------------------------------------------

TEST(PaneMath, VisibleRowsFromTheClipBox)
{
    EXPECT_EQ(VisibleRows(0, 100, 16, 1000), (RowRange{0, 7}));
    EXPECT_EQ(VisibleRows(32, 48, 16, 1000), (RowRange{2, 3}));
    EXPECT_EQ(VisibleRows(0, 1000, 16, 5), (RowRange{0, 4}));
    EXPECT_EQ(VisibleRows(0, 100, 16, 0), std::nullopt);
    EXPECT_EQ(VisibleRows(200, 300, 16, 5), std::nullopt);
    // Taller than 32 bits of pixels.
    EXPECT_EQ(VisibleRows(0x200000000ull, 0x200000010ull, 16, 0x40000000ull),
              (RowRange{0x20000000ull, 0x20000001ull}));
}

TEST(PaneMath, ScrollSizesForLoadedData)
{
    EXPECT_EQ(RowCount(17, kHexRowBytes), 2u);
    EXPECT_EQ(RowCount(160, kTextRowBytes), 2u);
    const ScrollSizes empty = ScrollSizesForData(0, kHexRowBytes, 8, 16);
    EXPECT_EQ(empty.total, (PaneSize{0, 0}));
    const ScrollSizes sizes = ScrollSizesForData(17, kHexRowBytes, 8, 16);
    EXPECT_EQ(sizes.total, (PaneSize{82 * 8, 2 * 16}));
    EXPECT_EQ(sizes.page, (PaneSize{82 * 8, 10 * 16}));
    EXPECT_EQ(sizes.line, (PaneSize{8, 16}));
}

TEST(PaneMath, PageAfterResizeKeepsAtLeastOneCharacterAndRow)
{
    EXPECT_EQ(PageSizeOnResize(5, 5, 8, 16), (PaneSize{8, 16}));
    EXPECT_EQ(PageSizeOnResize(800, 480, 8, 16), (PaneSize{8 * 99, 16 * 29}));
    EXPECT_EQ(PageSizeOnResize(10, 10, 0, 0), (PaneSize{9, 9}));
}

TEST(PaneMath, ScrollKeys)
{
    ScrollSizes sizes;
    sizes.total = {800, 1000};
    sizes.page = {800, 160};
    sizes.line = {8, 16};
    EXPECT_EQ(ScrollForKey(ScrollKey::PageUp, {0, 100}, sizes), (PanePoint{0, 0}));
    EXPECT_EQ(ScrollForKey(ScrollKey::PageUp, {0, 300}, sizes), (PanePoint{0, 140}));
    EXPECT_EQ(ScrollForKey(ScrollKey::PageDown, {0, 0}, sizes), (PanePoint{0, 160}));
    EXPECT_EQ(ScrollForKey(ScrollKey::PageDown, {0, 800}, sizes), (PanePoint{0, 840}));
    EXPECT_EQ(ScrollForKey(ScrollKey::PageDown, {0, 840}, sizes), (PanePoint{0, 840}));
    EXPECT_EQ(ScrollForKey(ScrollKey::Up, {0, 10}, sizes), (PanePoint{0, 0}));
    EXPECT_EQ(ScrollForKey(ScrollKey::Down, {0, 980}, sizes), (PanePoint{0, 984}));
    EXPECT_EQ(ScrollForKey(ScrollKey::Left, {4, 0}, sizes), (PanePoint{0, 0}));
    EXPECT_EQ(ScrollForKey(ScrollKey::Right, {0, 0}, sizes), (PanePoint{8, 0}));
    EXPECT_EQ(ScrollForKey(ScrollKey::Right, {792, 0}, sizes), (PanePoint{792, 0}));
    EXPECT_EQ(ScrollForKey(ScrollKey::Home, {16, 500}, sizes), (PanePoint{16, 0}));
    EXPECT_EQ(ScrollForKey(ScrollKey::End, {0, 0}, sizes), (PanePoint{0, 840}));
    EXPECT_EQ(ScrollForKey(ScrollKey::End, {0, 900}, sizes), (PanePoint{0, 900}));
}

TEST(PaneMath, RowsInViewAndUnderAPointCountTheMarginAndPartRows)
{
    // Row r spans pixels 2 + 16r .. 17 + 16r.
    EXPECT_EQ(RowsInView(0, 34, 16, 100), (RowRange{0, 1}));
    EXPECT_EQ(RowsInView(0, 35, 16, 100), (RowRange{0, 2}));
    EXPECT_EQ(RowsInView(17, 16, 16, 100), (RowRange{0, 1}));
    EXPECT_EQ(RowsInView(18, 16, 16, 100), (RowRange{1, 1}));
    EXPECT_EQ(RowsInView(0, 1000, 16, 3), (RowRange{0, 2}));
    EXPECT_EQ(RowsInView(0, 0, 16, 3), std::nullopt);
    EXPECT_EQ(RowsInView(0, 2, 16, 3), std::nullopt);
    EXPECT_EQ(RowAt(0, 16, 100), 0u);
    EXPECT_EQ(RowAt(18, 16, 100), 1u);
    EXPECT_EQ(RowAt(1'000'000, 16, 100), 99u);
}

TEST(PaneMath, ScrollBarMapKeepsBothEndsExactAndFollowsEveryMove)
{
    const ScrollBarMap small(5000);
    EXPECT_EQ(small.Maximum(), 5000);
    EXPECT_EQ(small.ToBar(1234), 1234);
    EXPECT_EQ(small.FromBar(1234), 1234);
    EXPECT_EQ(small.ToBar(9000), 5000);

    // 4 GiB of hex rows 17 pixels tall, in a view of 600 pixels.
    const std::int64_t range = (std::int64_t{1} << 28) * 17 + 4 - 600;
    const ScrollBarMap tall(range);
    EXPECT_EQ(tall.Maximum(), ScrollBarMap::kLimit);
    EXPECT_EQ(tall.ToBar(0), 0);
    EXPECT_EQ(tall.ToBar(range), tall.Maximum());
    EXPECT_EQ(tall.FromBar(tall.Maximum()), range);
    EXPECT_EQ(tall.FromBar(0), 0);
    std::int64_t previous = -1;
    for (const int value : {1, 2, 3, 1 << 20, tall.Maximum() / 2, tall.Maximum() - 1}) {
        const std::int64_t position = tall.FromBar(value);
        EXPECT_GT(position, previous);
        EXPECT_EQ(tall.ToBar(position), value) << value;
        EXPECT_LE(tall.ToBar(position + 1), value + 1);
        previous = position;
    }
    // A row is a few bar units; a step is never nothing.
    EXPECT_EQ(tall.Length(17), 4);
    EXPECT_EQ(tall.Length(1), 1);
}

TEST(RowSelection, RunsEitherWayAndStopsGrowingAtItsLimit)
{
    RowSelection selection;
    EXPECT_TRUE(selection.Empty());
    EXPECT_EQ(selection.Count(), 0u);
    selection.Begin(10);
    selection.Extend(5);
    EXPECT_EQ(selection.First(), 5u);
    EXPECT_EQ(selection.Last(), 10u);
    EXPECT_TRUE(selection.Contains(7));
    EXPECT_FALSE(selection.Contains(11));
    selection.Extend(10 + 1'000'000);
    EXPECT_EQ(selection.First(), 10u);
    EXPECT_EQ(selection.Count(), RowSelection::kMaxRows);
    selection.Begin(100'000);
    selection.Extend(0);
    EXPECT_EQ(selection.Last(), 100'000u);
    EXPECT_EQ(selection.Count(), RowSelection::kMaxRows);
    selection.Clear();
    EXPECT_FALSE(selection.Contains(100'000));
}

} // namespace
} // namespace viewer::doc::panes

// The document model the RTF reader builds: what a mail body looks like, without the RTF.
//
// The model is flat. Every list lives once in the `Document` (paragraphs, runs, cells, rows,
// tables, blocks) and the parts refer to one another by index or by a `Range` of indexes, so
// a body of many small parts costs a few vectors rather than a tree of allocations. Text is
// UTF-8 in one buffer (`Document::text`); a run names its bytes by range.
//
// How the pieces fit:
//
//   Document::body ─► blocks ─► Paragraph ─► runs ─► text / Picture / anchor name
//                           └─► Table ─► rows ─► cells ─► blocks ─► ... (nested tables)
//
// Walking it (what the Qt builder and the writers do):
//
//   for (const Block& block : doc.Blocks(doc.body)) {
//       if (block.kind == BlockKind::Paragraph) { ... doc.paragraphs[block.index] ... }
//       else { const Table& t = doc.tables[block.index]; for (const Row& row : doc.Rows(t)) ... }
//   }
//
// Lengths are in twips (1/1440 inch) unless a field says otherwise; font sizes in half
// points. Colours are 0x00RRGGBB, or `kAutoColor` for the viewer's default (black text on
// white paper). Nothing in the model refers to anything outside the body: links are kept as
// written (the consumer decides which schemes it follows) and pictures carry their own bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace viewer::render::richtext {

inline constexpr std::uint32_t kAutoColor = 0xFFFFFFFFu;
inline constexpr std::uint16_t kNoFont = 0xFFFF;
inline constexpr std::uint32_t kNoLink = 0xFFFFFFFFu;
inline constexpr std::uint16_t kDefaultHalfPoints = 24; // 12 pt, RTF's default size

// A run of consecutive indexes into one of the document's vectors.
struct Range {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
    bool operator==(const Range&) const = default;
};

enum class FontFamily : std::uint8_t { Nil, Roman, Swiss, Modern, Script, Decorative, Technical };

struct Font {
    std::int32_t number = 0; // the RTF font number (\fN)
    std::string name;        // UTF-8, without the closing ';'
    FontFamily family = FontFamily::Nil;
    std::uint8_t charset = 1;   // \fcharset (1: the document's code page)
    std::uint8_t pitch = 0;     // \fprq: 0 default, 1 fixed, 2 variable
    std::uint32_t codePage = 0; // what its 8-bit text was decoded with (42: a symbol font)
};

enum class Underline : std::uint8_t { None, Single, Double, Dotted, Dashed, Wave, Thick, Words };
enum class VerticalPosition : std::uint8_t { Baseline, Superscript, Subscript };

// Character formatting. Interned: runs refer to `Document::charFormats` by index, and two
// runs with equal formatting share one entry.
struct CharFormat {
    std::uint16_t font = kNoFont; // index into Document::fonts
    std::uint16_t halfPoints = kDefaultHalfPoints;
    std::uint32_t color = kAutoColor;      // \cf
    std::uint32_t background = kAutoColor; // \cb, \chcbpat
    std::uint32_t highlight = kAutoColor;  // \highlight (wins over background)
    std::uint32_t link = kNoLink;          // index into Document::links
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool hidden = false; // \v: kept in the model, never shown
    bool caps = false;
    bool smallCaps = false;
    Underline underline = Underline::None;
    VerticalPosition position = VerticalPosition::Baseline;
    bool operator==(const CharFormat&) const = default;
};

enum class Alignment : std::uint8_t { Left, Right, Center, Justify };

// Paragraph formatting, interned like CharFormat.
struct ParagraphFormat {
    Alignment alignment = Alignment::Left;
    bool rightToLeft = false;
    std::int32_t leftIndent = 0;
    std::int32_t rightIndent = 0;
    std::int32_t firstLineIndent = 0; // relative to leftIndent; negative for a hanging indent
    std::int32_t spaceBefore = 0;
    std::int32_t spaceAfter = 0;
    // \sl: 0 single spacing; > 0 at least this much; < 0 exactly -lineSpacing. When
    // `lineSpacingMultiple` is set, lineSpacing / 240 is a multiple of single spacing.
    std::int32_t lineSpacing = 0;
    bool lineSpacingMultiple = false;
    std::uint8_t listLevel = 0; // \ilvl, 0-8
    std::int32_t listId = 0;    // \ls; 0 when the paragraph is in no list
    bool operator==(const ParagraphFormat&) const = default;
};

enum class RunKind : std::uint8_t {
    Text,    // `first`/`count`: bytes of Document::text. '\t' is a tab, '\n' a line break
    Picture, // `first`: index into Document::pictures
    Anchor,  // a bookmark: `first`/`count` are the bytes of its name in Document::text
};

struct Run {
    RunKind kind = RunKind::Text;
    std::uint32_t format = 0; // index into Document::charFormats
    std::uint32_t first = 0;
    std::uint32_t count = 0;
};

enum class BreakBefore : std::uint8_t { None, Page, Section };

struct Paragraph {
    std::uint32_t format = 0; // index into Document::paragraphFormats
    Range runs;               // into Document::runs
    // The list marker as the writer of the body put it down ("1.", "•"), bytes of
    // Document::text without the tab that follows it; empty outside lists.
    Range listText;
    BreakBefore breakBefore = BreakBefore::None;
};

enum class BlockKind : std::uint8_t { Paragraph, Table };

struct Block {
    BlockKind kind = BlockKind::Paragraph;
    std::uint32_t index = 0; // into Document::paragraphs or Document::tables
};

enum class BorderStyle : std::uint8_t { None, Single, Double, Dotted, Dashed };

struct BorderLine {
    BorderStyle style = BorderStyle::None;
    std::uint16_t width = 0; // twips
    std::uint32_t color = kAutoColor;
};

enum class CellSide : std::uint8_t { Top, Left, Bottom, Right };
enum class CellAlignment : std::uint8_t { Top, Center, Bottom };

// A table cell placed on its table's grid. The grid is worked out by the reader from the
// right edges (\cellx) of every row, so rows with different cell boundaries line up, and
// merges are resolved: a cell that \clmrg or \clvmrg joined to a neighbour is `covered`
// and the first cell of the merge spans it. A Qt table is then
// QTextTable(rows, table.columns) with mergeCells(row, column, rowSpan, columnSpan) for
// every cell that is not covered. Covered cells keep whatever blocks they had.
struct Cell {
    Range blocks;             // into Document::blocks
    std::int32_t width = 0;   // twips, from the \cellx boundaries
    std::uint16_t column = 0; // first grid column
    std::uint16_t columnSpan = 1;
    std::uint32_t rowSpan = 1;
    bool covered = false;
    CellAlignment alignment = CellAlignment::Top;
    std::uint32_t shading = kAutoColor; // \clcbpat
    BorderLine borders[4];              // indexed by CellSide
};

enum class RowAlignment : std::uint8_t { Left, Center, Right };

struct Row {
    Range cells;           // into Document::cells
    std::int32_t left = 0; // \trleft: where the row starts, twips
    RowAlignment alignment = RowAlignment::Left;
};

struct Table {
    Range rows;        // into Document::rows
    Range columnEdges; // into Document::columnEdges: columns + 1 ascending positions
    std::uint16_t columns = 0;
    std::uint8_t depth = 1; // 1 for a table in the body, 2 for one inside a cell, ...
};

enum class PictureFormat : std::uint8_t {
    Unknown,
    Png,     // \pngblip
    Jpeg,    // \jpegblip
    Emf,     // \emfblip: kept as bytes
    Wmf,     // \wmetafileN: a Windows metafile without the placeable header
    Dib,     // \dibitmapN: BITMAPINFO and bits, without the file header
    Ddb,     // \wbitmapN: device-dependent bits, described by wbm* below
    MacPict, // \macpict: kept as bytes
};

// A picture as the body stores it. Nothing is decoded here beyond checking that the bytes
// can hold what the picture declares (`usable`); the consumer decodes with its own
// allocation limit.
struct Picture {
    PictureFormat format = PictureFormat::Unknown;
    std::vector<std::uint8_t> data;
    // \picw, \pich: for Wmf, Emf, Png and Jpeg the extent in 0.01 mm (a metafile's xExt,
    // yExt); for Dib and Ddb the size in pixels.
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t goalWidth = 0;  // \picwgoal, twips; 0 when not given
    std::int32_t goalHeight = 0; // \pichgoal
    std::int32_t scaleX = 100;   // \picscalex, percent
    std::int32_t scaleY = 100;
    std::int32_t cropLeft = 0, cropTop = 0, cropRight = 0, cropBottom = 0; // twips
    std::int32_t metafileMapMode = 8; // the N of \wmetafileN (8: MM_ANISOTROPIC)
    std::uint16_t bitsPerPixel = 1;   // \wbmbitspixel
    std::uint16_t planes = 1;         // \wbmplanes
    std::int32_t widthBytes = 0;      // \wbmwidthbytes
    bool usable = false;              // the bytes are present for the declared format and size
};

struct Link {
    std::string target; // as written in the HYPERLINK field; "#name" for a bookmark
};

// What the body wraps, as its header says (\fromhtml1, \fromtext); see deencapsulate.h.
enum class Encapsulation : std::uint8_t { None, Html, Text };

struct Document {
    std::vector<Font> fonts;
    std::vector<CharFormat> charFormats;
    std::vector<ParagraphFormat> paragraphFormats;
    std::vector<Paragraph> paragraphs;
    std::vector<Run> runs;
    std::string text;
    std::vector<Block> blocks;
    Range body; // the top-level blocks, into blocks
    std::vector<Table> tables;
    std::vector<Row> rows;
    std::vector<Cell> cells;
    std::vector<std::int32_t> columnEdges;
    std::vector<Picture> pictures;
    std::vector<Link> links;
    Encapsulation encapsulation = Encapsulation::None;
    // The colour of the page (\background), or kAutoColor for the viewer's paper. A mail
    // written on a dark page often has white text, which only its page makes readable.
    std::uint32_t pageColor = kAutoColor;
    // Set when the body was larger than the model's budget (a small multiple of the input)
    // and the reader stopped adding to it; what was read until then is kept.
    bool limitReached = false;

    std::span<const Block> Blocks(Range range) const { return Slice(blocks, range); }
    std::span<const Run> Runs(const Paragraph& p) const { return Slice(runs, p.runs); }
    std::span<const Row> Rows(const Table& t) const { return Slice(rows, t.rows); }
    std::span<const Cell> Cells(const Row& r) const { return Slice(cells, r.cells); }
    std::span<const std::int32_t> ColumnEdges(const Table& t) const
    {
        return Slice(columnEdges, t.columnEdges);
    }
    std::string_view Text(Range range) const { return {text.data() + range.first, range.count}; }
    std::string_view Text(const Run& run) const { return Text(Range{run.first, run.count}); }
    const CharFormat& Format(const Run& run) const { return charFormats[run.format]; }
    const ParagraphFormat& Format(const Paragraph& p) const { return paragraphFormats[p.format]; }

  private:
    template <typename T> static std::span<const T> Slice(const std::vector<T>& items, Range range)
    {
        return {items.data() + range.first, range.count};
    }
};

// Walks the blocks of `range` in order: visitor.OnParagraph(const Paragraph&) for each
// paragraph, visitor.OnTable(const Table&) for each table (which walks its cells' blocks with
// this again if it wants them).
template <typename Visitor> void VisitBlocks(const Document& doc, Range range, Visitor& visitor)
{
    for (const Block& block : doc.Blocks(range)) {
        if (block.kind == BlockKind::Paragraph) {
            visitor.OnParagraph(doc.paragraphs[block.index]);
        } else {
            visitor.OnTable(doc.tables[block.index]);
        }
    }
}

// The size a picture is shown at, in twips: the goal size when the body gives one, else its
// extent (0.01 mm, or pixels at 96 dpi for bitmaps), scaled by \picscalex and \picscaley and
// capped at 22 inches a side so that no picture can ask for an absurd area.
struct PictureSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};
[[nodiscard]] PictureSize DisplaySize(const Picture& picture);

} // namespace viewer::render::richtext

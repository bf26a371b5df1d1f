// Builds the model's tables as the reader meets paragraphs, cells and rows, and keeps the
// model within its budget.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "viewer/render/richtext/rich_document.h"
#include "viewer/render/richtext/rtf_keywords_p.h"

namespace viewer::render::richtext {

// How much the model may grow: a multiple of the input, so that no few bytes of RTF can ask
// for much memory.
class ModelBudget {
  public:
    explicit ModelBudget(std::size_t inputSize);

    // Whether `adding` more bytes still fit; when not, marks the document and says no from
    // then on.
    [[nodiscard]] bool Allow(Document& doc, std::size_t adding) const;

    // Bytes held outside the document's vectors: picture data, cells of open tables.
    std::size_t held = 0;

  private:
    std::size_t m_limit;
};

// The cell boundaries and properties that \trowd ... \cellx give for the next row.
struct CellDefinition {
    std::int32_t right = 0;
    bool defined = false; // \cellx came
    bool mergeFirst = false, mergeNext = false;
    bool verticalFirst = false, verticalNext = false;
    CellAlignment alignment = CellAlignment::Top;
    std::uint32_t shading = kAutoColor;
    BorderLine borders[4];
};

struct RowDefinition {
    std::int32_t left = 0;
    RowAlignment alignment = RowAlignment::Left;
    std::vector<CellDefinition> cells;
    CellDefinition pending; // properties before the next \cellx
};

// A cell while its table is open: its blocks are final, its place on the grid is not.
struct PendingCell {
    Cell cell;
    std::int32_t right = 0;
    bool mergeNext = false;
    bool verticalFirst = false;
    bool verticalNext = false;
};

struct PendingRow {
    std::uint32_t firstCell = 0; // into the level's cells
    std::uint32_t cellCount = 0;
    std::int32_t left = 0;
    RowAlignment alignment = RowAlignment::Left;
};

// One open table nesting level.
struct TableLevel {
    std::vector<PendingCell> cells; // every cell of the table so far
    std::vector<PendingRow> rows;
    std::size_t rowStart = 0;  // first cell of the row being filled
    std::vector<Block> blocks; // of the cell being filled
};

// RTF gives a table as a stream: paragraphs marked with their nesting level (\intbl,
// \itapN), \cell or \nestcell after each cell, \row or \nestrow after each row, and each
// row's definition (\trowd ... \cellx) before or after its cells. Level 0 is the body; a
// paragraph at a lower level than the tables open ends the deeper ones.
class TableBuilder {
  public:
    TableBuilder(Document& doc, ModelBudget& budget, const std::vector<std::uint32_t>& colors);

    // Acts on a row-definition word for the tables at `level`; false when it is none.
    bool DefinitionWord(Kw kw, std::int32_t parameter, std::size_t level);

    // Puts a block in the cell being filled at `level` (the body for 0), beginning the
    // tables it is in and ending deeper ones.
    void Place(Block block, std::size_t level);
    [[nodiscard]] bool IsOpen(std::size_t level) const { return m_levels.size() >= level; }

    // Makes what was placed at `level` since its last cell one more cell.
    void EndCell(std::size_t level);
    void EndRow(std::size_t level);

    // Ends every table; the body's blocks.
    [[nodiscard]] Range Finish();

  private:
    RowDefinition& Definition(std::size_t level);
    BorderLine* CurrentBorder(std::size_t level);
    std::uint32_t ColorAt(std::int32_t index) const;
    std::vector<Block>& Container(std::size_t level);
    void OpenLevels(std::size_t level);
    void CloseCell(TableLevel& open);
    void FinishRow(TableLevel& open, std::size_t level);
    void CloseLevel();
    void PlaceOnGrid(TableLevel& open, Table& table);
    Range AppendBlocks(const std::vector<Block>& blocks);

    Document& m_doc;
    ModelBudget& m_budget;
    const std::vector<std::uint32_t>& m_colors;
    std::vector<Block> m_body;
    std::vector<TableLevel> m_levels;
    std::vector<RowDefinition> m_definitions; // by level; [0] unused
    int m_borderSide = -1;                    // the CellSide \brdr* words change, or none
};

} // namespace viewer::render::richtext

#include "viewer/render/richtext/table_builder_p.h"

#include <algorithm>
#include <cstdint>

namespace viewer::render::richtext {

namespace {

constexpr std::size_t kBudgetFactor = 16;
constexpr std::size_t kBudgetSlack = 64 * 1024;
constexpr std::size_t kMaxCellsPerRow = 256;
constexpr std::size_t kMaxGridColumns = 512;
constexpr std::int32_t kDefaultCellWidth = 1440;
// 2^24 twips is over 290 m; a row of kMaxCellsPerRow default cells after it still fits.
constexpr std::int32_t kMaxPosition = 1 << 24;

// What the model's vectors hold, by element: their sizes, not their capacities.
std::size_t ModelBytes(const Document& doc)
{
    return doc.text.size() + doc.runs.size() * sizeof(Run) +
           doc.paragraphs.size() * sizeof(Paragraph) + doc.cells.size() * sizeof(Cell) +
           doc.rows.size() * sizeof(Row) + doc.blocks.size() * sizeof(Block) +
           doc.tables.size() * sizeof(Table) + doc.fonts.size() * sizeof(Font) +
           doc.links.size() * sizeof(Link) + doc.columnEdges.size() * sizeof(std::int32_t) +
           doc.pictures.size() * sizeof(Picture) + doc.charFormats.size() * sizeof(CharFormat) +
           doc.paragraphFormats.size() * sizeof(ParagraphFormat);
}

} // namespace

ModelBudget::ModelBudget(std::size_t inputSize)
    : m_limit(inputSize <= (SIZE_MAX - kBudgetSlack) / kBudgetFactor
                  ? inputSize * kBudgetFactor + kBudgetSlack
                  : SIZE_MAX)
{
}

bool ModelBudget::Allow(Document& doc, std::size_t adding) const
{
    if (doc.limitReached) {
        return false;
    }
    const std::size_t used = ModelBytes(doc) + held;
    if (used > m_limit || adding > m_limit - used) {
        doc.limitReached = true;
        return false;
    }
    return true;
}

TableBuilder::TableBuilder(Document& doc, ModelBudget& budget,
                           const std::vector<std::uint32_t>& colors)
    : m_doc(doc), m_budget(budget), m_colors(colors)
{
}

RowDefinition& TableBuilder::Definition(std::size_t level)
{
    if (m_definitions.size() < level + 1) {
        m_definitions.resize(level + 1);
    }
    return m_definitions[level];
}

BorderLine* TableBuilder::CurrentBorder(std::size_t level)
{
    if (m_borderSide < 0) {
        return nullptr;
    }
    return &Definition(level).pending.borders[m_borderSide];
}

std::uint32_t TableBuilder::ColorAt(std::int32_t index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_colors.size()) {
        return kAutoColor;
    }
    return m_colors[static_cast<std::size_t>(index)];
}

bool TableBuilder::DefinitionWord(Kw kw, std::int32_t p, std::size_t level)
{
    RowDefinition& definition = Definition(level);
    CellDefinition& cell = definition.pending;
    switch (kw) {
    case Kw::Trowd:
        definition = RowDefinition{};
        m_borderSide = -1;
        return true;
    case Kw::Trleft:
        definition.left = p;
        return true;
    case Kw::Trql:
        definition.alignment = RowAlignment::Left;
        return true;
    case Kw::Trqc:
        definition.alignment = RowAlignment::Center;
        return true;
    case Kw::Trqr:
        definition.alignment = RowAlignment::Right;
        return true;
    case Kw::Clmgf:
        cell.mergeFirst = true;
        return true;
    case Kw::Clmrg:
        cell.mergeNext = true;
        return true;
    case Kw::Clvmgf:
        cell.verticalFirst = true;
        return true;
    case Kw::Clvmrg:
        cell.verticalNext = true;
        return true;
    case Kw::Clcbpat:
        cell.shading = ColorAt(p);
        return true;
    case Kw::Clvertalt:
        cell.alignment = CellAlignment::Top;
        return true;
    case Kw::Clvertalc:
        cell.alignment = CellAlignment::Center;
        return true;
    case Kw::Clvertalb:
        cell.alignment = CellAlignment::Bottom;
        return true;
    case Kw::Clbrdrt:
        m_borderSide = int(CellSide::Top);
        return true;
    case Kw::Clbrdrl:
        m_borderSide = int(CellSide::Left);
        return true;
    case Kw::Clbrdrb:
        m_borderSide = int(CellSide::Bottom);
        return true;
    case Kw::Clbrdrr:
        m_borderSide = int(CellSide::Right);
        return true;
    case Kw::OtherBorder:
        m_borderSide = -1;
        return true;
    case Kw::Brdrnone:
    case Kw::Brdrs:
    case Kw::Brdrdb:
    case Kw::Brdrdot:
    case Kw::Brdrdash:
        if (BorderLine* border = CurrentBorder(level)) {
            border->style = kw == Kw::Brdrnone   ? BorderStyle::None
                            : kw == Kw::Brdrdb   ? BorderStyle::Double
                            : kw == Kw::Brdrdot  ? BorderStyle::Dotted
                            : kw == Kw::Brdrdash ? BorderStyle::Dashed
                                                 : BorderStyle::Single;
        }
        return true;
    case Kw::Brdrw:
        if (BorderLine* border = CurrentBorder(level)) {
            border->width = static_cast<std::uint16_t>(std::clamp(p, 0, 255));
        }
        return true;
    case Kw::Brdrcf:
        if (BorderLine* border = CurrentBorder(level)) {
            border->color = ColorAt(p);
        }
        return true;
    case Kw::Cellx:
        cell.right = p;
        cell.defined = true;
        if (definition.cells.size() < kMaxCellsPerRow) {
            definition.cells.push_back(cell);
        }
        cell = CellDefinition{};
        m_borderSide = -1;
        return true;
    default:
        return false;
    }
}

std::vector<Block>& TableBuilder::Container(std::size_t level)
{
    return level == 0 ? m_body : m_levels[level - 1].blocks;
}

// Makes exactly `level` table levels open: deeper ones are finished, missing ones begun.
void TableBuilder::OpenLevels(std::size_t level)
{
    while (m_levels.size() > level) {
        CloseLevel();
    }
    while (m_levels.size() < level) {
        m_levels.emplace_back();
    }
}

void TableBuilder::Place(Block block, std::size_t level)
{
    OpenLevels(level);
    Container(level).push_back(block);
}

void TableBuilder::EndCell(std::size_t level)
{
    if (IsOpen(level) && level > 0) {
        CloseCell(m_levels[level - 1]);
    }
}

void TableBuilder::CloseCell(TableLevel& open)
{
    if (open.cells.size() - open.rowStart >= kMaxCellsPerRow ||
        !m_budget.Allow(m_doc, sizeof(PendingCell))) {
        open.blocks.clear();
        return;
    }
    PendingCell cell;
    cell.cell.blocks = AppendBlocks(open.blocks);
    open.blocks.clear();
    open.cells.push_back(cell);
    m_budget.held += sizeof(PendingCell);
}

void TableBuilder::EndRow(std::size_t level)
{
    if (!IsOpen(level) || level == 0) {
        return;
    }
    OpenLevels(level);
    TableLevel& open = m_levels[level - 1];
    if (!open.blocks.empty()) {
        CloseCell(open); // a nested table after the row's last \cell
    }
    FinishRow(open, level);
}

Range TableBuilder::Finish()
{
    while (!m_levels.empty()) {
        CloseLevel();
    }
    return AppendBlocks(m_body);
}

// Gives the cells of the row being filled their widths and merges from the row's
// definition for this level.
void TableBuilder::FinishRow(TableLevel& open, std::size_t level)
{
    const std::size_t count = open.cells.size() - open.rowStart;
    if (count == 0) {
        return;
    }
    static const RowDefinition kNone;
    const RowDefinition& definition = level < m_definitions.size() ? m_definitions[level] : kNone;
    // Positions are kept within a range where a row of default-width cells cannot overflow.
    const std::int32_t left = std::clamp(definition.left, -kMaxPosition, kMaxPosition);
    std::int32_t edge = left;
    for (std::size_t i = 0; i < count; ++i) {
        PendingCell& cell = open.cells[open.rowStart + i];
        const CellDefinition fallback;
        const CellDefinition& def = i < definition.cells.size() ? definition.cells[i] : fallback;
        // Boundaries must grow from left to right; a missing or backward one is given a
        // default width.
        const std::int32_t defined = std::clamp(def.right, -kMaxPosition, kMaxPosition);
        cell.right = def.defined && defined > edge ? defined : edge + kDefaultCellWidth;
        cell.cell.width = cell.right - edge;
        edge = cell.right;
        cell.mergeNext = def.mergeNext && !def.mergeFirst && i > 0;
        cell.verticalFirst = def.verticalFirst;
        cell.verticalNext = def.verticalNext && !def.verticalFirst;
        cell.cell.alignment = def.alignment;
        cell.cell.shading = def.shading;
        std::copy(std::begin(def.borders), std::end(def.borders), cell.cell.borders);
    }
    open.rows.push_back(PendingRow{static_cast<std::uint32_t>(open.rowStart),
                                   static_cast<std::uint32_t>(count), left, definition.alignment});
    open.rowStart = open.cells.size();
}

void TableBuilder::CloseLevel()
{
    const std::size_t level = m_levels.size();
    {
        TableLevel& open = m_levels.back();
        if (!open.blocks.empty()) {
            CloseCell(open); // the body ended inside a cell
        }
        FinishRow(open, level);
    }
    TableLevel open = std::move(m_levels.back());
    m_levels.pop_back();
    m_budget.held -= open.cells.size() * sizeof(PendingCell);
    if (open.rows.empty()) {
        return;
    }
    Table table;
    table.depth = static_cast<std::uint8_t>(level);
    PlaceOnGrid(open, table);
    table.rows.first = static_cast<std::uint32_t>(m_doc.rows.size());
    for (const PendingRow& pendingRow : open.rows) {
        Row row;
        row.left = pendingRow.left;
        row.alignment = pendingRow.alignment;
        row.cells.first = static_cast<std::uint32_t>(m_doc.cells.size());
        row.cells.count = pendingRow.cellCount;
        for (std::uint32_t i = 0; i < pendingRow.cellCount; ++i) {
            m_doc.cells.push_back(open.cells[pendingRow.firstCell + i].cell);
        }
        m_doc.rows.push_back(row);
    }
    table.rows.count = static_cast<std::uint32_t>(open.rows.size());
    m_doc.tables.push_back(table);
    Container(level - 1).push_back(
        Block{BlockKind::Table, static_cast<std::uint32_t>(m_doc.tables.size() - 1)});
}

// Lines the rows up on one grid made of every cell boundary of the table, then resolves
// the merges: \clmrg widens the cell before it, \clvmrg lengthens the cell above.
void TableBuilder::PlaceOnGrid(TableLevel& open, Table& table)
{
    std::vector<std::int32_t> edges;
    for (const PendingRow& row : open.rows) {
        edges.push_back(row.left);
        for (std::uint32_t i = 0; i < row.cellCount; ++i) {
            edges.push_back(open.cells[row.firstCell + i].right);
        }
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    const bool byBoundary = edges.size() <= kMaxGridColumns + 1;
    std::size_t columns = 0;
    if (byBoundary) {
        columns = edges.size() - 1;
    } else {
        // Too many distinct boundaries for a grid: one column per cell position.
        for (const PendingRow& row : open.rows) {
            columns = std::max<std::size_t>(columns, row.cellCount);
        }
        edges.resize(columns + 1);
        for (std::size_t i = 0; i <= columns; ++i) {
            edges[i] = static_cast<std::int32_t>(i * kDefaultCellWidth);
        }
    }
    auto columnOf = [&](std::int32_t position) {
        return static_cast<std::size_t>(std::lower_bound(edges.begin(), edges.end(), position) -
                                        edges.begin());
    };
    // Per grid column, the cell (index into open.cells) a \clvmrg below would extend.
    std::vector<std::int64_t> above(columns, -1);
    for (const PendingRow& row : open.rows) {
        std::size_t start = byBoundary ? columnOf(row.left) : 0;
        std::int64_t previous = -1;
        for (std::uint32_t i = 0; i < row.cellCount; ++i) {
            const std::size_t index = row.firstCell + i;
            PendingCell& cell = open.cells[index];
            std::size_t end = byBoundary ? columnOf(cell.right) : start + 1;
            if (!byBoundary && i + 1 == row.cellCount) {
                end = columns;
            }
            end = std::max(end, start + 1);
            cell.cell.column = static_cast<std::uint16_t>(start);
            cell.cell.columnSpan = static_cast<std::uint16_t>(end - start);
            if (cell.mergeNext && previous >= 0) {
                PendingCell& first = open.cells[static_cast<std::size_t>(previous)];
                first.cell.columnSpan = static_cast<std::uint16_t>(end - first.cell.column);
                first.cell.width += cell.cell.width;
                cell.cell.covered = true;
            } else {
                previous = static_cast<std::int64_t>(index);
            }
            if (!cell.cell.covered && start < columns) {
                const std::int64_t owner = above[start];
                if (cell.verticalNext && owner >= 0 &&
                    open.cells[static_cast<std::size_t>(owner)].cell.columnSpan ==
                        cell.cell.columnSpan) {
                    ++open.cells[static_cast<std::size_t>(owner)].cell.rowSpan;
                    cell.cell.covered = true;
                } else {
                    above[start] = cell.verticalFirst ? static_cast<std::int64_t>(index) : -1;
                }
            }
            start = end;
        }
    }
    table.columns = static_cast<std::uint16_t>(columns);
    table.columnEdges.first = static_cast<std::uint32_t>(m_doc.columnEdges.size());
    table.columnEdges.count = static_cast<std::uint32_t>(edges.size());
    m_doc.columnEdges.insert(m_doc.columnEdges.end(), edges.begin(), edges.end());
}

Range TableBuilder::AppendBlocks(const std::vector<Block>& blocks)
{
    const Range range{static_cast<std::uint32_t>(m_doc.blocks.size()),
                      static_cast<std::uint32_t>(blocks.size())};
    m_doc.blocks.insert(m_doc.blocks.end(), blocks.begin(), blocks.end());
    return range;
}

} // namespace viewer::render::richtext

// The details pane's content: every field of an element as a row of text (label, value
// and, for most kinds, an explanation), and the column widths the pane keeps from one
// element to the next.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "dictionary/include/tagora.h"

namespace viewer::doc::model {
class ElementRef;
} // namespace viewer::doc::model

namespace viewer::doc::panes {

struct DetailsTable {
    std::vector<std::string> columns;            // headings: "Type", "Value", "Details"
    std::vector<std::vector<std::string>> rows;  // each as many cells as there are columns
};

// The table for an element: no columns for folders (and for no element). Property captions
// come from `dictionary`; 8-bit text values are decoded with `codePage`. Every cell is
// valid UTF-8 with control and invisible formatting characters escaped.
DetailsTable BuildDetailsTable(const model::ElementRef* element, TagoraHandle dictionary,
                               std::uint32_t codePage);

// The ten widths the pane stores, one per column position; column i of any kind uses
// width i, so a width set for one element carries over to the next.
class ColumnWidths {
public:
    static constexpr std::size_t kCount = 10;
    static constexpr int kInitialWidth = 100;

    ColumnWidths() { m_widths.fill(kInitialWidth); }

    int Width(std::size_t column) const { return column < kCount ? m_widths[column] : kInitialWidth; }
    // Saves the current widths of the columns about to be removed (column i at index i);
    // columns beyond the tenth are not kept.
    void Store(const std::vector<int>& current);
    void Set(std::size_t column, int width);

private:
    std::array<int, kCount> m_widths;
};

// What a details pane takes over from the details pane it replaces: the display mode, the
// element, and the current width of each of the previous pane's columns, which become its
// stored widths.
struct DetailsPaneState {
    ColumnWidths widths;
    model::ElementRef* element = nullptr;
    int displayMode = 0;

    void TakeOver(const DetailsPaneState& previous, const std::vector<int>& previousCurrentWidths);
};

} // namespace viewer::doc::panes

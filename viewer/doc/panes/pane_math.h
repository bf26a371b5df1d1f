// The scrolling arithmetic of the hex and text panes: which rows a clip box shows, the
// scroll sizes for a file of rows, the page size after a resize and the scroll keys. All
// in pixels, one logical unit a pixel, 64-bit so that tall files cannot wrap.
#pragma once

#include <cstdint>
#include <optional>

namespace viewer::doc::panes {

struct PaneSize {
    std::int64_t cx = 0;
    std::int64_t cy = 0;
    bool operator==(const PaneSize&) const = default;
};

struct PanePoint {
    std::int64_t x = 0;
    std::int64_t y = 0;
    bool operator==(const PanePoint&) const = default;
};

struct ScrollSizes {
    PaneSize total;
    PaneSize page;
    PaneSize line;
    bool operator==(const ScrollSizes&) const = default;
};

struct RowRange {
    std::uint64_t first = 0;
    std::uint64_t last = 0; // inclusive
    bool operator==(const RowRange&) const = default;
};

// Rows of `rowBytes` bytes needed for `size` bytes (the last one may be partial).
std::uint64_t RowCount(std::uint64_t size, std::uint32_t rowBytes);

// The rows a clip box from `top` to `bottom` (pixels from the top of the data) touches;
// none when there are no rows or the box lies below the last row.
std::optional<RowRange> VisibleRows(std::uint64_t top, std::uint64_t bottom,
                                    std::uint32_t rowHeight, std::uint64_t rowCount);

// Scroll sizes after loading `size` bytes: width 82 characters (0 for no data), a page of
// 10 rows, a line of one character and one row.
ScrollSizes ScrollSizesForData(std::uint64_t size, std::uint32_t rowBytes,
                               std::uint32_t charWidth, std::uint32_t rowHeight);

// The page after the client area became cx by cy: one character and one row less than
// fits, never less than one of each. A zero metric counts as 1.
PaneSize PageSizeOnResize(std::int64_t cx, std::int64_t cy, std::uint32_t charWidth,
                          std::uint32_t rowHeight);

enum class ScrollKey { PageUp, PageDown, Up, Down, Left, Right, Home, End };

// The scroll position after a key. The view still clamps it to its scroll range.
PanePoint ScrollForKey(ScrollKey key, PanePoint position, const ScrollSizes& sizes);

} // namespace viewer::doc::panes

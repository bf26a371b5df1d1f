// The scrolling arithmetic of the hex and text panes: which rows a clip box shows, the
// scroll sizes for a file of rows, the page size after a resize, the scroll keys, the
// mapping onto a scroll bar and the selection of whole rows. All in pixels, one logical
// unit a pixel, 64-bit so that tall files cannot wrap.
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

// Row r is drawn at y = r x row height + kRowMargin (and x = kRowMargin) of the data.
inline constexpr std::int64_t kRowMargin = 2;

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

// The rows of which at least one pixel lies in a view `height` pixels tall whose top is at
// `top` of the data (rows drawn kRowMargin lower); none when nothing is in view.
std::optional<RowRange> RowsInView(std::int64_t top, std::int64_t height, std::uint32_t rowHeight,
                                   std::uint64_t rowCount);

// The row under pixel `y` of the data, kept within the rows; 0 when there are none.
std::uint64_t RowAt(std::int64_t y, std::uint32_t rowHeight, std::uint64_t rowCount);

// A scroll bar holds an int; a tall pane's position does not fit (a 4 GiB element has 268
// million hex rows, some 4.5 billion pixels). Positions up to kLimit map one to one; a larger
// range maps onto 0..kLimit in proportion, so that both ends map exactly and the thumb
// follows every move.
class ScrollBarMap {
public:
    static constexpr int kLimit = 1 << 30;

    explicit ScrollBarMap(std::int64_t range = 0);

    std::int64_t Range() const { return m_range; }
    int Maximum() const { return m_maximum; }
    // The bar value for a position (clamped to the range), and back.
    int ToBar(std::int64_t position) const;
    std::int64_t FromBar(int value) const;
    // A distance in bar units, at least 1: the bar's steps and its thumb.
    int Length(std::int64_t pixels) const;

private:
    std::int64_t m_range = 0;
    int m_maximum = 0;
};

// Whole rows chosen with the mouse, from the row where the drag began to the row it is over.
// Copying reads every chosen row into memory, so a selection stops growing at kMaxRows.
class RowSelection {
public:
    static constexpr std::uint64_t kMaxRows = 65536;

    void Begin(std::uint64_t row);
    // Moves the end to `row`, at most kMaxRows - 1 rows from where the drag began.
    void Extend(std::uint64_t row);
    void Clear() { m_active = false; }

    bool Empty() const { return !m_active; }
    std::uint64_t First() const;
    std::uint64_t Last() const;
    std::uint64_t Count() const { return m_active ? Last() - First() + 1 : 0; }
    bool Contains(std::uint64_t row) const { return m_active && row >= First() && row <= Last(); }

private:
    bool m_active = false;
    std::uint64_t m_anchor = 0;
    std::uint64_t m_end = 0;
};

} // namespace viewer::doc::panes

#include "viewer/doc/panes/pane_math.h"

#include <algorithm>

namespace viewer::doc::panes {


namespace {

constexpr std::int64_t kRowWidthChars = 82;
constexpr std::int64_t kPageRows = 10;

} // namespace

std::uint64_t RowCount(std::uint64_t size, std::uint32_t rowBytes)
{
    if (rowBytes == 0) {
        return 0;
    }
    return size / rowBytes + (size % rowBytes != 0 ? 1 : 0);
}

std::optional<RowRange> VisibleRows(std::uint64_t top, std::uint64_t bottom,
                                    std::uint32_t rowHeight, std::uint64_t rowCount)
{
    if (rowCount == 0 || rowHeight == 0) {
        return std::nullopt;
    }
    const std::uint64_t first = top / rowHeight;
    const std::uint64_t last = std::min(rowCount - 1, bottom / rowHeight +
                                                          (bottom % rowHeight != 0 ? 1 : 0));
    if (first > last) {
        return std::nullopt;
    }
    return RowRange{first, last};
}

ScrollSizes ScrollSizesForData(std::uint64_t size, std::uint32_t rowBytes,
                               std::uint32_t charWidth, std::uint32_t rowHeight)
{
    const std::int64_t width = size > 0 ? kRowWidthChars : 0;
    const auto rows = static_cast<std::int64_t>(RowCount(size, rowBytes));
    ScrollSizes sizes;
    sizes.total = {width * charWidth, rows * rowHeight};
    sizes.page = {width * charWidth, kPageRows * rowHeight};
    sizes.line = {charWidth, rowHeight};
    return sizes;
}

PaneSize PageSizeOnResize(std::int64_t cx, std::int64_t cy, std::uint32_t charWidth,
                          std::uint32_t rowHeight)
{
    const std::int64_t w = charWidth == 0 ? 1 : charWidth;
    const std::int64_t h = rowHeight == 0 ? 1 : rowHeight;
    return {w * std::max<std::int64_t>(1, cx / w - 1), h * std::max<std::int64_t>(1, cy / h - 1)};
}

PanePoint ScrollForKey(ScrollKey key, PanePoint position, const ScrollSizes& sizes)
{
    const PaneSize& t = sizes.total;
    const PaneSize& p = sizes.page;
    const PaneSize& l = sizes.line;
    std::int64_t& x = position.x;
    std::int64_t& y = position.y;
    switch (key) {
    case ScrollKey::PageUp:
        if (y > 0) {
            y -= std::min(y, p.cy);
        }
        break;
    case ScrollKey::PageDown:
        if (t.cy > p.cy && t.cy > y + p.cy) {
            y += std::min(t.cy - y - p.cy, p.cy);
        }
        break;
    case ScrollKey::Up:
        if (y > 0) {
            y -= std::min(y, l.cy);
        }
        break;
    case ScrollKey::Down:
        if (t.cy > l.cy && t.cy > y + l.cy) {
            y += std::min(t.cy - y - l.cy, l.cy);
        }
        break;
    case ScrollKey::Left:
        if (x > 0) {
            x -= std::min(x, l.cx);
        }
        break;
    case ScrollKey::Right:
        if (t.cx > l.cx && t.cx > x + l.cx) {
            x += std::min(t.cx - x - l.cx, l.cx);
        }
        break;
    case ScrollKey::Home:
        y = 0;
        break;
    case ScrollKey::End:
        if (t.cy > p.cy && t.cy > y + p.cy) {
            y = std::max(y, t.cy - p.cy);
        }
        break;
    }
    return position;
}

} // namespace viewer::doc::panes

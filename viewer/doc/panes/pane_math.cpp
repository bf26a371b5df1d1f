#include "viewer/doc/panes/pane_math.h"

#include <algorithm>

namespace viewer::doc::panes {


namespace {

constexpr std::int64_t kRowWidthChars = 82;
constexpr std::int64_t kPageRows = 10;

// Products of a 64-bit position and a 30-bit bar value.
__extension__ typedef __int128 Wide;

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

std::optional<RowRange> RowsInView(std::int64_t top, std::int64_t height, std::uint32_t rowHeight,
                                   std::uint64_t rowCount)
{
    if (rowCount == 0 || rowHeight == 0 || height <= 0) {
        return std::nullopt;
    }
    // Pixels of the rows themselves, without the margin above the first.
    const std::int64_t from = std::max<std::int64_t>(0, top - kRowMargin);
    const std::int64_t to = top + height - 1 - kRowMargin;
    if (to < 0) {
        return std::nullopt;
    }
    const std::uint64_t first = static_cast<std::uint64_t>(from) / rowHeight;
    const std::uint64_t last = std::min(rowCount - 1, static_cast<std::uint64_t>(to) / rowHeight);
    if (first > last) {
        return std::nullopt;
    }
    return RowRange{first, last};
}

std::uint64_t RowAt(std::int64_t y, std::uint32_t rowHeight, std::uint64_t rowCount)
{
    if (rowCount == 0 || rowHeight == 0 || y <= kRowMargin) {
        return 0;
    }
    return std::min(rowCount - 1, static_cast<std::uint64_t>(y - kRowMargin) / rowHeight);
}

ScrollBarMap::ScrollBarMap(std::int64_t range)
    : m_range(std::max<std::int64_t>(0, range)),
      m_maximum(static_cast<int>(std::min<std::int64_t>(m_range, kLimit)))
{
}

int ScrollBarMap::ToBar(std::int64_t position) const
{
    position = std::clamp<std::int64_t>(position, 0, m_range);
    if (m_range <= kLimit) {
        return static_cast<int>(position);
    }
    return static_cast<int>(static_cast<Wide>(position) * m_maximum / m_range);
}

std::int64_t ScrollBarMap::FromBar(int value) const
{
    value = std::clamp(value, 0, m_maximum);
    if (m_range <= kLimit) {
        return value;
    }
    if (value == m_maximum) {
        return m_range;
    }
    // The first position that maps to this value, so that FromBar(ToBar(p)) <= p and a
    // value set from a position gives that value back.
    const Wide scaled = static_cast<Wide>(value) * m_range;
    return static_cast<std::int64_t>((scaled + m_maximum - 1) / m_maximum);
}

int ScrollBarMap::Length(std::int64_t pixels) const
{
    if (m_range <= kLimit) {
        return static_cast<int>(std::clamp<std::int64_t>(pixels, 1, kLimit));
    }
    const Wide scaled = static_cast<Wide>(std::max<std::int64_t>(pixels, 0)) * m_maximum / m_range;
    return static_cast<int>(std::clamp<Wide>(scaled, 1, kLimit));
}

void RowSelection::Begin(std::uint64_t row)
{
    m_active = true;
    m_anchor = row;
    m_end = row;
}

void RowSelection::Extend(std::uint64_t row)
{
    if (!m_active) {
        Begin(row);
        return;
    }
    constexpr std::uint64_t reach = kMaxRows - 1;
    if (row > m_anchor) {
        m_end = row - m_anchor > reach ? m_anchor + reach : row;
    } else {
        m_end = m_anchor - row > reach ? m_anchor - reach : row;
    }
}

std::uint64_t RowSelection::First() const
{
    return std::min(m_anchor, m_end);
}

std::uint64_t RowSelection::Last() const
{
    return std::max(m_anchor, m_end);
}

} // namespace viewer::doc::panes

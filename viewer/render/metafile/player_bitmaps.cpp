// StretchDIBits, DIBStretchBlt, DIBBitBlt and PatBlt. Bitmaps are decoded, cut to their
// source rectangle and given an alpha channel that stands for their raster operation.
#include <cmath>

#include "viewer/render/metafile/player_p.h"

namespace viewer::render::metafile {

using namespace wmf;
using bitmap::Image;
using bitmap::kOpaque;

namespace {

constexpr std::uint32_t kTransparentMask = 0x00FFFFFF;

// A ternary raster operation reads the source when its result depends on it: the truth
// table's columns for source 1 and source 0 differ.
bool UsesSource(std::uint32_t rop)
{
    const std::uint32_t index = (rop >> 16) & 0xFF;
    return ((index >> 2) & 0x33) != (index & 0x33);
}

// How a source bitmap shows over a white page: copied, inverted, as an AND mask (white
// leaves the page alone) or as an XOR or OR image (black leaves it alone).
enum class BlitMode { Copy, Invert, And, Xor };

BlitMode ModeOf(std::uint32_t rop)
{
    switch ((rop >> 16) & 0xFF) {
    case 0x33: // NOTSRCCOPY
    case 0x11: // NOTSRCERASE
        return BlitMode::Invert;
    case 0x88: // SRCAND
        return BlitMode::And;
    case 0x66: // SRCINVERT
    case 0xEE: // SRCPAINT
        return BlitMode::Xor;
    default:
        return BlitMode::Copy;
    }
}

std::uint32_t Apply(BlitMode mode, std::uint32_t pixel)
{
    if ((pixel & kOpaque) == 0) {
        return pixel; // skipped by run-length codes
    }
    const std::uint32_t rgb = pixel & kTransparentMask;
    switch (mode) {
    case BlitMode::Invert:
        return kOpaque | (rgb ^ 0xFFFFFF);
    case BlitMode::And:
        return rgb == 0xFFFFFF ? rgb : pixel;
    case BlitMode::Xor:
        return rgb == 0 ? rgb : pixel;
    default:
        return pixel;
    }
}

// A source span [start, start + extent) with a possibly negative extent, cut to [0, limit).
struct Span {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
    bool mirrored = false;
};

Span Cut(std::int64_t start, std::int64_t extent, std::uint32_t limit)
{
    Span s;
    s.mirrored = extent < 0;
    const std::int64_t from = std::max<std::int64_t>(s.mirrored ? start + extent : start, 0);
    const std::int64_t to = std::min<std::int64_t>(s.mirrored ? start : start + extent, limit);
    if (to > from) {
        s.first = static_cast<std::uint32_t>(from);
        s.count = static_cast<std::uint32_t>(to - from);
    }
    return s;
}

bool SamePlace(const RectD& a, const RectD& b)
{
    constexpr double kSlack = 1e-6;
    return std::fabs(a.left - b.left) < kSlack && std::fabs(a.top - b.top) < kSlack &&
           std::fabs(a.right - b.right) < kSlack && std::fabs(a.bottom - b.bottom) < kSlack;
}

} // namespace

// The rectangles of the bitmap records, stored height, width, y, x from word `at`.
void ReadSource(BlitRecord& b, const Params& p, std::size_t at)
{
    b.srcHeight = p.S16(at);
    b.srcWidth = p.S16(at + 1);
    b.srcY = p.S16(at + 2);
    b.srcX = p.S16(at + 3);
}

void ReadTarget(BlitRecord& b, const Params& p, std::size_t at)
{
    b.height = p.S16(at);
    b.width = p.S16(at + 1);
    b.y = p.S16(at + 2);
    b.x = p.S16(at + 3);
}

bool Player::BitmapRecord(std::uint16_t function, const Params& params)
{
    // Each starts with its RasterOperation (two words).
    BlitRecord b;
    if (params.Words() >= 2) {
        b.rop = params.U32(0);
    }
    switch (function) {
    case META_PATBLT:
        // Height, Width, YLeft, XLeft.
        if (params.Words() < 6) {
            return false;
        }
        ReadTarget(b, params, 2);
        break;
    case META_STRETCHDIB:
        // ColorUsage, the source and target rectangles, the DIB.
        if (params.Words() < 11) {
            return false;
        }
        b.use = params.U16(2) == DIB_PAL_COLORS ? bitmap::DibColourUse::PaletteIndices
                                                : bitmap::DibColourUse::Rgb;
        ReadSource(b, params, 3);
        b.srcFromBottom = true;
        ReadTarget(b, params, 7);
        b.dib = params.From(22);
        break;
    case META_DIBSTRETCHBLT:
        // The source and target rectangles and the DIB; without a bitmap a reserved word
        // lies between the rectangles and no DIB comes.
        if (params.Words() < 11) {
            return false;
        }
        ReadSource(b, params, 2);
        if (params.Words() == 11) {
            ReadTarget(b, params, 7);
        } else {
            ReadTarget(b, params, 6);
            b.dib = params.From(20);
        }
        break;
    default:
        // DIBBitBlt: YSrc, XSrc, then the target (its size is the source's) and the DIB;
        // without a bitmap a reserved word follows XSrc and no DIB comes.
        if (params.Words() < 9) {
            return false;
        }
        b.srcY = params.S16(2);
        b.srcX = params.S16(3);
        ReadTarget(b, params, params.Words() == 9 ? 5 : 4);
        b.srcWidth = b.width;
        b.srcHeight = b.height;
        if (params.Words() > 9) {
            b.dib = params.From(16);
        }
        break;
    }
    return DoBlit(b);
}

bool Player::DoBlit(const BlitRecord& b)
{
    const Mapping m = m_state.CurrentMapping();
    const PointD p0 = m.Map(b.x, b.y);
    const PointD p1 = m.Map(double(b.x) + b.width, double(b.y) + b.height);
    const RectD target = RectFromCorners(p0, p1);

    if (b.dib.empty() || !UsesSource(b.rop)) {
        FlushPendingMask();
        if (target.Empty()) {
            return true;
        }
        if (b.rop == BLACKNESS || b.rop == WHITENESS) {
            FillRect(target,
                     Fill{b.rop == BLACKNESS ? 0u : 0xFFFFFFu, Fill::Hatch::None, std::nullopt});
        } else if (b.rop == PATCOPY) {
            if (const auto fill = CurrentFill()) {
                FillRect(target, *fill);
            }
        }
        return true;
    }

    const std::span<const std::uint32_t> palette =
        m_state.palette ? std::span<const std::uint32_t>(*m_state.palette)
                        : std::span<const std::uint32_t>{};
    bitmap::DibInfo info;
    const platform::StatusCode read = bitmap::ReadDibInfo(b.dib, b.use, palette, info);
    if (read < 0) {
        return read != platform::E_FAIL; // too large or not a format we draw: left out
    }
    const std::uint64_t pixels =
        std::uint64_t{static_cast<std::uint32_t>(info.width)} * info.AbsHeight();
    if (pixels > kMaxPicturePixels - m_pixels) {
        m_stopped = true;
        return true;
    }
    m_pixels += pixels;
    Image decoded;
    if (const platform::StatusCode status = bitmap::DecodeDib(b.dib, info, decoded); platform::Failed(status)) {
        return status != platform::E_FAIL;
    }

    // StretchDIBits counts the source rows of a bottom-up bitmap from its bottom; the blit
    // records read the bitmap as a device context does, from the top.
    const bool fromBottom = b.srcFromBottom && info.height > 0;
    const std::int64_t top =
        fromBottom ? std::int64_t(decoded.height) - b.srcY - b.srcHeight : b.srcY;
    const Span xs = Cut(b.srcX, b.srcWidth, decoded.width);
    const Span ys = fromBottom ? Cut(top, b.srcHeight, decoded.height)
                               : Cut(b.srcY, b.srcHeight, decoded.height);
    if (xs.count == 0 || ys.count == 0 || target.Empty()) {
        return true;
    }
    const bool mirrorX = xs.mirrored != (p1.x < p0.x);
    const bool mirrorY = ys.mirrored != (p1.y < p0.y);
    const BlitMode mode = ModeOf(b.rop);
    const bool smooth = m_state.stretchMode == HALFTONE;
    auto image = std::make_shared<Image>();
    image->width = xs.count;
    image->height = ys.count;
    image->pixels.resize(std::size_t{xs.count} * ys.count);
    for (std::uint32_t y = 0; y < ys.count; ++y) {
        const std::uint32_t sy = ys.first + (mirrorY ? ys.count - 1 - y : y);
        for (std::uint32_t x = 0; x < xs.count; ++x) {
            const std::uint32_t sx = xs.first + (mirrorX ? xs.count - 1 - x : x);
            image->pixels[std::size_t{y} * xs.count + x] =
                Apply(mode, decoded.pixels[std::size_t{sy} * decoded.width + sx]);
        }
    }

    // An icon is drawn as an AND mask and then an XOR image on the same place: together
    // they make one picture whose mask's white is transparent where the image is black.
    if (mode == BlitMode::Xor && m_pendingMask && SamePlace(m_pendingMask->target, target) &&
        m_pendingMask->image->width == image->width &&
        m_pendingMask->image->height == image->height) {
        const auto& mask = m_pendingMask->image->pixels;
        for (std::size_t i = 0; i < image->pixels.size(); ++i) {
            if ((mask[i] & kOpaque) != 0) {
                image->pixels[i] |= kOpaque;
            }
        }
        m_pendingMask.reset();
    } else {
        FlushPendingMask();
        if (mode == BlitMode::And) {
            m_pendingMask = PendingMask{std::move(image), target, smooth};
            return true;
        }
    }
    Emit(ImageStep{target, std::move(image), smooth}, target);
    return true;
}

void Player::FlushPendingMask()
{
    if (m_pendingMask) {
        PendingMask pending = std::move(*m_pendingMask);
        m_pendingMask.reset();
        Emit(ImageStep{pending.target, std::move(pending.image), pending.smooth}, pending.target);
    }
}

} // namespace viewer::render::metafile

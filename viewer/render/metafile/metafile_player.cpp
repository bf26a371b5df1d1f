#include "viewer/render/metafile/metafile_player.h"

#include <algorithm>
#include <cmath>

#include "format/little_endian.h"
#include "viewer/render/metafile/player_p.h"

namespace viewer::render::metafile {

using format::LoadLe16;
using format::LoadLe32;
using platform::E_FAIL;
using platform::S_OK;
using platform::StatusCode;
using namespace wmf;

namespace {

// The placeable header ([MS-WMF] 2.3.2.3): Key (4), HWmf (2), BoundingBox (4 x 16-bit:
// left, top, right, bottom), Inch (2), Reserved (4), Checksum (2).
constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kOffBox = 6;
constexpr std::size_t kOffInch = 14;
// The standard header ([MS-WMF] 2.3.2.2): Type (2), HeaderSize (2, in words: 9),
// Version (2), Size (4, in words), NumberOfObjects (2), MaxRecord (4), NumberOfMembers (2).
constexpr std::size_t kHeaderSize = 18;
constexpr std::size_t kOffHeaderWords = 2;
constexpr std::size_t kOffSizeWords = 6;
constexpr std::size_t kOffObjects = 10;
// A record: Size (4, in words, the header included), Function (2), parameters.
constexpr std::size_t kRecordHeader = 6;

// Device contexts keep a bounded stack; deeper SaveDC calls are ignored.
constexpr std::size_t kMaxSavedStates = 64;
// A clip region is a union of at most this many rectangles; an exclusion that would need
// more leaves the region as it was.
constexpr std::size_t kMaxRegionRects = 64;
constexpr std::size_t kMaxClipRectsTotal = std::size_t{1} << 16;
// Object indices are 16-bit.
constexpr std::size_t kMaxObjects = 0xFFFF;

// The reach of a clip region that nothing has bounded yet.
constexpr double kUnbounded = 1e9;

std::int16_t S16At(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return static_cast<std::int16_t>(LoadLe16(bytes.data() + offset));
}

std::vector<RectD> Subtract(const RectD& r, const RectD& e)
{
    if (e.left >= r.right || e.right <= r.left || e.top >= r.bottom || e.bottom <= r.top) {
        return {r};
    }
    std::vector<RectD> pieces;
    auto add = [&](RectD piece) {
        if (!piece.Empty()) {
            pieces.push_back(piece);
        }
    };
    const double top = std::max(r.top, e.top);
    const double bottom = std::min(r.bottom, e.bottom);
    add({r.left, r.top, r.right, e.top});
    add({r.left, e.bottom, r.right, r.bottom});
    add({r.left, top, e.left, bottom});
    add({e.right, top, r.right, bottom});
    return pieces;
}

} // namespace

std::int16_t Params::S16(std::size_t word) const
{
    return S16At(m_bytes, 2 * word);
}
std::uint16_t Params::U16(std::size_t word) const
{
    return LoadLe16(m_bytes.data() + 2 * word);
}
std::uint32_t Params::U32(std::size_t word) const
{
    return LoadLe32(m_bytes.data() + 2 * word);
}
std::span<const std::uint8_t> Params::From(std::size_t byte) const
{
    return byte < m_bytes.size() ? m_bytes.subspan(byte) : std::span<const std::uint8_t>{};
}

RectD RectFromCorners(PointD a, PointD b)
{
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

RectD Union(const RectD& a, const RectD& b)
{
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

// Metric modes map to pixels of a 96-dpi screen with y growing upwards; the isotropic and
// anisotropic modes map the window onto the viewport. A metafile that never sets the
// viewport extent is played as its reader plays it, with the viewport the window's size,
// so a picture keeps its own units and a negative window extent still turns it over.
Mapping DcState::CurrentMapping() const
{
    Mapping m;
    double metric = 0;
    switch (mapMode) {
    case MM_LOMETRIC:
        metric = 96.0 / 254;
        break;
    case MM_HIMETRIC:
        metric = 96.0 / 2540;
        break;
    case MM_LOENGLISH:
        metric = 96.0 / 100;
        break;
    case MM_HIENGLISH:
        metric = 96.0 / 1000;
        break;
    case MM_TWIPS:
        metric = 96.0 / 1440;
        break;
    case MM_ISOTROPIC:
    case MM_ANISOTROPIC: {
        auto scale = [](double window, double viewport, bool viewportSet) {
            if (window == 0) {
                return 1.0;
            }
            const double target = viewportSet && viewport != 0 ? viewport : std::fabs(window);
            return target / window;
        };
        m.sx = scale(windowExt.x, viewportExt.x, viewportExtSet);
        m.sy = scale(windowExt.y, viewportExt.y, viewportExtSet);
        if (mapMode == MM_ISOTROPIC) {
            const double common = std::min(std::fabs(m.sx), std::fabs(m.sy));
            m.sx = std::copysign(common, m.sx);
            m.sy = std::copysign(common, m.sy);
        }
        break;
    }
    default:
        break;
    }
    if (metric != 0) {
        m.sx = metric;
        m.sy = -metric;
    }
    m.ox = viewportOrg.x - windowOrg.x * m.sx;
    m.oy = viewportOrg.y - windowOrg.y * m.sy;
    return m;
}

Player::Player(Picture& picture) : m_picture(picture) {}

bool Player::Record(std::uint16_t function, const Params& params)
{
    switch (function) {
    case META_SAVEDC:
    case META_RESTOREDC:
    case META_SETMAPMODE:
    case META_SETWINDOWORG:
    case META_SETWINDOWEXT:
    case META_SETVIEWPORTORG:
    case META_SETVIEWPORTEXT:
    case META_OFFSETWINDOWORG:
    case META_OFFSETVIEWPORTORG:
    case META_SCALEWINDOWEXT:
    case META_SCALEVIEWPORTEXT:
    case META_SETBKMODE:
    case META_SETTEXTALIGN:
    case META_SETROP2:
    case META_SETPOLYFILLMODE:
    case META_SETSTRETCHBLTMODE:
    case META_SETBKCOLOR:
    case META_SETTEXTCOLOR:
    case META_MOVETO:
        return StateRecord(function, params);
    case META_CREATEPENINDIRECT:
    case META_CREATEBRUSHINDIRECT:
    case META_CREATEFONTINDIRECT:
    case META_CREATEPALETTE:
    case META_CREATEPATTERNBRUSH:
    case META_DIBCREATEPATTERNBRUSH:
    case META_CREATEREGION:
    case META_SELECTOBJECT:
    case META_SELECTPALETTE:
    case META_DELETEOBJECT:
        return ObjectRecord(function, params);
    case META_INTERSECTCLIPRECT:
    case META_EXCLUDECLIPRECT:
    case META_OFFSETCLIPRGN:
    case META_SELECTCLIPREGION:
        return ClipRecord(function, params);
    case META_LINETO:
    case META_RECTANGLE:
    case META_ROUNDRECT:
    case META_ELLIPSE:
    case META_ARC:
    case META_PIE:
    case META_CHORD:
    case META_POLYGON:
    case META_POLYLINE:
    case META_POLYPOLYGON:
        FlushPendingMask();
        return ShapeRecord(function, params);
    case META_TEXTOUT:
    case META_EXTTEXTOUT:
        FlushPendingMask();
        return TextRecord(function, params);
    case META_STRETCHDIB:
    case META_DIBSTRETCHBLT:
    case META_DIBBITBLT:
    case META_PATBLT:
        return BitmapRecord(function, params);
    default:
        // Escapes and records no attachment rendering uses.
        return true;
    }
}

bool Player::StateRecord(std::uint16_t function, const Params& params)
{
    DcState& s = m_state;
    if (function == META_SAVEDC) {
        if (m_saved.size() < kMaxSavedStates) {
            m_saved.push_back(s);
        }
        return true;
    }
    if (params.Words() < 1) {
        return false;
    }
    // Two coordinates, stored y first.
    const bool pair = params.Words() >= 2;
    const PointD yx = pair ? PointD{double(params.S16(1)), double(params.S16(0))} : PointD{};
    switch (function) {
    case META_RESTOREDC: {
        // Negative: relative to the last save; positive: the n-th save counted from the first.
        const std::int64_t n = params.S16(0);
        const std::int64_t target = n < 0 ? std::int64_t(m_saved.size()) + n : n - 1;
        if (n != 0 && target >= 0 && target < std::int64_t(m_saved.size())) {
            s = m_saved[static_cast<std::size_t>(target)];
            m_saved.resize(static_cast<std::size_t>(target));
        }
        return true;
    }
    case META_SETMAPMODE:
        s.mapMode = params.U16(0);
        return true;
    case META_SETBKMODE:
        s.bkMode = params.U16(0);
        return true;
    case META_SETTEXTALIGN:
        s.textAlign = params.U16(0);
        return true;
    case META_SETROP2:
        s.rop2 = params.U16(0);
        return true;
    case META_SETSTRETCHBLTMODE:
        s.stretchMode = params.U16(0);
        return true;
    case META_SETPOLYFILLMODE:
        s.fillRule = params.U16(0) == WINDING ? FillRule::NonZero : FillRule::EvenOdd;
        return true;
    default:
        break;
    }
    if (!pair) {
        return false;
    }
    switch (function) {
    case META_SETBKCOLOR:
        s.bkColour = Colour(params.U32(0));
        break;
    case META_SETTEXTCOLOR:
        s.textColour = Colour(params.U32(0));
        break;
    case META_SETWINDOWORG:
        s.windowOrg = yx;
        break;
    case META_SETWINDOWEXT:
        s.windowExt = yx;
        s.windowExtSet = true;
        break;
    case META_SETVIEWPORTORG:
        s.viewportOrg = yx;
        break;
    case META_SETVIEWPORTEXT:
        s.viewportExt = yx;
        s.viewportExtSet = true;
        break;
    case META_OFFSETWINDOWORG:
        s.windowOrg = {s.windowOrg.x + yx.x, s.windowOrg.y + yx.y};
        break;
    case META_OFFSETVIEWPORTORG:
        s.viewportOrg = {s.viewportOrg.x + yx.x, s.viewportOrg.y + yx.y};
        break;
    case META_MOVETO:
        s.position = yx;
        break;
    case META_SCALEWINDOWEXT:
    case META_SCALEVIEWPORTEXT: {
        // yDenom, yNum, xDenom, xNum; a zero denominator leaves the extent alone.
        if (params.Words() < 4) {
            return false;
        }
        PointD& ext = function == META_SCALEWINDOWEXT ? s.windowExt : s.viewportExt;
        if (params.S16(2) != 0 && params.S16(0) != 0) {
            ext = {ext.x * params.S16(3) / params.S16(2), ext.y * params.S16(1) / params.S16(0)};
        }
        if (function == META_SCALEVIEWPORTEXT) {
            s.viewportExtSet = true;
        }
        break;
    }
    default:
        break;
    }
    return true;
}

// A COLORREF: red, green, blue and a flags byte; flags 1 names an entry of the selected
// palette by the low 16 bits.
std::uint32_t Player::Colour(std::uint32_t colorRef) const
{
    if ((colorRef >> 24) == 0x01) {
        const std::uint32_t index = colorRef & 0xFFFF;
        return m_state.palette && index < m_state.palette->size() ? (*m_state.palette)[index] : 0;
    }
    return ((colorRef & 0xFF) << 16) | (colorRef & 0xFF00) | ((colorRef >> 16) & 0xFF);
}

int Player::AddObject(GdiObject object)
{
    // Each new object takes the lowest free index, as the reader's object table does.
    for (std::size_t i = 0; i < m_objects.size(); ++i) {
        if (std::holds_alternative<std::monostate>(m_objects[i])) {
            m_objects[i] = std::move(object);
            return static_cast<int>(i);
        }
    }
    if (m_objects.size() >= kMaxObjects) {
        return -1;
    }
    m_objects.push_back(std::move(object));
    return static_cast<int>(m_objects.size() - 1);
}

void Player::Select(std::uint16_t index)
{
    if (index >= m_objects.size()) {
        return;
    }
    const GdiObject& object = m_objects[index];
    if (const auto* pen = std::get_if<PenSpec>(&object)) {
        m_state.pen = *pen;
    } else if (const auto* brush = std::get_if<BrushSpec>(&object)) {
        m_state.brush = *brush;
    } else if (const auto* font = std::get_if<FontSpec>(&object)) {
        m_state.font = *font;
    }
}

bool Player::ObjectRecord(std::uint16_t function, const Params& params)
{
    switch (function) {
    case META_CREATEPENINDIRECT:
        // PenStyle (2), Width as a PointS (x, y), ColorRef (4).
        if (params.Words() < 5) {
            return false;
        }
        AddObject(PenSpec{params.U16(0), params.S16(1), Colour(params.U32(3))});
        return true;
    case META_CREATEBRUSHINDIRECT:
        // BrushStyle (2), ColorRef (4), BrushHatch (2).
        if (params.Words() < 4) {
            return false;
        }
        AddObject(BrushSpec{params.U16(0), Colour(params.U32(1)), params.U16(3)});
        return true;
    case META_CREATEFONTINDIRECT: {
        // Height, Width, Escapement, Orientation, Weight (2 each), Italic, Underline,
        // StrikeOut, CharSet, OutPrecision, ClipPrecision, Quality, PitchAndFamily (1 each),
        // then up to 32 bytes of face name ending in a zero.
        constexpr std::size_t kFixed = 18;
        constexpr std::size_t kFaceBytes = 32;
        if (params.Bytes() < kFixed) {
            return false;
        }
        const auto bytes = params.From(0);
        FontSpec font;
        font.height = params.S16(0);
        font.escapement = params.S16(2);
        font.weight = params.S16(4);
        font.italic = bytes[10] != 0;
        font.underline = bytes[11] != 0;
        font.strikeOut = bytes[12] != 0;
        font.charset = bytes[13];
        const auto face = params.From(kFixed).first(std::min(kFaceBytes, params.Bytes() - kFixed));
        const auto end = std::find(face.begin(), face.end(), std::uint8_t{0});
        font.face.assign(face.begin(), end);
        AddObject(std::move(font));
        return true;
    }
    case META_CREATEPALETTE: {
        // Start (2), NumberOfEntries (2), then red, green, blue and flags per entry.
        if (params.Words() < 2 || params.U16(1) > (params.Bytes() - 4) / 4) {
            return false;
        }
        auto colours = std::make_shared<std::vector<std::uint32_t>>();
        const auto entries = params.From(4);
        for (std::size_t i = 0; i < params.U16(1); ++i) {
            const std::uint8_t* e = entries.data() + 4 * i;
            colours->push_back(bitmap::RgbFromBgr(e[2], e[1], e[0]));
        }
        AddObject(PaletteColours(std::move(colours)));
        return true;
    }
    case META_DIBCREATEPATTERNBRUSH: {
        // Style (2), ColorUsage (2), then the pattern as a DIB. Patterns are drawn as their
        // average colour.
        if (params.Words() < 2) {
            return false;
        }
        BrushSpec brush{BS_SOLID, 0x808080, 0};
        const auto use = params.U16(1) == DIB_PAL_COLORS ? bitmap::DibColourUse::PaletteIndices
                                                         : bitmap::DibColourUse::Rgb;
        const std::span<const std::uint32_t> palette =
            m_state.palette ? std::span<const std::uint32_t>(*m_state.palette)
                            : std::span<const std::uint32_t>{};
        bitmap::DibInfo info;
        bitmap::Image image;
        if (params.U16(0) != BS_PATTERN &&
            bitmap::ReadDibInfo(params.From(4), use, palette, info) >= 0 &&
            std::uint64_t{info.AbsHeight()} * static_cast<std::uint32_t>(info.width) <= 4096 &&
            bitmap::DecodeDib(params.From(4), info, image) >= 0) {
            std::uint64_t sum[3] = {0, 0, 0};
            for (std::uint32_t p : image.pixels) {
                sum[0] += (p >> 16) & 0xFF;
                sum[1] += (p >> 8) & 0xFF;
                sum[2] += p & 0xFF;
            }
            const std::uint64_t n = image.pixels.size();
            brush.colour =
                static_cast<std::uint32_t>((sum[0] / n) << 16 | (sum[1] / n) << 8 | sum[2] / n);
        }
        AddObject(brush);
        return true;
    }
    case META_CREATEPATTERNBRUSH:
        AddObject(BrushSpec{BS_SOLID, 0x808080, 0});
        return true;
    case META_CREATEREGION:
        AddObject(OtherObject{});
        return true;
    default:
        break;
    }
    if (params.Words() < 1) {
        return false;
    }
    const std::uint16_t index = params.U16(0);
    if (function == META_SELECTOBJECT) {
        Select(index);
    } else if (function == META_SELECTPALETTE) {
        if (index < m_objects.size()) {
            if (const auto* palette = std::get_if<PaletteColours>(&m_objects[index])) {
                m_state.palette = *palette;
            }
        }
    } else if (index < m_objects.size()) {
        // The selected copies stay in the device context, as GDI keeps a selected object.
        m_objects[index] = std::monostate{};
    }
    return true;
}

void Player::SetClip(std::vector<RectD> rects)
{
    if (rects.size() <= kMaxRegionRects) {
        m_state.clip = std::make_shared<const std::vector<RectD>>(std::move(rects));
    }
}

bool Player::ClipRecord(std::uint16_t function, const Params& params)
{
    if (function == META_SELECTCLIPREGION) {
        // Regions are not kept: selecting one lifts the clip rather than hide the picture.
        m_state.clip.reset();
        return true;
    }
    const Mapping m = m_state.CurrentMapping();
    if (function == META_OFFSETCLIPRGN) {
        if (params.Words() < 2) {
            return false;
        }
        if (m_state.clip) {
            const double dx = params.S16(1) * m.sx;
            const double dy = params.S16(0) * m.sy;
            std::vector<RectD> moved = *m_state.clip;
            for (RectD& r : moved) {
                r = {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
            }
            SetClip(std::move(moved));
        }
        return true;
    }
    // Bottom, Right, Top, Left.
    if (params.Words() < 4) {
        return false;
    }
    const RectD r =
        RectFromCorners(m.Map(params.S16(3), params.S16(2)), m.Map(params.S16(1), params.S16(0)));
    const std::vector<RectD> current =
        m_state.clip ? *m_state.clip
                     : std::vector<RectD>{{-kUnbounded, -kUnbounded, kUnbounded, kUnbounded}};
    std::vector<RectD> next;
    for (const RectD& c : current) {
        if (function == META_INTERSECTCLIPRECT) {
            const RectD i{std::max(c.left, r.left), std::max(c.top, r.top),
                          std::min(c.right, r.right), std::min(c.bottom, r.bottom)};
            if (!i.Empty()) {
                next.push_back(i);
            }
        } else {
            for (const RectD& piece : Subtract(c, r)) {
                next.push_back(piece);
            }
        }
    }
    SetClip(std::move(next));
    return true;
}

void Player::NoteFirstDrawing()
{
    if (m_drawn) {
        return;
    }
    m_drawn = true;
    m_firstMapping = m_state.CurrentMapping();
    if (m_state.windowExtSet) {
        const PointD& o = m_state.windowOrg;
        const PointD& e = m_state.windowExt;
        m_windowFrame =
            RectFromCorners(m_firstMapping.Map(o.x, o.y), m_firstMapping.Map(o.x + e.x, o.y + e.y));
    }
}

void Player::Emit(Step::What what, const RectD& extent)
{
    m_openLine.reset();
    if (m_stopped) {
        return;
    }
    if (m_picture.steps.size() >= kMaxSteps) {
        m_stopped = true;
        return;
    }
    NoteFirstDrawing();
    std::int32_t clip = -1;
    if (m_state.clip) {
        if (m_state.clip != m_emittedClip) {
            if (m_state.clip->size() > kMaxClipRectsTotal - m_clipRectsTotal) {
                m_stopped = true;
                return;
            }
            m_clipRectsTotal += m_state.clip->size();
            m_picture.clips.push_back({*m_state.clip});
            m_emittedClip = m_state.clip;
            m_emittedClipIndex = static_cast<std::int32_t>(m_picture.clips.size() - 1);
        }
        clip = m_emittedClipIndex;
    }
    m_picture.steps.push_back({std::move(what), clip});
    m_drawnBox = m_drawnBox ? Union(*m_drawnBox, extent) : extent;
}

void Player::Finish(const std::optional<RectD>& placeableBox)
{
    FlushPendingMask();
    const Mapping m = m_drawn ? m_firstMapping : m_state.CurrentMapping();
    if (placeableBox) {
        m_picture.bounds = RectFromCorners(m.Map(placeableBox->left, placeableBox->top),
                                           m.Map(placeableBox->right, placeableBox->bottom));
    } else if (m_windowFrame) {
        m_picture.bounds = *m_windowFrame;
    } else if (m_drawnBox) {
        m_picture.bounds = *m_drawnBox;
    } else if (m_state.windowExtSet) {
        const PointD& o = m_state.windowOrg;
        const PointD& e = m_state.windowExt;
        m_picture.bounds = RectFromCorners(m.Map(o.x, o.y), m.Map(o.x + e.x, o.y + e.y));
    }
}

StatusCode ReadMetafileLayout(std::span<const std::uint8_t> bytes, MetafileLayout& layout)
{
    MetafileLayout read;
    std::uint32_t key = 0;
    if (format::LoadLe32At(bytes, 0, key) && key == kPlaceableKey) {
        if (bytes.size() < kPlaceableSize) {
            return E_FAIL;
        }
        read.placeable = true;
        read.placeableBox = {double(S16At(bytes, kOffBox)), double(S16At(bytes, kOffBox + 2)),
                             double(S16At(bytes, kOffBox + 4)), double(S16At(bytes, kOffBox + 6))};
        read.unitsPerInch = LoadLe16(bytes.data() + kOffInch);
        read.headerOffset = kPlaceableSize;
    }
    const auto standard = bytes.subspan(read.headerOffset);
    if (standard.size() < kHeaderSize) {
        return E_FAIL;
    }
    const std::uint16_t type = LoadLe16(standard.data());
    if ((type != 1 && type != 2) ||
        LoadLe16(standard.data() + kOffHeaderWords) != kHeaderSize / 2) {
        return E_FAIL;
    }
    const std::uint64_t declared = std::uint64_t{LoadLe32(standard.data() + kOffSizeWords)} * 2;
    read.size = static_cast<std::size_t>(std::min<std::uint64_t>(declared, standard.size()));
    read.objects = LoadLe16(standard.data() + kOffObjects);
    layout = read;
    return S_OK;
}

StatusCode PlayMetafile(std::span<const std::uint8_t> bytes, Picture& picture)
{
    MetafileLayout layout;
    if (const StatusCode status = ReadMetafileLayout(bytes, layout); platform::Failed(status)) {
        picture = {};
        return status;
    }
    Picture out;
    if (layout.placeable && layout.unitsPerInch != 0) {
        out.unitsPerInch = layout.unitsPerInch;
    }
    // Writers that leave the size at 0 are played to the end of the bytes.
    auto body = bytes.subspan(layout.headerOffset);
    if (layout.size >= kHeaderSize) {
        body = body.first(layout.size);
    }
    Player player(out);
    std::size_t pos = kHeaderSize;
    while (!player.Stopped()) {
        if (body.size() - pos < kRecordHeader) {
            out.damaged = out.damaged || body.size() != pos;
            break;
        }
        const std::uint32_t words = LoadLe32(body.data() + pos);
        const std::uint16_t function = LoadLe16(body.data() + pos + 4);
        if (function == META_EOF) {
            break;
        }
        if (words < kRecordHeader / 2 || words > (body.size() - pos) / 2) {
            out.damaged = true;
            break;
        }
        const std::size_t recordBytes = std::size_t{words} * 2;
        if (!player.Record(
                function, Params(body.subspan(pos + kRecordHeader, recordBytes - kRecordHeader)))) {
            out.damaged = true;
            break;
        }
        pos += recordBytes;
    }
    player.Finish(layout.placeable ? std::optional<RectD>(layout.placeableBox) : std::nullopt);
    out.damaged = out.damaged || player.Stopped();
    picture = std::move(out);
    return S_OK;
}

} // namespace viewer::render::metafile

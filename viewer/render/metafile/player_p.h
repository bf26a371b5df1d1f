// The player's device context: the objects, the state that SaveDC keeps, the mapping from
// logical coordinates to picture units, and the record handlers that turn calls into steps.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "viewer/render/bitmap/dib.h"
#include "viewer/render/metafile/metafile_player.h"
#include "viewer/render/metafile/picture.h"
#include "viewer/render/metafile/wmf_records.h"

namespace viewer::render::metafile {

// The parameters of one record, read as 16-bit words. Handlers check Words() first.
class Params {
public:
    explicit Params(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    std::size_t Words() const { return m_bytes.size() / 2; }
    std::size_t Bytes() const { return m_bytes.size(); }
    std::int16_t S16(std::size_t word) const;
    std::uint16_t U16(std::size_t word) const;
    std::uint32_t U32(std::size_t word) const; // two words, low first
    std::span<const std::uint8_t> From(std::size_t byte) const;

private:
    std::span<const std::uint8_t> m_bytes;
};

struct PenSpec {
    std::uint16_t style = 0;
    std::int16_t width = 0; // logical units; 0 draws one device pixel
    std::uint32_t colour = 0;
};

struct BrushSpec {
    std::uint16_t style = wmf::BS_SOLID;
    std::uint32_t colour = 0xFFFFFF;
    std::uint16_t hatch = 0;
};

struct FontSpec {
    std::int16_t height = 0;
    std::int16_t escapement = 0;
    std::int16_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint8_t charset = 0;
    std::string face; // bytes in the font's character set
};

using PaletteColours = std::shared_ptr<const std::vector<std::uint32_t>>;

struct OtherObject {}; // regions and bitmaps: they take a slot, nothing draws with them

using GdiObject =
    std::variant<std::monostate, PenSpec, BrushSpec, FontSpec, PaletteColours, OtherObject>;

// Logical to picture units: p' = p * scale + offset on each axis.
struct Mapping {
    double sx = 1;
    double sy = 1;
    double ox = 0;
    double oy = 0;
    PointD Map(double x, double y) const { return {x * sx + ox, y * sy + oy}; }
};

using ClipRects = std::shared_ptr<const std::vector<RectD>>; // null: nothing clipped

struct DcState {
    std::uint16_t mapMode = wmf::MM_TEXT;
    PointD windowOrg;
    PointD windowExt{1, 1};
    PointD viewportOrg;
    PointD viewportExt{1, 1};
    bool windowExtSet = false;
    bool viewportExtSet = false;
    PointD position; // logical
    PenSpec pen;
    BrushSpec brush;
    FontSpec font;
    PaletteColours palette;
    std::uint32_t textColour = 0;
    std::uint32_t bkColour = 0xFFFFFF;
    std::uint16_t bkMode = wmf::OPAQUE;
    std::uint16_t textAlign = 0;
    std::uint16_t rop2 = wmf::R2_COPYPEN;
    std::uint16_t stretchMode = 1;
    FillRule fillRule = FillRule::EvenOdd;
    ClipRects clip;

    Mapping CurrentMapping() const;
};

// What a bitmap record asks for, in logical units; the source rectangle in the bitmap's
// pixels.
struct BlitRecord {
    std::uint32_t rop = 0;
    std::span<const std::uint8_t> dib; // empty: no bitmap
    bitmap::DibColourUse use = bitmap::DibColourUse::Rgb;
    std::int16_t srcX = 0, srcY = 0, srcWidth = 0, srcHeight = 0;
    // StretchDIBits counts the source rows of a bottom-up bitmap from its bottom.
    bool srcFromBottom = false;
    std::int16_t x = 0, y = 0, width = 0, height = 0;
};

class Player {
public:
    explicit Player(Picture& picture);

    // Plays one record; false when it is damaged and the picture ends.
    bool Record(std::uint16_t function, const Params& params);
    // Emits what is still pending and works out the bounds.
    void Finish(const std::optional<RectD>& placeableBox);
    bool Stopped() const { return m_stopped; }

private:
    // ---- state and objects (metafile_player.cpp)
    bool StateRecord(std::uint16_t function, const Params& params);
    bool ObjectRecord(std::uint16_t function, const Params& params);
    int AddObject(GdiObject object);
    void Select(std::uint16_t index);
    std::uint32_t Colour(std::uint32_t colorRef) const;
    bool ClipRecord(std::uint16_t function, const Params& params);
    void SetClip(std::vector<RectD> rects);

    // ---- shapes (player_shapes.cpp)
    bool ShapeRecord(std::uint16_t function, const Params& params);
    std::optional<Stroke> CurrentStroke() const;
    std::optional<Fill> CurrentFill() const;
    void AddShape(Path path, bool filled);
    void AddLine(PointD from, PointD to);
    void FillRect(const RectD& rect, const Fill& fill);

    // ---- text (player_text.cpp)
    bool TextRecord(std::uint16_t function, const Params& params);
    void AddText(double x, double y, std::span<const std::uint8_t> bytes,
                 std::span<const std::int16_t> dx, std::uint16_t options,
                 const std::optional<RectD>& rect);

    // ---- bitmaps (player_bitmaps.cpp)
    bool BitmapRecord(std::uint16_t function, const Params& params);

    bool DoBlit(const BlitRecord& blit);
    void FlushPendingMask();

    // ---- output
    // Adds a step clipped by the current region; `extent` feeds the drawn box.
    void Emit(Step::What what, const RectD& extent);
    void NoteFirstDrawing();

    Picture& m_picture;
    std::vector<GdiObject> m_objects; // grows as records make objects
    DcState m_state;
    std::vector<DcState> m_saved;
    bool m_stopped = false;

    // The clip region last given to a step, and its index in Picture::clips.
    ClipRects m_emittedClip;
    std::int32_t m_emittedClipIndex = -1;
    std::size_t m_clipRectsTotal = 0;

    // A polyline that further LineTo records with the same pen and clip extend.
    std::optional<std::size_t> m_openLine;

    // An icon's AND mask waits for the XOR colour bitmap drawn onto the same place.
    struct PendingMask {
        std::shared_ptr<bitmap::Image> image;
        RectD target;
        bool smooth;
    };
    std::optional<PendingMask> m_pendingMask;
    std::uint64_t m_pixels = 0;

    // The frame: the window as it stood at the first drawing, else the box of what was drawn.
    bool m_drawn = false;
    Mapping m_firstMapping;
    std::optional<RectD> m_windowFrame;
    std::optional<RectD> m_drawnBox;
};

// Nonzero-area normalised rectangle from two corners.
RectD RectFromCorners(PointD a, PointD b);
RectD Union(const RectD& a, const RectD& b);

} // namespace viewer::render::metafile

// A played Windows metafile: the drawing steps that the QPainter back end draws and the SVG
// writer writes. Every coordinate is in picture units, the metafile's mapping modes and
// origins already applied; a back end only scales `bounds` onto its target rectangle.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "viewer/render/bitmap/image.h"

namespace viewer::render::metafile {

struct PointD {
    double x = 0;
    double y = 0;
    bool operator==(const PointD&) const = default;
};

struct RectD {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;

    double Width() const { return right - left; }
    double Height() const { return bottom - top; }
    bool Empty() const { return !(right > left && bottom > top); }
    bool operator==(const RectD&) const = default;
};

// A rectangle of whole pixels on a pane: right and bottom exclusive.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const PixelRect&) const = default;
};

// Move and Line take one point, Cubic three (two control points, then the end), Close none.
enum class PathOp : std::uint8_t { Move, Line, Cubic, Close };

struct Path {
    std::vector<PathOp> ops;
    std::vector<PointD> points;

    void MoveTo(PointD p);
    void LineTo(PointD p);
    void CubicTo(PointD c1, PointD c2, PointD p);
    void Close();
    bool Empty() const { return ops.empty(); }
};

// Colours are 0x00RRGGBB.
struct Stroke {
    enum class Dash : std::uint8_t { Solid, Dash, Dot, DashDot, DashDotDot };
    std::uint32_t colour = 0;
    double width = 0; // 0: one device pixel, whatever the scale
    Dash dash = Dash::Solid;
    bool operator==(const Stroke&) const = default;
};

struct Fill {
    enum class Hatch : std::uint8_t {
        None,
        Horizontal,
        Vertical,
        ForwardDiagonal,
        BackwardDiagonal,
        Cross,
        DiagonalCross
    };
    std::uint32_t colour = 0;
    Hatch hatch = Hatch::None;               // None: solid
    std::optional<std::uint32_t> background; // behind hatch lines when the mode is opaque
    bool operator==(const Fill&) const = default;
};

enum class FillRule : std::uint8_t { EvenOdd, NonZero };

struct ShapeStep {
    Path path;
    std::optional<Stroke> stroke;
    std::optional<Fill> fill;
    FillRule rule = FillRule::EvenOdd;
};

struct Font {
    std::string face; // UTF-8, decoded with the font's character set
    double size = 0;  // em height in picture units
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    double angle = 0; // degrees, counter-clockwise on screen
};

struct TextStep {
    enum class Anchor : std::uint8_t { Start, Middle, End };
    enum class Baseline : std::uint8_t { Top, Alphabetic, Bottom };
    PointD origin;
    std::string text; // UTF-8
    // The pen position of each character relative to the origin along the text direction,
    // when the metafile gave a spacing array; empty otherwise.
    std::vector<double> offsets;
    Font font;
    std::uint32_t colour = 0;
    std::optional<std::uint32_t> background; // opaque background mode
    Anchor anchor = Anchor::Start;
    Baseline baseline = Baseline::Top;
    std::optional<RectD> clip; // ExtTextOut's clipping rectangle
};

// A bitmap stretched onto `target`; raster operations are already folded into its alpha.
// Only the halftone stretching mode blends pixels; the others repeat or drop them.
struct ImageStep {
    RectD target;
    std::shared_ptr<const bitmap::Image> image;
    bool smooth = false;
};

struct Step {
    using What = std::variant<ShapeStep, TextStep, ImageStep>;
    What what;
    std::int32_t clip = -1; // index into Picture::clips; -1 when nothing is clipped
};

// The union of its rectangles; no rectangles clip everything away.
struct ClipRegion {
    std::vector<RectD> rects;
};

struct Picture {
    // The picture's frame: the placeable header's box, else the window, else what was drawn.
    RectD bounds;
    // Picture units per inch: the placeable header's own, else those of a screen (96).
    double unitsPerInch = 96;
    std::vector<Step> steps;
    std::vector<ClipRegion> clips;
    // A record was damaged or a limit was reached: the steps are what came before.
    bool damaged = false;
};

} // namespace viewer::render::metafile

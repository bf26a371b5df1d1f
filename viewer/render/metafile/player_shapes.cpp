// Lines, rectangles, ellipses, arcs and polygons.
#include <cmath>
#include <numbers>

#include "viewer/render/metafile/player_p.h"

namespace viewer::render::metafile {

using namespace wmf;

namespace {

constexpr double kPi = std::numbers::pi;

// An elliptic arc from `start` through `sweep` radians, counter-clockwise on screen for a
// positive sweep, as cubic Béziers of at most a quarter turn each.
void AppendArc(Path& path, PointD centre, double rx, double ry, double start, double sweep,
               bool move)
{
    auto at = [&](double u, double v) { return PointD{centre.x + rx * u, centre.y - ry * v}; };
    const int segments =
        std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (kPi / 2) - 1e-9)));
    const double step = sweep / segments;
    const double k = 4.0 / 3.0 * std::tan(step / 4);
    const PointD first = at(std::cos(start), std::sin(start));
    if (move) {
        path.MoveTo(first);
    } else {
        path.LineTo(first);
    }
    for (int i = 0; i < segments; ++i) {
        const double a = start + i * step;
        const double b = a + step;
        const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
        path.CubicTo(at(ca - k * sa, sa + k * ca), at(cb + k * sb, sb - k * cb), at(cb, sb));
    }
}

// The angle of a radial through `p` on the ellipse's own circle.
double AngleOf(PointD p, PointD centre, double rx, double ry)
{
    return std::atan2(-(p.y - centre.y) / ry, (p.x - centre.x) / rx);
}

Path RectanglePath(const RectD& r)
{
    Path path;
    path.MoveTo({r.left, r.top});
    path.LineTo({r.right, r.top});
    path.LineTo({r.right, r.bottom});
    path.LineTo({r.left, r.bottom});
    path.Close();
    return path;
}

RectD PathBox(const Path& path)
{
    RectD box{path.points[0].x, path.points[0].y, path.points[0].x, path.points[0].y};
    for (const PointD& p : path.points) {
        box = Union(box, {p.x, p.y, p.x, p.y});
    }
    return box;
}

Fill::Hatch HatchOf(std::uint16_t hatch)
{
    switch (hatch) {
    case 0:
        return Fill::Hatch::Horizontal;
    case 1:
        return Fill::Hatch::Vertical;
    case 2:
        return Fill::Hatch::ForwardDiagonal;
    case 3:
        return Fill::Hatch::BackwardDiagonal;
    case 4:
        return Fill::Hatch::Cross;
    default:
        return Fill::Hatch::DiagonalCross;
    }
}

} // namespace

// SetROP2 modes that paint a fixed colour or nothing are honoured; the ones that mix with
// what lies below are drawn as plain copies.
std::optional<Stroke> Player::CurrentStroke() const
{
    const PenSpec& pen = m_state.pen;
    const std::uint16_t style = pen.style & 0x0F;
    if (style == PS_NULL || m_state.rop2 == R2_NOP) {
        return std::nullopt;
    }
    Stroke stroke;
    stroke.colour = m_state.rop2 == R2_BLACK ? 0 : m_state.rop2 == R2_WHITE ? 0xFFFFFF : pen.colour;
    stroke.width = std::fabs(pen.width * m_state.CurrentMapping().sx);
    static constexpr Stroke::Dash kDashes[] = {Stroke::Dash::Solid, Stroke::Dash::Dash,
                                               Stroke::Dash::Dot, Stroke::Dash::DashDot,
                                               Stroke::Dash::DashDotDot};
    // Pens wider than one unit draw their dashed styles solid, as the device does.
    stroke.dash = style < 5 && pen.width <= 1 ? kDashes[style] : Stroke::Dash::Solid;
    return stroke;
}

std::optional<Fill> Player::CurrentFill() const
{
    const BrushSpec& brush = m_state.brush;
    if (brush.style == BS_NULL || m_state.rop2 == R2_NOP) {
        return std::nullopt;
    }
    Fill fill;
    fill.colour = m_state.rop2 == R2_BLACK ? 0 : m_state.rop2 == R2_WHITE ? 0xFFFFFF : brush.colour;
    if (brush.style == BS_HATCHED) {
        fill.hatch = HatchOf(brush.hatch);
        if (m_state.bkMode == OPAQUE) {
            fill.background = m_state.bkColour;
        }
    }
    return fill;
}

void Player::AddShape(Path path, bool filled)
{
    if (path.Empty()) {
        return;
    }
    ShapeStep shape;
    shape.stroke = CurrentStroke();
    shape.fill = filled ? CurrentFill() : std::nullopt;
    shape.rule = m_state.fillRule;
    if (!shape.stroke && !shape.fill) {
        return;
    }
    RectD box = PathBox(path);
    const double half = shape.stroke ? std::max(shape.stroke->width, 1.0) / 2 : 0;
    box = {box.left - half, box.top - half, box.right + half, box.bottom + half};
    shape.path = std::move(path);
    Emit(std::move(shape), box);
}

// Consecutive LineTo records with the same pen and clip become one polyline, so that a
// long run of them costs a point each.
void Player::AddLine(PointD from, PointD to)
{
    const auto stroke = CurrentStroke();
    if (!stroke) {
        return;
    }
    if (m_openLine && *m_openLine < m_picture.steps.size()) {
        Step& step = m_picture.steps[*m_openLine];
        auto& shape = std::get<ShapeStep>(step.what);
        // The clip index a new step would get; a region not yet emitted matches nothing.
        const bool sameClip = m_state.clip
                                  ? m_state.clip == m_emittedClip && step.clip == m_emittedClipIndex
                                  : step.clip == -1;
        if (shape.stroke == stroke && sameClip && shape.path.points.back() == from) {
            shape.path.LineTo(to);
            const double half = std::max(stroke->width, 1.0) / 2;
            m_drawnBox = Union(*m_drawnBox, {to.x - half, to.y - half, to.x + half, to.y + half});
            return;
        }
    }
    Path path;
    path.MoveTo(from);
    path.LineTo(to);
    AddShape(std::move(path), false);
    if (!m_picture.steps.empty() && !m_stopped) {
        m_openLine = m_picture.steps.size() - 1;
    }
}

void Player::FillRect(const RectD& rect, const Fill& fill)
{
    ShapeStep shape;
    shape.path = RectanglePath(rect);
    shape.fill = fill;
    Emit(std::move(shape), rect);
}

bool Player::ShapeRecord(std::uint16_t function, const Params& params)
{
    const Mapping m = m_state.CurrentMapping();
    if (function == META_LINETO) {
        if (params.Words() < 2) {
            return false;
        }
        const PointD to{double(params.S16(1)), double(params.S16(0))};
        AddLine(m.Map(m_state.position.x, m_state.position.y), m.Map(to.x, to.y));
        m_state.position = to;
        return true;
    }
    if (function == META_POLYGON || function == META_POLYLINE) {
        // NumberOfPoints, then x, y pairs.
        if (params.Words() < 1 || params.U16(0) > (params.Words() - 1) / 2) {
            return false;
        }
        const std::size_t count = params.U16(0);
        if (count < 2) {
            return true;
        }
        Path path;
        for (std::size_t i = 0; i < count; ++i) {
            const PointD p = m.Map(params.S16(1 + 2 * i), params.S16(2 + 2 * i));
            i == 0 ? path.MoveTo(p) : path.LineTo(p);
        }
        if (function == META_POLYGON) {
            path.Close();
        }
        AddShape(std::move(path), function == META_POLYGON);
        return true;
    }
    if (function == META_POLYPOLYGON) {
        // NumberOfPolygons, the point count of each, then all the points.
        if (params.Words() < 1 || params.U16(0) > params.Words() - 1) {
            return false;
        }
        const std::size_t polygons = params.U16(0);
        std::size_t total = 0;
        for (std::size_t i = 0; i < polygons; ++i) {
            total += params.U16(1 + i);
        }
        if (total > (params.Words() - 1 - polygons) / 2) {
            return false;
        }
        Path path;
        std::size_t word = 1 + polygons;
        for (std::size_t i = 0; i < polygons; ++i) {
            const std::size_t count = params.U16(1 + i);
            for (std::size_t j = 0; j < count; ++j, word += 2) {
                const PointD p = m.Map(params.S16(word), params.S16(word + 1));
                j == 0 ? path.MoveTo(p) : path.LineTo(p);
            }
            if (count > 0) {
                path.Close();
            }
        }
        AddShape(std::move(path), true);
        return true;
    }

    // The rest end in the bounding box: Bottom, Right, Top, Left, after any other fields.
    const std::size_t extra =
        function == META_ROUNDRECT                                                 ? 2
        : (function == META_ARC || function == META_PIE || function == META_CHORD) ? 4
                                                                                   : 0;
    if (params.Words() < extra + 4) {
        return false;
    }
    const RectD box = RectFromCorners(m.Map(params.S16(extra + 3), params.S16(extra + 2)),
                                      m.Map(params.S16(extra + 1), params.S16(extra)));
    const PointD centre{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    const double rx = box.Width() / 2;
    const double ry = box.Height() / 2;
    Path path;
    switch (function) {
    case META_RECTANGLE:
        path = RectanglePath(box);
        break;
    case META_ELLIPSE:
        if (rx <= 0 || ry <= 0) {
            return true;
        }
        AppendArc(path, centre, rx, ry, 0, 2 * kPi, true);
        path.Close();
        break;
    case META_ROUNDRECT: {
        // Height, Width of the corner ellipse, then the box.
        const double cx = std::min(std::fabs(params.S16(1) * m.sx) / 2, rx);
        const double cy = std::min(std::fabs(params.S16(0) * m.sy) / 2, ry);
        if (cx <= 0 || cy <= 0) {
            return ShapeRecord(META_RECTANGLE, Params(params.From(4)));
        }
        AppendArc(path, {box.right - cx, box.top + cy}, cx, cy, kPi / 2, -kPi / 2, true);
        AppendArc(path, {box.right - cx, box.bottom - cy}, cx, cy, 0, -kPi / 2, false);
        AppendArc(path, {box.left + cx, box.bottom - cy}, cx, cy, -kPi / 2, -kPi / 2, false);
        AppendArc(path, {box.left + cx, box.top + cy}, cx, cy, kPi, -kPi / 2, false);
        path.Close();
        break;
    }
    default: {
        // Arc, Pie, Chord: YEndArc, XEndArc, YStartArc, XStartArc, then the box. The arc
        // runs counter-clockwise from the radial through the start point to the one
        // through the end point; equal radials make a whole ellipse.
        if (rx <= 0 || ry <= 0) {
            return true;
        }
        const double start = AngleOf(m.Map(params.S16(3), params.S16(2)), centre, rx, ry);
        const double end = AngleOf(m.Map(params.S16(1), params.S16(0)), centre, rx, ry);
        double sweep = end - start;
        while (sweep <= 1e-12) {
            sweep += 2 * kPi;
        }
        if (function == META_PIE) {
            path.MoveTo(centre);
        }
        AppendArc(path, centre, rx, ry, start, sweep, function != META_PIE);
        if (function != META_ARC) {
            path.Close();
        }
        break;
    }
    }
    AddShape(std::move(path), function != META_ARC);
    return true;
}

} // namespace viewer::render::metafile

#include "viewer/ui/picture_painter.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include "platform/text_safety.h"

namespace viewer::ui {

using namespace viewer::render::metafile;

namespace {

// Hostile pictures can name fonts no screen can draw; text stays between these pixel sizes.
constexpr double kMaxFontPixels = 4096;

QColor ColourOf(std::uint32_t rgb)
{
    return QColor::fromRgb(static_cast<QRgb>(rgb & 0xFFFFFF));
}

QPointF PointOf(const PointD& p)
{
    return {p.x, p.y};
}

QRectF RectOf(const RectD& r)
{
    return QRectF(QPointF(r.left, r.top), QPointF(r.right, r.bottom));
}

QPainterPath PathOf(const Path& path, FillRule rule)
{
    QPainterPath out;
    out.setFillRule(rule == FillRule::NonZero ? Qt::WindingFill : Qt::OddEvenFill);
    std::size_t p = 0;
    const std::size_t count = path.points.size();
    for (PathOp op : path.ops) {
        const std::size_t need = op == PathOp::Cubic ? 3 : op == PathOp::Close ? 0 : 1;
        if (need > count - p) {
            break;
        }
        switch (op) {
        case PathOp::Move:
            out.moveTo(PointOf(path.points[p]));
            break;
        case PathOp::Line:
            out.lineTo(PointOf(path.points[p]));
            break;
        case PathOp::Cubic:
            out.cubicTo(PointOf(path.points[p]), PointOf(path.points[p + 1]),
                        PointOf(path.points[p + 2]));
            break;
        case PathOp::Close:
            out.closeSubpath();
            break;
        }
        p += need;
    }
    return out;
}

QPen PenOf(const Stroke& stroke)
{
    // Width 0 is Qt's cosmetic pen too: one device pixel at any scale.
    QPen pen(ColourOf(stroke.colour), stroke.width > 0 ? stroke.width : 0);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    // The dash patterns of a device's cosmetic pens, in line widths.
    static const std::array<QList<qreal>, 5> kDashes{QList<qreal>{}, QList<qreal>{18, 6},
                                                     QList<qreal>{3, 3}, QList<qreal>{9, 6, 3, 6},
                                                     QList<qreal>{9, 3, 3, 3, 3, 3}};
    const QList<qreal>& dashes = kDashes[static_cast<std::size_t>(stroke.dash)];
    if (!dashes.isEmpty()) {
        pen.setCapStyle(Qt::FlatCap);
        pen.setDashPattern(dashes);
    }
    return pen;
}

Qt::BrushStyle HatchStyle(Fill::Hatch hatch)
{
    switch (hatch) {
    case Fill::Hatch::Horizontal:
        return Qt::HorPattern;
    case Fill::Hatch::Vertical:
        return Qt::VerPattern;
    case Fill::Hatch::ForwardDiagonal:
        return Qt::FDiagPattern;
    case Fill::Hatch::BackwardDiagonal:
        return Qt::BDiagPattern;
    case Fill::Hatch::Cross:
        return Qt::CrossPattern;
    case Fill::Hatch::DiagonalCross:
        return Qt::DiagCrossPattern;
    case Fill::Hatch::None:
        break;
    }
    return Qt::SolidPattern;
}

class PicturePainter {
public:
    PicturePainter(QPainter& painter, const Picture& picture, const QRectF& target)
        : m_painter(painter), m_picture(picture), m_base(painter.transform())
    {
        const RectD& b = picture.bounds;
        m_sx = target.width() / b.Width();
        m_sy = target.height() / b.Height();
        m_toTarget = QTransform::fromTranslate(-b.left, -b.top) *
                     QTransform::fromScale(m_sx, m_sy) *
                     QTransform::fromTranslate(target.left(), target.top());
    }

    void Draw(const Step& step)
    {
        m_painter.save();
        m_painter.setTransform(m_toTarget * m_base);
        if (step.clip >= 0) {
            if (std::size_t(step.clip) >= m_picture.clips.size()) {
                m_painter.restore();
                return;
            }
            const ClipRegion& region = m_picture.clips[std::size_t(step.clip)];
            if (region.rects.empty()) {
                m_painter.restore();
                return; // everything clipped away
            }
            QPainterPath clip;
            clip.setFillRule(Qt::WindingFill);
            for (const RectD& r : region.rects) {
                clip.addRect(RectOf(r));
            }
            m_painter.setClipPath(clip, Qt::IntersectClip);
        }
        std::visit([this](const auto& what) { DrawStep(what); }, step.what);
        m_painter.restore();
    }

private:
    void DrawStep(const ShapeStep& shape)
    {
        const QPainterPath path = PathOf(shape.path, shape.rule);
        if (path.isEmpty()) {
            return;
        }
        if (shape.fill) {
            if (shape.fill->hatch != Fill::Hatch::None && shape.fill->background) {
                m_painter.fillPath(path, ColourOf(*shape.fill->background));
            }
            QBrush brush(ColourOf(shape.fill->colour), HatchStyle(shape.fill->hatch));
            // Hatch lines keep a device's spacing at any scale.
            brush.setTransform(m_painter.transform().inverted());
            m_painter.fillPath(path, brush);
        }
        if (shape.stroke) {
            m_painter.strokePath(path, PenOf(*shape.stroke));
        }
    }

    void DrawStep(const TextStep& text)
    {
        if (text.text.empty()) {
            return;
        }
        if (text.clip) {
            m_painter.setClipRect(RectOf(*text.clip), Qt::IntersectClip);
        }
        // Glyphs are laid out at the device's size rather than scaled, so that small text
        // stays legible; positions follow the picture's scale.
        const QPointF origin = m_toTarget.map(PointOf(text.origin));
        m_painter.setTransform(m_base);
        m_painter.translate(origin);
        m_painter.rotate(-text.font.angle);

        QFont font(QString::fromStdString(text.font.face));
        const double pixels = std::clamp(text.font.size * std::fabs(m_sy), 1.0, kMaxFontPixels);
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
        font.setWeight(static_cast<QFont::Weight>(std::clamp(text.font.weight, 1, 1000)));
        font.setItalic(text.font.italic);
        font.setUnderline(text.font.underline);
        font.setStrikeOut(text.font.strikeOut);
        m_painter.setFont(font);
        const QFontMetricsF metrics(font, m_painter.device());

        const QString string = QString::fromStdString(text.text);
        const QList<uint> codePoints = string.toUcs4();
        const double width = WidthOf(codePoints, text.offsets, metrics);
        const double left = text.anchor == TextStep::Anchor::End      ? -width
                            : text.anchor == TextStep::Anchor::Middle ? -width / 2
                                                                      : 0;
        const double baseline = text.baseline == TextStep::Baseline::Top      ? metrics.ascent()
                                : text.baseline == TextStep::Baseline::Bottom ? -metrics.descent()
                                                                              : 0;
        if (text.background) {
            m_painter.fillRect(QRectF(left, baseline - metrics.ascent(), width, metrics.height()),
                               ColourOf(*text.background));
        }
        m_painter.setPen(ColourOf(text.colour));
        if (text.offsets.empty()) {
            m_painter.drawText(QPointF(left, baseline), string);
            return;
        }
        double x = left;
        for (qsizetype i = 0; i < codePoints.size(); ++i) {
            const QString character =
                QString::fromUcs4(reinterpret_cast<const char32_t*>(&codePoints[i]), 1);
            if (std::size_t(i) < text.offsets.size()) {
                x = left + text.offsets[std::size_t(i)] * std::fabs(m_sx);
            }
            m_painter.drawText(QPointF(x, baseline), character);
            x += metrics.horizontalAdvance(character);
        }
    }

    double WidthOf(const QList<uint>& codePoints, const std::vector<double>& offsets,
                   const QFontMetricsF& metrics) const
    {
        if (offsets.empty() || codePoints.isEmpty()) {
            return metrics.horizontalAdvance(QString::fromUcs4(
                reinterpret_cast<const char32_t*>(codePoints.constData()), codePoints.size()));
        }
        const std::size_t last = std::min<std::size_t>(offsets.size(), codePoints.size()) - 1;
        const QString lastCharacter =
            QString::fromUcs4(reinterpret_cast<const char32_t*>(&codePoints[qsizetype(last)]), 1);
        return offsets[last] * std::fabs(m_sx) + metrics.horizontalAdvance(lastCharacter);
    }

    void DrawStep(const ImageStep& step)
    {
        if (!step.image || step.image->Empty()) {
            return;
        }
        m_painter.setRenderHint(QPainter::SmoothPixmapTransform, step.smooth);
        m_painter.drawImage(RectOf(step.target), ImageView(*step.image));
    }

    QPainter& m_painter;
    const Picture& m_picture;
    const QTransform m_base;
    QTransform m_toTarget;
    double m_sx = 1;
    double m_sy = 1;
};

} // namespace

void DrawPicture(QPainter& painter, const Picture& picture, const QRectF& target)
{
    if (picture.bounds.Empty() || target.isEmpty()) {
        return;
    }
    // The faces of icon captions and dialogs are missing here, and the desktop's stand-in for
    // them runs wider: captions would lose their last letters to their clip rectangles.
    static const bool substituted = [] {
        for (const char* face : {"Tahoma", "MS Sans Serif", "Microsoft Sans Serif", "MS Shell Dlg",
                                 "MS Shell Dlg 2", "Segoe UI"}) {
            QFont::insertSubstitution(QString::fromLatin1(face), QStringLiteral("Liberation Sans"));
        }
        return true;
    }();
    (void)substituted;
    painter.save();
    painter.setClipRect(target, Qt::IntersectClip);
    // Metafiles draw on a device's pixel grid: lines and edges stay crisp, text stays smooth.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    PicturePainter pictures(painter, picture, target);
    for (const Step& step : picture.steps) {
        pictures.Draw(step);
    }
    painter.restore();
}

QImage RenderPicture(const Picture& picture, QSize size, QColor background)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return image;
    }
    image.fill(background);
    QPainter painter(&image);
    DrawPicture(painter, picture, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

QString PictureText(const Picture& picture)
{
    // A presentation of a whole document can hold megabytes of text; a reader needs its start.
    constexpr qsizetype kMaxCharacters = 4096;
    QString all;
    for (const Step& step : picture.steps) {
        if (all.size() >= kMaxCharacters) {
            break;
        }
        if (const auto* text = std::get_if<TextStep>(&step.what)) {
            if (!all.isEmpty()) {
                all += QLatin1Char(' ');
            }
            all += QString::fromStdString(platform::EscapeForDisplay(text->text));
        }
    }
    return all.left(kMaxCharacters);
}

QImage ImageView(const viewer::render::bitmap::Image& image)
{
    // Both hold one 0xAARRGGBB value per pixel, straight alpha, rows from the top.
    static_assert(sizeof(QRgb) == sizeof(std::uint32_t));
    if (image.Empty() || image.pixels.size() < std::size_t{image.width} * image.height) {
        return {};
    }
    return QImage(reinterpret_cast<const uchar*>(image.pixels.data()), int(image.width),
                  int(image.height), qsizetype(image.width) * 4, QImage::Format_ARGB32);
}

} // namespace viewer::ui

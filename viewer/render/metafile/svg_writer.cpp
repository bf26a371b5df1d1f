#include "viewer/render/metafile/svg_writer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>

#include "platform/base64.h"
#include "platform/text.h"
#include "viewer/render/bitmap/png_encoder.h"

namespace viewer::render::metafile {

namespace {

// Outlines of a screen's text: the ascent and descent of common faces, in ems.
constexpr double kAscent = 0.9;
constexpr double kDescent = 0.21;
// Hatch lines repeat every 8 device pixels, as a device's hatched brushes do.
constexpr double kHatchPixels = 8;

std::string Num(double value)
{
    if (!std::isfinite(value)) {
        return "0";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", value);
    std::string out = text;
    out.erase(out.find_last_not_of('0') + 1);
    if (out.back() == '.') {
        out.pop_back();
    }
    return out == "-0" ? "0" : out;
}

std::string Colour(std::uint32_t rgb)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%06X", rgb & 0xFFFFFF);
    return text;
}

// Text for XML content and attributes. Characters XML 1.0 forbids become U+FFFD.
std::string Escape(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                out += "\xEF\xBF\xBD";
            } else if (c == 0xEF && utf8.size() - i >= 3 &&
                       static_cast<unsigned char>(utf8[i + 1]) == 0xBF &&
                       (static_cast<unsigned char>(utf8[i + 2]) & 0xFE) == 0xBE) {
                // U+FFFE and U+FFFF
                out += "\xEF\xBF\xBD";
                i += 2;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

std::string PathData(const Path& path)
{
    std::string d;
    std::size_t p = 0;
    auto point = [&](const PointD& pt) { return Num(pt.x) + ' ' + Num(pt.y); };
    for (PathOp op : path.ops) {
        switch (op) {
        case PathOp::Move:
            d += 'M' + point(path.points[p++]);
            break;
        case PathOp::Line:
            d += 'L' + point(path.points[p++]);
            break;
        case PathOp::Cubic:
            d += 'C' + point(path.points[p]) + ' ' + point(path.points[p + 1]) + ' ' +
                 point(path.points[p + 2]);
            p += 3;
            break;
        case PathOp::Close:
            d += 'Z';
            break;
        }
    }
    return d;
}

// A face name fit for a CSS font list: quotes, separators and controls taken out.
std::string FontFamily(const std::string& face)
{
    std::string clean;
    for (char c : face) {
        if (static_cast<unsigned char>(c) >= 0x20 &&
            std::string_view("'\";,\\<>&").find(c) == std::string_view::npos) {
            clean += c;
        }
    }
    return clean.empty() ? "sans-serif" : "'" + clean + "', sans-serif";
}

class SvgWriter {
public:
    SvgWriter(const Picture& picture, double unitsPerPixel)
        : m_picture(picture), m_unit(unitsPerPixel)
    {
    }

    std::string Body()
    {
        std::string body;
        for (const Step& step : m_picture.steps) {
            std::string element = std::visit([&](const auto& s) { return Element(s); }, step.what);
            if (element.empty()) {
                continue;
            }
            if (step.clip >= 0 && std::size_t(step.clip) < m_picture.clips.size()) {
                body += "<g clip-path=\"url(#clip" + std::to_string(step.clip) + ")\">" + element +
                        "</g>\n";
            } else {
                body += element + '\n';
            }
        }
        return body;
    }

    std::string Defs() const
    {
        std::string defs;
        for (std::size_t i = 0; i < m_picture.clips.size(); ++i) {
            defs += "<clipPath id=\"clip" + std::to_string(i) + "\">";
            for (const RectD& r : m_picture.clips[i].rects) {
                defs += Rect(r);
            }
            defs += "</clipPath>\n";
        }
        defs += m_extraDefs;
        return defs.empty() ? std::string{} : "<defs>\n" + defs + "</defs>\n";
    }

private:
    static std::string Rect(const RectD& r)
    {
        return "<rect x=\"" + Num(r.left) + "\" y=\"" + Num(r.top) + "\" width=\"" +
               Num(r.Width()) + "\" height=\"" + Num(r.Height()) + "\"/>";
    }

    std::string HatchPattern(const Fill& fill)
    {
        const std::string key = std::to_string(int(fill.hatch)) + Colour(fill.colour) +
                                (fill.background ? Colour(*fill.background) : std::string("none"));
        auto [it, added] = m_hatches.emplace(key, "hatch" + std::to_string(m_hatches.size()));
        if (added) {
            const std::string s = Num(kHatchPixels * m_unit);
            const std::string stroke =
                "\" stroke=\"" + Colour(fill.colour) + "\" stroke-width=\"" + Num(m_unit) + "\"/>";
            std::string lines;
            auto line = [&](const char* d) { lines += std::string("<path d=\"") + d + stroke; };
            const std::string h = "M0 " + Num(kHatchPixels * m_unit / 2) + "H" + s;
            const std::string v = "M" + Num(kHatchPixels * m_unit / 2) + " 0V" + s;
            const std::string f = "M0 " + s + "L" + s + " 0";
            const std::string b = "M0 0L" + s + " " + s;
            switch (fill.hatch) {
            case Fill::Hatch::Horizontal:
                line(h.c_str());
                break;
            case Fill::Hatch::Vertical:
                line(v.c_str());
                break;
            case Fill::Hatch::ForwardDiagonal:
                line(f.c_str());
                break;
            case Fill::Hatch::BackwardDiagonal:
                line(b.c_str());
                break;
            case Fill::Hatch::Cross:
                line((h + v).c_str());
                break;
            default:
                line((f + b).c_str());
                break;
            }
            m_extraDefs += "<pattern id=\"" + it->second +
                           "\" patternUnits=\"userSpaceOnUse\" width=\"" + s + "\" height=\"" + s +
                           "\">" +
                           (fill.background ? "<rect width=\"" + s + "\" height=\"" + s +
                                                  "\" fill=\"" + Colour(*fill.background) + "\"/>"
                                            : std::string{}) +
                           lines + "</pattern>\n";
        }
        return "url(#" + it->second + ")";
    }

    std::string Element(const ShapeStep& shape)
    {
        if (shape.path.Empty()) {
            return {};
        }
        std::string e = "<path d=\"" + PathData(shape.path) + "\" fill=\"";
        if (!shape.fill) {
            e += "none";
        } else if (shape.fill->hatch == Fill::Hatch::None) {
            e += Colour(shape.fill->colour);
        } else {
            e += HatchPattern(*shape.fill);
        }
        e += '"';
        if (shape.rule == FillRule::EvenOdd && shape.fill) {
            e += " fill-rule=\"evenodd\"";
        }
        if (shape.stroke) {
            const double width = shape.stroke->width > 0 ? shape.stroke->width : m_unit;
            e += " stroke=\"" + Colour(shape.stroke->colour) + "\" stroke-width=\"" + Num(width) +
                 "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"";
            // The dash patterns of a device's cosmetic pens, in line widths.
            static constexpr std::array<std::array<double, 6>, 5> kDashes{
                {{0}, {18, 6}, {3, 3}, {9, 6, 3, 6}, {9, 3, 3, 3, 3, 3}}};
            const auto& dash = kDashes[static_cast<std::size_t>(shape.stroke->dash)];
            if (dash[0] > 0) {
                std::string list;
                for (double d : dash) {
                    if (d > 0) {
                        list += (list.empty() ? "" : " ") + Num(d * width);
                    }
                }
                e += " stroke-dasharray=\"" + list + "\"";
            }
        }
        return e + "/>";
    }

    std::string Element(const TextStep& text)
    {
        if (text.text.empty()) {
            return {};
        }
        const double size = text.font.size;
        const double dy = text.baseline == TextStep::Baseline::Top      ? kAscent * size
                          : text.baseline == TextStep::Baseline::Bottom ? -kDescent * size
                                                                        : 0;
        std::string e = "<text xml:space=\"preserve\" transform=\"translate(" + Num(text.origin.x) +
                        " " + Num(text.origin.y) + ")";
        if (text.font.angle != 0) {
            e += " rotate(" + Num(-text.font.angle) + ")";
        }
        e += "\" x=\"";
        if (text.offsets.empty()) {
            e += "0";
        } else {
            for (std::size_t i = 0; i < text.offsets.size(); ++i) {
                e += (i ? " " : "") + Num(text.offsets[i]);
            }
        }
        e += "\" y=\"" + Num(dy) + "\" font-family=\"" + Escape(FontFamily(text.font.face)) +
             "\" font-size=\"" + Num(size) + "\"";
        if (text.font.weight != 400) {
            e += " font-weight=\"" +
                 std::to_string(std::clamp(text.font.weight / 100 * 100, 100, 900)) + "\"";
        }
        if (text.font.italic) {
            e += " font-style=\"italic\"";
        }
        if (text.font.underline || text.font.strikeOut) {
            e += std::string(" text-decoration=\"") + (text.font.underline ? "underline" : "") +
                 (text.font.underline && text.font.strikeOut ? " " : "") +
                 (text.font.strikeOut ? "line-through" : "") + "\"";
        }
        if (text.anchor != TextStep::Anchor::Start) {
            e += text.anchor == TextStep::Anchor::Middle ? " text-anchor=\"middle\""
                                                         : " text-anchor=\"end\"";
        }
        e += " fill=\"" + Colour(text.colour) + "\">" + Escape(text.text) + "</text>";
        if (text.clip) {
            const std::string id = "textclip" + std::to_string(m_textClips++);
            m_extraDefs += "<clipPath id=\"" + id + "\">" + Rect(*text.clip) + "</clipPath>\n";
            e = "<g clip-path=\"url(#" + id + ")\">" + e + "</g>";
        }
        return e;
    }

    std::string Element(const ImageStep& image)
    {
        std::vector<std::uint8_t> png;
        if (!image.image || image.image->Empty() || bitmap::EncodePng(*image.image, png) < 0) {
            return {};
        }
        std::string element = "<image x=\"" + Num(image.target.left) + "\" y=\"" +
                              Num(image.target.top) + "\" width=\"" + Num(image.target.Width()) +
                              "\" height=\"" + Num(image.target.Height()) +
                              "\" preserveAspectRatio=\"none\"" +
                              (image.smooth ? "" : " image-rendering=\"optimizeSpeed\"") +
                              " xlink:href=\"data:image/png;base64,";
        platform::AppendBase64(element, png);
        return element + "\"/>";
    }

    const Picture& m_picture;
    double m_unit;
    std::map<std::string, std::string> m_hatches;
    std::size_t m_textClips = 0;
    std::string m_extraDefs;
};

} // namespace

std::string WriteSvg(const Picture& picture, SvgSize size)
{
    RectD view = picture.bounds;
    if (view.Empty()) {
        view = {view.left, view.top, view.left + std::max(view.Width(), 1.0),
                view.top + std::max(view.Height(), 1.0)};
    }
    if (!(size.width > 0 && size.height > 0)) {
        const double perInch = picture.unitsPerInch > 0 ? picture.unitsPerInch : 96;
        size = {std::max(1.0, view.Width() * 96 / perInch),
                std::max(1.0, view.Height() * 96 / perInch)};
    }
    SvgWriter writer(picture, view.Width() / size.width);
    const std::string body = writer.Body();
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
           "width=\"" +
           Num(size.width) + "\" height=\"" + Num(size.height) + "\" viewBox=\"" + Num(view.left) +
           " " + Num(view.top) + " " + Num(view.Width()) + " " + Num(view.Height()) +
           "\" preserveAspectRatio=\"none\">\n" + writer.Defs() + body + "</svg>\n";
}

} // namespace viewer::render::metafile

#include "viewer/render/richtext/html_writer.h"

#include <span>
#include <string_view>

#include "format/little_endian.h"
#include "platform/base64.h"
#include "platform/format.h"
#include "platform/text.h"
#include "viewer/render/richtext/picture_check_p.h"

namespace viewer::render::richtext {

namespace {

constexpr std::string_view kHead =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n<html><head>"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
    "<title></title></head>\n";
constexpr std::string_view kTail = "</body></html>\n";

std::string Points(std::int64_t twips)
{
    return platform::Format("%gpt", static_cast<double>(twips) / 20.0);
}

std::string Rgb(std::uint32_t color)
{
    return platform::Format("#%06x", color & 0xFFFFFF);
}

// A font name for a quoted CSS value: only what cannot end the quote or the attribute.
std::string FontName(std::string_view name)
{
    std::string out;
    for (const char c : name) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte >= 0x20 && c != '\'' && c != '"' && c != '\\' && c != ';' && c != '<' &&
            c != '>' && c != '&' && c != '{' && c != '}') {
            out.push_back(c);
        }
    }
    return out;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) {
            return false;
        }
    }
    return true;
}

bool FollowableLink(std::string_view target)
{
    return StartsWithNoCase(target, "http://") || StartsWithNoCase(target, "https://") ||
           StartsWithNoCase(target, "mailto:") || (target.size() > 1 && target[0] == '#');
}

const char* BorderStyleName(BorderStyle style)
{
    switch (style) {
    case BorderStyle::Double:
        return "double";
    case BorderStyle::Dotted:
        return "dotted";
    case BorderStyle::Dashed:
        return "dashed";
    default:
        return "solid";
    }
}

class HtmlWriter {
  public:
    HtmlWriter(const Document& doc, const HtmlOptions& options) : m_doc(doc), m_options(options) {}

    std::string Write()
    {
        m_out.append(kHead);
        m_out.append(m_doc.pageColor == kAutoColor
                         ? std::string("<body>\n")
                         : "<body style=\"background-color:" + Rgb(m_doc.pageColor) + "\">\n");
        Blocks(m_doc.body);
        m_out.append(kTail);
        return std::move(m_out);
    }

    // What VisitBlocks calls.
    void OnParagraph(const richtext::Paragraph& paragraph) { Paragraph(paragraph); }
    void OnTable(const richtext::Table& table) { Table(table); }

  private:
    void Blocks(Range range) { VisitBlocks(m_doc, range, *this); }

    void Paragraph(const richtext::Paragraph& paragraph)
    {
        const ParagraphFormat& f = m_doc.Format(paragraph);
        m_out.append("<p");
        if (f.rightToLeft) {
            m_out.append(" dir=\"rtl\"");
        }
        m_out.append(" style=\"white-space:pre-wrap;margin:");
        m_out += Points(f.spaceBefore) + ' ' + Points(f.rightIndent) + ' ' + Points(f.spaceAfter) +
                 ' ' + Points(f.leftIndent);
        if (f.firstLineIndent != 0) {
            m_out += ";text-indent:" + Points(f.firstLineIndent);
        }
        static constexpr const char* kAlign[] = {nullptr, "right", "center", "justify"};
        if (const char* align = kAlign[static_cast<int>(f.alignment)]) {
            m_out += std::string(";text-align:") + align;
        }
        if (f.lineSpacingMultiple && f.lineSpacing > 0) {
            m_out += ";line-height:" + std::to_string(f.lineSpacing * 100 / 240) + '%';
        } else if (f.lineSpacing != 0) {
            m_out += ";line-height:" +
                     Points(f.lineSpacing < 0 ? -std::int64_t{f.lineSpacing} : f.lineSpacing);
        }
        m_out.append("\">");
        bool empty = true;
        if (paragraph.listText.count > 0) {
            platform::AppendEscapedMarkup(m_out, m_doc.Text(paragraph.listText));
            m_out.append("\t");
            empty = false;
        }
        std::uint32_t link = kNoLink;
        for (const Run& run : m_doc.Runs(paragraph)) {
            const CharFormat& format = m_doc.Format(run);
            if (format.hidden) {
                continue;
            }
            const std::uint32_t runLink = FollowableLinkOf(format);
            if (runLink != link) {
                if (link != kNoLink) {
                    m_out.append("</a>");
                }
                if (runLink != kNoLink) {
                    m_out.append("<a href=\"");
                    platform::AppendEscapedMarkup(m_out, m_doc.links[runLink].target);
                    m_out.append("\">");
                }
                link = runLink;
            }
            empty = WriteRun(run, format) && empty;
        }
        if (link != kNoLink) {
            m_out.append("</a>");
        }
        if (empty) {
            m_out.append("<br>");
        }
        m_out.append("</p>\n");
    }

    std::uint32_t FollowableLinkOf(const CharFormat& format) const
    {
        if (format.link == kNoLink || format.link >= m_doc.links.size() ||
            !FollowableLink(m_doc.links[format.link].target)) {
            return kNoLink;
        }
        return format.link;
    }

    // Writes a run; true when it showed nothing.
    bool WriteRun(const Run& run, const CharFormat& format)
    {
        switch (run.kind) {
        case RunKind::Anchor:
            m_out.append("<a name=\"");
            platform::AppendEscapedMarkup(m_out, m_doc.Text(run));
            m_out.append("\"></a>");
            return true;
        case RunKind::Picture:
            return !Image(m_doc.pictures[run.first]);
        case RunKind::Text:
            break;
        }
        const std::string style = Style(format);
        if (!style.empty()) {
            m_out += "<span style=\"" + style + "\">";
        }
        std::string_view text = m_doc.Text(run);
        std::size_t start = 0;
        for (std::size_t i = 0; i <= text.size(); ++i) {
            if (i == text.size() || text[i] == '\n') {
                platform::AppendEscapedMarkup(m_out, text.substr(start, i - start));
                if (i < text.size()) {
                    m_out.append("<br>");
                }
                start = i + 1;
            }
        }
        if (!style.empty()) {
            m_out.append("</span>");
        }
        return text.empty();
    }

    std::string Style(const CharFormat& f) const
    {
        std::string style;
        if (f.font < m_doc.fonts.size()) {
            const std::string name = FontName(m_doc.fonts[f.font].name);
            if (!name.empty()) {
                style += "font-family:'" + name + "';";
            }
        }
        if (f.halfPoints != kDefaultHalfPoints) {
            style += "font-size:" + Points(std::int64_t{f.halfPoints} * 10) + ';';
        }
        if (f.bold) {
            style += "font-weight:bold;";
        }
        if (f.italic) {
            style += "font-style:italic;";
        }
        if (f.underline != Underline::None || f.strike) {
            style += "text-decoration:";
            style += f.underline != Underline::None ? " underline" : "";
            style += f.strike ? " line-through" : "";
            style += ';';
        }
        if (f.color != kAutoColor) {
            style += "color:" + Rgb(f.color) + ';';
        }
        const std::uint32_t background = f.highlight != kAutoColor ? f.highlight : f.background;
        if (background != kAutoColor) {
            style += "background-color:" + Rgb(background) + ';';
        }
        if (f.position != VerticalPosition::Baseline) {
            style += f.position == VerticalPosition::Superscript ? "vertical-align:super;"
                                                                 : "vertical-align:sub;";
        }
        if (f.smallCaps) {
            style += "font-variant:small-caps;";
        }
        if (f.caps) {
            style += "text-transform:uppercase;";
        }
        return style;
    }

    // Writes a picture as an image; false when it cannot be shown.
    bool Image(const Picture& picture)
    {
        std::string mime;
        std::string bytes;
        std::span<const std::uint8_t> data(picture.data);
        if (!picture.usable) {
            return false;
        }
        if (picture.format == PictureFormat::Png) {
            mime = "image/png";
        } else if (picture.format == PictureFormat::Jpeg) {
            mime = "image/jpeg";
        } else if (picture.format == PictureFormat::Dib) {
            mime = "image/bmp";
            bytes = BitmapFile(picture);
            data = {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
        } else if (m_options.convertPicture) {
            std::optional<EncodedImage> image = m_options.convertPicture(picture);
            if (!image) {
                return false;
            }
            mime = std::move(image->mimeType);
            bytes = std::move(image->bytes);
            data = {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
        } else {
            return false;
        }
        const PictureSize size = DisplaySize(picture);
        m_out += "<img width=\"" + std::to_string(size.width / 15) + "\" height=\"" +
                 std::to_string(size.height / 15) + "\" alt=\"\" src=\"data:" + mime + ";base64,";
        platform::AppendBase64(m_out, data);
        m_out.append("\">");
        return true;
    }

    // A device-independent bitmap becomes a .bmp file with the 14-byte header before it:
    //   "BM" | file size u32 | 0 u32 | offset of the bits u32
    static std::string BitmapFile(const Picture& picture)
    {
        std::uint8_t header[14] = {'B', 'M'};
        format::StoreLe32(header + 2, static_cast<std::uint32_t>(picture.data.size() + 14));
        format::StoreLe32(header + 10, static_cast<std::uint32_t>(14 + DibBitsOffset(picture)));
        std::string file(reinterpret_cast<const char*>(header), sizeof header);
        file.append(reinterpret_cast<const char*>(picture.data.data()), picture.data.size());
        return file;
    }

    void Table(const richtext::Table& table)
    {
        const auto edges = m_doc.ColumnEdges(table);
        m_out.append("<table cellspacing=\"0\" cellpadding=\"2\" style=\"border-collapse:collapse");
        const auto rows = m_doc.Rows(table);
        if (!rows.empty() && rows[0].left != 0) {
            m_out += ";margin-left:" + Points(rows[0].left);
        }
        m_out.append("\">\n");
        for (const Row& row : rows) {
            m_out.append("<tr>");
            for (const Cell& cell : m_doc.Cells(row)) {
                if (!cell.covered) {
                    CellStart(cell, edges);
                    Blocks(cell.blocks);
                    m_out.append("</td>");
                }
            }
            m_out.append("</tr>\n");
        }
        m_out.append("</table>\n");
    }

    void CellStart(const Cell& cell, std::span<const std::int32_t> edges)
    {
        m_out.append("<td");
        if (cell.columnSpan > 1) {
            m_out += " colspan=\"" + std::to_string(cell.columnSpan) + '"';
        }
        if (cell.rowSpan > 1) {
            m_out += " rowspan=\"" + std::to_string(cell.rowSpan) + '"';
        }
        std::int64_t width = cell.width;
        const std::size_t end = std::size_t{cell.column} + cell.columnSpan;
        if (end < edges.size()) {
            width = std::int64_t{edges[end]} - edges[cell.column];
        }
        m_out += " style=\"width:" + Points(width);
        static constexpr const char* kSides[] = {"top", "left", "bottom", "right"};
        for (int side = 0; side < 4; ++side) {
            const BorderLine& border = cell.borders[side];
            if (border.style == BorderStyle::None) {
                continue;
            }
            m_out += ";border-" + std::string(kSides[side]) + ':' +
                     std::to_string(std::max(1, border.width / 15)) + "px " +
                     BorderStyleName(border.style) + ' ' +
                     (border.color == kAutoColor ? std::string("#000000") : Rgb(border.color));
        }
        if (cell.shading != kAutoColor) {
            m_out += ";background-color:" + Rgb(cell.shading);
        }
        static constexpr const char* kVertical[] = {"top", "middle", "bottom"};
        m_out += std::string(";vertical-align:") + kVertical[static_cast<int>(cell.alignment)];
        m_out.append("\">");
    }

    const Document& m_doc;
    const HtmlOptions& m_options;
    std::string m_out;
};

} // namespace

std::string WriteHtml(const Document& doc, const HtmlOptions& options)
{
    return HtmlWriter(doc, options).Write();
}

} // namespace viewer::render::richtext

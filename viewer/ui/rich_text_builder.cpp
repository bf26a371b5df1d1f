#include "viewer/ui/rich_text_builder.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>

#include "platform/status.h"
#include "viewer/render/bitmap/dib.h"
#include "viewer/render/metafile/metafile_player.h"
#include "viewer/ui/picture_painter.h"

namespace viewer::ui {

namespace rt = viewer::render::richtext;

namespace {

constexpr double kMaxFontPoints = 144;
constexpr double kMaxIndentPixels = 2000;
constexpr int kMaxPictureSide = 4000;
// Frames are drawn at most this large and scaled to their place.
constexpr int kMaxFrameSide = 512;
// A table wider than this, or with more cells in its grid, shows its cells one after
// another instead: Qt's layout of a table grows with its grid, not with its content.
constexpr int kMaxColumns = 64;
constexpr std::int64_t kMaxGridCells = 200000;
// Decoding a picture never asks for more than this (QImageReader's allocation limit).
constexpr int kImageAllocationMegabytes = 256;

QColor ColorOf(std::uint32_t rgb)
{
    return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>(rgb & 0xFF));
}

double Pixels(std::int64_t twips, double limit = kMaxIndentPixels)
{
    return std::clamp(PixelsFromTwips(twips), -limit, limit);
}

QString TextOf(std::string_view utf8)
{
    QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    // A line break inside a paragraph; a plain '\n' would start a new block.
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return text;
}

QFont::StyleHint HintOf(const rt::Font& font)
{
    if (font.pitch == 1) {
        return QFont::Monospace;
    }
    switch (font.family) {
    case rt::FontFamily::Roman:
        return QFont::Serif;
    case rt::FontFamily::Swiss:
        return QFont::SansSerif;
    case rt::FontFamily::Modern:
        return QFont::Monospace;
    case rt::FontFamily::Script:
        return QFont::Cursive;
    case rt::FontFamily::Decorative:
        return QFont::Decorative;
    default:
        return QFont::AnyStyle;
    }
}

QTextCharFormat::UnderlineStyle UnderlineOf(rt::Underline underline)
{
    switch (underline) {
    case rt::Underline::None:
        return QTextCharFormat::NoUnderline;
    case rt::Underline::Dotted:
        return QTextCharFormat::DotLine;
    case rt::Underline::Dashed:
        return QTextCharFormat::DashUnderline;
    case rt::Underline::Wave:
        return QTextCharFormat::WaveUnderline;
    default:
        return QTextCharFormat::SingleUnderline;
    }
}

QTextFrameFormat::BorderStyle BorderStyleOf(rt::BorderStyle style)
{
    switch (style) {
    case rt::BorderStyle::Double:
        return QTextFrameFormat::BorderStyle_Double;
    case rt::BorderStyle::Dotted:
        return QTextFrameFormat::BorderStyle_Dotted;
    case rt::BorderStyle::Dashed:
        return QTextFrameFormat::BorderStyle_Dashed;
    case rt::BorderStyle::None:
        return QTextFrameFormat::BorderStyle_None;
    default:
        return QTextFrameFormat::BorderStyle_Solid;
    }
}

// The empty frame that stands for a picture that cannot be drawn.
QImage Frame(QSize size)
{
    const QSize drawn = size.boundedTo(QSize(kMaxFrameSide, kMaxFrameSide)).expandedTo(QSize(2, 2));
    QImage frame(drawn, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    QPainter painter(&frame);
    painter.setPen(QColor(0xA0, 0xA0, 0xA0));
    painter.drawRect(0, 0, drawn.width() - 1, drawn.height() - 1);
    return frame;
}

QImage DecodeDib(const rt::Picture& picture)
{
    viewer::render::bitmap::Image decoded;
    if (platform::Failed(viewer::render::bitmap::DecodeDib(picture.data, decoded)) ||
        decoded.Empty()) {
        return {};
    }
    QImage image(static_cast<int>(decoded.width), static_cast<int>(decoded.height),
                 QImage::Format_ARGB32);
    for (std::uint32_t y = 0; y < decoded.height; ++y) {
        std::copy_n(decoded.pixels.data() + std::size_t{y} * decoded.width, decoded.width,
                    reinterpret_cast<std::uint32_t*>(image.scanLine(static_cast<int>(y))));
    }
    return image;
}

class Builder {
  public:
    Builder(const rt::Document& model, QTextDocument& document, const RichTextBuildOptions& options)
        : m_model(model), m_document(document), m_options(options),
          m_charFormats(model.charFormats.size()), m_blockFormats(model.paragraphFormats.size())
    {
    }

    void Build()
    {
        m_document.clear();
        m_document.setUndoRedoEnabled(false);
        QTextCursor cursor(&m_document);
        cursor.beginEditBlock();
        Blocks(cursor, m_model.body);
        cursor.endEditBlock();
    }

  private:
    void Blocks(QTextCursor& cursor, rt::Range range)
    {
        for (const rt::Block& block : m_model.Blocks(range)) {
            if (block.kind == rt::BlockKind::Paragraph) {
                Paragraph(cursor, m_model.paragraphs[block.index]);
            } else {
                Table(cursor, m_model.tables[block.index]);
            }
        }
    }

    // The format of the paragraph's first shown run, which also sizes an empty paragraph.
    QTextCharFormat LeadFormat(const rt::Paragraph& paragraph)
    {
        for (const rt::Run& run : m_model.Runs(paragraph)) {
            if (!m_model.Format(run).hidden) {
                return CharFormat(run.format);
            }
        }
        return paragraph.runs.count > 0 ? CharFormat(m_model.Runs(paragraph)[0].format)
                                        : QTextCharFormat();
    }

    // Starts the block of a paragraph: the container's first block is used as it is, every
    // later one is inserted.
    void StartBlock(QTextCursor& cursor, const QTextBlockFormat& format,
                    const QTextCharFormat& charFormat)
    {
        if (m_fresh) {
            cursor.setBlockFormat(format);
            cursor.setBlockCharFormat(charFormat);
            m_fresh = false;
        } else {
            cursor.insertBlock(format, charFormat);
        }
    }

    void Paragraph(QTextCursor& cursor, const rt::Paragraph& paragraph)
    {
        const QTextCharFormat lead = LeadFormat(paragraph);
        StartBlock(cursor, BlockFormat(paragraph.format), lead);
        if (paragraph.listText.count > 0) {
            cursor.insertText(TextOf(m_model.Text(paragraph.listText)) + QLatin1Char('\t'), lead);
        }
        for (const rt::Run& run : m_model.Runs(paragraph)) {
            const rt::CharFormat& format = m_model.Format(run);
            if (format.hidden) {
                continue;
            }
            switch (run.kind) {
            case rt::RunKind::Text:
                cursor.insertText(TextOf(m_model.Text(run)), WithAnchors(CharFormat(run.format)));
                break;
            case rt::RunKind::Picture:
                if (run.first < m_model.pictures.size()) {
                    Picture(cursor, run.first, WithAnchors(CharFormat(run.format)));
                }
                break;
            case rt::RunKind::Anchor:
                m_anchors << TextOf(m_model.Text(run));
                break;
            }
        }
    }

    // A bookmark names the text that follows it.
    QTextCharFormat WithAnchors(QTextCharFormat format)
    {
        if (!m_anchors.isEmpty()) {
            format.setAnchor(true);
            format.setAnchorNames(m_anchors);
            m_anchors.clear();
        }
        return format;
    }

    const QTextCharFormat& CharFormat(std::uint32_t index)
    {
        std::optional<QTextCharFormat>& cached = m_charFormats[index];
        if (cached) {
            return *cached;
        }
        const rt::CharFormat& f = m_model.charFormats[index];
        QTextCharFormat format;
        if (f.font < m_model.fonts.size()) {
            const rt::Font& font = m_model.fonts[f.font];
            if (!font.name.empty()) {
                format.setFontFamilies(QStringList{QString::fromStdString(font.name)});
            }
            format.setFontStyleHint(HintOf(font));
        }
        format.setFontPointSize(std::clamp(f.halfPoints / 2.0, 1.0, kMaxFontPoints));
        if (f.bold) {
            format.setFontWeight(QFont::Bold);
        }
        format.setFontItalic(f.italic);
        format.setUnderlineStyle(UnderlineOf(f.underline));
        format.setFontStrikeOut(f.strike);
        if (f.color != rt::kAutoColor) {
            format.setForeground(ColorOf(f.color));
        }
        const std::uint32_t background = f.highlight != rt::kAutoColor ? f.highlight : f.background;
        if (background != rt::kAutoColor) {
            format.setBackground(ColorOf(background));
        }
        if (f.position == rt::VerticalPosition::Superscript) {
            format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        } else if (f.position == rt::VerticalPosition::Subscript) {
            format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        }
        if (f.caps) {
            format.setFontCapitalization(QFont::AllUppercase);
        } else if (f.smallCaps) {
            format.setFontCapitalization(QFont::SmallCaps);
        }
        if (f.link != rt::kNoLink && f.link < m_model.links.size()) {
            format.setAnchor(true);
            format.setAnchorHref(QString::fromStdString(m_model.links[f.link].target));
        }
        cached = format;
        return *cached;
    }

    const QTextBlockFormat& BlockFormat(std::uint32_t index)
    {
        std::optional<QTextBlockFormat>& cached = m_blockFormats[index];
        if (cached) {
            return *cached;
        }
        const rt::ParagraphFormat& f = m_model.paragraphFormats[index];
        QTextBlockFormat format;
        static constexpr Qt::Alignment kAlignments[] = {Qt::AlignLeft, Qt::AlignRight,
                                                        Qt::AlignHCenter, Qt::AlignJustify};
        format.setAlignment(kAlignments[static_cast<int>(f.alignment)]);
        if (f.rightToLeft) {
            format.setLayoutDirection(Qt::RightToLeft);
        }
        const double left = std::max(0.0, Pixels(f.leftIndent));
        format.setLeftMargin(left);
        format.setRightMargin(std::max(0.0, Pixels(f.rightIndent)));
        // A hanging indent reaches back at most to the paragraph's left edge.
        format.setTextIndent(std::max(-left, Pixels(f.firstLineIndent)));
        format.setTopMargin(std::max(0.0, Pixels(f.spaceBefore)));
        format.setBottomMargin(std::max(0.0, Pixels(f.spaceAfter)));
        if (f.lineSpacingMultiple && f.lineSpacing > 0) {
            format.setLineHeight(std::min(f.lineSpacing * 100.0 / 240.0, 1000.0),
                                 QTextBlockFormat::ProportionalHeight);
        } else if (f.lineSpacing > 0) {
            format.setLineHeight(Pixels(f.lineSpacing), QTextBlockFormat::MinimumHeight);
        } else if (f.lineSpacing < 0) {
            format.setLineHeight(Pixels(-std::int64_t{f.lineSpacing}),
                                 QTextBlockFormat::FixedHeight);
        }
        cached = format;
        return *cached;
    }

    void Picture(QTextCursor& cursor, std::uint32_t index, const QTextCharFormat& around)
    {
        const rt::Picture& picture = m_model.pictures[index];
        const rt::PictureSize shown = rt::DisplaySize(picture);
        QSize size(static_cast<int>(PixelsFromTwips(shown.width)),
                   static_cast<int>(PixelsFromTwips(shown.height)));
        QImage image = Decode(picture, size);
        if (size.width() <= 0 || size.height() <= 0) {
            size = image.isNull() ? QSize(16, 16) : image.size();
        }
        size = size.boundedTo(QSize(kMaxPictureSide, kMaxPictureSide)).expandedTo(QSize(1, 1));
        if (image.isNull()) {
            image = Frame(size);
        }
        const QString name = QStringLiteral("pallion-picture:%1").arg(index);
        m_document.addResource(QTextDocument::ImageResource, QUrl(name), image);
        QTextImageFormat format;
        format.merge(around);
        format.setName(name);
        format.setWidth(size.width());
        format.setHeight(size.height());
        cursor.insertImage(format);
    }

    QImage Decode(const rt::Picture& picture, QSize size) const
    {
        if (!picture.usable) {
            return {};
        }
        switch (picture.format) {
        case rt::PictureFormat::Png:
            return DecodePicture(picture.data, "png", m_options.maxPicturePixels);
        case rt::PictureFormat::Jpeg:
            return DecodePicture(picture.data, "jpeg", m_options.maxPicturePixels);
        case rt::PictureFormat::Dib:
            return DecodeDib(picture);
        case rt::PictureFormat::Wmf:
            if (m_options.drawMetafile && size.width() > 0 && size.height() > 0) {
                return m_options.drawMetafile(
                    picture.data, picture.metafileMapMode,
                    size.boundedTo(QSize(kMaxPictureSide, kMaxPictureSide)));
            }
            return {};
        default:
            return {};
        }
    }

    void Table(QTextCursor& cursor, const rt::Table& table)
    {
        const auto rows = m_model.Rows(table);
        const int columns = table.columns;
        if (rows.empty() || columns == 0) {
            return;
        }
        if (columns > kMaxColumns ||
            static_cast<std::int64_t>(rows.size()) * columns > kMaxGridCells) {
            for (const rt::Row& row : rows) { // the cells' content, one after another
                for (const rt::Cell& cell : m_model.Cells(row)) {
                    Blocks(cursor, cell.blocks);
                }
            }
            return;
        }
        const auto edges = m_model.ColumnEdges(table);
        QTextTableFormat format;
        format.setBorder(0);
        format.setBorderCollapse(true);
        format.setCellSpacing(0);
        format.setCellPadding(3);
        format.setLeftMargin(std::max(0.0, Pixels(rows.front().left)));
        if (rows.front().alignment == rt::RowAlignment::Center) {
            format.setAlignment(Qt::AlignHCenter);
        } else if (rows.front().alignment == rt::RowAlignment::Right) {
            format.setAlignment(Qt::AlignRight);
        }
        if (edges.size() == static_cast<std::size_t>(columns) + 1) {
            QList<QTextLength> widths;
            for (int column = 0; column < columns; ++column) {
                widths << QTextLength(QTextLength::FixedLength,
                                      std::max(1.0, Pixels(std::int64_t{edges[column + 1]} -
                                                               edges[column],
                                                           kMaxPictureSide)));
            }
            format.setColumnWidthConstraints(widths);
        }
        if (!m_fresh) {
            cursor.insertBlock();
        }
        QTextTable* qtable = cursor.insertTable(static_cast<int>(rows.size()), columns, format);
        const int rowCount = static_cast<int>(rows.size());
        // Content first: the first block of a cell shares its format with the cell, so a
        // paragraph's formats written after the cell's would wipe its spans and borders.
        for (int r = 0; r < rowCount; ++r) {
            for (const rt::Cell& cell : m_model.Cells(rows[static_cast<std::size_t>(r)])) {
                if (cell.covered || cell.column >= columns) {
                    continue;
                }
                QTextCursor inside = qtable->cellAt(r, cell.column).firstCursorPosition();
                m_fresh = true;
                Blocks(inside, cell.blocks);
            }
        }
        for (int r = 0; r < rowCount; ++r) {
            for (const rt::Cell& cell : m_model.Cells(rows[static_cast<std::size_t>(r)])) {
                if (cell.covered || cell.column >= columns) {
                    continue;
                }
                if (cell.rowSpan > 1 || cell.columnSpan > 1) {
                    qtable->mergeCells(
                        r, cell.column,
                        static_cast<int>(std::min<std::uint32_t>(cell.rowSpan, rowCount - r)),
                        std::min<int>(cell.columnSpan, columns - cell.column));
                }
                QTextTableCell qcell = qtable->cellAt(r, cell.column);
                qcell.setFormat(CellFormat(cell));
            }
        }
        cursor = qtable->lastCursorPosition();
        cursor.movePosition(QTextCursor::NextBlock);
        m_fresh = true;
    }

    static QTextTableCellFormat CellFormat(const rt::Cell& cell)
    {
        QTextTableCellFormat format;
        if (cell.shading != rt::kAutoColor) {
            format.setBackground(ColorOf(cell.shading));
        }
        if (cell.alignment == rt::CellAlignment::Center) {
            format.setVerticalAlignment(QTextCharFormat::AlignMiddle);
        } else if (cell.alignment == rt::CellAlignment::Bottom) {
            format.setVerticalAlignment(QTextCharFormat::AlignBottom);
        }
        using Setter = void (QTextTableCellFormat::*)(qreal);
        using StyleSetter = void (QTextTableCellFormat::*)(QTextFrameFormat::BorderStyle);
        using BrushSetter = void (QTextTableCellFormat::*)(const QBrush&);
        static constexpr Setter kWidths[] = {
            &QTextTableCellFormat::setTopBorder, &QTextTableCellFormat::setLeftBorder,
            &QTextTableCellFormat::setBottomBorder, &QTextTableCellFormat::setRightBorder};
        static constexpr StyleSetter kStyles[] = {
            &QTextTableCellFormat::setTopBorderStyle, &QTextTableCellFormat::setLeftBorderStyle,
            &QTextTableCellFormat::setBottomBorderStyle, &QTextTableCellFormat::setRightBorderStyle};
        static constexpr BrushSetter kBrushes[] = {
            &QTextTableCellFormat::setTopBorderBrush, &QTextTableCellFormat::setLeftBorderBrush,
            &QTextTableCellFormat::setBottomBorderBrush, &QTextTableCellFormat::setRightBorderBrush};
        for (int side = 0; side < 4; ++side) {
            const rt::BorderLine& border = cell.borders[side];
            if (border.style == rt::BorderStyle::None) {
                (format.*kWidths[side])(0);
                continue;
            }
            (format.*kWidths[side])(std::clamp(PixelsFromTwips(border.width), 1.0, 8.0));
            (format.*kStyles[side])(BorderStyleOf(border.style));
            (format.*kBrushes[side])(border.color == rt::kAutoColor ? QColor(Qt::black)
                                                                     : ColorOf(border.color));
        }
        return format;
    }

    const rt::Document& m_model;
    QTextDocument& m_document;
    const RichTextBuildOptions& m_options;
    std::vector<std::optional<QTextCharFormat>> m_charFormats;
    std::vector<std::optional<QTextBlockFormat>> m_blockFormats;
    QStringList m_anchors; // bookmarks waiting for the text they name
    bool m_fresh = true;   // the cursor's block is the untouched first block of its container
};

} // namespace

QImage DecodePicture(std::span<const std::uint8_t> bytes, const char* format,
                     std::int64_t maxPixels)
{
    QImageReader::setAllocationLimit(kImageAllocationMegabytes);
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    if (format == nullptr) {
        static const QList<QByteArray> kAllowed = {"png", "jpeg", "gif", "bmp"};
        if (!kAllowed.contains(reader.format())) {
            return {};
        }
    }
    const QSize size = reader.size();
    if (!size.isValid() || std::int64_t{size.width()} * size.height() > maxPixels) {
        return {};
    }
    QImage image;
    reader.read(&image);
    return image;
}

QImage DrawMetafilePicture(std::span<const std::uint8_t> bytes, int /*mapMode*/, QSize size)
{
    // Scaling the window onto the goal size is what the anisotropic mode of \wmetafile8 asks
    // for; bodies write no other, and the records set their own mapping anyway.
    viewer::render::metafile::Picture picture;
    if (platform::Failed(viewer::render::metafile::PlayMetafile(bytes, picture))) {
        return {};
    }
    return RenderPicture(picture, size);
}

void BuildTextDocument(const rt::Document& model, QTextDocument& document,
                       const RichTextBuildOptions& options)
{
    Builder(model, document, options).Build();
}

} // namespace viewer::ui

// The builder of the rich-text pane's document, offscreen: a table whose merged cells span
// in Qt's table and whose nested table lands inside its cell, a link that keeps its target,
// and pictures placed at their goal sizes, the metafile one through the hook.
#include <QBuffer>
#include <QImage>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <gtest/gtest.h>

#include "viewer/render/richtext/rtf_reader.h"
#include "viewer/ui/rich_text_builder.h"

namespace viewer::ui {
namespace {

std::string PngHex(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toHex().toStdString();
}

void Build(const std::string& rtf, QTextDocument& document, const RichTextBuildOptions& options)
{
    const auto model = viewer::render::richtext::ReadRtf(
        {reinterpret_cast<const std::uint8_t*>(rtf.data()), rtf.size()});
    BuildTextDocument(model, document, options);
}

std::vector<QTextImageFormat> Images(const QTextDocument& document)
{
    std::vector<QTextImageFormat> images;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat()) {
                images.push_back(it.fragment().charFormat().toImageFormat());
            }
        }
    }
    return images;
}

TEST(RichTextBuilder, TablesMergesNestingAndLinks)
{
    // Row 1: a cell merged across two columns, then a cell that starts a vertical merge.
    // Row 2: two cells, the second holding a nested table, then the covered cell.
    const std::string rtf =
        "{\\rtf1\\ansi before\\par"
        "\\trowd\\clmgf\\cellx1000\\clmrg\\cellx2000\\clvmgf\\cellx3000"
        "\\pard\\intbl wide\\cell\\cell tall\\cell\\row"
        "\\trowd\\cellx1000\\cellx2000\\clvmrg\\cellx3000"
        "\\pard\\intbl left\\cell\\pard\\intbl\\itap2 inner\\nestcell"
        "{\\*\\nesttableprops\\trowd\\cellx800\\nestrow}{\\nonesttables\\par}"
        "\\pard\\intbl\\itap1 \\cell\\cell\\row"
        "\\pard {\\field{\\*\\fldinst{HYPERLINK \"https://example.com/x\"}}"
        "{\\fldrslt{site}}}\\par}";
    QTextDocument document;
    Build(rtf, document, {});

    QTextTable* table = nullptr;
    for (QTextFrame* frame : document.rootFrame()->childFrames()) {
        table = table ? table : qobject_cast<QTextTable*>(frame);
    }
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rows(), 2);
    EXPECT_EQ(table->columns(), 3);
    EXPECT_EQ(table->cellAt(0, 0).columnSpan(), 2);
    EXPECT_EQ(table->cellAt(0, 2).rowSpan(), 2);
    EXPECT_EQ(table->cellAt(0, 0).firstCursorPosition().block().text(), QStringLiteral("wide"));
    EXPECT_EQ(table->cellAt(1, 2).firstCursorPosition().block().text(), QStringLiteral("tall"));
    const QList<QTextFrame*> nested = table->childFrames();
    ASSERT_EQ(nested.size(), 1);
    auto* inner = qobject_cast<QTextTable*>(nested.front());
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->cellAt(0, 0).firstCursorPosition().block().text(), QStringLiteral("inner"));
    EXPECT_EQ(table->cellAt(inner->firstPosition()).column(), 1);

    const QTextCursor link = document.find(QStringLiteral("site"));
    ASSERT_FALSE(link.isNull());
    EXPECT_EQ(link.charFormat().anchorHref(), QStringLiteral("https://example.com/x"));
    EXPECT_TRUE(document.toPlainText().startsWith(QStringLiteral("before")));
}

TEST(RichTextBuilder, PicturesTakeTheirGoalSizesAndMetafilesGoThroughTheHook)
{
    // 1500 x 750 twips is 100 x 50 pixels; the PNG itself is 8 x 4.
    const std::string rtf = "{\\rtf1 {\\pict\\pngblip\\picwgoal1500\\pichgoal750 " + PngHex(8, 4) +
                            "}{\\pict\\wmetafile8\\picw2000\\pich1000\\picwgoal3000\\pichgoal1500 "
                            "0100090000030c0000000000030000000000030000000000}\\par}";
    int calls = 0;
    RichTextBuildOptions options;
    options.drawMetafile = [&](std::span<const std::uint8_t> bytes, int mapMode, QSize size) {
        ++calls;
        EXPECT_EQ(mapMode, 8);
        EXPECT_EQ(size, QSize(200, 100));
        EXPECT_EQ(bytes.size(), 24u);
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::green);
        return image;
    };
    QTextDocument drawn;
    Build(rtf, drawn, options);
    EXPECT_EQ(calls, 1);
    auto images = Images(drawn);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(QSizeF(images[0].width(), images[0].height()), QSizeF(100, 50));
    EXPECT_EQ(QSizeF(images[1].width(), images[1].height()), QSizeF(200, 100));
    const QImage png = drawn.resource(QTextDocument::ImageResource, QUrl(images[0].name())).value<QImage>();
    EXPECT_EQ(png.size(), QSize(8, 4));
    const QImage metafile =
        drawn.resource(QTextDocument::ImageResource, QUrl(images[1].name())).value<QImage>();
    EXPECT_EQ(metafile.pixelColor(100, 50), QColor(Qt::green));

    // A metafile that draws nothing keeps its place as an empty frame of its goal size.
    QTextDocument framed;
    Build(rtf, framed, {});
    images = Images(framed);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(QSizeF(images[1].width(), images[1].height()), QSizeF(200, 100));
    const QImage frame =
        framed.resource(QTextDocument::ImageResource, QUrl(images[1].name())).value<QImage>();
    EXPECT_FALSE(frame.isNull());
}

TEST(RichTextBuilder, TheDefaultHookDrawsAMetafileScaledOntoItsGoalSize)
{
    // A window of 100 x 50 filled by a red rectangle with the default black pen, drawn at
    // 200 x 100 pixels.
    const std::string rtf = "{\\rtf1 {\\pict\\wmetafile8\\picwgoal3000\\pichgoal1500 "
                            "010009000003230000000100070000000000"
                            "050000000c0232006400"
                            "07000000fc020000ff0000000000"
                            "040000002d010000"
                            "070000001b043200640000000000"
                            "030000000000}\\par}";
    QTextDocument document;
    Build(rtf, document, {});
    const auto images = Images(document);
    ASSERT_EQ(images.size(), 1u);
    const QImage drawn =
        document.resource(QTextDocument::ImageResource, QUrl(images[0].name())).value<QImage>();
    ASSERT_EQ(drawn.size(), QSize(200, 100));
    EXPECT_EQ(drawn.pixelColor(100, 50), QColor(Qt::red));
    EXPECT_EQ(drawn.pixelColor(0, 50), QColor(Qt::black));
}

} // namespace
} // namespace viewer::ui

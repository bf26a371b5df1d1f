// The RTF document model turned into a QTextDocument for the rich-text pane: character and
// paragraph formats, tables with their merges, nesting, widths, borders and shading, list
// markers as the body wrote them, links and bookmarks, and pictures at the size the body
// gives them.
//
// Pictures are decoded here, under limits: PNG and JPEG through QImageReader with an
// allocation limit and a pixel cap checked before decoding, device-independent bitmaps
// through the bitmap room's decoder. A Windows metafile goes to the metafile hook below;
// whatever cannot be drawn (no hook yet, an enhanced metafile, a damaged picture) shows as an
// empty frame of the picture's size, so the text around it keeps its place.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include <QImage>
#include <QSize>

#include "viewer/render/richtext/rich_document.h"

class QTextDocument;

namespace viewer::ui {

// Draws a Windows metafile (`bytes` without a placeable header; `mapMode` the N of
// \wmetafileN) into an image of `size` pixels. A null image leaves the picture's empty frame.
using MetafileDrawer =
    std::function<QImage(std::span<const std::uint8_t> bytes, int mapMode, QSize size)>;

// The metafile hook the rich-text pane uses: the metafile player's steps drawn by the painter
// back end, the picture's window scaled onto `size`.
QImage DrawMetafilePicture(std::span<const std::uint8_t> bytes, int mapMode, QSize size);

struct RichTextBuildOptions {
    MetafileDrawer drawMetafile = DrawMetafilePicture;
    // A picture whose pixels would exceed this is not decoded (its frame shows instead).
    std::int64_t maxPicturePixels = std::int64_t{1} << 24;
};

// Replaces the content of `document` with the model. Undo is switched off on the document.
void BuildTextDocument(const viewer::render::richtext::Document& model, QTextDocument& document,
                       const RichTextBuildOptions& options = {});

// A PNG, JPEG, GIF or BMP picture decoded under QImageReader's allocation limit; `format`
// names the format the bytes must be in, or is null to go by their content. A null image
// when the bytes are no such picture or its pixels would exceed `maxPixels`.
QImage DecodePicture(std::span<const std::uint8_t> bytes, const char* format,
                     std::int64_t maxPixels = std::int64_t{1} << 24);

// Pixels at 96 dots per inch from twips (1/1440 inch).
constexpr double PixelsFromTwips(std::int64_t twips)
{
    return static_cast<double>(twips) / 15.0;
}

} // namespace viewer::ui

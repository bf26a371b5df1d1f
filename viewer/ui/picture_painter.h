// The QPainter back end of played metafiles: draws a Picture's steps (paths, text, bitmaps,
// clip regions) with its bounds scaled onto a target rectangle. The attachment-rendering
// and OLE-object panes draw with it, and so does the rich-text pane for its metafile pictures.
#pragma once

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>

#include "viewer/render/bitmap/image.h"
#include "viewer/render/metafile/picture.h"

class QPainter;

namespace viewer::ui {

// Draws `picture` so that its bounds fill `target` (in the painter's coordinates), clipped
// to `target`. A picture without bounds draws nothing.
void DrawPicture(QPainter& painter, const viewer::render::metafile::Picture& picture,
                 const QRectF& target);

// The picture drawn on an image of `size` pixels filled with `background` first.
QImage RenderPicture(const viewer::render::metafile::Picture& picture, QSize size,
                     QColor background = Qt::transparent);

// The picture's text runs in drawing order, escaped as the core shows stream text: what
// assistive technology reads of a picture.
QString PictureText(const viewer::render::metafile::Picture& picture);

// A view of a decoded bitmap as a QImage, without a copy: valid while `image` lives.
QImage ImageView(const viewer::render::bitmap::Image& image);

} // namespace viewer::ui

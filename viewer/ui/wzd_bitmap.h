// CWzdBitmap: a bitmap resource with the colour table it carries. The header, the colour count
// and the colour table are read by the project's DIB reader; the pixels are decoded by Qt. For
// depths of 8 bits and fewer the table becomes the image's colour table, so the bitmap shows
// in the colours its file names whatever the decoder assumed.
#pragma once

#include <cstdint>

#include <QImage>
#include <QList>
#include <QString>

namespace viewer::ui {

class CWzdBitmap {
public:
    // Bitmap `id` of the viewer's resources (":/pallion/bitmap/<id>.bmp"). False, and an empty
    // bitmap, when there is none or it is no bitmap this reads.
    bool LoadFromResource(std::uint32_t id);
    // The same for a BMP file named by a resource path or a file path.
    bool LoadFromFile(const QString& path);

    // Width and height as the header stores them (a negative height: rows from the top).
    std::int32_t Width() const { return m_width; }
    std::int32_t Height() const { return m_height; }
    // The colour table as opaque colours; empty when the bitmap has none.
    const QList<QRgb>& Palette() const { return m_palette; }
    const QImage& Image() const { return m_image; }

private:
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    QList<QRgb> m_palette;
    QImage m_image;
};

} // namespace viewer::ui

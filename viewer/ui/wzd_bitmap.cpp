#include "viewer/ui/wzd_bitmap.h"

#include <span>

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include "viewer/render/bitmap/dib.h"

namespace viewer::ui {

namespace {

// Resources are ours, but the same reader takes any file: a bitmap larger than this is refused
// before it is read, and Qt's decoder gets the same bound.
constexpr qint64 kMaxBitmapBytes = qint64{64} << 20;
constexpr int kAllocationLimitMiB = 96;

} // namespace

bool CWzdBitmap::LoadFromResource(std::uint32_t id)
{
    return LoadFromFile(QStringLiteral(":/pallion/bitmap/%1.bmp").arg(id));
}

bool CWzdBitmap::LoadFromFile(const QString& path)
{
    *this = CWzdBitmap();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxBitmapBytes) {
        return false;
    }
    const QByteArray bytes = file.readAll();
    const std::span<const std::uint8_t> whole(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                              static_cast<std::size_t>(bytes.size()));
    std::span<const std::uint8_t> dib;
    viewer::render::bitmap::DibInfo info;
    if (viewer::render::bitmap::DibOfBmpFile(whole, dib) < 0 ||
        viewer::render::bitmap::ReadDibInfo(dib, viewer::render::bitmap::DibColourUse::Rgb, {},
                                            info) < 0) {
        return false;
    }
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, "bmp");
    reader.setAllocationLimit(kAllocationLimitMiB);
    QImage image = reader.read();
    if (image.isNull()) {
        return false;
    }
    QList<QRgb> palette;
    palette.reserve(static_cast<qsizetype>(info.colourTable.size()));
    for (std::uint32_t rgb : info.colourTable) {
        palette.append(qRgb(qRed(rgb), qGreen(rgb), qBlue(rgb)));
    }
    if (!palette.isEmpty() && info.bitCount <= 8) {
        if (image.format() != QImage::Format_Indexed8 && image.format() != QImage::Format_Mono &&
            image.format() != QImage::Format_MonoLSB) {
            image = image.convertToFormat(QImage::Format_Indexed8, palette);
        }
        image.setColorTable(palette);
    }
    m_width = info.width;
    m_height = info.height;
    m_palette = std::move(palette);
    m_image = std::move(image);
    return true;
}

} // namespace viewer::ui

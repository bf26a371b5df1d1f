#include "viewer/render/metafile/metafile_pane.h"

#include <algorithm>
#include <cmath>

#include "viewer/render/metafile/metafile_player.h"

namespace viewer::render::metafile {

using platform::E_FAIL;
using platform::S_OK;
using platform::StatusCode;

namespace {

// Hostile units per inch can ask for controls no screen holds.
constexpr double kMaxPixelCoordinate = 65535;

int ToPixels(double units, double unitsPerInch, int dpi)
{
    const double pixels = units * dpi / unitsPerInch;
    return static_cast<int>(
        std::lround(std::clamp(pixels, -kMaxPixelCoordinate, kMaxPixelCoordinate)));
}

} // namespace

StatusCode AttachmentMetafileSize(std::span<const std::uint8_t> data, std::size_t& n)
{
    MetafileLayout layout;
    if (ReadMetafileLayout(data, layout) < 0 || layout.size == 0 ||
        layout.size > kMaxAttachmentMetafileBytes) {
        return E_FAIL;
    }
    n = layout.size;
    return S_OK;
}

StatusCode LoadAttachmentMetafile(std::span<const std::uint8_t> data, Picture& picture,
                                  std::size_t& n)
{
    std::size_t size = 0;
    if (const StatusCode status = AttachmentMetafileSize(data, size); platform::Failed(status)) {
        return status;
    }
    MetafileLayout layout;
    (void)ReadMetafileLayout(data, layout);
    if (const StatusCode status = PlayMetafile(data.first(layout.headerOffset + size), picture);
        platform::Failed(status)) {
        return status;
    }
    n = size;
    return S_OK;
}

PixelRect PictureBoundsInPixels(const Picture& picture, int dpiX, int dpiY)
{
    const RectD& b = picture.bounds;
    const double perInch = picture.unitsPerInch > 0 ? picture.unitsPerInch : 96;
    return {ToPixels(b.left, perInch, dpiX), ToPixels(b.top, perInch, dpiY),
            ToPixels(b.right, perInch, dpiX), ToPixels(b.bottom, perInch, dpiY)};
}

PixelRect PictureControlRect(const std::optional<PixelRect>& existing, const Picture* picture,
                             const PixelRect& client, int dpiX, int dpiY)
{
    if (existing) {
        return *existing;
    }
    if (picture) {
        const PixelRect bounds = PictureBoundsInPixels(*picture, dpiX, dpiY);
        if (bounds.right > bounds.left && bounds.bottom > bounds.top) {
            return bounds;
        }
    }
    return client;
}

RectD FitCentred(double width, double height, const PixelRect& area)
{
    const double areaWidth = double(area.right) - area.left;
    const double areaHeight = double(area.bottom) - area.top;
    if (!(width > 0 && height > 0 && areaWidth > 0 && areaHeight > 0)) {
        return {};
    }
    const double scale = std::min(areaWidth / width, areaHeight / height);
    const double w = width * scale;
    const double h = height * scale;
    const double left = area.left + (areaWidth - w) / 2;
    const double top = area.top + (areaHeight - h) / 2;
    return {left, top, left + w, top + h};
}

} // namespace viewer::render::metafile

#include "viewer/render/richtext/rich_document.h"

#include <algorithm>

#include "viewer/render/richtext/picture_check_p.h"

namespace viewer::render::richtext {

namespace {

constexpr std::int64_t kTwipsPerPixel = 15; // at 96 dpi
constexpr std::int64_t kMaxSide = 22 * 1440;

std::int64_t Scaled(std::int64_t twips, std::int32_t percent)
{
    if (percent <= 0) {
        percent = 100;
    }
    return std::clamp<std::int64_t>(twips * percent / 100, 0, kMaxSide);
}

} // namespace

PictureSize DisplaySize(const Picture& picture)
{
    const bool bitmap =
        picture.format == PictureFormat::Dib || picture.format == PictureFormat::Ddb;
    std::int64_t width = 0, height = 0;
    if (!bitmap && picture.width > 0 && picture.height > 0) {
        width = std::int64_t{picture.width} * 1440 / 2540; // 0.01 mm to twips
        height = std::int64_t{picture.height} * 1440 / 2540;
    } else if (bitmap && picture.width > 0 && picture.height > 0) {
        width = std::int64_t{picture.width} * kTwipsPerPixel;
        height = std::int64_t{picture.height} * kTwipsPerPixel;
    } else if (PixelSize(picture, width, height)) {
        width = std::min(width, kMaxSide) * kTwipsPerPixel;
        height = std::min(height, kMaxSide) * kTwipsPerPixel;
    }
    if (picture.goalWidth > 0) {
        width = picture.goalWidth;
    }
    if (picture.goalHeight > 0) {
        height = picture.goalHeight;
    }
    return PictureSize{static_cast<std::int32_t>(Scaled(width, picture.scaleX)),
                       static_cast<std::int32_t>(Scaled(height, picture.scaleY))};
}

} // namespace viewer::render::richtext

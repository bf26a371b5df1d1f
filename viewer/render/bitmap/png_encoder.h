// PNG files of decoded pictures, so that the SVG writer can embed bitmaps as data that any
// SVG reader shows.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/status.h"
#include "viewer/render/bitmap/image.h"

namespace viewer::render::bitmap {

// An 8-bit RGBA PNG of `image` (fully opaque pictures as RGB). Fails only when zlib does.
[[nodiscard]] platform::StatusCode EncodePng(const Image& image, std::vector<std::uint8_t>& png);

} // namespace viewer::render::bitmap

// A decoded raster picture, the common currency of the DIB decoder, the metafile player's
// bitmap steps, the OLE presentations and the PNG encoder.
#pragma once

#include <cstdint>
#include <vector>

namespace viewer::render::bitmap {

// Straight (not premultiplied) ARGB, one 0xAARRGGBB value per pixel, rows from the top.
struct Image {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint32_t> pixels;

    bool Empty() const { return width == 0 || height == 0; }
};

// One decoded picture never holds more pixels than this (64 MiB of ARGB): a 16-bit header
// field or a few run-length codes can claim far more than any attachment needs.
inline constexpr std::uint64_t kMaxImagePixels = std::uint64_t{1} << 24;

inline constexpr std::uint32_t kOpaque = 0xFF000000u;

// 0x00RRGGBB from the blue, green, red order of RGBQUAD and RGBTRIPLE.
constexpr std::uint32_t RgbFromBgr(std::uint8_t blue, std::uint8_t green, std::uint8_t red)
{
    return (std::uint32_t{red} << 16) | (std::uint32_t{green} << 8) | blue;
}

} // namespace viewer::render::bitmap

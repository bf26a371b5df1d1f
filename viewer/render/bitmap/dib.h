// Device-independent bitmaps: the packed form (an information header, a colour table and
// the pixel bits) that metafile records, OLE presentations and BMP files carry.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/status.h"
#include "viewer/render/bitmap/image.h"

namespace viewer::render::bitmap {

using platform::StatusCode;

// BITMAPINFOHEADER compressions.
inline constexpr std::uint32_t BI_RGB = 0;
inline constexpr std::uint32_t BI_RLE8 = 1;
inline constexpr std::uint32_t BI_RLE4 = 2;
inline constexpr std::uint32_t BI_BITFIELDS = 3;
inline constexpr std::uint32_t BI_ALPHABITFIELDS = 6;

// What the colour table holds: RGB values (DIB_RGB_COLORS) or 16-bit indices into the
// logical palette selected where the bitmap is drawn (DIB_PAL_COLORS).
enum class DibColourUse { Rgb, PaletteIndices };

struct DibInfo {
    std::uint32_t headerSize = 0; // 12 for BITMAPCOREHEADER, 40 and up for the others
    std::int32_t width = 0;
    std::int32_t height = 0; // as stored: negative for rows from the top
    std::uint16_t bitCount = 0;
    std::uint32_t compression = BI_RGB;
    std::uint32_t colorsUsed = 0;
    // Entries in the colour table by the colour-count rule, and the table itself as
    // 0x00RRGGBB values (palette indices already resolved).
    std::uint32_t colourCount = 0;
    std::vector<std::uint32_t> colourTable;
    std::array<std::uint32_t, 3> masks{}; // red, green, blue of 16- and 32-bit pixels
    std::size_t bitsOffset = 0;           // the pixel bits, from the start of the DIB

    std::uint32_t AbsHeight() const;
};

// The number of colour-table entries: the colours-used field when it is not 0, otherwise
// 2 to the power of the bits per pixel below 9 bits, otherwise none.
std::uint32_t DibColourCount(std::uint32_t colorsUsed, std::uint16_t bitCount);

// Reads the header and colour table of a packed DIB. `palette` resolves DIB_PAL_COLORS
// indices (an index beyond it reads black). Fails for a header that is cut short or
// inconsistent, a table that runs past the bytes, or a picture above kMaxImagePixels.
[[nodiscard]] StatusCode ReadDibInfo(std::span<const std::uint8_t> dib, DibColourUse use,
                                     std::span<const std::uint32_t> palette, DibInfo& info);

// Decodes the pixels of a DIB whose header `info` describes: 1, 4, 8, 16, 24 and 32 bits
// per pixel, BI_RGB, BI_RLE8, BI_RLE4 and BI_BITFIELDS. Uncompressed bits must all be
// present; run-length pixels that the codes skip stay transparent. E_NOTIMPL for JPEG and
// PNG compressions.
[[nodiscard]] StatusCode DecodeDib(std::span<const std::uint8_t> dib, const DibInfo& info,
                                   Image& image);

// Header and pixels in one call, with RGB colours.
[[nodiscard]] StatusCode DecodeDib(std::span<const std::uint8_t> dib, Image& image);

// The packed DIB inside a BMP file (after the 14-byte "BM" file header).
[[nodiscard]] StatusCode DibOfBmpFile(std::span<const std::uint8_t> file,
                                      std::span<const std::uint8_t>& dib);

} // namespace viewer::render::bitmap

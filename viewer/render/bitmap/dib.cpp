#include "viewer/render/bitmap/dib.h"

#include <bit>
#include <limits>

#include "format/little_endian.h"

namespace viewer::render::bitmap {

using format::LoadLe16;
using format::LoadLe32;
using platform::E_FAIL;
using platform::E_NOTIMPL;
using platform::E_OUTOFMEMORY;
using platform::S_OK;

namespace {

// BITMAPCOREHEADER: bcSize (4), bcWidth (2), bcHeight (2), bcPlanes (2), bcBitCount (2).
constexpr std::size_t kCoreHeaderSize = 12;
// BITMAPINFOHEADER: biSize (4), biWidth (4), biHeight (4), biPlanes (2), biBitCount (2),
// biCompression (4), biSizeImage (4), biXPelsPerMeter (4), biYPelsPerMeter (4),
// biClrUsed (4), biClrImportant (4); BITMAPV2INFOHEADER and later append the masks.
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kOffWidth = 4;
constexpr std::size_t kOffHeight = 8;
constexpr std::size_t kOffBitCount = 14;
constexpr std::size_t kOffCompression = 16;
constexpr std::size_t kOffClrUsed = 32;
constexpr std::size_t kOffMasks = 40;

// BITMAPFILEHEADER: "BM", bfSize (4), two reserved words, bfOffBits (4).
constexpr std::size_t kFileHeaderSize = 14;

// Run-length codes can skip whole rows in two bytes; a picture may not claim more pixels
// per byte of codes than a sparse real one needs, so that a few bytes never allocate a
// full-size picture.
constexpr std::uint64_t kRlePixelsPerByte = 256;

bool IsKnownBitCount(std::uint16_t bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// One channel of a bit-field pixel, scaled to 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(std::uint32_t m) : mask(m)
    {
        if (m != 0) {
            shift = std::countr_zero(m);
            bits = std::popcount(m >> shift);
        }
    }
    std::uint32_t Value(std::uint32_t pixel) const
    {
        if (bits == 0) {
            return 0;
        }
        const std::uint32_t raw = (pixel & mask) >> shift;
        if (bits >= 8) {
            return raw >> (bits - 8);
        }
        const std::uint32_t max = (std::uint32_t{1} << bits) - 1;
        return (raw * 255 + max / 2) / max;
    }
};

class PixelSink {
public:
    PixelSink(Image& image, bool topDown) : m_image(image), m_topDown(topDown) {}
    // Row `y` counted in storage order, pixel `x` from the left.
    void Put(std::uint32_t x, std::uint32_t y, std::uint32_t rgb)
    {
        if (x >= m_image.width || y >= m_image.height) {
            return;
        }
        const std::uint32_t row = m_topDown ? y : m_image.height - 1 - y;
        m_image.pixels[std::size_t{row} * m_image.width + x] = kOpaque | (rgb & 0xFFFFFF);
    }

private:
    Image& m_image;
    bool m_topDown;
};

std::uint32_t TableColour(const DibInfo& info, std::uint32_t index)
{
    return index < info.colourTable.size() ? info.colourTable[index] : 0;
}

StatusCode DecodeUncompressed(std::span<const std::uint8_t> bits, const DibInfo& info,
                              PixelSink& sink)
{
    const std::uint64_t width = static_cast<std::uint32_t>(info.width);
    const std::uint64_t height = info.AbsHeight();
    const std::uint64_t stride = (width * info.bitCount + 31) / 32 * 4;
    if (stride * height > bits.size()) {
        return E_FAIL;
    }
    std::array<std::uint32_t, 3> masks = info.masks;
    if (info.compression == BI_RGB && info.bitCount == 16) {
        masks = {0x7C00, 0x03E0, 0x001F};
    } else if (info.compression == BI_RGB && info.bitCount == 32) {
        masks = {0xFF0000, 0x00FF00, 0x0000FF};
    }
    const Channel red(masks[0]);
    const Channel green(masks[1]);
    const Channel blue(masks[2]);
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* row = bits.data() + y * stride;
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint32_t rgb = 0;
            switch (info.bitCount) {
            case 1:
                rgb = TableColour(info, (row[x / 8] >> (7 - x % 8)) & 1);
                break;
            case 4:
                rgb = TableColour(info, (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF);
                break;
            case 8:
                rgb = TableColour(info, row[x]);
                break;
            case 24:
                rgb = RgbFromBgr(row[3 * x], row[3 * x + 1], row[3 * x + 2]);
                break;
            default: {
                const std::uint32_t pixel =
                    info.bitCount == 16 ? LoadLe16(row + 2 * x) : LoadLe32(row + 4 * x);
                rgb = (red.Value(pixel) << 16) | (green.Value(pixel) << 8) | blue.Value(pixel);
                break;
            }
            }
            sink.Put(x, y, rgb);
        }
    }
    return S_OK;
}

// [MS-WMF] 3.1.6 and the BITMAPINFOHEADER notes: pairs of (count, index) are runs; a zero
// count escapes: 0 ends the row, 1 ends the bitmap, 2 moves by the next two bytes (right,
// up), 3..255 introduce that many literal pixels padded to a 16-bit boundary. Rows count
// from the bottom; a damaged code stream ends the picture with what was decoded.
void DecodeRunLength(std::span<const std::uint8_t> codes, const DibInfo& info, PixelSink& sink)
{
    const bool nibbles = info.compression == BI_RLE4;
    const std::uint32_t height = info.AbsHeight();
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    std::size_t pos = 0;
    auto pixelOf = [&](std::uint8_t byte, std::uint32_t i) {
        return nibbles ? TableColour(info, i % 2 ? byte & 0xF : byte >> 4)
                       : TableColour(info, byte);
    };
    while (codes.size() - pos >= 2 && y < height) {
        const std::uint8_t count = codes[pos];
        const std::uint8_t value = codes[pos + 1];
        pos += 2;
        if (count > 0) {
            for (std::uint32_t i = 0; i < count; ++i) {
                sink.Put(x++, y, pixelOf(value, i));
            }
            continue;
        }
        if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            if (codes.size() - pos < 2) {
                return;
            }
            x += codes[pos];
            y += codes[pos + 1];
            pos += 2;
        } else {
            const std::size_t bytes = nibbles ? (value + 1u) / 2 : value;
            const std::size_t padded = bytes + (bytes % 2);
            if (codes.size() - pos < bytes) {
                return;
            }
            for (std::uint32_t i = 0; i < value; ++i) {
                sink.Put(x++, y, pixelOf(codes[pos + (nibbles ? i / 2 : i)], i));
            }
            pos += std::min(padded, codes.size() - pos);
        }
    }
}

} // namespace

std::uint32_t DibInfo::AbsHeight() const
{
    return height < 0 ? 0u - static_cast<std::uint32_t>(height)
                      : static_cast<std::uint32_t>(height);
}

std::uint32_t DibColourCount(std::uint32_t colorsUsed, std::uint16_t bitCount)
{
    if (colorsUsed != 0) {
        return colorsUsed;
    }
    return bitCount < 9 ? std::uint32_t{1} << bitCount : 0;
}

StatusCode ReadDibInfo(std::span<const std::uint8_t> dib, DibColourUse use,
                       std::span<const std::uint32_t> palette, DibInfo& info)
{
    std::uint32_t headerSize = 0;
    if (!format::LoadLe32At(dib, 0, headerSize) || headerSize > dib.size()) {
        return E_FAIL;
    }
    DibInfo read;
    read.headerSize = headerSize;
    std::size_t tableEntrySize = 4;
    if (headerSize == kCoreHeaderSize) {
        read.width = LoadLe16(dib.data() + 4);
        read.height = LoadLe16(dib.data() + 6);
        read.bitCount = LoadLe16(dib.data() + 10);
        tableEntrySize = 3;
    } else if (headerSize >= kInfoHeaderSize) {
        read.width = static_cast<std::int32_t>(LoadLe32(dib.data() + kOffWidth));
        read.height = static_cast<std::int32_t>(LoadLe32(dib.data() + kOffHeight));
        read.bitCount = LoadLe16(dib.data() + kOffBitCount);
        read.compression = LoadLe32(dib.data() + kOffCompression);
        read.colorsUsed = LoadLe32(dib.data() + kOffClrUsed);
    } else {
        return E_FAIL;
    }
    if (read.width <= 0 || read.height == 0 || !IsKnownBitCount(read.bitCount)) {
        return E_FAIL;
    }
    const bool runLength = read.compression == BI_RLE8 || read.compression == BI_RLE4;
    if (runLength && (read.height < 0 || read.bitCount != (read.compression == BI_RLE8 ? 8 : 4))) {
        return E_FAIL;
    }
    if (std::uint64_t{static_cast<std::uint32_t>(read.width)} * read.AbsHeight() >
        kMaxImagePixels) {
        return E_OUTOFMEMORY;
    }

    // The bit-field masks follow a 40-byte header (and lie inside the longer ones).
    std::size_t offset = headerSize;
    if (read.compression == BI_BITFIELDS || read.compression == BI_ALPHABITFIELDS) {
        if (read.bitCount != 16 && read.bitCount != 32) {
            return E_FAIL;
        }
        const std::size_t maskBytes = read.compression == BI_ALPHABITFIELDS ? 16 : 12;
        if (dib.size() < kOffMasks + 12) {
            return E_FAIL;
        }
        for (std::size_t i = 0; i < 3; ++i) {
            read.masks[i] = LoadLe32(dib.data() + kOffMasks + 4 * i);
        }
        if (headerSize == kInfoHeaderSize) {
            offset += maskBytes;
        }
    }

    read.colourCount = DibColourCount(read.colorsUsed, read.bitCount);
    if (use == DibColourUse::PaletteIndices) {
        tableEntrySize = 2;
    }
    if (offset > dib.size() || read.colourCount > (dib.size() - offset) / tableEntrySize) {
        return E_FAIL;
    }
    read.colourTable.reserve(read.colourCount);
    for (std::uint32_t i = 0; i < read.colourCount; ++i) {
        const std::uint8_t* entry = dib.data() + offset + std::size_t{i} * tableEntrySize;
        if (use == DibColourUse::PaletteIndices) {
            const std::uint16_t index = LoadLe16(entry);
            read.colourTable.push_back(index < palette.size() ? palette[index] & 0xFFFFFF : 0);
        } else {
            read.colourTable.push_back(RgbFromBgr(entry[0], entry[1], entry[2]));
        }
    }
    read.bitsOffset = offset + std::size_t{read.colourCount} * tableEntrySize;
    info = std::move(read);
    return S_OK;
}

StatusCode DecodeDib(std::span<const std::uint8_t> dib, const DibInfo& info, Image& image)
{
    if (info.bitsOffset > dib.size()) {
        return E_FAIL;
    }
    const auto bits = dib.subspan(info.bitsOffset);
    const bool runLength = info.compression == BI_RLE8 || info.compression == BI_RLE4;
    const bool bitFields =
        info.compression == BI_BITFIELDS || info.compression == BI_ALPHABITFIELDS;
    if (!runLength && !bitFields && info.compression != BI_RGB) {
        return E_NOTIMPL;
    }
    const std::uint64_t pixels =
        std::uint64_t{static_cast<std::uint32_t>(info.width)} * info.AbsHeight();
    if (runLength && pixels / kRlePixelsPerByte > bits.size()) {
        return E_FAIL;
    }

    Image decoded;
    decoded.width = static_cast<std::uint32_t>(info.width);
    decoded.height = info.AbsHeight();
    decoded.pixels.assign(pixels, 0);
    PixelSink sink(decoded, info.height < 0);
    if (runLength) {
        DecodeRunLength(bits, info, sink);
    } else if (const StatusCode status = DecodeUncompressed(bits, info, sink); platform::Failed(status)) {
        return status;
    }
    image = std::move(decoded);
    return S_OK;
}

StatusCode DecodeDib(std::span<const std::uint8_t> dib, Image& image)
{
    DibInfo info;
    if (const StatusCode status = ReadDibInfo(dib, DibColourUse::Rgb, {}, info); platform::Failed(status)) {
        return status;
    }
    return DecodeDib(dib, info, image);
}

StatusCode DibOfBmpFile(std::span<const std::uint8_t> file, std::span<const std::uint8_t>& dib)
{
    if (file.size() < kFileHeaderSize || file[0] != 'B' || file[1] != 'M') {
        return E_FAIL;
    }
    dib = file.subspan(kFileHeaderSize);
    return S_OK;
}

} // namespace viewer::render::bitmap

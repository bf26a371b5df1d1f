#include "viewer/render/richtext/picture_check_p.h"

#include <cstring>
#include <span>

#include "format/little_endian.h"

namespace viewer::render::richtext {

namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::uint32_t kEmfSignature = 0x464D4520; // " EMF"
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;

std::uint32_t LoadBe32(const std::uint8_t* bytes)
{
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | bytes[3];
}

bool ValidDepth(std::int64_t bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// BITMAPINFOHEADER (40 bytes or a later, longer version) or BITMAPCOREHEADER (12 bytes):
//   size u32 | width | height | planes u16 | bitCount u16 | compression u32 | sizeImage u32 |
//   xPels | yPels | clrUsed u32 | clrImportant u32, width and height i32 (u16 in the core form)
struct DibHeader {
    std::uint32_t size = 0;
    std::int64_t width = 0;
    std::int64_t height = 0; // negative: rows stored top-down
    std::uint32_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
};

bool ReadDibHeader(std::span<const std::uint8_t> data, DibHeader& header)
{
    std::uint32_t size = 0;
    if (!format::LoadLe32At(data, 0, size)) {
        return false;
    }
    if (size == 12) {
        std::uint16_t width = 0, height = 0, bits = 0;
        if (!format::LoadLe16At(data, 4, width) || !format::LoadLe16At(data, 6, height) ||
            !format::LoadLe16At(data, 10, bits)) {
            return false;
        }
        header = DibHeader{size, width, height, bits, 0, 0};
        return true;
    }
    std::uint32_t width = 0, height = 0, compression = 0, colors = 0;
    std::uint16_t bits = 0;
    if (size < 40 || size > data.size() || !format::LoadLe32At(data, 4, width) ||
        !format::LoadLe32At(data, 8, height) || !format::LoadLe16At(data, 14, bits) ||
        !format::LoadLe32At(data, 16, compression) || !format::LoadLe32At(data, 32, colors)) {
        return false;
    }
    header = DibHeader{size,
                       static_cast<std::int32_t>(width),
                       static_cast<std::int32_t>(height),
                       bits,
                       compression,
                       colors};
    return true;
}

// Header, palette and masks; the palette count comes from the file, so it is computed in
// 64 bits (at most 2^32 entries of 4 bytes) where it cannot wrap.
std::uint64_t BitsOffset(const DibHeader& header)
{
    const std::uint64_t entry = header.size == 12 ? 3 : 4;
    std::uint64_t colors = header.colorsUsed;
    if (colors == 0 && header.bitCount <= 8) {
        colors = std::uint64_t{1} << header.bitCount;
    }
    std::uint64_t offset = header.size + colors * entry;
    if (header.compression == 3 && header.size == 40) {
        offset += 12; // the three BI_BITFIELDS masks
    }
    return offset;
}

bool CheckDib(std::span<const std::uint8_t> data)
{
    DibHeader header;
    if (!ReadDibHeader(data, header) || header.width <= 0 || header.height == 0 ||
        !ValidDepth(header.bitCount)) {
        return false;
    }
    const std::uint64_t offset = BitsOffset(header);
    if (offset > data.size()) {
        return false;
    }
    const std::uint64_t remaining = data.size() - offset;
    if (header.compression != 0 && header.compression != 3) {
        return remaining > 0; // run-length or embedded images: their decoder checks them
    }
    const std::uint64_t height = header.height < 0 ? -header.height : header.height;
    const std::uint64_t stride =
        (static_cast<std::uint64_t>(header.width) * header.bitCount + 31) / 32 * 4;
    // Both factors are below 2^37, so the product cannot wrap.
    return stride * height <= remaining;
}

bool CheckDdb(const Picture& picture)
{
    if (picture.width <= 0 || picture.height <= 0 || picture.widthBytes <= 0 ||
        picture.planes == 0 || !ValidDepth(picture.bitsPerPixel)) {
        return false;
    }
    const std::uint64_t needed = (std::uint64_t(picture.width) * picture.bitsPerPixel + 7) / 8;
    if (std::uint64_t(picture.widthBytes) < needed) {
        return false;
    }
    return std::uint64_t(picture.widthBytes) * std::uint64_t(picture.height) * picture.planes <=
           picture.data.size();
}

// METAHEADER: type u16 (1 memory, 2 disk) | headerSize u16 (9 words) | version u16 | ...,
// 18 bytes; some writers put the 22-byte placeable header first.
bool CheckWmf(std::span<const std::uint8_t> data)
{
    std::uint32_t key = 0;
    if (format::LoadLe32At(data, 0, key) && key == kPlaceableKey) {
        data = data.subspan(22 <= data.size() ? 22 : data.size());
    }
    std::uint16_t type = 0, headerWords = 0;
    return data.size() >= 18 && format::LoadLe16At(data, 0, type) &&
           format::LoadLe16At(data, 2, headerWords) && (type == 1 || type == 2) && headerWords == 9;
}

} // namespace

std::size_t DibBitsOffset(const Picture& picture)
{
    DibHeader header;
    if (!ReadDibHeader(picture.data, header)) {
        return 0;
    }
    const std::uint64_t offset = BitsOffset(header);
    return offset <= picture.data.size() ? static_cast<std::size_t>(offset) : 0;
}

bool PixelSize(const Picture& picture, std::int64_t& width, std::int64_t& height)
{
    const auto& data = picture.data;
    if (picture.format == PictureFormat::Png) {
        if (data.size() < 24 || std::memcmp(data.data(), kPngSignature, 8) != 0) {
            return false;
        }
        width = LoadBe32(data.data() + 16);
        height = LoadBe32(data.data() + 20);
        return width > 0 && height > 0;
    }
    if (picture.format == PictureFormat::Dib) {
        DibHeader header;
        if (!ReadDibHeader(data, header) || header.width <= 0 || header.height == 0) {
            return false;
        }
        width = header.width;
        height = header.height < 0 ? -header.height : header.height;
        return true;
    }
    return false;
}

bool CheckPicture(const Picture& picture)
{
    const std::span<const std::uint8_t> data(picture.data);
    std::int64_t width = 0, height = 0;
    switch (picture.format) {
    case PictureFormat::Png:
        return PixelSize(picture, width, height);
    case PictureFormat::Jpeg:
        return data.size() >= 4 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
    case PictureFormat::Emf: {
        std::uint32_t type = 0, signature = 0;
        return format::LoadLe32At(data, 0, type) && type == 1 &&
               format::LoadLe32At(data, 40, signature) && signature == kEmfSignature;
    }
    case PictureFormat::Wmf:
        return CheckWmf(data);
    case PictureFormat::Dib:
        return CheckDib(data);
    case PictureFormat::Ddb:
        return CheckDdb(picture);
    case PictureFormat::MacPict:
    case PictureFormat::Unknown:
        return false;
    }
    return false;
}

} // namespace viewer::render::richtext

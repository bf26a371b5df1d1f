#include "viewer/render/richtext/picture_check_p.h"

#include <cstring>
#include <span>

#include "format/little_endian.h"
#include "platform/status.h"
#include "viewer/render/bitmap/dib.h"

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

bool ReadDib(const Picture& picture, bitmap::DibInfo& info)
{
    return platform::Succeeded(
        bitmap::ReadDibInfo(picture.data, bitmap::DibColourUse::Rgb, {}, info));
}

// Uncompressed pixels must all be there; run-length and embedded images are their
// decoder's to check.
bool CheckDib(const Picture& picture)
{
    bitmap::DibInfo info;
    if (!ReadDib(picture, info) || info.width <= 0 || info.height == 0 ||
        info.bitsOffset > picture.data.size()) {
        return false;
    }
    const std::uint64_t remaining = picture.data.size() - info.bitsOffset;
    if (info.compression != bitmap::BI_RGB && info.compression != bitmap::BI_BITFIELDS &&
        info.compression != bitmap::BI_ALPHABITFIELDS) {
        return remaining > 0;
    }
    const std::uint64_t stride =
        (static_cast<std::uint64_t>(info.width) * info.bitCount + 31) / 32 * 4;
    // The reader refused pictures above 2^24 pixels, so the product cannot wrap.
    return stride * info.AbsHeight() <= remaining;
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
    bitmap::DibInfo info;
    return ReadDib(picture, info) && info.bitsOffset <= picture.data.size() ? info.bitsOffset : 0;
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
        bitmap::DibInfo info;
        if (!ReadDib(picture, info) || info.width <= 0 || info.height == 0) {
            return false;
        }
        width = info.width;
        height = info.AbsHeight();
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
        return CheckDib(picture);
    case PictureFormat::Ddb:
        return CheckDdb(picture);
    case PictureFormat::MacPict:
    case PictureFormat::Unknown:
        return false;
    }
    return false;
}

} // namespace viewer::render::richtext

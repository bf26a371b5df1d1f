#include "viewer/render/ole/ole_streams.h"

#include <algorithm>

#include "format/byte_cursor.h"

namespace viewer::render::ole {

using platform::E_FAIL;
using platform::E_OUTOFMEMORY;
using platform::S_OK;

namespace {

constexpr std::size_t kCompObjHeaderSize = 28;
// ClipboardFormatOrAnsiString: a marker of -1 or -2 is followed by a standard format; 0
// means none; anything else is the length of a format name.
constexpr std::uint32_t kStandardFormat = 0xFFFFFFFF;
constexpr std::uint32_t kStandardFormatToo = 0xFFFFFFFE;
// A target device is a DVTARGETDEVICE of a printer: names and a DEVMODE, never large.
constexpr std::uint32_t kMaxTargetDevice = kPresentationHeaderLimit - 64;
// The high half of a package's type: an embedded file, not a link.
constexpr std::uint32_t kEmbeddedFile = 3;

using Cursor = format::ByteCursor;

// A zero-terminated string of at most `limit` bytes before its zero.
[[nodiscard]] bool ZString(Cursor& c, std::size_t limit, std::string& text)
{
    const auto rest = c.Rest().first(std::min(c.Left(), limit + 1));
    const auto end = std::find(rest.begin(), rest.end(), std::uint8_t{0});
    if (end == rest.end()) {
        return false;
    }
    text.assign(rest.begin(), end);
    return c.Skip(text.size() + 1);
}

// LengthPrefixedAnsiString: a length that counts the terminating zero, then the bytes.
[[nodiscard]] bool LengthPrefixed(Cursor& c, std::string& text)
{
    std::uint32_t length = 0;
    std::span<const std::uint8_t> bytes;
    if (!c.U32(length) || !c.Take(length, bytes)) {
        return false;
    }
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    text.assign(bytes.begin(), end);
    return true;
}

// The last part of a Windows or POSIX path.
std::string LastPart(const std::string& path)
{
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

StatusCode ParseCompObj(std::span<const std::uint8_t> stream, CompObjInfo& info)
{
    Cursor c(stream);
    std::span<const std::uint8_t> header;
    CompObjInfo read;
    std::uint32_t marker = 0;
    if (!c.Take(kCompObjHeaderSize, header) || !LengthPrefixed(c, read.userType) ||
        !c.U32(marker)) {
        return E_FAIL;
    }
    std::span<const std::uint8_t> format;
    if (marker == kStandardFormat || marker == kStandardFormatToo) {
        if (!c.Take(4, format)) {
            return E_FAIL;
        }
    } else if (!c.Take(marker, format)) {
        return E_FAIL;
    }
    // The ProgID is optional in old writers' streams.
    if (c.Left() > 0 && !LengthPrefixed(c, read.progId)) {
        return E_FAIL;
    }
    info = std::move(read);
    return S_OK;
}

StatusCode ParsePresentation(std::span<const std::uint8_t> prefix, std::uint64_t streamSize,
                             Presentation& presentation)
{
    Cursor c(prefix);
    Presentation read;
    std::uint32_t marker = 0;
    std::uint32_t deviceSize = 0;
    if (!c.U32(marker) || (marker != kStandardFormat && marker != kStandardFormatToo) ||
        !c.U32(read.clipboardFormat) || !c.U32(deviceSize)) {
        return E_FAIL;
    }
    // The size counts its own four bytes.
    std::span<const std::uint8_t> device;
    if (deviceSize < 4 || deviceSize > kMaxTargetDevice || !c.Take(deviceSize - 4, device)) {
        return E_FAIL;
    }
    std::uint32_t lindex = 0, advf = 0, reserved = 0, width = 0, height = 0, size = 0;
    if (!c.U32(read.aspect) || !c.U32(lindex) || !c.U32(advf) || !c.U32(reserved) ||
        !c.U32(width) || !c.U32(height) || !c.U32(size)) {
        return E_FAIL;
    }
    if (size > kMaxPresentationBytes) {
        return E_OUTOFMEMORY;
    }
    if (c.Position() > streamSize || size > streamSize - c.Position()) {
        return E_FAIL;
    }
    read.width = static_cast<std::int32_t>(width);
    read.height = static_cast<std::int32_t>(height);
    read.dataOffset = c.Position();
    read.dataSize = size;
    presentation = read;
    return S_OK;
}

StatusCode ParsePackageHeader(std::span<const std::uint8_t> prefix, std::uint64_t streamSize,
                              PackageInfo& info)
{
    Cursor c(prefix);
    std::uint32_t nativeSize = 0;
    std::uint16_t signature = 0;
    std::string label;
    std::string source;
    std::uint32_t type = 0;
    std::uint32_t tempLength = 0;
    std::span<const std::uint8_t> temp;
    std::uint32_t dataSize = 0;
    if (!c.U32(nativeSize) || !c.U16(signature) || !ZString(c, kMaxPackageNameBytes, label) ||
        !ZString(c, kMaxPackageNameBytes, source) || !c.U32(type) ||
        (type >> 16) != kEmbeddedFile || !c.U32(tempLength) || tempLength > kMaxPackageNameBytes ||
        !c.Take(tempLength, temp) || !c.U32(dataSize)) {
        return E_FAIL;
    }
    if (dataSize > streamSize - std::min<std::uint64_t>(c.Position(), streamSize) ||
        c.Position() > streamSize) {
        return E_FAIL;
    }
    std::string tempPath(temp.begin(), std::find(temp.begin(), temp.end(), std::uint8_t{0}));
    PackageInfo read;
    read.storedName = !label.empty()      ? label
                      : !tempPath.empty() ? LastPart(tempPath)
                                          : LastPart(source);
    read.dataOffset = c.Position();
    read.dataSize = dataSize;
    info = std::move(read);
    return S_OK;
}

} // namespace viewer::render::ole

#include "platform/guid.h"

#include "format/little_endian.h"
#include "platform/format.h"
#include "platform/text.h"

namespace platform {

std::array<std::uint8_t, 16> GuidToBytes(const GUID& guid)
{
    std::array<std::uint8_t, 16> bytes{};
    format::StoreLe32(bytes.data(), guid.Data1);
    format::StoreLe16(bytes.data() + 4, guid.Data2);
    format::StoreLe16(bytes.data() + 6, guid.Data3);
    for (int i = 0; i < 8; ++i) {
        bytes[8 + i] = guid.Data4[i];
    }
    return bytes;
}

GUID GuidFromBytes(const std::uint8_t* bytes)
{
    GUID guid{};
    guid.Data1 = format::LoadLe32(bytes);
    guid.Data2 = format::LoadLe16(bytes + 4);
    guid.Data3 = format::LoadLe16(bytes + 6);
    for (int i = 0; i < 8; ++i) {
        guid.Data4[i] = bytes[8 + i];
    }
    return guid;
}

std::string FormatGuid(const GUID& guid)
{
    return Format("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1, guid.Data2,
                  guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
                  guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
}

namespace {

// Reads `digits` hexadecimal digits at `text[pos]`.
std::optional<std::uint64_t> ReadHex(std::string_view text, std::size_t pos, std::size_t digits)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const int v = HexDigitValue(text[pos + i]);
        if (v < 0) {
            return std::nullopt;
        }
        value = (value << 4) | static_cast<std::uint64_t>(v);
    }
    return value;
}

} // namespace

std::optional<GUID> ParseGuid(std::string_view text)
{
    if (text.size() == 38) {
        if (text.front() != '{' || text.back() != '}') {
            return std::nullopt;
        }
        text = text.substr(1, 36);
    }
    // XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-') {
        return std::nullopt;
    }
    const auto d1 = ReadHex(text, 0, 8);
    const auto d2 = ReadHex(text, 9, 4);
    const auto d3 = ReadHex(text, 14, 4);
    if (!d1 || !d2 || !d3) {
        return std::nullopt;
    }
    GUID guid{};
    guid.Data1 = static_cast<std::uint32_t>(*d1);
    guid.Data2 = static_cast<std::uint16_t>(*d2);
    guid.Data3 = static_cast<std::uint16_t>(*d3);
    static constexpr std::size_t kBytePositions[8] = {19, 21, 24, 26, 28, 30, 32, 34};
    for (int i = 0; i < 8; ++i) {
        const auto byte = ReadHex(text, kBytePositions[i], 2);
        if (!byte) {
            return std::nullopt;
        }
        guid.Data4[i] = static_cast<std::uint8_t>(*byte);
    }
    return guid;
}

} // namespace platform

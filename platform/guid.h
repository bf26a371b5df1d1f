// GUID with the Windows memory layout: three little-endian fields, then 8 bytes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];

    friend bool operator==(const GUID& a, const GUID& b) = default;
};
static_assert(sizeof(GUID) == 16);

using IID = GUID;
using CLSID = GUID;

inline constexpr GUID GUID_NULL{};

// The 16 bytes of a GUID as they lie in memory and in files (fields little-endian).
std::array<std::uint8_t, 16> GuidToBytes(const GUID& guid);
GUID GuidFromBytes(const std::uint8_t* bytes);

// Registry form: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hexadecimal.
std::string FormatGuid(const GUID& guid);

// Accepts the registry form with or without braces (38 or 36 characters), hexadecimal
// digits in either case. Anything else gives no value.
std::optional<GUID> ParseGuid(std::string_view text);

} // namespace platform

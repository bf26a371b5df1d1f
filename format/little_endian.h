#pragma once
// Little-endian loads and stores for the fixed layouts of TNEF, MAPI, compound files and
// metafiles. Callers check that the bytes are there first; these helpers only assemble them,
// so they never read past what the caller bounded.

#include <cstddef>
#include <cstdint>
#include <span>

namespace format {

[[nodiscard]] inline std::uint16_t LoadLe16(const std::uint8_t* bytes)
{
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

[[nodiscard]] inline std::uint32_t LoadLe32(const std::uint8_t* bytes)
{
    return std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
           (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
}

[[nodiscard]] inline std::uint64_t LoadLe64(const std::uint8_t* bytes)
{
    return std::uint64_t{LoadLe32(bytes)} | (std::uint64_t{LoadLe32(bytes + 4)} << 32);
}

inline void StoreLe16(std::uint8_t* bytes, std::uint16_t value)
{
    bytes[0] = static_cast<std::uint8_t>(value);
    bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void StoreLe32(std::uint8_t* bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

inline void StoreLe64(std::uint8_t* bytes, std::uint64_t value)
{
    StoreLe32(bytes, static_cast<std::uint32_t>(value));
    StoreLe32(bytes + 4, static_cast<std::uint32_t>(value >> 32));
}

// Bounded forms for a field at `offset` of a span: false, and `value` untouched, when the
// field does not lie wholly inside the span.
[[nodiscard]] inline bool LoadLe16At(std::span<const std::uint8_t> bytes, std::size_t offset,
                                     std::uint16_t& value)
{
    if (offset > bytes.size() || bytes.size() - offset < 2) {
        return false;
    }
    value = LoadLe16(bytes.data() + offset);
    return true;
}

[[nodiscard]] inline bool LoadLe32At(std::span<const std::uint8_t> bytes, std::size_t offset,
                                     std::uint32_t& value)
{
    if (offset > bytes.size() || bytes.size() - offset < 4) {
        return false;
    }
    value = LoadLe32(bytes.data() + offset);
    return true;
}

} // namespace format

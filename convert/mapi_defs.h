// What the conversion adds to the shared TNEF and MAPI constants: the property sets it
// names, the TNEF stream flags of its interface and the property tag array.
#pragma once

#include <cstddef>
#include <cstdint>

#include "format/mapi.h"
#include "format/tnef.h"
#include "platform/guid.h"

namespace ferrule {

// The published names read as they do in the MAPI headers, unqualified.
using namespace ::format;

inline constexpr platform::GUID PS_MAPI{
    0x00020328, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr platform::GUID PS_PUBLIC_STRINGS{
    0x00020329, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// OpenTnefStreamEx and AddProps flags.
inline constexpr std::uint32_t TNEF_DECODE = 0x0;
inline constexpr std::uint32_t TNEF_ENCODE = 0x2;
inline constexpr std::uint32_t TNEF_PROP_INCLUDE = 0x1;
inline constexpr std::uint32_t TNEF_PROP_EXCLUDE = 0x2;

// ---- Property tag array -------------------------------------------------------------

// A count followed by that many tags, in one buffer from MAPIAllocateBuffer.
struct SPropTagArray {
    std::uint32_t cValues;

    std::uint32_t* aulPropTag() { return reinterpret_cast<std::uint32_t*>(this + 1); }
    const std::uint32_t* aulPropTag() const
    {
        return reinterpret_cast<const std::uint32_t*>(this + 1);
    }
};

constexpr std::size_t CbNewSPropTagArray(std::size_t count)
{
    return sizeof(SPropTagArray) + count * sizeof(std::uint32_t);
}

} // namespace ferrule

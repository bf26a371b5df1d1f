// What the object runtime tests know about their test server library.
#pragma once

#include <cstddef>

#include "platform/guid.h"
#include "platform/status.h"

inline constexpr platform::CLSID kTestServerClass{
    0x5E1F0C2A, 0x41D7, 0x11EF, {0x9A, 0x3C, 0x02, 0x42, 0xAC, 0x11, 0x00, 0x02}};
inline constexpr const char* kTestServerProgId = "pallion.testserver";

using TestServerReadTextFunction = platform::StatusCode(const char* key, const char* name,
                                                        char* text, std::size_t size);

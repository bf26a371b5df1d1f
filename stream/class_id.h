// The class identifier of StreamOnFile: read from its registry text, and judged fit to keep
// across registrations. It is never built in: the first registration on a machine creates
// a time-based UUID, and later ones keep it while it stays valid.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/guid.h"
#include "platform/status.h"

namespace rillex {

// Registry text of a class identifier, 38 characters with braces or 36 without. Anything
// else (wrong length, a non-hexadecimal digit, a misplaced brace or hyphen) is
// E_INVALID_DATA (0x8007000D). *classId is written only on success.
[[nodiscard]] platform::StatusCode ParseClassId(std::string_view text, platform::CLSID* classId);

// Kept across registrations: time-based (variant 10, version 1) with a timestamp before
// `now` (a file time) plus one day. A random identifier, or one made by a clock far in the
// future, is replaced.
bool IsReusableClassId(const platform::GUID& uuid, std::uint64_t now);

} // namespace rillex

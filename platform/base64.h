// Base64 (RFC 4648, with padding, no line breaks) for the data: URIs and inline pictures the
// writers produce.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace platform {

void AppendBase64(std::string& out, std::span<const std::uint8_t> bytes);

} // namespace platform

// File names for attachments written by `pallion-cli extract`: made safe from names that
// come from the stream, and numbered when taken.
#pragma once

#include <cstddef>
#include <string>

namespace tools {

// The longest name a folder entry may have, in bytes.
inline constexpr std::size_t kMaxNameBytes = 255;

// A safe name from an attachment's file name (UTF-8): its last path component, without
// leading dots, control characters or '/', cut to kMaxNameBytes keeping the extension.
// Empty when nothing is left.
std::string SafeAttachmentName(const std::string& name);

// The name for the n-th try (n = 1: the name itself; n >= 2: "stem (n).ext").
std::string NumberedName(const std::string& name, unsigned n);

} // namespace tools

// printf-style formatting into a std::string (g++ 12 has no <format>, and the texts
// of the viewer are fixed printf formats such as "%#010X" and "%0#010X").
#pragma once

#include <string>

namespace platform {

[[gnu::format(printf, 1, 2)]] std::string Format(const char* format, ...);

} // namespace platform

// Text leaving the program for a person or a script: always valid UTF-8, with control
// characters and formatting characters that could disguise a name made visible.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tools {

// Text as shown on a terminal: valid UTF-8 is kept (other bytes are decoded with
// `codePage`), control characters appear as "\xHH" and bidirectional or zero-width
// formatting characters (U+200B..U+200F, U+202A..U+202E, U+2066..U+2069) as "\u{XXXX}",
// so "invoice\u{202E}fdp.exe" cannot pass for a PDF.
std::string TerminalText(std::string_view text, std::uint32_t codePage);

// A JSON string literal (quotes included) of the terminal form of `text`.
std::string JsonString(std::string_view text, std::uint32_t codePage);

} // namespace tools

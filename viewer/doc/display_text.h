// Text from the stream on its way to a person. Names and values in a mail are chosen by
// whoever sent it: control characters and the invisible characters that reorder or hide
// text (a right-to-left override makes "invoice\u{202E}fdp.exe" read as a PDF) are shown
// as escapes, never passed through.
#pragma once

#include <string>
#include <string_view>

namespace viewer::doc {

// UTF-8 text (invalid bytes become U+FFFD) with C0 and C1 controls and DEL as "\xHH" and
// bidirectional or zero-width formatting characters (U+061C, U+200B-U+200F, U+202A-U+202E,
// U+2066-U+2069, U+FEFF) as "\u{XXXX}".
std::string EscapeForDisplay(std::string_view text);

// A tree caption: at most 255 characters of the text, then escaped as above.
std::string CaptionText(std::string_view text);

// Whether a code point is one of the formatting characters above.
bool IsHiddenFormatting(char32_t c);

} // namespace viewer::doc

// Text from a mail on its way to a person or to a file name. Names and values in a mail are
// chosen by whoever sent it: control characters could drive a terminal, and the invisible
// characters that hide text or change its direction make "invoice\u{202E}fdp.exe" read as a
// PDF. This unit is the one place that decodes UTF-8 and knows those characters.
//
// The characters that are never shown as themselves and never reach a file name:
//   control characters       U+0000-U+001F, U+007F, U+0080-U+009F
//   hidden or direction-changing formatting characters
//                            U+00AD  soft hyphen
//                            U+061C  arabic letter mark
//                            U+180E  mongolian vowel separator
//                            U+200B-U+200F  zero-width space, non-joiner and joiner,
//                                           left-to-right and right-to-left marks
//                            U+2028-U+2029  line and paragraph separators
//                            U+202A-U+202E  directional embeddings, pop and overrides
//                            U+2060-U+2064  word joiner and invisible operators
//                            U+2066-U+2069  directional isolates
//                            U+206A-U+206F  deprecated shaping and digit controls
//                            U+FEFF  zero-width no-break space (byte order mark)
//                            U+FFF9-U+FFFB  interlinear annotation marks
//                            U+E0001, U+E0020-U+E007F  language tags
// Shown, a control character reads "\xHH" and a formatting character "\u{XXXX}".
//
// Text is escaped once, where it leaves the core: tree captions and details cells when they
// are made (they exist only to be shown), anything else (text rows, paths, file names,
// messages) where a pane or pallion-cli shows it. Escaped text is never escaped again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// ---- UTF-8 -----------------------------------------------------------------------------

// The length of the valid UTF-8 sequence at text[i] (1 to 4) with its code point; 0 when
// none starts there (a stray or cut sequence, an overlong form, a surrogate, beyond U+10FFFF).
std::size_t Utf8SequenceAt(std::string_view text, std::size_t i, char32_t* codePoint);

// The character at text[i], moving i past it; U+FFFD for a byte that starts no valid
// sequence, which then counts as one character of one byte.
char32_t NextUtf8Char(std::string_view text, std::size_t& i);

bool IsValidUtf8(std::string_view text);

// The longest start of `text` of at most `limit` bytes that does not split a sequence.
std::string_view CutUtf8(std::string_view text, std::size_t limit);

// ---- Characters that must not pass ----------------------------------------------------

bool IsControlCharacter(char32_t c);
bool IsHiddenFormatting(char32_t c);

// ---- Showing text --------------------------------------------------------------------------

// UTF-8 text as a person sees it: valid UTF-8 whatever came in (a byte that starts no valid
// sequence shows as U+FFFD), with the characters above escaped.
std::string EscapeForDisplay(std::string_view text);

// The same for text that may be 8-bit: text that is not valid UTF-8 is first decoded with
// `codePage` (DecodeCodePage).
std::string EscapeForDisplay(std::string_view text, std::uint32_t codePage);

// ---- File names --------------------------------------------------------------------------

// The longest name a folder entry may have, in bytes.
inline constexpr std::size_t kMaxFileNameBytes = 255;

// The one cleaner of names that are written: a name from a mail made fit to be a file name
// in a folder of ours: its last path component (after "/" or "\\"), as UTF-8 (a byte that
// starts no valid sequence becomes U+FFFD), without the characters above, without leading
// dots and spaces (no hidden files, no "." or "..") or trailing ones, and at most
// kMaxFileNameBytes bytes (a longer one is shortened in the middle, where "\u2026" stands for
// what was left out, and keeps its safe extension). Empty when nothing is left.
std::string SafeFileName(std::string_view name);

// The extension of a name, from its last "." on, when it is 2 to 6 characters long and holds
// only letters, digits, "_" and "-" after the dot; else empty. Only such an extension may
// reach a temporary file's name or a dialog's filter.
std::string SafeExtension(std::string_view name);

// The name for the n-th try of a name that may be taken: the name itself for n <= 1, else
// "stem (n).ext", shortened in the middle of the stem to kMaxFileNameBytes.
std::string NumberedName(std::string_view name, unsigned n);

} // namespace platform

// Text conversion. The core keeps 8-bit stream text as bytes; these helpers convert
// UTF-16 to UTF-8 and back, and decode or encode a Windows code page for display and
// file names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// UTF-16 text to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// UTF-16 to UTF-8 for text that came from UTF-8 through Utf8ToUtf16: U+DC80..U+DCFF
// become the single bytes 0x80..0xFF again, so non-UTF-8 file names survive the trip.
std::string Utf16ToUtf8Lossless(std::u16string_view text);

// UTF-8 to UTF-16; each byte that is not part of a valid UTF-8 sequence becomes the lone
// surrogate U+DC00 + byte.
std::u16string Utf8ToUtf16(std::string_view text);

// UTF-8 as code points; each byte that is not part of a valid sequence becomes U+FFFD.
std::u32string Utf8ToCodePoints(std::string_view text);

// The value of a hexadecimal digit (either case), or -1 for any other character.
[[nodiscard]] int HexDigitValue(char c);

// UTF-16LE bytes (odd last byte ignored) as UTF-16 units.
std::u16string Utf16FromLittleEndian(const std::uint8_t* bytes, std::size_t count);

// The code page of messages that name none.
inline constexpr std::uint32_t kDefaultCodePage = 1252;

// 8-bit text in a Windows code page (1250-1258, 874, 932, 936, 949, 950, 20866 KOI8-R,
// 21866 KOI8-U, 28591-28605 ISO-8859-x, 65001 UTF-8, ...) to UTF-8. Bytes the code page
// does not define become U+FFFD; an unknown code page, and 65001 for bytes that are not
// UTF-8, are read as Windows-1252.
std::string DecodeCodePage(std::string_view bytes, std::uint32_t codePage);

// UTF-16 text into a code page, with '?' for each character it cannot hold.
std::string EncodeCodePage(std::u16string_view text, std::uint32_t codePage);

// The Windows-1252 character of a byte (U+FFFD for the five undefined bytes).
char32_t Windows1252Char(std::uint8_t byte);

// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, char32_t codePoint);

// Appends text for HTML or XML content and attribute values in double quotes: '&', '<', '>'
// and '"' as their entities, every other byte as it is.
void AppendEscapedMarkup(std::string& out, std::string_view text);

} // namespace platform

// The row formats of the hex and text panes, and the converters that turn an element's
// bytes into the text pane's row file.
//
// Hex rows show 16 bytes each. The text pane's file is a sequence of 80-byte rows: text
// fills a row, a line feed pads the rest of the row with zero bytes, longer text runs on
// into the next row. The panes read only the rows they draw, so nothing here holds more
// than one piece of an element at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/com.h"
#include "platform/status.h"

namespace viewer::doc::panes {

inline constexpr std::uint32_t kHexRowBytes = 16;
inline constexpr std::uint32_t kTextRowBytes = 80;
// Offset, hex pairs and gaps before the characters of a hex row.
inline constexpr std::size_t kHexPrefixLength = 65;

// Hex row `row` from the `count` bytes (0 to 16) read at row x 16: the 65-character
// prefix with blanks for missing bytes, then one character a byte. A byte shows as itself
// when its Windows-1252 character is a letter or an ASCII digit (decoded, so 0xE4 is "ä"),
// else as "." when it lies outside 0x20..0x7E. The result is UTF-8.
std::string FormatHexRow(std::uint32_t row, const std::uint8_t* bytes, std::size_t count);

// Whether a byte's Windows-1252 character is a letter. Independent of the process locale.
bool IsWindows1252Letter(std::uint8_t byte);

// How the text pane's row file was written.
enum class TextRowEncoding {
    EightBit, // AnsiTextToRows: the stream's own bytes, in the message's code page
    Utf8,     // UnicodeTextToRows: UTF-16 text converted to UTF-8
};

// One row of the text pane as UTF-8 for display. `row` is the row's bytes (at most 80; the
// text ends at the first zero byte), `following` the bytes of the file right after the row
// (up to 3 are used).
//
// A UTF-8 row may begin or end inside a character, since rows are cut every 80 bytes. A
// character belongs to the row where its first byte is: a row that ends inside a character
// completes it from `following`, and a row that begins with the rest of the previous row's
// character skips those bytes. Anything else that is not valid UTF-8 shows as U+FFFD.
// Eight-bit rows are decoded with `codePage` (code page 65001 rows as UTF-8 rows; in the
// other multi-byte code pages a character cut by a row's end shows as U+FFFD). In both,
// control characters show as U+FFFD.
std::string TextRowForDisplay(std::string_view row, std::string_view following,
                              TextRowEncoding encoding, std::uint32_t codePage);

// The state the converters carry from one piece of an element to the next: the column
// (bytes written into the current row) and, for UTF-16, a high surrogate that ended the
// previous piece. The text pane passes one as the converter's context, zeroed for each
// element.
struct TextRowContext {
    std::uint32_t column = 0;
    char16_t pendingHighSurrogate = 0;
};

// Converters for CEnvelonDoc::ConvertElementData. `context` is a TextRowContext. Missing
// piece (with a non-zero length), stream or context give E_INVALIDARG; a failed write ends
// the conversion with its status.
//
// Bytes 0 (shown as a space), 9 (three spaces), 13 (dropped) and 10 (pad to the row's end)
// are special; every other byte goes to the row as it is.
platform::StatusCode AnsiTextToRows(const std::uint8_t* piece, std::uint32_t length,
                                    platform::IStream* output, void* context);
// The same on UTF-16LE units (an odd last byte is ignored); text goes out as UTF-8 and the
// column counts UTF-8 bytes. A surrogate pair split between two pieces stays one character.
platform::StatusCode UnicodeTextToRows(const std::uint8_t* piece, std::uint32_t length,
                                       platform::IStream* output, void* context);

// Writes UTF-16 units to the stream as UTF-8, in pieces of at most 1024 units that never
// split a surrogate pair; *written receives the bytes written. An unpaired surrogate
// becomes U+FFFD.
platform::StatusCode WriteWideAsAnsi(const char16_t* units, std::size_t count,
                                     platform::IStream* output, std::uint32_t* written);

} // namespace viewer::doc::panes

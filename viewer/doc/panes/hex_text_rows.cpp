#include "viewer/doc/panes/hex_text_rows.h"

#include <algorithm>
#include <array>

#include "format/little_endian.h"
#include "platform/format.h"
#include "platform/text.h"
#include "platform/text_safety.h"

namespace viewer::doc::panes {


using platform::StatusCode;

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsAsciiAlnum(std::uint8_t byte)
{
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= 'a' && byte <= 'z');
}

// Writes all of `count` bytes; a write that reports success but takes fewer bytes is a
// failure too, since the row layout would be lost.
StatusCode WriteBytes(platform::IStream* output, const void* data, std::uint32_t count,
                      std::uint32_t* written)
{
    *written = 0;
    if (count == 0) {
        return platform::S_OK;
    }
    std::uint32_t done = 0;
    const StatusCode status = output->Write(data, count, &done);
    *written = std::min(done, count);
    if (platform::Failed(status)) {
        return status;
    }
    return done < count ? platform::E_FAIL : platform::S_OK;
}

constexpr std::array<std::uint8_t, kTextRowBytes> kPad{};
constexpr char kTabSpaces[] = "   ";

// Pads the current row with zero bytes after a line feed.
StatusCode PadRow(platform::IStream* output, std::uint32_t* column)
{
    *column %= kTextRowBytes;
    std::uint32_t written = 0;
    const StatusCode status = WriteBytes(output, kPad.data(), kTextRowBytes - *column, &written);
    *column = (*column + written) % kTextRowBytes;
    return status;
}

StatusCode WriteTab(platform::IStream* output, std::uint32_t* column)
{
    std::uint32_t written = 0;
    const StatusCode status = WriteBytes(output, kTabSpaces, 3, &written);
    *column = (*column + written) % kTextRowBytes;
    return status;
}

// The characters that end a run of text in a row: 0 (shown as a space), 9 (three spaces),
// 13 (dropped) and 10 (pads the row to its end).
bool IsRowControl(std::uint32_t unit) { return unit == 0 || unit == 9 || unit == 10 || unit == 13; }

StatusCode WriteRowControl(platform::IStream* output, std::uint32_t unit, std::uint32_t* column)
{
    switch (unit) {
    case 0: {
        std::uint32_t written = 0;
        const StatusCode status = WriteBytes(output, " ", 1, &written);
        *column = (*column + written) % kTextRowBytes;
        return status;
    }
    case 9:
        return WriteTab(output, column);
    case 10:
        return PadRow(output, column);
    default:
        return platform::S_OK;
    }
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

bool IsContinuation(std::uint8_t byte) { return (byte & 0xC0) == 0x80; }

void AppendShown(std::string& out, char32_t c)
{
    platform::AppendUtf8(out, platform::IsControlCharacter(c) ? kReplacement : c);
}

std::string Utf8RowForDisplay(std::string_view row, bool rowIsWhole, std::string_view following)
{
    std::size_t i = 0;
    // The tail of a character that began on the previous row.
    while (i < row.size() && i < 3 && IsContinuation(static_cast<std::uint8_t>(row[i]))) {
        ++i;
    }
    std::string out;
    out.reserve(row.size() + 8);
    while (i < row.size()) {
        // A character cut by the row's end is completed from the next row; one cut by the
        // end of the text (a zero byte) cannot be.
        char window[4] = {};
        const std::size_t own = std::min<std::size_t>(4, row.size() - i);
        std::copy_n(row.data() + i, own, window);
        const std::size_t more = rowIsWhole ? std::min(4 - own, following.size()) : 0;
        std::copy_n(following.data(), more, window + own);
        char32_t c = kReplacement;
        const std::size_t length = platform::Utf8SequenceAt(std::string_view(window, own + more), 0, &c);
        AppendShown(out, length == 0 ? kReplacement : c);
        i += length == 0 ? 1 : length;
    }
    return out;
}

} // namespace

bool IsWindows1252Letter(std::uint8_t byte)
{
    const char32_t c = platform::Windows1252Char(byte);
    if (c < 0x80) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    }
    switch (c) {
    case 0x00AA: // feminine ordinal
    case 0x00B5: // micro sign
    case 0x00BA: // masculine ordinal
    case 0x0152:
    case 0x0153:
    case 0x0160:
    case 0x0161:
    case 0x0178:
    case 0x017D:
    case 0x017E:
    case 0x0192:
    case 0x02C6: // modifier letter circumflex
        return true;
    default:
        break;
    }
    return c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7;
}

std::string FormatHexRow(std::uint32_t row, const std::uint8_t* bytes, std::size_t count)
{
    if (!bytes) {
        count = 0;
    }
    count = std::min<std::size_t>(count, kHexRowBytes);
    std::string out = platform::Format("%08X    ", static_cast<unsigned>(row * kHexRowBytes));
    for (std::size_t k = 0; k < kHexRowBytes; ++k) {
        if (k < count) {
            out += platform::Format("%02X", bytes[k]);
        } else {
            out += "  ";
        }
        out += (k == 7) ? "   " : (k == 15 ? "    " : " ");
    }
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint8_t byte = bytes[k];
        if (IsAsciiAlnum(byte) || (byte >= 0x80 && IsWindows1252Letter(byte))) {
            platform::AppendUtf8(out, platform::Windows1252Char(byte));
        } else if (byte < 0x20 || byte > 0x7E) {
            out += '.';
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out;
}

std::string TextRowForDisplay(std::string_view row, std::string_view following,
                              TextRowEncoding encoding, std::uint32_t codePage)
{
    row = row.substr(0, kTextRowBytes);
    const std::size_t zero = row.find('\0');
    const bool whole = zero == std::string_view::npos;
    if (!whole) {
        row = row.substr(0, zero);
    }
    // A message in UTF-8 keeps 8-bit rows in UTF-8: they are cut like converted ones.
    constexpr std::uint32_t kUtf8CodePage = 65001;
    if (encoding == TextRowEncoding::Utf8 || codePage == kUtf8CodePage) {
        return Utf8RowForDisplay(row, whole, following);
    }
    const std::string decoded = platform::DecodeCodePage(row, codePage);
    // Decoded text is valid UTF-8; only the control characters need replacing.
    std::string out;
    out.reserve(decoded.size());
    for (std::size_t i = 0; i < decoded.size();) {
        AppendShown(out, platform::NextUtf8Char(decoded, i));
    }
    return out;
}

StatusCode AnsiTextToRows(const std::uint8_t* piece, std::uint32_t length,
                          platform::IStream* output, void* context)
{
    if ((!piece && length != 0) || !output || !context) {
        return platform::E_INVALIDARG;
    }
    auto* state = static_cast<TextRowContext*>(context);
    std::uint32_t& column = state->column;
    std::uint32_t start = 0;
    StatusCode status = platform::S_OK;
    auto writeRun = [&](std::uint32_t end) {
        std::uint32_t written = 0;
        status = WriteBytes(output, piece + start, end - start, &written);
        column = (column + written) % kTextRowBytes;
        return platform::Succeeded(status);
    };
    for (std::uint32_t i = 0; i < length; ++i) {
        if (!IsRowControl(piece[i])) {
            continue;
        }
        // The piece is the caller's: a zero byte goes out as a space of its own.
        if (!writeRun(i) || platform::Failed(status = WriteRowControl(output, piece[i], &column))) {
            return status;
        }
        start = i + 1;
    }
    writeRun(length);
    return status;
}

StatusCode WriteWideAsAnsi(const char16_t* units, std::size_t count, platform::IStream* output,
                           std::uint32_t* written)
{
    if (written) {
        *written = 0;
    }
    if ((!units && count != 0) || !output) {
        return platform::E_INVALIDARG;
    }
    constexpr std::size_t kChunkUnits = 1024;
    std::uint32_t total = 0;
    std::size_t done = 0;
    while (done < count) {
        std::size_t chunk = std::min(kChunkUnits, count - done);
        // Keep a surrogate pair in one chunk.
        if (chunk > 1 && done + chunk < count && IsHighSurrogate(units[done + chunk - 1])) {
            --chunk;
        }
        const std::string text = platform::Utf16ToUtf8(std::u16string_view(units + done, chunk));
        std::uint32_t wrote = 0;
        const StatusCode status =
            WriteBytes(output, text.data(), static_cast<std::uint32_t>(text.size()), &wrote);
        total += wrote;
        if (written) {
            *written = total;
        }
        if (platform::Failed(status)) {
            return status;
        }
        done += chunk;
    }
    return platform::S_OK;
}

StatusCode UnicodeTextToRows(const std::uint8_t* piece, std::uint32_t length,
                             platform::IStream* output, void* context)
{
    if ((!piece && length != 0) || !output || !context) {
        return platform::E_INVALIDARG;
    }
    auto* state = static_cast<TextRowContext*>(context);
    std::uint32_t& column = state->column;
    const std::uint32_t unitCount = length / 2;
    std::u16string units(unitCount, u'\0');
    for (std::uint32_t i = 0; i < unitCount; ++i) {
        const auto unit = static_cast<char16_t>(format::LoadLe16(piece + 2 * i));
        units[i] = unit == 0 ? u' ' : unit;
    }
    StatusCode status = platform::S_OK;
    auto writeUnits = [&](const char16_t* first, std::size_t count) {
        std::uint32_t wrote = 0;
        status = WriteWideAsAnsi(first, count, output, &wrote);
        column = (column + wrote) % kTextRowBytes;
        return platform::Succeeded(status);
    };

    std::uint32_t start = 0;
    // A high surrogate that ended the previous piece pairs with this piece's first unit.
    if (state->pendingHighSurrogate != 0) {
        const char16_t pair[2] = {state->pendingHighSurrogate,
                                  unitCount > 0 ? units[0] : u'\0'};
        if (unitCount == 0) {
            return platform::S_OK;
        }
        state->pendingHighSurrogate = 0;
        if (IsLowSurrogate(pair[1])) {
            if (!writeUnits(pair, 2)) {
                return status;
            }
            start = 1;
        } else if (!writeUnits(pair, 1)) {
            return status;
        }
    }
    auto writeRun = [&](std::uint32_t end) {
        return start >= end || writeUnits(units.data() + start, end - start);
    };
    for (std::uint32_t i = start; i < unitCount; ++i) {
        if (!IsRowControl(units[i])) {
            continue;
        }
        if (!writeRun(i) || platform::Failed(status = WriteRowControl(output, units[i], &column))) {
            return status;
        }
        start = i + 1;
    }
    std::uint32_t end = unitCount;
    if (end > start && IsHighSurrogate(units[end - 1])) {
        state->pendingHighSurrogate = units[end - 1];
        --end;
    }
    writeRun(end);
    return status;
}

} // namespace viewer::doc::panes

#include "tools/cli_text.h"

#include "platform/format.h"
#include "platform/text.h"

namespace tools {

namespace {

bool IsFormattingCharacter(char32_t c)
{
    return (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

// Decodes one UTF-8 sequence at text[i]; 0 when there is none.
std::size_t NextCodePoint(std::string_view text, std::size_t i, char32_t* c)
{
    const std::u16string units = platform::Utf8ToUtf16(text.substr(i, std::min<std::size_t>(4, text.size() - i)));
    if (units.empty() || (units[0] >= 0xDC00 && units[0] <= 0xDFFF)) {
        return 0;
    }
    char32_t value = units[0];
    if (units[0] >= 0xD800 && units[0] <= 0xDBFF && units.size() > 1) {
        value = 0x10000 + ((value - 0xD800) << 10) + (units[1] - 0xDC00);
    }
    *c = value;
    return value < 0x80 ? 1 : value < 0x800 ? 2 : value < 0x10000 ? 3 : 4;
}

bool IsValidUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const std::size_t length = NextCodePoint(text, i, &c);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

} // namespace

std::string TerminalText(std::string_view text, std::uint32_t codePage)
{
    std::string decoded;
    if (!IsValidUtf8(text)) {
        decoded = platform::DecodeCodePage(text, codePage);
        text = decoded;
    }
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const std::size_t length = NextCodePoint(text, i, &c);
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) {
            out += platform::Format("\\x%02X", static_cast<unsigned>(c));
        } else if (IsFormattingCharacter(c)) {
            out += platform::Format("\\u{%04X}", static_cast<unsigned>(c));
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out;
}

std::string JsonString(std::string_view text, std::uint32_t codePage)
{
    const std::string shown = TerminalText(text, codePage);
    std::string out = "\"";
    for (char c : shown) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

} // namespace tools

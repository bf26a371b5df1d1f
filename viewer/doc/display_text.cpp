#include "viewer/doc/display_text.h"

#include "platform/format.h"
#include "platform/text.h"

namespace viewer::doc {

namespace {

constexpr std::size_t kMaxCaptionChars = 255;

// Decodes UTF-8; each byte that is not part of a valid sequence becomes U+FFFD.
std::u32string CodePoints(std::string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    const std::u16string units = platform::Utf8ToUtf16(text);
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        out.push_back(c);
    }
    return out;
}

std::string Escape(const std::u32string& points)
{
    std::string out;
    out.reserve(points.size());
    for (char32_t c : points) {
        if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
            out += platform::Format("\\x%02X", static_cast<unsigned>(c));
        } else if (IsHiddenFormatting(c)) {
            out += platform::Format("\\u{%04X}", static_cast<unsigned>(c));
        } else {
            platform::AppendUtf8(out, c);
        }
    }
    return out;
}

bool IsPlainAscii(std::string_view text)
{
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F) {
            return false;
        }
    }
    return true;
}

} // namespace

bool IsHiddenFormatting(char32_t c)
{
    return c == 0x061C || (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF;
}

std::string EscapeForDisplay(std::string_view text)
{
    if (IsPlainAscii(text)) {
        return std::string(text);
    }
    return Escape(CodePoints(text));
}

std::string CaptionText(std::string_view text)
{
    if (IsPlainAscii(text)) {
        return std::string(text.substr(0, kMaxCaptionChars));
    }
    std::u32string points = CodePoints(text);
    if (points.size() > kMaxCaptionChars) {
        points.resize(kMaxCaptionChars);
    }
    return Escape(points);
}

} // namespace viewer::doc

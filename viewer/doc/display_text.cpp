#include "viewer/doc/display_text.h"

#include "platform/format.h"
#include "platform/text.h"

namespace viewer::doc {

namespace {

constexpr std::size_t kMaxCaptionChars = 255;

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
    return Escape(platform::Utf8ToCodePoints(text));
}

std::string CaptionText(std::string_view text)
{
    if (IsPlainAscii(text)) {
        return std::string(text.substr(0, kMaxCaptionChars));
    }
    std::u32string points = platform::Utf8ToCodePoints(text);
    if (points.size() > kMaxCaptionChars) {
        points.resize(kMaxCaptionChars);
    }
    return Escape(points);
}

} // namespace viewer::doc

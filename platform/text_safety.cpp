#include "platform/text_safety.h"

#include "platform/format.h"
#include "platform/text.h"

namespace platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

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

bool IsExtensionChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-';
}

// Where a name's extension starts (its last '.', not at the start), or its size.
std::size_t ExtensionStart(std::string_view name)
{
    const std::size_t dot = name.find_last_of('.');
    return (dot == std::string_view::npos || dot == 0) ? name.size() : dot;
}

// The name without the characters that must not pass, re-encoded as valid UTF-8.
std::string WithoutHiddenCharacters(std::string_view name)
{
    std::string clean;
    clean.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        const char32_t c = NextUtf8Char(name, i);
        if (!IsControlCharacter(c) && !IsHiddenFormatting(c)) {
            AppendUtf8(clean, c);
        }
    }
    return clean;
}

// What stands for the middle of a name shortened to fit: a horizontal ellipsis.
constexpr std::string_view kShortenedMark = "\xE2\x80\xA6";

// `stem` followed by `end`, the stem shortened in its middle when the whole would be longer
// than a folder entry may be: both its start and its end (the part that tells one of a
// series from the next) stay. `end` leaves room for the mark.
std::string FitFileName(std::string_view stem, std::string_view end)
{
    if (stem.size() + end.size() <= kMaxFileNameBytes) {
        return std::string(stem) + std::string(end);
    }
    const std::size_t room = kMaxFileNameBytes - end.size() - kShortenedMark.size();
    const std::string_view head = CutUtf8(stem, room - room / 2);
    std::size_t from = stem.size() - (room - head.size());
    while (from < stem.size() && (static_cast<unsigned char>(stem[from]) & 0xC0) == 0x80) {
        ++from;
    }
    return std::string(head) + std::string(kShortenedMark) + std::string(stem.substr(from)) +
           std::string(end);
}

} // namespace

// Sequences by their first byte ([RFC 3629] 4): 00-7F alone; C2-DF, E0-EF, F0-F4 followed by
// one to three bytes 80-BF. C0, C1 and F5-FF never start one.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t i, char32_t* codePoint)
{
    const auto b0 = static_cast<std::uint8_t>(text[i]);
    std::size_t length = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (b0 < 0x80) {
        *codePoint = b0;
        return 1;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2, c = b0 & 0x1F, minimum = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3, c = b0 & 0x0F, minimum = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4, c = b0 & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (length > text.size() - i) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto b = static_cast<std::uint8_t>(text[i + k]);
        if ((b & 0xC0) != 0x80) {
            return 0;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return 0;
    }
    *codePoint = c;
    return length;
}

char32_t NextUtf8Char(std::string_view text, std::size_t& i)
{
    char32_t c = kReplacement;
    const std::size_t length = Utf8SequenceAt(text, i, &c);
    i += length == 0 ? 1 : length;
    return length == 0 ? kReplacement : c;
}

bool IsValidUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const std::size_t length = Utf8SequenceAt(text, i, &c);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string_view CutUtf8(std::string_view text, std::size_t limit)
{
    if (text.size() <= limit) {
        return text;
    }
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

bool IsControlCharacter(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

bool IsHiddenFormatting(char32_t c)
{
    if (c < 0x00AD) {
        return false;
    }
    return c == 0x00AD || c == 0x061C || c == 0x180E || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2060 && c <= 0x2064) ||
           (c >= 0x2066 && c <= 0x206F) || c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB) ||
           c == 0xE0001 || (c >= 0xE0020 && c <= 0xE007F);
}

std::string EscapeForDisplay(std::string_view text)
{
    if (IsPlainAscii(text)) {
        return std::string(text);
    }
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = NextUtf8Char(text, i);
        if (IsControlCharacter(c)) {
            out += Format("\\x%02X", static_cast<unsigned>(c));
        } else if (IsHiddenFormatting(c)) {
            out += Format("\\u{%04X}", static_cast<unsigned>(c));
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

std::string EscapeForDisplay(std::string_view text, std::uint32_t codePage)
{
    if (IsValidUtf8(text)) {
        return EscapeForDisplay(text);
    }
    return EscapeForDisplay(DecodeCodePage(text, codePage));
}

std::string SafeFileName(std::string_view name)
{
    // The last path component, whichever separator the sender's system used.
    const std::size_t slash = name.find_last_of("/\\");
    std::string clean =
        WithoutHiddenCharacters(slash == std::string_view::npos ? name : name.substr(slash + 1));
    const std::size_t first = clean.find_first_not_of(". ");
    if (first == std::string::npos) {
        return {};
    }
    clean.erase(0, first);
    clean.erase(clean.find_last_not_of(". ") + 1);
    const std::string extension = SafeExtension(clean);
    return FitFileName(std::string_view(clean).substr(0, clean.size() - extension.size()),
                       extension);
}

std::string SafeExtension(std::string_view name)
{
    constexpr std::size_t kMaxExtension = 6; // the dot included
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos) {
        return {};
    }
    const std::string_view extension = name.substr(dot);
    if (extension.size() < 2 || extension.size() > kMaxExtension) {
        return {};
    }
    for (std::size_t i = 1; i < extension.size(); ++i) {
        if (!IsExtensionChar(extension[i])) {
            return {};
        }
    }
    return std::string(extension);
}

std::string NumberedName(std::string_view name, unsigned n)
{
    if (n <= 1) {
        return std::string(name);
    }
    const std::string suffix = " (" + std::to_string(n) + ")";
    std::size_t dot = ExtensionStart(name);
    // An extension that leaves no room for the number is no extension.
    if (name.size() - dot + suffix.size() + kShortenedMark.size() >= kMaxFileNameBytes) {
        dot = name.size();
    }
    return FitFileName(name.substr(0, dot), suffix + std::string(name.substr(dot)));
}

} // namespace platform

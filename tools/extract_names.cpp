#include "tools/extract_names.h"

#include <string_view>

namespace tools {

namespace {

// Cuts `text` to at most `limit` bytes without splitting a UTF-8 sequence.
std::string CutUtf8(const std::string& text, std::size_t limit)
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

// The extension of a name (from its last '.', not at the start), or empty.
std::size_t ExtensionStart(const std::string& name)
{
    const auto dot = name.find_last_of('.');
    return (dot == std::string::npos || dot == 0) ? name.size() : dot;
}

// Fits stem + extension into kMaxNameBytes, cutting the stem; an extension too long to
// leave room for a stem is cut itself.
std::string FitName(const std::string& name)
{
    if (name.size() <= kMaxNameBytes) {
        return name;
    }
    const std::size_t dot = ExtensionStart(name);
    std::string extension = name.substr(dot);
    if (extension.size() > 32) {
        extension.clear();
    }
    return CutUtf8(name.substr(0, dot), kMaxNameBytes - extension.size()) + extension;
}

} // namespace

std::string SafeAttachmentName(const std::string& name)
{
    // The last path component, whichever separator the sender's system used.
    const auto slash = name.find_last_of("/\\");
    const std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
    std::string cleaned;
    for (unsigned char c : last) {
        if (c < 0x20 || c == 0x7F) {
            continue;
        }
        cleaned.push_back(static_cast<char>(c));
    }
    // Bidirectional and zero-width formatting characters (U+200B..U+200F, U+202A..U+202E,
    // U+2066..U+2069; E2 80 8B..8F, E2 80 AA..AE, E2 81 A6..A9) would let a name pass for
    // another: drop them.
    std::string shown;
    for (std::size_t i = 0; i < cleaned.size(); ++i) {
        if (i + 2 < cleaned.size() && static_cast<unsigned char>(cleaned[i]) == 0xE2) {
            const auto b1 = static_cast<unsigned char>(cleaned[i + 1]);
            const auto b2 = static_cast<unsigned char>(cleaned[i + 2]);
            if ((b1 == 0x80 && ((b2 >= 0x8B && b2 <= 0x8F) || (b2 >= 0xAA && b2 <= 0xAE))) ||
                (b1 == 0x81 && b2 >= 0xA6 && b2 <= 0xA9)) {
                i += 2;
                continue;
            }
        }
        shown.push_back(cleaned[i]);
    }
    const auto firstKept = shown.find_first_not_of(". ");
    if (firstKept == std::string::npos) {
        return {};
    }
    shown.erase(0, firstKept);
    while (!shown.empty() && (shown.back() == ' ' || shown.back() == '.')) {
        shown.pop_back();
    }
    return FitName(shown);
}

std::string NumberedName(const std::string& name, unsigned n)
{
    if (n <= 1) {
        return name;
    }
    const std::size_t dot = ExtensionStart(name);
    const std::string suffix = " (" + std::to_string(n) + ")";
    const std::string extension = name.substr(dot);
    std::string stem = name.substr(0, dot);
    if (stem.size() + suffix.size() + extension.size() > kMaxNameBytes) {
        stem = CutUtf8(stem, kMaxNameBytes - suffix.size() - extension.size());
    }
    return stem + suffix + extension;
}

} // namespace tools

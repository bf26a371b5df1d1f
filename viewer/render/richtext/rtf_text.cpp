#include "viewer/render/richtext/rtf_text_p.h"

#include <algorithm>
#include <cstddef>

#include "platform/text.h"

namespace viewer::render::richtext {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

// The glyphs of symbol fonts that mails use: list bullets, check boxes, and the smileys
// that a mail editor types as Wingdings "J", "K" and "L". Other bytes of these fonts fall
// back to their Windows-1252 letter.
char32_t SymbolGlyph(std::uint8_t byte, std::uint32_t codePage)
{
    if (codePage == kWingdingsCodePage) {
        switch (byte) {
        case 0x4A:
            return 0x263A;
        case 0x4B:
            return 0x1F610;
        case 0x4C:
            return 0x2639;
        case 0x6C:
            return 0x25CF;
        case 0x6E:
            return 0x25A0;
        case 0x6F:
            return 0x25A1;
        case 0x71:
            return 0x2751;
        case 0x75:
            return 0x25C6;
        case 0x76:
            return 0x2756;
        case 0x9F:
            return 0x2022;
        case 0xA7:
            return 0x25AA;
        case 0xD8:
            return 0x27A2;
        case 0xE8:
            return 0x2794;
        case 0xFB:
            return 0x2717;
        case 0xFC:
            return 0x2713;
        case 0xFD:
            return 0x2612;
        case 0xFE:
            return 0x2611;
        default:
            break;
        }
    } else {
        switch (byte) {
        case 0xB7:
            return 0x2022;
        case 0xA8:
            return 0x2666;
        case 0xAE:
            return 0x2192;
        case 0xD7:
            return 0x22C5;
        default:
            break;
        }
    }
    return platform::Windows1252Char(byte);
}

bool IsPlainAscii(std::string_view text)
{
    for (const char c : text) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte >= 0x80 || (byte < 0x20 && byte != '\t')) {
            return false;
        }
    }
    return true;
}

} // namespace

std::uint32_t CodePageOfCharset(std::int32_t charset, std::uint32_t documentCodePage)
{
    switch (charset) {
    case 0:
        return 1252;
    case 2:
        return kSymbolCodePage;
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return documentCodePage;
    }
}

std::uint32_t FontCodePage(std::int32_t charset, std::int32_t cpg, std::string_view name,
                           std::uint32_t documentCodePage)
{
    if (charset == 2 || StartsWithNoCase(name, "symbol") || StartsWithNoCase(name, "wingdings")) {
        return StartsWithNoCase(name, "wingdings") ? kWingdingsCodePage : kSymbolCodePage;
    }
    if (cpg > 0) {
        return static_cast<std::uint32_t>(cpg);
    }
    return CodePageOfCharset(charset, documentCodePage);
}

void AppendDecoded(std::string& out, std::string_view bytes, std::uint32_t codePage)
{
    if (IsPlainAscii(bytes) && codePage != kSymbolCodePage && codePage != kWingdingsCodePage) {
        out.append(bytes);
        return;
    }
    if (codePage == kSymbolCodePage || codePage == kWingdingsCodePage) {
        for (const char c : bytes) {
            platform::AppendUtf8(out, SymbolGlyph(static_cast<std::uint8_t>(c), codePage));
        }
        return;
    }
    if (codePage == 1252) {
        for (const char c : bytes) {
            platform::AppendUtf8(out, platform::Windows1252Char(static_cast<std::uint8_t>(c)));
        }
        return;
    }
    out += platform::DecodeCodePage(bytes, codePage);
}

char32_t MapSymbolCharacter(char32_t c, std::uint32_t codePage)
{
    if ((codePage == kSymbolCodePage || codePage == kWingdingsCodePage) && c >= 0xF020 &&
        c <= 0xF0FF) {
        return SymbolGlyph(static_cast<std::uint8_t>(c - 0xF000), codePage);
    }
    return c;
}

void PendingBytes::AddText(std::string_view text, std::uint32_t codePage, std::string& out)
{
    if (m_bytes.empty() && codePage != kSymbolCodePage && codePage != kWingdingsCodePage &&
        IsPlainAscii(text)) {
        out.append(text);
        return;
    }
    for (const char c : text) {
        Add(static_cast<std::uint8_t>(c), codePage, out);
    }
}

std::optional<char32_t> UnicodeReader::Character(std::int32_t value, std::uint32_t fallback)
{
    m_skip = fallback;
    char32_t c = static_cast<char32_t>(value < 0 ? value + 65536 : value) & 0xFFFF;
    if (c >= 0xD800 && c <= 0xDBFF) {
        m_highSurrogate = c;
        return std::nullopt;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) {
        if (m_highSurrogate == 0) {
            return std::nullopt;
        }
        c = 0x10000 + ((m_highSurrogate - 0xD800) << 10) + (c - 0xDC00);
    }
    m_highSurrogate = 0;
    return c;
}

bool UnicodeReader::SkipOne()
{
    if (m_skip > 0) {
        --m_skip;
        return true;
    }
    return false;
}

std::string_view UnicodeReader::SkipText(std::string_view text)
{
    const std::size_t skipped = std::min<std::size_t>(m_skip, text.size());
    m_skip -= static_cast<std::uint32_t>(skipped);
    return text.substr(skipped);
}

} // namespace viewer::render::richtext

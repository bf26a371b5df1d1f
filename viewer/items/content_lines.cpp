#include "viewer/items/content_lines.h"

#include "platform/text.h"
#include "platform/text_safety.h"

namespace viewer::items {

namespace {

// RFC 5545 3.1: lines SHOULD NOT be longer than 75 octets, excluding the line break; a
// continuation line starts with one space, which counts.
constexpr std::size_t kMaxLineOctets = 75;

} // namespace

std::string CleanText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = platform::NextUtf8Char(text, i);
        if (c == U'\r') {
            out += '\n';
            if (i < text.size() && text[i] == '\n') {
                ++i;
            }
        } else if (c == U'\n' || c == U'\t') {
            out += static_cast<char>(c);
        } else if (!platform::IsControlCharacter(c)) {
            platform::AppendUtf8(out, c);
        }
    }
    return out;
}

std::string EscapeText(std::string_view text)
{
    std::string out;
    for (const char c : CleanText(text)) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case ';':
            out += "\\;";
            break;
        case ',':
            out += "\\,";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string PercentEncode(std::string_view text, std::string_view keep)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : CleanText(text)) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
            keep.find(c) != std::string_view::npos) {
            out += c;
        } else {
            out += '%';
            out += kDigits[b >> 4];
            out += kDigits[b & 0x0F];
        }
    }
    return out;
}

ContentLine::ContentLine(ContentLines& owner, std::string_view name) : m_owner(owner), m_line(name)
{
}

ContentLine& ContentLine::Param(std::string_view name, std::string_view value)
{
    // RFC 6868: '^' as "^^", '"' as "^'", a line end as "^n"; nothing else may break out.
    std::string encoded;
    bool quote = false;
    for (const char c : CleanText(value)) {
        if (c == '^') {
            encoded += "^^";
        } else if (c == '"') {
            encoded += "^'";
        } else if (c == '\n') {
            encoded += "^n";
        } else {
            quote = quote || c == ';' || c == ':' || c == ',';
            encoded += c;
        }
    }
    m_line += ';';
    m_line += name;
    m_line += '=';
    if (quote) {
        m_line += '"' + encoded + '"';
    } else {
        m_line += encoded;
    }
    return *this;
}

ContentLine& ContentLine::ParamList(std::string_view name, std::string_view tokens)
{
    m_line += ';';
    m_line += name;
    m_line += '=';
    m_line += tokens;
    return *this;
}

void ContentLine::Raw(std::string_view value)
{
    m_line += ':';
    m_line += value;
    m_owner.Emit(m_line);
}

void ContentLine::Text(std::string_view text)
{
    Raw(EscapeText(text));
}

void ContentLine::Parts(const std::vector<std::string>& parts)
{
    std::string value;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        value += (i == 0 ? "" : ";") + EscapeText(parts[i]);
    }
    Raw(value);
}

void ContentLine::List(const std::vector<std::string>& values)
{
    std::string value;
    for (std::size_t i = 0; i < values.size(); ++i) {
        value += (i == 0 ? "" : ",") + EscapeText(values[i]);
    }
    Raw(value);
}

void ContentLines::Emit(std::string_view line)
{
    std::size_t limit = kMaxLineOctets;
    while (line.size() > limit) {
        // Lines hold valid UTF-8 (CleanText and our own ASCII), so a cut between characters
        // leaves at least one character on the line; a cut at the limit keeps any other
        // text moving all the same.
        std::size_t cut = platform::CutUtf8(line, limit).size();
        cut = cut == 0 ? limit : cut;
        m_out.append(line.substr(0, cut));
        m_out += "\r\n ";
        line.remove_prefix(cut);
        limit = kMaxLineOctets - 1;
    }
    m_out.append(line);
    m_out += "\r\n";
}

} // namespace viewer::items

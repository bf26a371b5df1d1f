#include "viewer/render/richtext/rtf_fonts_p.h"

#include <algorithm>
#include <string_view>

#include "viewer/render/richtext/rtf_text_p.h"

namespace viewer::render::richtext {

namespace {

constexpr std::size_t kMaxFontName = 256;

} // namespace

void FontEntryReader::Word(Kw kw, std::int32_t p)
{
    switch (kw) {
    case Kw::F:
        m_font = Font{};
        m_font.number = p;
        m_cpg = 0;
        m_name.clear();
        m_open = true;
        return;
    case Kw::Fnil:
        m_font.family = FontFamily::Nil;
        return;
    case Kw::Froman:
        m_font.family = FontFamily::Roman;
        return;
    case Kw::Fswiss:
        m_font.family = FontFamily::Swiss;
        return;
    case Kw::Fmodern:
        m_font.family = FontFamily::Modern;
        return;
    case Kw::Fscript:
        m_font.family = FontFamily::Script;
        return;
    case Kw::Fdecor:
        m_font.family = FontFamily::Decorative;
        return;
    case Kw::Ftech:
        m_font.family = FontFamily::Technical;
        return;
    case Kw::Fcharset:
        m_font.charset = static_cast<std::uint8_t>(std::clamp(p, 0, 255));
        return;
    case Kw::Cpg:
        m_cpg = p;
        return;
    case Kw::Fprq:
        m_font.pitch = static_cast<std::uint8_t>(std::clamp(p, 0, 2));
        return;
    default:
        return;
    }
}

std::string& FontEntryReader::Name()
{
    if (!m_open || m_name.size() >= kMaxFontName) {
        m_overflow.clear();
        return m_overflow;
    }
    return m_name;
}

std::uint32_t FontEntryReader::NameCodePage(std::uint32_t documentCodePage) const
{
    // A symbol font's name is still letters.
    const std::uint32_t codePage = FontCodePage(m_font.charset, m_cpg, {}, documentCodePage);
    return codePage == kSymbolCodePage ? documentCodePage : codePage;
}

std::optional<Font> FontEntryReader::Commit(std::uint32_t documentCodePage)
{
    if (!m_open) {
        return std::nullopt;
    }
    m_open = false;
    std::string_view name = m_name;
    while (!name.empty() && name.front() == ' ') {
        name.remove_prefix(1);
    }
    while (!name.empty() && name.back() == ' ') {
        name.remove_suffix(1);
    }
    m_font.name = std::string(name);
    m_font.codePage = FontCodePage(m_font.charset, m_cpg, name, documentCodePage);
    m_name.clear();
    return std::move(m_font);
}

} // namespace viewer::render::richtext

#include "viewer/render/richtext/deencapsulate.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/text.h"
#include "viewer/render/richtext/rtf_fonts_p.h"
#include "viewer/render/richtext/rtf_keywords_p.h"
#include "viewer/render/richtext/rtf_reader.h"
#include "viewer/render/richtext/rtf_text_p.h"
#include "viewer/render/richtext/rtf_tokenizer_p.h"

namespace viewer::render::richtext {

namespace {

// How far into the header \fromhtml1 or \fromtext is looked for.
constexpr int kHeaderWords = 32;

enum class Dest : std::uint8_t { Body, Skip, FontTable, HtmlTag };

struct State {
    Dest dest = Dest::Body;
    bool suppressed = false; // \htmlrtf
    bool starred = false;
    bool first = true;
    std::uint8_t ucSkip = 1;
    std::uint32_t codePage = 1252;
};

class Deencapsulator {
  public:
    explicit Deencapsulator(std::span<const std::uint8_t> rtf) : m_tokens(rtf)
    {
        m_states.emplace_back();
    }

    std::string Run()
    {
        for (;;) {
            const Token token = m_tokens.Next();
            if (token.kind == TokenKind::End) {
                break;
            }
            if (m_overflow > 0) {
                m_overflow += token.kind == TokenKind::GroupStart ? 1
                              : token.kind == TokenKind::GroupEnd ? -1
                                                                  : 0;
                continue;
            }
            Dispatch(token);
        }
        Flush();
        return std::move(m_out);
    }

  private:
    State& Top() { return m_states.back(); }

    bool Emitting() const
    {
        const State& state = m_states.back();
        return state.dest == Dest::HtmlTag || (state.dest == Dest::Body && !state.suppressed);
    }

    std::string& Sink()
    {
        if (Top().dest == Dest::FontTable) {
            return m_font.Name();
        }
        if (Emitting()) {
            return m_out;
        }
        m_discard.clear();
        return m_discard;
    }

    void Flush()
    {
        if (!m_pending.Empty()) {
            m_pending.Flush(Sink());
        }
    }

    void Dispatch(const Token& token)
    {
        if (token.kind != TokenKind::Text && token.kind != TokenKind::HexByte) {
            Flush();
        }
        switch (token.kind) {
        case TokenKind::GroupStart:
            m_skip = 0;
            if (m_states.size() >= kMaxGroupDepth) {
                m_overflow = 1;
                return;
            }
            m_states.push_back(Top());
            Top().starred = false;
            Top().first = true;
            return;
        case TokenKind::GroupEnd:
            m_skip = 0;
            if (m_states.size() > 1) {
                if (Top().dest == Dest::FontTable) {
                    CommitFont();
                }
                m_states.pop_back();
            }
            return;
        case TokenKind::ControlSymbol:
            Symbol(token.text[0]);
            return;
        case TokenKind::ControlWord:
            Word(token);
            return;
        case TokenKind::HexByte:
            if (Skipping()) {
                return;
            }
            Top().first = false;
            m_pending.Add(token.byte, Top().codePage, Sink());
            return;
        case TokenKind::Text:
            Text(token.text);
            return;
        case TokenKind::Binary:
            Skipping();
            return;
        case TokenKind::End:
            return;
        }
    }

    bool Skipping()
    {
        if (m_skip > 0) {
            --m_skip;
            return true;
        }
        return false;
    }

    void Text(std::string_view text)
    {
        const std::size_t skipped = std::min<std::size_t>(m_skip, text.size());
        m_skip -= static_cast<std::uint32_t>(skipped);
        text.remove_prefix(skipped);
        if (text.empty()) {
            return;
        }
        Top().first = false;
        if (Top().dest != Dest::FontTable) {
            m_pending.AddText(text, Top().codePage, Sink());
            return;
        }
        for (const char c : text) {
            if (c == ';') {
                Flush();
                CommitFont();
            } else {
                m_pending.Add(static_cast<std::uint8_t>(c), Top().codePage, Sink());
            }
        }
    }

    void Append(char32_t c) { platform::AppendUtf8(Sink(), c); }

    void Symbol(char c)
    {
        State& state = Top();
        if (c == '*') {
            state.starred = state.first;
            return;
        }
        if (Skipping()) {
            return;
        }
        state.first = false;
        switch (c) {
        case '\\':
        case '{':
        case '}':
            Sink().push_back(c);
            return;
        case '~':
            Append(0x00A0);
            return;
        case '_':
            Append(0x2011);
            return;
        default:
            return;
        }
    }

    void Word(const Token& token)
    {
        State& state = Top();
        const bool first = state.first;
        state.first = false;
        const std::string_view name = token.text;
        const std::int32_t p = token.hasParameter ? token.parameter : 1;
        if (first && state.starred) {
            state.dest = name == "htmltag" && state.dest != Dest::Skip ? Dest::HtmlTag : Dest::Skip;
            return;
        }
        if (state.dest == Dest::Skip) {
            return;
        }
        if (name == "htmlrtf") {
            state.suppressed = p != 0;
            return;
        }
        const Kw kw = LookUpKeyword(name).kw;
        if (kw == Kw::U) {
            if (!Skipping()) {
                Unicode(token.parameter);
            }
            return;
        }
        if (Skipping()) {
            return;
        }
        if (state.dest == Dest::FontTable) {
            if (kw == Kw::F) {
                CommitFont();
            }
            m_font.Word(kw, p);
            state.codePage = m_font.NameCodePage(m_codePage);
            return;
        }
        switch (kw) {
        case Kw::Fonttbl:
            state.dest = Dest::FontTable;
            return;
        case Kw::SkipDestination:
        case Kw::Colortbl:
        case Kw::Pict:
        case Kw::Fldinst:
        case Kw::Listtext:
        case Kw::Pntext:
            state.dest = Dest::Skip;
            return;
        case Kw::Ansicpg:
            if (p > 0) {
                m_codePage = static_cast<std::uint32_t>(p);
                state.codePage = m_codePage;
            }
            return;
        case Kw::F: {
            const auto it = m_fonts.find(p);
            state.codePage = it == m_fonts.end() ? m_codePage : it->second;
            return;
        }
        case Kw::Uc:
            state.ucSkip = static_cast<std::uint8_t>(std::clamp(p, 0, 255));
            return;
        case Kw::Par:
        case Kw::Line:
            Sink().append("\r\n");
            return;
        case Kw::Tab:
            Sink().push_back('\t');
            return;
        case Kw::Emdash:
            Append(0x2014);
            return;
        case Kw::Endash:
            Append(0x2013);
            return;
        case Kw::Bullet:
            Append(0x2022);
            return;
        case Kw::Lquote:
            Append(0x2018);
            return;
        case Kw::Rquote:
            Append(0x2019);
            return;
        case Kw::Ldblquote:
            Append(0x201C);
            return;
        case Kw::Rdblquote:
            Append(0x201D);
            return;
        default:
            return;
        }
    }

    void Unicode(std::int32_t value)
    {
        char32_t c = static_cast<char32_t>(value < 0 ? value + 65536 : value) & 0xFFFF;
        m_skip = Top().ucSkip;
        if (c >= 0xD800 && c <= 0xDBFF) {
            m_highSurrogate = c;
            return;
        }
        if (c >= 0xDC00 && c <= 0xDFFF) {
            if (m_highSurrogate == 0) {
                return;
            }
            c = 0x10000 + ((m_highSurrogate - 0xD800) << 10) + (c - 0xDC00);
        }
        m_highSurrogate = 0;
        if (c >= 0x20 || c == '\t') {
            Append(c);
        }
    }

    void CommitFont()
    {
        if (std::optional<Font> font = m_font.Commit(m_codePage)) {
            if (m_fonts.size() < 0x10000) {
                m_fonts.try_emplace(font->number, font->codePage);
            }
        }
    }

    Tokenizer m_tokens;
    std::vector<State> m_states;
    int m_overflow = 0;
    std::uint32_t m_skip = 0;
    char32_t m_highSurrogate = 0;
    std::uint32_t m_codePage = 1252;
    PendingBytes m_pending;
    FontEntryReader m_font;
    std::unordered_map<std::int32_t, std::uint32_t> m_fonts;
    std::string m_out;
    std::string m_discard;
};

// Rewrites every character outside ASCII as a numeric character reference.
std::string AsciiHtml(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    const std::u16string wide = platform::Utf8ToUtf16(utf8);
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t c = wide[i];
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
            wide[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        out += "&#" + std::to_string(static_cast<std::uint32_t>(c)) + ";";
    }
    return out;
}

} // namespace

Encapsulation DetectEncapsulation(std::span<const std::uint8_t> rtf)
{
    Tokenizer tokens(rtf);
    int depth = 0;
    for (int words = 0; words < kHeaderWords;) {
        const Token token = tokens.Next();
        switch (token.kind) {
        case TokenKind::GroupStart:
            if (++depth > 1) {
                return Encapsulation::None;
            }
            break;
        case TokenKind::ControlWord:
            ++words;
            if (token.text == "fromhtml" && token.hasParameter && token.parameter == 1) {
                return Encapsulation::Html;
            }
            if (token.text == "fromtext") {
                return Encapsulation::Text;
            }
            break;
        default:
            return Encapsulation::None;
        }
    }
    return Encapsulation::None;
}

std::optional<Deencapsulated> Deencapsulate(std::span<const std::uint8_t> rtf)
{
    const Encapsulation kind = DetectEncapsulation(rtf);
    if (kind == Encapsulation::None) {
        return std::nullopt;
    }
    std::string content = Deencapsulator(rtf).Run();
    if (kind == Encapsulation::Html) {
        content = AsciiHtml(content);
    }
    return Deencapsulated{kind, std::move(content)};
}

} // namespace viewer::render::richtext

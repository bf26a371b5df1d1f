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
    explicit Deencapsulator(std::span<const std::uint8_t> rtf) : m_tokens(rtf, kMaxGroupDepth)
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
            m_unicode.EndFallback();
            m_states.push_back(Top());
            Top().starred = false;
            Top().first = true;
            return;
        case TokenKind::GroupEnd:
            m_unicode.EndFallback();
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

    bool Skipping() { return m_unicode.SkipOne(); }

    void Text(std::string_view text)
    {
        text = m_unicode.SkipText(text);
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
        default:
            if (const char32_t character = SymbolCharacter(c)) {
                Append(character);
            }
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
        const Keyword keyword = LookUpKeyword(name);
        const Kw kw = keyword.kw;
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
        case Kw::Character:
            Append(keyword.character);
            return;
        default:
            return;
        }
    }

    void Unicode(std::int32_t value)
    {
        const std::optional<char32_t> c = m_unicode.Character(value, Top().ucSkip);
        if (c && (*c >= 0x20 || *c == '\t')) {
            Append(*c);
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

    DepthLimitedTokens m_tokens;
    std::vector<State> m_states;
    UnicodeReader m_unicode;
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
    for (const char32_t c : platform::Utf8ToCodePoints(utf8)) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out += "&#" + std::to_string(static_cast<std::uint32_t>(c)) + ";";
        }
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

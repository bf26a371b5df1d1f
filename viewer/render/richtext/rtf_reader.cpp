#include "viewer/render/richtext/rtf_reader.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "viewer/render/richtext/picture_check_p.h"
#include "viewer/render/richtext/rtf_fonts_p.h"
#include "viewer/render/richtext/rtf_keywords_p.h"
#include "viewer/render/richtext/rtf_text_p.h"
#include "viewer/render/richtext/rtf_tokenizer_p.h"
#include "viewer/render/richtext/table_builder_p.h"

namespace viewer::render::richtext {

namespace {

constexpr std::size_t kMaxInstructionBytes = 4096;
constexpr std::size_t kMaxNameBytes = 1024;
constexpr std::size_t kMaxShapeTextBytes = 64;

// The fill of the page's shape (\background), from its properties: colours are decimal
// COLORREFs (0x00BBGGRR); a value with a high byte names a scheme or system colour instead,
// which the page cannot show, so it is left out.
class PageFill {
  public:
    std::string name;  // of the property being read
    std::string value; // of the property being read

    // Takes the property whose name and value were just read.
    void Property()
    {
        if (name == "fillColor") {
            m_fill = ColorOf(value);
        } else if (name == "fillBackColor") {
            m_back = ColorOf(value);
        } else if (name == "fillType") {
            m_solid = value == "0";
        } else if (name == "fFilled") {
            m_filled = value != "0";
        }
    }

    // The page's colour: a solid fill's colour; for gradients, patterns and pictures, which
    // the viewer does not draw, the mean of their two colours, close to what the text was
    // written to stand on.
    std::uint32_t Color() const
    {
        if (!m_filled || !m_fill) {
            return kAutoColor;
        }
        if (m_solid || !m_back) {
            return *m_fill;
        }
        std::uint32_t mean = 0;
        for (const int shift : {0, 8, 16}) {
            const std::uint32_t a = (*m_fill >> shift) & 0xFF;
            const std::uint32_t b = (*m_back >> shift) & 0xFF;
            mean |= ((a + b) / 2) << shift;
        }
        return mean;
    }

  private:
    static std::optional<std::uint32_t> ColorOf(std::string_view text)
    {
        std::uint32_t colorRef = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), colorRef);
        if (error != std::errc{} || end != text.data() + text.size() || colorRef > 0xFFFFFF) {
            return std::nullopt;
        }
        return (colorRef & 0xFF) << 16 | (colorRef & 0xFF00) | colorRef >> 16;
    }

    std::optional<std::uint32_t> m_fill;
    std::optional<std::uint32_t> m_back;
    bool m_solid = true;
    bool m_filled = true;
};

// Where the text of a group goes.
enum class Dest : std::uint8_t {
    Body, // the document
    Skip, // nowhere, and nothing inside the group counts
    Hold, // nowhere, but a \result, \fldrslt or \ud inside resumes `resume`
    FontTable,
    ColorTable,
    FieldInstruction,
    Picture,
    ListText,
    Bookmark,
    Background, // the page's shape: only its property names and values are read
    ShapeName,
    ShapeValue,
};

// The state RTF saves at '{' and restores at '}'.
struct State {
    CharFormat chars;
    ParagraphFormat para;
    std::uint32_t codePage = 1252;
    std::int32_t field = -1; // index into the reader's open fields
    Dest dest = Dest::Body;
    Dest resume = Dest::Body;
    std::uint8_t ucSkip = 1;
    std::uint8_t tableDepth = 0; // \intbl and \itap: 0 outside tables
    bool inTable = false;
    bool rowProperties = false; // inside \*\nesttableprops
    bool starred = false;       // the group began with \*
    bool first = true;          // nothing but \* has come in the group yet
    bool ownsPicture = false;
    bool ownsField = false;
    bool ownsBookmark = false;
    bool ownsFontTable = false;
};

struct OpenField {
    std::string instruction;
    bool resultSeen = false;
    std::uint32_t link = kNoLink;
};

struct PendingPicture {
    Picture picture;
    int highNibble = -1;
};

template <typename T> void HashField(std::size_t& seed, const T& value)
{
    seed ^= std::hash<T>{}(value) + 0x9E3779B97F4A7C15ull + (seed << 6) + (seed >> 2);
}

struct CharFormatHash {
    std::size_t operator()(const CharFormat& f) const
    {
        std::size_t seed = f.font;
        HashField(seed, f.halfPoints);
        HashField(seed, f.color);
        HashField(seed, std::uint64_t{f.background} << 32 | f.highlight);
        HashField(seed, f.link);
        const unsigned flags = unsigned(f.bold) | unsigned(f.italic) << 1 |
                               unsigned(f.strike) << 2 | unsigned(f.hidden) << 3 |
                               unsigned(f.caps) << 4 | unsigned(f.smallCaps) << 5 |
                               unsigned(f.underline) << 8 | unsigned(f.position) << 12;
        HashField(seed, flags);
        return seed;
    }
};

struct ParagraphFormatHash {
    std::size_t operator()(const ParagraphFormat& f) const
    {
        std::size_t seed = static_cast<std::size_t>(f.alignment) | std::size_t{f.rightToLeft} << 4 |
                           std::size_t{f.lineSpacingMultiple} << 5 | std::size_t{f.listLevel} << 8;
        for (const std::int32_t v : {f.leftIndent, f.rightIndent, f.firstLineIndent, f.spaceBefore,
                                     f.spaceAfter, f.lineSpacing, f.listId}) {
            HashField(seed, v);
        }
        return seed;
    }
};

std::uint8_t Clamp8(std::int32_t value, std::int32_t high)
{
    return static_cast<std::uint8_t>(std::clamp(value, 0, high));
}

class Reader {
  public:
    explicit Reader(std::span<const std::uint8_t> rtf)
        : m_tokens(rtf, kMaxGroupDepth), m_budget(rtf.size()), m_tables(m_doc, m_budget, m_colors)
    {
        m_states.emplace_back();
    }

    Document Read()
    {
        for (;;) {
            const Token token = m_tokens.Next();
            if (token.kind == TokenKind::End) {
                break;
            }
            Dispatch(token);
        }
        Flush();
        EndParagraph(false);
        m_doc.body = m_tables.Finish();
        m_doc.pageColor = m_page.Color();
        return std::move(m_doc);
    }

  private:
    State& Top() { return m_states.back(); }

    void Dispatch(const Token& token)
    {
        switch (token.kind) {
        case TokenKind::GroupStart:
            Flush();
            m_unicode.EndFallback();
            m_states.push_back(Top());
            Top().starred = false;
            Top().first = true;
            Top().rowProperties = m_states[m_states.size() - 2].rowProperties;
            Top().ownsPicture = Top().ownsField = Top().ownsBookmark = Top().ownsFontTable = false;
            return;
        case TokenKind::GroupEnd:
            Flush();
            m_unicode.EndFallback();
            EndGroup();
            return;
        case TokenKind::ControlSymbol:
            ControlSymbol(token.text[0]);
            return;
        case TokenKind::ControlWord:
            ControlWord(token);
            return;
        case TokenKind::HexByte:
            if (Skipping()) {
                return;
            }
            Top().first = false;
            if (Top().dest == Dest::Picture) {
                return; // hex pictures are written as text, never as \'hh
            }
            m_pending.Add(token.byte, Top().codePage, Sink());
            return;
        case TokenKind::Text:
            Text(token.text);
            return;
        case TokenKind::Binary:
            if (m_unicode.SkipOne()) {
                return;
            }
            if (Top().dest == Dest::Picture && m_picture && Allow(token.text.size())) {
                auto& data = m_picture->picture.data;
                data.insert(data.end(), token.text.begin(), token.text.end());
                m_budget.held += token.text.size();
            }
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
        State& state = Top();
        state.first = false;
        switch (state.dest) {
        case Dest::Skip:
        case Dest::Hold:
            return;
        case Dest::Picture:
            AddHex(text);
            return;
        case Dest::ColorTable:
            for (const char c : text) {
                if (c == ';') {
                    CommitColor();
                }
            }
            return;
        case Dest::FontTable: {
            // Each entry ends with ';'.
            std::size_t start = 0;
            for (std::size_t i = 0; i <= text.size(); ++i) {
                if (i == text.size() || text[i] == ';') {
                    if (i > start) {
                        m_pending.AddText(text.substr(start, i - start), state.codePage, Sink());
                    }
                    if (i < text.size()) {
                        Flush();
                        CommitFont();
                    }
                    start = i + 1;
                }
            }
            return;
        }
        default:
            m_pending.AddText(text, state.codePage, Sink());
            return;
        }
    }

    // Where decoded text goes for the current destination.
    std::string& Sink()
    {
        switch (Top().dest) {
        case Dest::Body:
            if (!EnsureRun()) {
                m_discard.clear();
                return m_discard;
            }
            return m_doc.text;
        case Dest::ListText:
            return Bounded(m_listText);
        case Dest::FieldInstruction:
            if (Top().field >= 0) {
                return Bounded(m_fields[static_cast<std::size_t>(Top().field)].instruction,
                               kMaxInstructionBytes);
            }
            break;
        case Dest::FontTable:
            return m_fontEntry.Name();
        case Dest::Bookmark:
            return Bounded(m_bookmark);
        case Dest::ShapeName:
            return Bounded(m_page.name, kMaxShapeTextBytes);
        case Dest::ShapeValue:
            return Bounded(m_page.value, kMaxShapeTextBytes);
        default:
            break;
        }
        m_discard.clear();
        return m_discard;
    }

    std::string& Bounded(std::string& text, std::size_t limit = kMaxNameBytes)
    {
        if (text.size() >= limit) {
            m_discard.clear();
            return m_discard;
        }
        return text;
    }

    void Flush()
    {
        if (!m_pending.Empty()) {
            m_pending.Flush(Sink());
        }
    }

    void AppendChar(char32_t c)
    {
        Flush();
        c = MapSymbolCharacter(c, Top().codePage);
        if ((c < 0x20 && c != '\t' && c != '\n') || c == 0xFEFF || c > 0x10FFFF ||
            (c >= 0xD800 && c <= 0xDFFF)) {
            return;
        }
        platform::AppendUtf8(Sink(), c);
    }

    void ControlSymbol(char c)
    {
        Flush();
        State& state = Top();
        if (c == '*') {
            if (state.first) {
                state.starred = true;
            }
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
            if (state.dest == Dest::FontTable || state.dest == Dest::Picture) {
                return;
            }
            m_pending.Add(static_cast<std::uint8_t>(c), state.codePage, Sink());
            return;
        default:
            if (const char32_t character = SymbolCharacter(c)) {
                AppendChar(character);
            }
            return;
        }
    }

    void ControlWord(const Token& token)
    {
        Flush();
        const Keyword keyword = LookUpKeyword(token.text);
        State& state = Top();
        const bool first = state.first;
        state.first = false;
        if (first && state.starred && !keyword.destination) {
            state.dest = Dest::Skip;
            return;
        }
        if (state.dest == Dest::Skip) {
            return;
        }
        if (keyword.kw == Kw::U) {
            if (Skipping()) {
                return;
            }
            UnicodeCharacter(token.parameter);
            return;
        }
        if (Skipping()) {
            return;
        }
        if (keyword.destination) {
            Destination(keyword.kw);
            return;
        }
        const std::int32_t p = token.hasParameter ? token.parameter : 1;
        const bool on = !token.hasParameter || token.parameter != 0;
        switch (state.dest) {
        case Dest::FontTable:
            FontWord(keyword.kw, p);
            return;
        case Dest::ColorTable:
            ColorWord(keyword.kw, p);
            return;
        case Dest::Picture:
            PictureWord(keyword.kw, token);
            return;
        default:
            break;
        }
        if (CharacterWord(keyword.kw, p, on, token.hasParameter) ||
            ParagraphWord(keyword.kw, p, on) || TableWord(keyword.kw, p)) {
            return;
        }
        DocumentWord(keyword, p);
    }

    void UnicodeCharacter(std::int32_t value)
    {
        const std::optional<char32_t> c = m_unicode.Character(value, Top().ucSkip);
        if (c && Top().dest != Dest::Picture && Top().dest != Dest::ColorTable) {
            AppendChar(*c);
        }
    }

    void Destination(Kw kw)
    {
        State& state = Top();
        const Dest parent = state.dest;
        switch (kw) {
        case Kw::Fonttbl:
            state.dest = Dest::FontTable;
            state.ownsFontTable = true;
            return;
        case Kw::Colortbl:
            state.dest = Dest::ColorTable;
            m_color = {};
            return;
        case Kw::Field:
            if (m_fields.size() >= kMaxGroupDepth) {
                state.dest = Dest::Skip;
                return;
            }
            m_fields.emplace_back();
            state.field = static_cast<std::int32_t>(m_fields.size() - 1);
            state.ownsField = true;
            state.resume = parent == Dest::Hold ? state.resume : parent;
            state.dest = Dest::Hold;
            return;
        case Kw::Fldinst:
            state.dest = state.field >= 0 ? Dest::FieldInstruction : Dest::Skip;
            return;
        case Kw::Fldrslt:
            FieldResult();
            return;
        case Kw::Pict:
            if (parent != Dest::Body || m_picture) {
                state.dest = Dest::Skip;
                return;
            }
            m_picture.emplace();
            state.ownsPicture = true;
            state.dest = Dest::Picture;
            return;
        case Kw::Object:
        case Kw::Upr:
            state.resume = parent == Dest::Hold ? state.resume : parent;
            state.dest = Dest::Hold;
            return;
        case Kw::Result:
        case Kw::Ud:
            if (parent == Dest::Hold) {
                state.dest = state.resume;
            }
            return;
        case Kw::Bkmkstart:
            if (parent != Dest::Body) {
                state.dest = Dest::Skip;
                return;
            }
            m_bookmark.clear();
            state.ownsBookmark = true;
            state.dest = Dest::Bookmark;
            return;
        case Kw::Listtext:
        case Kw::Pntext:
            if (parent != Dest::Body) {
                state.dest = Dest::Skip;
                return;
            }
            m_listText.clear();
            state.dest = Dest::ListText;
            return;
        case Kw::Nesttableprops:
            state.rowProperties = true;
            return;
        case Kw::Shppict:
        case Kw::Shp:
        case Kw::Shprslt:
            return; // what they hold is read as it comes; their other parts are \* groups
        case Kw::Background:
            state.dest = parent == Dest::Body ? Dest::Background : Dest::Skip;
            return;
        case Kw::Shpinst:
            state.dest = parent == Dest::Background ? Dest::Background : Dest::Skip;
            return;
        case Kw::Sn:
        case Kw::Sv:
            if (parent != Dest::Background) {
                state.dest = Dest::Skip;
                return;
            }
            state.dest = kw == Kw::Sn ? Dest::ShapeName : Dest::ShapeValue;
            (kw == Kw::Sn ? m_page.name : m_page.value).clear();
            return;
        default:
            state.dest = Dest::Skip;
            return;
        }
    }

    void FieldResult()
    {
        State& state = Top();
        if (state.field < 0) {
            state.dest = Dest::Skip;
            return;
        }
        OpenField& field = m_fields[static_cast<std::size_t>(state.field)];
        if (!field.resultSeen) {
            field.resultSeen = true;
            field.link = LinkOf(field.instruction);
        }
        state.dest = state.resume;
        if (field.link != kNoLink) {
            state.chars.link = field.link;
        }
    }

    // A HYPERLINK field's target: HYPERLINK ["address"] [\l "bookmark"] [\o "tip"] ...
    // Every other field (INCLUDEPICTURE, INCLUDETEXT, ...) gives no link and its
    // instruction is forgotten.
    std::uint32_t LinkOf(std::string_view instruction)
    {
        std::vector<std::string> words;
        std::size_t i = 0;
        while (i < instruction.size() && words.size() < 16) {
            while (i < instruction.size() &&
                   (instruction[i] == ' ' || instruction[i] == '\t' || instruction[i] == '\n')) {
                ++i;
            }
            if (i >= instruction.size()) {
                break;
            }
            std::string word;
            if (instruction[i] == '"') {
                ++i;
                while (i < instruction.size() && instruction[i] != '"') {
                    word.push_back(instruction[i++]);
                }
                ++i;
                words.push_back(std::move(word));
                continue;
            }
            while (i < instruction.size() && instruction[i] != ' ' && instruction[i] != '\t' &&
                   instruction[i] != '\n') {
                word.push_back(instruction[i++]);
            }
            words.push_back(std::move(word));
        }
        if (words.empty()) {
            return kNoLink;
        }
        std::string head = words[0];
        std::transform(head.begin(), head.end(), head.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (head != "HYPERLINK") {
            return kNoLink;
        }
        std::string address;
        std::string bookmark;
        for (std::size_t w = 1; w < words.size(); ++w) {
            const std::string& word = words[w];
            if (word.size() == 2 && word[0] == '\\') {
                const char option =
                    static_cast<char>(std::tolower(static_cast<unsigned char>(word[1])));
                if (option == 'l' && w + 1 < words.size()) {
                    bookmark = words[++w];
                } else if ((option == 'o' || option == 't') && w + 1 < words.size()) {
                    ++w;
                }
                continue;
            }
            if (address.empty()) {
                address = word;
            }
        }
        std::string target = address;
        if (!bookmark.empty()) {
            target += '#';
            target += bookmark;
        }
        if (target.empty() || !Allow(target.size() + sizeof(Link))) {
            return kNoLink;
        }
        m_doc.links.push_back(Link{std::move(target)});
        return static_cast<std::uint32_t>(m_doc.links.size() - 1);
    }

    void EndGroup()
    {
        if (m_states.size() <= 1) {
            return; // a stray '}': the outermost state stays
        }
        const State ended = Top();
        if (ended.ownsPicture) {
            FinishPicture();
        }
        if (ended.ownsBookmark) {
            FinishBookmark();
        }
        if (ended.dest == Dest::FontTable) {
            CommitFont();
        }
        if (ended.dest == Dest::ShapeValue &&
            m_states[m_states.size() - 2].dest != Dest::ShapeValue) {
            m_page.Property();
        }
        if (ended.ownsField && !m_fields.empty()) {
            m_fields.pop_back();
        }
        m_states.pop_back();
        if (ended.ownsFontTable) {
            // The body begins in the default font, which was not known before its table.
            SelectFont(Top(), m_defaultFont);
        }
    }

    // Characters.

    bool CharacterWord(Kw kw, std::int32_t p, bool on, bool hasParameter)
    {
        CharFormat& c = Top().chars;
        switch (kw) {
        case Kw::Plain: {
            const std::uint32_t link = c.link;
            c = CharFormat{};
            c.link = link;
            SelectFont(Top(), m_defaultFont);
            return true;
        }
        case Kw::B:
            c.bold = on;
            return true;
        case Kw::I:
            c.italic = on;
            return true;
        case Kw::Ul:
            c.underline = on ? Underline::Single : Underline::None;
            return true;
        case Kw::Uld:
            c.underline = on ? Underline::Dotted : Underline::None;
            return true;
        case Kw::Uldash:
            c.underline = on ? Underline::Dashed : Underline::None;
            return true;
        case Kw::Uldb:
            c.underline = on ? Underline::Double : Underline::None;
            return true;
        case Kw::Ulth:
            c.underline = on ? Underline::Thick : Underline::None;
            return true;
        case Kw::Ulw:
            c.underline = on ? Underline::Words : Underline::None;
            return true;
        case Kw::Ulwave:
            c.underline = on ? Underline::Wave : Underline::None;
            return true;
        case Kw::Ulnone:
            c.underline = Underline::None;
            return true;
        case Kw::Strike:
        case Kw::Striked:
            c.strike = on;
            return true;
        case Kw::Caps:
            c.caps = on;
            return true;
        case Kw::Scaps:
            c.smallCaps = on;
            return true;
        case Kw::V:
            c.hidden = on;
            return true;
        case Kw::Super:
            c.position = VerticalPosition::Superscript;
            return true;
        case Kw::Sub:
            c.position = VerticalPosition::Subscript;
            return true;
        case Kw::Nosupersub:
            c.position = VerticalPosition::Baseline;
            return true;
        case Kw::F:
            SelectFont(Top(), hasParameter ? p : m_defaultFont);
            return true;
        case Kw::Fs:
            c.halfPoints =
                static_cast<std::uint16_t>(p > 0 ? std::min(p, 3276) : kDefaultHalfPoints);
            return true;
        case Kw::Cf:
            c.color = ColorAt(p);
            return true;
        case Kw::Cb:
        case Kw::Chcbpat:
            c.background = ColorAt(p);
            return true;
        case Kw::Highlight:
            c.highlight = ColorAt(p);
            return true;
        default:
            return false;
        }
    }

    void SelectFont(State& state, std::int32_t number)
    {
        const auto it = m_fontIndex.find(number);
        if (it == m_fontIndex.end()) {
            state.chars.font = kNoFont;
            state.codePage = m_codePage;
            return;
        }
        state.chars.font = it->second;
        state.codePage = m_doc.fonts[it->second].codePage;
    }

    std::uint32_t ColorAt(std::int32_t index) const
    {
        if (index < 0 || static_cast<std::size_t>(index) >= m_colors.size()) {
            return kAutoColor;
        }
        return m_colors[static_cast<std::size_t>(index)];
    }

    // Paragraphs.

    bool ParagraphWord(Kw kw, std::int32_t p, bool on)
    {
        State& state = Top();
        ParagraphFormat& f = state.para;
        switch (kw) {
        case Kw::Pard:
            f = ParagraphFormat{};
            state.inTable = false;
            state.tableDepth = 0;
            return true;
        case Kw::Ql:
            f.alignment = Alignment::Left;
            return true;
        case Kw::Qr:
            f.alignment = Alignment::Right;
            return true;
        case Kw::Qc:
            f.alignment = Alignment::Center;
            return true;
        case Kw::Qj:
        case Kw::Qd:
            f.alignment = Alignment::Justify;
            return true;
        case Kw::Li:
            f.leftIndent = p;
            return true;
        case Kw::Ri:
            f.rightIndent = p;
            return true;
        case Kw::Fi:
            f.firstLineIndent = p;
            return true;
        case Kw::Sb:
            f.spaceBefore = p;
            return true;
        case Kw::Sa:
            f.spaceAfter = p;
            return true;
        case Kw::Sl:
            f.lineSpacing = p == 1000 ? 0 : p;
            return true; // \sl1000: "auto"
        case Kw::Slmult:
            f.lineSpacingMultiple = on;
            return true;
        case Kw::Ls:
            f.listId = p;
            return true;
        case Kw::Ilvl:
            f.listLevel = Clamp8(p, 8);
            return true;
        case Kw::Rtlpar:
            f.rightToLeft = true;
            return true;
        case Kw::Ltrpar:
            f.rightToLeft = false;
            return true;
        case Kw::Intbl:
            state.inTable = on;
            if (on && state.tableDepth == 0) {
                state.tableDepth = 1;
            }
            return true;
        case Kw::Itap:
            state.tableDepth = Clamp8(p, static_cast<std::int32_t>(kMaxTableDepth));
            state.inTable = state.tableDepth > 0;
            return true;
        default:
            break;
        }
        if (state.dest != Dest::Body) {
            if (state.dest == Dest::ListText && kw == Kw::Tab) {
                AppendChar('\t');
            }
            return kw == Kw::Par || kw == Kw::Line || kw == Kw::Tab || kw == Kw::Page ||
                   kw == Kw::Sect || kw == Kw::Column;
        }
        switch (kw) {
        case Kw::Par:
        case Kw::Column:
            EndParagraph(true);
            return true;
        case Kw::Page:
            EndParagraph(true);
            m_breakBefore = BreakBefore::Page;
            return true;
        case Kw::Sect:
            EndParagraph(true);
            m_breakBefore = BreakBefore::Section;
            return true;
        case Kw::Line:
            AppendChar('\n');
            return true;
        case Kw::Tab:
            AppendChar('\t');
            return true;
        default:
            return false;
        }
    }

    void DocumentWord(const Keyword& keyword, std::int32_t p)
    {
        switch (keyword.kw) {
        case Kw::Ansi:
            SetDocumentCodePage(1252);
            return;
        case Kw::Mac:
            SetDocumentCodePage(10000);
            return;
        case Kw::Pc:
            SetDocumentCodePage(437);
            return;
        case Kw::Pca:
            SetDocumentCodePage(850);
            return;
        case Kw::Ansicpg:
            if (p > 0) {
                SetDocumentCodePage(static_cast<std::uint32_t>(p));
            }
            return;
        case Kw::Deff:
            m_defaultFont = p;
            return;
        case Kw::Uc:
            Top().ucSkip = Clamp8(p, 255);
            return;
        case Kw::Fromhtml:
            if (p != 0) {
                m_doc.encapsulation = Encapsulation::Html;
            }
            return;
        case Kw::Fromtext:
            m_doc.encapsulation = Encapsulation::Text;
            return;
        case Kw::Character:
            AppendChar(keyword.character);
            return;
        default:
            return; // unknown words change nothing
        }
    }

    void SetDocumentCodePage(std::uint32_t codePage)
    {
        m_codePage = codePage;
        for (State& state : m_states) {
            if (state.chars.font == kNoFont) {
                state.codePage = codePage;
            }
        }
    }

    // Runs and paragraphs.

    bool Allow(std::size_t adding) { return m_budget.Allow(m_doc, adding); }

    std::uint32_t InternChars(const CharFormat& format)
    {
        if (m_lastChars && *m_lastChars == format) {
            return m_lastCharsIndex;
        }
        auto [it, added] =
            m_charIndex.try_emplace(format, static_cast<std::uint32_t>(m_doc.charFormats.size()));
        if (added) {
            m_doc.charFormats.push_back(format);
        }
        m_lastChars = format;
        m_lastCharsIndex = it->second;
        return it->second;
    }

    std::uint32_t InternParagraph(const ParagraphFormat& format)
    {
        auto [it, added] = m_paraIndex.try_emplace(
            format, static_cast<std::uint32_t>(m_doc.paragraphFormats.size()));
        if (added) {
            m_doc.paragraphFormats.push_back(format);
        }
        return it->second;
    }

    // Makes the last run a text run in the current format that text can be added to.
    bool EnsureRun()
    {
        const std::uint32_t format = InternChars(Top().chars);
        if (m_openRun && m_doc.runs.back().format == format) {
            return true;
        }
        CloseRun();
        if (!Allow(sizeof(Run))) {
            return false;
        }
        m_doc.runs.push_back(
            Run{RunKind::Text, format, static_cast<std::uint32_t>(m_doc.text.size()), 0});
        m_openRun = true;
        return true;
    }

    void CloseRun()
    {
        if (!m_openRun) {
            return;
        }
        m_openRun = false;
        Run& run = m_doc.runs.back();
        run.count = static_cast<std::uint32_t>(m_doc.text.size() - run.first);
        if (run.count == 0) {
            m_doc.runs.pop_back();
        }
    }

    Range AppendText(std::string_view text)
    {
        CloseRun();
        const Range range{static_cast<std::uint32_t>(m_doc.text.size()),
                          static_cast<std::uint32_t>(text.size())};
        m_doc.text.append(text);
        return range;
    }

    void FinishBookmark()
    {
        if (m_bookmark.empty() || !Allow(m_bookmark.size() + sizeof(Run))) {
            return;
        }
        const std::uint32_t format = InternChars(m_states[m_states.size() - 2].chars);
        const Range name = AppendText(m_bookmark);
        m_doc.runs.push_back(Run{RunKind::Anchor, format, name.first, name.count});
    }

    // Ends the paragraph being read. `explicitEnd`: a \par, \cell or \row ended it; at the
    // end of the body an empty last paragraph is no paragraph at all.
    void EndParagraph(bool explicitEnd, std::size_t level = SIZE_MAX)
    {
        CloseRun();
        const State& state = Top();
        const bool empty = m_doc.runs.size() == m_paragraphFirstRun && m_listText.empty();
        if (!explicitEnd && empty) {
            return;
        }
        if (level == SIZE_MAX) {
            level = state.inTable ? std::max<std::size_t>(state.tableDepth, 1) : 0;
        }
        if (!Allow(sizeof(Paragraph) + sizeof(Block) + m_listText.size())) {
            m_doc.runs.resize(m_paragraphFirstRun);
            m_listText.clear();
            return;
        }
        Paragraph paragraph;
        paragraph.format = InternParagraph(state.para);
        paragraph.runs = Range{static_cast<std::uint32_t>(m_paragraphFirstRun),
                               static_cast<std::uint32_t>(m_doc.runs.size() - m_paragraphFirstRun)};
        std::string_view list = m_listText;
        while (!list.empty() && (list.back() == '\t' || list.back() == ' ')) {
            list.remove_suffix(1);
        }
        if (!list.empty()) {
            paragraph.listText = AppendText(list);
        }
        paragraph.breakBefore = m_breakBefore;
        m_breakBefore = BreakBefore::None;
        m_listText.clear();
        m_doc.paragraphs.push_back(paragraph);
        m_paragraphFirstRun = m_doc.runs.size();
        m_tables.Place(
            Block{BlockKind::Paragraph, static_cast<std::uint32_t>(m_doc.paragraphs.size() - 1)},
            level);
    }

    void FinishPicture()
    {
        PendingPicture pending = std::move(*m_picture);
        m_picture.reset();
        Picture& picture = pending.picture;
        picture.usable = CheckPicture(picture);
        if (!Allow(sizeof(Picture) + sizeof(Run))) {
            return;
        }
        const State& parent = m_states[m_states.size() - 2];
        const std::uint32_t format = InternChars(parent.chars);
        CloseRun();
        m_doc.pictures.push_back(std::move(picture));
        m_doc.runs.push_back(Run{RunKind::Picture, format,
                                 static_cast<std::uint32_t>(m_doc.pictures.size() - 1), 0});
    }

    // Pictures.

    void PictureWord(Kw kw, const Token& token)
    {
        if (!m_picture) {
            return;
        }
        Picture& picture = m_picture->picture;
        const std::int32_t p = token.parameter;
        switch (kw) {
        case Kw::Pngblip:
            picture.format = PictureFormat::Png;
            return;
        case Kw::Jpegblip:
            picture.format = PictureFormat::Jpeg;
            return;
        case Kw::Emfblip:
            picture.format = PictureFormat::Emf;
            return;
        case Kw::Macpict:
            picture.format = PictureFormat::MacPict;
            return;
        case Kw::Wmetafile:
            picture.format = PictureFormat::Wmf;
            picture.metafileMapMode = token.hasParameter ? p : 1;
            return;
        case Kw::Dibitmap:
            picture.format = PictureFormat::Dib;
            return;
        case Kw::Wbitmap:
            picture.format = PictureFormat::Ddb;
            return;
        case Kw::Picw:
            picture.width = p;
            return;
        case Kw::Pich:
            picture.height = p;
            return;
        case Kw::Picwgoal:
            picture.goalWidth = p;
            return;
        case Kw::Pichgoal:
            picture.goalHeight = p;
            return;
        case Kw::Picscalex:
            picture.scaleX = p;
            return;
        case Kw::Picscaley:
            picture.scaleY = p;
            return;
        case Kw::Piccropl:
            picture.cropLeft = p;
            return;
        case Kw::Piccropr:
            picture.cropRight = p;
            return;
        case Kw::Piccropt:
            picture.cropTop = p;
            return;
        case Kw::Piccropb:
            picture.cropBottom = p;
            return;
        case Kw::Wbmbitspixel:
            picture.bitsPerPixel = static_cast<std::uint16_t>(std::clamp(p, 0, 64));
            return;
        case Kw::Wbmplanes:
            picture.planes = static_cast<std::uint16_t>(std::clamp(p, 0, 64));
            return;
        case Kw::Wbmwidthbytes:
            picture.widthBytes = p;
            return;
        default:
            return;
        }
    }

    void AddHex(std::string_view text)
    {
        if (!m_picture || !Allow(text.size() / 2 + 1)) {
            return;
        }
        auto& data = m_picture->picture.data;
        const std::size_t before = data.size();
        int high = m_picture->highNibble;
        for (const char c : text) {
            const int digit = platform::HexDigitValue(c);
            if (digit < 0) {
                continue; // line ends and spaces between the digits
            }
            if (high < 0) {
                high = digit;
            } else {
                data.push_back(static_cast<std::uint8_t>(high << 4 | digit));
                high = -1;
            }
        }
        m_picture->highNibble = high;
        m_budget.held += data.size() - before;
    }

    // Font and colour tables.

    void FontWord(Kw kw, std::int32_t p)
    {
        if (kw == Kw::F) {
            CommitFont();
        }
        m_fontEntry.Word(kw, p);
        Top().codePage = m_fontEntry.NameCodePage(m_codePage);
    }

    void CommitFont()
    {
        std::optional<Font> font = m_fontEntry.Commit(m_codePage);
        // The first entry of a number wins.
        if (!font || m_fontIndex.count(font->number) != 0 || m_doc.fonts.size() >= kNoFont ||
            !Allow(sizeof(Font) + font->name.size())) {
            return;
        }
        m_fontIndex.emplace(font->number, static_cast<std::uint16_t>(m_doc.fonts.size()));
        m_doc.fonts.push_back(std::move(*font));
    }

    void ColorWord(Kw kw, std::int32_t p)
    {
        const auto component = static_cast<std::uint32_t>(std::clamp(p, 0, 255));
        switch (kw) {
        case Kw::Red:
            m_color.rgb = (m_color.rgb & 0x00FFFF) | component << 16;
            break;
        case Kw::Green:
            m_color.rgb = (m_color.rgb & 0xFF00FF) | component << 8;
            break;
        case Kw::Blue:
            m_color.rgb = (m_color.rgb & 0xFFFF00) | component;
            break;
        default:
            return;
        }
        m_color.set = true;
    }

    void CommitColor()
    {
        if (m_colors.size() < 0x10000 && Allow(4)) {
            m_colors.push_back(m_color.set ? m_color.rgb : kAutoColor);
        }
        m_color = {};
    }

    // Tables.

    bool TableWord(Kw kw, std::int32_t p)
    {
        const State& state = Top();
        // Row properties of a nested table come in \*\nesttableprops; all others are the
        // outermost table's.
        const std::size_t level =
            state.rowProperties ? std::max<std::size_t>(state.tableDepth, 2) : 1;
        if (m_tables.DefinitionWord(kw, p, level)) {
            return true;
        }
        if (kw != Kw::Cell && kw != Kw::Row && kw != Kw::Nestcell && kw != Kw::Nestrow) {
            return false;
        }
        if (state.dest != Dest::Body) {
            return true;
        }
        const std::size_t depth = std::max<std::size_t>(state.tableDepth, 2);
        const std::size_t at = kw == Kw::Cell || kw == Kw::Row ? 1 : depth;
        if (kw == Kw::Cell || kw == Kw::Nestcell) {
            EndCell(at);
        } else {
            CloseRun();
            if (m_doc.runs.size() > m_paragraphFirstRun) {
                EndCell(at); // text after the row's last \cell makes one more cell
            }
            m_tables.EndRow(at);
        }
        return true;
    }

    void EndCell(std::size_t level)
    {
        EndParagraph(true, level);
        m_tables.EndCell(level);
    }

    DepthLimitedTokens m_tokens;
    Document m_doc;
    ModelBudget m_budget;
    std::vector<State> m_states;
    UnicodeReader m_unicode;
    std::uint32_t m_codePage = 1252;
    std::int32_t m_defaultFont = 0;
    PendingBytes m_pending;
    std::string m_discard;

    bool m_openRun = false;
    std::size_t m_paragraphFirstRun = 0;
    std::string m_listText;
    BreakBefore m_breakBefore = BreakBefore::None;
    std::optional<CharFormat> m_lastChars;
    std::uint32_t m_lastCharsIndex = 0;
    std::unordered_map<CharFormat, std::uint32_t, CharFormatHash> m_charIndex;
    std::unordered_map<ParagraphFormat, std::uint32_t, ParagraphFormatHash> m_paraIndex;

    std::unordered_map<std::int32_t, std::uint16_t> m_fontIndex;
    FontEntryReader m_fontEntry;
    struct {
        std::uint32_t rgb = 0;
        bool set = false;
    } m_color;
    std::vector<std::uint32_t> m_colors;

    std::vector<OpenField> m_fields;
    std::optional<PendingPicture> m_picture;
    std::string m_bookmark;
    PageFill m_page;

    TableBuilder m_tables; // after the document and colours it refers to
};

} // namespace

Document ReadRtf(std::span<const std::uint8_t> rtf)
{
    return Reader(rtf).Read();
}

} // namespace viewer::render::richtext

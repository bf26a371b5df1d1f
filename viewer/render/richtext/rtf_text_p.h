// How the 8-bit text of an RTF body becomes UTF-8: which code page a font's text is in, and
// the symbol fonts whose bytes are pictures rather than letters. Shared by the reader and
// the de-encapsulator.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace viewer::render::richtext {

// Code pages of fonts that are not text. 42 is the Windows identifier of symbol fonts; the
// second marks Wingdings, whose bullets differ from Symbol's, and is no Windows code page.
inline constexpr std::uint32_t kSymbolCodePage = 42;
inline constexpr std::uint32_t kWingdingsCodePage = 0x8000002A;

// The code page of a font's \fcharset. 0 (ANSI) is Windows-1252 and 1 (default) is the
// document's own code page, as word processors read them.
[[nodiscard]] std::uint32_t CodePageOfCharset(std::int32_t charset, std::uint32_t documentCodePage);

// The code page to decode a font's text with: its \cpg when given, else its charset's; a
// symbol charset picks Symbol or Wingdings by the font's name.
[[nodiscard]] std::uint32_t FontCodePage(std::int32_t charset, std::int32_t cpg,
                                         std::string_view name, std::uint32_t documentCodePage);

// Appends `bytes`, 8-bit text in `codePage`, to `out` as UTF-8.
void AppendDecoded(std::string& out, std::string_view bytes, std::uint32_t codePage);

// A character written as \uN in a symbol font names the font's glyph at U+F000 + byte;
// this gives the Unicode character shown for it, or `c` itself outside symbol fonts.
[[nodiscard]] char32_t MapSymbolCharacter(char32_t c, std::uint32_t codePage);

// Collects the 8-bit text of one destination until something other than text comes, so that
// the two bytes of a double-byte character written as two \'hh stay together and each run
// is converted once.
class PendingBytes {
  public:
    // Adds a byte; C0 controls other than tab are dropped (no code page gives them a
    // glyph, and a body must not smuggle them into the text).
    void Add(std::uint8_t byte, std::uint32_t codePage, std::string& out)
    {
        if (byte < 0x20 && byte != '\t') {
            return;
        }
        if (codePage != m_codePage) {
            Flush(out);
            m_codePage = codePage;
        }
        m_bytes.push_back(static_cast<char>(byte));
    }
    void AddText(std::string_view text, std::uint32_t codePage, std::string& out);
    // Appends what is pending to `out`.
    void Flush(std::string& out)
    {
        if (!m_bytes.empty()) {
            AppendDecoded(out, m_bytes, m_codePage);
            m_bytes.clear();
        }
    }
    [[nodiscard]] bool Empty() const { return m_bytes.empty(); }

  private:
    std::string m_bytes;
    std::uint32_t m_codePage = 1252;
};

// \uN characters and the \ucN fallback after each, which a reader that knows Unicode skips:
// a byte of text, a \'hh, a \bin and a control word or symbol each count as one fallback
// character, and a group boundary ends the fallback. Characters beyond U+FFFF come as a
// surrogate pair of \uN.
class UnicodeReader {
  public:
    // The character of a \uN (a signed 16-bit value), once it is whole: nothing for the
    // first half of a pair or a half without its partner. Begins skipping `fallback`.
    [[nodiscard]] std::optional<char32_t> Character(std::int32_t value, std::uint32_t fallback);
    // Whether the token just read is fallback to skip.
    [[nodiscard]] bool SkipOne();
    // `text` without the fallback bytes at its start.
    [[nodiscard]] std::string_view SkipText(std::string_view text);
    void EndFallback() { m_skip = 0; }

  private:
    std::uint32_t m_skip = 0;
    char32_t m_highSurrogate = 0;
};

} // namespace viewer::render::richtext

// Splits RTF into its lexical pieces. Shared by the reader and the de-encapsulator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace viewer::render::richtext {

enum class TokenKind : std::uint8_t {
    End,
    GroupStart,    // {
    GroupEnd,      // }
    ControlWord,   // \name or \nameN; `text` is the name
    ControlSymbol, // \ and one character that is not a letter; `text` is that character
    HexByte,       // \'hh; `byte`
    Text,          // bytes other than \ { } CR LF; `text`
    Binary,        // the N bytes after \binN; `text`
};

struct Token {
    TokenKind kind = TokenKind::End;
    bool hasParameter = false;
    std::uint8_t byte = 0;
    std::int32_t parameter = 0;
    std::string_view text;
};

// RTF's lexical rules:
//   control word   = '\' letters (at most 32 are kept) [ '-' ] digits, then one space is
//                    part of it; anything else that follows is not
//   control symbol = '\' one character that is not a letter; "\'hh" is a hex byte, and a
//                    backslash before CR or LF is \par
//   text           = any other bytes; CR and LF between them are not text
//   \binN          = the next N bytes, whatever they are
// Parameters beyond the range of a 32-bit integer are clamped to it; a \bin count beyond
// the bytes left takes what is left.
class Tokenizer {
  public:
    explicit Tokenizer(std::span<const std::uint8_t> input)
        : m_data(reinterpret_cast<const char*>(input.data())), m_size(input.size())
    {
    }
    explicit Tokenizer(std::string_view input) : m_data(input.data()), m_size(input.size()) {}

    [[nodiscard]] Token Next();
    [[nodiscard]] std::size_t Offset() const { return m_pos; }

  private:
    void ReadControl(Token& token);

    const char* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// The tokens of a body with every group nested deeper than `maxDepth` left out whole, so
// that a reader keeps at most that many saved states however deep the nesting goes.
class DepthLimitedTokens {
  public:
    DepthLimitedTokens(std::span<const std::uint8_t> input, std::size_t maxDepth)
        : m_tokens(input), m_maxDepth(maxDepth)
    {
    }

    [[nodiscard]] Token Next();

  private:
    Tokenizer m_tokens;
    std::size_t m_maxDepth;
    std::size_t m_depth = 0;
};

} // namespace viewer::render::richtext

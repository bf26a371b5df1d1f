#include "viewer/render/richtext/rtf_tokenizer_p.h"

#include <array>
#include <cstdint>
#include <limits>

#include "platform/text.h"

namespace viewer::render::richtext {

namespace {

constexpr std::size_t kMaxNameLength = 32;

// Bytes that end a text token.
constexpr std::array<bool, 256> MakeStops()
{
    std::array<bool, 256> stops{};
    stops['\\'] = stops['{'] = stops['}'] = stops['\r'] = stops['\n'] = true;
    return stops;
}
constexpr std::array<bool, 256> kStops = MakeStops();

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

Token Tokenizer::Next()
{
    Token token;
    while (m_pos < m_size) {
        const char c = m_data[m_pos];
        if (c == '\r' || c == '\n') {
            ++m_pos;
            continue;
        }
        if (c == '{' || c == '}') {
            ++m_pos;
            token.kind = c == '{' ? TokenKind::GroupStart : TokenKind::GroupEnd;
            return token;
        }
        if (c == '\\') {
            ReadControl(token);
            if (token.kind != TokenKind::End) {
                return token;
            }
            continue; // "\'" without a hex digit: nothing
        }
        const std::size_t start = m_pos;
        while (m_pos < m_size && !kStops[static_cast<std::uint8_t>(m_data[m_pos])]) {
            ++m_pos;
        }
        token.kind = TokenKind::Text;
        token.text = std::string_view(m_data + start, m_pos - start);
        return token;
    }
    return token;
}

void Tokenizer::ReadControl(Token& token)
{
    ++m_pos; // the backslash
    if (m_pos >= m_size) {
        return;
    }
    const char c = m_data[m_pos];
    if (!IsLetter(c)) {
        ++m_pos;
        if (c == '\'') {
            // Two hex digits; a body cut short or a stray digit gives what is there.
            int value = 0;
            int digits = 0;
            while (digits < 2 && m_pos < m_size) {
                const int digit = platform::HexDigitValue(m_data[m_pos]);
                if (digit < 0) {
                    break;
                }
                value = value * 16 + digit;
                ++digits;
                ++m_pos;
            }
            if (digits > 0) {
                token.kind = TokenKind::HexByte;
                token.byte = static_cast<std::uint8_t>(value);
            }
            return;
        }
        if (c == '\r' || c == '\n') {
            token.kind = TokenKind::ControlWord;
            token.text = "par";
            return;
        }
        token.kind = TokenKind::ControlSymbol;
        token.text = std::string_view(m_data + m_pos - 1, 1);
        return;
    }
    const std::size_t start = m_pos;
    while (m_pos < m_size && IsLetter(m_data[m_pos])) {
        ++m_pos;
    }
    std::size_t nameLength = m_pos - start;
    if (nameLength > kMaxNameLength) {
        nameLength = kMaxNameLength; // no keyword is that long: it stays unknown
    }
    token.kind = TokenKind::ControlWord;
    token.text = std::string_view(m_data + start, nameLength);

    bool negative = false;
    if (m_pos < m_size && m_data[m_pos] == '-' && m_pos + 1 < m_size &&
        IsDigit(m_data[m_pos + 1])) {
        negative = true;
        ++m_pos;
    }
    if (m_pos < m_size && IsDigit(m_data[m_pos])) {
        // Accumulated in 64 bits and clamped, so that no run of digits can overflow.
        std::int64_t value = 0;
        constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
        while (m_pos < m_size && IsDigit(m_data[m_pos])) {
            if (value <= kLimit) {
                value = value * 10 + (m_data[m_pos] - '0');
            }
            ++m_pos;
        }
        if (negative) {
            value = -value;
        }
        if (value > std::numeric_limits<std::int32_t>::max()) {
            value = std::numeric_limits<std::int32_t>::max();
        } else if (value < std::numeric_limits<std::int32_t>::min()) {
            value = std::numeric_limits<std::int32_t>::min();
        }
        token.hasParameter = true;
        token.parameter = static_cast<std::int32_t>(value);
    }
    if (m_pos < m_size && m_data[m_pos] == ' ') {
        ++m_pos;
    }
    if (token.text == "bin" && token.hasParameter) {
        const std::size_t count =
            token.parameter > 0 ? static_cast<std::size_t>(token.parameter) : 0;
        const std::size_t available = m_size - m_pos;
        const std::size_t taken = count < available ? count : available;
        token.kind = TokenKind::Binary;
        token.text = std::string_view(m_data + m_pos, taken);
        m_pos += taken;
    }
}

Token DepthLimitedTokens::Next()
{
    for (;;) {
        const Token token = m_tokens.Next();
        if (token.kind == TokenKind::GroupStart && m_depth >= m_maxDepth) {
            // Passes over the whole group, counting only its nesting.
            std::size_t inside = 1;
            while (inside > 0) {
                const Token skipped = m_tokens.Next();
                if (skipped.kind == TokenKind::End) {
                    return skipped;
                }
                inside += skipped.kind == TokenKind::GroupStart ? 1 : 0;
                inside -= skipped.kind == TokenKind::GroupEnd ? 1 : 0;
            }
            continue;
        }
        if (token.kind == TokenKind::GroupStart) {
            ++m_depth;
        } else if (token.kind == TokenKind::GroupEnd && m_depth > 0) {
            --m_depth;
        }
        return token;
    }
}

} // namespace viewer::render::richtext

#include "gimlet/uudecoder.h"

#include <string_view>
#include <utility>

namespace gimlet {

using platform::S_FALSE;
using platform::S_OK;
using platform::StatusCode;

namespace {

constexpr char kBegin[] = "begin";
constexpr std::size_t kBeginLength = sizeof(kBegin) - 1;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Uuencode maps six bits to 0x20..0x5F; ` (0x60) stands in for space.
bool IsUuChar(char c) { return c >= 0x20 && c <= 0x60; }

std::uint8_t UuValue(char c) { return static_cast<std::uint8_t>((c - 0x20) & 0x3F); }

} // namespace

UuDecoder::UuDecoder(ByteSink& target, std::string wantedName)
    : m_target(target), m_wantedName(std::move(wantedName))
{
}

StatusCode UuDecoder::Write(const std::uint8_t* data, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) {
        if (m_state == State::Done) {
            return S_FALSE;
        }
        const char c = static_cast<char>(data[i]);
        if (c == '\n') {
            const StatusCode status = EndLine();
            if (status != S_OK) {
                return status;
            }
            continue;
        }
        if (m_lineLength < kMaxLine) {
            m_line[m_lineLength++] = c;
        } else {
            m_lineTooLong = true;
        }
    }
    return m_state == State::Done ? S_FALSE : S_OK;
}

StatusCode UuDecoder::Finish()
{
    if (m_state == State::Done || (m_lineLength == 0 && !m_lineTooLong)) {
        return S_OK;
    }
    const StatusCode status = EndLine();
    return platform::Failed(status) ? status : S_OK;
}

StatusCode UuDecoder::EndLine()
{
    std::size_t length = m_lineLength;
    const bool tooLong = m_lineTooLong;
    m_lineLength = 0;
    m_lineTooLong = false;
    if (length > 0 && m_line[length - 1] == '\r') {
        --length;
    }

    if (m_state == State::Searching) {
        if (!tooLong && IsWantedBeginLine(m_line, length)) {
            m_state = State::Decoding;
        }
        return S_OK;
    }
    if (tooLong) {
        m_state = State::Done;
        return S_FALSE;
    }
    return DecodeLine(m_line, length);
}

// "begin" <blanks> <octal mode> <blanks> <name> [<blanks>]
bool UuDecoder::IsWantedBeginLine(const char* line, std::size_t length) const
{
    if (length <= kBeginLength || std::string_view(line, kBeginLength) != kBegin ||
        !IsBlank(line[kBeginLength])) {
        return false;
    }
    std::size_t pos = kBeginLength;
    while (pos < length && IsBlank(line[pos])) {
        ++pos;
    }
    const std::size_t modeStart = pos;
    while (pos < length && line[pos] >= '0' && line[pos] <= '7') {
        ++pos;
    }
    if (pos == modeStart || pos == length || !IsBlank(line[pos])) {
        return false;
    }
    while (pos < length && IsBlank(line[pos])) {
        ++pos;
    }
    std::size_t end = length;
    while (end > pos && IsBlank(line[end - 1])) {
        --end;
    }
    if (end == pos) {
        return false;
    }
    if (m_wantedName.empty()) {
        return true;
    }
    if (end - pos != m_wantedName.size()) {
        return false;
    }
    for (std::size_t i = 0; i < m_wantedName.size(); ++i) {
        if (LowerAscii(line[pos + i]) != LowerAscii(m_wantedName[i])) {
            return false;
        }
    }
    return true;
}

StatusCode UuDecoder::DecodeLine(const char* line, std::size_t length)
{
    if (length == 0 || !IsUuChar(line[0])) {
        m_state = State::Done;
        return S_FALSE;
    }
    const std::size_t count = UuValue(line[0]);
    if (count == 0) {
        m_state = State::Done;
        return S_FALSE;
    }
    const std::size_t needed = (count + 2) / 3 * 4;
    const std::size_t present = length - 1;
    for (std::size_t i = 0; i < present && i < needed; ++i) {
        if (!IsUuChar(line[1 + i])) {
            m_state = State::Done;
            return S_FALSE;
        }
    }

    std::uint8_t out[63];
    std::size_t produced = 0;
    for (std::size_t quad = 0; quad < needed; quad += 4) {
        std::uint8_t v[4];
        for (std::size_t k = 0; k < 4; ++k) {
            const std::size_t at = quad + k;
            v[k] = at < present ? UuValue(line[1 + at]) : 0;
        }
        const std::uint8_t bytes[3] = {
            static_cast<std::uint8_t>((v[0] << 2) | (v[1] >> 4)),
            static_cast<std::uint8_t>((v[1] << 4) | (v[2] >> 2)),
            static_cast<std::uint8_t>((v[2] << 6) | v[3]),
        };
        for (std::size_t k = 0; k < 3 && produced < count; ++k) {
            out[produced++] = bytes[k];
        }
    }
    m_decoded += produced;
    const StatusCode status = m_target.Write(out, produced);
    if (status == S_FALSE) {
        m_state = State::Done;
    }
    return status;
}

} // namespace gimlet

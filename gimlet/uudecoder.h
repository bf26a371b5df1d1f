// Streaming decoder for uuencoded blocks ("begin <mode> <name>" ... "end").
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "gimlet/byte_sink.h"

namespace gimlet {

// A ByteSink that looks through text for a uuencoded block and writes the block's decoded
// bytes to its target. The text may arrive in chunks of any size; memory stays fixed.
//
// Layout of a block:
//   begin <octal mode> <file name>
//   <length char><encoded chars>     one line per up to 63 bytes (usually 45)
//   `                                 a line of length zero (or a lone space)
//   end
// Each character c carries six bits, (c - 0x20) & 0x3F, so ` and space both mean 0.
// Mailers strip trailing spaces, so a line shorter than its length character promises is
// padded with zero bits. The first line that is not valid uuencode ends the block, as
// does a line of length zero; a block cut short keeps what was decoded.
class UuDecoder : public ByteSink {
public:
    // With a wanted name, only a block whose name equals it ignoring ASCII case counts;
    // with an empty one, the first block of any name.
    UuDecoder(ByteSink& target, std::string wantedName);

    [[nodiscard]] platform::StatusCode Write(const std::uint8_t* data, std::size_t size) override;
    // Call at the end of the text: decodes a last line that has no line break.
    [[nodiscard]] platform::StatusCode Finish();

    bool FoundBegin() const { return m_state != State::Searching; }
    bool Done() const { return m_state == State::Done; }
    std::uint64_t DecodedBytes() const { return m_decoded; }

private:
    enum class State { Searching, Decoding, Done };

    // Longest line kept; a longer line is neither a begin line nor valid data.
    static constexpr std::size_t kMaxLine = 512;

    [[nodiscard]] platform::StatusCode EndLine();
    bool IsWantedBeginLine(const char* line, std::size_t length) const;
    [[nodiscard]] platform::StatusCode DecodeLine(const char* line, std::size_t length);

    ByteSink& m_target;
    std::string m_wantedName;
    State m_state = State::Searching;
    char m_line[kMaxLine];
    std::size_t m_lineLength = 0;
    bool m_lineTooLong = false;
    std::uint64_t m_decoded = 0;
};

} // namespace gimlet

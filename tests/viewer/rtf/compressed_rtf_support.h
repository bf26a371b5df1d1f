// Test-side helpers for compressed RTF: a builder of compressed values that also works out
// the text they stand for (with a plain modulo-4096 ring), a stream with injectable faults,
// and whole-stream inflate/deflate helpers.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/memory_stream.h"
#include "viewer/rtf/compressed_rtf.h"

namespace rtf_test {

using Bytes = std::vector<std::uint8_t>;

// The initial dictionary of [MS-OXRTFCP], written out here independently of the code.
inline const std::string& InitialDictionary()
{
    static const std::string text =
        std::string(R"({\rtf1\ansi\mac\deff0\deftab720{\fonttbl;}{\f0\fnil \froman \fswiss )") +
        R"(\fmodern \fscript \fdecor MS Sans SerifSymbolArialTimes New RomanCourier)" +
        R"({\colortbl\red0\green0\blue0)" + "\r\n" + R"(\par \pard\plain\f0\fs20\b\i\u\tab\tx)";
    return text;
}

inline Bytes ToBytes(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

inline std::string ToText(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

inline std::uint32_t Le32(const Bytes& bytes, std::size_t at)
{
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 |
           std::uint32_t{bytes[at + 2]} << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

inline void PutLe32(Bytes& bytes, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

// Builds compressed data item by item and keeps the text a decoder must produce.
class CompressedBuilder {
  public:
    CompressedBuilder()
    {
        const std::string& dictionary = InitialDictionary();
        std::copy(dictionary.begin(), dictionary.end(), m_ring.begin());
        m_writePos = static_cast<std::uint32_t>(dictionary.size());
    }

    CompressedBuilder& Literal(std::uint8_t byte)
    {
        StartItem(false);
        m_data.push_back(byte);
        Produce(byte);
        return *this;
    }
    CompressedBuilder& Literals(std::string_view text)
    {
        for (const char c : text) {
            Literal(static_cast<std::uint8_t>(c));
        }
        return *this;
    }
    // A reference copies `length` (2..17) bytes from ring position `offset`, byte by byte.
    CompressedBuilder& Reference(std::uint32_t offset, std::uint32_t length)
    {
        StartItem(true);
        const std::uint32_t word = offset << 4 | (length - 2);
        m_data.push_back(static_cast<std::uint8_t>(word >> 8));
        m_data.push_back(static_cast<std::uint8_t>(word));
        for (std::uint32_t i = 0; i < length; ++i) {
            Produce(m_ring[(offset + i) % 4096]);
        }
        return *this;
    }
    CompressedBuilder& End()
    {
        StartItem(true);
        const std::uint32_t word = m_writePos << 4;
        m_data.push_back(static_cast<std::uint8_t>(word >> 8));
        m_data.push_back(static_cast<std::uint8_t>(word));
        return *this;
    }
    // Raw bytes after the items (or a cut-short item).
    CompressedBuilder& Raw(std::initializer_list<std::uint8_t> bytes)
    {
        m_data.insert(m_data.end(), bytes);
        return *this;
    }
    // Starts a block whose control byte is given as is (for malformed data).
    CompressedBuilder& Control(std::uint8_t control)
    {
        m_data.push_back(control);
        m_items = 8;
        return *this;
    }

    std::uint32_t WritePos() const { return m_writePos; }
    // Offset in the data at which the next item's bytes would start.
    std::size_t NextItemOffset() const { return m_data.size() + (m_items == 8 ? 1 : 0); }
    const Bytes& Data() const { return m_data; }
    const Bytes& Text() const { return m_text; }

    // Header (with the true CRC unless one is given) followed by the data.
    Bytes Value(std::optional<std::uint32_t> crc = std::nullopt,
                std::uint32_t magic = viewer::rtf::kCompressedRtfMagic) const
    {
        Bytes value;
        PutLe32(value, static_cast<std::uint32_t>(m_data.size() + 12));
        PutLe32(value, static_cast<std::uint32_t>(m_text.size()));
        PutLe32(value, magic);
        PutLe32(value, crc ? *crc : viewer::rtf::CompressedRtfCrc(m_data.data(), m_data.size()));
        value.insert(value.end(), m_data.begin(), m_data.end());
        return value;
    }

  private:
    void StartItem(bool reference)
    {
        if (m_items == 8) {
            m_control = m_data.size();
            m_data.push_back(0);
            m_items = 0;
        }
        if (reference) {
            m_data[m_control] = static_cast<std::uint8_t>(m_data[m_control] | 1u << m_items);
        }
        ++m_items;
    }
    void Produce(std::uint8_t byte)
    {
        m_ring[m_writePos] = byte;
        m_writePos = (m_writePos + 1) % 4096;
        m_text.push_back(byte);
    }

    std::array<std::uint8_t, 4096> m_ring{};
    std::uint32_t m_writePos = 0;
    Bytes m_data;
    Bytes m_text;
    std::size_t m_control = 0;
    int m_items = 8;
};

struct Inflated {
    platform::StatusCode openStatus = platform::S_OK;
    platform::StatusCode status = platform::S_OK; // of the last Read
    Bytes text;
};

// Opens `value` for reading and reads until a Read delivers nothing or fails. `readSize`
// picks the size of each Read from its index.
template <class SizeFn> Inflated InflateWith(const Bytes& value, SizeFn readSize)
{
    Inflated result;
    auto source = platform::CreateMemoryStream(value);
    platform::ComPtr<platform::IStream> stream;
    result.openStatus = viewer::rtf::OpenCompressedRtfStream(source.Get(), 0, stream.Put());
    if (platform::Failed(result.openStatus)) {
        return result;
    }
    for (std::size_t call = 0;; ++call) {
        const std::uint32_t size = readSize(call);
        Bytes chunk(size);
        std::uint32_t done = 0;
        result.status = stream->Read(chunk.data(), size, &done);
        result.text.insert(result.text.end(), chunk.begin(), chunk.begin() + done);
        if (platform::Failed(result.status) || (done == 0 && size != 0)) {
            return result;
        }
    }
}

inline Inflated Inflate(const Bytes& value, std::uint32_t readSize = 4096)
{
    return InflateWith(value, [readSize](std::size_t) { return readSize; });
}

// Compresses `text` through a write-mode stream, written in pieces of `pieceSize`.
inline Bytes Deflate(const Bytes& text, std::uint32_t flags = viewer::rtf::MAPI_MODIFY,
                     std::size_t pieceSize = 65536)
{
    auto target = platform::MemoryStream::Create();
    platform::ComPtr<platform::IStream> stream;
    EXPECT_EQ(viewer::rtf::OpenCompressedRtfStream(target.Get(), flags, stream.Put()),
              platform::S_OK);
    for (std::size_t at = 0; at < text.size(); at += pieceSize) {
        const auto piece = static_cast<std::uint32_t>(std::min(pieceSize, text.size() - at));
        std::uint32_t done = 0;
        EXPECT_EQ(stream->Write(text.data() + at, piece, &done), platform::S_OK);
        EXPECT_EQ(done, piece);
    }
    EXPECT_EQ(stream->Commit(0), platform::S_OK);
    return target->Bytes();
}

} // namespace rtf_test

#include "viewer/render/bitmap/png_encoder.h"

#include <algorithm>
#include <array>
#include <string_view>

#include <zlib.h>

namespace viewer::render::bitmap {

namespace {

void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

// A chunk: its length, type, data and the CRC-32 of type and data (PNG 5.3).
void PutChunk(std::vector<std::uint8_t>& out, std::string_view type,
              const std::vector<std::uint8_t>& data)
{
    PutBe32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
    PutBe32(out, static_cast<std::uint32_t>(crc));
}

// Rows go through deflate one at a time, each behind filter byte 0, so that no copy of the
// whole raw picture is ever made.
class RowDeflater {
public:
    RowDeflater() { m_ok = deflateInit(&m_stream, Z_DEFAULT_COMPRESSION) == Z_OK; }
    ~RowDeflater() { deflateEnd(&m_stream); }
    RowDeflater(const RowDeflater&) = delete;
    RowDeflater& operator=(const RowDeflater&) = delete;

    bool Push(const std::uint8_t* bytes, std::size_t count, bool last)
    {
        m_stream.next_in = const_cast<Bytef*>(bytes);
        m_stream.avail_in = static_cast<uInt>(count);
        const int flush = last ? Z_FINISH : Z_NO_FLUSH;
        int result = Z_OK;
        do {
            std::array<std::uint8_t, 16384> chunk;
            m_stream.next_out = chunk.data();
            m_stream.avail_out = static_cast<uInt>(chunk.size());
            result = deflate(&m_stream, flush);
            if (result == Z_STREAM_ERROR) {
                m_ok = false;
                return false;
            }
            m_out.insert(m_out.end(), chunk.data(), m_stream.next_out);
        } while (m_stream.avail_out == 0 || (last && result != Z_STREAM_END));
        return true;
    }
    bool Ok() const { return m_ok; }
    const std::vector<std::uint8_t>& Out() const { return m_out; }

private:
    z_stream m_stream{};
    bool m_ok = false;
    std::vector<std::uint8_t> m_out;
};

} // namespace

platform::StatusCode EncodePng(const Image& image, std::vector<std::uint8_t>& png)
{
    const bool opaque = std::all_of(image.pixels.begin(), image.pixels.end(),
                                    [](std::uint32_t p) { return (p >> 24) == 0xFF; });
    const std::size_t channels = opaque ? 3 : 4;
    RowDeflater deflater;
    if (!deflater.Ok() || image.pixels.size() != std::size_t{image.width} * image.height) {
        return platform::E_FAIL;
    }
    std::vector<std::uint8_t> row(1 + channels * image.width);
    for (std::uint32_t y = 0; y < image.height; ++y) {
        const std::uint32_t* source = image.pixels.data() + std::size_t{y} * image.width;
        std::uint8_t* out = row.data() + 1;
        for (std::uint32_t x = 0; x < image.width; ++x) {
            *out++ = static_cast<std::uint8_t>(source[x] >> 16);
            *out++ = static_cast<std::uint8_t>(source[x] >> 8);
            *out++ = static_cast<std::uint8_t>(source[x]);
            if (!opaque) {
                *out++ = static_cast<std::uint8_t>(source[x] >> 24);
            }
        }
        if (!deflater.Push(row.data(), row.size(), y + 1 == image.height)) {
            return platform::E_FAIL;
        }
    }
    if (image.height == 0 && !deflater.Push(nullptr, 0, true)) {
        return platform::E_FAIL;
    }

    std::vector<std::uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutBe32(header, image.width);
    PutBe32(header, image.height);
    header.push_back(8);                                         // bit depth
    header.push_back(static_cast<std::uint8_t>(opaque ? 2 : 6)); // RGB or RGBA
    header.insert(header.end(), {0, 0, 0}); // deflate, adaptive filters, no interlace
    PutChunk(out, "IHDR", header);
    PutChunk(out, "IDAT", deflater.Out());
    PutChunk(out, "IEND", {});
    png = std::move(out);
    return platform::S_OK;
}

} // namespace viewer::render::bitmap

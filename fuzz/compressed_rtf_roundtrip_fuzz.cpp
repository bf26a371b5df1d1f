// Any bytes as RTF text: compressed through a write-mode stream in pieces whose sizes come
// from the input's CRC, then inflated again; the text must come back byte for byte and the
// header must describe the stored data.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/memory_stream.h"
#include "viewer/rtf/compressed_rtf.h"

namespace {

using platform::ComPtr;
using platform::IStream;

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

std::uint32_t Le32(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 |
           std::uint32_t{bytes[at + 2]} << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::uint32_t state = viewer::rtf::CompressedRtfCrc(data, size) | 1;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    const bool stored = (next() & 15) == 0;
    const std::uint32_t flags =
        viewer::rtf::MAPI_MODIFY | (stored ? viewer::rtf::STORE_UNCOMPRESSED_RTF : 0);

    auto target = platform::MemoryStream::Create();
    ComPtr<IStream> writer;
    Check(viewer::rtf::OpenCompressedRtfStream(target.Get(), flags, writer.Put()) ==
          platform::S_OK);
    for (std::size_t at = 0; at < size;) {
        const std::size_t piece = std::min<std::size_t>(size - at, 1 + next() % 64);
        std::uint32_t done = 0;
        Check(writer->Write(data + at, static_cast<std::uint32_t>(piece), &done) == platform::S_OK);
        Check(done == piece);
        at += piece;
    }
    Check(writer->Commit(0) == platform::S_OK);
    writer.Reset();

    const std::vector<std::uint8_t>& value = target->Bytes();
    Check(value.size() >= 16 && Le32(value, 0) == value.size() - 4 && Le32(value, 4) == size);
    if (!stored) {
        Check(Le32(value, 12) ==
              viewer::rtf::CompressedRtfCrc(value.data() + 16, value.size() - 16));
    }

    auto source = platform::CreateMemoryStream(value);
    ComPtr<IStream> reader;
    Check(viewer::rtf::OpenCompressedRtfStream(source.Get(), 0, reader.Put()) == platform::S_OK);
    auto text = platform::MemoryStream::Create();
    Check(reader->CopyTo(text.Get(), UINT64_MAX, nullptr, nullptr) == platform::S_OK);
    Check(text->Bytes().size() == size &&
          std::equal(text->Bytes().begin(), text->Bytes().end(), data));
    return 0;
}

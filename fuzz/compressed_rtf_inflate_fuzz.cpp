// Any bytes as a compressed RTF value. The Read sizes come from a generator seeded with the
// input's CRC, so that each input also exercises pending output and refills differently.
// The same value copied out with CopyTo must give a prefix of what the Reads gave (all of
// it when the copy succeeds).
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

struct Generator {
    std::uint32_t state;
    std::uint32_t Next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::uint8_t> value(data, data + size);
    Generator sizes{viewer::rtf::CompressedRtfCrc(data, size) | 1};
    // Mostly small reads (pending output, item by item), sometimes large ones.
    const std::uint32_t largest = (sizes.Next() & 3) == 0 ? 70000 : 1 + sizes.Next() % 40;

    std::vector<std::uint8_t> text;
    auto source = platform::CreateMemoryStream(value);
    ComPtr<IStream> stream;
    const platform::StatusCode opened =
        viewer::rtf::OpenCompressedRtfStream(source.Get(), 0, stream.Put());
    Check(platform::Failed(opened) == !stream);
    if (platform::Failed(opened)) {
        return 0;
    }
    std::vector<std::uint8_t> chunk;
    for (;;) {
        const std::uint32_t want = sizes.Next() % (largest + 1);
        chunk.assign(want + 1, 0xA5); // never a null buffer, even for a 0-byte Read
        std::uint32_t done = 0;
        const platform::StatusCode status = stream->Read(chunk.data(), want, &done);
        Check(done <= want);
        text.insert(text.end(), chunk.begin(), chunk.begin() + done);
        if (platform::Failed(status) || (done == 0 && want != 0)) {
            break;
        }
    }

    auto again = platform::CreateMemoryStream(value);
    ComPtr<IStream> copier;
    Check(viewer::rtf::OpenCompressedRtfStream(again.Get(), 0, copier.Put()) == opened);
    auto target = platform::MemoryStream::Create();
    std::uint64_t read = 0;
    std::uint64_t written = 0;
    const platform::StatusCode copied = copier->CopyTo(target.Get(), UINT64_MAX, &read, &written);
    const std::vector<std::uint8_t>& copy = target->Bytes();
    Check(written == copy.size() && read >= written);
    Check(copy.size() <= text.size());
    Check(std::equal(copy.begin(), copy.end(), text.begin()));
    if (platform::Succeeded(copied)) {
        Check(copy == text);
    }
    return 0;
}

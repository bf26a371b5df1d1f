// Helpers shared by the stream server's tests: opening a StreamOnFile on a path, and target
// streams that count or fail.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "tests/support/stream_stub.h"
#include "platform/com_ptr.h"
#include "platform/text.h"
#include "stream/stream_on_file.h"

namespace stream_test {

// A new object loaded from `path` with `mode`, seen as IStream; *status receives Load's
// result (the stream is empty when it failed).
inline platform::ComPtr<platform::IStream> OpenStream(const std::string& path, std::uint32_t mode,
                                                      platform::StatusCode* status = nullptr)
{
    auto* object = rillex::StreamOnFile::Create();
    platform::ComPtr<platform::IPersistFile> file;
    file.Attach(object);
    const platform::StatusCode loaded = file->Load(platform::Utf8ToUtf16(path).c_str(), mode);
    if (status) {
        *status = loaded;
    }
    platform::ComPtr<platform::IStream> stream;
    if (platform::Succeeded(loaded)) {
        file.As(platform::IID_IStream, &stream);
    }
    return stream;
}

// An IStream that takes every write and only counts the bytes; with a limit it takes no
// more than that many bytes in total, and with a failure status it refuses its Nth write.
class SinkStream final : public testing_support::StreamStub {
public:
    std::uint64_t bytes = 0;
    std::uint32_t writes = 0;
    std::uint64_t limit = UINT64_MAX;
    std::uint32_t failAtWrite = 0; // 1-based; 0 never
    platform::StatusCode failure = platform::E_ACCESSDENIED;

    platform::StatusCode Write(const void*, std::uint32_t count, std::uint32_t* done) override
    {
        ++writes;
        if (done) {
            *done = 0;
        }
        if (failAtWrite != 0 && writes == failAtWrite) {
            return failure;
        }
        const std::uint64_t room = limit - bytes;
        const auto taken = static_cast<std::uint32_t>(count < room ? count : room);
        bytes += taken;
        if (done) {
            *done = taken;
        }
        return platform::S_OK;
    }
};

} // namespace stream_test

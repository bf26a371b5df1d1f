// Helpers shared by the stream server's tests: opening a StreamOnFile on a path, and target
// streams that count or fail.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

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
class SinkStream final : public platform::IStream {
public:
    std::uint64_t bytes = 0;
    std::uint32_t writes = 0;
    std::uint64_t limit = UINT64_MAX;
    std::uint32_t failAtWrite = 0; // 1-based; 0 never
    platform::StatusCode failure = platform::E_ACCESSDENIED;

    platform::StatusCode QueryInterface(const platform::IID&, void** object) override
    {
        *object = nullptr;
        return platform::E_NOINTERFACE;
    }
    std::uint32_t AddRef() override { return ++m_references; }
    std::uint32_t Release() override { return --m_references; } // lives on the stack
    platform::StatusCode Read(void*, std::uint32_t, std::uint32_t*) override
    {
        return platform::E_NOTIMPL;
    }
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
    platform::StatusCode Seek(std::int64_t, std::uint32_t, std::uint64_t*) override
    {
        return platform::E_NOTIMPL;
    }
    platform::StatusCode SetSize(std::uint64_t) override { return platform::E_NOTIMPL; }
    platform::StatusCode CopyTo(platform::IStream*, std::uint64_t, std::uint64_t*,
                                std::uint64_t*) override
    {
        return platform::E_NOTIMPL;
    }
    platform::StatusCode Commit(std::uint32_t) override { return platform::S_OK; }
    platform::StatusCode Revert() override { return platform::E_NOTIMPL; }
    platform::StatusCode LockRegion(std::uint64_t, std::uint64_t, std::uint32_t) override
    {
        return platform::E_NOTIMPL;
    }
    platform::StatusCode UnlockRegion(std::uint64_t, std::uint64_t, std::uint32_t) override
    {
        return platform::E_NOTIMPL;
    }
    platform::StatusCode Stat(platform::STATSTG*, std::uint32_t) override
    {
        return platform::E_NOTIMPL;
    }
    platform::StatusCode Clone(platform::IStream**) override { return platform::E_NOTIMPL; }

private:
    std::atomic<std::uint32_t> m_references{1};
};

} // namespace stream_test

// StreamStub: an IStream for tests that need only a method or two. Every operation fails with
// E_NOTIMPL until a test stream overrides it; Commit succeeds. The stub lives where the test
// puts it (usually the stack): Release never deletes it.
#pragma once

#include <cstdint>

#include "platform/com.h"

namespace testing_support {

class StreamStub : public platform::IStream {
public:
    platform::StatusCode QueryInterface(const platform::IID&, void** object) override
    {
        if (object) {
            *object = nullptr;
        }
        return platform::E_NOINTERFACE;
    }
    std::uint32_t AddRef() override { return ++m_references; }
    std::uint32_t Release() override { return --m_references; }
    platform::StatusCode Read(void*, std::uint32_t, std::uint32_t*) override { return platform::E_NOTIMPL; }
    platform::StatusCode Write(const void*, std::uint32_t, std::uint32_t*) override
    {
        return platform::E_NOTIMPL;
    }
    platform::StatusCode Seek(std::int64_t, std::uint32_t, std::uint64_t*) override
    {
        return platform::E_NOTIMPL;
    }
    platform::StatusCode SetSize(std::uint64_t) override { return platform::E_NOTIMPL; }
    platform::StatusCode CopyTo(platform::IStream*, std::uint64_t, std::uint64_t*, std::uint64_t*) override
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
    platform::StatusCode Stat(platform::STATSTG*, std::uint32_t) override { return platform::E_NOTIMPL; }
    platform::StatusCode Clone(platform::IStream**) override { return platform::E_NOTIMPL; }

protected:
    ~StreamStub() = default;

private:
    std::uint32_t m_references = 1;
};

} // namespace testing_support

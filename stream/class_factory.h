// The class factory of StreamOnFile. It holds nothing but its own reference count; while it
// lives it keeps the module loaded.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/com.h"

namespace rillex {

class ClassFactory final : public platform::IClassFactory {
public:
    // A new factory with one reference; nullptr when memory is exhausted.
    static ClassFactory* Create() noexcept;

    platform::StatusCode QueryInterface(const platform::IID& iid, void** object) override;
    std::uint32_t AddRef() override;
    std::uint32_t Release() override;
    platform::StatusCode CreateInstance(platform::IUnknown* outer, const platform::IID& iid,
                                        void** object) override;
    platform::StatusCode LockServer(bool lock) override;

private:
    ClassFactory();
    ~ClassFactory();

    std::atomic<std::uint32_t> m_references{1};
};

} // namespace rillex

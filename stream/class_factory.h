// The class factory of StreamOnFile. It holds nothing but its own reference count; while it
// lives it keeps the module loaded.
#pragma once

#include <cstdint>

#include "platform/ref_counted.h"

namespace rillex {

class ClassFactory final : public platform::RefCounted<platform::IClassFactory> {
public:
    // A new factory with one reference; nullptr when memory is exhausted.
    static ClassFactory* Create() noexcept;

    platform::StatusCode QueryInterface(const platform::IID& iid, void** object) override;
    platform::StatusCode CreateInstance(platform::IUnknown* outer, const platform::IID& iid,
                                        void** object) override;
    platform::StatusCode LockServer(bool lock) override;

private:
    ClassFactory();
    ~ClassFactory() override;
};

} // namespace rillex

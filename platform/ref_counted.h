// RefCounted: the reference count of an object that implements COM-style interfaces. One
// count serves every interface the object implements (AddRef and Release of each land here);
// the last Release calls Destroy, which deletes the object unless the class ends its life
// otherwise (a final flush first, or memory of another allocator). The count is atomic: the
// stream server is registered with the threading model "Both".
//
//   class MemoryStream final : public RefCounted<IStream> { ... };
//   class StreamOnFile final : public RefCounted<IStream, IPersistFile> { ... };
//
// The interfaces come first in the object, so their slot order is kept; the virtual
// destructor and Destroy are added after the last slot.
#pragma once

#include <atomic>
#include <cstdint>
#include <initializer_list>

#include "platform/com.h"

namespace platform {

template <typename... Interfaces> class RefCounted : public Interfaces... {
public:
    std::uint32_t AddRef() override
    {
        return m_references.fetch_add(1, std::memory_order_relaxed) + 1;
    }

    std::uint32_t Release() override
    {
        const std::uint32_t left = m_references.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) {
            Destroy();
        }
        return left;
    }

protected:
    RefCounted() = default;
    virtual ~RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    virtual void Destroy() { delete this; }

private:
    std::atomic<std::uint32_t> m_references{1};
};

// The usual QueryInterface: `self` (the object as the interface the identifiers name) for
// any identifier in `answered`, with a reference taken; otherwise a null *object and
// E_NOINTERFACE.
inline StatusCode AnswerQuery(const IID& iid, void** object, std::initializer_list<IID> answered,
                              IUnknown* self)
{
    if (!object) {
        return E_POINTER;
    }
    for (const IID& known : answered) {
        if (iid == known) {
            *object = self;
            self->AddRef();
            return S_OK;
        }
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

} // namespace platform

// The MAPI services the conversion starts with: initialisation, the default allocator and
// the buffer functions. A buffer from MAPIAllocateBuffer is a root; buffers from
// MAPIAllocateMore are linked to a root, and one MAPIFreeBuffer of the root frees them all.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/com.h"

namespace ferrule {

using platform::StatusCode;

// MAPI's reference count of initialisations. The conversion works whatever the count; the
// count only keeps InitFerrule and CloseFerrule balanced.
StatusCode MAPIInitialize(void* init);
void MAPIUninitialize();
std::uint32_t MAPIInitializeCount();

// The task-style allocator handed to the message session and the message.
class IMalloc : public platform::IUnknown {
public:
    virtual void* Alloc(std::size_t size) = 0;
    virtual void* Realloc(void* block, std::size_t size) = 0;
    virtual void Free(void* block) = 0;

protected:
    ~IMalloc() = default;
};

// The process-wide allocator; it is never freed, so AddRef and Release do not count.
IMalloc* MAPIGetDefaultMalloc();

using ALLOCATEBUFFER = StatusCode (*)(std::uint32_t size, void** buffer);
using ALLOCATEMORE = StatusCode (*)(std::uint32_t size, void* root, void** buffer);
using FREEBUFFER = StatusCode (*)(void* buffer);

// A zero size still gives a distinct buffer. E_INVALIDARG without a result location,
// E_OUTOFMEMORY when the heap is exhausted.
StatusCode MAPIAllocateBuffer(std::uint32_t size, void** buffer);
// `root` must come from MAPIAllocateBuffer; anything else is E_INVALIDARG.
StatusCode MAPIAllocateMore(std::uint32_t size, void* root, void** buffer);
// Frees a root and its children; null is accepted. A child buffer is refused (E_INVALIDARG)
// and stays with its root.
StatusCode MAPIFreeBuffer(void* buffer);

} // namespace ferrule

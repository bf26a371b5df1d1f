#include "convert/mapi_memory.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace ferrule {

using platform::E_INVALIDARG;
using platform::E_OUTOFMEMORY;
using platform::S_OK;

namespace {

std::atomic<std::uint32_t> g_initializeCount{0};

class DefaultMalloc final : public IMalloc {
public:
    StatusCode QueryInterface(const platform::IID& iid, void** object) override
    {
        if (!object) {
            return platform::E_POINTER;
        }
        *object = nullptr;
        if (iid != platform::IID_IUnknown) {
            return platform::E_NOINTERFACE;
        }
        *object = static_cast<platform::IUnknown*>(this);
        return S_OK;
    }
    std::uint32_t AddRef() override { return 1; }
    std::uint32_t Release() override { return 1; }
    void* Alloc(std::size_t size) override { return std::malloc(size ? size : 1); }
    void* Realloc(void* block, std::size_t size) override
    {
        return std::realloc(block, size ? size : 1);
    }
    void Free(void* block) override { std::free(block); }
};

// Every buffer starts with this header; the payload follows at a maximally aligned offset.
// A root keeps a singly linked list of its children.
struct alignas(std::max_align_t) BufferHeader {
    std::uint32_t magic;
    BufferHeader* nextChild;
};

constexpr std::uint32_t kRootMagic = 0x524F4F54;  // "ROOT"
constexpr std::uint32_t kChildMagic = 0x4348494C; // "CHIL"
constexpr std::uint32_t kFreedMagic = 0xDEADBEEF;

BufferHeader* HeaderOf(void* payload)
{
    return static_cast<BufferHeader*>(payload) - 1;
}

StatusCode NewBuffer(std::uint32_t size, std::uint32_t magic, BufferHeader** header)
{
    void* block = std::malloc(sizeof(BufferHeader) + size);
    if (!block) {
        return E_OUTOFMEMORY;
    }
    *header = new (block) BufferHeader{magic, nullptr};
    return S_OK;
}

} // namespace

StatusCode MAPIInitialize(void*)
{
    g_initializeCount.fetch_add(1);
    return S_OK;
}

void MAPIUninitialize()
{
    std::uint32_t count = g_initializeCount.load();
    while (count > 0 && !g_initializeCount.compare_exchange_weak(count, count - 1)) {
    }
}

std::uint32_t MAPIInitializeCount() { return g_initializeCount.load(); }

IMalloc* MAPIGetDefaultMalloc()
{
    static DefaultMalloc allocator;
    return &allocator;
}

StatusCode MAPIAllocateBuffer(std::uint32_t size, void** buffer)
{
    if (!buffer) {
        return E_INVALIDARG;
    }
    *buffer = nullptr;
    BufferHeader* header = nullptr;
    if (const StatusCode status = NewBuffer(size, kRootMagic, &header); platform::Failed(status)) {
        return status;
    }
    *buffer = header + 1;
    return S_OK;
}

StatusCode MAPIAllocateMore(std::uint32_t size, void* root, void** buffer)
{
    if (!buffer) {
        return E_INVALIDARG;
    }
    *buffer = nullptr;
    if (!root || HeaderOf(root)->magic != kRootMagic) {
        return E_INVALIDARG;
    }
    BufferHeader* header = nullptr;
    if (const StatusCode status = NewBuffer(size, kChildMagic, &header); platform::Failed(status)) {
        return status;
    }
    BufferHeader* rootHeader = HeaderOf(root);
    header->nextChild = rootHeader->nextChild;
    rootHeader->nextChild = header;
    *buffer = header + 1;
    return S_OK;
}

StatusCode MAPIFreeBuffer(void* buffer)
{
    if (!buffer) {
        return S_OK;
    }
    BufferHeader* root = HeaderOf(buffer);
    if (root->magic != kRootMagic) {
        return E_INVALIDARG;
    }
    BufferHeader* child = root->nextChild;
    while (child) {
        BufferHeader* next = child->nextChild;
        child->magic = kFreedMagic;
        std::free(child);
        child = next;
    }
    root->magic = kFreedMagic;
    std::free(root);
    return S_OK;
}

} // namespace ferrule

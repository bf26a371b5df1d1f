#include "viewer/rtf/chain_alloc.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace viewer::rtf {

using platform::E_OUTOFMEMORY;
using platform::E_POINTER;
using platform::S_OK;
using platform::StatusCode;

namespace {

// The header sits right before the payload; keep the payload aligned like malloc's.
constexpr std::size_t kHeaderSize = (sizeof(ChainHeader) + alignof(std::max_align_t) - 1) /
                                    alignof(std::max_align_t) * alignof(std::max_align_t);

ChainHeader* HeaderOf(void* root)
{
    return reinterpret_cast<ChainHeader*>(static_cast<unsigned char*>(root) - kHeaderSize);
}

} // namespace

const ChainHeader* ChainHeaderOf(const void* root)
{
    return HeaderOf(const_cast<void*>(root));
}

StatusCode ChainAllocBuffer(std::uint32_t size, void** result)
{
    if (size == 0 || !result) {
        return E_POINTER;
    }
    *result = nullptr;
    void* block = std::malloc(kHeaderSize + size);
    if (!block) {
        return E_OUTOFMEMORY;
    }
    std::memset(block, 0, kHeaderSize);
    *result = static_cast<unsigned char*>(block) + kHeaderSize;
    return S_OK;
}

StatusCode ChainAllocMore(std::uint32_t size, void* parent, void** result)
{
    if (size == 0 || !parent || !result) {
        return E_POINTER;
    }
    *result = nullptr;
    void* block = std::malloc(size);
    if (!block) {
        return E_OUTOFMEMORY;
    }
    ChainHeader* header = HeaderOf(parent);
    if (header->count == header->capacity) {
        const std::uint64_t capacity = std::uint64_t{header->capacity} + kChainTableStep;
        if (capacity > UINT32_MAX) {
            std::free(block);
            return E_OUTOFMEMORY;
        }
        void* table = std::realloc(header->children, capacity * sizeof(void*));
        if (!table) {
            std::free(block);
            return E_OUTOFMEMORY;
        }
        header->children = static_cast<void**>(table);
        header->capacity = static_cast<std::uint32_t>(capacity);
    }
    header->children[header->count++] = block;
    *result = block;
    return S_OK;
}

StatusCode ChainFreeBuffer(void* buffer)
{
    if (!buffer) {
        return E_POINTER;
    }
    ChainHeader* header = HeaderOf(buffer);
    if (header->children) {
        for (std::uint32_t i = 0; i < header->count; ++i) {
            std::free(header->children[i]);
        }
        std::free(header->children);
    }
    std::free(header);
    return S_OK;
}

} // namespace viewer::rtf

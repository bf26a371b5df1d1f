// Chained buffer allocation: a root buffer owns any number of child buffers, and one
// ChainFreeBuffer of the root releases them all (the semantics of MAPI's buffer
// functions). Children have no header and can never be parents.
#pragma once

#include <cstdint>

#include "platform/status.h"

namespace viewer::rtf {

// Allocates a root buffer of `size` bytes (payload not initialised).
// 0x80004003 for size 0 or no result location, 0x8007000E when the heap is exhausted.
[[nodiscard]] platform::StatusCode ChainAllocBuffer(std::uint32_t size, void** result);

// Allocates a child buffer linked to the root `parent`. A failure leaves the chain as it was.
[[nodiscard]] platform::StatusCode ChainAllocMore(std::uint32_t size, void* parent, void** result);

// Frees a root buffer and every child linked to it.
platform::StatusCode ChainFreeBuffer(void* buffer);

// Growth step of a root's child table.
inline constexpr std::uint32_t kChainTableStep = 1024;

// Test hooks: the header of a root buffer as it lies in memory before the payload.
struct ChainHeader {
    std::uint32_t capacity; // entries the child table can hold
    std::uint32_t count;    // children linked so far
    void** children;        // null until the first child
};
const ChainHeader* ChainHeaderOf(const void* root);

} // namespace viewer::rtf

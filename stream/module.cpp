#include "stream/module.h"

#include <atomic>

namespace rillex {

namespace {
std::atomic<std::int32_t> g_lockCount{0};
}

void LockModule() noexcept { g_lockCount.fetch_add(1, std::memory_order_relaxed); }

void UnlockModule() noexcept { g_lockCount.fetch_sub(1, std::memory_order_acq_rel); }

std::int32_t ModuleLockCount() noexcept { return g_lockCount.load(std::memory_order_acquire); }

} // namespace rillex

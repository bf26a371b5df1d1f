// The module's lock count: raised by every live stream object, every live class factory and
// every LockServer(true), lowered by their counterparts. The library may be unloaded only
// while it is 0.
#pragma once

#include <cstdint>

namespace rillex {

void LockModule() noexcept;
void UnlockModule() noexcept;
std::int32_t ModuleLockCount() noexcept;

} // namespace rillex

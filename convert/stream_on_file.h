// OpenStreamOnFile: a file as a read/write IStream, with a write buffer so that the
// encoder's many small writes do not each become a system call.
#pragma once

#include <cstdint>

#include "convert/mapi_memory.h"
#include "platform/com.h"

namespace ferrule {

// Opens `fileName` (a byte path) with the storage mode bits of `flags`: STGM_CREATE creates
// or truncates the file, STGM_READWRITE or STGM_WRITE allows writing, STGM_SHARE_EXCLUSIVE
// and STGM_SHARE_DENY_WRITE take an advisory lock. `prefix` must be null. A symbolic link is
// never followed.
[[nodiscard]] StatusCode OpenStreamOnFile(ALLOCATEBUFFER allocateBuffer, FREEBUFFER freeBuffer,
                                          std::uint32_t flags, const char* fileName,
                                          const char* prefix, platform::IStream** stream);

} // namespace ferrule

// Reading, writing and locking through file descriptors. A signal may interrupt any of these
// calls (EINTR) and a read or write may move fewer bytes than asked; the helpers here carry
// on until the work is done, the file ends or a real error comes back, so that callers do
// not each write the loop again.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace platform {

// Calls `call` again for as long as it fails with EINTR, and returns its last result.
template <typename Call> auto RetryInterrupted(Call call) -> decltype(call())
{
    for (;;) {
        const auto result = call();
        if (result != -1 || errno != EINTR) {
            return result;
        }
    }
}

// Reads from the descriptor's own position, not at an offset.
inline constexpr std::int64_t kAtPosition = -1;

// Reads until `count` bytes have come or the file ends: from `offset` (pread) or, with
// kAtPosition, from the descriptor's position. *got receives the bytes read, also on failure.
[[nodiscard]] StatusCode ReadAll(int fd, void* buffer, std::size_t count, std::size_t* got,
                                 std::int64_t offset = kAtPosition);

// Reads the whole file from offset 0; more than `limit` bytes give E_INVALID_DATA.
[[nodiscard]] StatusCode ReadWholeFile(int fd, std::size_t limit, std::string* text);

// Writes all `count` bytes, at `offset` (pwrite) or at the descriptor's position. *written,
// when given, receives the bytes written, also on failure.
[[nodiscard]] StatusCode WriteAll(int fd, const void* data, std::size_t count,
                                  std::int64_t offset = kAtPosition,
                                  std::size_t* written = nullptr);
[[nodiscard]] inline StatusCode WriteAll(int fd, std::string_view text,
                                         std::int64_t offset = kAtPosition)
{
    return WriteAll(fd, text.data(), text.size(), offset);
}

// Copies from `in`'s position to its end into `out` at its position. *copied, when given,
// receives the bytes copied, also on failure.
[[nodiscard]] StatusCode CopyToEnd(int in, int out, std::uint64_t* copied = nullptr);

enum class LockWait { Wait, DontWait };

// An advisory lock on the whole file (flock's LOCK_SH, LOCK_EX or LOCK_UN). A filesystem
// without advisory locks (ENOLCK, EOPNOTSUPP on some network and FUSE mounts) grants every
// request: the lock is a courtesy, not a reason to refuse a file. Without waiting, a lock
// held elsewhere is E_SHARING_VIOLATION.
[[nodiscard]] StatusCode LockFile(int fd, int operation, LockWait wait);

} // namespace platform

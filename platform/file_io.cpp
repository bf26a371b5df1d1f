#include "platform/file_io.h"

#include <algorithm>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

StatusCode ReadAll(int fd, void* buffer, std::size_t count, std::size_t* got, std::int64_t offset)
{
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    StatusCode status = S_OK;
    while (done < count) {
        const ssize_t n = RetryInterrupted([&] {
            return offset == kAtPosition
                       ? ::read(fd, bytes + done, count - done)
                       : ::pread(fd, bytes + done, count - done, static_cast<off_t>(offset) + static_cast<off_t>(done));
        });
        if (n < 0) {
            status = StatusFromErrno();
            break;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    *got = done;
    return status;
}

StatusCode ReadWholeFile(int fd, std::size_t limit, std::string* text)
{
    std::string result;
    char buffer[1 << 16];
    for (;;) {
        std::size_t got = 0;
        const StatusCode status =
            ReadAll(fd, buffer, sizeof buffer, &got, static_cast<std::int64_t>(result.size()));
        if (Failed(status)) {
            return status;
        }
        if (got > limit - std::min(limit, result.size())) {
            return E_INVALID_DATA;
        }
        result.append(buffer, got);
        if (got < sizeof buffer) {
            break;
        }
    }
    *text = std::move(result);
    return S_OK;
}

StatusCode WriteAll(int fd, const void* data, std::size_t count, std::int64_t offset,
                    std::size_t* written)
{
    const auto* bytes = static_cast<const char*>(data);
    std::size_t done = 0;
    StatusCode status = S_OK;
    while (done < count) {
        const ssize_t n = RetryInterrupted([&] {
            return offset == kAtPosition
                       ? ::write(fd, bytes + done, count - done)
                       : ::pwrite(fd, bytes + done, count - done, static_cast<off_t>(offset) + static_cast<off_t>(done));
        });
        if (n <= 0) {
            // A write that takes nothing would never finish.
            status = n < 0 ? StatusFromErrno() : StatusFromError(EIO);
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (written) {
        *written = done;
    }
    return status;
}

StatusCode LockFile(int fd, int operation, LockWait wait)
{
    const int flags = wait == LockWait::DontWait ? LOCK_NB : 0;
    if (RetryInterrupted([&] { return ::flock(fd, operation | flags); }) == 0) {
        return S_OK;
    }
    const int error = errno;
    if (error == EWOULDBLOCK && wait == LockWait::DontWait) {
        return E_SHARING_VIOLATION;
    }
    if (error == ENOLCK || error == EOPNOTSUPP) {
        return S_OK;
    }
    return StatusFromError(error);
}

} // namespace platform

#include "platform/file_io.h"

#include <algorithm>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

namespace {

// Repeats `step` (one read or write of `left` bytes at `done`) until `count` bytes have moved,
// a step moves nothing or one fails. A read that moves nothing has met the end of the file; a
// write that takes nothing would never finish, so it fails.
// The offset of the next piece: -1 (the descriptor's position) stays -1.
off_t PieceOffset(std::int64_t offset, std::size_t done)
{
    return offset == kAtPosition ? -1 : static_cast<off_t>(offset) + static_cast<off_t>(done);
}

template <typename Step>
StatusCode Transfer(std::size_t count, bool reading, std::size_t* moved, Step step)
{
    std::size_t done = 0;
    StatusCode status = S_OK;
    while (done < count) {
        const ssize_t n = RetryInterrupted([&] { return step(done, count - done); });
        if (n < 0) {
            status = StatusFromErrno();
            break;
        }
        if (n == 0) {
            status = reading ? S_OK : StatusFromError(EIO);
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    *moved = done;
    return status;
}

} // namespace

StatusCode ReadAll(int fd, void* buffer, std::size_t count, std::size_t* got, std::int64_t offset)
{
    auto* bytes = static_cast<char*>(buffer);
    return Transfer(count, true, got, [&](std::size_t done, std::size_t left) {
        const off_t at = PieceOffset(offset, done);
        return at < 0 ? ::read(fd, bytes + done, left) : ::pread(fd, bytes + done, left, at);
    });
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
    std::size_t moved = 0;
    const auto step = [&](std::size_t done, std::size_t left) {
        const off_t at = PieceOffset(offset, done);
        return at < 0 ? ::write(fd, bytes + done, left) : ::pwrite(fd, bytes + done, left, at);
    };
    const StatusCode status = Transfer(count, false, &moved, step);
    if (written) {
        *written = moved;
    }
    return status;
}

StatusCode CopyToEnd(int in, int out, std::uint64_t* copied)
{
    char buffer[1 << 16];
    std::uint64_t total = 0;
    StatusCode status = S_OK;
    for (std::size_t got = sizeof buffer; Succeeded(status) && got == sizeof buffer;) {
        status = ReadAll(in, buffer, sizeof buffer, &got);
        if (Succeeded(status)) {
            status = WriteAll(out, buffer, got);
            total += Succeeded(status) ? got : 0;
        }
    }
    if (copied) {
        *copied = total;
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

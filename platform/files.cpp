#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <linux/fs.h>
#include <random>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_io.h"
#include "platform/private_temp.h"

namespace platform {

void UniqueFd::Reset(int fd)
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = fd;
}

std::string TempFolder()
{
    const char* folder = secure_getenv("TMPDIR");
    std::string path = (folder && *folder) ? folder : "/tmp";
    if (path.back() != '/') {
        path.push_back('/');
    }
    return path;
}

StatusCode CreateFileExclusive(const std::string& path, UniqueFd* fd, int folder, unsigned mode)
{
    static_assert(kCurrentFolder == AT_FDCWD);
    const int handle =
        ::openat(folder, path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (handle < 0) {
        // A planted symbolic link reads ELOOP with O_NOFOLLOW: it counts as a taken name.
        return errno == ELOOP ? E_FILE_EXISTS : StatusFromErrno();
    }
    UniqueFd owner(handle);
    if (fd) {
        *fd = std::move(owner);
    }
    return S_OK;
}

StatusCode CreateFirstFreeFile(const NameForTry& nameFor, std::uint32_t tries, std::string* path,
                               UniqueFd* fd, int folder, unsigned mode)
{
    if (!path) {
        return E_POINTER;
    }
    StatusCode status = E_FILE_EXISTS;
    for (std::uint32_t n = 0; n < tries && status == E_FILE_EXISTS; ++n) {
        std::string candidate = nameFor(n);
        if (candidate.empty()) {
            return StatusFromError(ENAMETOOLONG);
        }
        status = CreateFileExclusive(candidate, fd, folder, mode);
        *path = std::move(candidate);
    }
    return status;
}

std::string RandomCharacters(std::size_t count)
{
    static constexpr char kAlphabet[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device entropy;
    std::uniform_int_distribution<int> pick(0, sizeof(kAlphabet) - 2);
    std::string characters;
    for (std::size_t i = 0; i < count; ++i) {
        characters.push_back(kAlphabet[pick(entropy)]);
    }
    return characters;
}

StatusCode CreateUniqueTempFile(std::string_view prefix, std::string* path, UniqueFd* fd)
{
    std::string folder;
    if (const StatusCode status = PrivateTempFolder(&folder); Failed(status)) {
        return status;
    }
    auto randomName = [&](std::uint32_t) {
        return folder + std::string(prefix) + RandomCharacters(6) + ".tmp";
    };
    return CreateFirstFreeFile(randomName, 100, path, fd);
}

TempFile& TempFile::operator=(TempFile&& other) noexcept
{
    if (this != &other) {
        Remove();
        m_path = std::exchange(other.m_path, {});
    }
    return *this;
}

void TempFile::Remove()
{
    if (!m_path.empty()) {
        ::unlink(m_path.c_str());
        m_path.clear();
    }
}

std::uint32_t TickCount()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                             static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

std::uint64_t FileTimeNow()
{
    // Seconds from 1601-01-01 to 1970-01-01.
    constexpr std::uint64_t kEpochDifference = 11644473600ull;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return (static_cast<std::uint64_t>(now.tv_sec) + kEpochDifference) * 10000000ull +
           static_cast<std::uint64_t>(now.tv_nsec) / 100u;
}

StatusCode CopyWholeFile(const std::string& source, const std::string& target,
                         const CopyProgress& progress)
{
    UniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.Valid()) {
        return StatusFromErrno();
    }
    UniqueFd out(::open(target.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    if (!out.Valid()) {
        return StatusFromErrno();
    }
    // Truncated only when there is something to cut: ext4 treats any truncation to zero as
    // "a file being replaced" and flushes all its new data when it is closed, which would
    // make every copy into a fresh temporary file wait for the disk.
    struct stat info {};
    if (::fstat(out.Get(), &info) != 0) {
        return StatusFromErrno();
    }
    if (info.st_size > 0 && ::ftruncate(out.Get(), 0) != 0) {
        return StatusFromErrno();
    }
    if (::ioctl(out.Get(), FICLONE, in.Get()) == 0) {
        return S_OK;
    }
    const std::uint64_t total =
        ::fstat(in.Get(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
    std::uint64_t done = 0;
    // Between chunks only: the person sees the copy move and may stop it.
    const auto keepGoing = [&](std::uint64_t moved) {
        done += moved;
        return !progress || progress(done, std::max(done, total));
    };
    // copy_file_range moves the data inside the kernel; it may refuse across filesystems.
    bool refused = false;
    for (;;) {
        std::uint64_t chunk = 0;
        while (chunk < kCopyChunkBytes) {
            const ssize_t copied = RetryInterrupted([&] {
                return ::copy_file_range(in.Get(), nullptr, out.Get(), nullptr,
                                         kCopyChunkBytes - chunk, 0);
            });
            if (copied > 0) {
                chunk += static_cast<std::uint64_t>(copied);
                continue;
            }
            if (copied < 0) {
                if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
                    return StatusFromErrno();
                }
                refused = true;
            }
            break;
        }
        if (chunk > 0 && !keepGoing(chunk)) {
            return E_CANCELLED;
        }
        if (refused || chunk < kCopyChunkBytes) {
            break;
        }
    }
    if (!refused) {
        return S_OK;
    }
    // Continue from wherever copy_file_range stopped (file offsets moved together).
    char buffer[1 << 16];
    std::uint64_t sinceReport = 0;
    for (;;) {
        std::size_t got = 0;
        StatusCode status = ReadAll(in.Get(), buffer, sizeof buffer, &got);
        if (Succeeded(status)) {
            status = WriteAll(out.Get(), buffer, got);
        }
        if (Failed(status) || got < sizeof buffer) {
            return status;
        }
        sinceReport += got;
        if (sinceReport >= kCopyChunkBytes) {
            if (!keepGoing(sinceReport)) {
                return E_CANCELLED;
            }
            sinceReport = 0;
        }
    }
}

} // namespace platform

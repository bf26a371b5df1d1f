#include "platform/files.h"

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

StatusCode CreateFileExclusive(const std::string& path, UniqueFd* fd)
{
    const int handle = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
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

StatusCode CreateUniqueTempFile(std::string_view prefix, std::string* path, UniqueFd* fd)
{
    if (!path) {
        return E_POINTER;
    }
    static constexpr char kAlphabet[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device entropy;
    std::uniform_int_distribution<int> pick(0, sizeof(kAlphabet) - 2);
    const std::string folder = TempFolder();
    StatusCode status = E_FAIL;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = folder;
        candidate.append(prefix);
        for (int i = 0; i < 6; ++i) {
            candidate.push_back(kAlphabet[pick(entropy)]);
        }
        candidate.append(".tmp");
        status = CreateFileExclusive(candidate, fd);
        if (Succeeded(status)) {
            *path = std::move(candidate);
            return S_OK;
        }
        if (status != E_FILE_EXISTS) {
            break;
        }
    }
    return status;
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

StatusCode CopyWholeFile(const std::string& source, const std::string& target)
{
    UniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.Valid()) {
        return StatusFromErrno();
    }
    UniqueFd out(::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!out.Valid()) {
        return StatusFromErrno();
    }
    if (::ioctl(out.Get(), FICLONE, in.Get()) == 0) {
        return S_OK;
    }
    // copy_file_range moves the data inside the kernel; it may refuse across filesystems.
    bool fallback = false;
    for (;;) {
        const ssize_t copied = ::copy_file_range(in.Get(), nullptr, out.Get(), nullptr,
                                                 std::size_t{1} << 30, 0);
        if (copied == 0) {
            break;
        }
        if (copied < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
                fallback = true;
                break;
            }
            return StatusFromErrno();
        }
    }
    if (!fallback) {
        return S_OK;
    }
    // Continue from wherever copy_file_range stopped (file offsets moved together).
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in.Get(), buffer, sizeof buffer);
        if (got == 0) {
            return S_OK;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return StatusFromErrno();
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out.Get(), buffer + done, static_cast<std::size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return StatusFromErrno();
            }
            done += put;
        }
    }
}

} // namespace platform

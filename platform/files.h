// Files: descriptors, the temporary folder, unique temporary files and the tick count.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/status.h"

namespace platform {

// Owns one file descriptor.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            Reset(std::exchange(other.m_fd, -1));
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    [[nodiscard]] int Release() { return std::exchange(m_fd, -1); }
    void Reset(int fd = -1);

private:
    int m_fd = -1;
};

// The `folder` argument of the creating functions for paths taken as they are (AT_FDCWD).
inline constexpr int kCurrentFolder = -100;

// $TMPDIR (read at each call), else /tmp, always with a trailing '/'.
std::string TempFolder();

// `count` characters from letters and digits, chosen at random: the unguessable part of a
// temporary name.
std::string RandomCharacters(std::size_t count);

// Creates "<PrivateTempFolder()><prefix><6 random characters>.tmp" atomically
// (O_CREAT|O_EXCL, mode 0600). The design's prefix is "tnf". On success *path names the new
// empty file and, when fd is given, *fd holds it open for reading and writing.
[[nodiscard]] StatusCode CreateUniqueTempFile(std::string_view prefix, std::string* path,
                                              UniqueFd* fd = nullptr);

// Creates `path` race-free (O_CREAT|O_EXCL|O_NOFOLLOW, mode 0600), relative to the folder
// `folder` when it is not AT_FDCWD. A name that exists, or a link planted there, gives
// E_FILE_EXISTS.
[[nodiscard]] StatusCode CreateFileExclusive(const std::string& path, UniqueFd* fd = nullptr,
                                             int folder = kCurrentFolder, unsigned mode = 0600);

inline constexpr StatusCode E_FILE_EXISTS = StatusFromError(17); // EEXIST

// The n-th name to try (n from 0); an empty name gives up.
using NameForTry = std::function<std::string(std::uint32_t n)>;

// Creates the first name of a series that is free, each try with CreateFileExclusive, for
// names the program makes itself (a tick count, a number after a name): at most `tries`
// names. *path receives the name created, or on failure the last name tried. All taken gives
// E_FILE_EXISTS, an empty name StatusFromError(ENAMETOOLONG); any other failure ends the
// series.
[[nodiscard]] StatusCode CreateFirstFreeFile(const NameForTry& nameFor, std::uint32_t tries,
                                             std::string* path, UniqueFd* fd = nullptr,
                                             int folder = kCurrentFolder, unsigned mode = 0600);

// A temporary file that deletes itself on destruction unless released to whoever the
// design hands it to.
class TempFile {
public:
    TempFile() = default;
    explicit TempFile(std::string path) : m_path(std::move(path)) {}
    TempFile(TempFile&& other) noexcept : m_path(std::exchange(other.m_path, {})) {}
    TempFile& operator=(TempFile&& other) noexcept;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() { Remove(); }

    const std::string& Path() const { return m_path; }
    bool Empty() const { return m_path.empty(); }
    // Stops owning the file: it stays on disk.
    std::string Release() { return std::exchange(m_path, {}); }
    // Deletes the file now.
    void Remove();

private:
    std::string m_path;
};

// Milliseconds of CLOCK_MONOTONIC, as 32 bits (the design's tick count).
std::uint32_t TickCount();

// Current time as 100-nanosecond intervals since 1601-01-01 UTC.
std::uint64_t FileTimeNow();

// Told how far a long copy has come (bytes done, bytes in all); returning false cancels it,
// and the copy then ends with E_CANCELLED.
using CopyProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// Long copies move at most this much between two progress calls, so that a cancel is
// never far away.
inline constexpr std::uint64_t kCopyChunkBytes = 64ull << 20;

// Whole-file copy: asks the kernel first (a reflink, then copy_file_range in chunks of
// kCopyChunkBytes, calling `progress` between them), then falls back to a read/write loop.
// `target` is created or truncated; a cancelled copy leaves it as far as it came.
[[nodiscard]] StatusCode CopyWholeFile(const std::string& source, const std::string& target,
                                       const CopyProgress& progress = {});

} // namespace platform

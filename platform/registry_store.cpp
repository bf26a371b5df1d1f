// The registration store's file and its locks: where it lives, how a change replaces it,
// where a broken one is kept, and the in-memory store of a process that cannot write its
// configuration folder.
#include "platform/registry.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_io.h"
#include "platform/registry_p.h"

namespace platform {

namespace {

// Names the in-memory store of this process: "<pid>:<fd>:<store path>".
constexpr const char* kMemoryVariable = "PALLION_REGISTRY_MEMORY";
constexpr const char* kMemoryName = "pallion-registry";

std::string Setting(const char* name)
{
    const char* value = secure_getenv(name);
    return value ? value : "";
}

std::string HomeFolder()
{
    std::string home = Setting("HOME");
    if (!home.empty()) {
        return home;
    }
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found &&
        found->pw_dir) {
        return found->pw_dir;
    }
    return "/";
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Creates the missing folders of `folder` (mode 0700, as a configuration folder should be).
void MakeFolders(const std::string& folder)
{
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string prefix = folder.substr(0, slash);
        if (!prefix.empty()) {
            ::mkdir(prefix.c_str(), 0700);
        }
        if (slash == std::string::npos) {
            return;
        }
    }
}

// A store is a handful of keys; anything this large is not one of ours.
constexpr std::size_t kMaxStoreSize = 16u << 20;

StatusCode ReadAll(int fd, std::string* text)
{
    return ReadWholeFile(fd, kMaxStoreSize, text);
}

// Whole-store writes go to offset 0 of a fresh or emptied file.
StatusCode WriteAll(int fd, std::string_view text)
{
    return platform::WriteAll(fd, text, 0);
}

StatusCode Lock(int fd, int operation)
{
    return LockFile(fd, operation, LockWait::Wait);
}

// Writes `text` to a new 0600 file beside `path`, flushes it and renames it over `path`, so
// a reader or a crash sees the old store or the new one, never half of one.
StatusCode ReplaceFile(const std::string& path, std::string_view text)
{
    std::string temp = path + ".tmp-XXXXXX";
    UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd.Valid()) {
        return StatusFromErrno();
    }
    TempFile owner(temp);
    StatusCode status = WriteAll(fd.Get(), text);
    if (Succeeded(status) && ::fsync(fd.Get()) != 0) {
        status = StatusFromErrno();
    }
    if (Succeeded(status) && ::rename(temp.c_str(), path.c_str()) != 0) {
        status = StatusFromErrno();
    }
    if (Failed(status)) {
        return status;
    }
    (void)owner.Release();
    return S_OK;
}

// Keeps the bytes of a malformed store under "<path>.broken-<UTC time>" (a suffix when that
// name is taken), never overwriting an earlier one.
StatusCode KeepBrokenStore(const std::string& path, std::string_view bytes)
{
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    struct tm parts {};
    ::gmtime_r(&now, &parts);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &parts);
    const auto nameFor = [&](std::uint32_t n) {
        return path + ".broken-" + stamp + (n == 0 ? "" : "-" + std::to_string(n + 1));
    };
    std::string name;
    UniqueFd fd;
    StatusCode status = CreateFirstFreeFile(nameFor, 100, &name, &fd);
    if (Succeeded(status)) {
        status = WriteAll(fd.Get(), bytes);
        if (Failed(status)) {
            ::unlink(name.c_str());
        }
    }
    return status;
}

// ---- The in-memory store -----------------------------------------------------------------
//
// Each shared library carries its own copy of this code, so the memory store cannot be a
// variable: it is a memfd whose number the environment names, and every copy in the process
// finds it there. A child process does not inherit it (close-on-exec, and the process id
// must match).

bool IsOurMemoryFile(int fd)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[256];
    const ssize_t size = ::readlink(link, target, sizeof target - 1);
    const std::string expected = std::string("/memfd:") + kMemoryName;
    return size > 0 &&
           std::string_view(target, static_cast<std::size_t>(size)).rfind(expected, 0) == 0;
}

// The memory store for `path`, opened anew (its own lock), or an invalid descriptor.
UniqueFd OpenMemoryStore(const std::string& path)
{
    const std::string value = Setting(kMemoryVariable);
    long pid = 0;
    int fd = -1;
    int used = 0;
    if (std::sscanf(value.c_str(), "%ld:%d:%n", &pid, &fd, &used) < 2 || used == 0 ||
        pid != static_cast<long>(::getpid()) ||
        value.substr(static_cast<std::size_t>(used)) != path || !IsOurMemoryFile(fd)) {
        return UniqueFd();
    }
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    return UniqueFd(::open(link, O_RDWR | O_CLOEXEC));
}

// Moves the store for `path` into memory with the content `text`.
StatusCode CreateMemoryStore(const std::string& path, std::string_view text)
{
    const int fd = ::memfd_create(kMemoryName, MFD_CLOEXEC);
    if (fd < 0) {
        return StatusFromErrno();
    }
    const StatusCode status = WriteAll(fd, text);
    if (Failed(status)) {
        ::close(fd);
        return status;
    }
    // The previous memory store (for another path) stays open: another copy of this code
    // may still be reading it.
    // setenv is not safe against other threads reading the environment; the store changes
    // from the one thread that runs the program's logic.
    const std::string value = std::to_string(::getpid()) + ":" + std::to_string(fd) + ":" + path;
    ::setenv(kMemoryVariable, value.c_str(), 1);
    return S_OK;
}

StatusCode WriteMemoryStore(int fd, std::string_view text)
{
    if (::ftruncate(fd, 0) != 0) {
        return StatusFromErrno();
    }
    return WriteAll(fd, text);
}

} // namespace

std::string RegistryStorePath()
{
    std::string path = Setting("PALLION_REGISTRY");
    if (!path.empty()) {
        return path;
    }
    // Relative values of XDG_CONFIG_HOME are to be ignored.
    std::string base = Setting("XDG_CONFIG_HOME");
    if (base.empty() || base.front() != '/') {
        base = HomeFolder() + "/.config";
    }
    return base + "/corvane/registry.reg";
}

bool RegistryInMemory()
{
    return OpenMemoryStore(RegistryStorePath()).Valid();
}

StatusCode ReadStoreText(std::string* text)
{
    const std::string path = RegistryStorePath();
    UniqueFd fd = OpenMemoryStore(path);
    if (fd.Valid()) {
        const StatusCode status = Lock(fd.Get(), LOCK_SH);
        if (Failed(status)) {
            return status;
        }
    } else {
        // Stores are replaced by rename: an unlocked read sees one whole version.
        fd = UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (!fd.Valid()) {
            return errno == ENOTDIR ? E_FILE_NOT_FOUND : StatusFromErrno();
        }
    }
    return Failed(ReadAll(fd.Get(), text)) ? E_FILE_NOT_FOUND : S_OK;
}

// ---- Transactions ------------------------------------------------------------------------

namespace {

// The memory store's content, under its exclusive lock.
StatusCode ReadMemoryStore(int fd, RegistryData* data)
{
    std::string text;
    StatusCode status = Lock(fd, LOCK_EX);
    if (Succeeded(status)) {
        status = ReadAll(fd, &text);
    }
    if (Failed(status)) {
        return status;
    }
    // Only this code writes the memory store; should it still not parse, start afresh.
    return Succeeded(RegistryData::Parse(text, data)) ? S_OK : REGISTRY_S_STORE_RECOVERED;
}

// The store file's content. A store that cannot be read must not be replaced by one that
// lacks its content (*readOnly: changes then stay in memory); a malformed one is kept aside
// and a fresh store started.
StatusCode ReadFileStore(const std::string& path, RegistryData* data, bool* readOnly)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        // No store yet (or no folder for one): start empty.
        *readOnly = errno != ENOENT && errno != ENOTDIR;
        return S_OK;
    }
    std::string text;
    const StatusCode read = ReadAll(fd.Get(), &text);
    if (Failed(read) && read != E_INVALID_DATA) {
        *readOnly = true;
        return S_OK;
    }
    if (Succeeded(read) && Succeeded(RegistryData::Parse(text, data))) {
        return S_OK;
    }
    // Where the folder cannot be written the broken file stays as it is and the fresh store
    // lives in memory.
    if (Failed(KeepBrokenStore(path, text)) ||
        Failed(ReplaceFile(path, RegistryData().Serialize()))) {
        *readOnly = true;
    }
    return REGISTRY_S_STORE_RECOVERED;
}

} // namespace

StatusCode Transaction::Begin()
{
    if (m_begun) {
        return E_UNEXPECTED;
    }
    m_path = RegistryStorePath();
    m_data = RegistryData();
    m_readOnly = false;
    m_lock = OpenMemoryStore(m_path);
    if (m_lock.Valid()) {
        const StatusCode status = ReadMemoryStore(m_lock.Get(), &m_data);
        if (Failed(status)) {
            m_lock.Reset();
            return status;
        }
        m_begun = true;
        return status;
    }
    // A change replaces the store file, so the lock is taken on its folder, which stays put
    // (a lock on the file would be left behind on the replaced inode).
    const std::string folder = FolderOf(m_path);
    MakeFolders(folder);
    UniqueFd lock(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (lock.Valid()) {
        const StatusCode status = Lock(lock.Get(), LOCK_EX);
        if (Failed(status)) {
            return status;
        }
    }
    m_lock = std::move(lock);
    m_begun = true;
    return ReadFileStore(m_path, &m_data, &m_readOnly);
}

StatusCode Transaction::SetText(RegistryRoot root, std::string_view key, std::string_view name,
                                std::string_view text)
{
    RegistryValue value;
    value.type = REG_SZ;
    value.text = std::string(text);
    return m_data.SetValue(root, key, name, value);
}

StatusCode Transaction::SetNumber(RegistryRoot root, std::string_view key, std::string_view name,
                                  std::uint32_t number)
{
    RegistryValue value;
    value.type = REG_DWORD;
    value.number = number;
    return m_data.SetValue(root, key, name, value);
}

StatusCode Transaction::Commit()
{
    if (!m_begun) {
        return E_UNEXPECTED;
    }
    m_begun = false;
    const std::string text = m_data.Serialize();
    StatusCode status = S_OK;
    if (m_lock.Valid() && IsOurMemoryFile(m_lock.Get())) {
        status = WriteMemoryStore(m_lock.Get(), text);
    } else if (m_readOnly || Failed(ReplaceFile(m_path, text))) {
        // The folder cannot be written (read-only home, full disk): opening files must
        // still work, so the store lives in memory from now on.
        status = CreateMemoryStore(m_path, text);
    }
    m_lock.Reset();
    return status;
}

} // namespace platform

#include "platform/private_temp.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"

namespace platform {

namespace {

constexpr std::size_t kMaxFolders = 8;
constexpr std::size_t kMaxPathBytes = 4096;
constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGPIPE};
constexpr std::size_t kSignalCount = sizeof kSignals / sizeof kSignals[0];

// The folders this copy of the platform code made. A signal handler may only read memory that
// was written before it ran: the paths are fixed arrays filled before `made` says so.
struct MadeFolder {
    char path[kMaxPathBytes];
    pid_t owner; // a forked child shares this table but must not remove its parent's folder
    std::atomic<bool> made;
};

MadeFolder g_folders[kMaxFolders];
struct sigaction g_replaced[kSignalCount];
std::mutex g_mutex;
bool g_handlersInstalled = false;

// Removes every entry of a folder of files, then the folder, with system calls alone (safe in
// a signal handler). Removing entries while reading the folder may hide some from that read:
// the folder is read again until it is empty or nothing more can go.
void RemoveFolderNow(const char* path)
{
    const int dir = ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir >= 0) {
        alignas(dirent64) char buffer[4096];
        for (int pass = 0; pass < 4; ++pass) {
            bool removed = false;
            ::lseek(dir, 0, SEEK_SET);
            for (;;) {
                const ssize_t got = ::getdents64(dir, buffer, sizeof buffer);
                if (got <= 0) {
                    break;
                }
                for (ssize_t at = 0; at < got;) {
                    const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
                    at += entry->d_reclen;
                    const char* name = entry->d_name;
                    if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0 &&
                        ::unlinkat(dir, name, 0) == 0) {
                        removed = true;
                    }
                }
            }
            if (!removed) {
                break;
            }
        }
        ::close(dir);
    }
    ::rmdir(path);
}

void RemoveMadeFolders()
{
    const pid_t self = ::getpid();
    for (MadeFolder& folder : g_folders) {
        if (folder.made.load(std::memory_order_acquire) && folder.owner == self) {
            RemoveFolderNow(folder.path);
            folder.made.store(false, std::memory_order_release);
        }
    }
}

void OnEndingSignal(int signal, siginfo_t* info, void* context)
{
    const int savedErrno = errno;
    RemoveMadeFolders();
    std::size_t index = 0;
    while (index < kSignalCount && kSignals[index] != signal) {
        ++index;
    }
    const struct sigaction& replaced = g_replaced[index < kSignalCount ? index : 0];
    if ((replaced.sa_flags & SA_SIGINFO) != 0 && replaced.sa_sigaction) {
        replaced.sa_sigaction(signal, info, context);
    } else if ((replaced.sa_flags & SA_SIGINFO) == 0 && replaced.sa_handler != SIG_DFL &&
               replaced.sa_handler != SIG_IGN) {
        replaced.sa_handler(signal);
    } else {
        // The signal is blocked while its handler runs: raised again under the default
        // action, it ends the process as soon as the handler returns.
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        ::sigemptyset(&fallback.sa_mask);
        ::sigaction(signal, &fallback, nullptr);
        ::raise(signal);
    }
    errno = savedErrno;
}

// A copy of this code inside a shared library that is later unloaded would leave the signal
// handlers and the exit function pointing at unmapped code: the library that installs them
// stays loaded for the life of the process.
void KeepThisCodeLoaded()
{
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&OnEndingSignal), &info) != 0 && info.dli_fname) {
        static_cast<void>(::dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE));
    }
}

void InstallHandlersOnce()
{
    if (g_handlersInstalled) {
        return;
    }
    g_handlersInstalled = true;
    KeepThisCodeLoaded();
    std::atexit(RemoveMadeFolders);
    struct sigaction handler {};
    handler.sa_sigaction = OnEndingSignal;
    handler.sa_flags = SA_SIGINFO | SA_RESTART;
    ::sigemptyset(&handler.sa_mask);
    for (int signal : kSignals) {
        ::sigaddset(&handler.sa_mask, signal);
    }
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        struct sigaction current {};
        ::sigaction(kSignals[i], nullptr, &current);
        // A signal the process ignores (a tool that wants EPIPE rather than SIGPIPE) ends
        // nothing: it stays ignored.
        if ((current.sa_flags & SA_SIGINFO) == 0 && current.sa_handler == SIG_IGN) {
            continue;
        }
        g_replaced[i] = current;
        ::sigaction(kSignals[i], &handler, nullptr);
    }
}

// "tnf<pid>.<6 characters>", the pid in *pid.
bool ParseFolderName(const char* name, pid_t* pid)
{
    if (std::strncmp(name, "tnf", 3) != 0) {
        return false;
    }
    const char* digits = name + 3;
    const char* p = digits;
    long long value = 0;
    while (*p >= '0' && *p <= '9' && p - digits < 10) {
        value = value * 10 + (*p - '0');
        ++p;
    }
    if (p == digits || *p != '.' || std::strlen(p + 1) != 6 || value <= 0 || value > INT32_MAX) {
        return false;
    }
    *pid = static_cast<pid_t>(value);
    return true;
}

// Whether `path` (no trailing '/') is a private folder this process may use: in `parent`,
// named with this process's pid, a directory of this user that no one else may enter.
bool IsOwnFolder(const std::string& path, const std::string& parent)
{
    if (path.size() <= parent.size() || path.compare(0, parent.size(), parent) != 0) {
        return false;
    }
    const std::string name = path.substr(parent.size());
    pid_t pid = 0;
    if (name.find('/') != std::string::npos || !ParseFolderName(name.c_str(), &pid) ||
        pid != ::getpid()) {
        return false;
    }
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 0777) == 0700;
}

// A slot for a new folder: a free one, or one whose folder has gone.
MadeFolder* FreeSlot()
{
    for (MadeFolder& folder : g_folders) {
        struct stat info {};
        if (!folder.made.load(std::memory_order_acquire) || ::lstat(folder.path, &info) != 0) {
            folder.made.store(false, std::memory_order_release);
            return &folder;
        }
    }
    return nullptr;
}

// Removes the files of a folder and the folder, relative to its parent's descriptor.
void RemoveOrphan(int parent, const char* name)
{
    const int dir = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0) {
        return;
    }
    if (DIR* entries = ::fdopendir(dir)) {
        while (const dirent* entry = ::readdir(entries)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
                ::unlinkat(dir, entry->d_name, 0);
            }
        }
        ::closedir(entries);
    } else {
        ::close(dir);
    }
    ::unlinkat(parent, name, AT_REMOVEDIR);
}

} // namespace

StatusCode PrivateTempFolder(std::string* folder)
{
    if (!folder) {
        return E_POINTER;
    }
    const std::lock_guard<std::mutex> lock(g_mutex);
    const std::string parent = TempFolder();
    if (const char* recorded = ::secure_getenv(kPrivateTempVariable);
        recorded && IsOwnFolder(recorded, parent)) {
        *folder = std::string(recorded) + "/";
        return S_OK;
    }
    std::string path = parent + "tnf" + std::to_string(::getpid()) + ".XXXXXX";
    if (path.size() >= kMaxPathBytes) {
        return StatusFromError(ENAMETOOLONG);
    }
    MadeFolder* slot = FreeSlot();
    if (!slot) {
        return StatusFromError(EMFILE);
    }
    // mkdtemp makes the folder with mode 0700 under a name no other process can take.
    if (!::mkdtemp(path.data())) {
        return StatusFromErrno();
    }
    std::memcpy(slot->path, path.c_str(), path.size() + 1);
    slot->owner = ::getpid();
    slot->made.store(true, std::memory_order_release);
    InstallHandlersOnce();
    ::setenv(kPrivateTempVariable, path.c_str(), 1);
    *folder = path + "/";
    return S_OK;
}

std::size_t RemoveOrphanedTempFolders()
{
    const std::string parent = TempFolder();
    DIR* entries = ::opendir(parent.c_str());
    if (!entries) {
        return 0;
    }
    const int parentFd = ::dirfd(entries);
    std::size_t removed = 0;
    while (const dirent* entry = ::readdir(entries)) {
        pid_t pid = 0;
        struct stat info {};
        if (!ParseFolderName(entry->d_name, &pid) || pid == ::getpid() ||
            ::fstatat(parentFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) {
            continue;
        }
        // A process that still runs under that pid keeps its folder, even when the pid has
        // been reused by another program: the folder goes once that one has ended too.
        if (::kill(pid, 0) == 0 || errno != ESRCH) {
            continue;
        }
        RemoveOrphan(parentFd, entry->d_name);
        ++removed;
    }
    ::closedir(entries);
    return removed;
}

} // namespace platform

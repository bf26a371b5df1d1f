#include "platform/library.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool IsRegularFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string RealPath(const std::string& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

} // namespace

Library& Library::operator=(Library&& other) noexcept
{
    if (this != &other) {
        Reset();
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

void Library::Reset()
{
    if (void* handle = std::exchange(m_handle, nullptr)) {
        ::dlclose(handle);
    }
}

StatusCode Library::Symbol(const char* name, void** address) const
{
    if (!name || !address) {
        return E_POINTER;
    }
    if (!m_handle) {
        return E_UNEXPECTED;
    }
    void* found = ::dlsym(m_handle, name);
    if (!found) {
        return E_PROC_NOT_FOUND;
    }
    *address = found;
    return S_OK;
}

std::string ExecutableFolder()
{
    char path[PATH_MAX];
    const ssize_t size = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (size <= 0) {
        return {};
    }
    std::string folder(path, static_cast<std::size_t>(size));
    folder.erase(folder.rfind('/') + 1);
    return folder;
}

std::string ResolveLibraryPath(const std::string& name)
{
    if (name.empty()) {
        return {};
    }
    if (name.find('/') != std::string::npos) {
        return IsRegularFile(name) ? RealPath(name) : std::string();
    }
    const char* setting = secure_getenv("PALLION_LIBDIR");
    std::string folders = setting ? setting : "";
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos) {
            end = folders.size();
        }
        if (end > start) {
            const std::string candidate = folders.substr(start, end - start) + "/" + name;
            if (IsRegularFile(candidate)) {
                return RealPath(candidate);
            }
        }
        start = end + 1;
    }
    const std::string folder = ExecutableFolder();
    if (folder.empty()) {
        return {};
    }
    // Beside the program in a build, in lib/pallion beside its bin/ once installed.
    for (const std::string& candidate : {folder + name, folder + "../lib/pallion/" + name}) {
        if (IsRegularFile(candidate)) {
            return RealPath(candidate);
        }
    }
    return {};
}

StatusCode LoadLibraryFromPath(const std::string& path, Library* library)
{
    if (!library) {
        return E_POINTER;
    }
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        return E_MOD_NOT_FOUND;
    }
    *library = Library(handle);
    return S_OK;
}

StatusCode LoadLibraryByName(const std::string& name, Library* library)
{
    if (!library) {
        return E_POINTER;
    }
    if (name.empty()) {
        return E_MOD_NOT_FOUND;
    }
    // A candidate found in our folders is the answer, even when it does not load: falling
    // through to another copy would hide which one the program uses.
    const std::string path = ResolveLibraryPath(name);
    if (!path.empty() || name.find('/') != std::string::npos) {
        return path.empty() ? E_MOD_NOT_FOUND : LoadLibraryFromPath(path, library);
    }
    return LoadLibraryFromPath(name, library);
}

StatusCode ModulePathOf(const void* address, std::string* path)
{
    if (!path) {
        return E_POINTER;
    }
    Dl_info info {};
    if (!::dladdr(address, &info)) {
        return E_FAIL;
    }
    if (info.dli_fname && info.dli_fname[0] == '/') {
        *path = RealPath(info.dli_fname);
        return S_OK;
    }
    // The main program is reported by the name it was started with.
    char exe[PATH_MAX];
    const ssize_t size = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (size <= 0) {
        return StatusFromErrno();
    }
    *path = std::string(exe, static_cast<std::size_t>(size));
    return S_OK;
}

} // namespace platform

#include "platform/object_runtime.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/files.h"
#include "platform/library.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace platform {

namespace {

// A loaded server library with its two entry points.
struct Server {
    std::string path;
    Library library;
    DllGetClassObjectFunction* getClassObject = nullptr;
    DllCanUnloadNowFunction* canUnloadNow = nullptr;
};

// The process table of loaded servers. Re-entrant: a server may create objects of another
// class while we are inside its DllGetClassObject.
struct ServerTable {
    std::recursive_mutex lock;
    std::vector<std::unique_ptr<Server>> servers;
};

ServerTable& Servers()
{
    static ServerTable* table = new ServerTable; // outlives every static destructor
    return *table;
}

bool WritableByOthers(const struct stat& info)
{
    return (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

bool OwnedByUs(const struct stat& info)
{
    return info.st_uid == 0 || info.st_uid == ::geteuid();
}

StatusCode FindServer(const std::string& path, Server** server)
{
    auto& table = Servers();
    for (auto& entry : table.servers) {
        if (entry->path == path) {
            *server = entry.get();
            return S_OK;
        }
    }
    auto entry = std::make_unique<Server>();
    entry->path = path;
    StatusCode status = LoadLibraryFromPath(path, &entry->library);
    if (Succeeded(status)) {
        status = entry->library.Find(kDllGetClassObjectName, &entry->getClassObject);
    }
    if (Failed(status)) {
        return status;
    }
    (void)entry->library.Find(kDllCanUnloadNowName, &entry->canUnloadNow);
    *server = entry.get();
    table.servers.push_back(std::move(entry));
    return S_OK;
}

} // namespace

StatusCode CLSIDFromProgID(std::string_view progId, CLSID* clsid)
{
    if (!clsid) {
        return E_POINTER;
    }
    if (progId.empty() || progId.find('\\') != std::string_view::npos) {
        return CO_E_CLASSSTRING;
    }
    std::string text;
    if (Failed(RegistryReadText(RegistryRoot::ClassesRoot, std::string(progId) + "\\CLSID", "", &text))) {
        return CO_E_CLASSSTRING;
    }
    const auto parsed = ParseGuid(text);
    if (!parsed) {
        return CO_E_CLASSSTRING;
    }
    *clsid = *parsed;
    return S_OK;
}

StatusCode CLSIDFromProgID(const char16_t* progId, CLSID* clsid)
{
    if (!progId) {
        return E_POINTER;
    }
    return CLSIDFromProgID(Utf16ToUtf8(progId), clsid);
}

StatusCode RegisteredServerPath(const CLSID& clsid, std::string* path)
{
    if (!path) {
        return E_POINTER;
    }
    std::string text;
    const std::string key = "CLSID\\" + FormatGuid(clsid) + "\\InprocServer32";
    if (Failed(RegistryReadText(RegistryRoot::ClassesRoot, key, "", &text)) || text.empty()) {
        return REGDB_E_CLASSNOTREG;
    }
    *path = std::move(text);
    return S_OK;
}

bool IsTrustedServerPath(const std::string& path)
{
    if (path.empty() || path.front() != '/') {
        return false;
    }
    // Judge the file that will actually be loaded, not a link to it.
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) {
        return false;
    }
    const std::string file(resolved);
    const std::string folder = file.substr(0, std::max<std::size_t>(file.rfind('/'), 1));
    struct stat fileInfo {};
    struct stat folderInfo {};
    return ::lstat(file.c_str(), &fileInfo) == 0 && S_ISREG(fileInfo.st_mode) &&
           OwnedByUs(fileInfo) && !WritableByOthers(fileInfo) &&
           ::stat(folder.c_str(), &folderInfo) == 0 && !WritableByOthers(folderInfo);
}

StatusCode CoInitialize()
{
    const std::string folder = TempFolder();
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        return StatusFromErrno();
    }
    if (!S_ISDIR(info.st_mode)) {
        return StatusFromError(ENOTDIR);
    }
    return ::access(folder.c_str(), W_OK | X_OK) == 0 ? S_OK : StatusFromErrno();
}

StatusCode CoCreateInstance(const CLSID& clsid, IUnknown* outer, std::uint32_t /*clsctx*/,
                            const IID& iid, void** object)
{
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    std::string path;
    if (Failed(RegisteredServerPath(clsid, &path)) || !IsTrustedServerPath(path)) {
        return REGDB_E_CLASSNOTREG;
    }
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) {
        return REGDB_E_CLASSNOTREG;
    }

    std::lock_guard guard(Servers().lock);
    Server* server = nullptr;
    StatusCode status = FindServer(resolved, &server);
    if (Failed(status)) {
        return status;
    }
    ComPtr<IClassFactory> factory;
    status = server->getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.Put()));
    if (Failed(status)) {
        return status;
    }
    if (!factory) {
        return E_UNEXPECTED;
    }
    return factory->CreateInstance(outer, iid, object);
}

void CoFreeUnusedLibraries()
{
    auto& table = Servers();
    std::lock_guard guard(table.lock);
    std::erase_if(table.servers, [](const std::unique_ptr<Server>& server) {
        return server->canUnloadNow && server->canUnloadNow() == S_OK;
    });
}

} // namespace platform

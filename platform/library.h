// Shared libraries loaded at run time: an owner for a dlopen handle, lookup by name in the
// program's folders, and symbol lookup.
#pragma once

#include <string>
#include <utility>

#include "platform/status.h"

namespace platform {

// Owns one dlopen handle; closes it on destruction.
class Library {
public:
    Library() = default;
    explicit Library(void* handle) : m_handle(handle) {}
    Library(Library&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    Library& operator=(Library&& other) noexcept;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    ~Library() { Reset(); }

    bool Loaded() const { return m_handle != nullptr; }
    void* Handle() const { return m_handle; }
    void Reset();

    // The address of an exported symbol; a missing one gives E_PROC_NOT_FOUND.
    [[nodiscard]] StatusCode Symbol(const char* name, void** address) const;
    // Typed form: `Library::Find("MsgTNEF", &msgTnef)`.
    template <class Function>
    [[nodiscard]] StatusCode Find(const char* name, Function** function) const
    {
        void* address = nullptr;
        const StatusCode status = Symbol(name, &address);
        if (Succeeded(status)) {
            *function = reinterpret_cast<Function*>(address);
        }
        return status;
    }

private:
    void* m_handle = nullptr;
};

// Loads a library by file name ("libferrule.so"): from the folders of $PALLION_LIBDIR
// (colon separated, read at this call), then the folder of the running executable, then
// ../lib/pallion beside that folder (the installed layout), then dlopen's own search. A
// name with a '/' is loaded as that path only. Not found or not loadable: E_MOD_NOT_FOUND.
[[nodiscard]] StatusCode LoadLibraryByName(const std::string& name, Library* library);

// Loads exactly the file at `path`. Failure: E_MOD_NOT_FOUND.
[[nodiscard]] StatusCode LoadLibraryFromPath(const std::string& path, Library* library);

// The full path LoadLibraryByName would take for `name`: the first existing file among the
// candidates of $PALLION_LIBDIR, the executable's folder and ../lib/pallion beside it;
// empty when only dlopen's own search is left.
std::string ResolveLibraryPath(const std::string& name);

// The folder of the running executable, with a trailing '/'; empty when unknown.
std::string ExecutableFolder();

// The absolute path of the shared object (or executable) that contains `address`; a
// library passes the address of one of its own functions to learn its own file.
[[nodiscard]] StatusCode ModulePathOf(const void* address, std::string* path);

} // namespace platform

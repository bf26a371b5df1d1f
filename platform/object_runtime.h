// The object runtime: class identifiers by ProgID and creation of objects of in-process
// servers registered in the class root of the registration store.
//
//   HKEY_CLASSES_ROOT\<ProgID>\CLSID                     @ = "{class identifier}"
//   HKEY_CLASSES_ROOT\CLSID\{class identifier}\InprocServer32  @ = "/absolute/path/libx.so"
//
// A server library is loaded once and kept in a process table until CoFreeUnusedLibraries
// finds that it can be unloaded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/com.h"
#include "platform/guid.h"
#include "platform/status.h"

namespace platform {

// The entry points every in-process server exports by these names.
extern "C" {
using DllGetClassObjectFunction = StatusCode(const CLSID& clsid, const IID& iid, void** object);
using DllCanUnloadNowFunction = StatusCode();
using DllRegisterServerFunction = StatusCode();
using DllUnregisterServerFunction = StatusCode();
}
inline constexpr const char* kDllGetClassObjectName = "DllGetClassObject";
inline constexpr const char* kDllCanUnloadNowName = "DllCanUnloadNow";
inline constexpr const char* kDllRegisterServerName = "DllRegisterServer";
inline constexpr const char* kDllUnregisterServerName = "DllUnregisterServer";

// The runtime's start: every object it hands out for a document works on files in the
// temporary folder, so that folder must be a directory this process can write. Otherwise
// the platform's error for it.
[[nodiscard]] StatusCode CoInitialize();

// Reads the default value of "<progId>\CLSID" in the class root. No such key or value, or
// a value that is not a class identifier: CO_E_CLASSSTRING.
[[nodiscard]] StatusCode CLSIDFromProgID(std::string_view progId, CLSID* clsid);
[[nodiscard]] StatusCode CLSIDFromProgID(const char16_t* progId, CLSID* clsid);

// The InprocServer32 path registered for `clsid`. Missing: REGDB_E_CLASSNOTREG. The path
// is returned whether or not it is trusted.
[[nodiscard]] StatusCode RegisteredServerPath(const CLSID& clsid, std::string* path);

// The store is a file the user can edit, so a server path is trusted only when it is
// absolute and names a regular file owned by root or this user, and neither the file nor
// its folder is writable by group or others.
bool IsTrustedServerPath(const std::string& path);

// Creates an object of a registered class: loads its server (once), asks its
// DllGetClassObject for the class factory and the factory for the object. Unregistered or
// untrusted class: REGDB_E_CLASSNOTREG; server library not loadable: E_MOD_NOT_FOUND;
// server without DllGetClassObject: E_PROC_NOT_FOUND; otherwise the server's status.
// `clsctx` is accepted for the familiar signature; only in-process servers exist.
[[nodiscard]] StatusCode CoCreateInstance(const CLSID& clsid, IUnknown* outer,
                                          std::uint32_t clsctx, const IID& iid, void** object);

// Unloads every server library whose DllCanUnloadNow returns S_OK.
void CoFreeUnusedLibraries();

} // namespace platform

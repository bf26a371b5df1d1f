// The entry points of librillex.so, the in-process server of StreamOnFile. Clients reach
// them through the object runtime or by name with dlsym; their types are those of
// platform/object_runtime.h.
#pragma once

#include "platform/com.h"

#if defined(__GNUC__)
#define RILLEX_API __attribute__((visibility("default")))
#else
#define RILLEX_API
#endif

extern "C" {

// S_FALSE while objects, factories or server locks are alive, else S_OK.
RILLEX_API platform::StatusCode DllCanUnloadNow();
// The class factory, for the registered class identifier only.
RILLEX_API platform::StatusCode DllGetClassObject(const platform::CLSID& clsid,
                                                  const platform::IID& iid, void** object);
// Writes the server's entries to the registration store.
RILLEX_API platform::StatusCode DllRegisterServer();
// Leaves the entries in place and returns S_OK.
RILLEX_API platform::StatusCode DllUnregisterServer();
}

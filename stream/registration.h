// Registration of the server in the class root of the registration store, and the class
// object for the registered identifier.
#pragma once

#include <string>

#include "platform/guid.h"
#include "platform/status.h"

namespace rillex {

inline constexpr char kProgId[] = "corvane.rillex";
inline constexpr char kVersionedProgId[] = "corvane.rillex.1";
inline constexpr char kClassName[] = "rillex class";
inline constexpr char kClassIdKey[] = "corvane.rillex\\CLSID";

// Writes the nine entries for the server library at `libraryPath` in one transaction of
// the store, keeping the stored class identifier while it is valid and creating a new
// time-based one otherwise. *registered, when given, receives the identifier written.
// Returns S_OK, REGISTRY_S_STORE_RECOVERED (a damaged store was set aside; also a
// success), or the first failure.
[[nodiscard]] platform::StatusCode RegisterServer(const std::string& libraryPath,
                                                  platform::CLSID* registered = nullptr);

// The identifier stored under "corvane.rillex\CLSID". Missing: the store's status
// (E_FILE_NOT_FOUND); not text: E_UNEXPECTED; malformed: E_INVALID_DATA.
[[nodiscard]] platform::StatusCode ReadRegisteredClassId(platform::CLSID* classId);

// A class factory for the registered identifier, queried for `iid`. Another identifier:
// CLASS_E_CLASSNOTAVAILABLE.
[[nodiscard]] platform::StatusCode GetClassObject(const platform::CLSID& classId,
                                                  const platform::IID& iid, void** object);

} // namespace rillex

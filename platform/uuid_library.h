// UUID services of libuuid.so.1, loaded at run time rather than linked, so the programs
// start without it and report its absence as a status.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/com.h"
#include "platform/guid.h"
#include "platform/library.h"
#include "platform/status.h"

namespace platform {

// Owns the loaded library and its functions.
class UuidLibrary {
public:
    // Loads libuuid.so.1 and resolves its functions. Library missing: E_MOD_NOT_FOUND;
    // uuid_generate or uuid_unparse_upper missing: E_FAIL. uuid_generate_time_safe is
    // optional (HasTimeBased tells).
    [[nodiscard]] StatusCode Load();
    bool Loaded() const { return m_generate != nullptr; }
    bool HasTimeBased() const { return m_generateTimeSafe != nullptr; }

    // A time-based (version 1) UUID. S_OK, or RPC_S_UUID_LOCAL_ONLY when the library could
    // not make it safely unique (no uuidd): still a good version-1 UUID. Not offered:
    // E_PROC_NOT_FOUND.
    [[nodiscard]] StatusCode CreateTimeBased(GUID* guid) const;
    // A UUID of whatever kind the library makes by default.
    [[nodiscard]] StatusCode Create(GUID* guid) const;
    // 36 characters, upper case, no braces.
    [[nodiscard]] StatusCode Format(const GUID& guid, std::string* text) const;

private:
    Library m_library;
    int (*m_generateTimeSafe)(unsigned char*) = nullptr;
    void (*m_generate)(unsigned char*) = nullptr;
    void (*m_unparseUpper)(const unsigned char*, char*) = nullptr;
};

// Between the UUID byte order (all fields big-endian) and the GUID fields.
GUID GuidFromUuidBytes(const std::uint8_t* bytes);
std::array<std::uint8_t, 16> UuidBytesFromGuid(const GUID& guid);

// Variant bits 10 and version 1.
bool IsTimeBasedUuid(const GUID& guid);

// The 60-bit timestamp of a time-based UUID (100-ns intervals since 1582-10-15) as a file
// time (since 1601-01-01). A timestamp before 1601 gives 0.
FILETIME UuidTimeToFileTime(const GUID& guid);

} // namespace platform

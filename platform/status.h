// Status codes: signed 32-bit results in HRESULT numbering (0 success, negative failure).
#pragma once

#include <cstdint>

namespace platform {

using StatusCode = std::int32_t;

constexpr StatusCode MakeStatus(std::uint32_t bits) { return static_cast<StatusCode>(bits); }

inline constexpr StatusCode S_OK = 0;
inline constexpr StatusCode S_FALSE = 1;
// The UUID is unique only on this machine (no daemon to make it globally unique): a success.
inline constexpr StatusCode RPC_S_UUID_LOCAL_ONLY = 1824;

inline constexpr StatusCode E_NOTIMPL = MakeStatus(0x80004001);
inline constexpr StatusCode E_NOINTERFACE = MakeStatus(0x80004002);
inline constexpr StatusCode E_POINTER = MakeStatus(0x80004003);
inline constexpr StatusCode E_ABORT = MakeStatus(0x80004004);
inline constexpr StatusCode E_FAIL = MakeStatus(0x80004005);
inline constexpr StatusCode E_UNEXPECTED = MakeStatus(0x8000FFFF);
inline constexpr StatusCode STG_E_INVALIDPOINTER = MakeStatus(0x80030009);
inline constexpr StatusCode MAPI_E_NOT_FOUND = MakeStatus(0x8004010F);
inline constexpr StatusCode MAPI_E_CORRUPT_DATA = MakeStatus(0x8004011B);
inline constexpr StatusCode CLASS_E_NOAGGREGATION = MakeStatus(0x80040110);
inline constexpr StatusCode CLASS_E_CLASSNOTAVAILABLE = MakeStatus(0x80040111);
inline constexpr StatusCode REGDB_E_CLASSNOTREG = MakeStatus(0x80040154);
inline constexpr StatusCode CO_E_CLASSSTRING = MakeStatus(0x800401F3);
inline constexpr StatusCode E_FILE_NOT_FOUND = MakeStatus(0x80070002);
inline constexpr StatusCode E_ACCESSDENIED = MakeStatus(0x80070005);
inline constexpr StatusCode E_INVALID_DATA = MakeStatus(0x8007000D);
inline constexpr StatusCode E_OUTOFMEMORY = MakeStatus(0x8007000E);
inline constexpr StatusCode E_SHARING_VIOLATION = MakeStatus(0x80070020);
inline constexpr StatusCode E_INVALIDARG = MakeStatus(0x80070057);
inline constexpr StatusCode E_MOD_NOT_FOUND = MakeStatus(0x8007007E);
inline constexpr StatusCode E_PROC_NOT_FOUND = MakeStatus(0x8007007F);
// The person cancelled a long operation (ERROR_CANCELLED): no error to report.
inline constexpr StatusCode E_CANCELLED = MakeStatus(0x800704C7);

constexpr bool Succeeded(StatusCode status) { return status >= 0; }
constexpr bool Failed(StatusCode status) { return status < 0; }

// A platform error number e > 0 becomes 0x80070000 | (e & 0xFFFF); 0 and negative
// values pass through unchanged.
constexpr StatusCode StatusFromError(int error)
{
    if (error <= 0) {
        return error;
    }
    return MakeStatus(0x80070000u | (static_cast<std::uint32_t>(error) & 0xFFFFu));
}

// StatusFromError(errno), with E_FAIL when errno holds no error.
StatusCode StatusFromErrno();

} // namespace platform

#include "platform/uuid_library.h"

namespace platform {

StatusCode UuidLibrary::Load()
{
    Library library;
    const StatusCode status = LoadLibraryByName("libuuid.so.1", &library);
    if (Failed(status)) {
        return status;
    }
    decltype(m_generate) generate = nullptr;
    decltype(m_unparseUpper) unparseUpper = nullptr;
    if (Failed(library.Find("uuid_generate", &generate)) ||
        Failed(library.Find("uuid_unparse_upper", &unparseUpper))) {
        return E_FAIL;
    }
    decltype(m_generateTimeSafe) generateTimeSafe = nullptr;
    (void)library.Find("uuid_generate_time_safe", &generateTimeSafe);
    m_library = std::move(library);
    m_generate = generate;
    m_unparseUpper = unparseUpper;
    m_generateTimeSafe = generateTimeSafe;
    return S_OK;
}

StatusCode UuidLibrary::CreateTimeBased(GUID* guid) const
{
    if (!guid) {
        return E_POINTER;
    }
    if (!m_generateTimeSafe) {
        return Loaded() ? E_PROC_NOT_FOUND : E_UNEXPECTED;
    }
    unsigned char raw[16] = {};
    // -1 means no uuidd vouched for uniqueness across processes: the UUID is still a good
    // version-1 UUID, unique on this machine.
    const int safe = m_generateTimeSafe(raw);
    *guid = GuidFromUuidBytes(raw);
    return safe == 0 ? S_OK : RPC_S_UUID_LOCAL_ONLY;
}

StatusCode UuidLibrary::Create(GUID* guid) const
{
    if (!guid) {
        return E_POINTER;
    }
    if (!m_generate) {
        return E_UNEXPECTED;
    }
    unsigned char raw[16] = {};
    m_generate(raw);
    *guid = GuidFromUuidBytes(raw);
    return S_OK;
}

StatusCode UuidLibrary::Format(const GUID& guid, std::string* text) const
{
    if (!text) {
        return E_POINTER;
    }
    if (!m_unparseUpper) {
        return E_UNEXPECTED;
    }
    const auto raw = UuidBytesFromGuid(guid);
    char buffer[37] = {};
    m_unparseUpper(raw.data(), buffer);
    *text = buffer;
    return S_OK;
}

GUID GuidFromUuidBytes(const std::uint8_t* bytes)
{
    GUID guid {};
    guid.Data1 = static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
                 static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
    guid.Data2 = static_cast<std::uint16_t>(bytes[4] << 8 | bytes[5]);
    guid.Data3 = static_cast<std::uint16_t>(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i) {
        guid.Data4[i] = bytes[8 + i];
    }
    return guid;
}

std::array<std::uint8_t, 16> UuidBytesFromGuid(const GUID& guid)
{
    std::array<std::uint8_t, 16> bytes {};
    bytes[0] = static_cast<std::uint8_t>(guid.Data1 >> 24);
    bytes[1] = static_cast<std::uint8_t>(guid.Data1 >> 16);
    bytes[2] = static_cast<std::uint8_t>(guid.Data1 >> 8);
    bytes[3] = static_cast<std::uint8_t>(guid.Data1);
    bytes[4] = static_cast<std::uint8_t>(guid.Data2 >> 8);
    bytes[5] = static_cast<std::uint8_t>(guid.Data2);
    bytes[6] = static_cast<std::uint8_t>(guid.Data3 >> 8);
    bytes[7] = static_cast<std::uint8_t>(guid.Data3);
    for (int i = 0; i < 8; ++i) {
        bytes[8 + i] = guid.Data4[i];
    }
    return bytes;
}

bool IsTimeBasedUuid(const GUID& guid)
{
    return (guid.Data3 >> 12) == 1 && (guid.Data4[0] & 0xC0) == 0x80;
}

FILETIME UuidTimeToFileTime(const GUID& guid)
{
    // 100-ns intervals from 1582-10-15 (the Gregorian reform) to 1601-01-01.
    constexpr std::uint64_t kGregorianToFileTime = 0x146BF33E42C000;
    const std::uint64_t timestamp = static_cast<std::uint64_t>(guid.Data3 & 0x0FFF) << 48 |
                                    static_cast<std::uint64_t>(guid.Data2) << 32 | guid.Data1;
    return timestamp >= kGregorianToFileTime ? timestamp - kGregorianToFileTime : 0;
}

} // namespace platform

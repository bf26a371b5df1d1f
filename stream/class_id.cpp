#include "stream/class_id.h"

#include "platform/uuid_library.h"

namespace rillex {

using namespace platform;

namespace {

// One day in 100-ns intervals.
constexpr std::uint64_t kOneDay = 864000000000;

} // namespace

StatusCode ParseClassId(std::string_view text, CLSID* classId)
{
    const auto parsed = ParseGuid(text);
    if (!parsed) {
        return E_INVALID_DATA;
    }
    *classId = *parsed;
    return S_OK;
}

bool IsReusableClassId(const GUID& uuid, std::uint64_t now)
{
    return IsTimeBasedUuid(uuid) && UuidTimeToFileTime(uuid) < now + kOneDay;
}

} // namespace rillex

#include "viewer/items/item_fields_p.h"

#include "format/mapi.h"
#include "platform/files.h"
#include "viewer/items/global_object_id.h"

namespace viewer::items {

using namespace ::format;

namespace {

// A search key is a short binary; a longer one is no key.
constexpr std::size_t kMaxSearchKeySize = 256;

void Hash(std::uint64_t& state, std::string_view bytes)
{
    // FNV-1a, 64 bits.
    for (const char c : bytes) {
        state ^= static_cast<std::uint8_t>(c);
        state *= 0x100000001B3ull;
    }
    state ^= 0xFF;
    state *= 0x100000001B3ull;
}

} // namespace

std::string FallbackUid(const Message& message)
{
    const PropertyReader props(message.properties, message.codePage);
    if (auto key = props.Binary(PR_SEARCH_KEY);
        key && !key->empty() && key->size() <= kMaxSearchKeySize) {
        return UpperHex(*key);
    }
    std::uint64_t state = 0xCBF29CE484222325ull;
    Hash(state, props.Text(PR_MESSAGE_CLASS).value_or(message.attMessageClass.value_or("")));
    Hash(state, props.Text(PR_SUBJECT).value_or(""));
    for (const auto time :
         {props.Time(PidLidAppointmentStartWhole), props.Time(PidLidAppointmentEndWhole),
          props.Time(PidLidTaskDueDate), props.Time(PR_CREATION_TIME), message.attDateStart}) {
        Hash(state, std::to_string(time.value_or(0)));
    }
    std::uint8_t bytes[8];
    for (int i = 0; i < 8; ++i) {
        bytes[i] = static_cast<std::uint8_t>(state >> (56 - 8 * i));
    }
    return UpperHex(bytes);
}

std::optional<std::string> BodyTextOf(const Message& message)
{
    const PropertyReader props(message.properties, message.codePage);
    std::optional<std::string> body = props.Text(PR_BODY);
    if (!body) {
        body = message.bodyText;
    }
    if (!body) {
        return std::nullopt;
    }
    const std::size_t end = body->find_last_not_of(" \t\r\n");
    if (end == std::string::npos) {
        return std::nullopt;
    }
    body->resize(end + 1);
    return body;
}

Seconds StampOf(std::initializer_list<std::optional<FileTime>> times, FileTime now)
{
    for (const auto& time : times) {
        if (time) {
            if (const auto seconds = SecondsOfFileTime(*time)) {
                return *seconds;
            }
        }
    }
    const auto clock = SecondsOfFileTime(now != 0 ? now : platform::FileTimeNow());
    return clock.value_or(0);
}

} // namespace viewer::items

// The blobs of an appointment: any bytes as a recurrence pattern, a time zone (both forms)
// and a meeting identity, each parse checked for what the writers rely on; then the same
// bytes as the recurrence, and as the zone, of a meeting request exported whole, whose
// output must stay well-formed content lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "format/mapi.h"
#include "viewer/items/calendar_time.h"
#include "viewer/items/content_lines.h"
#include "viewer/items/global_object_id.h"
#include "viewer/items/item_export.h"
#include "viewer/items/recurrence.h"
#include "viewer/items/time_zone.h"

namespace {

using namespace viewer::items;
using namespace ::format;

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

// Every line CRLF-ended, at most 75 octets, without a bare CR or LF.
void CheckContentLines(const std::string& text)
{
    Check(text.size() >= 2 && text.ends_with("\r\n"));
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = text.find("\r\n", begin);
        Check(end != std::string::npos && end - begin <= 75);
        const std::string_view line(text.data() + begin, end - begin);
        Check(line.find_first_of("\r\n") == std::string_view::npos);
        begin = end + 2;
    }
}

void CheckZone(const TimeZone& zone)
{
    Check(!zone.rules.empty() && zone.rules.size() <= 1024);
    const std::string id = ZoneId(zone);
    Check(!id.empty() && id.find_first_of("\";:,\\^\r\n") == std::string::npos);
    for (const Seconds t : {SecondsOfCivil({1601, 1, 2}), SecondsOfCivil({2024, 3, 10, 7}),
                            SecondsOfCivil({9999, 12, 30})}) {
        const Seconds local = zone.ToLocal(t);
        Check(local - t < kSecondsPerDay && t - local < kSecondsPerDay);
        const Seconds back = zone.ToUtc(local);
        Check(back - t < kSecondsPerDay && t - back < kSecondsPerDay);
    }
    ContentLines out;
    WriteTimeZone(out, zone);
    CheckContentLines(out.Output());
}

// US Eastern time as PidLidTimeZoneStruct: bias 300, daylight bias -60, back to standard
// on the first Sunday of November and to daylight time on the second Sunday of March.
const std::string kEastern{"\x2C\x01\x00\x00\x00\x00\x00\x00\xC4\xFF\xFF\xFF\x00\x00"
                           "\x00\x00\x0B\x00\x00\x00\x01\x00\x02\x00\x00\x00\x00\x00\x00\x00"
                           "\x00\x00"
                           "\x00\x00\x03\x00\x00\x00\x02\x00\x02\x00\x00\x00\x00\x00\x00\x00",
                           48};

Message Meeting()
{
    Message m;
    m.properties.Set(PR_MESSAGE_CLASS, Value::String8("IPM.Schedule.Meeting.Request"));
    m.properties.Set(PR_SUBJECT, Value::String8("Fuzz"));
    m.properties.Set(PidLidAppointmentStartWhole, Value::Time(133490556000000000ull));
    m.properties.Set(PidLidAppointmentEndWhole, Value::Time(133490592000000000ull));
    return m;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    const std::string blob(reinterpret_cast<const char*>(data), size);

    if (const auto r = ParseRecurrence(bytes, 1252)) {
        Check(r->deletedDates.size() <= kMaxInstanceDates);
        Check(r->modifiedDates.size() <= kMaxInstanceDates);
        Check(!r->hasTimes || r->startTimeOffset < 1440);
        if (const auto rule = RecurrenceRule(*r, 1)) {
            Check(rule->starts_with("FREQ=") && rule->find_first_of(":\r\n") == std::string::npos);
        }
    }
    if (const auto zone = ParseTimeZoneStruct(bytes)) {
        CheckZone(*zone);
    }
    if (const auto zone = ParseTimeZoneDefinition(bytes)) {
        CheckZone(*zone);
    }
    if (const auto uid = UidOfGlobalObjectId(bytes)) {
        Check(!uid->series.empty() && uid->exact.size() == 2 * size);
    }

    Message recurring = Meeting();
    recurring.properties.Set(PidLidAppointmentRecur, Value::Binary(blob));
    recurring.properties.Set(PidLidTimeZoneStruct, Value::Binary(kEastern));
    recurring.properties.Set(PidLidGlobalObjectId, Value::Binary(blob));
    const auto event = ExportItem(recurring);
    Check(event && event->ends_with("END:VCALENDAR\r\n"));
    CheckContentLines(*event);

    Message zoned = Meeting();
    zoned.properties.Set(PidLidAppointmentTimeZoneDefinitionStartDisplay, Value::Binary(blob));
    zoned.properties.Set(PidLidAppointmentSubType, Value::Bool(size % 2 == 1));
    const auto single = ExportItem(zoned);
    Check(single.has_value());
    CheckContentLines(*single);
    return 0;
}

// Windows time-zone rules out of an appointment's blobs, local and UTC times by them, and the
// VTIMEZONE that says the same to a calendar.
//
// PidLidTimeZoneStruct ([MS-OXOCAL] 2.2.1.39) holds one rule; a TZDEFINITION
// (PidLidAppointmentTimeZoneDefinitionStartDisplay and ...Recur, [MS-OXOCAL] 2.2.1.41) holds a
// key name and a rule per year of change. In each rule, UTC = local time + bias + the standard
// or the daylight bias (minutes), and the changes fall on a SYSTEMTIME: with wYear 0, the
// wDay-th (5: the last) wDayOfWeek of wMonth, at wHour:wMinute of the local time then in force.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "viewer/items/calendar_time.h"

namespace viewer::items {

class ContentLines;

struct ZoneChange {
    std::uint16_t year = 0;  // 0: every year
    std::uint16_t month = 0; // 0: no change
    std::uint16_t dayOfWeek = 0;
    std::uint16_t day = 0; // week of the month (1-5) when year is 0, else day of the month
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
};

struct ZoneRule {
    int fromYear = 0; // the first year the rule holds; 0 for the rule before all others
    std::int32_t bias = 0;
    std::int32_t standardBias = 0;
    std::int32_t daylightBias = 0;
    ZoneChange toStandard;
    ZoneChange toDaylight;

    [[nodiscard]] bool HasDaylight() const
    {
        return toStandard.month != 0 && toDaylight.month != 0;
    }
    // Minutes to add to UTC for local time.
    [[nodiscard]] std::int32_t StandardOffset() const { return -(bias + standardBias); }
    [[nodiscard]] std::int32_t DaylightOffset() const { return -(bias + daylightBias); }
};

class TimeZone {
  public:
    std::string name;
    std::vector<ZoneRule> rules; // by fromYear, never empty

    [[nodiscard]] Seconds ToUtc(Seconds local) const;
    [[nodiscard]] Seconds ToLocal(Seconds utc) const;

  private:
    const ZoneRule& RuleFor(int year) const;
};

// The blobs; nothing for a blob that is short, out of range or names no rule.
[[nodiscard]] std::optional<TimeZone> ParseTimeZoneStruct(std::span<const std::uint8_t> blob);
[[nodiscard]] std::optional<TimeZone> ParseTimeZoneDefinition(std::span<const std::uint8_t> blob);

// The zone's TZID: its name with the characters that would need escaping in a property or
// quoting in a parameter replaced by '-', so that both spell it alike ("Custom" when unnamed).
[[nodiscard]] std::string ZoneId(const TimeZone& zone);

// The zone as a VTIMEZONE component.
void WriteTimeZone(ContentLines& out, const TimeZone& zone);

} // namespace viewer::items

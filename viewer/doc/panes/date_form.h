// What the date pane shows for a 14-byte TNEF date record: the time value its calendar and
// time field are set to, that value in local time, and the ISO 8601 line under them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace viewer::doc::panes {

// Seven 16-bit little-endian fields: year, month, day, hour, minute, second, day of week.
inline constexpr std::size_t kDateRecordBytes = 14;

struct DateRecord {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t dayOfWeek = 0; // as stored; the date itself decides the weekday shown
};

// False when fewer than kDateRecordBytes bytes are given.
[[nodiscard]] bool ReadDateRecord(std::span<const std::uint8_t> data, DateRecord& record);

// The form's time value, in seconds since 1970-01-01 UTC: 0 for a year below 1900, else the
// local time the record names, daylight saving as the time zone decides. Empty when the record
// names no such time: a field out of range, a day the month does not have, or a year past 9999
// (the last ISO 8601 writes with four digits).
std::optional<std::int64_t> FormTimeValue(const DateRecord& record);

struct LocalDateTime {
    int year = 0;
    int month = 0; // 1 to 12
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    long utcOffsetSeconds = 0;
    bool operator==(const LocalDateTime&) const = default;
};

// A time value in the local time zone; empty when the zone's rules cannot place it.
std::optional<LocalDateTime> ToLocal(std::int64_t timeValue);

// "2038-01-19T03:14:07+00:00": the date, the time and the zone's offset from UTC.
std::string IsoDateTime(const LocalDateTime& time);

// The whole reading of an element's data; empty when the form stays empty.
std::optional<LocalDateTime> DateFormContent(std::span<const std::uint8_t> data);

} // namespace viewer::doc::panes

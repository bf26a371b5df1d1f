// Calendar arithmetic for the exporters: FILETIMEs and the minute counts of recurrence blobs
// as seconds since 1601-01-01 00:00, civil dates of the proleptic Gregorian calendar, and the
// DATE and DATE-TIME forms of iCalendar and vCard.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "viewer/items/message.h"

namespace viewer::items {

// Seconds since 1601-01-01 00:00, in UTC or in some local time as the caller says.
using Seconds = std::int64_t;

struct CivilTime {
    int year = 1601;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

inline constexpr Seconds kSecondsPerDay = 86400;

// The FILETIME in seconds, or nothing outside 1601-01-02 to 9999-12-30: the margin of a day
// keeps every time zone's local time within four-digit years.
[[nodiscard]] std::optional<Seconds> SecondsOfFileTime(FileTime time);
// Minutes since 1601 (recurrence blobs) in seconds, with the same bounds.
[[nodiscard]] std::optional<Seconds> SecondsOfMinutes(std::int64_t minutes);

[[nodiscard]] Seconds SecondsOfCivil(const CivilTime& time);
[[nodiscard]] CivilTime CivilOfSeconds(Seconds seconds);
[[nodiscard]] int DaysInMonth(int year, int month);
// 0 Sunday to 6 Saturday.
[[nodiscard]] int DayOfWeek(int year, int month, int day);
// The midnight nearest to a time: the date of a day stored as its local midnight in UTC
// when the zone is not known (right for zones less than twelve hours from UTC).
[[nodiscard]] Seconds NearestMidnight(Seconds seconds);
[[nodiscard]] Seconds MidnightOf(Seconds seconds);

// "YYYYMMDD", "YYYYMMDDTHHMMSS" and "YYYYMMDDTHHMMSSZ".
[[nodiscard]] std::string FormatDate(Seconds seconds);
[[nodiscard]] std::string FormatLocalDateTime(Seconds seconds);
[[nodiscard]] std::string FormatUtcDateTime(Seconds seconds);

} // namespace viewer::items

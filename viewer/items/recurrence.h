// The recurrence of an appointment (PidLidAppointmentRecur, [MS-OXOCAL] 2.2.1.44): the
// RecurrencePattern with the AppointmentRecurrencePattern's times and exceptions, and the
// RRULE that says the same in iCalendar (RFC 5545 3.3.10).
//
// RecurrencePattern: ReaderVersion 0x3004, WriterVersion 0x3004, RecurFrequency,
// PatternType, CalendarType, FirstDateTime, Period, SlidingFlag, the pattern's own fields
// (a day-of-week mask, a day of the month, or a mask and the week N), EndType,
// OccurrenceCount, FirstDOW, DeletedInstanceCount and dates, ModifiedInstanceCount and dates,
// StartDate, EndDate. Then ReaderVersion2, WriterVersion2, StartTimeOffset, EndTimeOffset,
// ExceptionCount and the ExceptionInfo records, a reserved block, and (WriterVersion2
// 0x3009 and later) an ExtendedException per exception with Unicode subject and location.
// Dates are minutes since 1601 in the appointment's local time; a deleted or modified
// instance is named by its local midnight.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace viewer::items {

inline constexpr std::uint16_t kRecurDaily = 0x200A;
inline constexpr std::uint16_t kRecurWeekly = 0x200B;
inline constexpr std::uint16_t kRecurMonthly = 0x200C;
inline constexpr std::uint16_t kRecurYearly = 0x200D;

inline constexpr std::uint16_t kPatternDay = 0x0000;
inline constexpr std::uint16_t kPatternWeek = 0x0001;
inline constexpr std::uint16_t kPatternMonth = 0x0002;
inline constexpr std::uint16_t kPatternMonthNth = 0x0003;
inline constexpr std::uint16_t kPatternMonthEnd = 0x0004;

inline constexpr std::uint32_t kEndAfterDate = 0x2021;
inline constexpr std::uint32_t kEndAfterCount = 0x2022;
inline constexpr std::uint32_t kEndNever = 0x2023;

// ExceptionInfo OverrideFlags.
inline constexpr std::uint16_t ARO_SUBJECT = 0x0001;
inline constexpr std::uint16_t ARO_MEETINGTYPE = 0x0002;
inline constexpr std::uint16_t ARO_REMINDERDELTA = 0x0004;
inline constexpr std::uint16_t ARO_REMINDER = 0x0008;
inline constexpr std::uint16_t ARO_LOCATION = 0x0010;
inline constexpr std::uint16_t ARO_BUSYSTATUS = 0x0020;
inline constexpr std::uint16_t ARO_ATTACHMENT = 0x0040;
inline constexpr std::uint16_t ARO_SUBTYPE = 0x0080;
inline constexpr std::uint16_t ARO_APPTCOLOR = 0x0100;

// More deleted or modified instances than this make the blob damaged.
inline constexpr std::uint32_t kMaxInstanceDates = 16384;

// One changed occurrence.
struct RecurrenceException {
    std::uint32_t start = 0; // local minutes
    std::uint32_t end = 0;
    std::uint32_t originalStart = 0;
    std::uint16_t overrideFlags = 0;
    std::optional<std::string> subject; // UTF-8
    std::optional<std::string> location;
    std::optional<bool> allDay;
};

struct Recurrence {
    std::uint16_t frequency = 0;
    std::uint16_t patternType = 0;
    std::uint16_t calendarType = 0;
    std::uint32_t period = 0;
    std::uint32_t dayOfWeekMask = 0; // bit 0 Sunday .. bit 6 Saturday
    std::uint32_t dayOfMonth = 0;
    std::uint32_t week = 0; // 1-4, 5 the last
    std::uint32_t endType = kEndNever;
    std::uint32_t occurrenceCount = 0;
    std::uint32_t firstDayOfWeek = 0;
    std::vector<std::uint32_t> deletedDates;
    std::vector<std::uint32_t> modifiedDates;
    std::uint32_t startDate = 0;
    std::uint32_t endDate = 0;

    // From the AppointmentRecurrencePattern; absent in a bare RecurrencePattern.
    bool hasTimes = false;
    std::uint32_t startTimeOffset = 0;
    std::uint32_t endTimeOffset = 0;
    // Empty when the records are missing or cannot be read.
    std::vector<RecurrenceException> exceptions;
    bool exceptionsRead = false;
};

// The blob, or nothing when it is damaged or describes no pattern we know. The 8-bit
// subjects and locations of exceptions are decoded with `codePage` unless the blob also
// carries their Unicode forms.
[[nodiscard]] std::optional<Recurrence> ParseRecurrence(std::span<const std::uint8_t> blob,
                                                        std::uint32_t codePage);

// The RRULE value without its end, or nothing for a pattern iCalendar cannot say (a
// non-Gregorian calendar). `startMonth` is the month of the first occurrence, which yearly
// rules repeat. The caller appends ";COUNT=n" or ";UNTIL=..." as EndType says.
[[nodiscard]] std::optional<std::string> RecurrenceRule(const Recurrence& recurrence,
                                                        int startMonth);

} // namespace viewer::items

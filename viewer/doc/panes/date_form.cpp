#include "viewer/doc/panes/date_form.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "format/little_endian.h"

static_assert(sizeof(std::time_t) == 8, "dates after 2038 need a 64-bit time value");

namespace viewer::doc::panes {

namespace {

constexpr int kFirstYear = 1900;
constexpr int kLastYear = 9999;

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

} // namespace

bool ReadDateRecord(std::span<const std::uint8_t> data, DateRecord& record)
{
    if (data.size() < kDateRecordBytes) {
        return false;
    }
    const std::uint8_t* p = data.data();
    record = {format::LoadLe16(p),     format::LoadLe16(p + 2), format::LoadLe16(p + 4),
              format::LoadLe16(p + 6), format::LoadLe16(p + 8), format::LoadLe16(p + 10),
              format::LoadLe16(p + 12)};
    return true;
}

std::optional<std::int64_t> FormTimeValue(const DateRecord& record)
{
    if (record.year < kFirstYear) {
        return 0;
    }
    // mktime would roll 31 April over into May and hour 24 into the next day: a record
    // naming no real time is not shown as another one.
    if (record.year > kLastYear || record.month < 1 || record.month > 12 || record.day < 1 ||
        record.day > DaysInMonth(record.year, record.month) || record.hour > 23 ||
        record.minute > 59 || record.second > 59) {
        return std::nullopt;
    }
    std::tm local{};
    local.tm_year = record.year - 1900;
    local.tm_mon = record.month - 1;
    local.tm_mday = record.day;
    local.tm_hour = record.hour;
    local.tm_min = record.minute;
    local.tm_sec = record.second;
    local.tm_isdst = -1;
    const std::tm asked = local;
    const std::time_t value = std::mktime(&local);
    if (value == std::time_t(-1)) {
        // Failure, or the last second of 1969 in UTC: only the latter reads back as asked.
        std::tm back{};
        if (!localtime_r(&value, &back) || back.tm_year != asked.tm_year ||
            back.tm_mon != asked.tm_mon || back.tm_mday != asked.tm_mday ||
            back.tm_hour != asked.tm_hour || back.tm_min != asked.tm_min ||
            back.tm_sec != asked.tm_sec) {
            return std::nullopt;
        }
    }
    return static_cast<std::int64_t>(value);
}

std::optional<LocalDateTime> ToLocal(std::int64_t timeValue)
{
    const std::time_t value = static_cast<std::time_t>(timeValue);
    std::tm local{};
    if (!localtime_r(&value, &local)) {
        return std::nullopt;
    }
    return LocalDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,  local.tm_hour,
                         local.tm_min,         local.tm_sec,     local.tm_gmtoff};
}

std::string IsoDateTime(const LocalDateTime& time)
{
    const long offset = std::labs(time.utcOffsetSeconds);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld", time.year,
                  time.month, time.day, time.hour, time.minute, time.second,
                  time.utcOffsetSeconds < 0 ? '-' : '+', offset / 3600, offset / 60 % 60);
    return text;
}

std::optional<LocalDateTime> DateFormContent(std::span<const std::uint8_t> data)
{
    DateRecord record;
    if (!ReadDateRecord(data, record)) {
        return std::nullopt;
    }
    const std::optional<std::int64_t> value = FormTimeValue(record);
    return value ? ToLocal(*value) : std::nullopt;
}

} // namespace viewer::doc::panes

#include "viewer/items/calendar_time.h"

#include <chrono>

#include "platform/format.h"

namespace viewer::items {

namespace {

using std::chrono::day;
using std::chrono::month;
using std::chrono::sys_days;
using std::chrono::year;
using std::chrono::year_month_day;

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr sys_days kEpoch1601 = sys_days(year(1601) / 1 / 1);

constexpr Seconds DaysSince1601(year_month_day date)
{
    return (sys_days(date) - kEpoch1601).count();
}

constexpr Seconds kFirstSecond = kSecondsPerDay;
constexpr Seconds kLastSecond = DaysSince1601(year(9999) / 12 / 31) * kSecondsPerDay - 1;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

} // namespace

std::optional<Seconds> SecondsOfFileTime(FileTime time)
{
    const auto seconds = static_cast<Seconds>(time / kTicksPerSecond);
    if (seconds < kFirstSecond || seconds > kLastSecond) {
        return std::nullopt;
    }
    return seconds;
}

std::optional<Seconds> SecondsOfMinutes(std::int64_t minutes)
{
    if (minutes < kFirstSecond / 60 || minutes > kLastSecond / 60) {
        return std::nullopt;
    }
    return minutes * 60;
}

Seconds SecondsOfCivil(const CivilTime& time)
{
    const year_month_day date{year(time.year), month(static_cast<unsigned>(time.month)),
                              day(static_cast<unsigned>(time.day))};
    return DaysSince1601(date) * kSecondsPerDay + time.hour * 3600 + time.minute * 60 + time.second;
}

CivilTime CivilOfSeconds(Seconds seconds)
{
    const std::int64_t days = FloorDiv(seconds, kSecondsPerDay);
    const std::int64_t rest = seconds - days * kSecondsPerDay;
    const year_month_day date{kEpoch1601 + std::chrono::days(days)};
    CivilTime time;
    time.year = static_cast<int>(date.year());
    time.month = static_cast<int>(static_cast<unsigned>(date.month()));
    time.day = static_cast<int>(static_cast<unsigned>(date.day()));
    time.hour = static_cast<int>(rest / 3600);
    time.minute = static_cast<int>(rest / 60 % 60);
    time.second = static_cast<int>(rest % 60);
    return time;
}

int DaysInMonth(int y, int m)
{
    const auto last = year_month_day{year(y) / month(static_cast<unsigned>(m)) / std::chrono::last};
    return static_cast<int>(static_cast<unsigned>(last.day()));
}

int DayOfWeek(int y, int m, int d)
{
    const std::chrono::weekday weekday{
        sys_days(year(y) / month(static_cast<unsigned>(m)) / day(static_cast<unsigned>(d)))};
    return static_cast<int>(weekday.c_encoding());
}

Seconds NearestMidnight(Seconds seconds)
{
    return MidnightOf(seconds + kSecondsPerDay / 2);
}

Seconds MidnightOf(Seconds seconds)
{
    return FloorDiv(seconds, kSecondsPerDay) * kSecondsPerDay;
}

std::string FormatDate(Seconds seconds)
{
    const CivilTime t = CivilOfSeconds(seconds);
    return platform::Format("%04d%02d%02d", t.year, t.month, t.day);
}

std::string FormatLocalDateTime(Seconds seconds)
{
    const CivilTime t = CivilOfSeconds(seconds);
    return platform::Format("%04d%02d%02dT%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute,
                            t.second);
}

std::string FormatUtcDateTime(Seconds seconds)
{
    return FormatLocalDateTime(seconds) + "Z";
}

} // namespace viewer::items

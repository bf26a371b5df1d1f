#include "viewer/items/time_zone.h"

#include <algorithm>
#include <cstdlib>

#include "format/little_endian.h"
#include "platform/format.h"
#include "platform/text.h"
#include "viewer/items/content_lines.h"

namespace viewer::items {

namespace {

// PidLidTimeZoneStruct: lBias, lStandardBias, lDaylightBias, wStandardYear, stStandardDate,
// wDaylightYear, stDaylightDate.
constexpr std::size_t kStructSize = 48;
constexpr std::size_t kStructStandardDate = 14;
constexpr std::size_t kStructDaylightDate = 32;

// TZDEFINITION: bMajorVersion 2, bMinorVersion 1, cbHeader, wReserved, cchKeyName, KeyName,
// cRules, then cRules TZRULEs of 66 bytes: versions, wReserved, wTZRuleFlags, wYear, 14
// unused bytes, lBias, lStandardBias, lDaylightBias, stStandardDate, stDaylightDate.
constexpr std::size_t kDefinitionFixed = 6;
constexpr std::size_t kRuleSize = 66;
constexpr std::size_t kRuleYear = 6;
constexpr std::size_t kRuleBias = 22;
constexpr std::size_t kRuleStandardDate = 34;
constexpr std::size_t kRuleDaylightDate = 50;
// [MS-OXOCAL] allows at most 1024 rules.
constexpr std::size_t kMaxRules = 1024;
// Local time stays within a day of UTC, which the calendar arithmetic's margin allows for.
constexpr std::int32_t kMaxOffsetMinutes = 24 * 60 - 1;

std::int32_t LoadSigned32(const std::uint8_t* bytes)
{
    return static_cast<std::int32_t>(format::LoadLe32(bytes));
}

// A SYSTEMTIME: wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds.
std::optional<ZoneChange> ReadChange(const std::uint8_t* bytes)
{
    ZoneChange c;
    c.year = format::LoadLe16(bytes);
    c.month = format::LoadLe16(bytes + 2);
    c.dayOfWeek = format::LoadLe16(bytes + 4);
    c.day = format::LoadLe16(bytes + 6);
    c.hour = format::LoadLe16(bytes + 8);
    c.minute = format::LoadLe16(bytes + 10);
    c.second = format::LoadLe16(bytes + 12);
    if (c.month == 0) {
        return ZoneChange{};
    }
    const int maxDay = c.year == 0 ? 5 : 31;
    if (c.month > 12 || c.dayOfWeek > 6 || c.day < 1 || c.day > maxDay || c.hour > 23 ||
        c.minute > 59 || c.second > 59) {
        return std::nullopt;
    }
    return c;
}

std::optional<ZoneRule> ReadRule(const std::uint8_t* biases, const std::uint8_t* standardDate,
                                 const std::uint8_t* daylightDate)
{
    ZoneRule rule;
    rule.bias = LoadSigned32(biases);
    rule.standardBias = LoadSigned32(biases + 4);
    rule.daylightBias = LoadSigned32(biases + 8);
    for (const std::int32_t bias : {rule.bias, rule.standardBias, rule.daylightBias}) {
        if (bias < -kMaxOffsetMinutes || bias > kMaxOffsetMinutes) {
            return std::nullopt;
        }
    }
    if (std::abs(rule.StandardOffset()) > kMaxOffsetMinutes ||
        std::abs(rule.DaylightOffset()) > kMaxOffsetMinutes) {
        return std::nullopt;
    }
    const auto toStandard = ReadChange(standardDate);
    const auto toDaylight = ReadChange(daylightDate);
    if (!toStandard || !toDaylight) {
        return std::nullopt;
    }
    rule.toStandard = *toStandard;
    rule.toDaylight = *toDaylight;
    return rule;
}

// The local time of a change in `year`.
Seconds ChangeIn(const ZoneChange& change, int year)
{
    const int length = DaysInMonth(year, change.month);
    int day = 0;
    if (change.year != 0) {
        day = std::min<int>(change.day, length);
    } else {
        const int first = DayOfWeek(year, change.month, 1);
        day = 1 + (change.dayOfWeek - first + 7) % 7 + (change.day - 1) * 7;
        while (day > length) {
            day -= 7;
        }
    }
    return SecondsOfCivil({year, change.month, day, change.hour, change.minute, change.second});
}

bool InDaylight(Seconds t, Seconds daylightStarts, Seconds standardStarts)
{
    if (daylightStarts < standardStarts) {
        return t >= daylightStarts && t < standardStarts;
    }
    return t >= daylightStarts || t < standardStarts; // the southern hemisphere
}

std::string FormatOffset(std::int32_t minutes)
{
    const char sign = minutes < 0 ? '-' : '+';
    const std::int32_t magnitude = std::abs(minutes);
    return platform::Format("%c%02d%02d", sign, magnitude / 60, magnitude % 60);
}

std::string YearlyRule(const ZoneChange& change)
{
    static constexpr const char* kDays[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
    if (change.year != 0) {
        return platform::Format("FREQ=YEARLY;BYMONTH=%d;BYMONTHDAY=%d", change.month, change.day);
    }
    const int week = change.day == 5 ? -1 : change.day;
    return platform::Format("FREQ=YEARLY;BYMONTH=%d;BYDAY=%d%s", change.month, week,
                            kDays[change.dayOfWeek]);
}

void WriteObservance(ContentLines& out, const char* kind, Seconds start, std::int32_t from,
                     std::int32_t to, const std::string& rule)
{
    out.Begin(kind);
    out.Raw("DTSTART", FormatLocalDateTime(start));
    out.Raw("TZOFFSETFROM", FormatOffset(from));
    out.Raw("TZOFFSETTO", FormatOffset(to));
    if (!rule.empty()) {
        out.Raw("RRULE", rule);
    }
    out.End(kind);
}

} // namespace

const ZoneRule& TimeZone::RuleFor(int year) const
{
    const ZoneRule* found = &rules.front();
    for (const ZoneRule& rule : rules) {
        if (rule.fromYear <= year) {
            found = &rule;
        }
    }
    return *found;
}

Seconds TimeZone::ToUtc(Seconds local) const
{
    const int year = CivilOfSeconds(local).year;
    const ZoneRule& rule = RuleFor(year);
    bool daylight = false;
    if (rule.HasDaylight()) {
        daylight =
            InDaylight(local, ChangeIn(rule.toDaylight, year), ChangeIn(rule.toStandard, year));
    }
    return local - 60 * Seconds{daylight ? rule.DaylightOffset() : rule.StandardOffset()};
}

Seconds TimeZone::ToLocal(Seconds utc) const
{
    int year = CivilOfSeconds(utc).year;
    year = CivilOfSeconds(utc + 60 * Seconds{RuleFor(year).StandardOffset()}).year;
    const ZoneRule& rule = RuleFor(year);
    bool daylight = false;
    if (rule.HasDaylight()) {
        const Seconds daylightStarts =
            ChangeIn(rule.toDaylight, year) - 60 * Seconds{rule.StandardOffset()};
        const Seconds standardStarts =
            ChangeIn(rule.toStandard, year) - 60 * Seconds{rule.DaylightOffset()};
        daylight = InDaylight(utc, daylightStarts, standardStarts);
    }
    return utc + 60 * Seconds{daylight ? rule.DaylightOffset() : rule.StandardOffset()};
}

std::optional<TimeZone> ParseTimeZoneStruct(std::span<const std::uint8_t> blob)
{
    if (blob.size() < kStructSize) {
        return std::nullopt;
    }
    auto rule =
        ReadRule(blob.data(), blob.data() + kStructStandardDate, blob.data() + kStructDaylightDate);
    if (!rule) {
        return std::nullopt;
    }
    TimeZone zone;
    zone.rules.push_back(*rule);
    return zone;
}

std::optional<TimeZone> ParseTimeZoneDefinition(std::span<const std::uint8_t> blob)
{
    std::uint16_t headerSize = 0;
    std::uint16_t keyLength = 0;
    if (blob.size() < kDefinitionFixed + 2 || blob[0] != 0x02 ||
        !format::LoadLe16At(blob, 2, headerSize) || !format::LoadLe16At(blob, 6, keyLength)) {
        return std::nullopt;
    }
    const std::size_t keyBytes = std::size_t{keyLength} * 2;
    std::uint16_t ruleCount = 0;
    if (keyBytes > blob.size() - 8 || !format::LoadLe16At(blob, 8 + keyBytes, ruleCount)) {
        return std::nullopt;
    }
    // The rules follow the header, whose size is given; it holds the key name at least.
    const std::size_t rulesAt = std::size_t{4} + headerSize;
    if (headerSize < 6 + keyBytes || rulesAt > blob.size() || ruleCount == 0 ||
        ruleCount > kMaxRules || ruleCount > (blob.size() - rulesAt) / kRuleSize) {
        return std::nullopt;
    }
    TimeZone zone;
    zone.name = CleanText(
        platform::Utf16ToUtf8(platform::Utf16FromLittleEndian(blob.data() + 8, keyBytes)));
    for (std::size_t i = 0; i < ruleCount; ++i) {
        const std::uint8_t* at = blob.data() + rulesAt + i * kRuleSize;
        auto rule = ReadRule(at + kRuleBias, at + kRuleStandardDate, at + kRuleDaylightDate);
        if (!rule) {
            return std::nullopt;
        }
        rule->fromYear = format::LoadLe16(at + kRuleYear);
        if (rule->fromYear > 9999) {
            return std::nullopt;
        }
        zone.rules.push_back(*rule);
    }
    std::stable_sort(zone.rules.begin(), zone.rules.end(),
                     [](const ZoneRule& a, const ZoneRule& b) { return a.fromYear < b.fromYear; });
    zone.rules.front().fromYear = 0;
    return zone;
}

std::string ZoneId(const TimeZone& zone)
{
    std::string id;
    for (const char c : CleanText(zone.name)) {
        const bool special = c == '"' || c == ';' || c == ':' || c == ',' || c == '\\' ||
                             c == '^' || c == '\n' || c == '\t';
        id += special ? '-' : c;
    }
    return id.empty() ? "Custom" : id;
}

void WriteTimeZone(ContentLines& out, const TimeZone& zone)
{
    out.Begin("VTIMEZONE");
    out.Raw("TZID", ZoneId(zone));
    for (std::size_t i = 0; i < zone.rules.size(); ++i) {
        const ZoneRule& rule = zone.rules[i];
        const int firstYear = std::max(rule.fromYear, 1601);
        const bool last = i + 1 == zone.rules.size();
        const int lastYear = last ? 0 : zone.rules[i + 1].fromYear - 1;
        if (!last && lastYear < firstYear) {
            continue;
        }
        if (!rule.HasDaylight()) {
            WriteObservance(out, "STANDARD", SecondsOfCivil({firstYear, 1, 1}),
                            rule.StandardOffset(), rule.StandardOffset(), "");
            continue;
        }
        // A rule that a later one replaces ends by its count of years: the UTC UNTIL that
        // RFC 5545 asks for in a VTIMEZONE is refused by some readers.
        const std::string end =
            last ? std::string() : platform::Format(";COUNT=%d", lastYear - firstYear + 1);
        WriteObservance(out, "DAYLIGHT", ChangeIn(rule.toDaylight, firstYear),
                        rule.StandardOffset(), rule.DaylightOffset(),
                        YearlyRule(rule.toDaylight) + end);
        WriteObservance(out, "STANDARD", ChangeIn(rule.toStandard, firstYear),
                        rule.DaylightOffset(), rule.StandardOffset(),
                        YearlyRule(rule.toStandard) + end);
    }
    out.End("VTIMEZONE");
}

} // namespace viewer::items

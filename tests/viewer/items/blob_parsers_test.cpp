// The blobs an appointment keeps: recurrence patterns, time zones, meeting identities.
#include <gtest/gtest.h>

#include <string>

#include "tests/viewer/items/item_builders.h"
#include "viewer/items/calendar_time.h"
#include "viewer/items/content_lines.h"
#include "viewer/items/global_object_id.h"

using namespace items_test;

namespace {

std::span<const std::uint8_t> Bytes(const std::string& blob)
{
    return {reinterpret_cast<const std::uint8_t*>(blob.data()), blob.size()};
}

Recurrence Pattern(std::uint16_t frequency, std::uint16_t type, std::uint32_t period)
{
    Recurrence r;
    r.frequency = frequency;
    r.patternType = type;
    r.period = period;
    r.startDate = LocalMinutes(2024, 3, 5);
    r.endDate = LocalMinutes(2024, 12, 31);
    return r;
}

struct RuleCase {
    const char* name;
    Recurrence pattern;
    const char* rule; // nullptr: no RRULE
};

Recurrence With(Recurrence r, std::uint32_t mask, std::uint32_t dayOfMonth, std::uint32_t week)
{
    r.dayOfWeekMask = mask;
    r.dayOfMonth = dayOfMonth;
    r.week = week;
    return r;
}

class RecurrenceRules : public testing::TestWithParam<RuleCase> {};

TEST_P(RecurrenceRules, SayThePatternAsAnRrule)
{
    const auto parsed = ParseRecurrence(Bytes(RecurrenceBlob(GetParam().pattern)), 1252);
    ASSERT_TRUE(parsed);
    const auto rule = RecurrenceRule(*parsed, 3);
    if (GetParam().rule == nullptr) {
        EXPECT_FALSE(rule);
    } else {
        EXPECT_EQ(rule.value_or("(none)"), GetParam().rule);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, RecurrenceRules,
    testing::Values(
        RuleCase{"EveryThirdDay", Pattern(kRecurDaily, kPatternDay, 3 * 1440),
                 "FREQ=DAILY;INTERVAL=3"},
        RuleCase{"EveryWeekday", With(Pattern(kRecurDaily, kPatternWeek, 1), 0x3E, 0, 0),
                 "FREQ=WEEKLY;BYDAY=MO,TU,WE,TH,FR;WKST=SU"},
        RuleCase{"TuesdayThursdayFortnightly",
                 With(Pattern(kRecurWeekly, kPatternWeek, 2), 0x14, 0, 0),
                 "FREQ=WEEKLY;INTERVAL=2;BYDAY=TU,TH;WKST=SU"},
        RuleCase{"MonthlyOnThe15th", With(Pattern(kRecurMonthly, kPatternMonth, 1), 0, 15, 0),
                 "FREQ=MONTHLY;BYMONTHDAY=15"},
        RuleCase{"MonthlyOnThe30thFallsBackInShortMonths",
                 With(Pattern(kRecurMonthly, kPatternMonth, 2), 0, 30, 0),
                 "FREQ=MONTHLY;INTERVAL=2;BYMONTHDAY=28,29,30;BYSETPOS=-1"},
        RuleCase{"MonthlyOnThe31stIsTheLastDay",
                 With(Pattern(kRecurMonthly, kPatternMonth, 1), 0, 31, 0),
                 "FREQ=MONTHLY;BYMONTHDAY=-1"},
        RuleCase{"MonthEnd", With(Pattern(kRecurMonthly, kPatternMonthEnd, 1), 0, 31, 0),
                 "FREQ=MONTHLY;BYMONTHDAY=-1"},
        RuleCase{"SecondTuesday", With(Pattern(kRecurMonthly, kPatternMonthNth, 1), 0x04, 0, 2),
                 "FREQ=MONTHLY;BYDAY=TU;BYSETPOS=2"},
        RuleCase{"LastWeekdayOfTheMonth",
                 With(Pattern(kRecurMonthly, kPatternMonthNth, 1), 0x3E, 0, 5),
                 "FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1"},
        RuleCase{"YearlyOnMarch5th", With(Pattern(kRecurYearly, kPatternMonth, 12), 0, 5, 0),
                 "FREQ=YEARLY;BYMONTH=3;BYMONTHDAY=5"},
        RuleCase{"EveryOtherYearOnTheFirstMonday",
                 With(Pattern(kRecurYearly, kPatternMonthNth, 24), 0x02, 0, 1),
                 "FREQ=YEARLY;INTERVAL=2;BYMONTH=3;BYDAY=MO;BYSETPOS=1"},
        RuleCase{"HijriMonthsHaveNoRule", With(Pattern(kRecurMonthly, 0x000A, 1), 0, 5, 0),
                 nullptr},
        RuleCase{"LunarCalendarHasNoRule",
                 [] {
                     Recurrence r = With(Pattern(kRecurMonthly, kPatternMonth, 1), 0, 5, 0);
                     r.calendarType = 15;
                     return r;
                 }(),
                 nullptr}),
    [](const testing::TestParamInfo<RuleCase>& row) { return std::string(row.param.name); });

TEST(Recurrence, ReadsTimesDeletionsAndChangedOccurrences)
{
    for (const std::uint32_t writerVersion2 : {0x3008u, 0x3009u}) {
        const auto r =
            ParseRecurrence(Bytes(RecurrenceBlob(MeetingPattern(), writerVersion2)), 1252);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->endType, kEndAfterCount);
        EXPECT_EQ(r->occurrenceCount, 20u);
        EXPECT_EQ(r->deletedDates.size(), 2u);
        EXPECT_EQ(r->startTimeOffset, 600u);
        ASSERT_TRUE(r->exceptionsRead);
        ASSERT_EQ(r->exceptions.size(), 1u);
        EXPECT_EQ(r->exceptions[0].originalStart, LocalMinutes(2024, 1, 16, 10));
        // The Unicode texts of the ExtendedException (with or without its ChangeHighlight)
        // win over the 8-bit ones.
        EXPECT_EQ(r->exceptions[0].subject, "Planning (moved)");
        EXPECT_EQ(r->exceptions[0].location, "Room 5");
        EXPECT_EQ(r->exceptions[0].allDay, false);
    }
}

TEST(Recurrence, EveryCutOfABlobReadsSafely)
{
    const std::string blob = RecurrenceBlob(MeetingPattern());
    const std::size_t patternEnd = RecurrenceBlob([] {
                                       Recurrence r = MeetingPattern();
                                       r.hasTimes = false;
                                       return r;
                                   }())
                                       .size();
    for (std::size_t size = 0; size < blob.size(); ++size) {
        const auto r = ParseRecurrence(Bytes(blob.substr(0, size)), 1252);
        // Short of the pattern there is no recurrence; short of the exceptions there is the
        // pattern without them.
        EXPECT_EQ(r.has_value(), size >= patternEnd) << size;
        if (r && r->exceptionsRead) {
            EXPECT_EQ(r->exceptions.size(), 1u);
        }
    }
}

struct DamageCase {
    const char* name;
    std::size_t offset; // where the 32-bit (or, below 16, 16-bit) value is replaced
    std::uint32_t value;
};

class DamagedRecurrence : public testing::TestWithParam<DamageCase> {};

TEST_P(DamagedRecurrence, IsNoRecurrence)
{
    std::string blob = RecurrenceBlob(MeetingPattern());
    const DamageCase& c = GetParam();
    const std::size_t width = c.offset < 10 ? 2 : 4;
    for (std::size_t i = 0; i < width; ++i) {
        blob[c.offset + i] = static_cast<char>(c.value >> (8 * i));
    }
    EXPECT_FALSE(ParseRecurrence(Bytes(blob), 1252));
}

// Offsets in the weekly blob: versions 0 and 2, frequency 4, pattern type 6, calendar 8,
// period 14, the day mask 22, end type 26, deleted count 38.
INSTANTIATE_TEST_SUITE_P(
    Blobs, DamagedRecurrence,
    testing::Values(
        DamageCase{"ReaderVersion", 0, 0x3005}, DamageCase{"UnknownFrequency", 4, 0x2010},
        DamageCase{"UnknownPatternType", 6, 0x0009},
        DamageCase{"WeeklyPatternOfAMonth", 6, kPatternMonth}, DamageCase{"ZeroPeriod", 14, 0},
        DamageCase{"NoDays", 22, 0}, DamageCase{"DaysBeyondSaturday", 22, 0x80},
        DamageCase{"UnknownEnd", 26, 0x2024}, DamageCase{"DeletedCountBeyondTheBlob", 38, 1000},
        DamageCase{"DeletedCountThatWraps", 38, 0x40000001},
        DamageCase{"DeletedCountAboveTheCap", 38, kMaxInstanceDates + 1}),
    [](const testing::TestParamInfo<DamageCase>& row) { return std::string(row.param.name); });

TEST(TimeZones, FollowDaylightSavingInBothHemispheres)
{
    const auto eastern = ParseTimeZoneStruct(Bytes(TimeZoneStructBlob(EasternRule())));
    ASSERT_TRUE(eastern);
    const auto at = [](int y, int mo, int d, int h, int mi = 0) {
        return SecondsOfCivil({y, mo, d, h, mi, 0});
    };
    EXPECT_EQ(eastern->ToLocal(at(2024, 1, 9, 15)), at(2024, 1, 9, 10));
    EXPECT_EQ(eastern->ToLocal(at(2024, 7, 1, 14)), at(2024, 7, 1, 10));
    // 2024-03-10 02:00 EST becomes 03:00 EDT; 2024-11-03 02:00 EDT becomes 01:00 EST.
    EXPECT_EQ(eastern->ToLocal(at(2024, 3, 10, 6, 59)), at(2024, 3, 10, 1, 59));
    EXPECT_EQ(eastern->ToLocal(at(2024, 3, 10, 7)), at(2024, 3, 10, 3));
    EXPECT_EQ(eastern->ToLocal(at(2024, 11, 3, 5, 59)), at(2024, 11, 3, 1, 59));
    EXPECT_EQ(eastern->ToLocal(at(2024, 11, 3, 6)), at(2024, 11, 3, 1));
    EXPECT_EQ(eastern->ToUtc(at(2024, 3, 12, 10)), at(2024, 3, 12, 14));
    EXPECT_EQ(eastern->ToUtc(at(2024, 3, 7, 10)), at(2024, 3, 7, 15));

    const auto sydney = ParseTimeZoneStruct(Bytes(TimeZoneStructBlob(SydneyRule())));
    ASSERT_TRUE(sydney);
    EXPECT_EQ(sydney->ToLocal(at(2024, 1, 15, 0)), at(2024, 1, 15, 11));
    EXPECT_EQ(sydney->ToLocal(at(2024, 7, 15, 0)), at(2024, 7, 15, 10));
    EXPECT_EQ(sydney->ToUtc(at(2024, 12, 24, 9)), at(2024, 12, 23, 22));
}

TEST(TimeZones, DefinitionsChangeRulesByYear)
{
    const auto zone = ParseTimeZoneDefinition(Bytes(
        TimeZoneDefinitionBlob(u"Eastern Standard Time", {EasternRule(), Eastern2006Rule()})));
    ASSERT_TRUE(zone);
    EXPECT_EQ(zone->name, "Eastern Standard Time");
    // March 20 was standard time under the 2006 rule and is daylight time under 2007's.
    EXPECT_EQ(zone->ToUtc(SecondsOfCivil({2006, 3, 20, 12})), SecondsOfCivil({2006, 3, 20, 17}));
    EXPECT_EQ(zone->ToUtc(SecondsOfCivil({2008, 3, 20, 12})), SecondsOfCivil({2008, 3, 20, 16}));

    ContentLines out;
    WriteTimeZone(out, *zone);
    EXPECT_EQ(out.Output(), "BEGIN:VTIMEZONE\r\n"
                            "TZID:Eastern Standard Time\r\n"
                            "BEGIN:DAYLIGHT\r\n"
                            "DTSTART:16010401T020000\r\n"
                            "TZOFFSETFROM:-0500\r\n"
                            "TZOFFSETTO:-0400\r\n"
                            "RRULE:FREQ=YEARLY;BYMONTH=4;BYDAY=1SU;COUNT=406\r\n"
                            "END:DAYLIGHT\r\n"
                            "BEGIN:STANDARD\r\n"
                            "DTSTART:16011028T020000\r\n"
                            "TZOFFSETFROM:-0400\r\n"
                            "TZOFFSETTO:-0500\r\n"
                            "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU;COUNT=406\r\n"
                            "END:STANDARD\r\n"
                            "BEGIN:DAYLIGHT\r\n"
                            "DTSTART:20070311T020000\r\n"
                            "TZOFFSETFROM:-0500\r\n"
                            "TZOFFSETTO:-0400\r\n"
                            "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\n"
                            "END:DAYLIGHT\r\n"
                            "BEGIN:STANDARD\r\n"
                            "DTSTART:20071104T020000\r\n"
                            "TZOFFSETFROM:-0400\r\n"
                            "TZOFFSETTO:-0500\r\n"
                            "RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\n"
                            "END:STANDARD\r\n"
                            "END:VTIMEZONE\r\n");
}

struct ZoneDamage {
    const char* name;
    std::string blob;
    bool definition = false;
};

class DamagedTimeZone : public testing::TestWithParam<ZoneDamage> {};

TEST_P(DamagedTimeZone, IsNoZone)
{
    const auto& blob = GetParam().blob;
    EXPECT_FALSE(GetParam().definition ? ParseTimeZoneDefinition(Bytes(blob))
                                       : ParseTimeZoneStruct(Bytes(blob)));
}

ZoneRule Changed(void (*change)(ZoneRule&))
{
    ZoneRule rule = EasternRule();
    change(rule);
    return rule;
}

std::string Definition(std::string blob, std::size_t offset, char value)
{
    blob[offset] = value;
    return blob;
}

const std::string kDefinition = TimeZoneDefinitionBlob(u"Zone", {EasternRule()});

INSTANTIATE_TEST_SUITE_P(
    Blobs, DamagedTimeZone,
    testing::Values(
        ZoneDamage{"ShortStruct", TimeZoneStructBlob(EasternRule()).substr(0, 47)},
        ZoneDamage{"OffsetOfADay", TimeZoneStructBlob(Changed([](ZoneRule& r) { r.bias = 1440; }))},
        ZoneDamage{"OffsetsThatAddUpBeyondADay",
                   TimeZoneStructBlob(Changed([](ZoneRule& r) { r.daylightBias = 1200; }))},
        ZoneDamage{"Month13",
                   TimeZoneStructBlob(Changed([](ZoneRule& r) { r.toDaylight.month = 13; }))},
        ZoneDamage{"SixthWeek",
                   TimeZoneStructBlob(Changed([](ZoneRule& r) { r.toStandard.day = 6; }))},
        ZoneDamage{"Hour24",
                   TimeZoneStructBlob(Changed([](ZoneRule& r) { r.toStandard.hour = 24; }))},
        ZoneDamage{"DefinitionVersion3", Definition(kDefinition, 0, 3), true},
        ZoneDamage{"KeyNameBeyondTheBlob", Definition(kDefinition, 7, 0x40), true},
        ZoneDamage{"HeaderShorterThanTheKey", Definition(kDefinition, 2, 4), true},
        ZoneDamage{"NoRules", Definition(kDefinition, 8 + 8, 0), true},
        ZoneDamage{"RulesBeyondTheBlob", Definition(kDefinition, 8 + 8, 2), true},
        ZoneDamage{"RuleYearBeyond9999",
                   Definition(Definition(kDefinition, 8 + 10 + 7, 0x27), 8 + 10 + 6, 0x10), true}),
    [](const testing::TestParamInfo<ZoneDamage>& row) { return std::string(row.param.name); });

TEST(MeetingIdentity, UidOfSeriesInstancesAndWrappedUids)
{
    const auto series = UidOfGlobalObjectId(Bytes(GlobalObjectId("\xAB\xCD")));
    ASSERT_TRUE(series);
    EXPECT_FALSE(series->instance);
    EXPECT_EQ(series->series, series->exact);
    EXPECT_TRUE(series->series.starts_with("040000008200E00074C5B7101A82E00800000000"));
    EXPECT_TRUE(series->series.ends_with("02000000ABCD"));

    const auto instance = UidOfGlobalObjectId(Bytes(GlobalObjectId("\xAB\xCD", 2024, 3, 19)));
    ASSERT_TRUE(instance);
    EXPECT_TRUE(instance->instance);
    EXPECT_EQ(instance->series, series->series);
    EXPECT_NE(instance->exact, series->exact);

    const std::string wrapped("vCal-Uid\x01\x00\x00\x00"
                              "abc-123@example.org\x00",
                              32);
    EXPECT_EQ(UidOfGlobalObjectId(Bytes(GlobalObjectId(wrapped)))->series, "abc-123@example.org");

    std::string wrongSize = GlobalObjectId("\xAB\xCD");
    wrongSize[36] = 3;
    EXPECT_FALSE(UidOfGlobalObjectId(Bytes(wrongSize)));
    EXPECT_FALSE(UidOfGlobalObjectId(Bytes(GlobalObjectId("").substr(0, 39))));
    EXPECT_FALSE(
        UidOfGlobalObjectId(Bytes(GlobalObjectId(std::string(kMaxGlobalObjectIdSize, 'x')))));
}

} // namespace

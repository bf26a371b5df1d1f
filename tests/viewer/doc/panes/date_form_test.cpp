// The date pane's reading of a date record: the time value its controls get, in a zone with
// daylight saving and in UTC, and the records that leave the form empty.
#include "viewer/doc/panes/date_form.h"

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace viewer::doc::panes {
namespace {

std::vector<std::uint8_t> Record(std::vector<std::uint16_t> fields)
{
    std::vector<std::uint8_t> bytes;
    for (std::uint16_t field : fields) {
        bytes.push_back(static_cast<std::uint8_t>(field));
        bytes.push_back(static_cast<std::uint8_t>(field >> 8));
    }
    return bytes;
}

// Runs with the POSIX zone `zone` (no zone database needed), then puts the old one back.
class ZoneScope {
public:
    explicit ZoneScope(const char* zone)
    {
        if (const char* old = std::getenv("TZ")) {
            m_old = old;
            m_hadOld = true;
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneScope()
    {
        if (m_hadOld) {
            ::setenv("TZ", m_old.c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

private:
    std::string m_old;
    bool m_hadOld = false;
};

struct DateCase {
    const char* name;
    const char* zone;
    std::vector<std::uint8_t> data;
    const char* shown; // the ISO line; nullptr: the form stays empty
};

class DateForm : public testing::TestWithParam<DateCase> {};

TEST_P(DateForm, ShowsTheRecordsLocalTimeOrNothing)
{
    const DateCase& c = GetParam();
    const ZoneScope zone(c.zone);
    const std::optional<LocalDateTime> shown = DateFormContent(c.data);
    if (!c.shown) {
        EXPECT_FALSE(shown.has_value());
        return;
    }
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(IsoDateTime(*shown), c.shown);
}

constexpr const char* kUtc = "UTC0";
constexpr const char* kCentral = "CET-1CEST,M3.5.0,M10.5.0/3";

INSTANTIATE_TEST_SUITE_P(
    Records, DateForm,
    testing::Values(
        // Below 1900 the time value is 0: the start of 1970, wherever the form is.
        DateCase{"Year1899ShowsTimeValueZero", kCentral, Record({1899, 12, 30, 8, 0, 0, 6}),
                 "1970-01-01T01:00:00+01:00"},
        // A 32-bit time value would wrap to 1901 here.
        DateCase{"PastThe32BitEnd", kUtc, Record({2038, 1, 19, 3, 14, 8, 2}),
                 "2038-01-19T03:14:08+00:00"},
        DateCase{"SummerTimeByTheZone", kCentral, Record({2024, 7, 1, 12, 0, 0, 1}),
                 "2024-07-01T12:00:00+02:00"},
        DateCase{"LeapDay", kUtc, Record({2024, 2, 29, 23, 59, 59, 4}),
                 "2024-02-29T23:59:59+00:00"},
        DateCase{"LastSecondOf1969", kUtc, Record({1969, 12, 31, 23, 59, 59, 3}),
                 "1969-12-31T23:59:59+00:00"},
        DateCase{"LeapDayOfACommonYear", kUtc, Record({2023, 2, 29, 12, 0, 0, 3}), nullptr},
        DateCase{"Month13", kUtc, Record({2024, 13, 1, 0, 0, 0, 0}), nullptr},
        DateCase{"Hour24", kUtc, Record({2024, 5, 1, 24, 0, 0, 3}), nullptr},
        DateCase{"YearPast9999", kUtc, Record({10000, 1, 1, 0, 0, 0, 0}), nullptr},
        DateCase{"RecordCutShort", kUtc, Record({2024, 5, 1, 12, 0, 0}), nullptr}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace viewer::doc::panes

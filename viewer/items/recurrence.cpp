#include "viewer/items/recurrence.h"

#include "format/byte_cursor.h"
#include "platform/format.h"
#include "platform/text.h"
#include "viewer/items/content_lines.h"

namespace viewer::items {

namespace {

constexpr std::uint16_t kReaderVersion = 0x3004;
constexpr std::uint16_t kPatternHjMonth = 0x000A;
constexpr std::uint16_t kPatternHjMonthNth = 0x000B;
constexpr std::uint16_t kPatternHjMonthEnd = 0x000C;
// WriterVersion2 from which each ExtendedException starts with ChangeHighlight.
constexpr std::uint32_t kChangeHighlightVersion = 0x3009;
constexpr std::uint32_t kMinutesPerDay = 1440;
// The smallest ExceptionInfo: three times and the flags.
constexpr std::size_t kMinExceptionSize = 14;

using Cursor = format::ByteCursor;

// A count of 32-bit dates, then the dates.
[[nodiscard]] bool ReadDates(Cursor& in, std::vector<std::uint32_t>& dates)
{
    std::uint32_t count = 0;
    if (!in.U32(count) || count > kMaxInstanceDates || count > in.Left() / 4) {
        return false;
    }
    dates.resize(count);
    for (std::uint32_t& date : dates) {
        if (!in.U32(date)) {
            return false;
        }
    }
    return true;
}

// A 32-bit size, then that many bytes passed over.
[[nodiscard]] bool SkipSizedBlock(Cursor& in)
{
    std::uint32_t size = 0;
    return in.U32(size) && in.Skip(size);
}

std::string Decode8(std::span<const std::uint8_t> bytes, std::uint32_t codePage)
{
    return platform::DecodeCodePage(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), codePage);
}

// SubjectLength (the text's length plus one), SubjectLength2, then the 8-bit text; the same
// for the location.
[[nodiscard]] bool ReadText8(Cursor& in, std::uint32_t codePage, std::optional<std::string>& out)
{
    std::uint16_t length = 0;
    std::uint16_t length2 = 0;
    std::span<const std::uint8_t> bytes;
    if (!in.U16(length) || !in.U16(length2) || !in.Take(length2, bytes)) {
        return false;
    }
    out = CleanText(Decode8(bytes, codePage));
    return true;
}

[[nodiscard]] bool ReadException(Cursor& in, std::uint32_t codePage, RecurrenceException& e)
{
    if (!in.U32(e.start) || !in.U32(e.end) || !in.U32(e.originalStart) ||
        !in.U16(e.overrideFlags)) {
        return false;
    }
    std::uint32_t ignored = 0;
    if ((e.overrideFlags & ARO_SUBJECT) && !ReadText8(in, codePage, e.subject)) {
        return false;
    }
    for (const std::uint16_t flag : {ARO_MEETINGTYPE, ARO_REMINDERDELTA, ARO_REMINDER}) {
        if ((e.overrideFlags & flag) && !in.U32(ignored)) {
            return false;
        }
    }
    if ((e.overrideFlags & ARO_LOCATION) && !ReadText8(in, codePage, e.location)) {
        return false;
    }
    for (const std::uint16_t flag : {ARO_BUSYSTATUS, ARO_ATTACHMENT}) {
        if ((e.overrideFlags & flag) && !in.U32(ignored)) {
            return false;
        }
    }
    if (e.overrideFlags & ARO_SUBTYPE) {
        std::uint32_t subType = 0;
        if (!in.U32(subType)) {
            return false;
        }
        e.allDay = subType != 0;
    }
    return !(e.overrideFlags & ARO_APPTCOLOR) || in.U32(ignored);
}

// A character count, then UTF-16LE text.
[[nodiscard]] bool ReadText16(Cursor& in, std::optional<std::string>& out)
{
    std::uint16_t length = 0;
    std::span<const std::uint8_t> bytes;
    if (!in.U16(length) || !in.Take(std::size_t{length} * 2, bytes)) {
        return false;
    }
    out = CleanText(
        platform::Utf16ToUtf8(platform::Utf16FromLittleEndian(bytes.data(), bytes.size())));
    return true;
}

// An ExtendedException: the Unicode subject and location replace the 8-bit ones.
[[nodiscard]] bool ReadExtended(Cursor& in, std::uint32_t writerVersion2, RecurrenceException& e)
{
    if (writerVersion2 >= kChangeHighlightVersion && !SkipSizedBlock(in)) {
        return false;
    }
    if (!SkipSizedBlock(in)) {
        return false;
    }
    if (!(e.overrideFlags & (ARO_SUBJECT | ARO_LOCATION))) {
        return true;
    }
    std::uint32_t times[3] = {};
    if (!in.U32(times[0]) || !in.U32(times[1]) || !in.U32(times[2])) {
        return false;
    }
    if ((e.overrideFlags & ARO_SUBJECT) && !ReadText16(in, e.subject)) {
        return false;
    }
    if ((e.overrideFlags & ARO_LOCATION) && !ReadText16(in, e.location)) {
        return false;
    }
    return SkipSizedBlock(in);
}

// The AppointmentRecurrencePattern's part after the RecurrencePattern. False leaves the
// exceptions unread but the times may stand.
[[nodiscard]] bool ReadAppointmentPart(Cursor& in, std::uint32_t codePage, Recurrence& r)
{
    std::uint32_t readerVersion2 = 0;
    std::uint32_t writerVersion2 = 0;
    std::uint32_t startOffset = 0;
    std::uint32_t endOffset = 0;
    if (!in.U32(readerVersion2) || !in.U32(writerVersion2) || !in.U32(startOffset) ||
        !in.U32(endOffset) || startOffset >= kMinutesPerDay || endOffset < startOffset) {
        return false;
    }
    r.hasTimes = true;
    r.startTimeOffset = startOffset;
    r.endTimeOffset = endOffset;

    std::uint16_t count = 0;
    if (!in.U16(count) || count > in.Left() / kMinExceptionSize) {
        return false;
    }
    std::vector<RecurrenceException> exceptions(count);
    for (RecurrenceException& e : exceptions) {
        if (!ReadException(in, codePage, e)) {
            return false;
        }
    }
    r.exceptions = exceptions;
    r.exceptionsRead = true;
    if (!SkipSizedBlock(in)) {
        return true;
    }
    for (RecurrenceException& e : exceptions) {
        if (!ReadExtended(in, writerVersion2, e)) {
            return true;
        }
    }
    r.exceptions = std::move(exceptions);
    return true;
}

bool ValidPattern(const Recurrence& r)
{
    if (r.period == 0) {
        return false;
    }
    const bool monthly = r.patternType == kPatternMonth || r.patternType == kPatternMonthNth ||
                         r.patternType == kPatternMonthEnd || r.patternType == kPatternHjMonth ||
                         r.patternType == kPatternHjMonthNth || r.patternType == kPatternHjMonthEnd;
    switch (r.frequency) {
    case kRecurDaily:
        if (r.patternType != kPatternDay && r.patternType != kPatternWeek) {
            return false;
        }
        break;
    case kRecurWeekly:
        if (r.patternType != kPatternWeek) {
            return false;
        }
        break;
    case kRecurMonthly:
        if (!monthly) {
            return false;
        }
        break;
    case kRecurYearly:
        if (!monthly || r.period % 12 != 0) {
            return false;
        }
        break;
    default:
        return false;
    }
    switch (r.patternType) {
    case kPatternDay:
        return r.period % kMinutesPerDay == 0;
    case kPatternWeek:
        return r.dayOfWeekMask != 0 && r.dayOfWeekMask <= 0x7F;
    case kPatternMonth:
    case kPatternHjMonth:
        return r.dayOfMonth >= 1 && r.dayOfMonth <= 31;
    case kPatternMonthNth:
    case kPatternHjMonthNth:
        return r.dayOfWeekMask != 0 && r.dayOfWeekMask <= 0x7F && r.week >= 1 && r.week <= 5;
    case kPatternMonthEnd:
    case kPatternHjMonthEnd:
        return true;
    default:
        return false;
    }
}

// The calendars whose months are the Gregorian ones ([MS-OXOCAL] 2.2.1.44.1 CalendarType).
bool HasGregorianMonths(std::uint16_t calendarType)
{
    switch (calendarType) {
    case 0:  // the default
    case 1:  // Gregorian (localized)
    case 2:  // Gregorian (U.S. English)
    case 3:  // Japanese emperor era
    case 4:  // Taiwan
    case 5:  // Korean Tangun era
    case 7:  // Thai
    case 9:  // Gregorian (Middle East French)
    case 10: // Gregorian (Arabic)
    case 11: // Gregorian (transliterated English)
    case 12: // Gregorian (transliterated French)
        return true;
    default:
        return false;
    }
}

std::string Weekdays(std::uint32_t mask)
{
    static constexpr const char* kDays[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
    std::string days;
    for (int i = 0; i < 7; ++i) {
        if (mask & (1u << i)) {
            days += (days.empty() ? "" : ",") + std::string(kDays[i]);
        }
    }
    return days;
}

} // namespace

std::optional<Recurrence> ParseRecurrence(std::span<const std::uint8_t> blob,
                                          std::uint32_t codePage)
{
    Cursor in(blob);
    Recurrence r;
    std::uint16_t readerVersion = 0;
    std::uint16_t writerVersion = 0;
    std::uint32_t firstDateTime = 0;
    std::uint32_t slidingFlag = 0;
    if (!in.U16(readerVersion) || !in.U16(writerVersion) || readerVersion != kReaderVersion ||
        !in.U16(r.frequency) || !in.U16(r.patternType) || !in.U16(r.calendarType) ||
        !in.U32(firstDateTime) || !in.U32(r.period) || !in.U32(slidingFlag)) {
        return std::nullopt;
    }
    bool fieldsRead = true;
    switch (r.patternType) {
    case kPatternWeek:
        fieldsRead = in.U32(r.dayOfWeekMask);
        break;
    case kPatternMonth:
    case kPatternMonthEnd:
    case kPatternHjMonth:
    case kPatternHjMonthEnd:
        fieldsRead = in.U32(r.dayOfMonth);
        break;
    case kPatternMonthNth:
    case kPatternHjMonthNth:
        fieldsRead = in.U32(r.dayOfWeekMask) && in.U32(r.week);
        break;
    default:
        break;
    }
    if (!fieldsRead || !in.U32(r.endType) || !in.U32(r.occurrenceCount) ||
        !in.U32(r.firstDayOfWeek) || !ReadDates(in, r.deletedDates) ||
        !ReadDates(in, r.modifiedDates) || !in.U32(r.startDate) || !in.U32(r.endDate) ||
        !ValidPattern(r)) {
        return std::nullopt;
    }
    if (r.endType == 0xFFFFFFFF) {
        r.endType = kEndNever;
    }
    if ((r.endType != kEndAfterDate && r.endType != kEndAfterCount && r.endType != kEndNever) ||
        (r.endType == kEndAfterCount && r.occurrenceCount == 0)) {
        return std::nullopt;
    }
    if (r.firstDayOfWeek > 6) {
        r.firstDayOfWeek = 0;
    }
    if (in.Left() > 0) {
        (void)ReadAppointmentPart(in, codePage, r);
    }
    return r;
}

std::optional<std::string> RecurrenceRule(const Recurrence& r, int startMonth)
{
    static constexpr const char* kDays[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
    const auto interval = [](std::uint32_t n) {
        return n > 1 ? platform::Format(";INTERVAL=%u", n) : std::string();
    };
    switch (r.patternType) {
    case kPatternDay:
        return "FREQ=DAILY" + interval(r.period / kMinutesPerDay);
    case kPatternWeek:
        return "FREQ=WEEKLY" + interval(r.period) + ";BYDAY=" + Weekdays(r.dayOfWeekMask) +
               ";WKST=" + kDays[r.firstDayOfWeek];
    case kPatternMonth:
    case kPatternMonthEnd:
    case kPatternMonthNth:
        break;
    default:
        return std::nullopt;
    }
    if (!HasGregorianMonths(r.calendarType)) {
        return std::nullopt;
    }
    const bool yearly = r.frequency == kRecurYearly;
    std::string rule = yearly ? "FREQ=YEARLY" + interval(r.period / 12) +
                                    platform::Format(";BYMONTH=%d", startMonth)
                              : "FREQ=MONTHLY" + interval(r.period);
    if (r.patternType == kPatternMonthEnd ||
        (r.patternType == kPatternMonth && r.dayOfMonth == 31)) {
        rule += ";BYMONTHDAY=-1";
    } else if (r.patternType == kPatternMonth && r.dayOfMonth >= 29) {
        // A day the month may lack falls on the month's last day instead.
        rule += ";BYMONTHDAY=28";
        for (std::uint32_t d = 29; d <= r.dayOfMonth; ++d) {
            rule += platform::Format(",%u", d);
        }
        rule += ";BYSETPOS=-1";
    } else if (r.patternType == kPatternMonth) {
        rule += platform::Format(";BYMONTHDAY=%u", r.dayOfMonth);
    } else {
        rule += ";BYDAY=" + Weekdays(r.dayOfWeekMask) +
                platform::Format(";BYSETPOS=%d", r.week == 5 ? -1 : static_cast<int>(r.week));
    }
    return rule;
}

} // namespace viewer::items

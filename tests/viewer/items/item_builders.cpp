#include "tests/viewer/items/item_builders.h"

#include "format/little_endian.h"
#include "format/mapi.h"
#include "viewer/items/calendar_time.h"
#include "viewer/items/named_properties.h"

namespace items_test {

namespace {

void Put16(std::string& out, std::uint32_t value)
{
    std::uint8_t bytes[2];
    format::StoreLe16(bytes, static_cast<std::uint16_t>(value));
    out.append(reinterpret_cast<const char*>(bytes), 2);
}

void Put32(std::string& out, std::uint32_t value)
{
    std::uint8_t bytes[4];
    format::StoreLe32(bytes, value);
    out.append(reinterpret_cast<const char*>(bytes), 4);
}

void PutUtf16(std::string& out, const std::u16string& text)
{
    for (const char16_t c : text) {
        Put16(out, c);
    }
}

// Test texts are ASCII, so their UTF-16 form is one unit a byte.
std::u16string Widen(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

void PutSystemTime(std::string& out, const ZoneChange& change)
{
    for (const std::uint16_t field : {change.year, change.month, change.dayOfWeek, change.day,
                                      change.hour, change.minute, change.second}) {
        Put16(out, field);
    }
    Put16(out, 0); // milliseconds
}

void PutBiases(std::string& out, const ZoneRule& rule)
{
    Put32(out, static_cast<std::uint32_t>(rule.bias));
    Put32(out, static_cast<std::uint32_t>(rule.standardBias));
    Put32(out, static_cast<std::uint32_t>(rule.daylightBias));
}

Value Time(FileTime time)
{
    return Value::Time(time);
}

PropertyBag Recipient(const std::string& name, const std::string& address, std::int64_t type,
                      std::int64_t flags = 0)
{
    PropertyBag row;
    row.Set(PR_DISPLAY_NAME, Text(name));
    row.Set(PR_ADDRTYPE, Text("SMTP"));
    row.Set(PR_EMAIL_ADDRESS, Text(address));
    row.Set(PR_RECIPIENT_TYPE, Value::Int(type));
    if (flags != 0) {
        row.Set(PR_RECIPIENT_FLAGS, Value::Int(flags));
    }
    return row;
}

} // namespace

FileTime Utc(int year, int month, int day, int hour, int minute)
{
    const Seconds seconds = SecondsOfCivil({year, month, day, hour, minute, 0});
    return static_cast<FileTime>(seconds) * 10'000'000u;
}

std::uint32_t LocalMinutes(int year, int month, int day, int hour, int minute)
{
    return static_cast<std::uint32_t>(SecondsOfCivil({year, month, day, hour, minute, 0}) / 60);
}

std::string RecurrenceBlob(const Recurrence& p, std::uint32_t writerVersion2)
{
    std::string out;
    Put16(out, 0x3004);
    Put16(out, 0x3004);
    Put16(out, p.frequency);
    Put16(out, p.patternType);
    Put16(out, p.calendarType);
    Put32(out, 0); // FirstDateTime
    Put32(out, p.period);
    Put32(out, 0); // SlidingFlag
    switch (p.patternType) {
    case kPatternWeek:
        Put32(out, p.dayOfWeekMask);
        break;
    case kPatternMonth:
    case kPatternMonthEnd:
    case 0x000A:
    case 0x000C:
        Put32(out, p.dayOfMonth);
        break;
    case kPatternMonthNth:
    case 0x000B:
        Put32(out, p.dayOfWeekMask);
        Put32(out, p.week);
        break;
    default:
        break;
    }
    Put32(out, p.endType);
    Put32(out, p.occurrenceCount);
    Put32(out, p.firstDayOfWeek);
    for (const auto* dates : {&p.deletedDates, &p.modifiedDates}) {
        Put32(out, static_cast<std::uint32_t>(dates->size()));
        for (const std::uint32_t date : *dates) {
            Put32(out, date);
        }
    }
    Put32(out, p.startDate);
    Put32(out, p.endDate);
    if (!p.hasTimes) {
        return out;
    }
    Put32(out, 0x3006);
    Put32(out, writerVersion2);
    Put32(out, p.startTimeOffset);
    Put32(out, p.endTimeOffset);
    Put16(out, static_cast<std::uint32_t>(p.exceptions.size()));
    for (const RecurrenceException& e : p.exceptions) {
        Put32(out, e.start);
        Put32(out, e.end);
        Put32(out, e.originalStart);
        Put16(out, e.overrideFlags);
        // The 8-bit texts say "(8-bit)", so a test sees which form was read.
        if (e.overrideFlags & ARO_SUBJECT) {
            const std::string subject = "(8-bit)";
            Put16(out, static_cast<std::uint32_t>(subject.size() + 1));
            Put16(out, static_cast<std::uint32_t>(subject.size()));
            out += subject;
        }
        if (e.overrideFlags & ARO_LOCATION) {
            const std::string location = "(8-bit)";
            Put16(out, static_cast<std::uint32_t>(location.size() + 1));
            Put16(out, static_cast<std::uint32_t>(location.size()));
            out += location;
        }
        if (e.overrideFlags & ARO_SUBTYPE) {
            Put32(out, e.allDay.value_or(false) ? 1 : 0);
        }
    }
    Put32(out, 0); // ReservedBlock1Size
    for (const RecurrenceException& e : p.exceptions) {
        if (writerVersion2 >= 0x3009) {
            Put32(out, 4); // ChangeHighlightSize
            Put32(out, 0); // ChangeHighlightValue
        }
        Put32(out, 0); // ReservedBlockEE1Size
        if (e.overrideFlags & (ARO_SUBJECT | ARO_LOCATION)) {
            Put32(out, e.start);
            Put32(out, e.end);
            Put32(out, e.originalStart);
            if (e.overrideFlags & ARO_SUBJECT) {
                Put16(out, static_cast<std::uint32_t>(e.subject.value_or("").size()));
                PutUtf16(out, Widen(e.subject.value_or("")));
            }
            if (e.overrideFlags & ARO_LOCATION) {
                Put16(out, static_cast<std::uint32_t>(e.location.value_or("").size()));
                PutUtf16(out, Widen(e.location.value_or("")));
            }
            Put32(out, 0); // ReservedBlockEE2Size
        }
    }
    Put32(out, 0); // ReservedBlock2Size
    return out;
}

std::string TimeZoneStructBlob(const ZoneRule& rule)
{
    std::string out;
    PutBiases(out, rule);
    Put16(out, 0);
    PutSystemTime(out, rule.toStandard);
    Put16(out, 0);
    PutSystemTime(out, rule.toDaylight);
    return out;
}

std::string TimeZoneDefinitionBlob(const std::u16string& keyName,
                                   const std::vector<ZoneRule>& rules)
{
    std::string out;
    out += '\x02';
    out += '\x01';
    Put16(out, static_cast<std::uint32_t>(6 + keyName.size() * 2)); // cbHeader
    Put16(out, 0x0002);
    Put16(out, static_cast<std::uint32_t>(keyName.size()));
    PutUtf16(out, keyName);
    Put16(out, static_cast<std::uint32_t>(rules.size()));
    for (const ZoneRule& rule : rules) {
        out += '\x02';
        out += '\x01';
        Put16(out, 0x003E);
        Put16(out, 0x0002); // TZRULE_FLAG_EFFECTIVE_TZREG
        Put16(out, static_cast<std::uint32_t>(rule.fromYear));
        out.append(14, '\0');
        PutBiases(out, rule);
        PutSystemTime(out, rule.toStandard);
        PutSystemTime(out, rule.toDaylight);
    }
    return out;
}

ZoneRule EasternRule()
{
    ZoneRule rule;
    rule.fromYear = 2007;
    rule.bias = 300;
    rule.daylightBias = -60;
    rule.toStandard = {0, 11, 0, 1, 2, 0, 0}; // first Sunday of November, 02:00
    rule.toDaylight = {0, 3, 0, 2, 2, 0, 0};  // second Sunday of March, 02:00
    return rule;
}

ZoneRule Eastern2006Rule()
{
    ZoneRule rule = EasternRule();
    rule.fromYear = 2006;
    rule.toStandard = {0, 10, 0, 5, 2, 0, 0}; // last Sunday of October
    rule.toDaylight = {0, 4, 0, 1, 2, 0, 0};  // first Sunday of April
    return rule;
}

ZoneRule SydneyRule()
{
    ZoneRule rule;
    rule.bias = -600;
    rule.daylightBias = -60;
    rule.toStandard = {0, 4, 0, 1, 3, 0, 0};  // first Sunday of April, 03:00
    rule.toDaylight = {0, 10, 0, 1, 2, 0, 0}; // first Sunday of October, 02:00
    return rule;
}

std::string GlobalObjectId(const std::string& data, int instanceYear, int instanceMonth,
                           int instanceDay)
{
    std::string out("\x04\x00\x00\x00\x82\x00\xE0\x00\x74\xC5\xB7\x10\x1A\x82\xE0\x08", 16);
    out += static_cast<char>(instanceYear >> 8);
    out += static_cast<char>(instanceYear & 0xFF);
    out += static_cast<char>(instanceMonth);
    out += static_cast<char>(instanceDay);
    std::uint8_t created[8];
    format::StoreLe64(created, Utc(2024, 1, 2, 8, 0));
    out.append(reinterpret_cast<const char*>(created), 8);
    out.append(8, '\0');
    Put32(out, static_cast<std::uint32_t>(data.size()));
    return out + data;
}

Value Text(const std::string& text)
{
    return Value::String8(text);
}

Recurrence MeetingPattern()
{
    Recurrence r;
    r.frequency = kRecurWeekly;
    r.patternType = kPatternWeek;
    r.period = 1;
    r.dayOfWeekMask = 0x04 | 0x10;
    r.firstDayOfWeek = 1;
    r.endType = kEndAfterCount;
    r.occurrenceCount = 20;
    r.startDate = LocalMinutes(2024, 1, 9);
    r.endDate = LocalMinutes(2024, 3, 14);
    // January 11 is deleted; January 16 moves to the 17th at 14:00 in another room.
    r.deletedDates = {LocalMinutes(2024, 1, 11), LocalMinutes(2024, 1, 16)};
    r.modifiedDates = {LocalMinutes(2024, 1, 17)};
    r.hasTimes = true;
    r.startTimeOffset = 600;
    r.endTimeOffset = 660;
    RecurrenceException moved;
    moved.start = LocalMinutes(2024, 1, 17, 14);
    moved.end = LocalMinutes(2024, 1, 17, 15);
    moved.originalStart = LocalMinutes(2024, 1, 16, 10);
    moved.overrideFlags = ARO_SUBJECT | ARO_LOCATION | ARO_SUBTYPE;
    moved.allDay = false;
    moved.subject = "Planning (moved)";
    moved.location = "Room 5";
    r.exceptions = {moved};
    return r;
}

Message MeetingRequest()
{
    Message m;
    PropertyBag& p = m.properties;
    p.Set(PR_MESSAGE_CLASS, Text("IPM.Schedule.Meeting.Request"));
    p.Set(PR_SUBJECT, Text("Planning, Q1; review"));
    p.Set(PR_BODY, Text("Agenda:\r\n1. Budget\r\n"));
    p.Set(PidLidLocation, Text("Room 4 \"Oak\""));
    p.Set(PidLidGlobalObjectId, Value::Binary(GlobalObjectId(std::string("\x10\x20\x30\x40", 4))));
    p.Set(PidLidAppointmentSequence, Value::Int(2));
    p.Set(PidLidOwnerCriticalChange, Time(Utc(2024, 1, 2, 8, 0)));
    // Tuesdays and Thursdays at 10:00 Eastern, twenty times: standard time in January,
    // daylight saving time from March 10.
    p.Set(PidLidAppointmentStartWhole, Time(Utc(2024, 1, 9, 15, 0)));
    p.Set(PidLidAppointmentEndWhole, Time(Utc(2024, 1, 9, 16, 0)));
    p.Set(PidLidRecurring, Value::Bool(true));
    p.Set(PidLidAppointmentRecur, Value::Binary(RecurrenceBlob(MeetingPattern())));
    p.Set(PidLidTimeZoneStruct, Value::Binary(TimeZoneStructBlob(EasternRule())));
    p.Set(PidLidAppointmentTimeZoneDefinitionRecur,
          Value::Binary(TimeZoneDefinitionBlob(u"Eastern Standard Time",
                                               {Eastern2006Rule(), EasternRule()})));
    p.Set(PidLidTimeZoneDescription, Text("(UTC-05:00) Eastern Time (US & Canada)"));
    p.Set(PR_SENT_REPRESENTING_NAME, Text("Dana Organizer"));
    p.Set(PR_SENT_REPRESENTING_ADDRTYPE, Text("SMTP"));
    p.Set(PR_SENT_REPRESENTING_EMAIL_ADDRESS, Text("dana@example.org"));
    p.Set(PR_RESPONSE_REQUESTED, Value::Bool(true));
    p.Set(PidLidReminderSet, Value::Bool(true));
    p.Set(PidLidReminderDelta, Value::Int(30));
    p.Set(PR_SENSITIVITY, Value::Int(2));
    p.Set(PR_IMPORTANCE, Value::Int(2));
    p.Set(PidLidBusyStatus, Value::Int(2));
    p.Set(PidNameKeywords, Value::Strings({"Work", "Planning"}, false));
    m.recipients = {Recipient("Alex Required", "alex@example.org", MAPI_TO),
                    Recipient("Bo Optional", "bo@example.org", MAPI_CC),
                    Recipient("Room 4", "room4@example.org", MAPI_BCC),
                    Recipient("Dana Organizer", "dana@example.org", MAPI_TO, recipOrganizer)};
    return m;
}

Message AllDayAppointment()
{
    Message m;
    PropertyBag& p = m.properties;
    p.Set(PR_MESSAGE_CLASS, Text("IPM.Appointment"));
    p.Set(PR_SUBJECT, Text("Pfingstmontag"));
    // Midnight to midnight in Berlin (UTC+2 in May), kept in UTC.
    p.Set(PidLidAppointmentStartWhole, Time(Utc(2015, 5, 24, 22)));
    p.Set(PidLidAppointmentEndWhole, Time(Utc(2015, 5, 25, 22)));
    p.Set(PidLidAppointmentSubType, Value::Bool(true));
    p.Set(PidLidBusyStatus, Value::Int(0));
    p.Set(PidNameKeywords, Value::Strings({"Feiertag"}, false));
    p.Set(PR_SENDER_NAME, Text("Arbeitsschutz"));
    p.Set(PR_SENDER_EMAIL_ADDRESS, Text("info@example.de"));
    return m;
}

Message Task()
{
    Message m;
    PropertyBag& p = m.properties;
    p.Set(PR_MESSAGE_CLASS, Text("IPM.Task"));
    p.Set(PR_SUBJECT, Text("File the report"));
    p.Set(PR_BODY, Text("Numbers from Q4"));
    p.Set(PidLidTaskGlobalId, Value::Binary(std::string("\x01\x02\x03\x04\x05\x06\x07\x08"
                                                        "\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10",
                                                        16)));
    p.Set(PidLidTaskStartDate, Time(Utc(2024, 2, 1)));
    p.Set(PidLidTaskDueDate, Time(Utc(2024, 2, 9)));
    p.Set(PidLidTaskStatus, Value::Int(1));
    p.Set(PidLidPercentComplete, Value::Real(0.25));
    p.Set(PidLidReminderSet, Value::Bool(true));
    p.Set(PidLidReminderTime, Time(Utc(2024, 2, 8, 9)));
    p.Set(PR_IMPORTANCE, Value::Int(0));
    p.Set(PR_LAST_MODIFICATION_TIME, Time(Utc(2024, 1, 30, 12)));
    return m;
}

Message Contact()
{
    Message m;
    PropertyBag& p = m.properties;
    p.Set(PR_MESSAGE_CLASS, Text("IPM.Contact"));
    p.Set(PR_DISPLAY_NAME, Text("Dr. Jane Q. Public Jr."));
    p.Set(PR_GIVEN_NAME, Text("Jane"));
    p.Set(PR_MIDDLE_NAME, Text("Q."));
    p.Set(PR_SURNAME, Text("Public"));
    p.Set(PR_DISPLAY_NAME_PREFIX, Text("Dr."));
    p.Set(PR_GENERATION, Text("Jr."));
    p.Set(PR_NICKNAME, Text("JQ"));
    p.Set(PR_COMPANY_NAME, Text("Example, Inc."));
    p.Set(PR_DEPARTMENT_NAME, Text("R&D"));
    p.Set(PR_TITLE, Text("Engineer"));
    const std::string emails[] = {"jane@example.com", "jq@example.net", "public@example.org"};
    const NamedProperty addresses[] = {PidLidEmail1EmailAddress, PidLidEmail2EmailAddress,
                                       PidLidEmail3EmailAddress};
    const NamedProperty names[] = {PidLidEmail1DisplayName, PidLidEmail2DisplayName,
                                   PidLidEmail3DisplayName};
    for (int i = 0; i < 3; ++i) {
        p.Set(addresses[i], Value::Unicode(emails[i]));
        p.Set(names[i], Value::Unicode("Jane Public (" + emails[i] + ")"));
    }
    p.Set(PR_BUSINESS_TELEPHONE_NUMBER, Text("+1 555 0100"));
    p.Set(PR_HOME_TELEPHONE_NUMBER, Text("+1 555 0101"));
    p.Set(PR_MOBILE_TELEPHONE_NUMBER, Text("+1 555 0102"));
    p.Set(PR_BUSINESS_FAX_NUMBER, Text("+1 555 0103"));
    p.Set(PR_HOME_ADDRESS_STREET, Text("1 Home Lane"));
    p.Set(PR_HOME_ADDRESS_CITY, Text("Springfield"));
    p.Set(PR_HOME_ADDRESS_POSTAL_CODE, Text("12345"));
    p.Set(PR_HOME_ADDRESS_COUNTRY, Text("USA"));
    p.Set(PidLidWorkAddressStreet, Text("2 Office Park\r\nSuite 5"));
    p.Set(PidLidWorkAddressCity, Text("Shelbyville"));
    p.Set(PidLidWorkAddressState, Text("IL"));
    p.Set(PidLidWorkAddressPostOfficeBox, Text("PO 9"));
    p.Set(PR_OTHER_ADDRESS_STREET, Text("3 Lake Road"));
    p.Set(PR_OTHER_ADDRESS_CITY, Text("Capital City"));
    p.Set(PR_BUSINESS_HOME_PAGE, Text("www.example.com"));
    p.Set(PidLidBirthdayLocal, Time(Utc(1980, 5, 10)));
    p.Set(PR_BIRTHDAY, Time(Utc(1980, 5, 9, 22)));
    p.Set(PR_BODY, Text("Met at the fair, booth 7"));
    PropertyBag picture;
    picture.Set(PR_ATTACHMENT_CONTACTPHOTO, Value::Bool(true));
    picture.Set(PR_ATTACH_DATA_BIN,
                Value::Binary(std::string("\x89PNG\r\n\x1A\n\x00\x00\x00\x0DIHDR", 16)));
    m.attachments = {PropertyBag(), picture};
    return m;
}

} // namespace items_test

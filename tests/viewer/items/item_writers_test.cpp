// What the exporters write for each kind of item, checked line by line; the consumer test
// (consumers_test.py) reads the same items with real iCalendar and vCard parsers.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "format/mapi.h"
#include "platform/text_safety.h"
#include "tests/viewer/items/item_builders.h"
#include "viewer/items/content_lines.h"
#include "viewer/items/global_object_id.h"
#include "viewer/items/item_export.h"
#include "viewer/items/named_properties.h"

using namespace items_test;

namespace {

// The logical lines: folds undone, split at CRLF.
std::vector<std::string> Lines(const std::string& text)
{
    std::string unfolded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 3, "\r\n ") == 0) {
            i += 2;
        } else {
            unfolded += text[i];
        }
    }
    std::vector<std::string> lines;
    std::size_t begin = 0;
    for (std::size_t end; (end = unfolded.find("\r\n", begin)) != std::string::npos;
         begin = end + 2) {
        lines.push_back(unfolded.substr(begin, end - begin));
    }
    EXPECT_EQ(begin, unfolded.size()) << "the output ends with CRLF";
    return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::size_t CountStarting(const std::vector<std::string>& lines, const std::string& prefix)
{
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.starts_with(prefix); });
}

std::vector<std::string> Export(const Message& message)
{
    ExportOptions options;
    options.now = Utc(2030, 1, 1);
    const auto text = ExportItem(message, options);
    EXPECT_TRUE(text);
    return Lines(text.value_or(""));
}

TEST(ContentLines, FoldAtSeventyFiveOctetsBetweenCharacters)
{
    std::string text;
    for (int i = 0; i < 40; ++i) {
        text += "a\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E"; // a, é, €, 𝄞: one to four octets
    }
    ContentLines out;
    out.Text("SUMMARY", text);
    const std::string& folded = out.Output();
    std::size_t begin = 0;
    for (std::size_t end; (end = folded.find("\r\n", begin)) != std::string::npos;
         begin = end + 2) {
        const std::string line = folded.substr(begin, end - begin);
        EXPECT_LE(line.size(), 75u);
        EXPECT_TRUE(platform::IsValidUtf8(line)) << line;
    }
    EXPECT_EQ(Lines(folded), std::vector<std::string>{"SUMMARY:" + text});
}

TEST(ContentLines, HostileTextStaysInsideItsProperty)
{
    ContentLines out;
    out.Property("ATTENDEE")
        .Param("CN", "Doe, \"J\" ^x\r\nEND:VEVENT")
        .Param("ROLE", "REQ-PARTICIPANT")
        .Raw("mailto:" + PercentEncode("a b\r\n@x;y\"", "@"));
    out.Text("SUMMARY", "a;b,c\\d\r\nEND:VEVENT\rx\x01y\x7F\xC2\x85z\tt");
    EXPECT_EQ(
        Lines(out.Output()),
        (std::vector<std::string>{"ATTENDEE;CN=\"Doe, ^'J^' ^^x^nEND:VEVENT\";ROLE=REQ-PARTICIPANT:"
                                  "mailto:a%20b%0A@x%3By%22",
                                  "SUMMARY:a\\;b\\,c\\\\d\\nEND:VEVENT\\nxyz\tt"}));
}

TEST(ItemClasses, LegacyAndDerivedNamesMapOntoTheMapiOnes)
{
    const std::pair<const char*, ItemClass> cases[] = {
        {"IPM.Appointment", ItemClass::Appointment},
        {"ipm.appointment.birthday", ItemClass::Appointment},
        {"IPM.AppointmentX", ItemClass::Other},
        {"IPM.Schedule.Meeting.Request", ItemClass::MeetingRequest},
        {"IPM.Schedule.Meeting.Canceled", ItemClass::MeetingCanceled},
        {"IPM.Schedule.Meeting.Resp.Pos", ItemClass::MeetingAccepted},
        {"IPM.Schedule.Meeting.Resp.Neg", ItemClass::MeetingDeclined},
        {"IPM.Schedule.Meeting.Resp.Tent", ItemClass::MeetingTentative},
        {"IPM.Microsoft Schedule.MtgReq", ItemClass::MeetingRequest},
        {"IPM.Microsoft Schedule.MtgRespP", ItemClass::MeetingAccepted},
        {"IPM.Microsoft Schedule.MtgRespN", ItemClass::MeetingDeclined},
        {"IPM.Microsoft Schedule.MtgRespA", ItemClass::MeetingTentative},
        {"IPM.Microsoft Schedule.MtgCncl", ItemClass::MeetingCanceled},
        {"IPM.Microsoft Mail.Note", ItemClass::Note},
        {"IPM.Task", ItemClass::Task},
        {"IPM.TaskRequest.Accept", ItemClass::TaskRequest},
        {"IPM.Contact", ItemClass::Contact},
        {"IPM.DistList", ItemClass::Other},
    };
    for (const auto& [name, item] : cases) {
        EXPECT_EQ(ClassifyMessageClass(name), item) << name;
    }
}

TEST(Events, MeetingRequestCarriesTheInvitation)
{
    const auto lines = Export(MeetingRequest());
    EXPECT_TRUE(Has(lines, "METHOD:REQUEST"));
    const std::string id = GlobalObjectId(std::string("\x10\x20\x30\x40", 4));
    EXPECT_TRUE(Has(
        lines, "UID:" + UpperHex({reinterpret_cast<const std::uint8_t*>(id.data()), id.size()})));
    EXPECT_TRUE(Has(lines, "SEQUENCE:2"));
    EXPECT_TRUE(Has(lines, "DTSTAMP:20240102T080000Z"));
    EXPECT_TRUE(Has(lines, "TZID:Eastern Standard Time"));
    EXPECT_TRUE(Has(lines, "DTSTART;TZID=Eastern Standard Time:20240109T100000"));
    EXPECT_TRUE(Has(lines, "DTEND;TZID=Eastern Standard Time:20240109T110000"));
    EXPECT_TRUE(Has(lines, "RRULE:FREQ=WEEKLY;BYDAY=TU,TH;WKST=MO;COUNT=20"));
    // The deleted Thursday is excluded; the moved Tuesday is an event of its own.
    EXPECT_EQ(CountStarting(lines, "EXDATE"), 1u);
    EXPECT_TRUE(Has(lines, "EXDATE;TZID=Eastern Standard Time:20240111T100000"));
    EXPECT_TRUE(Has(lines, "RECURRENCE-ID;TZID=Eastern Standard Time:20240116T100000"));
    EXPECT_TRUE(Has(lines, "DTSTART;TZID=Eastern Standard Time:20240117T140000"));
    EXPECT_TRUE(Has(lines, "SUMMARY:Planning (moved)"));
    EXPECT_TRUE(Has(lines, "LOCATION:Room 5"));
    EXPECT_TRUE(Has(lines, "SUMMARY:Planning\\, Q1\\; review"));
    EXPECT_TRUE(Has(lines, "LOCATION:Room 4 \"Oak\""));
    EXPECT_TRUE(Has(lines, "DESCRIPTION:Agenda:\\n1. Budget"));
    EXPECT_TRUE(Has(lines, "ORGANIZER;CN=Dana Organizer:mailto:dana@example.org"));
    EXPECT_TRUE(Has(lines, "ATTENDEE;CN=Alex Required;ROLE=REQ-PARTICIPANT;PARTSTAT=NEEDS-ACTION;"
                           "RSVP=TRUE:mailto:alex@example.org"));
    EXPECT_TRUE(Has(lines, "ATTENDEE;CN=Bo Optional;ROLE=OPT-PARTICIPANT;PARTSTAT=NEEDS-ACTION;"
                           "RSVP=TRUE:mailto:bo@example.org"));
    EXPECT_TRUE(Has(lines, "ATTENDEE;CN=Room 4;CUTYPE=RESOURCE;ROLE=NON-PARTICIPANT;"
                           "PARTSTAT=NEEDS-ACTION;RSVP=TRUE:mailto:room4@example.org"));
    EXPECT_EQ(CountStarting(lines, "ATTENDEE"), 3u) << "the organizer's own row is no attendee";
    EXPECT_TRUE(Has(lines, "CLASS:PRIVATE"));
    EXPECT_TRUE(Has(lines, "PRIORITY:1"));
    EXPECT_TRUE(Has(lines, "CATEGORIES:Work,Planning"));
    EXPECT_TRUE(Has(lines, "TRANSP:OPAQUE"));
    EXPECT_TRUE(Has(lines, "TRIGGER:-PT30M"));
    EXPECT_EQ(CountStarting(lines, "BEGIN:VEVENT"), 2u);
}

TEST(Events, AllDayEventsAreDatesOfTheirLocalDay)
{
    const auto lines = Export(AllDayAppointment());
    EXPECT_TRUE(Has(lines, "METHOD:PUBLISH"));
    EXPECT_TRUE(Has(lines, "DTSTART;VALUE=DATE:20150525"));
    EXPECT_TRUE(Has(lines, "DTEND;VALUE=DATE:20150526"));
    EXPECT_TRUE(Has(lines, "TRANSP:TRANSPARENT"));
    EXPECT_TRUE(Has(lines, "ORGANIZER;CN=Arbeitsschutz:mailto:info@example.de"));
    EXPECT_EQ(CountStarting(lines, "BEGIN:VTIMEZONE"), 0u);
    EXPECT_TRUE(Has(lines, "DTSTAMP:20300101T000000Z")) << "the clock, for want of a message time";

    // A zone 14 hours east, where rounding to the nearest midnight would be a day early.
    Message kiritimati = AllDayAppointment();
    ZoneRule plus14;
    plus14.bias = -14 * 60;
    kiritimati.properties.Set(PidLidTimeZoneStruct, Value::Binary(TimeZoneStructBlob(plus14)));
    kiritimati.properties.Set(PidLidAppointmentStartWhole, Value::Time(Utc(2015, 5, 24, 10)));
    kiritimati.properties.Set(PidLidAppointmentEndWhole, Value::Time(Utc(2015, 5, 25, 10)));
    const auto far = Export(kiritimati);
    EXPECT_TRUE(Has(far, "DTSTART;VALUE=DATE:20150525"));
    EXPECT_TRUE(Has(far, "DTEND;VALUE=DATE:20150526"));
}

TEST(Events, CancellationsAndRepliesSayWhoSpeaks)
{
    Message cancel = MeetingRequest();
    cancel.properties.Set(PR_MESSAGE_CLASS, Text("IPM.Schedule.Meeting.Canceled"));
    const auto canceled = Export(cancel);
    EXPECT_TRUE(Has(canceled, "METHOD:CANCEL"));
    EXPECT_TRUE(Has(canceled, "STATUS:CANCELLED"));

    Message reply;
    reply.properties.Set(PR_MESSAGE_CLASS, Text("IPM.Schedule.Meeting.Resp.Tent"));
    reply.properties.Set(PR_SUBJECT, Text("Tentative: Planning"));
    reply.properties.Set(PR_SENDER_NAME, Text("Alex Required"));
    reply.properties.Set(PR_SENDER_EMAIL_ADDRESS, Text("/o=Example/cn=alex"));
    reply.properties.Set(PR_SENDER_SMTP_ADDRESS, Text("alex@example.org"));
    reply.properties.Set(PidLidGlobalObjectId, Value::Binary(GlobalObjectId("\x01")));
    PropertyBag organizer;
    organizer.Set(PR_DISPLAY_NAME, Text("Dana Organizer"));
    organizer.Set(PR_ADDRTYPE, Text("EX"));
    organizer.Set(PR_EMAIL_ADDRESS, Text("/o=Example/cn=dana"));
    reply.recipients = {organizer};
    const auto replied = Export(reply);
    EXPECT_TRUE(Has(replied, "METHOD:REPLY"));
    EXPECT_TRUE(Has(replied, "ORGANIZER;CN=Dana Organizer:invalid:nomail"));
    EXPECT_TRUE(
        Has(replied, "ATTENDEE;CN=Alex Required;PARTSTAT=TENTATIVE:mailto:alex@example.org"));
}

TEST(Events, LegacyAttributesAndNotesWithAppointmentTimes)
{
    Message legacy;
    legacy.attMessageClass = "IPM.Microsoft Schedule.MtgCncl";
    legacy.attDateStart = Utc(2013, 12, 23, 12);
    legacy.attDateEnd = Utc(2013, 12, 23, 12, 30);
    legacy.properties.Set(PR_CONVERSATION_TOPIC, Text("Meeting"));
    const auto lines = Export(legacy);
    EXPECT_TRUE(Has(lines, "METHOD:CANCEL"));
    EXPECT_TRUE(Has(lines, "DTSTART:20131223T120000")) << "wall-clock time of an unknown zone";
    EXPECT_TRUE(Has(lines, "DTEND:20131223T123000"));
    EXPECT_TRUE(Has(lines, "SUMMARY:Meeting"));
    legacy.properties.Set(PidLidTimeZoneStruct, Value::Binary(TimeZoneStructBlob(EasternRule())));
    const auto zoned = Export(legacy);
    EXPECT_TRUE(Has(zoned, "DTSTART;TZID=Custom:20131223T120000"));
    EXPECT_EQ(CountStarting(zoned, "BEGIN:VTIMEZONE"), 1u);

    Message note;
    note.properties.Set(PR_MESSAGE_CLASS, Text("IPM.Note"));
    EXPECT_EQ(ExportFormatOf(note), ExportFormat::None);
    EXPECT_FALSE(ExportItem(note));
    note.properties.Set(PidLidAppointmentStartWhole, Value::Time(Utc(2024, 5, 1, 9)));
    note.properties.Set(PidLidAppointmentEndWhole, Value::Time(Utc(2024, 5, 1, 10)));
    EXPECT_EQ(ExportFormatOf(note), ExportFormat::Calendar);
    EXPECT_TRUE(Has(Export(note), "DTSTART:20240501T090000Z"));
}

TEST(Tasks, BecomeTodosWithDatesStatusAndProgress)
{
    const auto lines = Export(Task());
    EXPECT_TRUE(Has(lines, "BEGIN:VTODO"));
    EXPECT_TRUE(Has(lines, "UID:0102030405060708090A0B0C0D0E0F10"));
    EXPECT_TRUE(Has(lines, "DTSTAMP:20240130T120000Z"));
    EXPECT_TRUE(Has(lines, "DTSTART;VALUE=DATE:20240201"));
    EXPECT_TRUE(Has(lines, "DUE;VALUE=DATE:20240209"));
    EXPECT_TRUE(Has(lines, "STATUS:IN-PROCESS"));
    EXPECT_TRUE(Has(lines, "PERCENT-COMPLETE:25"));
    EXPECT_TRUE(Has(lines, "PRIORITY:9"));
    EXPECT_TRUE(Has(lines, "TRIGGER;VALUE=DATE-TIME:20240208T090000Z"));
    EXPECT_TRUE(Has(lines, "DESCRIPTION:Numbers from Q4"));
}

TEST(Contacts, BecomeCardsWithEveryAddressAndThePicture)
{
    const Message contact = Contact();
    EXPECT_EQ(ExportFormatOf(contact), ExportFormat::Card);
    EXPECT_EQ(FileExtensionOf(ExportFormat::Card), ".vcf");
    const auto lines = Export(contact);
    EXPECT_TRUE(Has(lines, "VERSION:4.0"));
    EXPECT_TRUE(Has(lines, "FN:Dr. Jane Q. Public Jr."));
    EXPECT_TRUE(Has(lines, "N:Public;Jane;Q.;Dr.;Jr."));
    EXPECT_TRUE(Has(lines, "ORG:Example\\, Inc.;R&D"));
    EXPECT_TRUE(
        Has(lines, "EMAIL;PREF=1;X-DISPLAY-NAME=Jane Public (jane@example.com):jane@example.com"));
    EXPECT_TRUE(Has(
        lines, "EMAIL;PREF=3;X-DISPLAY-NAME=Jane Public (public@example.org):public@example.org"));
    EXPECT_TRUE(Has(lines, "TEL;TYPE=work,voice:+1 555 0100"));
    EXPECT_TRUE(Has(lines, "TEL;TYPE=cell:+1 555 0102"));
    EXPECT_TRUE(Has(lines, "TEL;TYPE=work,fax:+1 555 0103"));
    EXPECT_TRUE(Has(lines, "ADR;TYPE=home:;;1 Home Lane;Springfield;;12345;USA"));
    EXPECT_TRUE(Has(lines, "ADR;TYPE=work:PO 9;;2 Office Park\\nSuite 5;Shelbyville;IL;;"));
    EXPECT_TRUE(Has(lines, "ADR:;;3 Lake Road;Capital City;;;"));
    EXPECT_TRUE(Has(lines, "URL;TYPE=work:http://www.example.com"));
    EXPECT_TRUE(Has(lines, "BDAY:19800510"));
    EXPECT_TRUE(Has(lines, "NOTE:Met at the fair\\, booth 7"));
    EXPECT_TRUE(Has(lines, "PHOTO:data:image/png;base64,iVBORw0KGgoAAAANSUhEUg=="));
}

} // namespace

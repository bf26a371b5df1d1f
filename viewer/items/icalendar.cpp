#include "viewer/items/icalendar.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "format/mapi.h"
#include "platform/format.h"
#include "viewer/items/calendar_time.h"
#include "viewer/items/content_lines.h"
#include "viewer/items/global_object_id.h"
#include "viewer/items/item_fields_p.h"
#include "viewer/items/recurrence.h"
#include "viewer/items/time_zone.h"

namespace viewer::items {

using namespace ::format;

namespace {

constexpr std::string_view kProductId = "-//corvane.example//Pallion//EN";
// The reminder a client sets when it stores none ([MS-OXOCAL] PidLidReminderDelta).
constexpr std::int64_t kDefaultReminderMinutes = 15;
// A reminder further ahead than a year is not one we pass on.
constexpr std::int64_t kMaxReminderMinutes = 366 * 24 * 60;

// PR_RECIPIENT_TRACKSTATUS.
constexpr std::int64_t respTentative = 2;
constexpr std::int64_t respAccepted = 3;
constexpr std::int64_t respDeclined = 4;

// Someone the item names: a display name, a mail address, or both.
struct Party {
    std::optional<std::string> name;
    std::optional<std::string> address;
};

std::optional<std::string> MailAddress(const PropertyReader& props, std::uint32_t smtpTag,
                                       std::uint32_t emailTag)
{
    for (const std::uint32_t tag : {smtpTag, emailTag}) {
        // An address of another kind (an X.500 name) has no '@' and is no mail address.
        if (auto text = props.Text(tag); text && text->find('@') != std::string::npos) {
            const std::size_t first = text->find_first_not_of(' ');
            const std::size_t last = text->find_last_not_of(' ');
            return text->substr(first, last - first + 1);
        }
    }
    return std::nullopt;
}

Party SenderOf(const PropertyReader& props)
{
    const Party representing{
        props.Text(PR_SENT_REPRESENTING_NAME),
        MailAddress(props, PR_SENT_REPRESENTING_SMTP_ADDRESS, PR_SENT_REPRESENTING_EMAIL_ADDRESS)};
    const Party sender{props.Text(PR_SENDER_NAME),
                       MailAddress(props, PR_SENDER_SMTP_ADDRESS, PR_SENDER_EMAIL_ADDRESS)};
    if (representing.address || (representing.name && !sender.address)) {
        return representing;
    }
    return sender;
}

Party RecipientOf(const PropertyReader& props)
{
    return {props.Text(PR_DISPLAY_NAME), MailAddress(props, PR_SMTP_ADDRESS, PR_EMAIL_ADDRESS)};
}

// A mailto: URI (RFC 6068); every byte outside the address characters percent-encoded. A
// party without an address gets the placeholder calendar clients use for one.
std::string CalAddress(const Party& party)
{
    if (!party.address) {
        return "invalid:nomail";
    }
    return "mailto:" + PercentEncode(*party.address, "-._~@!$&'*+=/");
}

const char* MethodOf(ItemClass itemClass)
{
    switch (itemClass) {
    case ItemClass::MeetingRequest:
        return "REQUEST";
    case ItemClass::MeetingCanceled:
        return "CANCEL";
    case ItemClass::MeetingAccepted:
    case ItemClass::MeetingDeclined:
    case ItemClass::MeetingTentative:
        return "REPLY";
    default:
        return "PUBLISH";
    }
}

bool IsReply(ItemClass itemClass)
{
    return std::string_view(MethodOf(itemClass)) == "REPLY";
}

const char* ReplyStatusOf(ItemClass itemClass)
{
    switch (itemClass) {
    case ItemClass::MeetingAccepted:
        return "ACCEPTED";
    case ItemClass::MeetingDeclined:
        return "DECLINED";
    default:
        return "TENTATIVE";
    }
}

void WriteCalendarHead(ContentLines& out, const char* method)
{
    out.Begin("VCALENDAR");
    out.Raw("PRODID", kProductId);
    out.Raw("VERSION", "2.0");
    out.Raw("METHOD", method);
}

// CLASS, PRIORITY and CATEGORIES, which events and tasks share.
void WriteClassification(ContentLines& out, const PropertyReader& props)
{
    if (const auto sensitivity = props.Integer(PR_SENSITIVITY)) {
        out.Raw("CLASS", *sensitivity == 0   ? "PUBLIC"
                         : *sensitivity == 3 ? "CONFIDENTIAL"
                                             : "PRIVATE");
    }
    if (const auto importance = props.Integer(PR_IMPORTANCE)) {
        out.Raw("PRIORITY", *importance >= 2 ? "1" : *importance == 1 ? "5" : "9");
    }
    if (const auto keywords = props.Strings(PidNameKeywords); !keywords.empty()) {
        out.Property("CATEGORIES").List(keywords);
    }
}

void WriteAlarm(ContentLines& out, const std::string& trigger, bool absolute,
                const std::optional<std::string>& summary)
{
    out.Begin("VALARM");
    out.Raw("ACTION", "DISPLAY");
    if (absolute) {
        out.Property("TRIGGER").Param("VALUE", "DATE-TIME").Raw(trigger);
    } else {
        out.Raw("TRIGGER", trigger);
    }
    out.Text("DESCRIPTION", summary.value_or("Reminder"));
    out.End("VALARM");
}

// One appointment, meeting request, cancellation or response as an iCalendar object.
class EventWriter {
  public:
    EventWriter(const Message& message, ItemClass itemClass, const ExportOptions& options)
        : m_message(message), m_props(message.properties, message.codePage), m_itemClass(itemClass),
          m_options(options)
    {
    }

    std::string Write();

  private:
    void ReadTimes();
    void ReadRecurrence();
    void ChooseZone();
    void ChooseUid();

    void WriteSeries();
    void WriteParties();
    void WriteRecurrence();
    void WriteException(const RecurrenceException& exception);

    // A time in UTC written as the event's times are: a DATE for all-day events, a local
    // time with TZID when the VTIMEZONE is written, a floating time for the wall-clock
    // times of the legacy dates (which the time then is), else UTC.
    void TimeLine(std::string_view name, Seconds utc);
    // The same for a time in the appointment's local time (recurrence blobs).
    void LocalTimeLine(std::string_view name, Seconds local, bool allDay);
    Seconds ToLocal(Seconds utc) const { return m_zone ? m_zone->ToLocal(utc) : utc; }
    Seconds ToUtc(Seconds local) const { return m_zone ? m_zone->ToUtc(local) : local; }
    // The local day an all-day time falls on, as its midnight.
    Seconds LocalDay(Seconds utc) const { return NearestMidnight(ToLocal(utc)); }

    const Message& m_message;
    PropertyReader m_props;
    ItemClass m_itemClass;
    ExportOptions m_options;
    ContentLines m_out;

    std::optional<Seconds> m_start; // UTC, or wall-clock time when m_floating
    std::optional<Seconds> m_end;
    bool m_floating = false;
    bool m_allDay = false;
    std::optional<Recurrence> m_recurrence;
    std::optional<TimeZone> m_zone;
    bool m_zoneWritten = false;
    std::string m_uid;
    std::optional<Seconds> m_recurrenceId; // UTC
    Seconds m_stamp = 0;
    std::optional<std::string> m_summary;
    std::optional<std::string> m_location;
};

std::optional<Seconds> SecondsOfTime(std::optional<FileTime> time)
{
    return time ? SecondsOfFileTime(*time) : std::nullopt;
}

void EventWriter::ReadTimes()
{
    for (const auto time :
         {m_props.Time(PidLidAppointmentStartWhole), m_props.Time(PR_START_DATE)}) {
        if ((m_start = SecondsOfTime(time))) {
            break;
        }
    }
    for (const auto time : {m_props.Time(PidLidAppointmentEndWhole), m_props.Time(PR_END_DATE)}) {
        if ((m_end = SecondsOfTime(time))) {
            break;
        }
    }
    if (!m_start) {
        // The legacy dates are the sender's wall-clock time.
        m_start = SecondsOfTime(m_message.attDateStart);
        m_end = SecondsOfTime(m_message.attDateEnd);
        m_floating = m_start.has_value();
    }
    m_allDay = m_props.Bool(PidLidAppointmentSubType).value_or(false) && m_start.has_value();
}

void EventWriter::ReadRecurrence()
{
    if (!m_start || !m_props.Bool(PidLidRecurring).value_or(true)) {
        return;
    }
    if (const auto blob = m_props.Binary(PidLidAppointmentRecur)) {
        m_recurrence = ParseRecurrence(*blob, m_message.codePage);
    }
}

void EventWriter::ChooseZone()
{
    // A recurrence's local times are in the zone of PidLidTimeZoneStruct and of the
    // recurrence's definition; a single appointment is shown in its start's zone.
    const auto startDisplay = m_props.Binary(PidLidAppointmentTimeZoneDefinitionStartDisplay);
    const auto recur = m_props.Binary(PidLidAppointmentTimeZoneDefinitionRecur);
    const auto structure = m_props.Binary(PidLidTimeZoneStruct);
    const auto definition = [](const auto& blob) {
        return blob ? ParseTimeZoneDefinition(*blob) : std::nullopt;
    };
    const auto single = [&] { return structure ? ParseTimeZoneStruct(*structure) : std::nullopt; };
    if (m_recurrence) {
        m_zone = definition(recur);
        m_zone = m_zone ? m_zone : single();
        m_zone = m_zone ? m_zone : definition(startDisplay);
    } else {
        m_zone = definition(startDisplay);
        m_zone = m_zone ? m_zone : single();
        m_zone = m_zone ? m_zone : definition(recur);
    }
    if (m_zone && m_zone->name.empty()) {
        m_zone->name = m_props.Text(PidLidTimeZoneDescription).value_or("");
    }
    if (m_floating && m_zone) {
        // Wall-clock times in a known zone are times like any other.
        m_start = m_zone->ToUtc(*m_start);
        m_end = m_end ? std::optional(m_zone->ToUtc(*m_end)) : std::nullopt;
        m_floating = false;
    }
    m_zoneWritten = m_zone.has_value() && m_start.has_value() && !m_allDay;

    if (!m_zone && m_start && !m_floating && m_recurrence && m_recurrence->hasTimes && !m_allDay) {
        // Without a zone, the recurrence's local times are read at the offset its first
        // occurrence has: the local start minute against the UTC one.
        std::int64_t offset =
            std::int64_t{m_recurrence->startTimeOffset} - (*m_start % kSecondsPerDay) / 60;
        offset = offset > 14 * 60 ? offset - 1440 : offset < -12 * 60 ? offset + 1440 : offset;
        ZoneRule fixed;
        fixed.bias = static_cast<std::int32_t>(-offset);
        m_zone = TimeZone{"", {fixed}};
    }
}

void EventWriter::ChooseUid()
{
    std::optional<MeetingUid> uid;
    for (const NamedProperty& property : {PidLidGlobalObjectId, PidLidCleanGlobalObjectId}) {
        if (const auto blob = m_props.Binary(property); blob && !uid) {
            uid = UidOfGlobalObjectId(*blob);
        }
    }
    if (!uid) {
        m_uid = FallbackUid(m_message);
        return;
    }
    // One occurrence of a series shares the series' UID and says which occurrence it is;
    // without the occurrence's original start, it keeps an identity of its own rather than
    // replace the whole series.
    m_recurrenceId = SecondsOfTime(m_props.Time(PidLidExceptionReplaceTime));
    if (uid->instance && !m_recurrenceId) {
        m_uid = uid->exact;
    } else {
        m_uid = uid->series;
    }
    if (!uid->instance) {
        m_recurrenceId.reset();
    }
}

void EventWriter::TimeLine(std::string_view name, Seconds utc)
{
    if (m_allDay) {
        m_out.Property(name).Param("VALUE", "DATE").Raw(FormatDate(LocalDay(utc)));
    } else if (m_zoneWritten) {
        m_out.Property(name).Param("TZID", ZoneId(*m_zone)).Raw(FormatLocalDateTime(ToLocal(utc)));
    } else if (m_floating) {
        m_out.Raw(name, FormatLocalDateTime(utc));
    } else {
        m_out.Raw(name, FormatUtcDateTime(utc));
    }
}

void EventWriter::LocalTimeLine(std::string_view name, Seconds local, bool allDay)
{
    if (allDay) {
        m_out.Property(name).Param("VALUE", "DATE").Raw(FormatDate(MidnightOf(local)));
    } else if (m_zoneWritten) {
        m_out.Property(name).Param("TZID", ZoneId(*m_zone)).Raw(FormatLocalDateTime(local));
    } else if (m_floating) {
        m_out.Raw(name, FormatLocalDateTime(local));
    } else {
        m_out.Raw(name, FormatUtcDateTime(ToUtc(local)));
    }
}

std::string EventWriter::Write()
{
    ReadTimes();
    ReadRecurrence();
    ChooseZone();
    ChooseUid();
    m_stamp = StampOf({m_props.Time(PidLidOwnerCriticalChange), m_props.Time(PR_CLIENT_SUBMIT_TIME),
                       m_props.Time(PR_LAST_MODIFICATION_TIME), m_props.Time(PR_CREATION_TIME)},
                      m_options.now);
    m_summary = m_props.Text(PR_SUBJECT);
    m_summary = m_summary ? m_summary : m_props.Text(PR_CONVERSATION_TOPIC);
    m_location = m_props.Text(PidLidLocation);
    m_location = m_location ? m_location : m_props.Text(PidLidWhere);

    WriteCalendarHead(m_out, MethodOf(m_itemClass));
    if (m_zoneWritten) {
        WriteTimeZone(m_out, *m_zone);
    }
    WriteSeries();
    if (m_recurrence && m_recurrence->exceptionsRead) {
        for (const RecurrenceException& exception : m_recurrence->exceptions) {
            WriteException(exception);
        }
    }
    m_out.End("VCALENDAR");
    return m_out.Output();
}

void EventWriter::WriteSeries()
{
    m_out.Begin("VEVENT");
    m_out.Text("UID", m_uid);
    if (m_recurrenceId) {
        TimeLine("RECURRENCE-ID", *m_recurrenceId);
    }
    if (const auto sequence = m_props.Integer(PidLidAppointmentSequence);
        sequence && *sequence >= 0) {
        m_out.Raw("SEQUENCE", std::to_string(*sequence));
    }
    m_out.Raw("DTSTAMP", FormatUtcDateTime(m_stamp));
    if (m_start) {
        TimeLine("DTSTART", *m_start);
        // An end before the start (or, all day, on the start's day) is left out: the event
        // then lasts its default length.
        if (m_end && (m_allDay ? LocalDay(*m_end) > LocalDay(*m_start) : *m_end >= *m_start)) {
            TimeLine("DTEND", *m_end);
        }
        WriteRecurrence();
    }
    if (m_summary) {
        m_out.Text("SUMMARY", *m_summary);
    }
    if (m_location) {
        m_out.Text("LOCATION", *m_location);
    }
    if (const auto body = BodyTextOf(m_message)) {
        m_out.Text("DESCRIPTION", *body);
    }
    WriteParties();
    WriteClassification(m_out, m_props);
    if (const auto busy = m_props.Integer(PidLidBusyStatus)) {
        m_out.Raw("TRANSP", *busy == 0 ? "TRANSPARENT" : "OPAQUE");
    }
    if (m_itemClass == ItemClass::MeetingCanceled) {
        m_out.Raw("STATUS", "CANCELLED");
    }
    if (m_props.Bool(PidLidReminderSet).value_or(false) && !IsReply(m_itemClass)) {
        const std::int64_t minutes = std::clamp<std::int64_t>(
            m_props.Integer(PidLidReminderDelta).value_or(kDefaultReminderMinutes), 0,
            kMaxReminderMinutes);
        WriteAlarm(m_out, platform::Format("-PT%lldM", static_cast<long long>(minutes)), false,
                   m_summary);
    }
    m_out.End("VEVENT");
}

void EventWriter::WriteParties()
{
    const Party sender = SenderOf(m_props);
    if (IsReply(m_itemClass)) {
        // A response goes from an attendee to the organizer.
        for (const PropertyBag& row : m_message.recipients) {
            const Party organizer = RecipientOf(PropertyReader(row, m_message.codePage));
            if (organizer.name || organizer.address) {
                auto line = m_out.Property("ORGANIZER");
                if (organizer.name) {
                    line.Param("CN", *organizer.name);
                }
                line.Raw(CalAddress(organizer));
                break;
            }
        }
        if (sender.name || sender.address) {
            auto line = m_out.Property("ATTENDEE");
            if (sender.name) {
                line.Param("CN", *sender.name);
            }
            line.Param("PARTSTAT", ReplyStatusOf(m_itemClass)).Raw(CalAddress(sender));
        }
        return;
    }

    std::optional<Party> organizer;
    if (sender.name || sender.address) {
        organizer = sender;
    }
    const bool request = m_itemClass == ItemClass::MeetingRequest;
    const bool rsvp = m_props.Bool(PR_RESPONSE_REQUESTED).value_or(request);
    struct Attendee {
        Party party;
        std::int64_t type;
        std::optional<std::int64_t> status;
    };
    std::vector<Attendee> attendees;
    for (const PropertyBag& row : m_message.recipients) {
        const PropertyReader props(row, m_message.codePage);
        const Party party = RecipientOf(props);
        if (!party.name && !party.address) {
            continue;
        }
        if (props.Integer(PR_RECIPIENT_FLAGS).value_or(0) & recipOrganizer) {
            // The organizer's own row often has the mail address that a sender known by
            // another kind of address lacks.
            if (!organizer) {
                organizer = party;
            } else if (!organizer->address) {
                organizer->address = party.address;
            }
            continue;
        }
        attendees.push_back({party, props.Integer(PR_RECIPIENT_TYPE).value_or(MAPI_TO),
                             props.Integer(PR_RECIPIENT_TRACKSTATUS)});
    }
    // Without a recipient table, the attendees the appointment lists by name.
    if (m_message.recipients.empty()) {
        for (const auto& [property, type] : {std::pair{PidLidToAttendeesString, MAPI_TO},
                                             std::pair{PidLidCcAttendeesString, MAPI_CC}}) {
            const std::string list = m_props.Text(property).value_or("");
            std::size_t begin = 0;
            while (begin <= list.size()) {
                const std::size_t end = std::min(list.find(';', begin), list.size());
                std::string entry = list.substr(begin, end - begin);
                entry.erase(0, std::min(entry.find_first_not_of(' '), entry.size()));
                entry.erase(entry.find_last_not_of(' ') + 1);
                if (!entry.empty()) {
                    Party party;
                    (entry.find('@') != std::string::npos ? party.address : party.name) = entry;
                    attendees.push_back({party, type, std::nullopt});
                }
                begin = end + 1;
            }
        }
    }

    if (organizer) {
        auto line = m_out.Property("ORGANIZER");
        if (organizer->name) {
            line.Param("CN", *organizer->name);
        }
        line.Raw(CalAddress(*organizer));
    }
    for (const Attendee& attendee : attendees) {
        auto line = m_out.Property("ATTENDEE");
        if (attendee.party.name) {
            line.Param("CN", *attendee.party.name);
        }
        if (attendee.type == MAPI_BCC) {
            line.Param("CUTYPE", "RESOURCE").Param("ROLE", "NON-PARTICIPANT");
        } else {
            line.Param("ROLE", attendee.type == MAPI_CC ? "OPT-PARTICIPANT" : "REQ-PARTICIPANT");
        }
        const char* status = "NEEDS-ACTION";
        if (!request && attendee.status) {
            status = *attendee.status == respAccepted    ? "ACCEPTED"
                     : *attendee.status == respDeclined  ? "DECLINED"
                     : *attendee.status == respTentative ? "TENTATIVE"
                                                         : "NEEDS-ACTION";
        }
        line.Param("PARTSTAT", status);
        if (request) {
            line.Param("RSVP", rsvp ? "TRUE" : "FALSE");
        }
        line.Raw(CalAddress(attendee.party));
    }
}

void EventWriter::WriteRecurrence()
{
    if (!m_recurrence) {
        return;
    }
    const Recurrence& r = *m_recurrence;
    const auto firstDay = SecondsOfMinutes(r.startDate);
    auto rule = RecurrenceRule(r, CivilOfSeconds(firstDay.value_or(ToLocal(*m_start))).month);
    if (!rule) {
        return;
    }
    // The local minute of the day each occurrence starts at.
    const Seconds startOfDay = r.hasTimes ? Seconds{r.startTimeOffset} * 60
                                          : ToLocal(*m_start) - MidnightOf(ToLocal(*m_start));
    if (r.endType == kEndAfterCount) {
        *rule += platform::Format(";COUNT=%u", r.occurrenceCount);
    } else if (r.endType == kEndAfterDate) {
        const auto lastDay = SecondsOfMinutes(r.endDate);
        if (lastDay && m_allDay) {
            *rule += ";UNTIL=" + FormatDate(MidnightOf(*lastDay));
        } else if (lastDay && m_floating) {
            *rule += ";UNTIL=" + FormatLocalDateTime(MidnightOf(*lastDay) + startOfDay);
        } else if (lastDay) {
            *rule += ";UNTIL=" + FormatUtcDateTime(ToUtc(MidnightOf(*lastDay) + startOfDay));
        }
    }
    m_out.Raw("RRULE", *rule);

    // Deleted instances include the changed ones, each of which is written as an event of
    // its own below; the others are EXDATEs. When the changes cannot be read, every
    // deleted instance is excluded.
    std::set<Seconds> changedDays;
    for (const RecurrenceException& exception : r.exceptions) {
        if (const auto original = SecondsOfMinutes(exception.originalStart)) {
            changedDays.insert(MidnightOf(*original));
        }
    }
    for (const std::uint32_t date : r.deletedDates) {
        const auto day = SecondsOfMinutes(date);
        if (day && !changedDays.contains(MidnightOf(*day))) {
            LocalTimeLine("EXDATE", MidnightOf(*day) + startOfDay, m_allDay);
        }
    }
}

void EventWriter::WriteException(const RecurrenceException& exception)
{
    const auto original = SecondsOfMinutes(exception.originalStart);
    const auto start = SecondsOfMinutes(exception.start);
    const auto end = SecondsOfMinutes(exception.end);
    if (!original || !start || !end) {
        return;
    }
    const bool allDay = exception.allDay.value_or(m_allDay);
    m_out.Begin("VEVENT");
    m_out.Text("UID", m_uid);
    LocalTimeLine("RECURRENCE-ID", *original, m_allDay);
    if (const auto sequence = m_props.Integer(PidLidAppointmentSequence);
        sequence && *sequence >= 0) {
        m_out.Raw("SEQUENCE", std::to_string(*sequence));
    }
    m_out.Raw("DTSTAMP", FormatUtcDateTime(m_stamp));
    LocalTimeLine("DTSTART", *start, allDay);
    if (allDay ? MidnightOf(*end) > MidnightOf(*start) : *end >= *start) {
        LocalTimeLine("DTEND", *end, allDay);
    }
    if (const auto& summary = exception.subject ? exception.subject : m_summary) {
        m_out.Text("SUMMARY", *summary);
    }
    if (const auto& location = exception.location ? exception.location : m_location) {
        m_out.Text("LOCATION", *location);
    }
    m_out.End("VEVENT");
}

} // namespace

std::string WriteEvent(const Message& message, ItemClass itemClass, const ExportOptions& options)
{
    return EventWriter(message, itemClass, options).Write();
}

std::string WriteTask(const Message& message, const ExportOptions& options)
{
    const PropertyReader props(message.properties, message.codePage);
    ContentLines out;
    WriteCalendarHead(out, "PUBLISH");
    out.Begin("VTODO");
    const auto globalId = props.Binary(PidLidTaskGlobalId);
    out.Text("UID", globalId && !globalId->empty() && globalId->size() <= kMaxGlobalObjectIdSize
                        ? UpperHex(*globalId)
                        : FallbackUid(message));
    out.Raw("DTSTAMP", FormatUtcDateTime(StampOf({props.Time(PR_LAST_MODIFICATION_TIME),
                                                  props.Time(PR_CLIENT_SUBMIT_TIME),
                                                  props.Time(PR_CREATION_TIME)},
                                                 options.now)));
    const auto summary = props.Text(PR_SUBJECT);
    if (summary) {
        out.Text("SUMMARY", *summary);
    }
    if (const auto body = BodyTextOf(message)) {
        out.Text("DESCRIPTION", *body);
    }
    // Task dates are days, stored as their midnight.
    const auto day = [&](const NamedProperty& property) -> std::optional<Seconds> {
        const auto time = SecondsOfTime(props.Time(property));
        return time ? std::optional<Seconds>(NearestMidnight(*time)) : std::nullopt;
    };
    const auto start = day(PidLidTaskStartDate);
    const auto due = day(PidLidTaskDueDate);
    if (start) {
        out.Property("DTSTART").Param("VALUE", "DATE").Raw(FormatDate(*start));
    }
    if (due && (!start || *due >= *start)) {
        out.Property("DUE").Param("VALUE", "DATE").Raw(FormatDate(*due));
    }
    const bool complete = props.Bool(PidLidTaskComplete).value_or(false);
    const auto status = props.Integer(PidLidTaskStatus);
    if (complete || status) {
        // Waiting on someone else and deferred tasks still need action.
        const std::int64_t code = complete ? 2 : *status;
        out.Raw("STATUS", code == 2 ? "COMPLETED" : code == 1 ? "IN-PROCESS" : "NEEDS-ACTION");
    }
    if (const auto completed = day(PidLidTaskDateCompleted)) {
        out.Raw("COMPLETED", FormatUtcDateTime(*completed));
    }
    if (const auto percent = props.Real(PidLidPercentComplete);
        percent && std::isfinite(*percent)) {
        const long percentage = std::lround(std::clamp(*percent, 0.0, 1.0) * 100);
        out.Raw("PERCENT-COMPLETE", std::to_string(percentage));
    }
    WriteClassification(out, props);
    if (props.Bool(PidLidReminderSet).value_or(false)) {
        if (const auto when = SecondsOfTime(props.Time(PidLidReminderTime))) {
            WriteAlarm(out, FormatUtcDateTime(*when), true, summary);
        }
    }
    out.End("VTODO");
    out.End("VCALENDAR");
    return out.Output();
}

} // namespace viewer::items

// Test-side writers of the blobs and messages the item exporters read, so that a test shows
// what it feeds. The blobs follow the published layouts ([MS-OXOCAL]), written here apart
// from the parsers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/mapi.h"
#include "viewer/items/message.h"
#include "viewer/items/recurrence.h"
#include "viewer/items/time_zone.h"

namespace items_test {

using namespace viewer::items;
using namespace ::format;

// A FILETIME of a UTC date and time.
FileTime Utc(int year, int month, int day, int hour = 0, int minute = 0);
// Minutes since 1601 of a local date and time, as recurrence blobs count.
std::uint32_t LocalMinutes(int year, int month, int day, int hour = 0, int minute = 0);

// A PidLidAppointmentRecur blob of the pattern; the AppointmentRecurrencePattern part and
// its exceptions (8-bit and, from WriterVersion2 0x3009, Unicode texts) when hasTimes.
std::string RecurrenceBlob(const Recurrence& pattern, std::uint32_t writerVersion2 = 0x3009);

// PidLidTimeZoneStruct of one rule; a TZDEFINITION of a key name and rules.
std::string TimeZoneStructBlob(const ZoneRule& rule);
std::string TimeZoneDefinitionBlob(const std::u16string& keyName,
                                   const std::vector<ZoneRule>& rules);

// US Eastern time since 2007 and before it, and Sydney's (southern hemisphere).
ZoneRule EasternRule();
ZoneRule Eastern2006Rule();
ZoneRule SydneyRule();

// A PidLidGlobalObjectId of `data` with an instance date (0: the series).
std::string GlobalObjectId(const std::string& data, int instanceYear = 0, int instanceMonth = 0,
                           int instanceDay = 0);

// A bag's 8-bit text, in place.
Value Text(const std::string& text);

// The recurrence of MeetingRequest(): Tuesdays and Thursdays at 10:00 local time, twenty
// times from 2024-01-09; January 11 deleted, January 16 moved to the 17th at 14:00 with a
// subject and location of its own.
Recurrence MeetingPattern();

// The generated items every test family starts from.
Message MeetingRequest();    // a weekly series in US Eastern time with an exception
Message AllDayAppointment(); // a German holiday, no time zone
Message Task();
Message Contact(); // three addresses, three e-mail addresses, a picture

} // namespace items_test

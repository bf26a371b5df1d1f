// Meetings, appointments and tasks as iCalendar objects (RFC 5545, with the METHOD of
// RFC 5546): one VEVENT for the appointment, one more per changed occurrence of a recurring
// one, or one VTODO for a task.
#pragma once

#include <string>

#include "viewer/items/message.h"
#include "viewer/items/message_class.h"

namespace viewer::items {

struct ExportOptions {
    // DTSTAMP for a message that keeps no time of its own; 0 takes the clock's.
    FileTime now = 0;
};

// `itemClass` decides METHOD (REQUEST, CANCEL, REPLY, else PUBLISH), STATUS and who is
// organizer and attendee.
[[nodiscard]] std::string WriteEvent(const Message& message, ItemClass itemClass,
                                     const ExportOptions& options);
[[nodiscard]] std::string WriteTask(const Message& message, const ExportOptions& options);

} // namespace viewer::items

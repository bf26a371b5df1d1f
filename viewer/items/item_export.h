// The one way into the item exporters: what a message is, which file it exports to, and
// that file's text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "viewer/items/icalendar.h"
#include "viewer/items/message.h"
#include "viewer/items/message_class.h"

namespace viewer::items {

enum class ExportFormat { None, Calendar, Card };

// PR_MESSAGE_CLASS, else attMessageClass; "" for neither.
[[nodiscard]] std::string MessageClassOf(const Message& message);
// The kind of item that class names.
[[nodiscard]] ItemClass ItemClassOf(const Message& message);

// Calendar for appointments, meeting messages and tasks, and for any other message that
// carries an appointment's start and end; Card for contacts; None otherwise.
[[nodiscard]] ExportFormat ExportFormatOf(const Message& message);

// ".ics", ".vcf", or "" for None.
[[nodiscard]] std::string_view FileExtensionOf(ExportFormat format);

// The iCalendar object or vCard, in UTF-8 with CRLF line ends; nothing for a message whose
// format is None.
[[nodiscard]] std::optional<std::string> ExportItem(const Message& message,
                                                    const ExportOptions& options = {});

} // namespace viewer::items

// Fields every item writer reads the same way.
#pragma once

#include <optional>
#include <string>

#include "viewer/items/calendar_time.h"
#include "viewer/items/message.h"

namespace viewer::items {

// A stable UID for an item without an identity of its own: PR_SEARCH_KEY in upper-case
// hexadecimal, else a hash of the class, subject and times, so that exporting the same
// message twice gives the same UID.
[[nodiscard]] std::string FallbackUid(const Message& message);

// PR_BODY, else the text of the RTF or HTML body; trailing blanks and line ends cut.
[[nodiscard]] std::optional<std::string> BodyTextOf(const Message& message);

// The time an exported object is made: the first of the times given, else the clock.
[[nodiscard]] Seconds StampOf(std::initializer_list<std::optional<FileTime>> times, FileTime now);

} // namespace viewer::items

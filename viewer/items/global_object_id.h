// The identity of a meeting (PidLidGlobalObjectId, PidLidCleanGlobalObjectId; [MS-OXOCAL]
// 2.2.1.27): a fixed class identifier, the date of one instance (zero for the whole series),
// a creation time, eight reserved bytes, a size and that many bytes of data.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace viewer::items {

// Longer identifiers are not taken as a UID.
inline constexpr std::size_t kMaxGlobalObjectIdSize = 1024;

struct MeetingUid {
    // The series' UID: the upper-case hexadecimal of the identifier with its instance date
    // cleared or, when its data wraps the UID of an iCalendar object ("vCal-Uid", version 1,
    // the text), that text, so that an invitation that came from iCalendar keeps its UID.
    std::string series;
    // The identifier as stored, in upper-case hexadecimal.
    std::string exact;
    // The identifier names one instance of a recurring series.
    bool instance = false;
};

// Nothing for an identifier shorter than its fixed part, longer than the cap, or whose size
// field disagrees with its length.
[[nodiscard]] std::optional<MeetingUid> UidOfGlobalObjectId(std::span<const std::uint8_t> id);

// Upper-case hexadecimal of any bytes.
[[nodiscard]] std::string UpperHex(std::span<const std::uint8_t> bytes);

} // namespace viewer::items

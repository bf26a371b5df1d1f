// The metafile player: a Windows metafile (an optional placeable header, the standard
// header, then records by their size) played into a Picture of drawing steps.
#pragma once

#include <cstdint>
#include <span>

#include "platform/status.h"
#include "viewer/render/metafile/picture.h"

namespace viewer::render::metafile {

// Limits that keep a hostile metafile's memory proportional to what it shows.
inline constexpr std::size_t kMaxSteps = std::size_t{1} << 18;
inline constexpr std::uint64_t kMaxPicturePixels = std::uint64_t{1} << 24;

// Where the standard header and the records lie: after the placeable header when there is
// one, for mtSize 16-bit words, bounded by the bytes present.
struct MetafileLayout {
    std::size_t headerOffset = 0; // 22 with a placeable header, else 0
    std::size_t size = 0;         // bytes of the standard metafile from headerOffset
    std::uint16_t objects = 0;    // mtNoObjects
    bool placeable = false;
    RectD placeableBox; // in logical units
    std::uint16_t unitsPerInch = 0;
};

// Reads the placeable and standard headers. E_FAIL when they are cut short or are not a
// metafile's (wrong type or header size).
[[nodiscard]] platform::StatusCode ReadMetafileLayout(std::span<const std::uint8_t> bytes,
                                                      MetafileLayout& layout);

// Plays every record into `picture`. E_FAIL (and an empty picture) when the headers cannot
// be read; a damaged record or a limit reached ends the picture with what was drawn and
// sets Picture::damaged. Unknown records, escapes and calls on objects that do not exist
// are skipped, as a device context ignores them.
[[nodiscard]] platform::StatusCode PlayMetafile(std::span<const std::uint8_t> bytes,
                                                Picture& picture);

} // namespace viewer::render::metafile

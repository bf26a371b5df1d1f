// Compressed RTF ([MS-OXRTFCP]): a stream object that inflates a PR_RTF_COMPRESSED value
// when read, or compresses what is written to it and stores the compressed value.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/com.h"
#include "platform/status.h"

namespace viewer::rtf {

// Open flags.
inline constexpr std::uint32_t MAPI_MODIFY = 0x00000001;            // open for writing
inline constexpr std::uint32_t STORE_UNCOMPRESSED_RTF = 0x00008000; // write "MELA" form

// Header magics, as little-endian 32-bit values.
inline constexpr std::uint32_t kCompressedRtfMagic = 0x75465A4C;   // "LZFu"
inline constexpr std::uint32_t kUncompressedRtfMagic = 0x414C454D; // "MELA"
inline constexpr std::size_t kCompressedRtfHeaderSize = 16;

// Wraps `source`. Read mode (no MAPI_MODIFY): `source` is positioned at the start of a
// compressed value and the header is checked now. Write mode: a 16-byte placeholder header
// is written at the source's current position; Commit fills it in. `*result` is set to
// null as soon as the arguments are valid and receives the new object (one reference) on
// success. The object holds a reference to `source` until its last Release.
//
// Statuses of the object beyond the obvious ones:
// - Write and Commit on an object opened for reading, and Read on one opened for writing,
//   return 0x80070005 (access denied): the encoder's dictionary and the decoder's share
//   one ring, so mixing directions would corrupt either.
// - After a Read has met a failing source (or a source that ran dry), every later Read
//   returns that same status at once without touching the source again: the decoder's
//   position in the compressed data is no longer known to match the CRC.
[[nodiscard]] platform::StatusCode
OpenCompressedRtfStream(platform::IStream* source, std::uint32_t flags, platform::IStream** result);

// The running CRC of compressed RTF: reflected CRC-32 (0xEDB88320), no pre- or
// post-inversion, continued from `crc`.
[[nodiscard]] std::uint32_t CompressedRtfCrc(const void* data, std::size_t size,
                                             std::uint32_t crc = 0);

} // namespace viewer::rtf

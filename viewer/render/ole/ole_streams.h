// The streams of an OLE object's compound file that say what the object is and how it
// looks ([MS-OLEDS]): \001CompObj, \002OlePres000 and on, and the \001Ole10Native stream
// of a package. Pure byte parsers: the compound file itself is ole_object.h's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/status.h"

namespace viewer::render::ole {

using platform::StatusCode;

// DVASPECT values of a presentation.
inline constexpr std::uint32_t DVASPECT_CONTENT = 1;
inline constexpr std::uint32_t DVASPECT_ICON = 4;

// Standard clipboard formats a presentation can hold.
inline constexpr std::uint32_t CF_METAFILEPICT = 3;
inline constexpr std::uint32_t CF_DIB = 8;

// Presentations are pictures of whole documents, not the 16 KiB attachment renderings.
inline constexpr std::size_t kMaxPresentationBytes = std::size_t{16} << 20;

// CompObjStream (2.3.8): the header (28 bytes), AnsiUserType, AnsiClipboardFormat and a
// reserved string that holds the ProgID; the Unicode copies after them are not needed.
struct CompObjInfo {
    std::string userType; // bytes in the system code page, e.g. "Microsoft Word Document"
    std::string progId;   // e.g. "Word.Document.8"
};

[[nodiscard]] StatusCode ParseCompObj(std::span<const std::uint8_t> stream, CompObjInfo& info);

// OLEPresentationStream (2.3.4) with a standard clipboard format: the format, a target
// device, Aspect, Lindex, Advf, a reserved field, Width and Height in HIMETRIC, Size and
// Size bytes of data. Registered (named) formats carry nothing we draw.
struct Presentation {
    std::uint32_t clipboardFormat = 0;
    std::uint32_t aspect = 0;
    std::int32_t width = 0;  // HIMETRIC
    std::int32_t height = 0; // HIMETRIC
    std::size_t dataOffset = 0;
    std::size_t dataSize = 0;
};

// The bytes of the stream a presentation's header can need (the target device included).
inline constexpr std::size_t kPresentationHeaderLimit = 65536 + 64;

// `prefix` is the start of a stream of `streamSize` bytes. E_FAIL for a header that is cut
// short or holds no standard format, or data that runs past the stream; E_OUTOFMEMORY for
// data above kMaxPresentationBytes.
[[nodiscard]] StatusCode ParsePresentation(std::span<const std::uint8_t> prefix,
                                           std::uint64_t streamSize, Presentation& presentation);

// The package inside \001Ole10Native: NativeDataSize (4), a signature (2), the label and
// the source path (zero-terminated), a type (4; 3 in its high half for an embedded file),
// the temporary path's length (4) and bytes, the file's size (4) and the file itself.
struct PackageInfo {
    std::string storedName; // bytes as stored: the label, else the last part of a path
    std::uint64_t dataOffset = 0;
    std::uint64_t dataSize = 0;
};

// The bytes of the stream a package header can need: two names and a path of at most
// kMaxPackageNameBytes each, and the fixed fields.
inline constexpr std::size_t kMaxPackageNameBytes = 4096;
inline constexpr std::size_t kPackageHeaderLimit = 3 * kMaxPackageNameBytes + 64;

// `prefix` is the start of a stream of `streamSize` bytes. E_FAIL when it is no package of
// an embedded file or its file runs past the stream.
[[nodiscard]] StatusCode ParsePackageHeader(std::span<const std::uint8_t> prefix,
                                            std::uint64_t streamSize, PackageInfo& info);

} // namespace viewer::render::ole

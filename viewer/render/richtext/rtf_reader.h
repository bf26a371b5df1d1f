// Reads an RTF body into the document model (rich_document.h).
//
// The reader never fails: RTF is read leniently, as word processors read it, and whatever
// the bytes are, the result is a well-formed model. What it shows and what it leaves out:
// - The body's text, character and paragraph formatting, tables (merged and nested cells),
//   lists (their marker text), hyperlinks, bookmarks and pictures (\pict, with its bytes).
// - Font, colour and style tables are read, never shown. The document information, headers,
//   footers, footnotes, annotations, and every \* destination it does not know are skipped;
//   in a body that wraps HTML that drops the \*\htmltag groups, leaving the body as RTF
//   shows it.
// - Of a field only its stored result (\fldrslt) is shown. Nothing a field names (a
//   HYPERLINK's address aside, kept as the link's target) reaches the model: the address
//   of INCLUDEPICTURE or INCLUDETEXT is never kept, let alone followed.
// - Of an embedded object only its \result is shown.
//
// Limits, so that hostile input costs little: groups deeper than kMaxGroupDepth are skipped
// whole (100 000 nested groups use no stack and a fixed amount of heap); tables nest at
// most kMaxTableDepth deep (deeper rows join the deepest table); the model grows to at most
// about sixteen times the input (plus 64 KiB), past which the reader stops adding to it and
// sets Document::limitReached.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "viewer/render/richtext/rich_document.h"

namespace viewer::render::richtext {

inline constexpr std::size_t kMaxGroupDepth = 1000;
inline constexpr std::size_t kMaxTableDepth = 16;

[[nodiscard]] Document ReadRtf(std::span<const std::uint8_t> rtf);

} // namespace viewer::render::richtext

// De-encapsulation ([MS-OXRTFEX]): the HTML or plain text that an RTF body made from it
// still carries, as the mail was first written.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "viewer/render/richtext/rich_document.h"

namespace viewer::render::richtext {

// What the body's header says it wraps: \fromhtml1 or \fromtext among the control words
// before the font table and before any text.
[[nodiscard]] Encapsulation DetectEncapsulation(std::span<const std::uint8_t> rtf);

struct Deencapsulated {
    Encapsulation kind = Encapsulation::None;
    // Html: the wrapped HTML. Every character outside ASCII is written as a numeric
    // character reference (&#NNN;), so the HTML reads the same whatever charset its own
    // meta declaration names: the encapsulated HTML often declares one charset while the
    // RTF carries its letters in another code page or as \uN.
    // Text: the wrapped text in UTF-8, with the CR LF line ends of the original.
    std::string content;
};

// The wrapped content, or nothing when the body wraps none. Text outside \*\htmltag groups
// counts unless \htmlrtf suppresses it; \*\mhtmltag groups (the same tags with addresses
// rewritten for the RTF) and every other destination are left out; \par and \line give
// CR LF, \tab a tab, \'hh and \uN their characters.
[[nodiscard]] std::optional<Deencapsulated> Deencapsulate(std::span<const std::uint8_t> rtf);

} // namespace viewer::render::richtext

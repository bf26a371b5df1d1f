// The CSS a mail body may keep: declarations Qt's rich-text engine understands, with lengths
// capped and nothing that names another resource (url(), @import, expression()). Used by
// the HTML clean-up for style attributes and <style> elements.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace viewer::render::html {

struct StyleLimits {
    double maxLengthPixels = 4000; // widths, heights, margins, paddings, indents
    double maxFontPixels = 96;     // 72 pt
    std::size_t maxSheetBytes = 256 * 1024;
};

// The declarations of a style attribute ("color: red; width: 9000px") that may stay, with
// their lengths capped; empty when none may.
[[nodiscard]] std::string FilterDeclarations(std::string_view declarations,
                                             const StyleLimits& limits);

// A style sheet with its rules' declarations filtered as above, comments, @import and every
// at-rule but @media dropped, and no '<' left (so it cannot end its <style> element). Stops
// at maxSheetBytes.
[[nodiscard]] std::string FilterStyleSheet(std::string_view sheet, const StyleLimits& limits);

// A length of an HTML attribute (width="9000", height="50%") capped, or empty when it is no
// length: digits with an optional "px" or '%'.
[[nodiscard]] std::string CapLengthAttribute(std::string_view value, double maxPixels);

} // namespace viewer::render::html

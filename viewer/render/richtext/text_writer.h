// The document model as plain text: the words a person sees, in UTF-8.
#pragma once

#include <string>

#include "viewer/render/richtext/rich_document.h"

namespace viewer::render::richtext {

// One line per paragraph ('\n' after each, also for a line break inside one), a list
// paragraph starting with its marker and a tab. A table row whose cells each hold one line
// becomes one line with the cells separated by tabs; other rows give their cells' lines one
// after another. Hidden text, pictures and bookmarks give nothing.
[[nodiscard]] std::string WriteText(const Document& doc);

} // namespace viewer::render::richtext

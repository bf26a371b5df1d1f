// Tree captions: what a node's text becomes when the tree shows it. The escaping of the
// characters that could disguise a name is platform/text_safety.h's.
#pragma once

#include <string>
#include <string_view>

namespace viewer::doc::naming {

// A tree caption: at most 255 characters of the text, escaped as EscapeForDisplay escapes.
std::string CaptionText(std::string_view text);

} // namespace viewer::doc::naming

#include "viewer/doc/naming/display_text.h"

#include "platform/text_safety.h"

namespace viewer::doc::naming {

namespace {

constexpr std::size_t kMaxCaptionChars = 255;

} // namespace

std::string CaptionText(std::string_view text)
{
    if (text.size() <= kMaxCaptionChars) { // no more characters than bytes
        return platform::EscapeForDisplay(text);
    }
    std::size_t end = 0;
    for (std::size_t count = 0; count < kMaxCaptionChars && end < text.size(); ++count) {
        static_cast<void>(platform::NextUtf8Char(text, end));
    }
    return platform::EscapeForDisplay(text.substr(0, end));
}

} // namespace viewer::doc::naming

// A mail body in the three forms a person can ask for (the RTF, a web page, plain text),
// from whichever bodies the message stores. What pallion-cli's body command and the Save
// Mail Body dialog's extra entries write.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace viewer::render::body {

enum class BodyForm { Rtf, Html, Text };

// The body the tree's decoration picked to show (compressed RTF first, then HTML, then
// plain text).
enum class ShownBody { None, Rtf, Html, Plain };

// The bodies of one message, as stored. A span is left empty when the body is absent.
struct MailBodies {
    std::span<const std::uint8_t> rtf;   // PR_RTF_COMPRESSED, inflated
    std::span<const std::uint8_t> html;  // PR_BODY_HTML
    bool htmlUtf16 = false;              // stored as PT_UNICODE
    std::span<const std::uint8_t> plain; // PR_BODY or attBody
    bool plainUtf16 = false;
    bool hasRtf = false, hasHtml = false, hasPlain = false;
    std::uint32_t internetCodePage = 0; // PR_INTERNET_CPID, 0 when absent
    std::uint32_t messageCodePage = 0;  // the message's code page, 0 when unknown
    ShownBody shown = ShownBody::None;
};

// The body in the form asked for, or nothing when the message has no body for it:
// - Rtf: the inflated RTF; nothing without an RTF body.
// - Html: PR_BODY_HTML as stored, else the HTML a \fromhtml1 RTF body wraps, else the RTF
//   body through the HTML writer (its Windows metafiles played into SVG images), else the
//   plain body as preformatted text.
// - Text: the text a person sees in the body pane, in UTF-8 with '\n' line ends: the RTF
//   body's text, the HTML body's text, or the plain body, as the shown body is.
[[nodiscard]] std::optional<std::string> RenderBody(const MailBodies& bodies, BodyForm form);

} // namespace viewer::render::body

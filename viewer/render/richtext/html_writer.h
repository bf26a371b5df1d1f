// The document model as HTML: a small HTML 4 subset with inline styles that browsers and
// Qt's rich-text engine both show, for "Save as web page" and pallion-cli.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "viewer/render/richtext/rich_document.h"

namespace viewer::render::richtext {

// An image in a form a browser shows, for the `data:` address of an <img>.
struct EncodedImage {
    std::string mimeType; // "image/svg+xml"
    std::string bytes;
};

struct HtmlOptions {
    // Turns a picture the writer cannot embed as it is (a metafile) into one it can; without
    // it, or when it gives nothing, such pictures are left out.
    std::function<std::optional<EncodedImage>(const Picture&)> convertPicture;
};

// Paragraphs as <p> with their indents, spacing and alignment; runs as <span> with their
// formatting; tables with their spans, widths, borders and shading; list markers as text;
// usable PNG, JPEG and device-independent bitmap pictures as `data:` images at their display
// size; links as <a href> for http, https, mailto and bookmarks (#name) only, any other
// target left as plain text. Hidden text is left out. The output is UTF-8 and says so.
[[nodiscard]] std::string WriteHtml(const Document& doc, const HtmlOptions& options = {});

} // namespace viewer::render::richtext

// The clean-up of an HTML mail body before the HTML pane shows it: the parsed tree written
// back as the subset of HTML that Qt's rich-text engine understands, with nothing in it that
// runs, submits, navigates or embeds, and with the sizes a hostile body could blow up capped.
//
// What goes, with its content: scripts, frames, objects, embeds, applets, form controls,
// meta refreshes (every <meta>), <base>, <link>, <title>, media, SVG and MathML, Office's
// XML islands and its VML and Word elements (v:*, w:*), and comments, which takes the
// Office-only branches of conditional comments with them.
// What goes, its content kept: <form>, Office's o:* and smart tags (st1:*), and every
// element Qt does not know. The other branch of a conditional comment (<![if !vml]> ...
// <![endif]>) loses only its markers.
// What stays: the elements Qt knows (HTML 5 sections as <div>, <strike> and <del> as <s>),
// with their layout attributes; href, src and background are kept as written, since the
// pane decides what each may reach; event attributes and every other attribute go. <style>
// and style attributes keep the declarations Qt draws, without url() or @import.
// Capped: nesting depth (deeper elements give way to their content), tables within tables,
// columns of a row (the content of cells beyond the last column joins the last cell),
// row and column spans, width and height attributes, font sizes and other CSS lengths, the
// size of each style sheet, and the size of the output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "viewer/render/html/html_reader.h"

namespace viewer::render::html {

struct CleanupLimits {
    std::size_t maxDepth = 64;     // elements open at once
    std::size_t maxTableDepth = 6; // tables within tables
    std::uint32_t maxColumns = 64; // grid columns of a row
    std::uint32_t maxRowSpan = 1000;
    double maxLengthPixels = 4000;
    double maxFontPixels = 96;
    std::size_t maxStyleBytes = 256 * 1024;       // of each style sheet
    std::size_t maxOutputBytes = 32 * 1024 * 1024; // past it, no more content is added
};

// The body as UTF-8 HTML: <html><head><style>s</head><body>...</body></html>. Parse the
// body with TagPrefixes::Keep, so that Office's elements can be told from HTML's.
[[nodiscard]] std::string CleanHtml(const HtmlDocument& doc, const CleanupLimits& limits = {});

} // namespace viewer::render::html

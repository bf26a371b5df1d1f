// pallion-cli's output: the tree as indented lines or nested JSON objects, the details table
// as tab-separated rows or JSON, and text that leaves the program. Captions and details
// cells come out of the core escaped and are written as they are.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "viewer/doc/panes/details_rows.h"
#include "viewer/doc/tree/tree.h"

namespace tools {

// Text that did not come out of the core escaped (paths, file names, node paths), as UTF-8
// fit for a terminal: 8-bit text decoded as Windows-1252, the characters that could disguise
// it escaped.
std::string Shown(std::string_view text);

// A JSON string literal of text that is already fit to be shown.
std::string JsonQuoted(std::string_view shown);

// The tree below `node` (named `id`): id, caption, element kind and image, tab-separated and
// indented two spaces a level; or as JSON objects nested by "children".
void PrintTreeLines(const viewer::doc::tree::MemoryTree& tree, viewer::doc::tree::NodeId node,
                    const std::string& id, int depth, std::ostream& out);
void PrintTreeJson(const viewer::doc::tree::MemoryTree& tree, viewer::doc::tree::NodeId node,
                   const std::string& id, int depth, std::ostream& out);

void PrintDetails(const viewer::doc::panes::DetailsTable& table, bool json, std::ostream& out);

} // namespace tools

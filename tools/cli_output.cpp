#include "tools/cli_output.h"

#include "platform/text.h"
#include "platform/text_safety.h"
#include "viewer/doc/model/element.h"

namespace tools {

using namespace viewer::doc::model;
using namespace viewer::doc::tree;

std::string Shown(std::string_view text)
{
    return platform::EscapeForDisplay(text, platform::kDefaultCodePage);
}

std::string JsonQuoted(std::string_view shown)
{
    std::string out = "\"";
    for (char c : shown) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    return out + "\"";
}

void PrintTreeLines(const MemoryTree& tree, NodeId node, const std::string& id, int depth,
                    std::ostream& out)
{
    const ElementRef* element = tree.Element(node);
    out << std::string(static_cast<std::size_t>(depth) * 2, ' ') << id << '\t' << tree.Caption(node)
        << '\t' << (element ? ElementKindName(element->Kind()) : "") << '\t' << tree.Image(node)
        << '\n';
    unsigned index = 0;
    for (NodeId child = tree.FirstChild(node); child != kNoNode; child = tree.NextSibling(child)) {
        PrintTreeLines(tree, child, id + "." + std::to_string(index++), depth + 1, out);
    }
}

void PrintTreeJson(const MemoryTree& tree, NodeId node, const std::string& id, int depth,
                   std::ostream& out)
{
    const ElementRef* element = tree.Element(node);
    const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
    out << indent << "{\"id\": \"" << id << "\", \"caption\": " << JsonQuoted(tree.Caption(node))
        << ", \"image\": " << tree.Image(node) << ", \"kind\": "
        << (element ? JsonQuoted(ElementKindName(element->Kind())) : std::string("null"))
        << ", \"view\": " << (element ? element->CurrentView() : 0) << ", \"children\": [";
    unsigned index = 0;
    for (NodeId child = tree.FirstChild(node); child != kNoNode; child = tree.NextSibling(child)) {
        out << (index == 0 ? "\n" : ",\n");
        PrintTreeJson(tree, child, id + "." + std::to_string(index++), depth + 1, out);
    }
    if (index > 0) {
        out << "\n" << indent;
    }
    out << "]}";
}

namespace {

void PrintJsonRow(const std::vector<std::string>& cells, std::ostream& out)
{
    out << "[";
    for (std::size_t i = 0; i < cells.size(); ++i) {
        out << (i ? ", " : "") << JsonQuoted(cells[i]);
    }
    out << "]";
}

} // namespace

void PrintDetails(const viewer::doc::panes::DetailsTable& table, bool json, std::ostream& out)
{
    if (!json) {
        for (const auto& row : table.rows) {
            for (std::size_t i = 0; i < row.size(); ++i) {
                out << (i ? "\t" : "") << row[i];
            }
            out << "\n";
        }
        return;
    }
    out << "{\"columns\": ";
    PrintJsonRow(table.columns, out);
    out << ", \"rows\": [";
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        out << (r ? ", " : "");
        PrintJsonRow(table.rows[r], out);
    }
    out << "]}\n";
}

} // namespace tools

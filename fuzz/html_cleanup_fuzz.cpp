// Any bytes as an HTML body through the clean-up, with small limits picked by the first byte
// so that every cap is reached. What comes out is parsed again and must hold nothing that
// runs, embeds or navigates, nor an event attribute, nor a style sheet that escapes its
// element or names another resource.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "viewer/render/html/html_cleanup.h"
#include "viewer/render/html/html_reader.h"

namespace {

using namespace viewer::render::html;

bool IsForbidden(std::string_view name)
{
    static constexpr std::string_view kForbidden[] = {
        "script", "iframe", "frame", "frameset", "object", "embed", "applet", "form", "input",
        "button", "select", "textarea", "meta", "base", "link", "svg", "math", "xml"};
    for (const std::string_view forbidden : kForbidden) {
        if (name == forbidden) {
            return true;
        }
    }
    return name.find('-') != std::string_view::npos;
}

void CheckTree(const xmlNode* node, int tableDepth, const CleanupLimits& limits)
{
    for (; node != nullptr; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) {
            continue;
        }
        const std::string_view name = reinterpret_cast<const char*>(node->name);
        if (IsForbidden(name)) {
            std::abort();
        }
        for (const xmlAttr* attribute = node->properties; attribute != nullptr;
             attribute = attribute->next) {
            const std::string_view key = reinterpret_cast<const char*>(attribute->name);
            if (key.size() > 2 && key.substr(0, 2) == "on") {
                std::abort();
            }
        }
        if (name == "style") {
            for (const xmlNode* child = node->children; child != nullptr; child = child->next) {
                const std::string_view sheet =
                    child->content ? reinterpret_cast<const char*>(child->content) : "";
                if (sheet.find("@import") != std::string_view::npos ||
                    sheet.find("url(") != std::string_view::npos) {
                    std::abort();
                }
            }
        }
        const int depth = tableDepth + (name == "table" ? 1 : 0);
        // The parser may close and reopen tables it thinks misnested, never deepen them.
        if (static_cast<std::size_t>(depth) > limits.maxTableDepth) {
            std::abort();
        }
        CheckTree(node->children, depth, limits);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CleanupLimits limits;
    CharsetHints hints;
    if (size > 0) {
        limits.maxDepth = 4 + (data[0] & 15);
        limits.maxTableDepth = 1 + ((data[0] >> 4) & 3);
        limits.maxColumns = 2 + ((data[0] >> 6) & 3);
        limits.maxOutputBytes = 64 * 1024;
        hints.messageCodePage = 65001;
    }
    const HtmlDocument doc = HtmlDocument::Parse({data, size}, hints, TagPrefixes::Keep);
    const std::string cleaned = CleanHtml(doc, limits);
    const HtmlDocument again = HtmlDocument::Parse(
        {reinterpret_cast<const std::uint8_t*>(cleaned.data()), cleaned.size()},
        CharsetHints{0, 65001, false}, TagPrefixes::Keep);
    CheckTree(again.Root(), 0, limits);
    return 0;
}

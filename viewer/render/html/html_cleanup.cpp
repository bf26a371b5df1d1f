#include "viewer/render/html/html_cleanup.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/text.h"
#include "viewer/render/html/style_filter_p.h"

namespace viewer::render::html {

namespace {

enum class Treatment { Keep, Unwrap, Drop };

struct ElementRule {
    std::string_view name;
    Treatment treatment;
    std::string_view writtenAs; // Keep: the name written; empty for the same name
};

// Sorted by name, for a binary search.
constexpr ElementRule kRules[] = {
    {"a", Treatment::Keep, ""},
    {"abbr", Treatment::Keep, "span"},
    {"acronym", Treatment::Keep, "span"},
    {"address", Treatment::Keep, ""},
    {"applet", Treatment::Drop, ""},
    {"area", Treatment::Drop, ""},
    {"article", Treatment::Keep, "div"},
    {"aside", Treatment::Keep, "div"},
    {"audio", Treatment::Drop, ""},
    {"b", Treatment::Keep, ""},
    {"base", Treatment::Drop, ""},
    {"bdo", Treatment::Keep, "span"},
    {"big", Treatment::Keep, ""},
    {"blockquote", Treatment::Keep, ""},
    {"br", Treatment::Keep, ""},
    {"button", Treatment::Drop, ""},
    {"canvas", Treatment::Drop, ""},
    {"caption", Treatment::Keep, "div"},
    {"center", Treatment::Keep, ""},
    {"cite", Treatment::Keep, ""},
    {"code", Treatment::Keep, ""},
    {"col", Treatment::Drop, ""},
    {"colgroup", Treatment::Drop, ""},
    {"datalist", Treatment::Drop, ""},
    {"dd", Treatment::Keep, ""},
    {"del", Treatment::Keep, "s"},
    {"details", Treatment::Keep, "div"},
    {"dfn", Treatment::Keep, ""},
    {"dir", Treatment::Keep, "ul"},
    {"div", Treatment::Keep, ""},
    {"dl", Treatment::Keep, ""},
    {"dt", Treatment::Keep, ""},
    {"em", Treatment::Keep, ""},
    {"embed", Treatment::Drop, ""},
    {"fieldset", Treatment::Keep, "div"},
    {"figcaption", Treatment::Keep, "div"},
    {"figure", Treatment::Keep, "div"},
    {"font", Treatment::Keep, ""},
    {"footer", Treatment::Keep, "div"},
    {"frame", Treatment::Drop, ""},
    {"frameset", Treatment::Drop, ""},
    {"h1", Treatment::Keep, ""},
    {"h2", Treatment::Keep, ""},
    {"h3", Treatment::Keep, ""},
    {"h4", Treatment::Keep, ""},
    {"h5", Treatment::Keep, ""},
    {"h6", Treatment::Keep, ""},
    {"header", Treatment::Keep, "div"},
    {"hr", Treatment::Keep, ""},
    {"i", Treatment::Keep, ""},
    {"iframe", Treatment::Drop, ""},
    {"img", Treatment::Keep, ""},
    {"input", Treatment::Drop, ""},
    {"ins", Treatment::Keep, "u"},
    {"kbd", Treatment::Keep, ""},
    {"keygen", Treatment::Drop, ""},
    {"legend", Treatment::Keep, "div"},
    {"li", Treatment::Keep, ""},
    {"link", Treatment::Drop, ""},
    {"listing", Treatment::Keep, "pre"},
    {"main", Treatment::Keep, "div"},
    {"map", Treatment::Drop, ""},
    {"mark", Treatment::Keep, "span"},
    {"math", Treatment::Drop, ""},
    {"menu", Treatment::Keep, "ul"},
    {"meta", Treatment::Drop, ""},
    {"nav", Treatment::Keep, "div"},
    {"nobr", Treatment::Keep, ""},
    {"noembed", Treatment::Drop, ""},
    {"noframes", Treatment::Drop, ""},
    {"noscript", Treatment::Drop, ""},
    {"object", Treatment::Drop, ""},
    {"ol", Treatment::Keep, ""},
    {"optgroup", Treatment::Drop, ""},
    {"option", Treatment::Drop, ""},
    {"output", Treatment::Drop, ""},
    {"p", Treatment::Keep, ""},
    {"param", Treatment::Drop, ""},
    {"plaintext", Treatment::Keep, "pre"},
    {"pre", Treatment::Keep, ""},
    {"q", Treatment::Keep, "span"},
    {"s", Treatment::Keep, ""},
    {"samp", Treatment::Keep, ""},
    {"script", Treatment::Drop, ""},
    {"section", Treatment::Keep, "div"},
    {"select", Treatment::Drop, ""},
    {"small", Treatment::Keep, ""},
    {"source", Treatment::Drop, ""},
    {"span", Treatment::Keep, ""},
    {"strike", Treatment::Keep, "s"},
    {"strong", Treatment::Keep, ""},
    {"sub", Treatment::Keep, ""},
    {"summary", Treatment::Keep, "div"},
    {"sup", Treatment::Keep, ""},
    {"svg", Treatment::Drop, ""},
    {"table", Treatment::Keep, ""},
    {"tbody", Treatment::Keep, ""},
    {"td", Treatment::Keep, ""},
    {"template", Treatment::Drop, ""},
    {"textarea", Treatment::Drop, ""},
    {"tfoot", Treatment::Keep, ""},
    {"th", Treatment::Keep, ""},
    {"thead", Treatment::Keep, ""},
    {"title", Treatment::Drop, ""},
    {"tr", Treatment::Keep, ""},
    {"track", Treatment::Drop, ""},
    {"tt", Treatment::Keep, ""},
    {"u", Treatment::Keep, ""},
    {"ul", Treatment::Keep, ""},
    {"var", Treatment::Keep, ""},
    {"video", Treatment::Drop, ""},
    {"wbr", Treatment::Drop, ""},
    {"xml", Treatment::Drop, ""},
    {"xmp", Treatment::Keep, "pre"},
};

// Attributes that only describe layout or name a place in the body. href, src and
// background are kept as written: the pane decides what each may reach.
constexpr std::array<std::string_view, 28> kAttributes = {
    "align", "alt",  "background", "bgcolor", "border",  "cellpadding", "cellspacing",
    "class", "color", "colspan",   "dir",     "face",    "height",      "href",
    "id",    "link",  "name",      "nowrap",  "rowspan", "size",        "src",
    "start", "style", "text",      "title",   "type",    "valign",      "width",
};

std::string_view NameOf(const xmlNode* node)
{
    return node->name ? reinterpret_cast<const char*>(node->name) : std::string_view();
}

// The rule for an element; prefixed names (kept as "o-p" by TagPrefixes::Keep) go by their
// prefix: VML, Word and Office math are dropped, the rest unwrapped.
ElementRule RuleFor(std::string_view name)
{
    const std::size_t dash = name.find('-');
    if (dash != std::string_view::npos) {
        const std::string_view prefix = name.substr(0, dash);
        const bool drop = prefix == "v" || prefix == "w" || prefix == "m" || prefix == "x";
        return {name, drop ? Treatment::Drop : Treatment::Unwrap, ""};
    }
    const auto* rule = std::lower_bound(
        std::begin(kRules), std::end(kRules), name,
        [](const ElementRule& r, std::string_view n) { return r.name < n; });
    if (rule != std::end(kRules) && rule->name == name) {
        return *rule;
    }
    return {name, Treatment::Unwrap, ""};
}

bool IsVoid(std::string_view name)
{
    return name == "br" || name == "hr" || name == "img";
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
           });
}

// Text without the markers of a conditional comment's revealed branch, which the parser
// leaves as text: "<![if !supportLists]>" and "<![endif]>".
void AppendText(std::string& out, std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t marker = text.find("<![", at);
        if (marker == std::string_view::npos) {
            break;
        }
        const std::size_t end = text.find("]>", marker + 3);
        const std::string_view inside = text.substr(marker + 3);
        if (end == std::string_view::npos ||
            !(StartsWithNoCase(inside, "if") || StartsWithNoCase(inside, "endif"))) {
            platform::AppendEscapedMarkup(out, text.substr(at, marker + 3 - at));
            at = marker + 3;
            continue;
        }
        platform::AppendEscapedMarkup(out, text.substr(at, marker - at));
        at = end + 2;
    }
    platform::AppendEscapedMarkup(out, text.substr(at));
}

std::string RawValue(const xmlAttr* attribute)
{
    xmlChar* value = xmlNodeGetContent(reinterpret_cast<const xmlNode*>(attribute));
    std::string text = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
}

// A number attribute (colspan, border, size) within [low, high]; empty when it is none.
std::string ClampNumber(std::string_view value, long low, long high, bool keepSign = false)
{
    std::size_t i = 0;
    while (i < value.size() && value[i] == ' ') {
        ++i;
    }
    std::string sign;
    if (keepSign && i < value.size() && (value[i] == '+' || value[i] == '-')) {
        sign = value[i++];
    }
    long number = 0;
    std::size_t digits = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i, ++digits) {
        number = std::min(number * 10 + (value[i] - '0'), 1000000L);
    }
    if (digits == 0) {
        return {};
    }
    return sign + std::to_string(std::clamp(number, low, high));
}

class Cleaner {
  public:
    explicit Cleaner(const CleanupLimits& limits)
        : m_limits(limits),
          m_style{limits.maxLengthPixels, limits.maxFontPixels, limits.maxStyleBytes}
    {
    }

    std::string Clean(xmlNode* root)
    {
        if (root != nullptr) {
            Walk(root);
        }
        std::string out = "<html><head>";
        if (!m_styles.empty()) {
            out += "<style>\n" + m_styles + "</style>";
        }
        out += "</head>";
        if (!m_sawBody) {
            out += "<body>";
        }
        out += m_body;
        if (!m_sawBody) {
            out += "</body>";
        }
        out += "</html>\n";
        return out;
    }

  private:
    enum class Role : std::uint8_t { None, Element, Table, Row, Cell, LooseRow };

    struct Open {
        std::string_view name; // of the end tag written on leaving; empty for none
        Role role = Role::None;
    };

    struct TableState {
        bool kept = false;
        bool inRow = false;
        std::uint32_t columns = 0; // grid columns of the current row so far
        bool lastCellOpen = false; // the last cell of a full row stays open until the row ends
    };

    // Walks the tree without recursion, so that nesting costs no stack.
    void Walk(xmlNode* root)
    {
        xmlNode* node = root;
        while (node != nullptr) {
            bool descend = false;
            if (node->type == XML_ELEMENT_NODE) {
                descend = Enter(node);
            } else if ((node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) &&
                       node->content != nullptr && Room()) {
                AppendText(m_body, reinterpret_cast<const char*>(node->content));
            }
            if (descend && node->children != nullptr) {
                node = node->children;
                continue;
            }
            if (descend) {
                Leave();
            }
            while (node != nullptr && node != root && node->next == nullptr) {
                node = node->parent;
                if (node != nullptr && node->type == XML_ELEMENT_NODE) {
                    Leave();
                }
            }
            if (node == nullptr || node == root) {
                break;
            }
            node = node->next;
        }
    }

    bool Room() const { return m_body.size() < m_limits.maxOutputBytes; }

    // Writes what an element begins with; true when its content is walked (and Leave follows).
    bool Enter(const xmlNode* node)
    {
        const std::string_view name = NameOf(node);
        if (name == "style") {
            Style(node);
            return false;
        }
        if (name == "html" || name == "head") {
            return Push({});
        }
        if (name == "body") {
            return Body(node);
        }
        const ElementRule rule = RuleFor(name);
        if (rule.treatment == Treatment::Drop || !Room()) {
            return false;
        }
        if (rule.treatment == Treatment::Unwrap) {
            return Push({});
        }
        const std::string_view written = rule.writtenAs.empty() ? rule.name : rule.writtenAs;
        if (written == "table") {
            return Table(node);
        }
        if (written == "tr") {
            return Row();
        }
        if (written == "td" || written == "th") {
            return Cell(node, written);
        }
        if ((written == "thead" || written == "tbody" || written == "tfoot") &&
            (m_tables.empty() || !m_tables.back().kept)) {
            return Push({});
        }
        if (IsVoid(written)) {
            StartTag(node, written);
            return false;
        }
        if (m_depth >= m_limits.maxDepth) {
            return Push({});
        }
        StartTag(node, written);
        ++m_depth;
        return Push({written, Role::Element});
    }

    void Leave()
    {
        const Open open = m_open.back();
        m_open.pop_back();
        switch (open.role) {
        case Role::Element:
            --m_depth;
            break;
        case Role::Table:
            --m_depth;
            m_tables.pop_back();
            break;
        case Role::Row:
            if (m_tables.back().lastCellOpen) {
                m_body += "</td>";
                m_tables.back().lastCellOpen = false;
            }
            m_tables.back().inRow = false;
            break;
        case Role::Cell:
            --m_depth;
            if (m_tables.back().columns >= m_limits.maxColumns) {
                m_tables.back().lastCellOpen = true;
                return;
            }
            break;
        case Role::LooseRow:
            m_body += "<br>";
            break;
        case Role::None:
            break;
        }
        if (!open.name.empty()) {
            m_body += "</";
            m_body += open.name;
            m_body += '>';
        }
    }

    bool Push(const Open& open)
    {
        m_open.push_back(open);
        return true;
    }

    bool Body(const xmlNode* node)
    {
        if (m_sawBody) {
            return Push({});
        }
        m_sawBody = true;
        StartTag(node, "body");
        return Push({"body", Role::None});
    }

    bool Table(const xmlNode* node)
    {
        std::size_t keptTables = 0;
        for (const TableState& table : m_tables) {
            keptTables += table.kept ? 1 : 0;
        }
        const bool keep = keptTables < m_limits.maxTableDepth && m_depth < m_limits.maxDepth;
        m_tables.push_back({keep});
        ++m_depth;
        if (!keep) {
            return Push({{}, Role::Table});
        }
        StartTag(node, "table");
        return Push({"table", Role::Table});
    }

    bool Row()
    {
        if (m_tables.empty() || !m_tables.back().kept) {
            return Push({{}, Role::LooseRow});
        }
        TableState& table = m_tables.back();
        if (table.lastCellOpen) {
            m_body += "</td>";
            table.lastCellOpen = false;
        }
        table.inRow = true;
        table.columns = 0;
        m_body += "<tr>";
        return Push({"tr", Role::Row});
    }

    bool Cell(const xmlNode* node, std::string_view name)
    {
        if (m_tables.empty() || !m_tables.back().kept || !m_tables.back().inRow ||
            m_tables.back().columns >= m_limits.maxColumns) {
            m_body += ' ';
            return Push({});
        }
        TableState& table = m_tables.back();
        const std::uint32_t room = m_limits.maxColumns - table.columns;
        std::uint32_t span = 1;
        if (xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>("colspan"))) {
            const std::string clamped =
                ClampNumber(reinterpret_cast<const char*>(value), 1, room);
            span = clamped.empty() ? 1 : static_cast<std::uint32_t>(std::stoul(clamped));
            xmlFree(value);
        }
        table.columns += span;
        StartTag(node, name, room);
        ++m_depth;
        return Push({name, Role::Cell});
    }

    void Style(const xmlNode* node)
    {
        std::string sheet;
        for (const xmlNode* child = node->children; child != nullptr; child = child->next) {
            if (child->content != nullptr &&
                sheet.size() < m_limits.maxStyleBytes) {
                sheet += reinterpret_cast<const char*>(child->content);
            }
        }
        if (m_styles.size() < m_limits.maxStyleBytes) {
            m_styles += FilterStyleSheet(sheet, m_style);
        }
    }

    // "<name attributes>", with only the attributes that describe layout, each capped.
    // `columnRoom`: the columns left in a row, the most a cell's colspan may take.
    void StartTag(const xmlNode* node, std::string_view name, std::uint32_t columnRoom = 1)
    {
        m_body += '<';
        m_body += name;
        for (const xmlAttr* attribute = node->properties; attribute != nullptr;
             attribute = attribute->next) {
            const std::string_view key =
                attribute->name ? reinterpret_cast<const char*>(attribute->name) : "";
            if (std::find(kAttributes.begin(), kAttributes.end(), key) == kAttributes.end() ||
                (key == "href" && name != "a") || (key == "src" && name != "img")) {
                continue;
            }
            const std::string value = AttributeValue(attribute, key, columnRoom);
            if (value.empty() && key != "alt") {
                continue;
            }
            m_body += ' ';
            m_body += key;
            m_body += "=\"";
            platform::AppendEscapedMarkup(m_body, value);
            m_body += '"';
        }
        m_body += '>';
    }

    std::string AttributeValue(const xmlAttr* attribute, std::string_view key,
                               std::uint32_t columnRoom) const
    {
        const std::string value = RawValue(attribute);
        if (key == "width" || key == "height") {
            return CapLengthAttribute(value, m_limits.maxLengthPixels);
        }
        if (key == "colspan") {
            return ClampNumber(value, 1, columnRoom);
        }
        if (key == "rowspan") {
            return ClampNumber(value, 1, m_limits.maxRowSpan);
        }
        if (key == "size") {
            return ClampNumber(value, 1, 7, true);
        }
        if (key == "border" || key == "cellpadding" || key == "cellspacing") {
            return ClampNumber(value, 0, 64);
        }
        if (key == "style") {
            return FilterDeclarations(value, m_style);
        }
        return value;
    }

    const CleanupLimits& m_limits;
    const StyleLimits m_style;
    std::string m_body;
    std::string m_styles;
    std::vector<Open> m_open;
    std::vector<TableState> m_tables;
    std::size_t m_depth = 0;
    bool m_sawBody = false;
};

} // namespace

std::string CleanHtml(const HtmlDocument& doc, const CleanupLimits& limits)
{
    return Cleaner(limits).Clean(doc.Root());
}

} // namespace viewer::render::html

#include "viewer/render/html/html_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/text.h"

namespace viewer::render::html {

namespace {

// A meta declaration is looked for this far into the body, and no further than <body.
constexpr std::size_t kPrescanBytes = 64 * 1024;

// XML_PARSE_HUGE lifts the parser's nesting limit of 256, past which it silently stops and
// drops the rest of the body (mails forwarded many times nest that deep); its tree building
// and freeing do not recurse, so depth costs heap for the elements, never stack.
constexpr int kParseOptions = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR |
                              HTML_PARSE_NOWARNING | HTML_PARSE_IGNORE_ENC | XML_PARSE_HUGE;

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerCase(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), Lower);
    return out;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The charset label of the first meta declaration that names one, in either form:
//   <meta charset="x">   <meta http-equiv="Content-Type" content="text/html; charset=x">
std::string MetaCharset(std::span<const std::uint8_t> bytes)
{
    const std::size_t length = std::min(bytes.size(), kPrescanBytes);
    const std::string head =
        LowerCase(std::string_view(reinterpret_cast<const char*>(bytes.data()), length));
    const std::size_t body = head.find("<body");
    std::size_t at = 0;
    while ((at = head.find("<meta", at)) != std::string::npos && at < body) {
        const std::size_t end = head.find('>', at);
        const std::string_view tag(head.data() + at,
                                   (end == std::string::npos ? head.size() : end) - at);
        at += 5;
        const std::size_t key = tag.find("charset");
        if (key == std::string_view::npos) {
            continue;
        }
        std::size_t i = key + 7;
        while (i < tag.size() && IsSpace(tag[i])) {
            ++i;
        }
        if (i >= tag.size() || tag[i] != '=') {
            continue;
        }
        ++i;
        while (i < tag.size() && (IsSpace(tag[i]) || tag[i] == '"' || tag[i] == '\'')) {
            ++i;
        }
        std::size_t j = i;
        while (j < tag.size() &&
               (std::isalnum(static_cast<unsigned char>(tag[j])) || tag[j] == '-' ||
                tag[j] == '_' || tag[j] == '.' || tag[j] == ':')) {
            ++j;
        }
        if (j > i) {
            return std::string(tag.substr(i, j - i));
        }
    }
    return {};
}

struct Label {
    std::string_view name;
    std::uint32_t codePage;
};

constexpr Label kLabels[] = {
    {"ascii", 1252},
    {"big5", 950},
    {"big5-hkscs", 950},
    {"cp1250", 1250},
    {"cp1251", 1251},
    {"cp1252", 1252},
    {"cp1253", 1253},
    {"cp1254", 1254},
    {"cp1255", 1255},
    {"cp1256", 1256},
    {"cp1257", 1257},
    {"cp1258", 1258},
    {"cp866", 866},
    {"cp874", 874},
    {"cp932", 932},
    {"cp936", 936},
    {"cp949", 949},
    {"cp950", 950},
    {"euc-jp", 51932},
    {"euc-kr", 949},
    {"gb18030", 54936},
    {"gb2312", 936},
    {"gb_2312-80", 936},
    {"gbk", 936},
    {"ibm866", 866},
    {"iso-2022-jp", 50220},
    {"iso-8859-1", 1252},
    {"iso-8859-11", 874},
    {"iso8859-1", 1252},
    {"koi8-r", 20866},
    {"koi8-u", 21866},
    {"ks_c_5601-1987", 949},
    {"latin1", 1252},
    {"ms_kanji", 932},
    {"shift-jis", 932},
    {"shift_jis", 932},
    {"sjis", 932},
    {"tis-620", 874},
    {"unicode-1-1-utf-8", kUtf8CodePage},
    {"us-ascii", 1252},
    {"utf-16", kUtf8CodePage},
    {"utf-16le", kUtf8CodePage},
    {"utf-8", kUtf8CodePage},
    {"utf8", kUtf8CodePage},
    {"windows-31j", 932},
    {"windows-874", 874},
    {"windows-949", 949},
    {"x-gbk", 936},
    {"x-sjis", 932},
};

std::uint32_t NumberAfter(std::string_view label, std::string_view prefix)
{
    if (label.substr(0, prefix.size()) != prefix || label.size() == prefix.size() ||
        label.size() - prefix.size() > 2) {
        return 0;
    }
    std::uint32_t n = 0;
    for (const char c : label.substr(prefix.size())) {
        if (c < '0' || c > '9') {
            return 0;
        }
        n = n * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return n;
}

std::string DecodeUtf16(std::span<const std::uint8_t> bytes, bool bigEndian)
{
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        const std::uint8_t a = bytes[2 * i], b = bytes[2 * i + 1];
        units[i] = static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    }
    return platform::Utf16ToUtf8(units);
}

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// "<o:p>" and "</o:p>" become "<o-p>" and "</o-p>": a tag name of letters and digits
// followed by a colon has that colon replaced.
void KeepTagPrefixes(std::string& text)
{
    for (std::size_t at = text.find('<'); at != std::string::npos; at = text.find('<', at + 1)) {
        std::size_t i = at + 1;
        if (i < text.size() && text[i] == '/') {
            ++i;
        }
        if (i >= text.size() || !IsAsciiLetter(text[i])) {
            continue;
        }
        while (i < text.size() &&
               (IsAsciiLetter(text[i]) || (text[i] >= '0' && text[i] <= '9'))) {
            ++i;
        }
        if (i < text.size() && text[i] == ':') {
            text[i] = '-';
        }
    }
}

void InitialiseOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

} // namespace

std::uint32_t CodePageOfCharset(std::string_view label)
{
    const std::string name = LowerCase(label);
    for (const Label& entry : kLabels) {
        if (entry.name == name) {
            return entry.codePage;
        }
    }
    // windows-1250 ... windows-1258, iso-8859-2 ... iso-8859-16
    if (const std::uint32_t n = NumberAfter(name, "windows-12"); n >= 50 && n <= 58) {
        return 1200 + n;
    }
    if (const std::uint32_t n = NumberAfter(name, "iso-8859-"); n >= 2 && n <= 16) {
        return 28590 + n;
    }
    return 0;
}

std::uint32_t HtmlCodePage(std::span<const std::uint8_t> bytes, const CharsetHints& hints)
{
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        return kUtf8CodePage;
    }
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        return kUtf16LeCodePage;
    }
    if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        return kUtf16BeCodePage;
    }
    if (hints.utf16) {
        return kUtf16LeCodePage;
    }
    if (const std::uint32_t declared = CodePageOfCharset(MetaCharset(bytes))) {
        return declared;
    }
    if (hints.internetCodePage != 0) {
        return hints.internetCodePage;
    }
    if (hints.messageCodePage != 0) {
        return hints.messageCodePage;
    }
    return platform::kDefaultCodePage;
}

HtmlDocument HtmlDocument::Parse(std::span<const std::uint8_t> bytes, const CharsetHints& hints,
                                 TagPrefixes prefixes)
{
    InitialiseOnce();
    const std::uint32_t codePage = HtmlCodePage(bytes, hints);
    std::string text;
    if (codePage == kUtf16LeCodePage || codePage == kUtf16BeCodePage) {
        const bool bom = bytes.size() >= 2 && (bytes[0] == 0xFF || bytes[0] == 0xFE) &&
                         (bytes[1] == 0xFE || bytes[1] == 0xFF) && bytes[0] != bytes[1];
        text = DecodeUtf16(bytes.subspan(bom ? 2 : 0), codePage == kUtf16BeCodePage);
    } else {
        const bool bom = codePage == kUtf8CodePage && bytes.size() >= 3 && bytes[0] == 0xEF &&
                         bytes[1] == 0xBB && bytes[2] == 0xBF;
        const auto body = bytes.subspan(bom ? 3 : 0);
        text = platform::DecodeCodePage(
            std::string_view(reinterpret_cast<const char*>(body.data()), body.size()), codePage);
    }
    if (prefixes == TagPrefixes::Keep) {
        KeepTagPrefixes(text);
    }
    // The parser takes an int length; a body beyond it is cut there.
    const int length = static_cast<int>(std::min<std::size_t>(text.size(), INT32_MAX));
    HtmlDocument doc;
    doc.m_tree.reset(htmlReadMemory(text.data(), length, nullptr, "UTF-8", kParseOptions));
    return doc;
}

xmlNode* HtmlDocument::Root() const
{
    return m_tree ? xmlDocGetRootElement(m_tree.get()) : nullptr;
}

namespace {

bool NameIs(const xmlNode* node, const char* name)
{
    return node->name != nullptr &&
           std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

bool NameIn(const xmlNode* node, std::initializer_list<const char*> names)
{
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return NameIs(node, n); });
}

bool IsBlock(const xmlNode* node)
{
    return NameIn(node, {"address",   "article", "aside",    "blockquote", "body",   "caption",
                         "center",    "dd",      "details",  "dialog",     "dir",    "div",
                         "dl",        "dt",      "fieldset", "figcaption", "figure", "footer",
                         "form",      "h1",      "h2",       "h3",         "h4",     "h5",
                         "h6",        "header",  "hr",       "html",       "legend", "li",
                         "listing",   "main",    "menu",     "nav",        "ol",     "p",
                         "plaintext", "pre",     "section",  "summary",    "table",  "tbody",
                         "tfoot",     "thead",   "tr",       "ul",         "xmp"});
}

bool IsPreformatted(const xmlNode* node)
{
    return NameIn(node, {"pre", "textarea", "listing", "plaintext", "xmp"});
}

// Whether an element's inline style hides it ("display: none", any case and spacing).
bool HiddenByStyle(const xmlNode* node)
{
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>("style"));
    if (value == nullptr) {
        return false;
    }
    std::string style;
    for (const xmlChar* p = value; *p != 0; ++p) {
        if (!IsSpace(static_cast<char>(*p))) {
            style.push_back(Lower(static_cast<char>(*p)));
        }
    }
    xmlFree(value);
    return style.find("display:none") != std::string::npos;
}

bool GivesNoText(const xmlNode* node)
{
    return NameIn(node, {"script", "style", "head", "title", "template", "iframe", "object",
                         "embed", "applet", "frameset", "select", "noembed", "noframes"}) ||
           HiddenByStyle(node);
}

class TextCollector {
  public:
    std::string Collect(xmlNode* root)
    {
        // Walks the tree without recursion, so that nesting depth costs no stack.
        xmlNode* node = root;
        while (node != nullptr) {
            bool descend = false;
            if (node->type == XML_ELEMENT_NODE) {
                descend = Enter(node);
            } else if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
                Text(reinterpret_cast<const char*>(node->content));
            }
            if (descend && node->children != nullptr) {
                node = node->children;
                continue;
            }
            if (node->type == XML_ELEMENT_NODE && descend) {
                Leave(node);
            }
            while (node != nullptr && node != root && node->next == nullptr) {
                node = node->parent;
                if (node != nullptr && node->type == XML_ELEMENT_NODE) {
                    Leave(node);
                }
            }
            if (node == nullptr || node == root) {
                break;
            }
            node = node->next;
        }
        while (!m_out.empty() && (m_out.back() == '\n' || m_out.back() == ' ')) {
            m_out.pop_back();
        }
        if (!m_out.empty()) {
            m_out.push_back('\n');
        }
        return std::move(m_out);
    }

  private:
    // Returns whether the element's content counts.
    bool Enter(const xmlNode* node)
    {
        if (GivesNoText(node)) {
            return false;
        }
        if (NameIs(node, "br")) {
            NewLine(true);
        } else if (NameIn(node, {"td", "th"})) {
            if (!LineEmpty()) {
                TrimSpace();
                m_out.push_back('\t');
                m_space = true;
            }
        } else if (IsBlock(node)) {
            NewLine(false);
        }
        if (NameIn(node, {"ul", "ol", "menu", "dir"})) {
            m_lists.push_back(NameIs(node, "ol") ? 0 : -1);
        } else if (NameIs(node, "li")) {
            ListMarker();
        }
        if (IsPreformatted(node)) {
            ++m_preformatted;
        }
        return true;
    }

    void Leave(const xmlNode* node)
    {
        if (IsPreformatted(node) && m_preformatted > 0) {
            --m_preformatted;
        }
        if (NameIn(node, {"ul", "ol", "menu", "dir"}) && !m_lists.empty()) {
            m_lists.pop_back();
        }
        if (IsBlock(node)) {
            NewLine(false);
        }
    }

    // An item of a numbered list starts with its number, any other with a bullet, as a
    // browser draws them.
    void ListMarker()
    {
        if (!m_lists.empty() && m_lists.back() >= 0) {
            m_out += std::to_string(++m_lists.back()) + ". ";
        } else {
            m_out += "\xE2\x80\xA2 "; // U+2022
        }
        m_space = true;
    }

    bool LineEmpty() const { return m_out.empty() || m_out.back() == '\n'; }

    void TrimSpace()
    {
        while (!m_out.empty() && m_out.back() == ' ') {
            m_out.pop_back();
        }
    }

    // `always`: a <br> ends the line even when it is empty.
    void NewLine(bool always)
    {
        TrimSpace();
        if (always || !LineEmpty()) {
            m_out.push_back('\n');
        }
        m_space = true;
    }

    void Text(const char* text)
    {
        if (text == nullptr) {
            return;
        }
        for (const char* p = text; *p != 0; ++p) {
            const char c = *p;
            if (m_preformatted > 0) {
                if (c != '\r') {
                    m_out.push_back(c);
                }
                m_space = c == '\n';
                continue;
            }
            if (IsSpace(c)) {
                if (!m_space) {
                    m_out.push_back(' ');
                    m_space = true;
                }
                continue;
            }
            // A no-break space is a space that white space collapsing leaves alone.
            if (static_cast<std::uint8_t>(c) == 0xC2 && static_cast<std::uint8_t>(p[1]) == 0xA0) {
                m_out.push_back(' ');
                ++p;
                m_space = false;
                continue;
            }
            m_out.push_back(c);
            m_space = false;
        }
    }

    std::string m_out;
    bool m_space = true; // the last output collapses the white space that follows
    int m_preformatted = 0;
    std::vector<long> m_lists; // per open list: items so far, or -1 for a bulleted one
};

} // namespace

std::string HtmlText(const HtmlDocument& doc)
{
    xmlNode* root = doc.Root();
    if (root == nullptr) {
        return {};
    }
    return TextCollector().Collect(root);
}

} // namespace viewer::render::html

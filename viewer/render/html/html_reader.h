// Reads an HTML mail body with libxml2's HTML parser, in recovery mode and without network
// access, after working out which charset its bytes are in. The text of the body pane and
// the clean-up of the HTML pane both start from the tree it gives.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include <libxml/HTMLparser.h>

namespace viewer::render::html {

// What the message says about its HTML body's charset, besides what the HTML says itself.
struct CharsetHints {
    std::uint32_t internetCodePage = 0; // PR_INTERNET_CPID; 0 when absent
    std::uint32_t messageCodePage = 0;  // the message's code page; 0 when unknown
    bool utf16 = false;                 // a PT_UNICODE body: UTF-16LE whatever it declares
};

inline constexpr std::uint32_t kUtf16LeCodePage = 1200;
inline constexpr std::uint32_t kUtf16BeCodePage = 1201;
inline constexpr std::uint32_t kUtf8CodePage = 65001;

// The code page of an HTML body: a byte order mark, then the PT_UNICODE type, then the
// charset of the HTML's own meta declaration, then PR_INTERNET_CPID, then the message's
// code page, else Windows-1252.
[[nodiscard]] std::uint32_t HtmlCodePage(std::span<const std::uint8_t> bytes,
                                         const CharsetHints& hints);

// The code page a charset label stands for (as in a meta declaration: "utf-8",
// "windows-1251", "shift_jis", "ks_c_5601-1987"), or 0 for a label it does not know.
// "iso-8859-1" and "us-ascii" are read as Windows-1252, as browsers read them.
[[nodiscard]] std::uint32_t CodePageOfCharset(std::string_view label);

// What becomes of a prefixed tag name (<o:p>, <v:shape>, <st1:place>). libxml2's HTML
// parser drops the prefix, which turns Office's <o:p> into a second <p>; `Keep` renames the
// tag to "o-p" before parsing, so that the prefix survives as part of the name.
enum class TagPrefixes { Drop, Keep };

// An HTML body parsed into libxml2's tree, which it owns.
class HtmlDocument {
  public:
    // Never fails for any bytes: recovery mode gives a tree for everything, if only an
    // empty one.
    [[nodiscard]] static HtmlDocument Parse(std::span<const std::uint8_t> bytes,
                                            const CharsetHints& hints,
                                            TagPrefixes prefixes = TagPrefixes::Drop);

    // The tree; element and attribute names are lower case, text is UTF-8.
    [[nodiscard]] xmlDoc* Tree() const { return m_tree.get(); }
    [[nodiscard]] xmlNode* Root() const;

  private:
    struct Free {
        void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
    };
    std::unique_ptr<xmlDoc, Free> m_tree;
};

// The text a person sees in the body, in UTF-8: white space collapsed as a browser does
// (except inside <pre>), a line end after each block element and at each <br>, table cells
// separated by tabs; scripts, styles, the head and elements styled display:none give
// nothing.
[[nodiscard]] std::string HtmlText(const HtmlDocument& doc);

} // namespace viewer::render::html

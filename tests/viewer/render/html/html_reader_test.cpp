#include "viewer/render/html/html_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

using namespace viewer::render::html;

namespace {

std::span<const std::uint8_t> Bytes(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string TextOf(std::string_view html, const CharsetHints& hints = {})
{
    return HtmlText(HtmlDocument::Parse(Bytes(html), hints));
}

struct CharsetCase {
    const char* name;
    std::string html;
    CharsetHints hints;
    const char* text;
};

class HtmlReaderCharset : public testing::TestWithParam<CharsetCase> {};

TEST_P(HtmlReaderCharset, DecodesWithTheFirstCharsetKnown)
{
    EXPECT_EQ(TextOf(GetParam().html, GetParam().hints), GetParam().text);
}

const std::string kMeta1251 =
    "<meta http-equiv=Content-Type content='text/html; charset=windows-1251'>";

INSTANTIATE_TEST_SUITE_P(
    Priority, HtmlReaderCharset,
    testing::Values(
        CharsetCase{"MetaBeforeInternetCodePage", kMeta1251 + "<p>\xe4", {65001, 1252}, "\u0434\n"},
        CharsetCase{"MetaCharsetAttribute", "<meta charset=\"koi8-r\"><p>\xc1", {}, "\u0430\n"},
        CharsetCase{"InternetCodePageBeforeMessage", "<p>\xd0\xb4", {65001, 1251}, "\u0434\n"},
        CharsetCase{"MessageCodePage", "<p>\xe4", {0, 1251}, "\u0434\n"},
        CharsetCase{"Windows1252Last", "<p>\x80", {}, "\u20ac\n"},
        CharsetCase{"Latin1LabelIsWindows1252", "<meta charset=iso-8859-1><p>\x80", {}, "\u20ac\n"},
        CharsetCase{
            "UnknownLabelFallsThrough", "<meta charset=x-nonsense><p>\xe4", {0, 1251}, "\u0434\n"},
        CharsetCase{"ByteOrderMarkBeforeEverything",
                    "\xef\xbb\xbf" + kMeta1251 + "<p>\xd0\xb4",
                    {},
                    "\u0434\n"},
        CharsetCase{"Utf16BodyWhateverItDeclares",
                    std::string("<\0p\0>\0\x34\x04", 8),
                    {0, 1252, true},
                    "\u0434\n"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(HtmlReader, KnowsTheCharsetLabelsMailsUse)
{
    EXPECT_EQ(CodePageOfCharset("Windows-1250"), 1250u);
    EXPECT_EQ(CodePageOfCharset("iso-8859-5"), 28595u);
    EXPECT_EQ(CodePageOfCharset("ks_c_5601-1987"), 949u);
    EXPECT_EQ(CodePageOfCharset("GB2312"), 936u);
    EXPECT_EQ(CodePageOfCharset("utf-16"), kUtf8CodePage) << "8-bit bytes cannot be UTF-16";
    EXPECT_EQ(CodePageOfCharset("windows-1259"), 0u);
    EXPECT_EQ(CodePageOfCharset("iso-8859-17"), 0u);
    EXPECT_EQ(CodePageOfCharset(""), 0u);
}

TEST(HtmlReader, LooksForTheDeclarationOnlyBeforeTheBody)
{
    const std::string_view html = "<html><body><p>\xe4</p><meta charset=windows-1251></body>";
    EXPECT_EQ(HtmlCodePage(Bytes(html), {}), 1252u);
    EXPECT_EQ(TextOf(html), "\u00e4\n");
}

TEST(HtmlReader, DoesNotSwitchToTheDeclaredCharsetOfAUtf16Body)
{
    const std::u16string source = u"<meta charset=windows-1252><p>\u00e4\u0434</p>";
    const std::string bytes(reinterpret_cast<const char*>(source.data()), source.size() * 2);
    EXPECT_EQ(TextOf(bytes, {0, 0, true}), "\u00e4\u0434\n");
}

TEST(HtmlReader, GivesTheTextAPersonSees)
{
    const std::string_view html =
        "<html><head><title>T</title><style>p{}</style></head><body>"
        "<p>one   two\n three</p><div>a<br>b<br><br>c</div>"
        "<script>alert('x')</script><div style='DISPLAY : none'>hidden</div>"
        "<table><tr><td>1</td><td> 2 </td></tr><tr><th>3</th></tr></table>"
        "<pre>  keep\n   this</pre><span>x&nbsp;&nbsp;y</span>"
        "<ul><li>dot</li></ul><ol><li>first</li><li>second</li></ol>"
        "<!-- comment --><noscript>shown</noscript></body></html>";
    EXPECT_EQ(TextOf(html), "one two three\na\nb\n\nc\n1\t2\n3\n  keep\n   this\nx  y\n"
                            "\u2022 dot\n1. first\n2. second\nshown\n");
}

TEST(HtmlReader, SurvivesDeepNesting)
{
    std::string html;
    for (int i = 0; i < 100000; ++i) {
        html += "<div>";
    }
    html += "deep";
    EXPECT_EQ(TextOf(html).substr(0, 4), "deep");
}

} // namespace

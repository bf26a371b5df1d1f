#include "viewer/render/richtext/deencapsulate.h"

#include <gtest/gtest.h>

#include <string_view>

using namespace viewer::render::richtext;

namespace {

std::span<const std::uint8_t> Bytes(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(Deencapsulate, GivesBackTheWrappedHtml)
{
    // As a mail client writes it: the tags in \*\htmltag groups, the RTF rendition of each
    // in \htmlrtf ... \htmlrtf0, the text in between for both.
    const std::string_view rtf =
        R"({\rtf1\ansi\ansicpg1252\fromhtml1 \deff0{\fonttbl{\f0\fswiss Arial;}{\f1\fcharset204 C;}})"
        R"({\colortbl\red0\green0\blue0;}{\*\generator x;})"
        R"({\*\htmltag19 <html>}{\*\htmltag34 <body>}\htmlrtf {\b\htmlrtf0 Caf\'e9 )"
        R"({\*\htmltag84 &amp;}\htmlrtf &\htmlrtf0  \u8364?\f1\'e4\f0 \{x\}\par)"
        R"({\*\htmltag116 <br>}\htmlrtf \line\htmlrtf0 )"
        R"({\*\mhtmltag84 <img src="{\htmlbase ATT-0-a.png}">}{\*\htmltag84 <img src="cid:a">})"
        R"(\htmlrtf }\htmlrtf0 {\*\htmltag58 </body>}{\*\htmltag27 </html>}})";
    const auto html = Deencapsulate(Bytes(rtf));
    ASSERT_TRUE(html);
    EXPECT_EQ(html->kind, Encapsulation::Html);
    EXPECT_EQ(html->content, "<html><body>Caf&#233; &amp; &#8364;&#1076;{x}\r\n<br>"
                             "<img src=\"cid:a\"></body></html>");
}

TEST(Deencapsulate, GivesBackTheWrappedTextInUtf8)
{
    const std::string_view rtf = R"({\rtf1\ansi\ansicpg1251\fromtext \deff0{\fonttbl{\f0 Arial;}})"
                                 R"(\uc1\pard\f0 \'cf\'f0\'e8\par line\tab x\u8470?\par})";
    const auto text = Deencapsulate(Bytes(rtf));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->kind, Encapsulation::Text);
    EXPECT_EQ(text->content, "\u041f\u0440\u0438\r\nline\tx\u2116\r\n");
}

TEST(Deencapsulate, SuppressionEndsWithItsGroup)
{
    const std::string_view rtf =
        R"({\rtf1\fromhtml1 {\htmlrtf a{\htmlrtf0 b}c}d{\*\htmltag0 e}\htmlrtf f{\*\htmltag0 g}})";
    const auto html = Deencapsulate(Bytes(rtf));
    ASSERT_TRUE(html);
    EXPECT_EQ(html->content, "bdeg") << "tags are HTML even where the RTF's own text is not";
}

struct DetectCase {
    const char* name;
    const char* rtf;
    Encapsulation kind;
};

class DeencapsulateDetect : public testing::TestWithParam<DetectCase> {};

TEST_P(DeencapsulateDetect, LooksOnlyAtTheHeader)
{
    EXPECT_EQ(DetectEncapsulation(Bytes(GetParam().rtf)), GetParam().kind);
    EXPECT_EQ(Deencapsulate(Bytes(GetParam().rtf)).has_value(),
              GetParam().kind != Encapsulation::None);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, DeencapsulateDetect,
    testing::Values(
        DetectCase{"Html", R"({\rtf1\ansi\fromhtml1 \deff0{\fonttbl}})", Encapsulation::Html},
        DetectCase{"Text", R"({\rtf1\ansi\fromtext{\fonttbl}})", Encapsulation::Text},
        DetectCase{"NativeRtf", R"({\rtf1\ansi\deff0{\fonttbl}})", Encapsulation::None},
        DetectCase{"OtherVersion", R"({\rtf1\fromhtml0 x})", Encapsulation::None},
        DetectCase{"AfterTheFontTable", R"({\rtf1{\fonttbl}\fromhtml1 x})", Encapsulation::None},
        DetectCase{"AfterText", R"({\rtf1 x\fromtext})", Encapsulation::None},
        DetectCase{"Empty", "", Encapsulation::None}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Deencapsulate, SurvivesDeepNesting)
{
    const std::string rtf =
        "{\\rtf1\\fromtext " + std::string(100000, '{') + "x" + std::string(100000, '}') + "y}";
    const auto text = Deencapsulate(Bytes(rtf));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->content, "y");
}

} // namespace

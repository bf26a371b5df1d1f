#include "viewer/render/body/body_forms.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

using namespace viewer::render::body;

namespace {

std::span<const std::uint8_t> Bytes(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

constexpr std::string_view kNativeRtf = R"({\rtf1\ansi\ansicpg1252 Gr\'fc\'dfe\par})";
constexpr std::string_view kWrappingRtf =
    R"({\rtf1\ansi\fromhtml1 {\*\htmltag19 <html>}\htmlrtf {\htmlrtf0 wrapped\htmlrtf }\htmlrtf0 )"
    R"({\*\htmltag27 </html>}})";
constexpr std::string_view kHtml = "<html><body><p>stored</p></body></html>";
constexpr std::string_view kPlain = "line <1>\r\nGr\xfc\xdf"
                                    "e\r\n";

MailBodies With(std::string_view rtf, std::string_view html, std::string_view plain)
{
    MailBodies bodies;
    bodies.rtf = Bytes(rtf);
    bodies.hasRtf = !rtf.empty();
    bodies.html = Bytes(html);
    bodies.hasHtml = !html.empty();
    bodies.plain = Bytes(plain);
    bodies.hasPlain = !plain.empty();
    bodies.messageCodePage = 1252;
    bodies.shown = bodies.hasRtf     ? ShownBody::Rtf
                   : bodies.hasHtml  ? ShownBody::Html
                   : bodies.hasPlain ? ShownBody::Plain
                                     : ShownBody::None;
    return bodies;
}

TEST(BodyForms, WebPageFromTheFirstBodyThatCanGiveOne)
{
    EXPECT_EQ(RenderBody(With(kNativeRtf, kHtml, kPlain), BodyForm::Html), kHtml);
    EXPECT_EQ(RenderBody(With(kWrappingRtf, {}, kPlain), BodyForm::Html), "<html>wrapped</html>");
    const auto written = RenderBody(With(kNativeRtf, {}, kPlain), BodyForm::Html);
    ASSERT_TRUE(written);
    EXPECT_NE(written->find("<p style=\"white-space:pre-wrap;margin:0pt 0pt 0pt 0pt\">"
                            "Gr\u00fc\u00dfe</p>"),
              std::string::npos);
    const auto plain = RenderBody(With({}, {}, kPlain), BodyForm::Html);
    ASSERT_TRUE(plain);
    EXPECT_NE(plain->find(">line &lt;1&gt;\nGr\u00fc\u00dfe\n</pre>"), std::string::npos);
    EXPECT_FALSE(RenderBody(With({}, {}, {}), BodyForm::Html));
}

TEST(BodyForms, WebPageShowsTheMetafilesOfAnRtfBody)
{
    // The smallest metafile: its header (12 words in all) and the end record.
    const std::string_view rtf = R"({\rtf1{\pict\wmetafile8\picwgoal1500\pichgoal750 )"
                                 R"(010009000003)"
                                 R"(0c0000000000030000000000)"
                                 R"(030000000000}})";
    const auto html = RenderBody(With(rtf, {}, {}), BodyForm::Html);
    ASSERT_TRUE(html);
    EXPECT_NE(
        html->find("<img width=\"100\" height=\"50\" alt=\"\" src=\"data:image/svg+xml;base64,"),
        std::string::npos);
}

TEST(BodyForms, RtfOnlyFromAnRtfBody)
{
    EXPECT_EQ(RenderBody(With(kNativeRtf, kHtml, {}), BodyForm::Rtf), kNativeRtf);
    EXPECT_FALSE(RenderBody(With({}, kHtml, kPlain), BodyForm::Rtf));
}

TEST(BodyForms, TextOfTheBodyShown)
{
    EXPECT_EQ(RenderBody(With(kNativeRtf, kHtml, kPlain), BodyForm::Text), "Gr\u00fc\u00dfe\n");
    MailBodies html = With({}, kHtml, kPlain);
    EXPECT_EQ(RenderBody(html, BodyForm::Text), "stored\n");
    html.shown = ShownBody::Plain;
    EXPECT_EQ(RenderBody(html, BodyForm::Text), "line <1>\nGr\u00fc\u00dfe\n");

    const std::u16string wide = u"<p>\u0434</p>";
    MailBodies utf16 = With({}, {reinterpret_cast<const char*>(wide.data()), wide.size() * 2}, {});
    utf16.htmlUtf16 = true;
    EXPECT_EQ(RenderBody(utf16, BodyForm::Text), "\u0434\n");
}

} // namespace

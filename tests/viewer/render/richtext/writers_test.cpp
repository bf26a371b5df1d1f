#include "viewer/render/richtext/html_writer.h"
#include "viewer/render/richtext/rtf_reader.h"
#include "viewer/render/richtext/text_writer.h"

#include <gtest/gtest.h>

#include <string_view>

using namespace viewer::render::richtext;

namespace {

Document Read(std::string_view rtf)
{
    return ReadRtf({reinterpret_cast<const std::uint8_t*>(rtf.data()), rtf.size()});
}

std::string Html(std::string_view rtf, const HtmlOptions& options = {})
{
    return WriteHtml(Read(rtf), options);
}

// What lies between <body> and </body>.
std::string Body(const std::string& html)
{
    const std::size_t start = html.find("<body>\n") + 7;
    return html.substr(start, html.find("</body>") - start);
}

TEST(TextWriter, PutsMultiLineCellsOnLinesOfTheirOwn)
{
    const Document doc = Read(R"({\rtf1\trowd\cellx1000\cellx2000\cellx3000)"
                              R"(\pard\intbl a\cell b\line c\cell d\cell\row)"
                              R"(\pard\intbl e\cell{\v hidden}\cell f\cell\row\pard end\par})");
    EXPECT_EQ(WriteText(doc), "a\nb\nc\nd\ne\t\tf\nend\n");
}

TEST(HtmlWriter, WritesFormattingAsInlineStyles)
{
    const std::string body =
        Body(Html(R"({\rtf1{\fonttbl{\f0 Ar'ial"<x>;}}{\colortbl;\red255\green0\blue0;})"
                  R"(\pard\qc\li720\f0\fs30\b\cf1 a<b>&"c\b0{\v hidden}\par})"));
    EXPECT_EQ(body, "<p style=\"white-space:pre-wrap;margin:0pt 0pt 0pt 36pt;text-align:center\">"
                    "<span style=\"font-family:'Arialx';font-size:15pt;font-weight:bold;"
                    "color:#ff0000;\">a&lt;b&gt;&amp;&quot;c</span></p>\n");
}

TEST(HtmlWriter, KeepsEmptyParagraphsAndLineBreaks)
{
    EXPECT_EQ(Body(Html(R"({\rtf1\par a\line b\tab c\par})")),
              "<p style=\"white-space:pre-wrap;margin:0pt 0pt 0pt 0pt\"><br></p>\n"
              "<p style=\"white-space:pre-wrap;margin:0pt 0pt 0pt 0pt\">a<br>b\tc</p>\n");
}

TEST(HtmlWriter, LinksOnlyWhatAPersonMayFollow)
{
    const std::string body = Body(
        Html(R"({\rtf1{\field{\*\fldinst HYPERLINK "https://example.com/?a=1&b=2"}{\fldrslt web}})"
             R"({\field{\*\fldinst HYPERLINK "javascript:run"}{\fldrslt script}})"
             R"({\field{\*\fldinst HYPERLINK "file:///etc/passwd"}{\fldrslt file}})"
             R"({\field{\*\fldinst HYPERLINK \\l "top"}{\fldrslt up}}})"));
    EXPECT_NE(body.find("<a href=\"https://example.com/?a=1&amp;b=2\">"), std::string::npos);
    EXPECT_NE(body.find("<a href=\"#top\">"), std::string::npos);
    EXPECT_EQ(body.find("javascript"), std::string::npos);
    EXPECT_EQ(body.find("file:"), std::string::npos);
    EXPECT_NE(body.find("script"), std::string::npos) << "the text stays";
}

TEST(HtmlWriter, EmbedsPicturesItCanShow)
{
    // A 1 x 1 pixel, 32-bit bitmap: 40-byte header and one row of 4 bytes.
    const std::string body = Body(
        Html(R"({\rtf1{\pict\dibitmap0\picwgoal300\pichgoal150 )"
             R"(28000000010000000100000001002000000000000000000000000000000000000000000000000000)"
             R"(ff000000}{\pict\wmetafile8 0100090000030000000000000000000000000000})"));
    // "BM", size 58, offset 54 in base64.
    EXPECT_NE(body.find("<img width=\"20\" height=\"10\" alt=\"\" src=\"data:image/bmp;base64,"
                        "Qk06AAAAAAAAADYAAAAoAAAA"),
              std::string::npos);
    EXPECT_EQ(body.find("<img", body.find("<img") + 1), std::string::npos)
        << "a metafile needs a converter";

    HtmlOptions options;
    options.convertPicture = [](const Picture& picture) -> std::optional<EncodedImage> {
        if (picture.format != PictureFormat::Wmf) {
            return std::nullopt;
        }
        return EncodedImage{"image/svg+xml", "<svg/>"};
    };
    const std::string converted = Html(R"({\rtf1{\pict\wmetafile8 )"
                                       R"(0100090000030000000000000000000000000000}})",
                                       options);
    EXPECT_NE(converted.find("src=\"data:image/svg+xml;base64,PHN2Zy8+\""), std::string::npos);
}

TEST(HtmlWriter, WritesMergedCellsAsSpans)
{
    const std::string body = Body(
        Html(R"({\rtf1\trowd\clmgf\clbrdrt\brdrs\brdrw30\brdrcf1\cellx1000\clmrg\cellx2000)"
             R"(\clvmgf\clcbpat1\cellx3000\pard\intbl a\cell\cell b\cell\row)"
             R"(\trowd\cellx1000\cellx2000\clvmrg\cellx3000\pard\intbl c\cell d\cell\cell\row})"));
    EXPECT_NE(body.find("<td colspan=\"2\" style=\"width:100pt;border-top:2px solid #000000;"),
              std::string::npos);
    EXPECT_NE(body.find("<td rowspan=\"2\" style=\"width:50pt;"), std::string::npos);
    const std::string lastRow = body.substr(body.rfind("<tr>"));
    std::size_t cells = 0;
    for (std::size_t at = lastRow.find("<td"); at != std::string::npos;
         at = lastRow.find("<td", at + 1)) {
        ++cells;
    }
    EXPECT_EQ(cells, 2u) << "the second row's third cell is covered";
}

} // namespace

// Reads every RTF body kept in the shared corpus (the inflated form of each compressed RTF
// value) and checks what a person would see against what a word processor shows for it:
// the phrases below were read from a word processor's own text export of the same bodies.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

#include "viewer/render/html/html_reader.h"
#include "viewer/render/richtext/deencapsulate.h"
#include "viewer/render/richtext/html_writer.h"
#include "viewer/render/richtext/rtf_reader.h"
#include "viewer/render/richtext/text_writer.h"

using namespace viewer::render;

namespace {

namespace fs = std::filesystem;

const fs::path kRtfFolder = fs::path(PALLION_CORPUS_DIR) / "rtf";

std::vector<std::uint8_t> Load(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// A phrase of each body's text, by file name; non-ASCII ones check the code pages.
const std::map<std::string, std::string> kPhrases = {
    {"IPM-DistList.rtf", "Will send the second half same way."},
    {"MAPI_ATTACH_DATA_OBJ.rtf", "bod\u00f8damene er noe mer j\u00e5lete/velkledde"},
    {"christmas.rtf", "Oh! What a Christmas to remember"},
    {"missing-filenames.rtf", "Sue has encountered a Date problem"},
    {"msg-multiple-encodings.rtf", "\u9019\u662f\u4e00\u500b\u6587\u672c"},
    {"multi-value-attribute.rtf", "You received a voice mail from Curie Conf Room at 208225."},
    {"quick-winmail.rtf", "Five files from Hell!"},
    {"triples.rtf", "Sample description"},
    {"umlaut-filename.rtf", "Habe in den Namen mal ein \u00f6 eingef\u00fcgt\u2026"},
    {"umlaut.rtf", "TEST \u00e4\u00f6\u00fc +-*/~"},
};

TEST(RichTextCorpus, ShowsEveryBodyAsAWordProcessorDoes)
{
    if (!fs::is_directory(kRtfFolder)) {
        GTEST_SKIP() << "no corpus at " << kRtfFolder;
    }
    std::size_t checked = 0;
    for (const auto& entry : fs::directory_iterator(kRtfFolder)) {
        if (entry.path().extension() != ".rtf") {
            continue;
        }
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        const std::vector<std::uint8_t> rtf = Load(entry.path());
        const richtext::Document doc = richtext::ReadRtf(rtf);
        EXPECT_FALSE(doc.limitReached);
        const std::string text = richtext::WriteText(doc);
        const std::string html = richtext::WriteHtml(doc);
        EXPECT_EQ(html.find("</body></html>"), html.size() - 15);
        if (const auto phrase = kPhrases.find(name); phrase != kPhrases.end()) {
            EXPECT_NE(text.find(phrase->second), std::string::npos) << text;
            ++checked;
        }
        // A body that wraps HTML shows the same words through either reading.
        if (const auto wrapped = richtext::Deencapsulate(rtf);
            wrapped && wrapped->kind == richtext::Encapsulation::Html &&
            kPhrases.count(name) != 0) {
            const std::string htmlText = html::HtmlText(html::HtmlDocument::Parse(
                {reinterpret_cast<const std::uint8_t*>(wrapped->content.data()),
                 wrapped->content.size()},
                {}));
            EXPECT_NE(htmlText.find(kPhrases.at(name)), std::string::npos) << htmlText;
        }
    }
    EXPECT_EQ(checked, kPhrases.size());
}

} // namespace

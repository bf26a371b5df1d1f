#include "rtf_mail_body.h"

#include <iterator>
#include <random>

namespace bench_support {

namespace {

void AppendParagraph(std::string& text, std::mt19937& random)
{
    static const char* const kWords[] = {
        "the",      "meeting",  "agenda",  "please", "find",          "attached",
        "report",   "regards",  "quarter", "budget", "review",        "Monday",
        "team",     "invoice",  "office",  "next",   "Gr\\'fc\\'dfe", "caf\\'e9",
        "\\u8364?", "\\u1076?", "and",     "of",     "with",          "a"};
    static const char* const kControls[] = {"\\b ",   "\\b0 ", "\\i ",      "\\i0 ",  "\\cf1 ",
                                            "\\cf0 ", "\\ul ", "\\ulnone ", "\\tab ", "{\\f1 x}"};
    text += "\\pard\\plain\\f0\\fs20\\sa120 ";
    const int words = 20 + static_cast<int>(random() % 60);
    for (int i = 0; i < words; ++i) {
        if (random() % 8 == 0) {
            text += kControls[random() % std::size(kControls)];
        }
        text += kWords[random() % std::size(kWords)];
        text += ' ';
    }
    if (random() % 4 == 0) {
        text += "{\\field{\\*\\fldinst{HYPERLINK \"https://example.com/page\"}}"
                "{\\fldrslt{\\ul\\cf1 example}}}";
    }
    text += "\\par\r\n";
}

void AppendTable(std::string& text, std::mt19937& random)
{
    for (int row = 0; row < 5; ++row) {
        text += row == 0 ? "\\trowd\\trgaph108\\clmgf\\clbrdrt\\brdrs\\brdrw10\\cellx2000"
                           "\\clmrg\\cellx4000\\clvmgf\\clcbpat2\\cellx6000\\cellx8000"
                         : "\\trowd\\trgaph108\\cellx2000\\cellx4000\\clvmrg\\cellx6000"
                           "\\cellx8000";
        for (int cell = 0; cell < 4; ++cell) {
            text += "\\pard\\intbl\\f0\\fs18 cell ";
            text += std::to_string(random() % 1000);
            if (row == 2 && cell == 3) {
                text += "\\cell\\pard\\intbl\\itap2 inner\\nestcell nested\\nestcell"
                        "{\\*\\nesttableprops\\trowd\\cellx800\\cellx1600\\nestrow}"
                        "{\\nonesttables\\par }\\pard\\intbl\\itap1 ";
            }
            text += "\\cell ";
        }
        text += "\\row\r\n";
    }
    text += "\\pard\\par\r\n";
}

void AppendPicture(std::string& text, std::mt19937& random)
{
    static const char kHex[] = "0123456789abcdef";
    text += "{\\*\\shppict{\\pict\\pngblip\\picw2646\\pich1764\\picwgoal1500\\pichgoal1000\r\n"
            "89504e470d0a1a0a0000000d49484452000000640000004308060000";
    const int lines = 40 + static_cast<int>(random() % 80);
    for (int line = 0; line < lines; ++line) {
        text += "\r\n";
        for (int i = 0; i < 128; ++i) {
            text += kHex[random() % 16];
        }
    }
    text += "}}{\\nonshppict{\\pict\\wmetafile8\\picw2646\\pich1764 010009000003}}\\par\r\n";
}

} // namespace

std::string RtfMailBody(std::size_t size, bool pictures)
{
    std::mt19937 random(17);
    std::string text = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
                       "{\\f1\\fmodern\\fcharset0 Courier New;}{\\f2\\fcharset204 Arial CYR;}}\r\n"
                       "{\\colortbl;\\red0\\green0\\blue255;\\red230\\green230\\blue230;}\r\n"
                       "{\\*\\generator bench;}\\viewkind4\\uc1\r\n";
    while (text.size() < size) {
        for (int i = 0; i < 8; ++i) {
            AppendParagraph(text, random);
        }
        AppendTable(text, random);
        if (pictures) {
            AppendPicture(text, random);
        }
    }
    text += "}";
    return text;
}

} // namespace bench_support

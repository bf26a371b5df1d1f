// Throughput of the RTF reader on a generated 5 MiB mail body (PALLION_RICHTEXT_BENCH_MIB
// changes the size): formatted paragraphs with accented letters and \uN, hyperlinks, tables
// with merged and nested cells, and PNG pictures as hex; once with pictures, once without.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "viewer/render/richtext/rtf_reader.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using viewer::render::richtext::Document;
using viewer::render::richtext::ReadRtf;

std::size_t InputSize()
{
    const char* mib = std::getenv("PALLION_RICHTEXT_BENCH_MIB");
    return static_cast<std::size_t>(mib ? std::atoi(mib) : 5) * 1024 * 1024;
}

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

Bytes MailBody(std::size_t size, bool pictures)
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
    return Bytes(text.begin(), text.end());
}

const Bytes& Input(bool pictures)
{
    static const Bytes mixed = MailBody(InputSize(), true);
    static const Bytes text = MailBody(InputSize(), false);
    return pictures ? mixed : text;
}

void BM_ReadRtf(benchmark::State& state)
{
    const Bytes& rtf = Input(state.range(0) != 0);
    std::size_t held = 0;
    std::size_t paragraphs = 0;
    for (auto _ : state) {
        const std::size_t before = mallinfo2().uordblks;
        const Document doc = ReadRtf(rtf);
        held = mallinfo2().uordblks - before;
        paragraphs = doc.paragraphs.size();
        benchmark::DoNotOptimize(doc.runs.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rtf.size()));
    state.counters["input_MiB"] = static_cast<double>(rtf.size()) / (1024.0 * 1024.0);
    state.counters["model_MiB"] = static_cast<double>(held) / (1024.0 * 1024.0);
    state.counters["paragraphs"] = static_cast<double>(paragraphs);
    state.counters["peak_RSS_MiB"] =
        static_cast<double>(bench_support::PeakResidentBytes()) / (1024.0 * 1024.0);
}

} // namespace

BENCHMARK(BM_ReadRtf)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("pictures")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

BENCHMARK_MAIN();

// The body panes, offscreen: a 5 MiB RTF body with tables and pictures and a 5 MiB HTML body,
// each from the element given to a new pane to the body laid out and its first screen
// painted (what a person waits for after selecting the body). The stream is made in memory
// before the clock starts. Counter: peak resident memory of the process.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include <QApplication>

#include "bench_support.h"
#include "format/mapi.h"
#include "platform/memory_stream.h"
#include "rtf_mail_body.h"
#include "tests/support/tnef_builder.h"
#include "viewer/doc/app/app_context.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/tree/tree_builder.h"
#include "viewer/ui/html_view.h"
#include "viewer/ui/rtf_view.h"

namespace {

using namespace testing_support;
using namespace viewer::doc;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kBodyBytes = 5 * 1024 * 1024;

// Office-like HTML: styled paragraphs, conditional comments, o:p, tables, links and cid:
// pictures, as a mail client writes them.
std::string HtmlMailBody(std::size_t size)
{
    std::mt19937 random(23);
    std::string html = "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\"><head>"
                       "<meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">"
                       "<style>p.MsoNormal{margin:0cm;font-size:11.0pt;font-family:Calibri}"
                       "td{padding:2px}</style></head><body lang=EN-GB link=\"#0563C1\">\n";
    int row = 0;
    while (html.size() < size) {
        html += "<p class=MsoNormal style='color:#1F497D'>Dear team, please find the <b>quarter"
                "</b> report <i>attached</i>; the budget review is on Monday. Gr\xC3\xBC\xC3\x9F"
                "e, caf\xC3\xA9 <a href=\"https://example.com/p/" +
                std::to_string(random() % 1000) + "\">page</a><o:p></o:p></p>\n";
        if (++row % 8 == 0) {
            html += "<!--[if gte mso 9]><xml><o:shapedefaults/></xml><![endif]-->"
                    "<table border=1 cellspacing=0 cellpadding=0 style='border-collapse:collapse'>";
            for (int r = 0; r < 5; ++r) {
                html += "<tr>";
                for (int c = 0; c < 4; ++c) {
                    html += "<td width=120 valign=top><p class=MsoNormal>cell " +
                            std::to_string(random() % 1000) + "<o:p></o:p></p></td>";
                }
                html += "</tr>";
            }
            html += "</table><p><img width=100 height=67 src=\"cid:image001.png@01D0\"></p>\n";
        }
    }
    return html + "</body></html>";
}

ByteVector Stream(std::uint32_t tag, const std::string& body)
{
    PropertyList properties;
    if (tag == format::PR_RTF_COMPRESSED) {
        properties.Binary(tag, UncompressedRtf(body));
    } else {
        properties.Binary(tag, ByteVector(body.begin(), body.end()));
    }
    return TnefBuilder().Header().MessageProperties(properties).Bytes();
}

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

template <typename Pane> void ShowBody(benchmark::State& state, const ByteVector& bytes)
{
    document::CEnvelonDoc doc;
    doc.AttachStream(platform::CreateMemoryStream(bytes), "/bench/winmail.dat");
    tree::DocumentTree tree;
    tree.Build(doc, nullptr);
    model::ElementRef* body = tree.Index().FindMailBody().element;
    if (body == nullptr) {
        state.SkipWithError("no mail body");
        return;
    }
    std::size_t characters = 0;
    for (auto _ : state) {
        auto pane = std::make_unique<Pane>(viewer::ui::PaneContext{&doc, nullptr}, nullptr);
        pane->resize(900, 700);
        pane->show();
        const auto start = Clock::now();
        pane->OnUpdate(nullptr, body);
        pane->repaint();
        state.SetIterationTime(Seconds(start));
        characters = static_cast<std::size_t>(pane->document()->characterCount());
    }
    state.counters["body_MiB"] = static_cast<double>(bytes.size()) / (1 << 20);
    state.counters["characters"] = static_cast<double>(characters);
    state.counters["peak_rss_MiB"] =
        static_cast<double>(bench_support::PeakResidentBytes()) / (1 << 20);
}

void RtfBody(benchmark::State& state)
{
    static const ByteVector bytes =
        Stream(format::PR_RTF_COMPRESSED, bench_support::RtfMailBody(kBodyBytes, true));
    ShowBody<viewer::ui::CRTFView>(state, bytes);
}
BENCHMARK(RtfBody)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void HtmlBody(benchmark::State& state)
{
    static const ByteVector bytes = Stream(format::PR_BODY_HTML, HtmlMailBody(kBodyBytes));
    ShowBody<viewer::ui::CMyHTMView>(state, bytes);
}
BENCHMARK(HtmlBody)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    // A private registration store, temporary folder and runtime folder, removed at exit.
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base ? base : "/tmp") + "/pallion-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        return 1;
    }
    ::setenv("PALLION_REGISTRY", (pattern + "/registry.reg").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", pattern.c_str(), 1);
    ::setenv("TMPDIR", pattern.c_str(), 1);
    ::setenv("PALLION_LIBDIR", PALLION_BIN_DIR, 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    {
        QApplication application(argc, argv);
        viewer::doc::app::RegisterStreamServer();
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }
    std::filesystem::remove_all(pattern);
    return 0;
}

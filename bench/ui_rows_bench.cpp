// The hex and text panes, offscreen.
// - The first hex screen of a 1 GiB attachment: the element copied into the pane's own file
//   and the first screen painted, each run right after cp of a file holding the same bytes.
//   Stream and file are written out, so that no hole makes either copy cheap, and the disk is
//   synced before each copy.
// - Painting a full screen (1280 x 800) of hex and of text rows, in the middle of a file.
// Counters: cp's time and what the pane adds to it; the resident memory of the process while
// the pane holds the 1 GiB attachment, and its peak.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include <QApplication>
#include <QPixmap>
#include <QScrollBar>

#include "bench_support.h"
#include "platform/file_io.h"
#include "viewer/doc/app/app_context.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/tree/tree_builder.h"
#include "viewer/ui/hex_view.h"
#include "viewer/ui/text_view.h"

namespace {

using namespace viewer::doc::document;
using namespace viewer::doc::model;
using namespace viewer::doc::tree;
using Clock = std::chrono::steady_clock;

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Run(const std::string& command)
{
    if (std::system(command.c_str()) != 0) {
        std::abort();
    }
}

// A stream with one 1 GiB attachment, open, its tree walked, and a file of the same size.
class LargeAttachment {
public:
    LargeAttachment()
        : m_stream("rows-1gib.tnef"), m_range("rows-range.bin"), m_copy("rows-copy.bin")
    {
        const bench_support::ScratchFile sparse("rows-sparse.tnef");
        Run(std::string(PALLION_BENCH_DIR "/make-large-tnef '") + sparse.Path() +
            "' --attachments 1 --attachment-mib 1024");
        Run("cp --sparse=never '" + sparse.Path() + "' '" + m_stream.Path() + "'");
        Run("head -c " + std::to_string(kGiB) + " /dev/zero > '" + m_range.Path() + "'");
        if (!m_document.OpenInPlace(m_stream.Path().c_str())) {
            std::abort();
        }
        m_tree.Build(m_document, nullptr);
        const MemoryTree& tree = m_tree.GetTree();
        for (const NodeId node : tree.Children(tree.Root())) {
            std::uint64_t offset = 0;
            std::uint32_t count = 0;
            ElementRef* element = tree.Element(node);
            if (element &&
                platform::Succeeded(m_document.GetElementRange(element, &offset, &count)) &&
                count == kGiB && element->SupportsView(VIEW_HEX)) {
                m_element = element;
            }
        }
        if (!m_element) {
            std::abort();
        }
    }

    CEnvelonDoc& Document() { return m_document; }
    ElementRef* Element() const { return m_element; }
    // Copies the file of the attachment's size with cp; its time in seconds.
    double CopyWithCp() const
    {
        ::sync();
        const auto start = Clock::now();
        Run("cp '" + m_range.Path() + "' '" + m_copy.Path() + "'");
        const double seconds = Seconds(start);
        ::unlink(m_copy.Path().c_str());
        return seconds;
    }

private:
    bench_support::ScratchFile m_stream;
    bench_support::ScratchFile m_range;
    bench_support::ScratchFile m_copy;
    CEnvelonDoc m_document;
    DocumentTree m_tree;
    ElementRef* m_element = nullptr;
};

template <typename Pane> std::unique_ptr<Pane> MakePane(CEnvelonDoc* document)
{
    auto pane = std::make_unique<Pane>(viewer::ui::PaneContext{document, nullptr}, nullptr);
    pane->resize(1280, 800);
    pane->show();
    return pane;
}

void FirstHexScreenOfA1GiBAttachment(benchmark::State& state)
{
    static LargeAttachment large;
    double copy = 0;
    double view = 0;
    std::uint64_t resident = 0;
    for (auto _ : state) {
        copy += large.CopyWithCp();
        auto pane = MakePane<viewer::ui::CHexView>(&large.Document());
        QPixmap screen(pane->viewport()->size());
        // Neither copy waits for the other's dirty pages to reach the disk.
        ::sync();
        const auto start = Clock::now();
        pane->OnUpdate(nullptr, large.Element());
        pane->viewport()->render(&screen);
        const double seconds = Seconds(start);
        if (pane->RowCount() != kGiB / 16 || !pane->PaintedRows()) {
            state.SkipWithError("the attachment was not shown");
            break;
        }
        state.SetIterationTime(seconds);
        view += seconds;
        resident = std::max(resident, bench_support::ResidentBytes());
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["cp_ms"] = copy / runs * 1000;
    state.counters["beyond_cp_ms"] = (view - copy) / runs * 1000;
    state.counters["rss_with_pane_MiB"] = static_cast<double>(resident) / (1 << 20);
    state.counters["peak_rss_MiB"] =
        static_cast<double>(bench_support::PeakResidentBytes()) / (1 << 20);
}
BENCHMARK(FirstHexScreenOfA1GiBAttachment)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// 64 MiB of rows: random bytes for hex, lines of random Windows-1252 text for text.
platform::UniqueFd RowsFile(bool hex)
{
    const bench_support::ScratchFile name(hex ? "rows-hex.bin" : "rows-text.bin");
    platform::UniqueFd fd(
        ::open(name.Path().c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    std::mt19937 random(16);
    std::string block(1 << 20, '\0');
    for (int mib = 0; mib < 64; ++mib) {
        for (std::size_t i = 0; i < block.size(); ++i) {
            const auto value = static_cast<unsigned>(random());
            block[i] = static_cast<char>(hex ? value : (i % 80 == 79 ? 0 : 0x20 + value % 0xDF));
        }
        if (platform::Failed(platform::WriteAll(fd.Get(), block))) {
            std::abort();
        }
    }
    return fd;
}

void PaintFullScreen(benchmark::State& state)
{
    const bool hex = state.range(0) == 0;
    std::unique_ptr<viewer::ui::RowPane> pane;
    if (hex) {
        pane = MakePane<viewer::ui::CHexView>(nullptr);
    } else {
        pane = MakePane<viewer::ui::CTextView>(nullptr);
    }
    pane->ShowRowFile(RowsFile(hex));
    pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum() / 2);
    QPixmap screen(pane->viewport()->size());
    for (auto _ : state) {
        pane->viewport()->render(&screen);
    }
    const auto rows = pane->PaintedRows();
    state.counters["rows"] = rows ? static_cast<double>(rows->last - rows->first + 1) : 0;
}
BENCHMARK(PaintFullScreen)->ArgName("text")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("PALLION_LIBDIR", PALLION_BIN_DIR, 0);
    const bench_support::ScratchFile registry("rows-registry.reg");
    ::setenv("PALLION_REGISTRY", registry.Path().c_str(), 1);
    viewer::doc::app::RegisterStreamServer();
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

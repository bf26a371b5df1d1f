// The tree pane, offscreen: a 200 000-node tree shown (model set and the first screen
// painted) after the walk, and a node with 20 000 children expanded and painted. The walk
// itself is timed by bench_tree; here it runs outside the measured time. Counter: peak
// resident memory of the process.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

#include <QApplication>

#include "bench_support.h"
#include "platform/com_ptr.h"
#include "platform/text.h"
#include "stream/stream_on_file.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/tree/tree_builder.h"
#include "viewer/ui/left_view.h"
#include "viewer/ui/tree_model.h"

namespace {

using namespace viewer::doc::document;
using namespace viewer::doc::tree;
using Clock = std::chrono::steady_clock;

// A stream of `properties` small properties written by make-large-tnef.
class GeneratedStream {
public:
    explicit GeneratedStream(unsigned properties)
        : m_file("ui-tree-" + std::to_string(properties) + ".tnef")
    {
        const std::string command = std::string(PALLION_BENCH_DIR "/make-large-tnef '") +
                                    m_file.Path() + "' --properties " + std::to_string(properties);
        if (std::system(command.c_str()) != 0) {
            std::abort();
        }
    }

    // The walked tree of the stream.
    std::unique_ptr<MemoryTree> Walk() const
    {
        platform::ComPtr<platform::IPersistFile> file;
        file.Attach(rillex::StreamOnFile::Create());
        if (platform::Failed(file->Load(platform::Utf8ToUtf16(m_file.Path()).c_str(),
                                        platform::STGM_READ | platform::STGM_SHARE_EXCLUSIVE))) {
            std::abort();
        }
        platform::ComPtr<platform::IStream> stream;
        file.As(platform::IID_IStream, &stream);
        CEnvelonDoc document;
        document.AttachStream(std::move(stream), m_file.Path());
        auto tree = std::make_unique<MemoryTree>();
        TreeIndex index;
        BuildDocumentTree(document, *tree, index, nullptr);
        return tree;
    }

private:
    bench_support::ScratchFile m_file;
};

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The viewer's tree pane, on screen, without a window around it.
std::unique_ptr<viewer::ui::CLeftView> MakeView()
{
    auto view = std::make_unique<viewer::ui::CLeftView>(viewer::ui::PaneContext{}, nullptr);
    view->resize(400, 700);
    view->show();
    return view;
}

void ShowLargeTree(benchmark::State& state)
{
    static const GeneratedStream stream(100'000);
    std::size_t nodes = 0;
    for (auto _ : state) {
        auto tree = stream.Walk();
        nodes = tree->NodeCount();
        auto view = MakeView();
        const auto start = Clock::now();
        view->ShowTree(std::move(tree));
        view->repaint();
        state.SetIterationTime(Seconds(start));
    }
    state.counters["nodes"] = static_cast<double>(nodes);
    state.counters["peak_rss_MiB"] =
        static_cast<double>(bench_support::PeakResidentBytes()) / (1 << 20);
}
BENCHMARK(ShowLargeTree)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void ExpandTwentyThousandChildren(benchmark::State& state)
{
    static const GeneratedStream stream(20'000);
    for (auto _ : state) {
        auto view = MakeView();
        view->ShowTree(stream.Walk());
        const viewer::ui::TreeModel* model = view->Model();
        const MemoryTree& tree = model->Tree();
        // Root > "Large message" group > "Message Properties": 20 000 properties.
        const NodeId group = tree.Child(tree.Root(), 1);
        NodeId list = kNoNode;
        for (std::size_t row = 0; row < tree.ChildCount(group); ++row) {
            if (tree.ChildCount(tree.Child(group, row)) >= 20'000) {
                list = tree.Child(group, row);
            }
        }
        if (list == kNoNode) {
            state.SkipWithError("no node with 20 000 children");
            break;
        }
        view->expand(model->IndexOf(group));
        view->repaint();
        const auto start = Clock::now();
        view->expand(model->IndexOf(list));
        view->repaint();
        state.SetIterationTime(Seconds(start));
    }
}
BENCHMARK(ExpandTwentyThousandChildren)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

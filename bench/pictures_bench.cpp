// Pictures: a 16 KiB attachment rendering played 10 000 times (steps and records per
// second, and its SVG written), and an OLE object of 20 MB (a package with an icon) opened
// and drawn, and its content streamed out. Peak resident memory must not follow the
// object's size: only the presentation is read. The object is written by a child process
// so that its generation does not count.
#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "picture_inputs.h"
#include "viewer/render/metafile/metafile_player.h"
#include "viewer/render/metafile/svg_writer.h"
#include "viewer/render/ole/embedded_item.h"

namespace {

using namespace viewer::render;
using bench_pictures::LargeObject;
using bench_pictures::Rendering;

void BM_PlayRendering(benchmark::State& state)
{
    std::size_t records = 0;
    const auto bytes = Rendering(records);
    std::size_t steps = 0;
    for (auto _ : state) {
        metafile::Picture picture;
        if (metafile::PlayMetafile(bytes, picture) < 0 || picture.damaged) {
            state.SkipWithError("damaged");
            break;
        }
        steps += picture.steps.size();
        benchmark::DoNotOptimize(picture);
    }
    state.counters["steps/s"] = benchmark::Counter(double(steps), benchmark::Counter::kIsRate);
    state.counters["records/s"] =
        benchmark::Counter(double(records * state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes.size() * state.iterations()));
}

void BM_RenderingToSvg(benchmark::State& state)
{
    std::size_t records = 0;
    metafile::Picture picture;
    (void)metafile::PlayMetafile(Rendering(records), picture);
    std::size_t written = 0;
    for (auto _ : state) {
        written += metafile::WriteSvg(picture).size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(written));
}

class NoPane : public ole::EmbeddedItemHost {
public:
    platform::StatusCode HandOver(const ole::OleObject&) override { return platform::S_OK; }
    void Invalidate() override {}
};

void BM_OpenAndDrawLargeObject(benchmark::State& state)
{
    const std::string& path = LargeObject();
    NoPane pane;
    for (auto _ : state) {
        ole::CEmbeddedItem item;
        ole::DrawPlan plan;
        const metafile::PixelRect client{0, 0, 800, 600};
        if (item.LoadFromFile(&pane, path) < 0 || item.DrawObject(96, 96, &client, plan) < 0 ||
            !plan.picture) {
            state.SkipWithError("cannot open the object");
            break;
        }
        benchmark::DoNotOptimize(plan);
    }
    state.counters["peak_rss_MB"] =
        static_cast<double>(bench_support::PeakResidentBytes()) / (1024.0 * 1024.0);
}

void BM_LargeObjectContentOut(benchmark::State& state)
{
    const std::string& path = LargeObject();
    std::unique_ptr<ole::OleObject> object;
    if (ole::OleObject::OpenFile(path, object) < 0) {
        state.SkipWithError("cannot open the object");
        return;
    }
    std::uint64_t total = 0;
    for (auto _ : state) {
        const auto status = object->WriteContent([&](std::span<const std::uint8_t> piece) {
            total += piece.size();
            return platform::S_OK;
        });
        if (status < 0) {
            state.SkipWithError("cannot read the content");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(total));
    state.counters["peak_rss_MB"] =
        static_cast<double>(bench_support::PeakResidentBytes()) / (1024.0 * 1024.0);
}

} // namespace

BENCHMARK(BM_PlayRendering)->Unit(benchmark::kMicrosecond)->Iterations(10000);
BENCHMARK(BM_RenderingToSvg)->Unit(benchmark::kMicrosecond)->Iterations(200);
BENCHMARK(BM_OpenAndDrawLargeObject)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_LargeObjectContentOut)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_MAIN();

// Pictures: a 16 KiB attachment rendering played 10 000 times (steps and records per
// second, and its SVG written), and an OLE object of 20 MB (a package with an icon) opened
// and drawn, and its content streamed out. Peak resident memory must not follow the
// object's size: only the presentation is read. The object is written by a child process
// so that its generation does not count.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include <sys/wait.h>
#include <unistd.h>

#include "bench_support.h"
#include "tests/viewer/render/ole/ole_fixtures.h"
#include "tests/viewer/render/picture_builders.h"
#include "viewer/render/metafile/metafile_player.h"
#include "viewer/render/metafile/svg_writer.h"
#include "viewer/render/metafile/wmf_records.h"
#include "viewer/render/ole/embedded_item.h"

namespace {

using namespace viewer::render;
using namespace viewer::render::metafile::wmf;
using testing_support::DibBuilder;
using testing_support::WmfBuilder;
using testing_support::WmfParams;

constexpr std::size_t kRenderingBytes = 16 * 1024;
constexpr std::size_t kObjectBytes = 20 * 1000 * 1000;

// An icon (mask and 32 x 32 colour image), a caption and, up to 16 KiB, the shapes, lines
// and text runs a drawing of a document's first page would hold.
std::vector<std::uint8_t> Rendering(std::size_t& records)
{
    WmfBuilder wmf;
    wmf.Record(META_SETMAPMODE, {MM_ANISOTROPIC})
        .Pair(META_SETWINDOWEXT, 400, 300)
        .Pair(META_SETVIEWPORTEXT, 400, 300);
    const auto mask = DibBuilder(32, 32, 1).Colours({0, 0xFFFFFF}).Bytes();
    const auto image = DibBuilder(32, 32, 24).Bytes();
    wmf.Record(META_DIBSTRETCHBLT,
               WmfParams().D(SRCAND).W(32).W(32).W(0).W(0).W(32).W(32).W(0).W(0).Raw(mask));
    wmf.Record(META_DIBSTRETCHBLT,
               WmfParams().D(SRCINVERT).W(32).W(32).W(0).W(0).W(32).W(32).W(0).W(0).Raw(image));
    std::vector<std::uint8_t> face(32, 0);
    face[0] = 'A';
    wmf.Record(META_CREATEFONTINDIRECT,
               WmfParams{-11, 0, 0, 0, 400}.Raw({0, 0, 0, 0, 0, 0, 0, 0}).Raw(face));
    wmf.Record(META_SELECTOBJECT, {0});
    wmf.Record(META_CREATEPENINDIRECT, WmfParams{0, 1, 0}.Colour(0x336699));
    wmf.Record(META_SELECTOBJECT, {1});
    records = 10;
    for (int i = 0; wmf.Bytes().size() + 64 < kRenderingBytes; ++i) {
        const int y = i % 280;
        switch (i % 4) {
        case 0:
            wmf.Box(META_RECTANGLE, i % 300, y, i % 300 + 40, y + 12);
            break;
        case 1:
            wmf.Pair(META_MOVETO, 0, y).Pair(META_LINETO, 200, y).Pair(META_LINETO, 200, y + 5);
            records += 2;
            break;
        case 2:
            wmf.Record(META_EXTTEXTOUT, WmfParams{y, 10, 12, 0}
                                            .Text("quarterly up")
                                            .W(6)
                                            .W(6)
                                            .W(6)
                                            .W(6)
                                            .W(6)
                                            .W(6)
                                            .W(6)
                                            .W(6)
                                            .W(6)
                                            .W(6)
                                            .W(6)
                                            .W(6));
            break;
        default:
            wmf.Record(META_POLYGON, {4, 0, y, 10, y, 10, y + 10, 0, y + 10});
            break;
        }
        ++records;
    }
    return wmf.Bytes();
}

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

const std::string& LargeObject()
{
    static bench_support::ScratchFile file("large-object.ole");
    static const bool written = [] {
        const pid_t child = ::fork();
        if (child == 0) {
            testing_support::StorageTree tree;
            tree.clsid = ole::CLSID_Package;
            std::vector<std::uint8_t> data(kObjectBytes);
            std::uint32_t seed = 7;
            for (std::uint8_t& byte : data) {
                seed = seed * 1664525u + 1013904223u;
                byte = static_cast<std::uint8_t>(seed >> 24);
            }
            tree.streams["\001Ole10Native"] =
                testing_support::PackageStream("large.bin", "C:\\T\\LARGE.BIN", data);
            std::size_t records = 0;
            tree.streams["\002OlePres000"] = testing_support::PresentationStream(
                ole::CF_METAFILEPICT, ole::DVASPECT_ICON, 2699, 1746, Rendering(records));
            ::_exit(testing_support::WriteStorageFile(file.Path(), tree) ? 0 : 1);
        }
        int status = 0;
        if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "cannot write %s\n", file.Path().c_str());
            std::exit(1);
        }
        return true;
    }();
    static_cast<void>(written);
    return file.Path();
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

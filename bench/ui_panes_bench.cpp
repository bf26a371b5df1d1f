// The OLE-object pane, offscreen: an object of 20 MB (a package with an icon) shown from its
// document, that is copied into the pane's temporary file, opened, its presentation read and
// drawn. Counter: peak resident memory of the process, which must not follow the object's size.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <vector>

#include <QApplication>
#include <QImage>

#include "bench_support.h"
#include "format/little_endian.h"
#include "format/tnef.h"
#include "picture_inputs.h"
#include "viewer/doc/app/app_context.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/model/element.h"
#include "viewer/ui/ole_view.h"

namespace {

using namespace viewer::doc::document;
using namespace viewer::doc::model;
using Clock = std::chrono::steady_clock;

// A document whose stream is one object value: its size field, IID_IStorage and the object.
class ObjectDocument {
public:
    ObjectDocument() : m_file("ui-panes-object.tnef"), m_element(ELEM_OLE_OBJECT)
    {
        std::ifstream object(bench_pictures::LargeObject(), std::ios::binary);
        std::ofstream out(m_file.Path(), std::ios::binary);
        std::vector<char> piece(1 << 20);
        std::uint8_t head[4 + 16] = {};
        object.seekg(0, std::ios::end);
        const auto size = static_cast<std::uint32_t>(object.tellg());
        object.seekg(0);
        format::StoreLe32(head, size + 16);
        out.write(reinterpret_cast<const char*>(head), sizeof head);
        while (object.read(piece.data(), std::streamsize(piece.size())) || object.gcount() > 0) {
            out.write(piece.data(), object.gcount());
        }
        out.close();
        m_element.m_layout = format::kLayoutObject;
        m_element.m_size = size + 16;

        if (!m_document.OpenInPlace(m_file.Path().c_str())) {
            std::abort();
        }
    }

    CEnvelonDoc& Document() { return m_document; }
    ValueElement& Element() { return m_element; }

private:
    bench_support::ScratchFile m_file;
    CEnvelonDoc m_document;
    ValueElement m_element;
};

void OpenAndDrawObjectInPane(benchmark::State& state)
{
    static ObjectDocument document;
    QImage canvas(800, 600, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        viewer::ui::COLEView pane(viewer::ui::PaneContext{&document.Document(), nullptr}, nullptr);
        pane.resize(canvas.size());
        const auto start = Clock::now();
        pane.OnUpdate(nullptr, &document.Element());
        pane.render(&canvas);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (!pane.Item()) {
            state.SkipWithError("the object did not load");
            break;
        }
    }
    state.counters["object_MB"] = static_cast<double>(bench_pictures::kObjectBytes) / 1e6;
    state.counters["peak_rss_MiB"] =
        static_cast<double>(bench_support::PeakResidentBytes()) / (1 << 20);
}
BENCHMARK(OpenAndDrawObjectInPane)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("PALLION_LIBDIR", PALLION_BIN_DIR, 1);
    const bench_support::ScratchFile registry("ui-panes-registry.reg");
    ::setenv("PALLION_REGISTRY", registry.Path().c_str(), 1);
    QApplication application(argc, argv);
    viewer::doc::app::RegisterStreamServer();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Opening a 200 MB ".dat" end to end (private copy through the kernel, stream object by
// ProgID), beside `cp` of the same file in the same run, with peak memory. The ".eml" route's
// figures come from the Gimlet benchmark. PALLION_LOADING_BENCH_MB sets another size.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench_support.h"
#include "viewer/doc/app/app_context.h"
#include "viewer/doc/document/envelon_doc.h"

namespace {

std::size_t FileBytes()
{
    const char* megabytes = std::getenv("PALLION_LOADING_BENCH_MB");
    const long value = megabytes != nullptr ? std::atol(megabytes) : 0;
    return static_cast<std::size_t>(value > 0 ? value : 200) * 1000 * 1000;
}

// A file of real (not sparse) bytes: a TNEF header followed by a pattern.
const std::string& SourceFile()
{
    static bench_support::ScratchFile file("loading-source.dat");
    static bool written = false;
    if (!written) {
        const int fd = ::open(file.Path().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<char> block(1 << 20);
        for (std::size_t i = 0; i < block.size(); ++i) {
            block[i] = static_cast<char>(i * 31);
        }
        for (std::size_t done = 0; done < FileBytes(); done += block.size()) {
            if (::write(fd, block.data(), block.size()) < 0) {
                break;
            }
        }
        ::close(fd);
        written = true;
    }
    return file.Path();
}

void BM_OpenDat(benchmark::State& state)
{
    const std::string source = SourceFile();
    viewer::doc::app::AppContextScope app;
    viewer::doc::app::RegisterStreamServer();
    // Closing the document frees its private copy: the kernel drops the file's pages then,
    // which is timed apart from the opening.
    double closeSeconds = 0;
    for (auto _ : state) {
        auto document = std::make_unique<viewer::doc::document::CEnvelonDoc>();
        if (!document->OpenFromPath(source.c_str())) {
            state.SkipWithError("open failed");
            break;
        }
        state.PauseTiming();
        const auto start = std::chrono::steady_clock::now();
        document.reset();
        closeSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.ResumeTiming();
    }
    state.counters["close_ms"] = 1000 * closeSeconds / static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * FileBytes()));
    state.counters["peak_MiB"] = static_cast<double>(bench_support::PeakResidentBytes()) / (1 << 20);
}

void BM_Cp(benchmark::State& state)
{
    const std::string source = SourceFile();
    bench_support::ScratchFile target("loading-cp.dat");
    const std::string command = "cp '" + source + "' '" + target.Path() + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("cp failed");
            break;
        }
        ::unlink(target.Path().c_str());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * FileBytes()));
}

} // namespace

BENCHMARK(BM_OpenDat)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_Cp)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK_MAIN();

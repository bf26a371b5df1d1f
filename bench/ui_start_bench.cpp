// Process start to the first document window, offscreen: from fork until pallion says its
// main window is painted with the document's tree built and its first right pane shown
// (PALLION_EXIT_WHEN_SHOWN). The splash's minimum time is set to 0 and reported apart.
// Streams: the sample, 200 000 nodes (100 000 small properties) and 1 GiB (sixteen 64 MiB
// attachments, written out so that no hole makes a copy cheap), beside cp of the 1 GiB file.
// Counters: peak resident memory of the viewer process.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bench_support.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Run {
    double seconds = 0;
    std::uint64_t peakBytes = 0;
    bool shown = false;
};

// Runs `argv` with `environment` added; the time until its first output line (or its end)
// and its peak resident memory.
Run Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        std::abort();
    }
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const std::string& setting : environment) {
            ::putenv(const_cast<char*>(setting.c_str()));
        }
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDERR_FILENO);
        std::vector<char*> args;
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    Run run;
    char buffer[64];
    const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.shown = got > 0;
    ::close(pipeEnds[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    if (!run.shown) {
        run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    }
    run.peakBytes = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024u;
    return run;
}

class Streams {
public:
    Streams()
        : m_nodes("200k-nodes.tnef"), m_sparse("1gib-sparse.tnef"), m_large("1gib.tnef"),
          m_copy("1gib-copy.tnef"), m_work("work")
    {
        const std::string make = PALLION_BENCH_DIR "/make-large-tnef";
        Spawn({make, m_nodes.Path(), "--properties", "100000"}, {});
        Spawn({make, m_sparse.Path(), "--attachments", "16", "--attachment-mib", "64",
               "--properties", "100"},
              {});
        Spawn({"/bin/cp", "--sparse=never", m_sparse.Path(), m_large.Path()}, {});
        ::mkdir(m_work.Path().c_str(), 0700);
        ::mkdir((m_work.Path() + "/runtime").c_str(), 0700);
    }
    ~Streams() { std::system(("rm -rf '" + m_work.Path() + "'").c_str()); }

    std::string Path(int which) const
    {
        switch (which) {
        case 0:
            return PALLION_SAMPLE;
        case 1:
            return m_nodes.Path();
        default:
            return m_large.Path();
        }
    }
    const std::string& CopyTarget() const { return m_copy.Path(); }
    std::vector<std::string> Environment() const
    {
        return {"QT_QPA_PLATFORM=offscreen",
                "PALLION_SPLASH_MS=0",
                "PALLION_EXIT_WHEN_SHOWN=1",
                "XDG_RUNTIME_DIR=" + m_work.Path() + "/runtime",
                "XDG_CONFIG_HOME=" + m_work.Path() + "/config",
                "PALLION_REGISTRY=" + m_work.Path() + "/registry.reg",
                "TMPDIR=" + m_work.Path()};
    }

private:
    bench_support::ScratchFile m_nodes;
    bench_support::ScratchFile m_sparse;
    bench_support::ScratchFile m_large;
    bench_support::ScratchFile m_copy;
    bench_support::ScratchFile m_work;
};

const Streams& TheStreams()
{
    static const Streams streams;
    return streams;
}

void StartToFirstWindow(benchmark::State& state)
{
    const Streams& streams = TheStreams();
    const std::string file = streams.Path(static_cast<int>(state.range(0)));
    std::uint64_t peak = 0;
    for (auto _ : state) {
        const Run run = Spawn({PALLION_BIN_DIR "/pallion", file}, streams.Environment());
        if (!run.shown) {
            state.SkipWithError("pallion did not show its window");
            break;
        }
        state.SetIterationTime(run.seconds);
        peak = std::max(peak, run.peakBytes);
    }
    state.counters["peak_rss_MiB"] = static_cast<double>(peak) / (1 << 20);
}
BENCHMARK(StartToFirstWindow)
    ->ArgName("stream")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// The 1 GiB stream, each run right after cp of the same file, so that both meet the same
// disk: opening copies the file as cp does, and the difference is what the viewer adds.
void LargeStreamBesideCp(benchmark::State& state)
{
    const Streams& streams = TheStreams();
    double copy = 0;
    double view = 0;
    std::uint64_t peak = 0;
    for (auto _ : state) {
        const Run cp = Spawn({"/bin/cp", streams.Path(2), streams.CopyTarget()}, {});
        ::unlink(streams.CopyTarget().c_str());
        const Run run = Spawn({PALLION_BIN_DIR "/pallion", streams.Path(2)}, streams.Environment());
        if (!run.shown) {
            state.SkipWithError("pallion did not show its window");
            break;
        }
        state.SetIterationTime(run.seconds);
        copy += cp.seconds;
        view += run.seconds;
        peak = std::max(peak, run.peakBytes);
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["cp_ms"] = copy / runs * 1000;
    state.counters["beyond_cp_ms"] = (view - copy) / runs * 1000;
    state.counters["peak_rss_MiB"] = static_cast<double>(peak) / (1 << 20);
}
BENCHMARK(LargeStreamBesideCp)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("streams", "0 sample.tnef, 1 200 000 nodes");
    benchmark::AddCustomContext("splash_minimum_ms",
                                "1000 by default, not included (PALLION_SPLASH_MS=0)");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

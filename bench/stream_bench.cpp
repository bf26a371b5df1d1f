// StreamOnFile throughput and cost:
//   - CopyTo of a 1 GiB file into a file stream, beside a plain read/write loop with the
//     same 64 KiB chunks over the same files (counter "vs_plain" is the ratio of CopyTo's
//     rate to the loop's, aim >= 0.9);
//   - reading a 100 MB file 4 bytes per Read call (calls/s), with read-ahead and without
//     (a share mode that lets others write turns it off);
//   - create + Load + Release of one object, directly and through the object runtime.
// PALLION_STREAM_BENCH_MB sets another size for the copy (in MiB). Inputs live under
// $TMPDIR and are removed at exit.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench_support.h"
#include "platform/com_ptr.h"
#include "platform/library.h"
#include "platform/object_runtime.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "stream/stream_on_file.h"

namespace {

using namespace platform;

constexpr std::size_t kChunk = 65536;

std::uint64_t CopyBytes()
{
    const char* megabytes = std::getenv("PALLION_STREAM_BENCH_MB");
    const long value = megabytes != nullptr ? std::atol(megabytes) : 0;
    return static_cast<std::uint64_t>(value > 0 ? value : 1024) * 1024 * 1024;
}

void FillFile(const std::string& path, std::uint64_t size)
{
    const int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0600);
    std::vector<std::uint8_t> block(1 << 20);
    std::uint32_t x = 99;
    for (auto& b : block) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    for (std::uint64_t at = 0; at < size; at += block.size()) {
        block[0] = static_cast<std::uint8_t>(at >> 20);
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), size - at));
        if (::write(fd, block.data(), n) != static_cast<ssize_t>(n)) {
            std::abort();
        }
    }
    ::close(fd);
}

ComPtr<IStream> Open(const std::string& path, std::uint32_t mode)
{
    ComPtr<IPersistFile> file;
    file.Attach(rillex::StreamOnFile::Create());
    if (Failed(file->Load(Utf8ToUtf16(path).c_str(), mode))) {
        std::abort();
    }
    ComPtr<IStream> stream;
    if (Failed(file.As(IID_IStream, &stream))) {
        std::abort();
    }
    return stream;
}

struct CopyFiles {
    bench_support::ScratchFile source{"copy-source"};
    bench_support::ScratchFile target{"copy-target"};
    std::uint64_t size = CopyBytes();
    CopyFiles() { FillFile(source.Path(), size); }
};

CopyFiles& Copies()
{
    static CopyFiles files;
    return files;
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double CpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void PlainCopy(const CopyFiles& files, std::uint8_t* buffer)
{
    const int in = ::open(files.source.Path().c_str(), O_RDONLY | O_CLOEXEC);
    const int out =
        ::open(files.target.Path().c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0600);
    for (;;) {
        const ssize_t n = ::read(in, buffer, kChunk);
        if (n <= 0) {
            break;
        }
        if (::write(out, buffer, static_cast<std::size_t>(n)) != n) {
            std::abort();
        }
    }
    ::close(in);
    ::close(out);
}

bool StreamCopy(const CopyFiles& files)
{
    auto source = Open(files.source.Path(), STGM_READ | STGM_SHARE_EXCLUSIVE);
    auto target = Open(files.target.Path(), kModeReadWrite | STGM_CREATE);
    std::uint64_t read = 0;
    std::uint64_t written = 0;
    return Succeeded(source->CopyTo(target.Get(), UINT64_MAX, &read, &written)) &&
           written == files.size;
}

// Each iteration copies the file once with a plain read/write loop and once with CopyTo,
// back to back and in alternating order, so both meet the same machine load and neither
// always pays for dropping the other's output from the page cache. The ratios compare CopyTo's rate with
// the loop's, by wall-clock and by CPU time (the latter is steadier on a busy machine).
void CopyToBesidePlainLoop(benchmark::State& state)
{
    CopyFiles& files = Copies();
    std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[kChunk]);
    double plainWall = 0;
    double plainCpu = 0;
    double streamWall = 0;
    double streamCpu = 0;
    bool plainFirst = true;
    for (auto _ : state) {
        for (int turn = 0; turn < 2; ++turn) {
            const auto start = std::chrono::steady_clock::now();
            const double cpu = CpuSeconds();
            if ((turn == 0) == plainFirst) {
                PlainCopy(files, buffer.get());
                plainWall += Seconds(start);
                plainCpu += CpuSeconds() - cpu;
            } else {
                if (!StreamCopy(files)) {
                    state.SkipWithError("CopyTo failed");
                    return;
                }
                streamWall += Seconds(start);
                streamCpu += CpuSeconds() - cpu;
            }
        }
        plainFirst = !plainFirst;
    }
    const double megabytes = static_cast<double>(state.iterations() * files.size) / 1e6;
    state.counters["plain_MB/s"] = megabytes / plainWall;
    state.counters["CopyTo_MB/s"] = megabytes / streamWall;
    state.counters["vs_plain"] = plainWall / streamWall;
    state.counters["vs_plain_cpu"] = plainCpu / streamCpu;
}

struct SmallReads {
    bench_support::ScratchFile file{"read-4"};
    static constexpr std::uint64_t kSize = 100'000'000;
    SmallReads() { FillFile(file.Path(), kSize); }
};

void ReadFourBytes(benchmark::State& state, std::uint32_t mode, std::uint64_t limit)
{
    static SmallReads input;
    std::uint64_t calls = 0;
    for (auto _ : state) {
        auto stream = Open(input.file.Path(), mode);
        std::uint8_t buffer[4];
        std::uint32_t done = 0;
        std::uint64_t total = 0;
        while (total < limit && Succeeded(stream->Read(buffer, 4, &done)) && done > 0) {
            total += done;
            ++calls;
        }
        benchmark::DoNotOptimize(buffer);
    }
    state.counters["calls/s"] =
        benchmark::Counter(static_cast<double>(calls), benchmark::Counter::kIsRate);
}

void ReadFourBytesWithReadAhead(benchmark::State& state)
{
    ReadFourBytes(state, STGM_READ | STGM_SHARE_EXCLUSIVE, SmallReads::kSize);
}

// Others may write, so every Read goes to the file; 4 MB is enough to see the rate.
void ReadFourBytesDirect(benchmark::State& state)
{
    ReadFourBytes(state, STGM_READ | STGM_SHARE_DENY_NONE, 4'000'000);
}

void CreateLoadRelease(benchmark::State& state)
{
    bench_support::ScratchFile file("object");
    FillFile(file.Path(), 1000);
    const std::u16string name = Utf8ToUtf16(file.Path());
    for (auto _ : state) {
        rillex::StreamOnFile* object = rillex::StreamOnFile::Create();
        IPersistFile* persist = object;
        if (Failed(persist->Load(name.c_str(), kModeReadWrite))) {
            state.SkipWithError("Load failed");
        }
        persist->Release();
    }
}

// The viewer's way: ProgID to class identifier, CoCreateInstance (registry lookup and
// class factory of librillex.so), Load, Release.
void CreateLoadReleaseByProgId(benchmark::State& state)
{
    bench_support::ScratchFile store("registry.reg");
    bench_support::ScratchFile file("object-runtime");
    FillFile(file.Path(), 1000);
    ::setenv("PALLION_REGISTRY", store.Path().c_str(), 1);
    ::setenv("PALLION_LIBDIR", PALLION_BIN_DIR, 1);
    Library server;
    DllRegisterServerFunction* registerServer = nullptr;
    if (Failed(LoadLibraryByName("librillex.so", &server)) ||
        Failed(server.Find(kDllRegisterServerName, &registerServer)) ||
        Failed(registerServer())) {
        state.SkipWithError("librillex.so could not be registered");
        return;
    }
    const std::u16string name = Utf8ToUtf16(file.Path());
    for (auto _ : state) {
        CLSID classId{};
        ComPtr<IPersistFile> persist;
        if (Failed(CLSIDFromProgID("corvane.rillex", &classId)) ||
            Failed(CoCreateInstance(classId, nullptr, CLSCTX_ALL, IID_IPersistFile,
                                    persist.PutVoid())) ||
            Failed(persist->Load(name.c_str(), kModeReadWrite))) {
            state.SkipWithError("creation by ProgID failed");
            break;
        }
    }
}

} // namespace

BENCHMARK(CopyToBesidePlainLoop)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();
BENCHMARK(ReadFourBytesWithReadAhead)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(ReadFourBytesDirect)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(CreateLoadRelease)->Unit(benchmark::kMicrosecond);
BENCHMARK(CreateLoadReleaseByProgId)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();

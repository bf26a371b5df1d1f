// Extraction of a large base64 TNEF part (200 MB by default; PALLION_GIMLET_BENCH_MB sets
// another size) beside `base64 -d` of the same part's text, with peak memory.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench_support.h"
#include "gimlet/include/gimlet.h"
#include "platform/status.h"

namespace {

std::size_t PartBytes()
{
    const char* megabytes = std::getenv("PALLION_GIMLET_BENCH_MB");
    const long value = megabytes != nullptr ? std::atol(megabytes) : 0;
    return static_cast<std::size_t>(value > 0 ? value : 200) * 1024 * 1024;
}

// Base64 of `size` pseudo-random bytes that start with the TNEF signature, 76 characters
// a line, appended to `out` a block at a time.
void WriteBase64(std::FILE* out, std::size_t size)
{
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::uint32_t random = 12345;
    auto next = [&random](std::size_t at) -> std::uint32_t {
        static const std::uint8_t kSignature[4] = {0x78, 0x9F, 0x3E, 0x22};
        random = random * 1103515245u + 12345u;
        return at < 4 ? kSignature[at] : (random >> 16) & 0xFF;
    };
    std::string text;
    std::size_t at = 0;
    while (at < size) {
        text.clear();
        for (int line = 0; line < 1024 && at < size; ++line) {
            for (int group = 0; group < 19 && at < size; ++group) {
                const std::size_t left = size - at;
                std::uint32_t bits = next(at++) << 16;
                bits |= left > 1 ? next(at++) << 8 : 0;
                bits |= left > 2 ? next(at++) : 0;
                text += kAlphabet[(bits >> 18) & 63];
                text += kAlphabet[(bits >> 12) & 63];
                text += left > 1 ? kAlphabet[(bits >> 6) & 63] : '=';
                text += left > 2 ? kAlphabet[bits & 63] : '=';
            }
            text += '\n';
        }
        std::fwrite(text.data(), 1, text.size(), out);
    }
}

struct Inputs {
    bench_support::ScratchFile mail{"large.eml"};
    bench_support::ScratchFile part{"large.b64"};
    bench_support::ScratchFile decoded{"large.bin"};
    Inputs()
    {
        std::FILE* out = std::fopen(mail.Path().c_str(), "wb");
        std::fputs("From: a@example.org\nSubject: large\nMIME-Version: 1.0\n"
                   "Content-Type: multipart/mixed; boundary=\"b\"\n\n--b\n"
                   "Content-Type: text/plain\n\nSee the attachment.\n--b\n"
                   "Content-Type: application/ms-tnef; name=\"winmail.dat\"\n"
                   "Content-Transfer-Encoding: base64\n\n", out);
        WriteBase64(out, PartBytes());
        std::fputs("--b--\n", out);
        std::fclose(out);
        out = std::fopen(part.Path().c_str(), "wb");
        WriteBase64(out, PartBytes());
        std::fclose(out);
    }
};

Inputs& SharedInputs()
{
    static Inputs inputs;
    return inputs;
}

void BM_GimletExtractBase64Part(benchmark::State& state)
{
    Inputs& inputs = SharedInputs();
    const std::uint64_t peakBefore = bench_support::PeakResidentBytes();
    for (auto _ : state) {
        char path[GIMLET_PATH_BUFFER_SIZE];
        const std::int32_t status = GimletExtractTnef(0, inputs.mail.Path().c_str(), path);
        if (platform::Failed(status)) {
            state.SkipWithError("extraction failed");
            break;
        }
        state.PauseTiming();
        ::unlink(path);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * PartBytes()));
    constexpr double kMiB = 1024.0 * 1024.0;
    state.counters["peak_rss_mb"] = static_cast<double>(bench_support::PeakResidentBytes()) / kMiB;
    state.counters["peak_growth_mb"] =
        static_cast<double>(bench_support::PeakResidentBytes() - peakBefore) / kMiB;
}
BENCHMARK(BM_GimletExtractBase64Part)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The same part's text through the system's base64 decoder into a file: the yardstick.
void BM_Base64DecodeTool(benchmark::State& state)
{
    Inputs& inputs = SharedInputs();
    const std::string command =
        "base64 -d '" + inputs.part.Path() + "' > '" + inputs.decoded.Path() + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("base64 -d failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * PartBytes()));
}
BENCHMARK(BM_Base64DecodeTool)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

BENCHMARK_MAIN();

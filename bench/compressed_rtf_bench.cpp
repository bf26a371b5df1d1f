// Throughput of the compressed RTF stream on 64 MiB inputs (PALLION_RTF_BENCH_MIB changes
// the size): inflating through Read into a sink, compressing through Write into memory.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "platform/com_ptr.h"
#include "platform/memory_stream.h"
#include "viewer/rtf/compressed_rtf.h"

namespace {

using platform::ComPtr;
using platform::IStream;
using Bytes = std::vector<std::uint8_t>;

std::size_t InputSize()
{
    const char* mib = std::getenv("PALLION_RTF_BENCH_MIB");
    return static_cast<std::size_t>(mib ? std::atoi(mib) : 64) * 1024 * 1024;
}

// Mail bodies in RTF: one preamble per message, then paragraphs of common words with
// formatting switches, a signature block and a quoted reply that repeats earlier text.
Bytes MailLikeRtf(std::size_t size)
{
    static const char* const kWords[] = {
        "the",     "meeting", "agenda",   "please", "find",    "attached", "report",
        "regards", "thanks",  "quarter",  "budget", "review",  "schedule", "Monday",
        "project", "update",  "customer", "team",   "invoice", "deadline", "office",
        "we",      "will",    "have",     "to",     "discuss", "next",     "week",
        "and",     "of",      "for",      "with",   "a",       "is",       "on"};
    static const char* const kControls[] = {"\\b ",   "\\b0 ",  "\\i ", "\\i0 ", "\\par\r\n",
                                            "\\tab ", "{\\f1 ", "}",    "\\'e9", "\\u8217?"};
    const std::string preamble =
        "{\\rtf1\\ansi\\ansicpg1252\\fromtext \\fbidis \\deff0{\\fonttbl\r\n"
        "{\\f0\\fswiss\\fcharset0 Arial;}\r\n{\\f1\\fmodern Courier New;}\r\n"
        "{\\f2\\fnil\\fcharset2 Symbol;}\r\n{\\f3\\fmodern\\fcharset0 Courier New;}}\r\n"
        "{\\colortbl\\red0\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
        "\\uc1\\pard\\plain\\deftab360 \\f0\\fs20 ";
    const std::string signature = "\\par Kind regards\\par John Smith\\par Sales Department"
                                  "\\par Phone +1 555 0100\\par}\r\n";
    std::mt19937 random(42);
    std::string text;
    text.reserve(size + 4096);
    while (text.size() < size) {
        text += preamble;
        const std::size_t start = text.size();
        const std::size_t length = 1000 + random() % 6000;
        while (text.size() - start < length) {
            if (random() % 10 < 8) {
                text += kWords[random() % std::size(kWords)];
                text += ' ';
            } else {
                text += kControls[random() % std::size(kControls)];
            }
        }
        const std::string body = text.substr(start);
        text += "\\par -----Original Message-----\\par ";
        text += body.substr(0, body.size() / 2);
        text += signature;
    }
    text.resize(size);
    return Bytes(text.begin(), text.end());
}

// Printable text without structure: 64 symbols drawn at random.
Bytes RandomPrintable(std::size_t size)
{
    static const char kSymbols[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::mt19937 random(7);
    Bytes text(size);
    for (auto& byte : text) {
        byte = static_cast<std::uint8_t>(kSymbols[random() % 64]);
    }
    return text;
}

Bytes Compress(const Bytes& text)
{
    auto target = platform::MemoryStream::Create();
    ComPtr<IStream> stream;
    if (viewer::rtf::OpenCompressedRtfStream(target.Get(), viewer::rtf::MAPI_MODIFY,
                                             stream.Put()) != platform::S_OK) {
        std::abort();
    }
    constexpr std::size_t kPiece = 65536;
    for (std::size_t at = 0; at < text.size(); at += kPiece) {
        const auto piece = static_cast<std::uint32_t>(std::min(kPiece, text.size() - at));
        std::uint32_t done = 0;
        if (stream->Write(text.data() + at, piece, &done) != platform::S_OK) {
            std::abort();
        }
    }
    if (stream->Commit(0) != platform::S_OK) {
        std::abort();
    }
    return target->Bytes();
}

std::size_t Inflate(const Bytes& value, Bytes& buffer)
{
    auto source = platform::CreateMemoryStream(value);
    ComPtr<IStream> stream;
    if (viewer::rtf::OpenCompressedRtfStream(source.Get(), 0, stream.Put()) != platform::S_OK) {
        std::abort();
    }
    std::size_t total = 0;
    for (;;) {
        std::uint32_t done = 0;
        const platform::StatusCode status =
            stream->Read(buffer.data(), static_cast<std::uint32_t>(buffer.size()), &done);
        if (status != platform::S_OK) {
            std::abort();
        }
        if (done == 0) {
            return total;
        }
        total += done;
        benchmark::DoNotOptimize(buffer.data());
    }
}

const Bytes& Input(int kind)
{
    static const Bytes mail = MailLikeRtf(InputSize());
    static const Bytes random = RandomPrintable(InputSize());
    return kind == 0 ? mail : random;
}

void BM_Compress(benchmark::State& state)
{
    const Bytes& text = Input(static_cast<int>(state.range(0)));
    std::size_t compressed = 0;
    for (auto _ : state) {
        compressed = Compress(text).size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["ratio"] = static_cast<double>(compressed) / static_cast<double>(text.size());
}

void BM_Inflate(benchmark::State& state)
{
    const Bytes& text = Input(static_cast<int>(state.range(0)));
    const Bytes value = Compress(text);
    Bytes buffer(16384);
    for (auto _ : state) {
        if (Inflate(value, buffer) != text.size()) {
            std::abort();
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["ratio"] = static_cast<double>(value.size()) / static_cast<double>(text.size());
}

// Heap held by one open stream object (write mode, the larger of the two), measured with
// the allocator's own statistics.
void BM_ObjectMemory(benchmark::State& state)
{
    std::size_t held = 0;
    for (auto _ : state) {
        // Room for the placeholder header already there, so that the target does not grow.
        auto target = platform::MemoryStream::Create(Bytes(16));
        const std::size_t before = mallinfo2().uordblks;
        IStream* stream = nullptr;
        if (viewer::rtf::OpenCompressedRtfStream(target.Get(), viewer::rtf::MAPI_MODIFY, &stream) !=
            platform::S_OK) {
            std::abort();
        }
        held = mallinfo2().uordblks - before;
        stream->Release();
    }
    state.counters["bytes"] = static_cast<double>(held);
}

} // namespace

BENCHMARK(BM_Inflate)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("random")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_Compress)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("random")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_ObjectMemory)->Iterations(10);

BENCHMARK_MAIN();

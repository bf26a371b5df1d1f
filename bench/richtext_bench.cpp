// Throughput of the RTF reader on a generated 5 MiB mail body (PALLION_RICHTEXT_BENCH_MIB
// changes the size): formatted paragraphs with accented letters and \uN, hyperlinks, tables
// with merged and nested cells, and PNG pictures as hex; once with pictures, once without.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "rtf_mail_body.h"
#include "viewer/render/richtext/rtf_reader.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using viewer::render::richtext::Document;
using viewer::render::richtext::ReadRtf;

std::size_t InputSize()
{
    const char* mib = std::getenv("PALLION_RICHTEXT_BENCH_MIB");
    return static_cast<std::size_t>(mib ? std::atoi(mib) : 5) * 1024 * 1024;
}

Bytes MailBody(std::size_t size, bool pictures)
{
    const std::string text = bench_support::RtfMailBody(size, pictures);
    return Bytes(text.begin(), text.end());
}

const Bytes& Input(bool pictures)
{
    static const Bytes mixed = MailBody(InputSize(), true);
    static const Bytes text = MailBody(InputSize(), false);
    return pictures ? mixed : text;
}

void BM_ReadRtf(benchmark::State& state)
{
    const Bytes& rtf = Input(state.range(0) != 0);
    std::size_t held = 0;
    std::size_t paragraphs = 0;
    for (auto _ : state) {
        const std::size_t before = mallinfo2().uordblks;
        const Document doc = ReadRtf(rtf);
        held = mallinfo2().uordblks - before;
        paragraphs = doc.paragraphs.size();
        benchmark::DoNotOptimize(doc.runs.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rtf.size()));
    state.counters["input_MiB"] = static_cast<double>(rtf.size()) / (1024.0 * 1024.0);
    state.counters["model_MiB"] = static_cast<double>(held) / (1024.0 * 1024.0);
    state.counters["paragraphs"] = static_cast<double>(paragraphs);
    state.counters["peak_RSS_MiB"] =
        static_cast<double>(bench_support::PeakResidentBytes()) / (1024.0 * 1024.0);
}

} // namespace

BENCHMARK(BM_ReadRtf)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("pictures")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

BENCHMARK_MAIN();

// Cost of building and freeing a dictionary, and lookup throughput over the tags a property
// list typically holds: mostly named single-valued tags, some unknown identifiers, named
// properties (0x8000 and above) and types without names.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <iterator>
#include <random>
#include <vector>

#include "bench_support.h"
#include "dictionary/include/tagora.h"

namespace {

void BM_TagoraInitClose(benchmark::State& state)
{
    for (auto _ : state) {
        TagoraHandle handle = nullptr;
        benchmark::DoNotOptimize(TagoraInit(&handle));
        TagoraClose(handle);
    }
    state.counters["peak_rss_mb"] =
        static_cast<double>(bench_support::PeakResidentBytes()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_TagoraInitClose)->Unit(benchmark::kMicrosecond);

// Half known tags, a quarter unknown identifiers of named types, a quarter named
// properties or unnamed types.
std::vector<std::uint32_t> MixedTags(std::size_t count)
{
    const std::uint32_t known[] = {0x0037001E, 0x0037001F, 0x0E070003, 0x10090102, 0x3001001E,
                                   0x3A4D0002, 0x0E1B000B, 0x00390040, 0x3701000D, 0x3A54101F,
                                   0x3704001F, 0x0FFF0102, 0x3FFD0003, 0x1013001E};
    std::mt19937 random(42);
    std::vector<std::uint32_t> tags;
    tags.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        switch (random() % 4) {
        case 0:
        case 1:
            tags.push_back(known[random() % std::size(known)]);
            break;
        case 2:
            tags.push_back(((random() % 0x8000) << 16) | 0x001E);
            break;
        default:
            tags.push_back(((0x8000u + random() % 0x7FFF) << 16) | (random() % 2 ? 0x0003u : 0x0005u));
            break;
        }
    }
    return tags;
}

void BM_TagoraGetMixed(benchmark::State& state)
{
    TagoraHandle handle = nullptr;
    TagoraInit(&handle);
    const std::vector<std::uint32_t> tags = MixedTags(4096);
    char buffer[128] = {};
    std::size_t index = 0;
    std::int64_t found = 0;
    for (auto _ : state) {
        found += TagoraGet(handle, tags[index], buffer, 127);
        benchmark::DoNotOptimize(buffer);
        index = (index + 1) % tags.size();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["found_share"] =
        static_cast<double>(found) / static_cast<double>(state.iterations());
    TagoraClose(handle);
}
BENCHMARK(BM_TagoraGetMixed);

} // namespace

BENCHMARK_MAIN();

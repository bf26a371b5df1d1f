// Throughput of the item exporters on the largest items they accept: a daily meeting with
// kMaxInstanceDates deleted instances, 2000 of them moved with subjects and locations of
// their own, in a zone with daylight saving time; and a contact whose picture is
// kMaxPhotoBytes of JPEG data.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "bench_support.h"
#include "tests/viewer/items/item_builders.h"
#include "viewer/items/item_export.h"
#include "viewer/items/vcard.h"

namespace {

using namespace items_test;

constexpr std::uint32_t kMovedOccurrences = 2000;

Message LargestMeeting()
{
    Message message = MeetingRequest();
    Recurrence r;
    r.frequency = kRecurDaily;
    r.patternType = kPatternDay;
    r.period = 1440;
    r.startDate = LocalMinutes(2024, 1, 9);
    r.endDate = r.startDate + 1440 * (kMaxInstanceDates + 10);
    r.endType = kEndAfterDate;
    r.hasTimes = true;
    r.startTimeOffset = 600;
    r.endTimeOffset = 660;
    for (std::uint32_t day = 0; day < kMaxInstanceDates; ++day) {
        const std::uint32_t date = r.startDate + 1440 * day;
        r.deletedDates.push_back(date);
        if (day < kMovedOccurrences) {
            RecurrenceException moved;
            moved.originalStart = date + 600;
            moved.start = date + 720;
            moved.end = date + 780;
            moved.overrideFlags = ARO_SUBJECT | ARO_LOCATION;
            moved.subject = "Stand-up, moved to noon on day " + std::to_string(day);
            moved.location = "Room " + std::to_string(day % 40);
            r.modifiedDates.push_back(date);
            r.exceptions.push_back(moved);
        }
    }
    message.properties.Set(PidLidAppointmentRecur, Value::Binary(RecurrenceBlob(r)));
    return message;
}

Message LargestContact()
{
    Message message = Contact();
    std::string picture("\xFF\xD8\xFF\xE0", 4);
    picture.resize(kMaxPhotoBytes, '\x5A');
    message.attachments[1].Set(PR_ATTACH_DATA_BIN, Value::Binary(picture));
    return message;
}

void Export(benchmark::State& state, const Message& message, std::size_t inputBytes)
{
    ExportOptions options;
    options.now = Utc(2030, 1, 1);
    std::size_t outputBytes = 0;
    for (auto _ : state) {
        const auto text = ExportItem(message, options);
        outputBytes = text ? text->size() : 0;
        benchmark::DoNotOptimize(outputBytes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * inputBytes));
    state.counters["input_KiB"] = static_cast<double>(inputBytes) / 1024.0;
    state.counters["output_KiB"] = static_cast<double>(outputBytes) / 1024.0;
    state.counters["peak_RSS_MiB"] =
        static_cast<double>(bench_support::PeakResidentBytes()) / (1024.0 * 1024.0);
}

void BM_ExportLargestMeeting(benchmark::State& state)
{
    const Message message = LargestMeeting();
    Export(state, message, message.properties.Find(PidLidAppointmentRecur)->bytes.size());
}

void BM_ExportLargestContact(benchmark::State& state)
{
    const Message message = LargestContact();
    Export(state, message, kMaxPhotoBytes);
}

} // namespace

BENCHMARK(BM_ExportLargestMeeting)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportLargestContact)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

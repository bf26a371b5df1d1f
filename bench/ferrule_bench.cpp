// MsgTNEF over generated message files: one with a large attachment (200 MB by default;
// PALLION_FERRULE_BENCH_MB sets another size), the same attachment inside an embedded
// message (written once as a nested stream, then copied into the output), and one with many
// small properties, recipients and attachments. Beside them, `cp` of the large file in the
// same run. Reports MB/s of TNEF written and the process's peak resident memory, which must
// stay far below the attachment's size (the data goes through fixed buffers). The inputs are
// written by a child process so that their generation does not count.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bench_support.h"
#include "convert/include/ferrule.h"
#include "tests/convert/msg_writer.h"

namespace {

std::size_t AttachmentBytes()
{
    const char* megabytes = std::getenv("PALLION_FERRULE_BENCH_MB");
    const long value = megabytes != nullptr ? std::atol(megabytes) : 0;
    return static_cast<std::size_t>(value > 0 ? value : 200) * 1024 * 1024;
}

std::vector<std::uint8_t> Noise(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t state = 7;
    for (std::uint8_t& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

testing_support::MsgBuilder LargeMessage()
{
    testing_support::MsgBuilder msg;
    msg.Message().String8(0x0037001E, "large attachment").String8(0x1000001E, "see attached");
    msg.AddRecipient().String8(0x3001001E, "Receiver").Long(0x0C150003, 1);
    msg.AddAttachment()
        .Long(0x37050003, 1)
        .String8(0x3707001E, "large.bin")
        .Binary(0x37010102, Noise(AttachmentBytes()));
    return msg;
}

testing_support::MsgBuilder EmbeddedLarge()
{
    auto inner = std::make_shared<testing_support::MsgBuilder>(LargeMessage());
    testing_support::MsgBuilder msg;
    msg.Message().String8(0x0037001E, "forwarded large attachment");
    msg.AddAttachment().Long(0x37050003, 5).String8(0x3001001E, "large").EmbeddedMessage(inner);
    return msg;
}

testing_support::MsgBuilder ManyPieces()
{
    testing_support::MsgBuilder msg;
    msg.Message().Unicode(0x0037001F, u"many pieces");
    for (std::uint32_t i = 0; i < 2000; ++i) {
        msg.Message().Long(((0x5000 + i) << 16) | 0x0003, i);
        msg.Message().Unicode(((0x5800 + i) << 16) | 0x001F, u"value number " + std::u16string(1, u'a' + i % 26));
    }
    for (int i = 0; i < 200; ++i) {
        msg.AddRecipient().String8(0x3001001E, "Person " + std::to_string(i)).Long(0x0C150003, 1);
    }
    for (int i = 0; i < 100; ++i) {
        msg.AddAttachment()
            .Long(0x37050003, 1)
            .String8(0x3707001E, "file" + std::to_string(i) + ".bin")
            .Binary(0x37010102, Noise(30000));
    }
    return msg;
}

// Writes the message in a child process, so that the parent's peak memory is the
// conversion's alone.
void WriteInChild(testing_support::MsgBuilder (*make)(), const std::string& path)
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(make().Write(path) ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

void Convert(benchmark::State& state, testing_support::MsgBuilder (*make)(), const char* name)
{
    bench_support::ScratchFile input(name);
    WriteInChild(make, input.Path());
    std::uint64_t written = 0;
    for (auto _ : state) {
        char path[FERRULE_PATH_BUFFER_SIZE];
        if (MsgTNEF(0, input.Path().c_str(), path) < 0) {
            state.SkipWithError("conversion failed");
            break;
        }
        struct stat info {};
        ::stat(path, &info);
        written += static_cast<std::uint64_t>(info.st_size);
        ::unlink(path);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(written));
    state.counters["peak_rss_MB"] =
        static_cast<double>(bench_support::PeakResidentBytes()) / (1024.0 * 1024.0);
}

// The large input, written once and shared by the conversion and the copy beside it.
const std::string& LargeInput()
{
    static bench_support::ScratchFile input("large.msg");
    static const bool written = (WriteInChild(LargeMessage, input.Path()), true);
    static_cast<void>(written);
    return input.Path();
}

void BM_LargeAttachment(benchmark::State& state)
{
    const std::string& input = LargeInput();
    std::uint64_t written = 0;
    for (auto _ : state) {
        char path[FERRULE_PATH_BUFFER_SIZE];
        if (MsgTNEF(0, input.c_str(), path) < 0) {
            state.SkipWithError("conversion failed");
            break;
        }
        struct stat info {};
        ::stat(path, &info);
        written += static_cast<std::uint64_t>(info.st_size);
        ::unlink(path);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(written));
    state.counters["peak_rss_MB"] =
        static_cast<double>(bench_support::PeakResidentBytes()) / (1024.0 * 1024.0);
}

// cp of the same file: the floor that a conversion streaming its data cannot beat.
void BM_CopyLargeWithCp(benchmark::State& state)
{
    const std::string& input = LargeInput();
    bench_support::ScratchFile copy("large-copy.msg");
    struct stat info {};
    ::stat(input.c_str(), &info);
    for (auto _ : state) {
        const std::string command = "cp '" + input + "' '" + copy.Path() + "'";
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("cp failed");
            break;
        }
        ::unlink(copy.Path().c_str());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(info.st_size));
}

void BM_EmbeddedLargeAttachment(benchmark::State& state)
{
    Convert(state, EmbeddedLarge, "embedded-large.msg");
}
void BM_ManyPieces(benchmark::State& state) { Convert(state, ManyPieces, "many.msg"); }

} // namespace

BENCHMARK(BM_ManyPieces)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_LargeAttachment)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_CopyLargeWithCp)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_EmbeddedLargeAttachment)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK_MAIN();

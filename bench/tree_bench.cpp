// Building the tree of a document:
//   - a stream of many small properties (200 000 nodes: 100 000 PT_LONG properties, each a
//     property node and a value node), named through the property-name dictionary;
//   - a 1 GiB stream of a few large attachments (attAttachData and PR_ATTACH_DATA_BIN of
//     64 MiB each), which the walk skips rather than reads.
// Both are read from files under $TMPDIR through StreamOnFile, as the viewer reads them;
// the files are removed at exit. Counters: nodes built, peak resident memory of the process.
// PALLION_TREE_BENCH_MB sets another size for the large stream (in MiB).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench_support.h"
#include "dictionary/include/tagora.h"
#include "platform/com_ptr.h"
#include "platform/text.h"
#include "stream/stream_on_file.h"
#include "viewer/doc/document/envelon_doc.h"
#include "format/mapi.h"
#include "format/tnef.h"
#include "viewer/doc/tree/tree_builder.h"

namespace {

using namespace format;
using namespace viewer::doc::document;
using namespace viewer::doc::tree;
using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(Bytes& out, std::uint32_t value)
{
    Put16(out, static_cast<std::uint16_t>(value));
    Put16(out, static_cast<std::uint16_t>(value >> 16));
}

// Writes TNEF records into a file; large data goes out in 1 MiB blocks.
class StreamWriter {
public:
    explicit StreamWriter(const std::string& path)
        : m_fd(::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0600))
    {
        Bytes header;
        Put32(header, TNEF_SIGNATURE);
        Put16(header, 1);
        Write(header);
    }
    ~StreamWriter() { ::close(m_fd); }
    StreamWriter(const StreamWriter&) = delete;
    StreamWriter& operator=(const StreamWriter&) = delete;

    void Record(std::uint8_t level, std::uint32_t identifier, const Bytes& data)
    {
        Head(level, identifier, static_cast<std::uint32_t>(data.size()));
        Write(data);
        Bytes checksum;
        Put16(checksum, 0);
        Write(checksum);
    }
    void Head(std::uint8_t level, std::uint32_t identifier, std::uint32_t length)
    {
        Bytes head{level};
        Put32(head, identifier);
        Put32(head, length);
        Write(head);
    }
    void Filler(std::uint64_t count)
    {
        static const Bytes block(1 << 20, 0x5A);
        while (count > 0) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, block.size()));
            Write(block.data(), n);
            count -= n;
        }
    }
    void Write(const Bytes& bytes) { Write(bytes.data(), bytes.size()); }
    void Write(const std::uint8_t* data, std::size_t size)
    {
        if (::write(m_fd, data, size) != static_cast<ssize_t>(size)) {
            std::abort();
        }
    }

private:
    int m_fd;
};

Bytes Text(const std::string& text)
{
    Bytes out(text.begin(), text.end());
    out.push_back(0);
    return out;
}

void WriteManyProperties(const std::string& path, std::uint32_t properties)
{
    StreamWriter writer(path);
    writer.Record(LVL_MESSAGE, attSubject, Text("many properties"));
    Bytes list;
    Put32(list, properties);
    for (std::uint32_t i = 0; i < properties; ++i) {
        // Mostly tags the dictionary knows, so the captions cost a lookup each.
        Put32(list, PROP_TAG(PT_LONG, 0x0E00 + (i % 0x1000)));
        Put32(list, i);
    }
    writer.Record(LVL_MESSAGE, attMAPIProps, list);
}

void WriteLargeAttachments(const std::string& path, std::uint64_t totalBytes)
{
    constexpr std::uint32_t kPart = 64u << 20;
    const std::uint64_t attachments = std::max<std::uint64_t>(1, totalBytes / (2ull * kPart));
    StreamWriter writer(path);
    writer.Record(LVL_MESSAGE, attSubject, Text("large attachments"));
    for (std::uint64_t a = 0; a < attachments; ++a) {
        Bytes rendering;
        Put16(rendering, atypFile);
        Put32(rendering, 0xFFFFFFFF);
        Put16(rendering, 0);
        Put16(rendering, 0);
        Put32(rendering, 0);
        writer.Record(LVL_ATTACHMENT, attAttachRenddata, rendering);
        writer.Record(LVL_ATTACHMENT, attAttachTitle, Text("part" + std::to_string(a) + ".bin"));
        writer.Head(LVL_ATTACHMENT, attAttachData, kPart);
        writer.Filler(kPart + 2);
        // attAttachment: a method, a file name and the data again as PR_ATTACH_DATA_BIN.
        const Bytes name = Text("part" + std::to_string(a) + ".bin");
        Bytes props;
        Put32(props, 3);
        Put32(props, PR_ATTACH_METHOD);
        Put32(props, ATTACH_BY_VALUE);
        Put32(props, PR_ATTACH_LONG_FILENAME);
        Put32(props, 1);
        Put32(props, static_cast<std::uint32_t>(name.size()));
        props.insert(props.end(), name.begin(), name.end());
        while (props.size() % 4 != 0) {
            props.push_back(0);
        }
        Put32(props, PR_ATTACH_DATA_BIN);
        Put32(props, 1);
        Put32(props, kPart);
        writer.Head(LVL_ATTACHMENT, attAttachment, static_cast<std::uint32_t>(props.size()) + kPart);
        writer.Write(props);
        writer.Filler(kPart + 2);
    }
}

platform::ComPtr<platform::IStream> OpenFile(const std::string& path)
{
    platform::ComPtr<platform::IPersistFile> file;
    file.Attach(rillex::StreamOnFile::Create());
    if (platform::Failed(file->Load(platform::Utf8ToUtf16(path).c_str(),
                                    platform::STGM_READ | platform::STGM_SHARE_EXCLUSIVE))) {
        std::abort();
    }
    platform::ComPtr<platform::IStream> stream;
    if (platform::Failed(file.As(platform::IID_IStream, &stream))) {
        std::abort();
    }
    return stream;
}

void BuildFromFile(benchmark::State& state, const std::string& path)
{
    TagoraHandle dictionary = nullptr;
    TagoraInit(&dictionary);
    std::size_t nodes = 0;
    for (auto _ : state) {
        CEnvelonDoc doc;
        doc.AttachStream(OpenFile(path), path);
        DocumentTree tree;
        const BuildResult result = tree.Build(doc, dictionary);
        nodes = result.nodes;
        if (result.cut) {
            state.SkipWithError("the tree reached a limit");
        }
    }
    TagoraClose(dictionary);
    state.counters["nodes"] = static_cast<double>(nodes);
    state.counters["peak_MiB"] =
        static_cast<double>(bench_support::PeakResidentBytes()) / (1024.0 * 1024.0);
}

void LargeAttachments(benchmark::State& state)
{
    const char* megabytes = std::getenv("PALLION_TREE_BENCH_MB");
    const long value = megabytes != nullptr ? std::atol(megabytes) : 0;
    const std::uint64_t size = static_cast<std::uint64_t>(value > 0 ? value : 1024) << 20;
    bench_support::ScratchFile file("large-attachments.tnef");
    WriteLargeAttachments(file.Path(), size);
    BuildFromFile(state, file.Path());
}

void ManySmallProperties(benchmark::State& state)
{
    bench_support::ScratchFile file("many-properties.tnef");
    WriteManyProperties(file.Path(), 100000);
    BuildFromFile(state, file.Path());
}

} // namespace

// The large stream first, so that its peak memory is not the other's.
BENCHMARK(LargeAttachments)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(ManySmallProperties)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

BENCHMARK_MAIN();

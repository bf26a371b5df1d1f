// The reader's walk over a large generated stream file: a few attachments of hundreds of
// megabytes (attAttachData records and PR_ATTACH_DATA_BIN values), 100 000 small message
// attributes and a 10 000-property list. The stream is a file read with pread, counting
// every byte it delivers: the walk must pass over large data with seeks, so bytes read stay
// a small fraction of the stream, and memory stays flat whatever the stream's size.
//
// PALLION_BENCH_READER_MIB sets the size of the large data in MiB (default 1024). The file
// is sparse where the large data lies (zero bytes, checksum 0) and is deleted at exit.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "platform/com_ptr.h"
#include "platform/ref_counted.h"
#include "tests/support/tnef_walk.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/document/envelon_doc.h"

namespace {

using namespace viewer::doc::document;
using namespace viewer::doc::model;
using platform::StatusCode;

// A read-only IStream over a file descriptor, positioned by hand and read with pread.
class PreadStream final : public platform::RefCounted<platform::IStream> {
public:
    static platform::ComPtr<PreadStream> Open(const std::string& path)
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            throw std::runtime_error("cannot open " + path);
        }
        return platform::ComPtr<PreadStream>::Adopt(new PreadStream(fd));
    }

    std::uint64_t BytesRead() const { return m_bytesRead; }
    std::uint64_t Reads() const { return m_reads; }
    std::uint64_t Seeks() const { return m_seeks; }

    StatusCode QueryInterface(const platform::IID& iid, void** object) override
    {
        return platform::AnswerQuery(
            iid, object, {platform::IID_IUnknown, platform::IID_ISequentialStream, platform::IID_IStream},
            static_cast<IStream*>(this));
    }
    StatusCode Read(void* buffer, std::uint32_t count, std::uint32_t* done) override
    {
        ++m_reads;
        std::uint32_t total = 0;
        while (total < count) {
            const ssize_t n = ::pread(m_fd, static_cast<char*>(buffer) + total, count - total,
                                      static_cast<off_t>(m_position));
            if (n < 0) {
                if (done) {
                    *done = total;
                }
                return platform::StatusFromErrno();
            }
            if (n == 0) {
                break;
            }
            total += static_cast<std::uint32_t>(n);
            m_position += static_cast<std::uint64_t>(n);
        }
        m_bytesRead += total;
        if (done) {
            *done = total;
        }
        return platform::S_OK;
    }
    StatusCode Write(const void*, std::uint32_t, std::uint32_t*) override { return platform::E_ACCESSDENIED; }
    StatusCode Seek(std::int64_t offset, std::uint32_t origin, std::uint64_t* newPosition) override
    {
        ++m_seeks;
        std::int64_t base = 0;
        if (origin == platform::STREAM_SEEK_CUR) {
            base = static_cast<std::int64_t>(m_position);
        } else if (origin == platform::STREAM_SEEK_END) {
            base = static_cast<std::int64_t>(::lseek(m_fd, 0, SEEK_END));
        } else if (origin != platform::STREAM_SEEK_SET) {
            return platform::E_INVALIDARG;
        }
        std::int64_t target = 0;
        if (__builtin_add_overflow(base, offset, &target) || target < 0) {
            return platform::E_INVALIDARG;
        }
        m_position = static_cast<std::uint64_t>(target);
        if (newPosition) {
            *newPosition = m_position;
        }
        return platform::S_OK;
    }
    StatusCode SetSize(std::uint64_t) override { return platform::E_ACCESSDENIED; }
    StatusCode CopyTo(IStream*, std::uint64_t, std::uint64_t*, std::uint64_t*) override { return platform::E_NOTIMPL; }
    StatusCode Commit(std::uint32_t) override { return platform::S_OK; }
    StatusCode Revert() override { return platform::S_OK; }
    StatusCode LockRegion(std::uint64_t, std::uint64_t, std::uint32_t) override { return platform::E_NOTIMPL; }
    StatusCode UnlockRegion(std::uint64_t, std::uint64_t, std::uint32_t) override { return platform::E_NOTIMPL; }
    StatusCode Stat(platform::STATSTG*, std::uint32_t) override { return platform::E_NOTIMPL; }
    StatusCode Clone(IStream**) override { return platform::E_NOTIMPL; }

private:
    explicit PreadStream(int fd) : m_fd(fd) {}
    ~PreadStream() override { ::close(m_fd); }

    int m_fd;
    std::uint64_t m_position = 0;
    std::uint64_t m_bytesRead = 0;
    std::uint64_t m_reads = 0;
    std::uint64_t m_seeks = 0;
};

// Writes the stream with plain writes; large data becomes a hole (zero bytes).
class StreamWriter {
public:
    explicit StreamWriter(const std::string& path)
        : m_fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600))
    {
        if (m_fd < 0) {
            throw std::runtime_error("cannot create " + path);
        }
    }
    ~StreamWriter()
    {
        Flush();
        if (m_hole > 0) {
            // A file cannot end in a hole made by lseek alone.
            static_cast<void>(::ftruncate(m_fd, static_cast<off_t>(m_size)));
        }
        ::close(m_fd);
    }

    void Byte(std::uint8_t value) { Put(&value, 1); }
    void Word(std::uint16_t value)
    {
        const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
        Put(bytes, 2);
    }
    void Dword(std::uint32_t value)
    {
        for (int shift = 0; shift < 32; shift += 8) {
            Byte(static_cast<std::uint8_t>(value >> shift));
        }
    }
    void Bytes(const std::vector<std::uint8_t>& bytes) { Put(bytes.data(), bytes.size()); }
    void Zeros(std::uint64_t count)
    {
        Flush();
        ::lseek(m_fd, static_cast<off_t>(count), SEEK_CUR);
        m_size += count;
        m_hole = count;
    }
    void Attribute(std::uint8_t level, std::uint32_t id, const std::vector<std::uint8_t>& data)
    {
        Byte(level);
        Dword(id);
        Dword(static_cast<std::uint32_t>(data.size()));
        Bytes(data);
        std::uint16_t sum = 0;
        for (std::uint8_t b : data) {
            sum = static_cast<std::uint16_t>(sum + b);
        }
        Word(sum);
    }
    std::uint64_t Size() const { return m_size; }

private:
    void Put(const std::uint8_t* bytes, std::size_t count)
    {
        m_buffer.insert(m_buffer.end(), bytes, bytes + count);
        m_size += count;
        m_hole = 0;
        if (m_buffer.size() >= (1u << 20)) {
            Flush();
        }
    }
    void Flush()
    {
        std::size_t done = 0;
        while (done < m_buffer.size()) {
            const ssize_t n = ::write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
            if (n <= 0) {
                throw std::runtime_error("write failed");
            }
            done += static_cast<std::size_t>(n);
        }
        m_buffer.clear();
    }

    int m_fd;
    std::vector<std::uint8_t> m_buffer;
    std::uint64_t m_size = 0;
    std::uint64_t m_hole = 0;
};

constexpr std::uint32_t kSmallAttributes = 100000;
constexpr std::uint32_t kListProperties = 10000;

std::uint64_t LargeBytes()
{
    const char* mib = std::getenv("PALLION_BENCH_READER_MIB");
    return (mib ? std::strtoull(mib, nullptr, 10) : 1024) << 20;
}

struct Generated {
    std::unique_ptr<bench_support::ScratchFile> file;
    std::uint64_t size = 0;
};

const Generated& Stream()
{
    static Generated generated = [] {
        Generated g;
        g.file = std::make_unique<bench_support::ScratchFile>("reader.tnef");
        StreamWriter out(g.file->Path());
        out.Dword(TNEF_SIGNATURE);
        out.Word(1);
        const std::vector<std::uint8_t> text = {'I', 'P', 'M', '.', 'N', 'o', 't', 'e', 0};
        out.Attribute(LVL_MESSAGE, attMessageClass, text);
        for (std::uint32_t i = 0; i < kSmallAttributes; ++i) {
            out.Attribute(LVL_MESSAGE, (i % 2) ? attSubject : attPriority, {static_cast<std::uint8_t>(i), 'x', 0, 0});
        }
        // attMAPIProps: 10 000 properties alternating PT_LONG and short PT_STRING8.
        std::vector<std::uint8_t> list;
        auto dword = [&list](std::uint32_t v) {
            for (int s = 0; s < 32; s += 8) {
                list.push_back(static_cast<std::uint8_t>(v >> s));
            }
        };
        dword(kListProperties);
        for (std::uint32_t i = 0; i < kListProperties; ++i) {
            if (i % 2) {
                dword(PROP_TAG(PT_LONG, 0x0E00 + (i % 256)));
                dword(i);
            } else {
                dword(PROP_TAG(PT_STRING8, 0x0E00 + (i % 256)));
                dword(1);
                dword(6);
                for (char c : std::string("value\0pad", 8)) {
                    list.push_back(static_cast<std::uint8_t>(c));
                }
            }
        }
        out.Attribute(LVL_MESSAGE, attMAPIProps, list);

        // Attachments: half of the large data in attAttachData records, half in
        // PR_ATTACH_DATA_BIN values; three attachments, each a third of the total.
        const std::uint64_t each = LargeBytes() / 3;
        for (int a = 0; a < 3; ++a) {
            out.Attribute(LVL_ATTACHMENT, attAttachRenddata, std::vector<std::uint8_t>(14, 0));
            const std::uint64_t data = each / 2;
            out.Byte(LVL_ATTACHMENT);
            out.Dword(attAttachData);
            out.Dword(static_cast<std::uint32_t>(data));
            out.Zeros(data);
            out.Word(0);
            // attAttachment: PR_ATTACH_METHOD and one PR_ATTACH_DATA_BIN value.
            const std::uint64_t value = each - data;
            std::vector<std::uint8_t> head;
            for (std::uint32_t v : {2u, PR_ATTACH_METHOD, ATTACH_BY_VALUE, PR_ATTACH_DATA_BIN, 1u,
                                    static_cast<std::uint32_t>(value)}) {
                for (int shift = 0; shift < 32; shift += 8) {
                    head.push_back(static_cast<std::uint8_t>(v >> shift));
                }
            }
            std::uint16_t sum = 0;
            for (std::uint8_t b : head) {
                sum = static_cast<std::uint16_t>(sum + b);
            }
            out.Byte(LVL_ATTACHMENT);
            out.Dword(attAttachment);
            out.Dword(static_cast<std::uint32_t>(head.size() + value));
            out.Bytes(head);
            out.Zeros(value);
            out.Word(sum);
        }
        g.size = out.Size();
        return g;
    }();
    return generated;
}

void WalkLargeStream(benchmark::State& state, bool checksums)
{
    const Generated& generated = Stream();
    std::uint64_t bytesRead = 0;
    std::uint64_t reads = 0;
    std::uint64_t seeks = 0;
    testing_support::WalkSummary walk;
    for (auto _ : state) {
        auto stream = PreadStream::Open(generated.file->Path());
        CEnvelonDoc doc;
        doc.AttachStream(platform::ComPtr<platform::IStream>(stream.Get()), "large.tnef");
        walk = testing_support::WalkStream(doc, {.computeChecksums = checksums, .keepPositions = false});
        benchmark::DoNotOptimize(walk.digest);
        bytesRead = stream->BytesRead();
        reads = stream->Reads();
        seeks = stream->Seeks();
    }
    state.counters["stream_MiB"] = static_cast<double>(generated.size) / (1 << 20);
    state.counters["read_MiB"] = static_cast<double>(bytesRead) / (1 << 20);
    state.counters["reads"] = static_cast<double>(reads);
    state.counters["seeks"] = static_cast<double>(seeks);
    state.counters["attributes"] = walk.attributes;
    state.counters["properties"] = walk.properties;
    state.counters["peak_RSS_MiB"] = static_cast<double>(bench_support::PeakResidentBytes()) / (1 << 20);
    if (walk.attributes != kSmallAttributes + 1 + 1 + 3 * 3) {
        state.SkipWithError("the walk stopped early");
    }
}

void BM_WalkLargeStream(benchmark::State& state) { WalkLargeStream(state, false); }
void BM_WalkLargeStreamWithChecksums(benchmark::State& state) { WalkLargeStream(state, true); }

BENCHMARK(BM_WalkLargeStream)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WalkLargeStreamWithChecksums)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();

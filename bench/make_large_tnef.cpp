// Writes large TNEF streams for the command-line benchmarks, streaming to disk:
//
//   make-large-tnef OUT --attachments N --attachment-mib M --properties P [--rtf-mib R]
//                       [--same-name 1]
//
// N attachments of M MiB each (all named "attachment.bin" with --same-name) (attAttachData; the data is left as a hole in the file, so it
// reads as zero bytes whose checksum is 0), a message property list of P small properties,
// and with --rtf-mib a PR_RTF_COMPRESSED body of R MiB of RTF text, compressed with the
// project's own writer.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/memory_stream.h"
#include "viewer/rtf/compressed_rtf.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(Bytes& out, std::uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

std::uint16_t Sum(const Bytes& data)
{
    std::uint32_t sum = 0;
    for (std::uint8_t b : data) {
        sum += b;
    }
    return static_cast<std::uint16_t>(sum);
}

void Record(Bytes& out, std::uint8_t level, std::uint32_t id, const Bytes& data)
{
    out.push_back(level);
    Put32(out, id);
    Put32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    Put16(out, Sum(data));
}

void Flush(int fd, Bytes& out)
{
    if (!out.empty() && ::write(fd, out.data(), out.size()) != static_cast<ssize_t>(out.size())) {
        std::perror("write");
        std::exit(1);
    }
    out.clear();
}

Bytes CompressedRtf(std::size_t bytes)
{
    std::string text = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\r\n";
    const char* lines[] = {"\\pard\\f0\\fs20 Dear colleagues,\\par\r\n",
                           "\\pard the report for the quarter is attached; figures are in \\b thousands\\b0.\\par\r\n",
                           "\\pard Please send comments before Friday.\\par\r\n"};
    for (std::size_t i = 0; text.size() < bytes; ++i) {
        text += lines[i % 3];
        if (i % 7 == 0) {
            text += "\\pard Item " + std::to_string(i) + ": " + std::to_string(i * 37 % 1000) + "\\par\r\n";
        }
    }
    text += "}";
    auto target = platform::MemoryStream::Create();
    platform::ComPtr<platform::IStream> writer;
    if (viewer::rtf::OpenCompressedRtfStream(target.Get(), viewer::rtf::MAPI_MODIFY, writer.Put()) != 0) {
        std::exit(1);
    }
    for (std::size_t done = 0; done < text.size(); done += 1 << 20) {
        const auto piece = static_cast<std::uint32_t>(std::min<std::size_t>(1 << 20, text.size() - done));
        if (writer->Write(text.data() + done, piece, nullptr) != 0) {
            std::exit(1);
        }
    }
    if (writer->Commit(0) != 0) {
        std::exit(1);
    }
    return target->Bytes();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: make-large-tnef OUT [--attachments N] [--attachment-mib M] "
                             "[--properties P] [--rtf-mib R] [--same-name 1]\n");
        return 2;
    }
    unsigned attachments = 0;
    unsigned attachmentMib = 0;
    unsigned properties = 0;
    unsigned rtfMib = 0;
    bool sameName = false;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const unsigned value = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
        if (option == "--attachments") {
            attachments = value;
        } else if (option == "--attachment-mib") {
            attachmentMib = value;
        } else if (option == "--properties") {
            properties = value;
        } else if (option == "--rtf-mib") {
            rtfMib = value;
        } else if (option == "--same-name") {
            sameName = value != 0;
        }
    }
    const int fd = ::open(argv[1], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        std::perror(argv[1]);
        return 1;
    }
    Bytes out;
    Put32(out, 0x223E9F78);
    Put16(out, 1);
    const std::string subject = "Large message";
    Record(out, 1, 0x00018004, Bytes(subject.begin(), subject.end() + 0));
    Bytes list;
    Put32(list, properties + (rtfMib ? 1 : 0));
    for (unsigned p = 0; p < properties; ++p) {
        Put32(list, 0x68000003 + (p % 0x100) * 0x10000); // PT_LONG identifiers in 0x6800..0x68FF
        Put32(list, p);
    }
    if (rtfMib) {
        const Bytes rtf = CompressedRtf(std::size_t{rtfMib} << 20);
        Put32(list, 0x10090102);
        Put32(list, 1);
        Put32(list, static_cast<std::uint32_t>(rtf.size()));
        list.insert(list.end(), rtf.begin(), rtf.end());
        while (list.size() % 4) {
            list.push_back(0);
        }
    }
    Record(out, 1, 0x00069003, list);
    for (unsigned a = 0; a < attachments; ++a) {
        Record(out, 2, 0x00069002, Bytes{1, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0});
        const std::string name =
            sameName ? "attachment.bin" : "attachment-" + std::to_string(a + 1) + ".bin";
        Record(out, 2, 0x00018010, Bytes(name.begin(), name.end()));
        const std::uint64_t size = std::uint64_t{attachmentMib} << 20;
        out.push_back(2);
        Put32(out, 0x0006800F);
        Put32(out, static_cast<std::uint32_t>(size));
        Flush(fd, out);
        if (::lseek(fd, static_cast<off_t>(size), SEEK_CUR) < 0) {
            std::perror("lseek");
            return 1;
        }
        Put16(out, 0); // zero bytes sum to 0
    }
    Flush(fd, out);
    return ::close(fd) == 0 ? 0 : 1;
}

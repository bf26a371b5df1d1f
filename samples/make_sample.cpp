// Writes samples/sample.tnef, the message ./run shows when no file is given: a rich-text
// note with recipients, a named property and two attachments, made with the project's own
// TNEF writer and compressed-RTF writer.
//
//   cmake --build build --target make-sample && build/samples/make-sample samples/sample.tnef
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/memory_stream.h"
#include "tests/support/tnef_builder.h"
#include "viewer/rtf/compressed_rtf.h"

using namespace testing_support;
using namespace format;

namespace {

ByteVector CompressRtf(const std::string& text)
{
    auto target = platform::MemoryStream::Create();
    platform::ComPtr<platform::IStream> writer;
    if (viewer::rtf::OpenCompressedRtfStream(target.Get(), viewer::rtf::MAPI_MODIFY, writer.Put()) != 0 ||
        writer->Write(text.data(), static_cast<std::uint32_t>(text.size()), nullptr) != 0 ||
        writer->Commit(0) != 0) {
        return {};
    }
    return target->Bytes();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-sample OUT\n");
        return 2;
    }
    const std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\r\n"
        "\\f0\\fs20 Hello,\\par\r\n\\par\r\nthe quarterly figures and the minutes of Monday's meeting "
        "are attached.\\par\r\n\\par\r\nKind regards,\\par\r\nAnna\\par\r\n}";
    const std::string notes = "Minutes of the meeting on Monday\r\n\r\n1. Figures\r\n2. Next steps\r\n";
    ByteVector figures;
    for (int row = 0; row < 12; ++row) {
        const std::string line = "Month " + std::to_string(row + 1) + ";" + std::to_string(1000 + 37 * row) + "\r\n";
        figures.insert(figures.end(), line.begin(), line.end());
    }

    const ByteVector bytes =
        TnefBuilder()
            .Header(TNEF_SIGNATURE, 0x5A3C)
            .MessageAttribute(attTnefVersion, ByteVector{0x00, 0x00, 0x01, 0x00})
            .MessageAttribute(attOemCodepage, ByteVector{0xE4, 0x04, 0, 0, 0, 0, 0, 0})
            .MessageAttribute(attMessageClass, "IPM.Microsoft Mail.Note")
            .MessageAttribute(attSubject, "Quarterly figures")
            .MessageAttribute(attDateSent, DateBytes(2026, 11, 30, 9, 15, 0, 1))
            .MessageAttribute(attPriority, ByteVector{0x02, 0x00})
            .MessageProperties(PropertyList()
                                   .String8(0x0037001E, "Quarterly figures")
                                   .Long(0x0E070003, 0x00000011)
                                   .Long(0x3FFD0003, 1252)
                                   .Unicode(0x0C1A001F, u"Anna Kowalska")
                                   .NamedString(PublicStringsGuid(), u"Keywords")
                                   .Multi(0x8000101E, {BytesOf(std::string("finance\0", 8)),
                                                       BytesOf(std::string("report\0", 7))})
                                   .Binary(0x10090102, CompressRtf(rtf)))
            .RecipientTable({PropertyList()
                                 .String8(0x3001001E, "Jan Nowak")
                                 .String8(0x3003001E, "jan.nowak@example.org")
                                 .Long(0x0C150003, 1),
                             PropertyList()
                                 .String8(0x3001001E, "Eva Svensson")
                                 .String8(0x3003001E, "eva@example.org")
                                 .Long(0x0C150003, 2)})
            .StartAttachment()
            .AttachmentAttribute(attAttachTitle, "figures.csv")
            .AttachmentAttribute(attAttachData, figures)
            .AttachmentProperties(PropertyList()
                                      .Long(0x37050003, 1)
                                      .String8(0x3707001E, "figures.csv")
                                      .Binary(0x37010102, figures))
            .StartAttachment()
            .AttachmentAttribute(attAttachTitle, "minutes.txt")
            .AttachmentAttribute(attAttachData, BytesOf(notes))
            .AttachmentProperties(PropertyList()
                                      .Long(0x37050003, 1)
                                      .String8(0x3707001E, "minutes.txt")
                                      .Binary(0x37010102, BytesOf(notes)))
            .Bytes();

    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return out ? 0 : 1;
}

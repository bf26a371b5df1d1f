// A 50 MB TNEF part: extraction streams, so memory stays flat whatever the part's size.
#include "gimlet/include/gimlet.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/gimlet/mail_builder.h"
#include "tests/support/test_files.h"

namespace {

constexpr std::size_t kPartSize = 50u * 1024 * 1024;
// 57 bytes make one 76-character base64 line.
constexpr std::size_t kLineBytes = 57;

std::uint8_t ByteAt(std::size_t i)
{
    static const std::uint8_t kSignature[4] = {0x78, 0x9F, 0x3E, 0x22};
    return i < 4 ? kSignature[i] : static_cast<std::uint8_t>((i * 2654435761u) >> 13);
}

// Writes the mail a block at a time, so the test itself never holds the part in memory.
void WriteLargeMail(const std::string& path)
{
    std::ofstream out(path, std::ios::binary);
    out << "From: a@example.org\nSubject: large\nMIME-Version: 1.0\n"
           "Content-Type: multipart/mixed; boundary=\"b\"\n\n--b\n"
           "Content-Type: text/plain\n\nLarge attachment.\n--b\n"
           "Content-Type: application/octet-stream; name=\"winmail.dat.2\"\n"
           "Content-Transfer-Encoding: base64\n\n";
    gimlet_test::Bytes block;
    for (std::size_t at = 0; at < kPartSize;) {
        block.clear();
        for (std::size_t line = 0; line < 1024 && at < kPartSize; ++line) {
            const std::size_t end = std::min(at + kLineBytes, kPartSize);
            for (; at < end; ++at) {
                block.push_back(ByteAt(at));
            }
        }
        // Every block but the last is a whole number of lines, so lines stay 76 long.
        out << gimlet_test::Base64(block);
    }
    out << "--b--\n";
    ASSERT_TRUE(out.good());
}

// Peak and current resident memory from /proc, in bytes (0 when unreadable).
std::size_t StatusField(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::stoul(line.substr(std::strlen(field))) * 1024;
        }
    }
    return 0;
}

TEST(GimletLarge, StreamsFiftyMegabytePartInBoundedMemory)
{
    const auto before = testing_support::TempFolderEntries();
    const std::string mail = testing_support::Scratch() + "large.eml";
    WriteLargeMail(mail);

    // Writing "5" resets the peak (VmHWM) to the current size; without it the peak can
    // only be an upper bound, which still catches a part read into memory.
    std::ofstream("/proc/self/clear_refs") << "5";
    const std::size_t resident = StatusField("VmRSS:");
    char path[GIMLET_PATH_BUFFER_SIZE];
    const std::int32_t status = GimletExtractTnef(0, mail.c_str(), path);
    const std::size_t peak = StatusField("VmHWM:");
    ::unlink(mail.c_str());
    ASSERT_EQ(status, 0);

    std::printf("resident before %zu KiB, peak during extraction %zu KiB\n", resident / 1024,
                peak / 1024);
    EXPECT_LT(peak, resident + 16u * 1024 * 1024) << "memory grew with the part's size";

    std::ifstream in(path, std::ios::binary);
    std::vector<char> chunk(1 << 20);
    std::size_t offset = 0;
    bool same = true;
    while (same && in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        for (std::size_t i = 0; i < got && same; ++i) {
            same = static_cast<std::uint8_t>(chunk[i]) == ByteAt(offset + i);
        }
        offset += got;
    }
    ::unlink(path);
    EXPECT_TRUE(same) << "first difference near byte " << offset;
    EXPECT_EQ(offset, kPartSize);
    EXPECT_EQ(testing_support::TempFolderEntries(), before);
}

} // namespace

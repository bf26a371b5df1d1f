// The streaming uudecoder on its own, fed in awkward chunks.
#include "gimlet/uudecoder.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/gimlet/mail_builder.h"

namespace {

using gimlet_test::Bytes;
using platform::S_FALSE;
using platform::S_OK;
using platform::StatusCode;

class CollectSink : public gimlet::ByteSink {
public:
    StatusCode Write(const std::uint8_t* data, std::size_t size) override
    {
        bytes.insert(bytes.end(), data, data + size);
        return S_OK;
    }
    Bytes bytes;
};

// Feeds text in pieces of `step` bytes and finishes.
Bytes Decode(const std::string& text, const std::string& wanted, std::size_t step, bool* found = nullptr)
{
    CollectSink sink;
    gimlet::UuDecoder decoder(sink, wanted);
    for (std::size_t at = 0; at < text.size(); at += step) {
        const std::size_t size = std::min(step, text.size() - at);
        const StatusCode status =
            decoder.Write(reinterpret_cast<const std::uint8_t*>(text.data() + at), size);
        EXPECT_TRUE(status == S_OK || status == S_FALSE);
        if (status == S_FALSE) {
            EXPECT_TRUE(decoder.Done());
            break;
        }
    }
    EXPECT_EQ(decoder.Finish(), S_OK);
    if (found != nullptr) {
        *found = decoder.FoundBegin();
    }
    return sink.bytes;
}

TEST(UuDecoder, DecodesTheSameWhateverTheChunkSize)
{
    const Bytes data = gimlet_test::SampleTnef(1000);
    const std::string text = "preamble\n" + gimlet_test::Uuencode(data, "winmail.dat") + "after\n";
    for (const std::size_t step : {1u, 2u, 3u, 61u, 62u, 4096u}) {
        SCOPED_TRACE(step);
        EXPECT_EQ(Decode(text, "winmail.dat", step), data);
    }
}

TEST(UuDecoder, EveryLengthOfTheLastLine)
{
    for (std::size_t size = 1; size <= 50; ++size) {
        SCOPED_TRACE(size);
        const Bytes data = gimlet_test::SampleTnef(size);
        EXPECT_EQ(Decode(gimlet_test::Uuencode(data, "f", "\r\n"), "", 7), data);
    }
}

TEST(UuDecoder, PicksOnlyTheWantedName)
{
    const Bytes first = {1, 2, 3};
    const Bytes second = gimlet_test::SampleTnef(100);
    const std::string text = gimlet_test::Uuencode(first, "winmail.dat.txt") +
                             "begin 644 winmail.dat extra\n" +
                             "begin 9 winmail.dat\n" + // not octal
                             gimlet_test::Uuencode(second, "  WinMail.Dat  ");
    EXPECT_EQ(Decode(text, "winmail.dat", 5), second);
    EXPECT_EQ(Decode(text, "", 5), first) << "without a wanted name the first block counts";
    bool found = true;
    EXPECT_TRUE(Decode("begin-base64 644 winmail.dat\nAAAA\n", "winmail.dat", 9, &found).empty());
    EXPECT_FALSE(found);
}

TEST(UuDecoder, PadsLinesWhoseTrailingSpacesWereStripped)
{
    // 45 zero bytes encode as "M" followed by 60 spaces when an encoder uses spaces for
    // zero; a mailer that strips them leaves "M" alone.
    const Bytes zeros(45, 0);
    std::string text = "begin 600 winmail.dat\nM" + std::string(60, ' ') + "\nM\n \nend\n";
    Bytes expected = zeros;
    expected.insert(expected.end(), zeros.begin(), zeros.end());
    EXPECT_EQ(Decode(text, "winmail.dat", 13), expected);
}

TEST(UuDecoder, StopsAtTheFirstLineThatIsNotUuencode)
{
    const Bytes data = gimlet_test::SampleTnef(90);
    std::string text = gimlet_test::Uuencode(data, "winmail.dat");
    // Drop the terminating lines and follow the data with prose: the block ends there.
    text = text.substr(0, text.find("`\nend")) + "thanks, bye\n" + gimlet_test::Uuencode({9}, "x");
    EXPECT_EQ(Decode(text, "winmail.dat", 4096), data);

    const std::string overlong = "begin 644 winmail.dat\n" + std::string(5000, 'M') + "\n";
    EXPECT_TRUE(Decode(overlong, "winmail.dat", 100).empty());
    const std::string badChar = "begin 644 winmail.dat\n#86)\x7f\n";
    EXPECT_TRUE(Decode(badChar, "winmail.dat", 100).empty());
}

TEST(UuDecoder, DecodesLastLineWithoutLineBreak)
{
    const Bytes data = {'a', 'b', 'c'};
    std::string text = gimlet_test::Uuencode(data, "winmail.dat");
    text = text.substr(0, text.find("\n`"));
    EXPECT_EQ(Decode(text, "winmail.dat", 1), data);
}

} // namespace

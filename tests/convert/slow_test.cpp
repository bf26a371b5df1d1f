// A 20 MB attachment: its bytes go through the encoder in pieces and come out whole,
// for our reader and for the tnef tool.
#include <filesystem>

#include <gtest/gtest.h>

#include "tests/convert/conversion_helpers.h"
#include "tests/support/test_files.h"

namespace testing_support {
namespace {

TEST(MessageConversionSlow, TwentyMegabytesArriveIntact)
{
    const std::vector<std::uint8_t> data = Pattern(20u << 20, 77);
    MsgBuilder msg;
    msg.Message().String8(0x0037001E, "big one");
    msg.AddAttachment()
        .Long(0x37050003, 1)
        .String8(0x3707001E, "big.bin")
        .Binary(0x37010102, data);
    const Conversion result = ConvertMessage(msg, "large");
    ASSERT_EQ(result.status, 0);
    ASSERT_TRUE(result.error.empty()) << result.error;
    const auto groups = result.tnef.Attachments();
    ASSERT_EQ(groups.size(), 1u);
    const TnefRecord* record = FindIn(groups[0], 0x0006800F);
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(record->checksumOk);
    EXPECT_TRUE(record->data == data);

    const std::string folder = Scratch() + "large-out";
    std::filesystem::create_directory(folder);
    ASSERT_EQ(RunCommand("tnef -C '" + folder + "' '" + result.tnefPath + "'"), 0);
    EXPECT_TRUE(ReadFile(folder + "/big.bin") == data);
}

} // namespace
} // namespace testing_support

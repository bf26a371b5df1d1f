#include "viewer/doc/naming/strings.h"

#include <gtest/gtest.h>

using namespace viewer::doc::naming;

TEST(Strings, StatusMessagesShowTheCodeInPrefixedUpperCaseHex)
{
    EXPECT_EQ(FormatStatusString(IDS_MAPI_MESSAGE_FAILED, platform::E_FAIL),
              "Failed on processing MAPI message (0X80004005).");
    EXPECT_EQ(FormatStatusString(IDS_RAW_DATA_FAILED, platform::StatusFromError(2)),
              "Failed on opening raw TNEF data. (0X80070002)");
}

TEST(Strings, ChecksumMessagesShowTheSumAsUnsignedDecimal)
{
    EXPECT_EQ(FormatNumberString(IDS_CHECKSUM_OK, 65535), "Checksum OK. Computed value: 65535");
    EXPECT_EQ(FormatNumberString(IDS_CHECKSUM_FAILED, 256), "Checksum failed. Computed value: 256");
}

TEST(Strings, CommandStringsSplitIntoPromptAndTooltip)
{
    EXPECT_EQ(CommandPrompt(IDS_HEX_VIEW_PROMPT), "Display raw hex data.");
    EXPECT_EQ(CommandTooltip(IDS_HEX_VIEW_PROMPT), "Hex View");
    EXPECT_EQ(CommandTooltip(IDS_OPEN_FAILED), "");
}

TEST(Strings, UnknownIdentifiersGiveEmptyText)
{
    EXPECT_STREQ(LoadString(523), "");
    EXPECT_NE(std::string(LoadString(IDS_MIME_UNSUPPORTED)).find(kMakerDomain), std::string::npos);
}

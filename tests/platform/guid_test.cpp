#include "platform/guid.h"

#include <gtest/gtest.h>

#include "platform/com.h"

using platform::FormatGuid;
using platform::GuidFromBytes;
using platform::GuidToBytes;
using platform::ParseGuid;

TEST(Guid, FormatsInRegistryFormUpperCase)
{
    EXPECT_EQ(FormatGuid(platform::IID_ISequentialStream), "{0C733A30-2A1C-11CE-ADE5-00AA0044773D}");
    EXPECT_EQ(FormatGuid(platform::IID_IMessage), "{00020307-0000-0000-C000-000000000046}");
}

TEST(Guid, ParsesWithAndWithoutBracesInEitherCase)
{
    const auto braced = ParseGuid("{0c733a30-2a1c-11ce-ade5-00aa0044773d}");
    const auto bare = ParseGuid("0C733A30-2A1C-11CE-ADE5-00AA0044773D");
    ASSERT_TRUE(braced && bare);
    EXPECT_EQ(*braced, platform::IID_ISequentialStream);
    EXPECT_EQ(*bare, platform::IID_ISequentialStream);
}

TEST(Guid, RejectsMalformedText)
{
    for (const char* text : {"", "{0C733A30-2A1C-11CE-ADE5-00AA0044773D", "0C733A30-2A1C-11CE-ADE5-00AA0044773",
                             "0C733A30+2A1C-11CE-ADE5-00AA0044773D", "0C733A3G-2A1C-11CE-ADE5-00AA0044773D",
                             "[0C733A30-2A1C-11CE-ADE5-00AA0044773D]"}) {
        EXPECT_FALSE(ParseGuid(text)) << text;
    }
}

TEST(Guid, BytesUseLittleEndianFields)
{
    const auto bytes = GuidToBytes(platform::IID_IStorage);
    EXPECT_EQ(bytes[0], 0x0B);
    EXPECT_EQ(bytes[8], 0xC0);
    EXPECT_EQ(bytes[15], 0x46);
    EXPECT_EQ(GuidFromBytes(bytes.data()), platform::IID_IStorage);
}

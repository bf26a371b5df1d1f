#include "platform/text.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Text, Utf16ToUtf8HandlesPairsAndReplacesLoneSurrogates)
{
    EXPECT_EQ(Utf16ToUtf8(u"B\u00F6se"), "B\xC3\xB6se");
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    const char16_t lone[] = {u'a', 0xD800, u'b'};
    EXPECT_EQ(Utf16ToUtf8(std::u16string_view(lone, 3)), "a\xEF\xBF\xBD" "b");
}

TEST(Text, InvalidUtf8BytesSurviveTheRoundTrip)
{
    const std::string name = "d\xF6" "cument.pdf"; // Windows-1252, not UTF-8
    const std::u16string wide = Utf8ToUtf16(name);
    EXPECT_EQ(wide[1], 0xDCF6);
    EXPECT_EQ(Utf16ToUtf8Lossless(wide), name);
    EXPECT_EQ(Utf16ToUtf8Lossless(Utf8ToUtf16("\xE2\x82\xAC x")), "\xE2\x82\xAC x");
}

TEST(Text, DecodesCodePages)
{
    EXPECT_EQ(DecodeCodePage("d\xF6" "c", 1252), "d\xC3\xB6" "c");
    EXPECT_EQ(DecodeCodePage("\x80", 1252), "\xE2\x82\xAC");
    EXPECT_EQ(DecodeCodePage("\x81", 1252), "\xEF\xBF\xBD");        // undefined in 1252
    EXPECT_EQ(DecodeCodePage("\xC4", 1251), "\xD0\x94");            // Cyrillic De
    EXPECT_EQ(DecodeCodePage("\xE4", 20866), "\xD0\x94");           // KOI8-R De
    EXPECT_EQ(DecodeCodePage("\x82\xA0", 932), "\xE3\x81\x82");     // Shift-JIS hiragana a
    EXPECT_EQ(DecodeCodePage("ab\x82", 932), "ab\xEF\xBF\xBD");     // cut multibyte sequence
    EXPECT_EQ(DecodeCodePage("\xE4", 99999), "\xC3\xA4");           // unknown: Windows-1252
    EXPECT_EQ(DecodeCodePage("\xC3\xA4", 65001), "\xC3\xA4");       // UTF-8 as it is
    EXPECT_EQ(DecodeCodePage("\xF6\xE4", 65001), "\xC3\xB6\xC3\xA4"); // not UTF-8 after all
}

TEST(Text, EncodesWithQuestionMarksForWhatTheCodePageLacks)
{
    EXPECT_EQ(EncodeCodePage(u"B\u00F6se \u0414", 1252), "B\xF6se ?");
    EXPECT_EQ(EncodeCodePage(u"\u0414", 1251), "\xC4");
}

TEST(Text, Windows1252Characters)
{
    EXPECT_EQ(Windows1252Char(0xE4), U'\u00E4');
    EXPECT_EQ(Windows1252Char(0x80), U'\u20AC');
    EXPECT_EQ(Windows1252Char(0x41), U'A');
}

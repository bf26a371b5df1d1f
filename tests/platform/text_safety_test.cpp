#include "platform/text_safety.h"

#include <string>

#include <gtest/gtest.h>

using namespace platform;

namespace {

struct TextRow {
    const char* name;
    std::string in;
    std::string out;
};

std::string RowName(const ::testing::TestParamInfo<TextRow>& info)
{
    return info.param.name;
}

// ---- Decoding --------------------------------------------------------------------------

class BrokenUtf8 : public ::testing::TestWithParam<TextRow> {};

// Each byte that starts no valid sequence is one U+FFFD of one byte, and decoding goes on with
// the next byte, so that nothing after the damage is lost.
TEST_P(BrokenUtf8, EachBadByteIsOneReplacement)
{
    const std::string& in = GetParam().in;
    EXPECT_FALSE(IsValidUtf8(in));
    std::string decoded;
    for (std::size_t i = 0; i < in.size();) {
        const char32_t c = NextUtf8Char(in, i);
        decoded += c == 0xFFFD ? "?" : std::string(1, static_cast<char>(c));
    }
    EXPECT_EQ(decoded, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Utf8, BrokenUtf8,
                         ::testing::Values(TextRow{"StrayContinuation", "a\x80z", "a?z"},
                                           TextRow{"OverlongSlash", "a\xC0\xAFz", "a??z"},
                                           TextRow{"Surrogate", "a\xED\xA0\x80z", "a???z"},
                                           TextRow{"BeyondU10FFFF", "a\xF4\x90\x80\x80z", "a????z"},
                                           TextRow{"CutAtTheEnd", "az\xE2\x80", "az??"},
                                           TextRow{"LeadFollowedByAscii", "a\xE2z", "a?z"}),
                         RowName);

TEST(Utf8, CutNeverSplitsACharacter)
{
    const std::string text = "a\xC3\xB6\xE2\x82\xAC";
    EXPECT_EQ(CutUtf8(text, 2), "a");
    EXPECT_EQ(CutUtf8(text, 3), "a\xC3\xB6");
    EXPECT_EQ(CutUtf8(text, 5), "a\xC3\xB6");
    EXPECT_EQ(CutUtf8(text, 6), text);
}

// ---- Showing ---------------------------------------------------------------------------------

class Escaped : public ::testing::TestWithParam<TextRow> {};

TEST_P(Escaped, AsAPersonSeesIt)
{
    EXPECT_EQ(EscapeForDisplay(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Display, Escaped,
    ::testing::Values(TextRow{"PlainAscii", "Report 2026.pdf", "Report 2026.pdf"},
                      TextRow{"Umlaut", "B\xC3\xB6se", "B\xC3\xB6se"},
                      TextRow{"Escape", "\x1B[31mred", "\\x1B[31mred"},
                      TextRow{"Delete", "a\x7F", "a\\x7F"},
                      TextRow{"C1Control", "a\xC2\x85z", "a\\x85z"},
                      TextRow{"RightToLeftOverride",
                              "invoice\xE2\x80\xAE"
                              "fdp.exe",
                              "invoice\\u{202E}fdp.exe"},
                      TextRow{"ArabicLetterMark",
                              "a\xD8\x9C"
                              "b",
                              "a\\u{061C}b"},
                      TextRow{"ByteOrderMark", "\xEF\xBB\xBFname", "\\u{FEFF}name"},
                      TextRow{"ZeroWidthSpace",
                              "a\xE2\x80\x8B"
                              "b",
                              "a\\u{200B}b"},
                      TextRow{"Isolate",
                              "a\xE2\x81\xA6"
                              "b",
                              "a\\u{2066}b"},
                      TextRow{"BrokenByte", "a\xFF", "a\xEF\xBF\xBD"}),
    RowName);

TEST(Display, EightBitTextIsDecodedWithItsCodePageFirst)
{
    EXPECT_EQ(EscapeForDisplay("d\xF6"
                               "c\x85",
                               1252),
              "d\xC3\xB6"
              "c\xE2\x80\xA6");
    EXPECT_EQ(EscapeForDisplay("\xC4", 1251), "\xD0\x94");
    // Text that is UTF-8 already is taken as it is, whatever the code page.
    EXPECT_EQ(EscapeForDisplay("\xC3\xB6\xE2\x80\xAE", 1251), "\xC3\xB6\\u{202E}");
}

// ---- File names --------------------------------------------------------------------------

class HostileName : public ::testing::TestWithParam<TextRow> {};

TEST_P(HostileName, BecomesASafeFileName)
{
    const std::string safe = SafeFileName(GetParam().in);
    EXPECT_EQ(safe, GetParam().out);
    EXPECT_TRUE(IsValidUtf8(safe));
    EXPECT_EQ(safe.find('/'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    FileName, HostileName,
    ::testing::Values(TextRow{"ParentFolders", "../../x", "x"},
                      TextRow{"AbsolutePath", "/etc/passwd", "passwd"},
                      TextRow{"WindowsPath", "C:\\Windows\\evil.exe", "evil.exe"},
                      TextRow{"ParentAlone", "..", ""}, TextRow{"ParentAfterAFolder", "a/..", ""},
                      TextRow{"DotsOnly", "...", ""}, TextRow{"HiddenFile", ".profile", "profile"},
                      TextRow{"TrailingDotsAndBlanks", " report.pdf. .", "report.pdf"},
                      TextRow{"Controls", "tab\there\r\n.txt", "tabhere.txt"},
                      TextRow{"TerminalEscape", "\x1B[31mred.txt", "[31mred.txt"},
                      TextRow{"C1Control",
                              "a\xC2\x9B"
                              "b.txt",
                              "ab.txt"},
                      TextRow{"RightToLeftOverride",
                              "invoice\xE2\x80\xAE"
                              "fdp.exe",
                              "invoicefdp.exe"},
                      TextRow{"ArabicLetterMark",
                              "invoice\xD8\x9C"
                              "fdp.exe",
                              "invoicefdp.exe"},
                      TextRow{"ByteOrderMark",
                              "\xEF\xBB\xBF"
                              "a.txt",
                              "a.txt"},
                      TextRow{"NotUtf8", "bad\xFFutf8", "bad\xEF\xBF\xBDutf8"}),
    RowName);

TEST(FileName, LongNamesLoseTheirMiddleAndKeepTheirExtensionAndWholeCharacters)
{
    const std::string cut = SafeFileName("A" + std::string(10000, 'n') + "Z.pdf");
    EXPECT_EQ(cut.size(), kMaxFileNameBytes);
    EXPECT_EQ(cut.front(), 'A');
    EXPECT_EQ(cut.substr(cut.size() - 5), "Z.pdf");
    EXPECT_NE(cut.find("n\xE2\x80\xA6n"), std::string::npos);
    std::string umlauts;
    for (int i = 0; i < 200; ++i) {
        umlauts += "\xC3\xB6";
    }
    EXPECT_EQ(SafeFileName(umlauts).size(), 255u);
}

// Every character that could hide text or change its direction: shown escaped, and never
// in a name that is written.
class HiddenCharacter : public ::testing::TestWithParam<TextRow> {};

TEST_P(HiddenCharacter, IsShownEscapedAndNeverWritten)
{
    const std::string name = "report" + GetParam().in + ".pdf";
    EXPECT_EQ(SafeFileName(name), "report.pdf");
    EXPECT_EQ(EscapeForDisplay(name), "report" + GetParam().out + ".pdf");
}

INSTANTIATE_TEST_SUITE_P(
    FileName, HiddenCharacter,
    ::testing::Values(TextRow{"Escape", "\x1B", "\\x1B"}, TextRow{"NextLine", "\xC2\x85", "\\x85"},
                      TextRow{"ControlSequenceIntroducer", "\xC2\x9B", "\\x9B"},
                      TextRow{"SoftHyphen", "\xC2\xAD", "\\u{00AD}"},
                      TextRow{"ArabicLetterMark", "\xD8\x9C", "\\u{061C}"},
                      TextRow{"MongolianVowelSeparator", "\xE1\xA0\x8E", "\\u{180E}"},
                      TextRow{"ZeroWidthJoiner", "\xE2\x80\x8D", "\\u{200D}"},
                      TextRow{"RightToLeftMark", "\xE2\x80\x8F", "\\u{200F}"},
                      TextRow{"LineSeparator", "\xE2\x80\xA8", "\\u{2028}"},
                      TextRow{"ParagraphSeparator", "\xE2\x80\xA9", "\\u{2029}"},
                      TextRow{"RightToLeftOverride", "\xE2\x80\xAE", "\\u{202E}"},
                      TextRow{"WordJoiner", "\xE2\x81\xA0", "\\u{2060}"},
                      TextRow{"InvisibleSeparator", "\xE2\x81\xA3", "\\u{2063}"},
                      TextRow{"PopDirectionalIsolate", "\xE2\x81\xA9", "\\u{2069}"},
                      TextRow{"NominalDigitShapes", "\xE2\x81\xAF", "\\u{206F}"},
                      TextRow{"ByteOrderMark", "\xEF\xBB\xBF", "\\u{FEFF}"},
                      TextRow{"InterlinearAnnotation", "\xEF\xBF\xB9", "\\u{FFF9}"},
                      TextRow{"LanguageTag", "\xF3\xA0\x80\x81", "\\u{E0001}"},
                      TextRow{"TagLatinSmallA", "\xF3\xA0\x81\xA1", "\\u{E0061}"}),
    RowName);

TEST(FileName, OnlyPlainShortExtensionsAreSafe)
{
    EXPECT_EQ(SafeExtension("x.a_b-1"), ".a_b-1");
    for (const char* name : {"x.p$f", "x.$(rm)", "x.tar-gz", "name.", "none"}) {
        EXPECT_EQ(SafeExtension(name), "") << name;
    }
}

TEST(FileName, NumberedNamesKeepTheExtensionWithinTheLimit)
{
    EXPECT_EQ(NumberedName("report.pdf", 1), "report.pdf");
    EXPECT_EQ(NumberedName("report.pdf", 2), "report (2).pdf");
    EXPECT_EQ(NumberedName("README", 3), "README (3)");
    EXPECT_EQ(NumberedName(std::string(251, 'n') + ".pdf", 12).size(), kMaxFileNameBytes);
    // An extension that leaves no room for the number is cut like the rest of the name.
    const std::string longExtension = "a." + std::string(253, 'x');
    EXPECT_EQ(NumberedName(longExtension, 2).size(), kMaxFileNameBytes);
}

} // namespace

// GimletExtractTnef through the shared library, on mails built in code.
#include "gimlet/include/gimlet.h"

#include <cstring>
#include <set>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/status.h"
#include "tests/gimlet/mail_builder.h"
#include "tests/support/test_files.h"

namespace {

using gimlet_test::Bytes;
using gimlet_test::Part;
using testing_support::TempFolderEntries;

// Every case checks that the temporary folder holds nothing new once the extracted file
// (the caller's) is removed.
class GimletExtract : public ::testing::Test {
protected:
    void SetUp() override { m_before = TempFolderEntries(); }
    void TearDown() override { EXPECT_EQ(TempFolderEntries(), m_before); }

    std::string MailPath() const { return testing_support::Scratch() + "mail.eml"; }

    // Writes the mail to a file outside the temporary folder and extracts from it. On
    // success *tnef holds the extracted bytes and the file is deleted again.
    std::int32_t ExtractFrom(const std::string& mail, Bytes* tnef = nullptr)
    {
        testing_support::WriteFile(MailPath(), mail);
        return ExtractPath(MailPath(), tnef);
    }

    std::int32_t ExtractPath(const std::string& path, Bytes* tnef = nullptr)
    {
        char buffer[GIMLET_PATH_BUFFER_SIZE];
        std::memset(buffer, 'x', sizeof(buffer));
        const std::int32_t status = GimletExtractTnef(0, path.c_str(), buffer);
        if (platform::Failed(status)) {
            EXPECT_EQ(std::string(buffer, sizeof(buffer)), std::string(sizeof(buffer), '\0'))
                << "a failed call leaves the buffer empty";
            return status;
        }
        const std::string result(buffer);
        EXPECT_EQ(result.rfind(testing_support::TempDir() + "tnf", 0), 0u) << result;
        if (tnef != nullptr) {
            *tnef = testing_support::ReadFile(result);
        }
        EXPECT_EQ(::unlink(result.c_str()), 0) << result;
        return status;
    }

    std::set<std::string> m_before;
};

TEST_F(GimletExtract, FindsBase64PartInMultipartMixed)
{
    const Bytes tnef = gimlet_test::SampleTnef(5000);
    Bytes out;
    ASSERT_EQ(ExtractFrom(gimlet_test::MultipartMail(
                  {gimlet_test::TextPart("See the attachment.\n"), gimlet_test::TnefPart(tnef)}),
                  &out),
              0);
    EXPECT_EQ(out, tnef);
}

TEST_F(GimletExtract, HandlesCrLfLineEnds)
{
    const Bytes tnef = gimlet_test::SampleTnef(3000);
    Part part = gimlet_test::TnefPart(tnef);
    part.body = gimlet_test::Base64(tnef, "\r\n");
    Bytes out;
    ASSERT_EQ(ExtractFrom(gimlet_test::MultipartMail(
                  {gimlet_test::TextPart("Body.\r\n"), part}, "\r\n"), &out), 0);
    EXPECT_EQ(out, tnef);
}

TEST_F(GimletExtract, FindsPartInsideMessagesAttachedToMessages)
{
    const Bytes tnef = gimlet_test::SampleTnef(2000);
    const std::string innermost = gimlet_test::MultipartMail(
        {gimlet_test::TextPart("Innermost.\n"), gimlet_test::TnefPart(tnef)});
    const std::string middle = gimlet_test::MultipartMail(
        {gimlet_test::TextPart("Middle.\n"), gimlet_test::AttachedMessage(innermost)});
    const std::string outer = gimlet_test::MultipartMail(
        {gimlet_test::TextPart("Outer.\n"), gimlet_test::AttachedMessage(middle)});
    Bytes out;
    ASSERT_EQ(ExtractFrom(outer, &out), 0);
    EXPECT_EQ(out, tnef);
}

TEST_F(GimletExtract, RecognisesTypesAndNames)
{
    const Bytes tnef = gimlet_test::SampleTnef(700);
    // The label wins even when its content does not start with the signature.
    Bytes other = tnef;
    other[0] = 'X';
    struct Case {
        const char* type;
        const char* name;
    };
    for (const Case& row : {Case{"application/ms-tnef", "anything.bin"},
                            Case{"Application/MS-TNEF", "x"},
                            Case{"application/vnd.ms-tnef", "x"},
                            Case{"application/octet-stream", "winmail.dat"},
                            Case{"application/octet-stream", "WinMail.DAT"}}) {
        SCOPED_TRACE(std::string(row.type) + " " + row.name);
        Bytes out;
        ASSERT_EQ(ExtractFrom(gimlet_test::MultipartMail(
                      {gimlet_test::TnefPart(tnef, "application/octet-stream", "first.dat"),
                       gimlet_test::TnefPart(other, row.type, row.name)}),
                      &out),
                  0);
        EXPECT_EQ(out, other) << "a labelled part comes before one found by its signature";
    }
}

TEST_F(GimletExtract, FindsRenamedPartBySignature)
{
    const Bytes tnef = gimlet_test::SampleTnef(1500);
    Bytes almost = tnef;
    almost[3] = 0x23;
    Bytes out;
    ASSERT_EQ(ExtractFrom(gimlet_test::MultipartMail(
                  {gimlet_test::TextPart("Hello.\n"),
                   gimlet_test::TnefPart(almost, "image/png", "picture.png"),
                   gimlet_test::TnefPart(tnef, "application/octet-stream", "winmail.dat.2")}),
                  &out),
              0);
    EXPECT_EQ(out, tnef);
}

TEST_F(GimletExtract, FindsBareBodyBySignature)
{
    const Bytes tnef = gimlet_test::SampleTnef(400);
    Bytes out;
    ASSERT_EQ(ExtractFrom("Subject: stripped\nContent-Transfer-Encoding: base64\n\n" +
                          gimlet_test::Base64(tnef), &out),
              0);
    EXPECT_EQ(out, tnef);
}

TEST_F(GimletExtract, IgnoresTrailingGarbageAfterLastBoundary)
{
    const Bytes tnef = gimlet_test::SampleTnef(1200);
    std::string mail = gimlet_test::MultipartMail({gimlet_test::TnefPart(tnef)});
    mail += "garbage \x01\x02\xff after the end\n--not-a-boundary\nQUJD\n";
    Bytes out;
    ASSERT_EQ(ExtractFrom(mail, &out), 0);
    EXPECT_EQ(out, tnef);
}

TEST_F(GimletExtract, DecodesEveryTransferEncoding)
{
    const Bytes tnef = gimlet_test::SampleTnef(2500);
    struct Case {
        const char* encoding;
        std::string body;
    };
    const Case rows[] = {
        {"quoted-printable", gimlet_test::QuotedPrintable(tnef)},
        {"x-uuencode", gimlet_test::Uuencode(tnef, "winmail.dat")},
        {"binary", gimlet_test::Text(tnef) + "\n"},
        {"8bit", gimlet_test::Text(tnef) + "\n"},
        {"7bit", gimlet_test::Text(tnef) + "\n"},
    };
    for (const Case& row : rows) {
        SCOPED_TRACE(row.encoding);
        const Part part{std::string("Content-Type: application/ms-tnef\n"
                                    "Content-Transfer-Encoding: ") + row.encoding,
                        row.body};
        Bytes out;
        ASSERT_EQ(ExtractFrom(gimlet_test::MultipartMail({part}), &out), 0);
        // A raw part's last line break belongs to the boundary that follows it.
        EXPECT_EQ(out, tnef);
    }
}

TEST_F(GimletExtract, FindsWinmailUuencodedInTextBody)
{
    const Bytes tnef = gimlet_test::SampleTnef(3000);
    const Bytes decoy = {'n', 'o', 't', ' ', 'i', 't'};
    for (const char* eol : {"\n", "\r\n"}) {
        SCOPED_TRACE(eol[1] ? "CRLF" : "LF");
        const std::string text = std::string("Please see the file.") + eol +
                                 gimlet_test::Uuencode(decoy, "notes.txt", eol) + eol +
                                 gimlet_test::Uuencode(tnef, "WINMAIL.DAT", eol) + "Bye." + eol;
        Bytes out;
        ASSERT_EQ(ExtractFrom(gimlet_test::MultipartMail(
                      {gimlet_test::TextPart(text),
                       gimlet_test::TnefPart(decoy, "image/gif", "x.gif")}, eol),
                      &out),
                  0);
        EXPECT_EQ(out, tnef);
    }
}

TEST_F(GimletExtract, PrefersSignatureOverUuencodedText)
{
    const Bytes inText = gimlet_test::SampleTnef(300);
    const Bytes attached = gimlet_test::SampleTnef(500);
    Bytes out;
    ASSERT_EQ(ExtractFrom(gimlet_test::MultipartMail(
                  {gimlet_test::TextPart(gimlet_test::Uuencode(inText, "winmail.dat")),
                   gimlet_test::TnefPart(attached, "application/octet-stream", "att.bin")}),
                  &out),
              0);
    EXPECT_EQ(out, attached);
}

TEST_F(GimletExtract, UuencodedTextInQuotedPrintableBody)
{
    const Bytes tnef = gimlet_test::SampleTnef(600);
    const std::string uu = gimlet_test::Uuencode(tnef, "winmail.dat");
    const Part part{"Content-Type: text/plain\nContent-Transfer-Encoding: quoted-printable",
                    gimlet_test::QuotedPrintable(Bytes(uu.begin(), uu.end()))};
    Bytes out;
    ASSERT_EQ(ExtractFrom(gimlet_test::MultipartMail({part}), &out), 0);
    EXPECT_EQ(out, tnef);
}

TEST_F(GimletExtract, SkipsMboxFromLine)
{
    const Bytes tnef = gimlet_test::SampleTnef(900);
    const std::string mail = gimlet_test::MultipartMail({gimlet_test::TnefPart(tnef)});
    Bytes out;
    ASSERT_EQ(ExtractFrom("From sender@example.org Mon Dec  7 09:42:40 2026\n" + mail, &out), 0);
    EXPECT_EQ(out, tnef);
}

TEST_F(GimletExtract, ReportsNotFoundWithoutTnef)
{
    const Bytes almost = {0x78, 0x9F, 0x3E, 0x21, 1, 2, 3};
    const std::string rows[] = {
        "",
        "From nobody\n",
        "Subject: plain\n\nJust text.\nbegin 644 other.dat\n#86)C\n`\nend\n",
        gimlet_test::MultipartMail({gimlet_test::TextPart("Hi.\n"),
                                    gimlet_test::TnefPart(almost, "image/png", "a.png"),
                                    gimlet_test::TnefPart({0x78, 0x9F}, "image/png", "b.png")}),
        std::string("\0\0\0garbage\xff", 11),
    };
    for (const std::string& mail : rows) {
        SCOPED_TRACE(mail.substr(0, 40));
        EXPECT_EQ(ExtractFrom(mail), platform::MAPI_E_NOT_FOUND);
    }
}

TEST_F(GimletExtract, ReportsPartThatDecodesToNothing)
{
    const Part empty{"Content-Type: application/ms-tnef\nContent-Transfer-Encoding: base64", ""};
    EXPECT_EQ(ExtractFrom(gimlet_test::MultipartMail({empty})), platform::E_FAIL);
    const Part junk{"Content-Type: application/ms-tnef\nContent-Transfer-Encoding: base64",
                    "!!!! ....\n"};
    EXPECT_EQ(ExtractFrom(gimlet_test::MultipartMail({junk})), platform::E_FAIL);
    const std::string text = "begin 644 winmail.dat\n`\nend\n";
    EXPECT_EQ(ExtractFrom(gimlet_test::MultipartMail({gimlet_test::TextPart(text)})),
              platform::E_FAIL);
}

TEST_F(GimletExtract, KeepsWhatArrivedOfTruncatedMail)
{
    const Bytes tnef = gimlet_test::SampleTnef(6000);
    const std::string mail = gimlet_test::MultipartMail({gimlet_test::TnefPart(tnef)});
    const std::size_t bodyStart = mail.find("\n\n", mail.find("winmail.dat")) + 2;
    // Cut inside the base64 text: the decoded bytes are a prefix of the part.
    Bytes out;
    ASSERT_EQ(ExtractFrom(mail.substr(0, bodyStart + 2001), &out), 0);
    ASSERT_FALSE(out.empty());
    ASSERT_LT(out.size(), tnef.size());
    EXPECT_TRUE(std::equal(out.begin(), out.end(), tnef.begin()));
    // Cut inside the part's headers: no part to extract.
    EXPECT_EQ(ExtractFrom(mail.substr(0, mail.find("Content-Type: application/ms-tnef") + 20)),
              platform::MAPI_E_NOT_FOUND);
}

TEST_F(GimletExtract, ReportsUnreadableMail)
{
    EXPECT_EQ(ExtractPath(testing_support::Scratch() + "no-such.eml"), platform::E_FILE_NOT_FOUND);
    const std::string folder = testing_support::Scratch() + "folder.eml";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    EXPECT_EQ(ExtractPath(folder), platform::StatusFromError(EISDIR));
    const std::string fifo = testing_support::Scratch() + "fifo.eml";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ExtractPath(fifo), platform::E_INVALIDARG) << "a FIFO would never end";
    if (::geteuid() != 0) {
        testing_support::WriteFile(MailPath(), std::string("Subject: x\n\n"));
        ASSERT_EQ(::chmod(MailPath().c_str(), 0), 0);
        EXPECT_EQ(ExtractPath(MailPath()), platform::E_ACCESSDENIED);
    }
}

TEST_F(GimletExtract, RejectsMissingArguments)
{
    char buffer[GIMLET_PATH_BUFFER_SIZE];
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(GimletExtractTnef(0, nullptr, buffer), platform::E_INVALIDARG);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(GimletExtractTnef(0, "", buffer), platform::E_INVALIDARG);
    EXPECT_EQ(GimletExtractTnef(0, MailPath().c_str(), nullptr), platform::E_INVALIDARG);
}

TEST_F(GimletExtract, EachCallWritesItsOwnFile)
{
    const Bytes tnef = gimlet_test::SampleTnef(100);
    testing_support::WriteFile(MailPath(), gimlet_test::MultipartMail({gimlet_test::TnefPart(tnef)}));
    char first[GIMLET_PATH_BUFFER_SIZE];
    char second[GIMLET_PATH_BUFFER_SIZE];
    ASSERT_EQ(GimletExtractTnef(0, MailPath().c_str(), first), 0);
    ASSERT_EQ(GimletExtractTnef(0, MailPath().c_str(), second), 0);
    EXPECT_STRNE(first, second);
    struct stat info{};
    ASSERT_EQ(::stat(first, &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the extracted mail is private to its user";
    EXPECT_EQ(testing_support::ReadFile(second), tnef);
    ::unlink(first);
    ::unlink(second);
}

} // namespace

// Opening files into documents: the copy, conversion and extraction routes, their messages,
// and what they leave behind.
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "tests/support/test_files.h"
#include "tests/support/tnef_builder.h"
#include "tests/viewer/doc/document/document_fixture.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/naming/strings.h"

using namespace format;
using namespace viewer::doc::document;
using namespace viewer::doc::naming;
using namespace testing_support;
using platform::RegistryRoot;

namespace {

ByteVector SampleTnef()
{
    return TnefBuilder().Header().MessageAttribute(attSubject, "Loaded").Bytes();
}

ByteVector StreamBytes(CEnvelonDoc& doc)
{
    ByteVector bytes;
    EXPECT_EQ(doc.Stream()->Seek(0, platform::STREAM_SEEK_SET, nullptr), platform::S_OK);
    std::uint8_t buffer[4096];
    std::uint32_t got = 0;
    while (doc.Stream()->Read(buffer, sizeof buffer, &got) == platform::S_OK && got > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

std::string Base64(const ByteVector& bytes)
{
    static const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::uint32_t n = (bytes[i] << 16) | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0) |
                                (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(n >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kAlphabet[n & 63] : '=';
        if (i % 57 == 54) {
            out += "\n";
        }
    }
    return out + "\n";
}

std::string MailWithPart(const std::string& partHeaders, const std::string& body)
{
    return "From: a@example.org\nSubject: test\nMIME-Version: 1.0\n"
           "Content-Type: multipart/mixed; boundary=\"b\"\n\n--b\nContent-Type: text/plain\n\n"
           "Hello\n--b\n" +
           partHeaders + "\n" + body + "--b--\n";
}

class Loading : public DocumentTest {
protected:
    std::string Write(const std::string& name, const ByteVector& bytes)
    {
        const std::string path = Scratch() + name;
        WriteFile(path, bytes);
        return path;
    }

    // Opens and expects success with no message.
    void ExpectOpens(CEnvelonDoc& doc, const std::string& path)
    {
        doc.SetMessageSink(&m_sink);
        EXPECT_TRUE(doc.OpenFromPath(path.c_str()));
        EXPECT_TRUE(m_sink.Messages().empty());
    }

    // Opens and expects failure with exactly one error message of this text.
    void ExpectFails(CEnvelonDoc& doc, const char* path, const std::string& message)
    {
        m_sink.Clear();
        doc.SetMessageSink(&m_sink);
        EXPECT_FALSE(doc.OpenFromPath(path));
        EXPECT_FALSE(doc.HasStream());
        ASSERT_EQ(m_sink.Messages().size(), 1u);
        EXPECT_EQ(m_sink.Messages()[0].text, message);
        EXPECT_EQ(m_sink.Messages()[0].icon, MessageIcon::Error);
    }
};

} // namespace

TEST_F(Loading, CopiesAnyOtherFileLeavingTheOriginalAloneAndNothingBehind)
{
    const auto before = TempFolderEntries();
    const std::string path = Write("winmail.dat", SampleTnef());
    CEnvelonDoc doc;
    ExpectOpens(doc, path);
    EXPECT_EQ(StreamBytes(doc), SampleTnef());
    EXPECT_EQ(doc.Title(), "winmail.dat");
    // The private copy has no name left in the temporary folder, and the original is
    // neither changed nor locked against the user.
    EXPECT_EQ(TempFolderEntries(), before);
    const int fd = ::open(path.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    ::close(fd);
    EXPECT_EQ(ReadFile(path), SampleTnef());
}

TEST_F(Loading, CancelledCopyShowsNothingAndLeavesNothingBehind)
{
    const auto before = TempFolderEntries();
    const std::string path = Write("cancel.dat", SampleTnef());
    CEnvelonDoc doc;
    doc.SetMessageSink(&m_sink);
    bool asked = false;
    const bool opened = doc.OpenFromPath(path.c_str(), [&asked](std::uint64_t, std::uint64_t) {
        asked = true;
        return false;
    });
    if (!asked) {
        GTEST_SKIP() << "the file system cloned the file: there was no copy to stop";
    }
    EXPECT_FALSE(opened);
    EXPECT_TRUE(doc.Cancelled());
    EXPECT_FALSE(doc.HasStream());
    EXPECT_TRUE(m_sink.Messages().empty());
    EXPECT_EQ(TempFolderEntries(), before);
}

TEST_F(Loading, PathsThatOnlyLookLikeMessagesAreCopied)
{
    UseFerrule("missing");
    CEnvelonDoc doc;
    ExpectOpens(doc, Write("a.msg.dat", SampleTnef()));
    // ".msg" alone is not longer than 4 characters: copied, not converted.
    ASSERT_EQ(::chdir(Scratch().c_str()), 0);
    WriteFile(".msg", SampleTnef());
    ExpectOpens(doc, ".msg");
    EXPECT_EQ(StreamBytes(doc), SampleTnef());
}

TEST_F(Loading, MessageFilesGoThroughTheConversionLibraryWhateverTheCase)
{
    UseFerrule("converts");
    for (const char* name : {"MAIL.MSG", "mail.Msg"}) {
        CEnvelonDoc doc;
        ExpectOpens(doc, Write(name, SampleTnef()));
        EXPECT_EQ(StreamBytes(doc), SampleTnef());
    }
    EXPECT_TRUE(m_app.Context().m_ferrule.IsLoaded());
}

// A tool that only reads opens files where they lie; what needs converting still converts.
TEST_F(Loading, InPlaceReadsTheFileItselfAndConvertsOnlyMessages)
{
    UseFerrule("converts");
    const std::string path = Write("inplace.dat", SampleTnef());
    const auto before = TempFolderEntries();
    CEnvelonDoc doc;
    doc.SetMessageSink(&m_sink);
    ASSERT_TRUE(doc.OpenInPlace(path.c_str()));
    EXPECT_EQ(StreamBytes(doc), SampleTnef());
    EXPECT_EQ(TempFolderEntries(), before);
    ASSERT_TRUE(doc.OpenInPlace(Write("mail.msg", SampleTnef()).c_str()));
    EXPECT_EQ(StreamBytes(doc), SampleTnef());
    EXPECT_TRUE(m_sink.Messages().empty());
}

TEST_F(Loading, InPlaceRefusesWhatIsNoFileWithoutCreatingIt)
{
    const std::string missing = Scratch() + "missing.dat";
    CEnvelonDoc doc;
    doc.SetMessageSink(&m_sink);
    // The stream server would create a missing file even to read it.
    EXPECT_FALSE(doc.OpenInPlace(missing.c_str()));
    EXPECT_FALSE(FileExists(missing));
    EXPECT_FALSE(doc.OpenInPlace(Scratch().c_str()));
    EXPECT_FALSE(doc.HasStream());
    ASSERT_EQ(m_sink.Messages().size(), 2u);
    EXPECT_EQ(m_sink.Messages()[0].text, "cannot open " + missing + " (0X80070002)");
    EXPECT_EQ(m_sink.Messages()[1].text, "cannot open " + Scratch() + " (0X80070015)");
}

TEST_F(Loading, MissingConversionLibraryIsReportedOnEveryTry)
{
    UseFerrule("missing");
    const std::string path = Write("mail.msg", SampleTnef());
    const std::string message = FormatStatusString(IDS_MAPI_INIT_FAILED, platform::E_MOD_NOT_FOUND);
    CEnvelonDoc doc;
    ExpectFails(doc, path.c_str(), message);
    ExpectFails(doc, path.c_str(), message);
    EXPECT_FALSE(m_app.Context().m_ferrule.IsLoaded());
}

TEST_F(Loading, ConversionLibraryThatCannotStartIsUnloadedAgain)
{
    CEnvelonDoc doc;
    const std::string path = Write("mail.msg", SampleTnef());
    UseFerrule("init_fails");
    ExpectFails(doc, path.c_str(), FormatStatusString(IDS_MAPI_INIT_FAILED, platform::E_FAIL));
    EXPECT_FALSE(m_app.Context().m_ferrule.IsLoaded());
    UseFerrule("no_entry");
    ExpectFails(doc, path.c_str(), FormatStatusString(IDS_MAPI_INIT_FAILED, platform::E_UNEXPECTED));
    EXPECT_FALSE(m_app.Context().m_ferrule.IsLoaded());
}

TEST_F(Loading, FailedConversionKeepsTheLibraryLoaded)
{
    UseFerrule("converts");
    CEnvelonDoc doc;
    ExpectFails(doc, Write("empty.msg", {}).c_str(),
                FormatStatusString(IDS_MAPI_MESSAGE_FAILED, platform::E_FAIL));
    EXPECT_TRUE(m_app.Context().m_ferrule.IsLoaded());
}

TEST_F(Loading, MailFilesHaveTheirTnefPartExtracted)
{
    const auto before = TempFolderEntries();
    const std::string mail = MailWithPart(
        "Content-Type: application/ms-tnef; name=\"winmail.dat\"\nContent-Transfer-Encoding: base64\n",
        Base64(SampleTnef()));
    CEnvelonDoc doc;
    ExpectOpens(doc, Write("mail.EML", ByteVector(mail.begin(), mail.end())));
    EXPECT_EQ(StreamBytes(doc), SampleTnef());
    doc.ReleaseContents();
    EXPECT_EQ(TempFolderEntries(), before);

    const std::string plain = MailWithPart("Content-Type: text/plain\n", "nothing here\n");
    ExpectFails(doc, Write("plain.eml", ByteVector(plain.begin(), plain.end())).c_str(),
                FormatStatusString(IDS_MIME_EXTRACT_FAILED, platform::MAPI_E_NOT_FOUND));
}

TEST_F(Loading, NoPathAndUnreadableFilesFailWithTheGenericMessage)
{
    CEnvelonDoc doc;
    ExpectFails(doc, nullptr, LoadString(IDS_OPEN_FAILED));
    ExpectFails(doc, "", LoadString(IDS_OPEN_FAILED));
    const auto before = TempFolderEntries();
    ExpectFails(doc, (Scratch() + "does-not-exist.dat").c_str(), LoadString(IDS_OPEN_FAILED));
    EXPECT_EQ(TempFolderEntries(), before);
}

TEST_F(Loading, UnregisteredStreamServerLeavesNoTemporaryFile)
{
    const std::string path = Write("winmail.dat", SampleTnef());
    ::setenv("PALLION_REGISTRY", (Scratch() + "empty.reg").c_str(), 1);
    const auto before = TempFolderEntries();
    CEnvelonDoc doc;
    ExpectFails(doc, path.c_str(), LoadString(IDS_OPEN_FAILED));
    EXPECT_EQ(TempFolderEntries(), before);
    ::setenv("PALLION_REGISTRY", (Scratch() + "registry.reg").c_str(), 1);
}

TEST_F(Loading, ReopeningReleasesTheOldStream)
{
    CEnvelonDoc doc;
    ExpectOpens(doc, Write("first.dat", SampleTnef()));
    platform::IStream* first = doc.Stream();
    first->AddRef();
    ExpectOpens(doc, Write("second.dat", SampleTnef()));
    EXPECT_NE(doc.Stream(), first);
    EXPECT_EQ(first->Release(), 0u); // the document held no reference any more
}

TEST_F(Loading, RawViewIsOnOnlyForANonZeroNumber)
{
    const char* key = "SOFTWARE\\corvane.example\\Corvane Envelon\\1.00.000";
    const std::string path = Write("winmail.dat", SampleTnef());
    CEnvelonDoc doc;
    ExpectOpens(doc, path);
    EXPECT_FALSE(doc.RawView());

    ASSERT_EQ(platform::RegistryWriteText(RegistryRoot::LocalMachine, key, "RawView", "1"), platform::S_OK);
    ExpectOpens(doc, path);
    EXPECT_FALSE(doc.RawView());
    ASSERT_EQ(platform::RegistryWriteNumber(RegistryRoot::LocalMachine, key, "RawView", 0), platform::S_OK);
    ExpectOpens(doc, path);
    EXPECT_FALSE(doc.RawView());
    ASSERT_EQ(platform::RegistryWriteNumber(RegistryRoot::LocalMachine, key, "RawView", 0xFFFFFFFF),
              platform::S_OK);
    ExpectOpens(doc, path);
    EXPECT_TRUE(doc.RawView());
}

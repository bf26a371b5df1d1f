// pallion-cli end to end: golden output, exit statuses and hostile attachment names.
#include <cstdlib>
#include <string>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/test_files.h"
#include "tests/support/tnef_builder.h"
#include "platform/files.h"
#include "tests/tools/cli_fixture.h"
#include "tools/cli.h"

using namespace testing_support;
using namespace format;

namespace {

// A note with a subject, one property and one attachment named `name` (8-bit bytes in the
// message's code page, Windows-1252 unless one is given).
ByteVector NoteWithAttachment(const std::string& name, const ByteVector& data, std::uint32_t codePage = 0)
{
    PropertyList properties;
    properties.Long(0x0E070003, 0x11);
    if (codePage != 0) {
        properties.Long(0x3FFD0003, codePage);
    }
    return TnefBuilder()
        .Header()
        .MessageAttribute(attSubject, "Hi")
        .MessageProperties(properties)
        .StartAttachment()
        .AttachmentAttribute(attAttachTitle, name)
        .AttachmentAttribute(attAttachData, data)
        .Bytes();
}

class Cli : public CliTest {
protected:
    std::string Write(const std::string& name, const ByteVector& bytes)
    {
        const std::string path = Scratch() + name;
        WriteFile(path, bytes);
        return path;
    }
};

} // namespace

TEST_F(Cli, TreeListsEveryNodeWithIdCaptionKindAndImage)
{
    const std::string path = Write("note.dat", NoteWithAttachment("a.txt", BytesOf("abc")));
    const CliResult result = Run({"tree", path});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "0\tnote.dat\tELEM_FOLDER\t0\n"
              "  0.0\tHeader\tELEM_HEADER\t6\n"
              "  0.1\tHi\tELEM_FOLDER\t3\n"
              "    0.1.0\tSubject\tELEM_ATTRIBUTE_DATA\t7\n"
              "    0.1.1\tMessage Properties\tELEM_PROPERTY_LIST\t8\n"
              "      0.1.1.0\tPR_MESSAGE_FLAGS\tELEM_PROPERTY\t9\n"
              "        0.1.1.0.0\t0. Value\tELEM_VALUE\t6\n"
              "  0.2\ta.txt\tELEM_ATTACH_DATA\t4\n"
              "    0.2.0\tAttachment Rendering\tELEM_RENDERING\t7\n"
              "    0.2.1\tAttachment Name\tELEM_ATTRIBUTE_DATA\t7\n"
              "    0.2.2\tAttachment Data\tELEM_ATTACH_DATA\t7\n");
    const CliResult json = Run({"tree", "--json", path});
    EXPECT_NE(json.out.find("{\"id\": \"0.1.1.0.0\", \"caption\": \"0. Value\", \"image\": 6, "
                            "\"kind\": \"ELEM_VALUE\", \"view\": 5, \"children\": []}"),
              std::string::npos)
        << json.out;
}

TEST_F(Cli, DetailsShowTheElementsFields)
{
    const std::string path = Write("note.dat", NoteWithAttachment("a.txt", BytesOf("abc")));
    CliResult result = Run({"details", path, "0.1.1.0.0"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "Property-Tag\tPR_MESSAGE_FLAGS\tMSGFLAG_HASATTACH MSGFLAG_READ \n"
              "Value size\t4\t\n"
              "Value GUID\t\t\n"
              "Value data\t17\t\n");
    result = Run({"details", "--json", path, "0.0"});
    EXPECT_EQ(result.out, "{\"columns\": [\"Type\", \"Value\"], \"rows\": [[\"Signature\", \"0X223E9F78\"], "
                          "[\"Key\", \"1\"]]}\n");
}

TEST_F(Cli, HexAndTextShowTheElementsBytes)
{
    const std::string path = Write("note.dat", NoteWithAttachment("a.txt", BytesOf("AB\nC")));
    EXPECT_EQ(Run({"hex", path, "0.2.2"}).out,
              "00000000    41 42 0A 43                                          AB.C\n");
    EXPECT_EQ(Run({"text", path, "0.2.2"}).out, "AB\nC\n");
}

TEST_F(Cli, ExitStatusesTellUsageFromFailureFromChecksumMismatch)
{
    const std::string good = Write("note.dat", NoteWithAttachment("a.txt", BytesOf("abc")));
    EXPECT_EQ(Run({}).status, tools::kExitUsage);
    EXPECT_EQ(Run({"frobnicate", good}).status, tools::kExitUsage);
    EXPECT_EQ(Run({"tree", "--bogus", good}).status, tools::kExitUsage);
    EXPECT_EQ(Run({"details", good}).status, tools::kExitUsage);
    EXPECT_EQ(Run({"export", good}).status, tools::kExitUsage);
    EXPECT_EQ(Run({"export", good, "0.2", "x.ics", "y.ics"}).status, tools::kExitUsage);
    EXPECT_EQ(Run({"export", good, "0.2", Scratch() + "x.ics"}).status, tools::kExitFailure);
    EXPECT_EQ(Run({"--help"}).status, tools::kExitOk);
    EXPECT_EQ(Run({"tree", Scratch() + "missing.dat"}).status, tools::kExitFailure);
    EXPECT_EQ(Run({"details", good, "0.9"}).status, tools::kExitFailure);
    EXPECT_EQ(Run({"details", good, "1"}).status, tools::kExitFailure);
    EXPECT_EQ(Run({"checksum", good}).status, tools::kExitOk);

    EXPECT_EQ(Run({"checksum", Write("empty.dat", ByteVector{})}).status, tools::kExitFailure);

    const std::string bad = Write("bad.dat", TnefBuilder().Header().Attribute(LVL_MESSAGE, attSubject, BytesOf("Hi"), 7).Bytes());
    const CliResult checked = Run({"checksum", bad});
    EXPECT_EQ(checked.status, tools::kExitChecksumMismatch);
    EXPECT_NE(checked.out.find("attSubject\t7\t177\tMISMATCH"), std::string::npos) << checked.out;
}

TEST_F(Cli, ExtractKeepsHostileNamesInsideTheFolder)
{
    const std::string folder = Scratch() + "hostile";
    for (const std::string& name : {std::string("../../x"), std::string("/etc/passwd"), std::string(10000, 'n') + ".pdf",
                                    std::string("\x1b[31mred.txt"), std::string("d\xF6" "cument.pdf"), std::string("..")}) {
        const std::string path = Write("hostile.dat", NoteWithAttachment(name, BytesOf("data")));
        const CliResult result = Run({"extract", path, folder});
        ASSERT_EQ(result.status, 0) << result.err;
    }
    // A right-to-left override in a UTF-8 message would make "invoicefdp.exe" read as a PDF.
    const std::string path =
        Write("rlo.dat", NoteWithAttachment("invoice\xE2\x80\xAE" "fdp.exe", BytesOf("data"), 65001));
    ASSERT_EQ(Run({"extract", path, folder}).status, 0);
    EXPECT_NE(Run({"tree", path}).out.find("invoice\\u{202E}fdp.exe"), std::string::npos);

    // A name too long for a folder entry loses its middle and keeps its extension.
    const std::string shortened = std::string(124, 'n') + "\xE2\x80\xA6" + std::string(124, 'n') + ".pdf";
    const std::set<std::string> expected = {"x", "passwd", shortened, "[31mred.txt",
                                            "invoicefdp.exe", "d\xC3\xB6" "cument.pdf", "attachment-1.dat"};
    std::set<std::string> found;
    for (const std::string& name : {std::string("x"), std::string("passwd"), shortened,
                                    std::string("[31mred.txt"), std::string("invoicefdp.exe"),
                                    std::string("d\xC3\xB6" "cument.pdf"), std::string("attachment-1.dat")}) {
        if (FileExists(folder + "/" + name)) {
            found.insert(name);
        }
    }
    EXPECT_EQ(found, expected);
    EXPECT_FALSE(FileExists(Scratch() + "x"));
}

TEST_F(Cli, ExtractNumbersDuplicatesAndNeverFollowsPlantedLinks)
{
    const std::string folder = Scratch() + "planted";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    const std::string victim = Scratch() + "victim";
    WriteFile(victim, std::string("keep"));
    ASSERT_EQ(::symlink(victim.c_str(), (folder + "/a.txt").c_str()), 0);
    const std::string path = Write("note.dat", NoteWithAttachment("a.txt", BytesOf("new")));
    CliResult result = Run({"extract", path, folder});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "3\ta (2).txt\n");
    result = Run({"extract", path, folder});
    EXPECT_EQ(result.out, "3\ta (3).txt\n");
    EXPECT_EQ(ReadFile(victim), BytesOf("keep"));
}

namespace {

// A hostile stream, what pallion-cli must say about it, and where.
struct HostileStream {
    const char* name;
    ByteVector bytes;
    int status;           // of tree and extract; check gives 1 or 3 for the same file
    std::uint64_t offset; // of the first problem
    std::string problem;  // the start of its message
};

HostileStream AttributePastTheEnd()
{
    TnefBuilder builder;
    builder.Header().MessageAttribute(attSubject, "Hi");
    const std::uint64_t at = builder.Offset();
    builder.RecordHead(LVL_ATTACHMENT, attAttachData, 1000).Raw(Pattern(10));
    return {"AttributePastTheEnd", builder.Bytes(), tools::kExitDamaged, at,
            "attribute attAttachData (0X0006800F) of 1000 bytes reaches past the end"};
}

HostileStream ValuePastItsAttribute()
{
    TnefBuilder builder;
    builder.Header().MessageAttribute(attSubject, "Hi");
    // The value follows the record's 9 bytes, the list's count, the tag and the value count.
    const std::uint64_t at = builder.Offset() + 9 + 12;
    builder.MessageProperties(PropertyList().CountedRaw(PR_SUBJECT, 500, BytesOf("Hi")));
    builder.MessageAttribute(attBody, std::string(600, 'b'));
    return {"ValuePastItsAttribute", builder.Bytes(), tools::kExitDamaged, at,
            "value 1 of PR_SUBJECT (500 bytes) reaches past the end of its attribute"};
}

HostileStream ListCutShort()
{
    TnefBuilder builder;
    builder.Header();
    // The second property would follow the first one's tag and value.
    const std::uint64_t at = builder.Offset() + 9 + 4 + 8;
    builder.MessageProperties(PropertyList().Long(PR_MESSAGE_FLAGS, 1).Count(3));
    return {"ListCutShort", builder.Bytes(), tools::kExitDamaged, at,
            "list cut short: it counts 3 items, property 2 would begin past the end"};
}

const HostileStream kHostileStreams[] = {
    {"Empty", {}, tools::kExitFailure, 0, "the file is empty"},
    {"RandomBytes", Pattern(3000, 0x41), tools::kExitFailure, 0, "wrong signature 0X44434241"},
    {"TextFile", BytesOf("Dear all,\nthe minutes are attached.\n"), tools::kExitFailure, 0,
     "wrong signature 0X72616544 (a TNEF stream starts with 0X223E9F78) and no attribute record"},
    {"WrongSignature", TnefBuilder().Header(0x12345678).MessageAttribute(attSubject, "Hi").Bytes(),
     tools::kExitDamaged, 0, "wrong signature 0X12345678 (a TNEF stream starts with 0X223E9F78)"},
    {"TrailingBytes", TnefBuilder().Header().MessageAttribute(attSubject, "Hi").Raw(BytesOf("junk")).Bytes(),
     tools::kExitDamaged, 20, "4 trailing bytes after the last attribute record"},
    AttributePastTheEnd(),
    ValuePastItsAttribute(),
    ListCutShort(),
};

class HostileStreams : public Cli, public ::testing::WithParamInterface<HostileStream> {};

} // namespace

TEST_P(HostileStreams, ExitStatusAndOffsetTellWhatIsWrong)
{
    const HostileStream& stream = GetParam();
    const std::string path = Write("hostile.dat", stream.bytes);
    const CliResult tree = Run({"tree", path});
    EXPECT_EQ(tree.status, stream.status);
    if (stream.status == tools::kExitDamaged) {
        EXPECT_NE(tree.err.find("damaged input at byte " + std::to_string(stream.offset) + ": " +
                                stream.problem),
                  std::string::npos)
            << tree.err;
    } else {
        EXPECT_NE(tree.err.find("is not a TNEF stream: " + stream.problem), std::string::npos)
            << tree.err;
    }
    EXPECT_EQ(Run({"extract", path, Scratch() + "hostile-out"}).status, stream.status);
    EXPECT_EQ(Run({"checksum", path}).status, stream.status);

    const CliResult check = Run({"check", path});
    EXPECT_EQ(check.status, stream.status == tools::kExitDamaged ? tools::kExitProblemsFound
                                                                 : tools::kExitFailure);
    EXPECT_EQ(check.out.rfind(std::to_string(stream.offset) + "\tproblem\t" + stream.problem, 0),
              0u)
        << check.out;
}

INSTANTIATE_TEST_SUITE_P(Cli, HostileStreams, ::testing::ValuesIn(kHostileStreams),
                         [](const ::testing::TestParamInfo<HostileStream>& row) {
                             return std::string(row.param.name);
                         });

TEST_F(Cli, CheckListsNotesAndStaysCleanForThem)
{
    const std::string path = Write("note.dat", TnefBuilder()
                                                   .Header()
                                                   .MessageAttribute(0x00069999, BytesOf("x"))
                                                   .Bytes());
    const CliResult check = Run({"check", "--json", path});
    EXPECT_EQ(check.status, tools::kExitOk);
    EXPECT_EQ(check.out, "[\n {\"offset\": 6, \"severity\": \"note\", \"message\": \"attribute "
                         "0X00069999 is named by no table\"}\n]\n");
    EXPECT_EQ(Run({"tree", path}).status, tools::kExitOk);
}

// A compressed RTF body that breaks off: its header is right and its literal runs go on
// without the end mark, or its header is wrong.
ByteVector BrokenRtfBody(bool header)
{
    ByteVector body = {0, 0, 0, 0, 0, 0, 0, 0, 'L', 'Z', 'F', 'u', 0, 0, 0, 0};
    if (!header) {
        body[8] = 'X';
    }
    for (int run = 0; run < 8192; ++run) {
        const ByteVector literals = BytesOf("{\\rtf1 ");
        body.push_back(0);
        body.insert(body.end(), literals.begin(), literals.end());
    }
    const std::uint32_t size = static_cast<std::uint32_t>(body.size() - 4);
    for (int i = 0; i < 4; ++i) {
        body[i] = static_cast<std::uint8_t>(size >> (8 * i));
    }
    return body;
}

TEST_F(Cli, DamagedBodyLeavesNoOutputAndNamesTheCause)
{
    const std::string out = Scratch() + "body.rtf";
    for (const bool header : {true, false}) {
        const std::string path = Write("broken.dat", TnefBuilder()
                                                         .Header()
                                                         .MessageProperties(PropertyList().Binary(
                                                             PR_RTF_COMPRESSED, BrokenRtfBody(header)))
                                                         .Bytes());
        CliResult result = Run({"body", path, out});
        EXPECT_EQ(result.status, tools::kExitFailure);
        EXPECT_FALSE(FileExists(out));
        EXPECT_EQ(result.err, header ? "pallion-cli: the compressed RTF body is damaged or cut short (0X80004004)\n"
                                     : "pallion-cli: the compressed RTF body is damaged: its header is corrupt (0X8004011B)\n");
        // A file that was there stays as it was.
        WriteFile(out, std::string("earlier"));
        result = Run({"body", "--format", "text", path, out});
        EXPECT_EQ(result.status, tools::kExitFailure);
        EXPECT_EQ(ReadFile(out), BytesOf("earlier"));
        ::unlink(out.c_str());
    }
    EXPECT_EQ(TempFolderEntries(), std::set<std::string>());
}

TEST_F(Cli, MessagesNameTheCause)
{
    const std::string msg = Write("plain.msg", BytesOf("not a compound file"));
    CliResult result = Run({"convert", msg, Scratch() + "out.tnef"});
    EXPECT_EQ(result.err, "pallion-cli: " + msg + " is not a compound file, so it is no Outlook .msg file (0X80030050)\n");
    EXPECT_FALSE(FileExists(Scratch() + "out.tnef"));
    result = Run({"tree", Write("plain.eml", BytesOf("Subject: hi\n\nno attachment\n"))});
    EXPECT_EQ(result.err, "pallion-cli: " + Scratch() + "plain.eml is no mail with a TNEF part "
                          "(application/ms-tnef) (0X8004010F)\n");
    const std::string saved = platform::TempFolder();
    ::setenv("TMPDIR", (Scratch() + "missing").c_str(), 1);
    result = Run({"tree", Scratch() + "plain.eml"});
    ::setenv("TMPDIR", saved.c_str(), 1);
    EXPECT_EQ(result.err, "pallion-cli: cannot use the temporary folder " + Scratch() +
                              "missing/: No such file or directory (0X80070002)\n");
    EXPECT_EQ(result.status, tools::kExitFailure);
}

TEST(CliProgram, FailedOutputIsAFailureAndAClosedPipeIsAQuietOne)
{
    const std::string sample = std::string(PALLION_SOURCE_DIR) + "/samples/sample.tnef";
    const std::string cli = "'" PALLION_BIN_DIR "/pallion-cli' ";
    const std::string err = Scratch() + "stderr.txt";
    EXPECT_EQ(WEXITSTATUS(std::system((cli + "tree '" + sample + "' > /dev/full 2> '" + err + "'").c_str())), 1);
    EXPECT_EQ(ReadFile(err), BytesOf("pallion-cli: cannot write the output: No space left on device (0X8007001C)\n"));

    const std::string big = Scratch() + "big.dat";
    WriteFile(big, NoteWithAttachment("big.bin", Pattern(1 << 20)));
    const std::string piped = "bash -c \"" + cli + "hex '" + big + "' 0.2 2> '" + err +
                              "' | head -c 10 > /dev/null; exit \\${PIPESTATUS[0]}\"";
    EXPECT_EQ(WEXITSTATUS(std::system(piped.c_str())), 1);
    EXPECT_TRUE(ReadFile(err).empty());
}

TEST(CliProgram, RunsWithoutAWritableConfigurationFolder)
{
    const std::string home = Scratch() + "readonly-home";
    ASSERT_EQ(::mkdir(home.c_str(), 0500), 0);
    const std::string sample = std::string(PALLION_SOURCE_DIR) + "/samples/sample.tnef";
    const std::string command = "env -u PALLION_REGISTRY -u XDG_CONFIG_HOME -u PALLION_LIBDIR HOME='" + home +
                                "' '" PALLION_BIN_DIR "/pallion-cli' tree '" + sample + "' > /dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

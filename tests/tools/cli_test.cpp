// pallion-cli end to end: golden output, exit statuses and hostile attachment names.
#include <cstdlib>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/test_files.h"
#include "tests/support/tnef_builder.h"
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

TEST(CliProgram, RunsWithoutAWritableConfigurationFolder)
{
    const std::string home = Scratch() + "readonly-home";
    ASSERT_EQ(::mkdir(home.c_str(), 0500), 0);
    const std::string sample = std::string(PALLION_SOURCE_DIR) + "/samples/sample.tnef";
    const std::string command = "env -u PALLION_REGISTRY -u XDG_CONFIG_HOME -u PALLION_LIBDIR HOME='" + home +
                                "' '" PALLION_BIN_DIR "/pallion-cli' tree '" + sample + "' > /dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

// The application's decisions without a display: command-line files, dialog filters, the
// recent-file list, and which attachments are never handed to the desktop.
#include "viewer/doc/frame/app_commands.h"

#include <gtest/gtest.h>

#include "viewer/doc/frame/safe_open.h"
#include "viewer/doc/frame/tool_commands.h"

namespace viewer::doc::frame {
namespace {

TEST(CommandLine, OptionsOpenNothingAndDoubleDashEndsThem)
{
    EXPECT_EQ(FilesToOpen({"-platform", "offscreen", "/abs/winmail.dat", "--print", "rel.msg"}),
              (std::vector<std::string>{"offscreen", "/abs/winmail.dat", "rel.msg"}));
    EXPECT_EQ(FilesToOpen({"--", "-odd name.tnef", "--"}),
              (std::vector<std::string>{"-odd name.tnef", "--"}));
    EXPECT_TRUE(FilesToOpen({"/dde", "-Embedding"}).size() == 1u); // "/dde" is a path here
}

TEST(DialogFilters, FiltersReadAsEntriesThatShowEveryFile)
{
    EXPECT_EQ(OpenDialogFilter(), "Message files (*.dat;*.msg)|*.dat;*.msg|All Files (*.*)|*.*||");
    const auto open = SplitDialogFilter(OpenDialogFilter());
    ASSERT_EQ(open.size(), 2u);
    EXPECT_EQ(open[0], (DialogFilterEntry{"Message files (*.dat;*.msg)", {"*.dat", "*.msg"}}));
    EXPECT_EQ(open[1], (DialogFilterEntry{"All Files (*.*)", {"*"}}));
    EXPECT_EQ(NameFilterText(open[0]), "Message files (*.dat *.msg)");
    EXPECT_EQ(NameFilterText(open[1]), "All Files (*)");

    const auto save = SplitDialogFilter(PlanSaveData("report.pdf").filter);
    ASSERT_EQ(save.size(), 2u);
    EXPECT_EQ(NameFilterText(save[0]), "(*.pdf)");
    EXPECT_TRUE(SplitDialogFilter("").empty());
    EXPECT_TRUE(SplitDialogFilter("||").empty());
    EXPECT_EQ(SplitDialogFilter("Odd|").size(), 1u); // a label without patterns ends the list
}

TEST(RecentFiles, NewestFirstEachOnceAtMostFour)
{
    RecentFileList list({"/a", "", "/b", "/a"});
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/a", "/b"}));
    for (const char* path : {"/c", "/d", "/e", "/b"}) {
        list.Add(path);
    }
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/b", "/e", "/d", "/c"}));
    list.Remove("/e");
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/b", "/d", "/c"}));

    EXPECT_EQ(RecentFileMenuText(0, "/home/ann/R&D.dat"), "&1 /home/ann/R&&D.dat");
    EXPECT_EQ(RecentFileMenuText(3, "/x/a\x1B"
                                    "b"),
              "&4 /x/a\\x1Bb");
}

struct ProgramCase {
    const char* label;
    std::vector<FileType> types;
    const char* name;
    bool program;
};

void PrintTo(const ProgramCase& row, std::ostream* out)
{
    *out << row.label;
}

class SafeOpen : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(SafeOpen, DecidesByTypeAncestryAndName)
{
    EXPECT_EQ(RunsAsProgram(GetParam().types, GetParam().name), GetParam().program);
}

const FileType kText{"text/plain", {}};

INSTANTIATE_TEST_SUITE_P(
    Attachments, SafeOpen,
    ::testing::Values(
        ProgramCase{
            "ElfUnderATextName", {kText, {"application/x-executable", {}}}, "notes.txt", true},
        ProgramCase{"SharedLibrary", {{"application/x-sharedlib", {}}}, "libx.so", true},
        ProgramCase{"CShellScriptByAncestry",
                    {{"application/x-csh", {"application/x-shellscript", "text/plain"}}},
                    "a",
                    true},
        ProgramCase{"JsonIsData",
                    {{"application/json", {"application/javascript", "application/x-executable"}}},
                    "data.json",
                    false},
        ProgramCase{"Launcher", {{"application/x-desktop", {"text/plain"}}}, "x.desktop", true},
        ProgramCase{"AndroidPackageIsAJar",
                    {{"application/vnd.android.package-archive", {"application/x-java-archive"}}},
                    "a.apk",
                    true},
        ProgramCase{"DiskImage",
                    {{"application/x-cd-image", {"application/x-raw-disk-image"}}},
                    "disk.iso",
                    true},
        ProgramCase{
            "DebianPackage", {{"application/vnd.debian.binary-package", {}}}, "p.deb", true},
        ProgramCase{"WindowsBatchUnknownToTheDatabase", {kText}, "run.BAT", true},
        ProgramCase{"TrailingDotStillRuns", {kText}, "setup.exe. ", true},
        ProgramCase{"PlainText", {kText}, "notes.txt", false},
        ProgramCase{"Pdf", {{"application/pdf", {}}}, "report.pdf", false},
        ProgramCase{"NoNameNoType", {}, "", false}),
    [](const auto& row) { return std::string(row.param.label); });

} // namespace
} // namespace viewer::doc::frame

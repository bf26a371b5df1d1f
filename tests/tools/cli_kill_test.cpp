// pallion-cli killed while it decodes a large mail: SIGTERM removes its private temporary
// folder at once; after SIGKILL, which nothing can catch, the next start removes it. Either
// way no copy of the mail is left, and the folder of the process that started it is kept.
// A process that ends normally removes its folder too.
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "platform/private_temp.h"
#include "tests/gimlet/mail_builder.h"
#include "tests/support/test_files.h"

using namespace testing_support;

namespace {

// The private folders of process `pid` in the temporary folder, each with the number of files
// in it.
std::vector<std::pair<std::string, int>> FoldersOf(pid_t pid)
{
    const std::string prefix = "tnf" + std::to_string(pid) + ".";
    std::vector<std::pair<std::string, int>> folders;
    if (DIR* dir = ::opendir(TempDir().c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            if (std::string(entry->d_name).rfind(prefix, 0) == 0) {
                folders.emplace_back(entry->d_name, 0);
            }
        }
        ::closedir(dir);
    }
    for (auto& [name, files] : folders) {
        if (DIR* dir = ::opendir((TempDir() + name).c_str())) {
            while (const dirent* entry = ::readdir(dir)) {
                files += entry->d_name[0] != '.';
            }
            ::closedir(dir);
        }
    }
    return folders;
}

// A mail whose TNEF part is 40 MB: decoding it takes long enough to be caught at it. Written
// a block at a time, never held whole.
const std::string& LargeMail()
{
    static const std::string path = [] {
        const std::string mail = Scratch() + "large.eml";
        std::ofstream out(mail, std::ios::binary);
        out << "From: a@example.org\nSubject: large\nMIME-Version: 1.0\n"
               "Content-Type: multipart/mixed; boundary=\"b\"\n\n--b\n"
               "Content-Type: application/ms-tnef; name=\"winmail.dat\"\n"
               "Content-Transfer-Encoding: base64\n\n";
        gimlet_test::Bytes block = gimlet_test::SampleTnef(57 * 1024);
        for (int i = 0; i < 700; ++i) {
            out << gimlet_test::Base64(block);
            block[0] = 0x41; // the signature once
        }
        out << "--b--\n";
        return mail;
    }();
    return path;
}

pid_t StartCli(const std::vector<std::string>& words)
{
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        std::vector<char*> argv;
        for (const std::string& word : words) {
            argv.push_back(const_cast<char*>(word.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(PALLION_BIN_DIR "/pallion-cli", argv.data());
        ::_exit(127);
    }
    return child;
}

// Polls until the child's private folder holds a file (the mail being decoded into it); false
// when the child ended first.
bool CaughtWritingItsCopy(pid_t child)
{
    for (;;) {
        for (const auto& [name, files] : FoldersOf(child)) {
            if (files > 0) {
                return true;
            }
        }
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child) {
            return false;
        }
        ::usleep(500);
    }
}

class KilledCli : public ::testing::TestWithParam<int> {};

} // namespace

TEST_P(KilledCli, LeavesNoCopyOfTheMailOnceTheNextStartHasRun)
{
    const int signal = GetParam();
    // The child inherits this process's record of its folder and must make a folder of its own.
    const std::string ours = PrivateTempDir();
    const pid_t child = StartCli({"pallion-cli", "tree", LargeMail()});
    ASSERT_TRUE(CaughtWritingItsCopy(child)) << "the mail was decoded before it could be caught";
    ASSERT_EQ(::kill(child, signal), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    // SIGTERM is caught and cleans up; SIGKILL cannot be.
    EXPECT_EQ(FoldersOf(child).empty(), signal == SIGTERM);

    // The next start, which also removes its own folder when it ends.
    const std::string sample = std::string(PALLION_SOURCE_DIR) + "/samples/sample.tnef";
    const std::string mail = Scratch() + "sample.eml";
    WriteFile(mail, gimlet_test::MultipartMail({gimlet_test::TnefPart(ReadFile(sample))}));
    const pid_t next = StartCli({"pallion-cli", "tree", mail});
    ASSERT_EQ(::waitpid(next, &status, 0), next);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(FoldersOf(child).empty());
    EXPECT_TRUE(FoldersOf(next).empty());
    EXPECT_TRUE(FileExists(ours));
}

INSTANTIATE_TEST_SUITE_P(Cli, KilledCli, ::testing::Values(SIGTERM, SIGKILL),
                         [](const ::testing::TestParamInfo<int>& row) {
                             return std::string(row.param == SIGTERM ? "Terminated" : "Killed");
                         });

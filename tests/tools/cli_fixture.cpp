#include "tests/tools/cli_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "tests/support/test_files.h"
#include "tools/cli.h"

namespace testing_support {

void CliTest::SetUp()
{
    ::setenv("PALLION_LIBDIR", PALLION_BIN_DIR, 1);
    viewer::doc::app::StartUp(&m_app.Context());
}

void CliTest::TearDown() { viewer::doc::app::ShutDown(&m_app.Context()); }

CliResult CliTest::Run(const std::vector<std::string>& arguments)
{
    std::vector<std::string> words = {"pallion-cli"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    std::ostringstream out;
    std::ostringstream err;
    CliResult result;
    result.status = tools::RunCli(static_cast<int>(words.size()), argv.data(), out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

std::string Sha256Of(const std::string& path, const std::vector<std::uint8_t>& prefix)
{
    std::string file = path;
    if (!prefix.empty()) {
        std::vector<std::uint8_t> bytes = prefix;
        const std::vector<std::uint8_t> rest = ReadFile(path);
        bytes.insert(bytes.end(), rest.begin(), rest.end());
        file = TempDir() + "prefixed.bin";
        WriteFile(file, bytes);
    }
    const std::string command = "sha256sum '" + file + "'";
    std::string digest;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[65] = {};
        if (std::fread(buffer, 1, 64, pipe) == 64) {
            digest = buffer;
        }
        ::pclose(pipe);
    }
    return digest;
}

} // namespace testing_support

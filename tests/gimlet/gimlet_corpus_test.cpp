// GimletExtractTnef over the sample mails of the shared corpus (skipped without it).
#include "gimlet/include/gimlet.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/status.h"
#include "tests/gimlet/sha256.h"
#include "tests/support/test_files.h"

namespace {

struct Expected {
    std::size_t size;
    const char* sha256;
};

// The application/ms-tnef part of each sample mail, as published with the samples.
const std::map<std::string, Expected>& KnownParts()
{
    static const std::map<std::string, Expected> parts = {
        {"horde-Itip_Reply.eml",
         {10764, "3d279a6f0f5ac6aa3f44823d392fefc46ae36504e7dbd34e4fb88e889749584c"}},
        {"rich-text.eml",
         {821421, "ee87ed34b7b4df2b2998febe65753e733edea8f7b2ced03d4afec765f74046f8"}},
        {"roundcube-tnef1.eml",
         {2272, "7911d4628f886826229a46a95a4f86907125c75f0df6bbcb8f195e0f22596bb5"}},
        {"roundcube-tnef3.eml",
         {98184, "058fea7a0e60c0c163cbab6e32322ad2d20b04aaefb63e2e2ee363f9690fcd20"}},
        {"ukr.eml", {9566, "880bde64ee294e0670d4ef770c6b2e8a126df535ef0ed573292254383fb51ec3"}},
    };
    return parts;
}

TEST(GimletCorpus, Sha256MatchesKnownDigests)
{
    EXPECT_EQ(gimlet_test::Sha256Hex({}),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    const std::string abc = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    EXPECT_EQ(gimlet_test::Sha256Hex({abc.begin(), abc.end()}),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(GimletCorpus, ExtractsThePartOfEverySampleMail)
{
    const std::filesystem::path folder = std::filesystem::path(PALLION_CORPUS_DIR) / "eml";
    if (!std::filesystem::is_directory(folder)) {
        GTEST_SKIP() << "no sample corpus at " << folder;
    }
    const auto before = testing_support::TempFolderEntries();
    std::size_t known = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".eml") {
            continue;
        }
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        char buffer[GIMLET_PATH_BUFFER_SIZE];
        const std::int32_t status = GimletExtractTnef(0, entry.path().c_str(), buffer);
        const auto expected = KnownParts().find(name);
        if (platform::Failed(status)) {
            EXPECT_EQ(expected, KnownParts().end()) << std::hex << status;
            EXPECT_EQ(status, platform::MAPI_E_NOT_FOUND) << std::hex << status;
            continue;
        }
        const auto bytes = testing_support::ReadFile(buffer);
        ::unlink(buffer);
        if (expected == KnownParts().end()) {
            // A sample this test does not know: whatever it found must at least be TNEF.
            ASSERT_GE(bytes.size(), 4u);
            EXPECT_EQ(std::memcmp(bytes.data(), "\x78\x9F\x3E\x22", 4), 0);
            continue;
        }
        ++known;
        EXPECT_EQ(bytes.size(), expected->second.size);
        EXPECT_EQ(gimlet_test::Sha256Hex(bytes), expected->second.sha256);
    }
    EXPECT_EQ(known, KnownParts().size()) << "every known sample was found and extracted";
    EXPECT_EQ(testing_support::TempFolderEntries(), before);
}

} // namespace

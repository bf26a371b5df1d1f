// Every message file of the sample corpus: converted into TNEF that our strict reader, the
// viewer's reader and the tnef tool all read to the end, or refused leaving nothing behind.
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/memory_stream.h"
#include "tests/convert/conversion_helpers.h"
#include "tests/support/test_files.h"
#include "tests/support/tnef_walk.h"
#include "viewer/doc/envelon_doc.h"

namespace testing_support {
namespace {

std::vector<std::string> CorpusMessages()
{
    std::vector<std::string> paths;
    const std::filesystem::path folder = std::filesystem::path(PALLION_CORPUS_DIR) / "msg";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".msg") {
            paths.push_back(entry.path().string());
        }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

TEST(MessageCorpus, EveryMessageFileConvertsOrFailsCleanly)
{
    const std::vector<std::string> paths = CorpusMessages();
    if (paths.empty()) {
        GTEST_SKIP() << "no corpus";
    }
    int converted = 0;
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const std::set<std::string> before = TempFolderEntries();
        const Conversion result = ConvertPath(path);
        if (result.status < 0) {
            EXPECT_TRUE(result.tnefPath.empty());
            EXPECT_EQ(TempFolderEntries(), before);
            continue;
        }
        ++converted;
        ASSERT_TRUE(result.error.empty()) << result.error;
        for (const TnefRecord& record : result.tnef.records) {
            EXPECT_TRUE(record.checksumOk);
            std::string error;
            if (record.id == 0x00069003 || record.id == 0x00069005) {
                EXPECT_TRUE(ParsePropertyList(record.data, &error)) << error;
            } else if (record.id == 0x00069004) {
                EXPECT_TRUE(ParseRecipientTable(record.data, &error)) << error;
            }
        }
        viewer::doc::CEnvelonDoc doc;
        doc.AttachStream(platform::CreateMemoryStream(result.bytes), "corpus.dat");
        const WalkSummary summary = WalkStream(doc);
        EXPECT_EQ(summary.attributes, result.tnef.records.size());

        const std::string folder = Scratch() + "corpus-out";
        std::filesystem::remove_all(folder);
        std::filesystem::create_directory(folder);
        EXPECT_EQ(RunCommand("tnef --number-backups -C '" + folder + "' '" + result.tnefPath +
                             "' > /dev/null 2>&1"),
                  0);
        std::filesystem::remove(result.tnefPath);
    }
    EXPECT_GT(converted, 0);
}

} // namespace
} // namespace testing_support

// Inflates every compressed RTF value in the shared corpus and compares it with the text
// kept beside it; values without a text beside them are damaged and must be refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/viewer/rtf/compressed_rtf_support.h"

using namespace rtf_test;
using platform::ComPtr;
using platform::IStream;

namespace {

namespace fs = std::filesystem;

const fs::path kRtfFolder = fs::path(PALLION_CORPUS_DIR) / "rtf";

Bytes Load(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

std::vector<fs::path> Values()
{
    std::vector<fs::path> values;
    for (const auto& entry : fs::directory_iterator(kRtfFolder)) {
        if (entry.path().extension() == ".bin") {
            values.push_back(entry.path());
        }
    }
    std::sort(values.begin(), values.end());
    return values;
}

// The whole text through CopyTo, as the body extraction does it.
platform::StatusCode CopyOut(const Bytes& value, Bytes* text)
{
    auto source = platform::CreateMemoryStream(value);
    ComPtr<IStream> stream;
    const platform::StatusCode status =
        viewer::rtf::OpenCompressedRtfStream(source.Get(), 0, stream.Put());
    if (platform::Failed(status)) {
        return status;
    }
    auto target = platform::MemoryStream::Create();
    const platform::StatusCode copied = stream->CopyTo(target.Get(), UINT64_MAX, nullptr, nullptr);
    *text = target->Bytes();
    return copied;
}

} // namespace

TEST(CompressedRtfCorpus, InflatesEveryValueToTheTextBesideIt)
{
    if (!fs::is_directory(kRtfFolder)) {
        GTEST_SKIP() << "no corpus at " << kRtfFolder;
    }
    int checked = 0;
    for (const fs::path& bin : Values()) {
        fs::path rtf = bin;
        rtf.replace_extension(".rtf");
        if (!fs::exists(rtf)) {
            continue;
        }
        const Bytes value = Load(bin);
        const Bytes expected = Load(rtf);
        Bytes text;
        EXPECT_EQ(CopyOut(value, &text), platform::S_OK) << bin.filename();
        EXPECT_EQ(text, expected) << bin.filename();
        // Small reads give the same text.
        const Inflated bytewise = Inflate(value, 7);
        EXPECT_EQ(bytewise.text, expected) << bin.filename();
        // Our own compressed form of the text gives it back too.
        EXPECT_EQ(Inflate(Deflate(expected)).text, expected) << bin.filename();
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

TEST(CompressedRtfCorpus, RefusesTheDamagedValues)
{
    if (!fs::is_directory(kRtfFolder)) {
        GTEST_SKIP() << "no corpus at " << kRtfFolder;
    }
    int checked = 0;
    for (const fs::path& bin : Values()) {
        fs::path rtf = bin;
        rtf.replace_extension(".rtf");
        if (fs::exists(rtf)) {
            continue;
        }
        Bytes text;
        EXPECT_TRUE(platform::Failed(CopyOut(Load(bin), &text))) << bin.filename();
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

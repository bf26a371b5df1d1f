#include "platform/memory_stream.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(MemoryStream, ReadsShortAtTheEndThenNothing)
{
    auto stream = CreateMemoryStream({1, 2, 3, 4, 5, 6});
    std::uint8_t buffer[10] = {};
    std::uint32_t done = 0;
    ASSERT_EQ(stream->Seek(2, STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(stream->Read(buffer, 10, &done), S_OK);
    EXPECT_EQ(done, 4u);
    EXPECT_EQ(buffer[0], 3);
    EXPECT_EQ(stream->Read(buffer, 10, &done), S_OK);
    EXPECT_EQ(done, 0u);
}

TEST(MemoryStream, WritesGrowAndCopyToMovesBytes)
{
    auto source = MemoryStream::Create();
    std::uint32_t done = 0;
    ASSERT_EQ(source->Write("abcdef", 6, &done), S_OK);
    ASSERT_EQ(source->Seek(1, STREAM_SEEK_SET, nullptr), S_OK);
    auto target = MemoryStream::Create();
    std::uint64_t read = 0;
    std::uint64_t written = 0;
    ASSERT_EQ(source->CopyTo(target.Get(), 3, &read, &written), S_OK);
    EXPECT_EQ(read, 3u);
    EXPECT_EQ(written, 3u);
    EXPECT_EQ(std::string(target->Bytes().begin(), target->Bytes().end()), "bcd");
    std::uint64_t position = 0;
    ASSERT_EQ(source->Seek(0, STREAM_SEEK_CUR, &position), S_OK);
    EXPECT_EQ(position, 4u);
    EXPECT_EQ(source->Seek(-5, STREAM_SEEK_CUR, nullptr), E_INVALIDARG);
}

TEST(ComPtr, CountsReferences)
{
    auto stream = MemoryStream::Create();
    {
        ComPtr<MemoryStream> copy = stream;
        EXPECT_EQ(stream->AddRef(), 3u);
        stream->Release();
    }
    ComPtr<IStream> face;
    ASSERT_EQ(stream.As(IID_IStream, &face), S_OK);
    EXPECT_EQ(stream->AddRef(), 3u);
    stream->Release();
}

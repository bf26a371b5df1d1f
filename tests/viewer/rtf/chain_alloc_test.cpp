#include "viewer/rtf/chain_alloc.h"

#include <gtest/gtest.h>

using namespace viewer::rtf;
using platform::E_POINTER;
using platform::S_OK;

TEST(ChainAlloc, RejectsZeroSizesAndMissingArguments)
{
    void* root = reinterpret_cast<void*>(1);
    EXPECT_EQ(ChainAllocBuffer(0, &root), E_POINTER);
    EXPECT_EQ(root, reinterpret_cast<void*>(1)); // untouched
    EXPECT_EQ(ChainAllocBuffer(8, nullptr), E_POINTER);
    ASSERT_EQ(ChainAllocBuffer(8, &root), S_OK);
    void* child = nullptr;
    EXPECT_EQ(ChainAllocMore(0, root, &child), E_POINTER);
    EXPECT_EQ(ChainAllocMore(8, nullptr, &child), E_POINTER);
    EXPECT_EQ(ChainAllocMore(8, root, nullptr), E_POINTER);
    EXPECT_EQ(ChainFreeBuffer(nullptr), E_POINTER);
    EXPECT_EQ(ChainFreeBuffer(root), S_OK);
}

TEST(ChainAlloc, ChildTableGrowsBy1024AndOneFreeReleasesAll)
{
    void* root = nullptr;
    ASSERT_EQ(ChainAllocBuffer(16, &root), S_OK);
    EXPECT_EQ(ChainHeaderOf(root)->capacity, 0u);
    EXPECT_EQ(ChainHeaderOf(root)->children, nullptr);
    for (int i = 0; i < 1025; ++i) {
        void* child = nullptr;
        ASSERT_EQ(ChainAllocMore(4, root, &child), S_OK);
        static_cast<unsigned char*>(child)[3] = 0xAB; // the child is usable
        if (i == 0) {
            EXPECT_EQ(ChainHeaderOf(root)->capacity, 1024u);
        }
    }
    EXPECT_EQ(ChainHeaderOf(root)->capacity, 2048u);
    EXPECT_EQ(ChainHeaderOf(root)->count, 1025u);
    EXPECT_EQ(ChainFreeBuffer(root), S_OK); // the sanitizer build reports any leak
}

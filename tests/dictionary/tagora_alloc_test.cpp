// TagoraInit when memory runs out part-way through building: it must report 0, store
// nothing and leak nothing (the sanitizer build checks the last point at exit). The
// program replaces the global allocation functions, which the library's calls reach too,
// so it stays apart from the other dictionary tests.
#include "dictionary/include/tagora.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include <gtest/gtest.h>

namespace {

// Allocations allowed before the next one fails; negative means no limit.
std::atomic<long> g_allocationsLeft{-1};

void* Allocate(std::size_t size)
{
    long left = g_allocationsLeft.load();
    while (left >= 0) {
        if (left == 0) {
            throw std::bad_alloc();
        }
        if (g_allocationsLeft.compare_exchange_weak(left, left - 1)) {
            break;
        }
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

TEST(TagoraInitOutOfMemory, FailsCleanlyAtEveryAllocation)
{
    auto* const untouched = reinterpret_cast<TagoraHandle>(0x1234);
    long failures = 0;
    for (long allowed = 0;; ++allowed) {
        TagoraHandle handle = untouched;
        g_allocationsLeft = allowed;
        const int32_t result = TagoraInit(&handle);
        g_allocationsLeft = -1;
        if (result == 1) {
            ASSERT_NE(handle, untouched);
            char buffer[16] = {};
            EXPECT_EQ(TagoraGet(handle, 0x3A4D0002, buffer, 15), 1);
            EXPECT_STREQ(buffer, "PR_GENDER");
            EXPECT_EQ(TagoraClose(handle), 1);
            break;
        }
        ASSERT_EQ(result, 0);
        ASSERT_EQ(handle, untouched) << "after " << allowed << " allocations";
        ++failures;
    }
    // One map node per entry at least: the loop really failed inside the fill.
    EXPECT_GT(failures, 580);
}

} // namespace

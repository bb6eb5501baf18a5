#include "platform/Allocator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <string>
#include <thread>
#include <vector>

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kOwnAllocator = true; // the sanitizer's allocator ignores glibc's settings
#else
constexpr bool kOwnAllocator = false;
#endif

std::size_t MappedBytes() {
    return mallinfo2().hblkhd;
}

// How many heaps malloc_info reports.
int HeapCount() {
    char* text = nullptr;
    std::size_t size = 0;
    FILE* f = open_memstream(&text, &size);
    malloc_info(0, f);
    std::fclose(f);
    int heaps = 0;
    for (std::string s(text, size); s.find("<heap nr=") != std::string::npos;)
        s.erase(0, s.find("<heap nr=") + 1), ++heaps;
    std::free(text);
    return heaps;
}

} // namespace

// A block the size of a decode ring, freed and taken again, is mapped again: by default glibc raises its
// threshold past a freed mapped block, and from then on such blocks stay in the heap as holes. Threads
// that allocate at the same time do not get heaps of their own.
TEST(Allocator, LargeBlocksStayMappedAndThreadsShareOneHeap) {
    if (kOwnAllocator)
        GTEST_SKIP() << "built with a sanitizer";
    ASSERT_TRUE(platform::SetUpAllocator());
    constexpr std::size_t kBlock = 1 << 20;
    for (int round = 0; round < 3; ++round) {
        const std::size_t before = MappedBytes();
        void* block = std::malloc(kBlock);
        ASSERT_NE(block, nullptr);
        static_cast<char*>(block)[0] = 1;
        EXPECT_GE(MappedBytes(), before + kBlock) << "round " << round;
        std::free(block);
        EXPECT_EQ(MappedBytes(), before) << "round " << round;
    }

    const int heapsBefore = HeapCount();
    std::atomic<bool> go{false};
    auto churn = [&go] {
        while (!go) {
        }
        for (int i = 0; i < 20000; ++i)
            std::free(std::malloc(64 + i % 512));
    };
    std::thread a(churn), b(churn), c(churn);
    go = true;
    a.join(), b.join(), c.join();
    EXPECT_EQ(HeapCount(), heapsBefore);
}

// A group switch frees many small blocks and takes as many again; the heap keeps the freed top instead
// of giving it back, so the resident size does not move with each switch.
TEST(Allocator, TheHeapKeepsItsFreedTop) {
    if (kOwnAllocator)
        GTEST_SKIP() << "built with a sanitizer";
    ASSERT_TRUE(platform::SetUpAllocator());
    std::vector<void*> blocks;
    for (int i = 0; i < 4096; ++i) {
        blocks.push_back(std::malloc(1000));
        ASSERT_NE(blocks.back(), nullptr);
    }
    const std::size_t held = mallinfo2().arena;
    // Lowest first: the first few freed wait in the thread's cache, the rest join the top.
    for (void* block : blocks)
        std::free(block);
    EXPECT_GE(mallinfo2().arena, held);
}

#include "platform/Allocator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
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

// Under an address-space limit the probe tells a start whether it has room, and keeps nothing.
TEST(Allocator, TheAddressSpaceProbeSeesTheLimit) {
    if (kOwnAllocator)
        GTEST_SKIP() << "built with a sanitizer";
    constexpr std::size_t kMiB = 1024 * 1024;
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &saved), 0);
    EXPECT_TRUE(platform::HasAddressSpace(64 * kMiB));
    // The limit a little above what is mapped now: 64 MiB do not fit, 4 MiB do, again and again.
    std::size_t mapped = 0;
    {
        FILE* f = std::fopen("/proc/self/statm", "r");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fscanf(f, "%zu", &mapped), 1);
        std::fclose(f);
    }
    rlimit low = saved;
    low.rlim_cur = mapped * static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) + 16 * kMiB;
    ASSERT_EQ(setrlimit(RLIMIT_AS, &low), 0);
    const bool big = platform::HasAddressSpace(64 * kMiB);
    bool small = true;
    for (int i = 0; i < 10; ++i)
        small = small && platform::HasAddressSpace(4 * kMiB);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &saved), 0);
    EXPECT_FALSE(big);
    EXPECT_TRUE(small);
}

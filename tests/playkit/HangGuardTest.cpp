#include "HangGuard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

using playkit_test::CHangGuard;

TEST(CHangGuard, AStuckTestIsEndedSayingWhereAfterItsCleanUp) {
    std::atomic<int> cleaned{0}, ended{0};
    std::mutex mutex;
    std::string said;
    const auto say = [&](const std::string& line) {
        const std::lock_guard lock(mutex);
        said += line + "\n";
    };
    {
        CHangGuard guard(
            "Suite.Stuck", std::chrono::seconds(1), [&] { cleaned = 1 + ended; }, [&] { ended = 1; }, say);
        guard.Step("waiting for a server that never answers");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!ended && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // The guard's thread has been joined: said is this thread's alone again.
    ASSERT_EQ(ended, 1) << "the guard did not end the stuck test";
    EXPECT_EQ(cleaned, 1) << "the clean-up did not run before the end";
    EXPECT_NE(
        said.find("Suite.Stuck did not finish within 1 s; it was stuck at: waiting for a server that never "
                  "answers"),
        std::string::npos)
        << said;
    // A test that finishes in time goes on as if the guard were not there.
    {
        CHangGuard guard(
            "Suite.Quick", std::chrono::seconds(1), [&] { cleaned = 5; }, [&] { ended = 5; }, say);
    }
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(cleaned, 1);
}

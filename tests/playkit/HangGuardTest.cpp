#include "HangGuard.h"

#include <gtest/gtest.h>

#include <cstdio>

using playkit_test::CHangGuard;

TEST(CHangGuardDeathTest, AStuckTestEndsTheProgramSayingWhereAfterItsCleanUp) {
    // The child only starts the guard's thread and sleeps: forking without a new program is safe.
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_EXIT(
        {
            CHangGuard guard("Suite.Stuck", std::chrono::seconds(1),
                             [] { std::fprintf(stderr, "cleaned up\n"); });
            guard.Step("waiting for a server that never answers");
            std::this_thread::sleep_for(std::chrono::seconds(30));
        },
        ::testing::ExitedWithCode(1),
        "Suite.Stuck did not finish within 1 s; it was stuck at: waiting for a server that never "
        "answers.*cleaned up");
    // A test that finishes in time goes on as if the guard were not there.
    {
        CHangGuard guard("Suite.Quick", std::chrono::seconds(1), [] { std::abort(); });
    }
    SUCCEED();
}

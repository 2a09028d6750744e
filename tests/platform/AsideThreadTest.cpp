// Work aside: it is done by the time Wait returns, on a thread that began on
// another processor than its creator's, and that is free to go anywhere
// its creator may.
#include <gtest/gtest.h>
#include <sched.h>

#include <atomic>

#include "platform/AsideThread.h"

namespace inkvista {
namespace {

TEST(AsideThread, WorkBeginsOnAnotherProcessorAndIsDoneByWait) {
    cpu_set_t mine;
    ASSERT_EQ(sched_getaffinity(0, sizeof mine, &mine), 0);
    int checked = 0;
    for (int attempt = 0; attempt < 20; ++attempt) {
        std::atomic<int> began{-1};
        cpu_set_t its{};
        const int before = sched_getcpu();
        AsideThread aside([&] {
            began = sched_getcpu();
            sched_getaffinity(0, sizeof its, &its);
        });
        const int after = sched_getcpu();
        EXPECT_TRUE(aside.Started());
        aside.Wait();
        ASSERT_NE(began.load(), -1);
        EXPECT_TRUE(CPU_EQUAL(&its, &mine));
        // Only where this thread stayed put while the other was made.
        if (CPU_COUNT(&mine) > 1 && before == after) {
            EXPECT_NE(began.load(), before);
            ++checked;
        }
    }
    if (CPU_COUNT(&mine) > 1) {
        EXPECT_GT(checked, 0);
    }
    EXPECT_FALSE(AsideThread().Started());
}

}  // namespace
}  // namespace inkvista

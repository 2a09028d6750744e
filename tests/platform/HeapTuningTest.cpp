// Memory faulted in ahead: every page of the range, including the pages its
// unaligned ends fall in, comes in without its contents changing; a range
// unmapped at once is no fault of the program's.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/HeapTuning.h"

namespace inkvista {
namespace {

TEST(HeapTuning, MemoryFaultedInAheadComesInWithItsContentsKept) {
    const auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t pages = 64;
    auto* memory = static_cast<char*>(
        mmap(nullptr, pages * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(memory, MAP_FAILED);
    if (madvise(memory, page, MADV_POPULATE_WRITE) != 0) {
        munmap(memory, pages * page);
        GTEST_SKIP() << "this kernel cannot fault memory in ahead";
    }
    std::memcpy(memory + page - 5, "kept", 5);
    FaultInAhead(memory + 1, pages * page - 2);
    std::vector<unsigned char> resident(pages);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    auto allIn = [&] {
        mincore(memory, pages * page, resident.data());
        for (unsigned char in : resident) {
            if (!(in & 1)) return false;
        }
        return true;
    };
    while (!allIn() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(allIn());
    EXPECT_STREQ(memory + page - 5, "kept");
    munmap(memory, pages * page);

    // Unmapped before the other thread comes to it.
    auto* gone = static_cast<char*>(
        mmap(nullptr, pages * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(gone, MAP_FAILED);
    FaultInAhead(gone, pages * page);
    munmap(gone, pages * page);
}

}  // namespace
}  // namespace inkvista

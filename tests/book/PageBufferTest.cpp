#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "book/PageBuffer.h"

namespace inkvista {
namespace {

TEST(PageBuffer, SizesPastTheLimitAreAFailedAllocationThatEmptiesTheBuffer) {
    std::vector<uint8_t> buffer(1000, 7);
    EXPECT_FALSE(AllocatePageBuffer(buffer, kMaxPageBytes + 1));
    EXPECT_TRUE(buffer.empty());
    buffer.assign(1000, 7);
    // A buffer already large enough is not kept for a size past the limit.
    EXPECT_FALSE(AllocatePageBuffer(buffer, uint64_t{1} << 40, BufferStart::Reused));
    EXPECT_TRUE(buffer.empty());
    ScratchBytes scratch;
    EXPECT_FALSE(AllocatePageBuffer(scratch, ~uint64_t{0}, BufferStart::Reused));
    EXPECT_TRUE(AllocatePageBuffer(scratch, 0));
}

TEST(PageBuffer, ZeroedBuffersAreZeroWhateverTheyHeldBefore) {
    std::vector<uint8_t> buffer(64, 0xAB);
    ASSERT_TRUE(AllocatePageBuffer(buffer, 48));
    EXPECT_EQ(buffer, std::vector<uint8_t>(48, 0));
    ScratchBytes scratch(64, 0xAB);
    ASSERT_TRUE(AllocatePageBuffer(scratch, 100));
    EXPECT_TRUE(std::all_of(scratch.begin(), scratch.end(), [](uint8_t b) { return b == 0; }));
}

TEST(PageBuffer, ReusedBuffersKeepTheirMemoryOnlyForAPageOfAboutTheSameSize) {
    std::vector<uint8_t> buffer(1000, 1);
    const uint8_t* before = buffer.data();
    ASSERT_TRUE(AllocatePageBuffer(buffer, 600, BufferStart::Reused));
    EXPECT_EQ(buffer.size(), 600u);
    EXPECT_EQ(buffer.data(), before);
    // A page much smaller than the last does not keep the large buffer alive.
    ASSERT_TRUE(AllocatePageBuffer(buffer, 100, BufferStart::Reused));
    EXPECT_EQ(buffer.size(), 100u);
    EXPECT_LT(buffer.capacity(), 1000u);
    // Growing takes fresh memory of the new size.
    ASSERT_TRUE(AllocatePageBuffer(buffer, 5000, BufferStart::Reused));
    EXPECT_EQ(buffer.size(), 5000u);
}

}  // namespace
}  // namespace inkvista

// Splitting a loop into consecutive ranges run at once.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "data/ParallelRanges.h"

namespace {

TEST(ParallelRangesTest, RangesCoverTheLoopOnceInOrderWhateverTheirNumber) {
    for (size_t n : {0u, 1u, 7u, 1000u, 100003u}) {
        for (int ranges : {1, 2, 3, 16}) {
            std::vector<std::atomic<int>> visits(n);
            std::vector<size_t> begins(static_cast<size_t>(ranges)), ends(static_cast<size_t>(ranges));
            runRanges(n, ranges, [&](size_t begin, size_t end, int range) {
                begins[static_cast<size_t>(range)] = begin;
                ends[static_cast<size_t>(range)] = end;
                for (size_t k = begin; k < end; ++k) ++visits[k];
            });
            for (size_t k = 0; k < n; ++k) ASSERT_EQ(visits[k], 1) << n << " " << ranges << " " << k;
            EXPECT_EQ(begins.front(), 0u);
            EXPECT_EQ(ends.back(), n);
            for (int r = 1; r < ranges; ++r) EXPECT_EQ(begins[r], ends[r - 1]) << "consecutive";
        }
    }
}

TEST(ParallelRangesTest, SmallLoopsStayOnOneRange) {
    EXPECT_EQ(rangeCountFor(0, 1000), 1);
    EXPECT_EQ(rangeCountFor(1999, 1000), 1);
    EXPECT_GE(rangeCountFor(100 * 1000, 1000), 1);
    EXPECT_LE(rangeCountFor(100 * 1000, 1000), 16);
    EXPECT_LE(rangeCountFor(2500, 1000), 2) << "each range gets at least its minimum";
}

}  // namespace

// The one sort order of index/score records: ascending, stable, total with NaN.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "data/ItemScore.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(ItemScoreOrder, CompareIsAThreeWayTotalOrder) {
    const ItemScore low{0, 1.0f}, high{1, 2.0f}, same{2, 1.0f}, nan{3, kNaN}, alsoNaN{4, kNaN},
        top{5, std::numeric_limits<float>::infinity()};
    EXPECT_LT(compare(&low, &high), 0);
    EXPECT_GT(compare(&high, &low), 0);
    EXPECT_EQ(compare(&low, &same), 0);
    EXPECT_GT(compare(&nan, &top), 0);
    EXPECT_LT(compare(&top, &nan), 0);
    EXPECT_EQ(compare(&nan, &alsoNaN), 0);
}

TEST(ItemScoreOrder, SortsAscendingAndKeepsEqualScoresInOrder) {
    std::vector<ItemScore> records = {{0, 3.0f}, {1, kNaN}, {2, 1.0f}, {3, 3.0f}, {4, 1.0f},
                                      {5, -2.0f}, {6, 3.0f}, {7, 1.0f}, {8, 0.0f}};
    std::vector<ItemScore> byQsort = records;
    stableSortByScore(records.data(), records.data() + records.size());
    const std::vector<int> expected = {5, 8, 2, 4, 7, 0, 3, 6, 1};
    for (size_t k = 0; k < expected.size(); ++k) EXPECT_EQ(records[k].item, expected[k]) << k;

    // The comparator also drives the C library's sort to the same key order.
    std::qsort(byQsort.data(), byQsort.size(), sizeof(ItemScore), compare);
    for (size_t k = 0; k < expected.size(); ++k) EXPECT_EQ(compare(&byQsort[k], &records[k]), 0) << k;

    // Many equal keys (beyond the small sizes a sort handles by insertion): never reordered.
    std::vector<ItemScore> ties;
    for (int i = 0; i < 1000; ++i) ties.push_back({i, static_cast<float>((i * 7) % 3)});
    stableSortByScore(ties.data(), ties.data() + ties.size());
    for (size_t k = 1; k < ties.size(); ++k) {
        if (ties[k].score == ties[k - 1].score) {
            ASSERT_LT(ties[k - 1].item, ties[k].item) << k;
        }
    }
}

}  // namespace

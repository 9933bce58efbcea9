// The one sort order of index/score records: ascending, stable, total with NaN.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "data/ItemScore.h"

namespace {

TEST(ItemScoreOrder, CompareIsAThreeWayTotalOrder) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    ItemScore low{0, 1.0f}, high{1, 2.0f}, same{2, 1.0f}, notANumber{3, nan}, alsoNaN{4, nan}, top{5, inf};
    EXPECT_LT(compare(&low, &high), 0);
    EXPECT_GT(compare(&high, &low), 0);
    EXPECT_EQ(compare(&low, &same), 0);
    EXPECT_GT(compare(&notANumber, &top), 0);
    EXPECT_LT(compare(&top, &notANumber), 0);
    EXPECT_EQ(compare(&notANumber, &alsoNaN), 0);
}

TEST(ItemScoreOrder, SortsAscendingAndKeepsEqualScoresInOrder) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<ItemScore> records = {{0, 3.0f}, {1, nan}, {2, 1.0f}, {3, 3.0f}, {4, 1.0f},
                                      {5, -2.0f}, {6, 3.0f}, {7, 1.0f}, {8, 0.0f}};
    std::vector<ItemScore> byQsort = records;
    stableSortByScore(records.data(), records.data() + records.size());
    const std::vector<int> expected = {5, 8, 2, 4, 7, 0, 3, 6, 1};
    for (size_t k = 0; k < expected.size(); ++k) EXPECT_EQ(records[k].item, expected[k]) << k;

    // The comparator also drives the C library's sort to the same key order.
    std::qsort(byQsort.data(), byQsort.size(), sizeof(ItemScore), compare);
    for (size_t k = 0; k + 1 < byQsort.size(); ++k) EXPECT_LE(compare(&byQsort[k], &byQsort[k + 1]), 0);
    EXPECT_TRUE(std::isnan(byQsort.back().score));

    // Many equal keys: the stable sort must not reorder them.
    std::vector<ItemScore> ties;
    for (int i = 0; i < 1000; ++i) ties.push_back({i, static_cast<float>((i * 7) % 3)});
    stableSortByScore(ties.data(), ties.data() + ties.size());
    for (size_t k = 1; k < ties.size(); ++k) {
        if (ties[k].score == ties[k - 1].score) {
            EXPECT_LT(ties[k - 1].item, ties[k].item);
        }
    }
}

}  // namespace

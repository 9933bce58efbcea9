// The one sort order of index/score records: ascending, stable, total with NaN.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <vector>

#include "data/ItemScore.h"

namespace {

TEST(ItemScoreOrder, SortsAscendingNaNLastAndKeepsEqualScoresInOrder) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    std::vector<ItemScore> records = {{0, 3.0f}, {1, nan},  {2, 1.0f}, {3, 3.0f}, {4, 1.0f}, {5, -2.0f},
                                      {6, 3.0f}, {7, 1.0f}, {8, 0.0f}, {9, inf},  {10, nan}, {11, -inf}};
    stableSortByScore(records.data(), records.data() + records.size());
    const std::vector<int> expected = {11, 5, 8, 2, 4, 7, 0, 3, 6, 9, 1, 10};
    for (size_t k = 0; k < expected.size(); ++k) EXPECT_EQ(records[k].item, expected[k]) << k;

    // Many equal keys (beyond the small sizes a sort handles by insertion): never reordered.
    std::vector<ItemScore> ties;
    for (int i = 0; i < 1000; ++i) ties.push_back({i, static_cast<float>((i * 7) % 3)});
    stableSortByScore(ties.data(), ties.data() + ties.size());
    for (size_t k = 1; k < ties.size(); ++k) {
        ASSERT_TRUE(ties[k - 1].score < ties[k].score ||
                    (ties[k - 1].score == ties[k].score && ties[k - 1].item < ties[k].item)) << k;
    }
}

// Large ranges are sorted by key bits: the same order as a comparison sort
// with compare(), for every kind of key (negatives, both zeros, infinities,
// NaNs, many ties) and for keys that share their top bits (a regrouping
// group's scores all lie in [g, g + 1)).
TEST(ItemScoreOrder, LargeRangesSortExactlyAsTheComparisonSortDoes) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    std::mt19937 random(99);
    std::uniform_real_distribution<float> wide(-1e6f, 1e6f), group(3.0f, 4.0f);
    std::uniform_int_distribution<int> kind(0, 9);
    const std::vector<float> special = {nan, -nan, inf, -inf, 0.0f, -0.0f, 1.0f, -1.0f};
    std::vector<ItemScore> scratch;
    for (size_t n : {255u, 256u, 257u, 5000u, 70000u}) {
        for (bool narrow : {false, true}) {
            std::vector<ItemScore> records(n);
            for (size_t k = 0; k < n; ++k) {
                const int pick = kind(random);
                float key = narrow ? group(random) : wide(random);
                if (!narrow && pick < 3) key = special[static_cast<size_t>(random() % special.size())];
                if (pick == 9 && k > 0) key = records[k - 1].score;  // ties
                records[k] = {static_cast<int32_t>(k), key};
            }
            std::vector<ItemScore> expected = records;
            std::stable_sort(expected.begin(), expected.end(),
                             [](const ItemScore& a, const ItemScore& b) { return compare(&a, &b) < 0; });
            stableSortByScore(records.data(), records.data() + n, scratch);
            for (size_t k = 0; k < n; ++k) ASSERT_EQ(records[k].item, expected[k].item) << n << " " << narrow << " " << k;
        }
    }
}

}  // namespace

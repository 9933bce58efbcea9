// The one sort order of index/score records: ascending, stable, total with NaN.
#include <gtest/gtest.h>

#include <limits>
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

}  // namespace

// Regrouping of items against the unlocked hint paths, the mixtures built from
// the paths, and the density ordering.
#include <algorithm>
#include <cmath>
#include <limits>

#include "TestSupport.h"
#include "cluster/ClusterPath.h"
#include "cluster/GaussianMixture.h"
#include "cluster/HintPathMatch.h"
#include "cluster/ItemRegrouping.h"
#include "cluster/MultidimensionalCluster.h"

namespace {

using Items = std::vector<int32_t>;

class ItemRegroupingTest : public testing::Test {
protected:
    // Both columns span exactly [0, 1], so normalised values are the written
    // ones. Items 7, 8 and 9 are identical.
    TempDir dir;
    std::unique_ptr<MultidimensionalData> table{loadTableQuietly(dir.write(
        "t.txt", "a,b\n0,0\n1,1\n0.5,0.5\n0.52,0.5\n0.44,0.9\n0.3,0.3\n0.55,0.55\n0.7,0.7\n0.7,0.7\n0.7,0.7\n"))};
    MultidimensionalCluster groups{table.get()};
    ClusterPath paths{2};
    std::vector<ItemScore> scores = std::vector<ItemScore>(10, ItemScore{0, 0.0f});
    std::vector<std::unique_ptr<GaussianMixture>> mixtures;

    // Regroups; returns what went to standard output. With offset 0 and
    // scale 1 a hint point's height is its normalised value.
    std::string regroup(float offset = 0.0f, float scale = 1.0f) {
        const ItemRegrouping regrouping(table.get(), offset, scale);
        return stdoutOf([&] { mixtures = regrouping.regroup(paths, groups, scores, false); });
    }
    void addPoint(int path, int d, float valueNorm) { paths.addHintPoint(path, d, d == 0 ? 0.05f : 0.95f, valueNorm); }
    // Unlocked group g's items; a failure (and no items) when there is no such group.
    const Items& group(int g) {
        static const Items none;
        const DataItemGroup* found = groups.getUnlockedGroup(g);
        if (found == nullptr) ADD_FAILURE() << "no unlocked group " << g;
        return found != nullptr ? found->items : none;
    }
    float scoreOf(int32_t item) const {
        for (const ItemScore& record : scores) {
            if (record.item == item) return record.score;
        }
        return std::numeric_limits<float>::quiet_NaN();
    }
};

TEST_F(ItemRegroupingTest, WithoutPathsEveryItemReturnsToGroupZeroInItemOrder) {
    groups.getUnlockedGroup(0)->items = {9, 3, 0};
    groups.addItemToUnlockedGroup(8, 1);
    groups.addItemToUnlockedGroup(1, 2);
    groups.addItemToUnlockedGroup(7, 4);
    EXPECT_EQ(regroup(), "Group number is 1\n");
    EXPECT_EQ(group(0), (Items{0, 1, 3, 7, 8, 9}));
    ASSERT_EQ(mixtures.size(), 2u);
    EXPECT_EQ(mixtures[0]->getCount(), 0);
    EXPECT_FLOAT_EQ(groups.getHistogramEntry(false, 0, 0, 127), 0.1f);  // rebuilt: item 1 only
}

TEST_F(ItemRegroupingTest, OnePointClaimsItemsWithinTwoDeviations) {
    // Through the view's transform: the point at view height 0.05 + 0.9 * 0.5.
    paths.addHintPoint(0, 0, 0.05f, 0.05f + 0.9f * 0.5f);
    EXPECT_EQ(regroup(0.05f, 0.9f), "Group number is 2\n");
    EXPECT_EQ(group(0), (Items{0, 1, 5, 7, 8, 9}));
    EXPECT_EQ(group(1), (Items{4, 6, 3, 2}));  // farthest (0.06 away) first, on the point last
    EXPECT_NEAR(scoreOf(2), 1.5f, 1e-6f);     // 1 + kernel / D
    ASSERT_EQ(mixtures.size(), 2u);
    EXPECT_NEAR(mixtures[0]->getContibution(0.55f), std::exp(-1.0f), 1e-4f);
    EXPECT_EQ(mixtures[1]->getCount(), 0);
}

TEST_F(ItemRegroupingTest, AnItemMatchingSeveralPathsJoinsTheBestOne) {
    addPoint(0, 0, 0.5f);
    addPoint(1, 0, 0.55f);
    EXPECT_EQ(regroup(), "Group number is 3\n");
    // Items 2, 3 and 6 match both paths; each goes where its kernel is larger.
    EXPECT_EQ(group(1), (Items{4, 3, 2}));
    EXPECT_EQ(group(2), (Items{6}));
    EXPECT_EQ(scoreOf(6), 2.5f);  // 2 + 1 / 2, not the sum over both paths
    // Equally good paths: the lower index wins and path 1 claims nothing.
    paths.adjustHintPoint(1, 0, 0.05f, 0.5f);
    EXPECT_EQ(regroup(), "Group number is 2\n");
    EXPECT_EQ(group(1), (Items{4, 6, 3, 2}));
}

TEST_F(ItemRegroupingTest, AnItemOnEveryPointOfAFullPathStaysInItsGroup) {
    for (int d = 0; d < 2; ++d) {
        addPoint(0, d, 0.0f);  // item 0
        addPoint(1, d, 1.0f);  // item 1
        addPoint(2, d, 0.5f);  // item 2; 3 and 6 nearby
    }
    EXPECT_EQ(regroup(), "Group number is 4\n");
    EXPECT_EQ(group(0), (Items{4, 5, 7, 8, 9}));
    EXPECT_EQ(group(1), (Items{0}));
    EXPECT_EQ(group(2), (Items{1}));
    EXPECT_EQ(group(3), (Items{6, 3, 2}));
    EXPECT_EQ(scoreOf(2), std::nextafter(4.0f, 0.0f));
}

TEST_F(ItemRegroupingTest, DegenerateDeviationsNeverReachAGroupIndex) {
    addPoint(0, 0, 0.5f);
    ASSERT_EQ(paths.getUnlockedPathNum(), 1);
    paths.getUnlockedPath(0)->deviations[0] = 0.0f;
    EXPECT_EQ(regroup(), "Group number is 2\n");
    EXPECT_EQ(group(1), (Items{2}));  // exactly on the point; 3 (0.02 away) is not
    EXPECT_EQ(scoreOf(2), 1.5f);
    ASSERT_EQ(mixtures.size(), 2u);
    EXPECT_EQ(mixtures[0]->getContibution(0.5f), 1.0f);
    EXPECT_EQ(mixtures[0]->getContibution(0.52f), 0.0f);
    for (float deviation : {-0.05f, std::numeric_limits<float>::quiet_NaN()}) {
        paths.getUnlockedPath(0)->deviations[0] = deviation;
        EXPECT_EQ(regroup(), "Group number is 1\n") << deviation;
    }
    paths.getUnlockedPath(0)->deviations[0] = std::numeric_limits<float>::infinity();  // kernel 1 everywhere
    EXPECT_EQ(regroup(), "Group number is 2\n");
    EXPECT_EQ(group(1).size(), 10u);
    for (const ItemScore& record : scores) EXPECT_EQ(record.score, 1.5f);
}

TEST_F(ItemRegroupingTest, EqualScoresKeepItemOrderAndLockedItemsStayOut) {
    std::reverse(groups.getUnlockedGroup(0)->items.begin(), groups.getUnlockedGroup(0)->items.end());
    addPoint(0, 0, 0.7f);
    regroup();
    EXPECT_EQ(group(0), (Items{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(group(1), (Items{7, 8, 9}));
    paths.lockPath(0);
    groups.lockGroup(1);
    addPoint(0, 1, 0.5f);
    EXPECT_EQ(regroup(), "Group number is 2\n");
    EXPECT_EQ(group(0), (Items{0, 1, 4, 5}));
    EXPECT_EQ(group(1), (Items{6, 2, 3}));
    ASSERT_EQ(groups.getLockedGroupNum(), 1);
    EXPECT_EQ(groups.getLockedGroup(0)->items, (Items{7, 8, 9}));
}

// Records given by the caller (as after a density ordering): each item goes
// to its record's group, existing groups are added to, and items beyond the
// records stay in group 0 after the others, in their order.
TEST_F(ItemRegroupingTest, GroupsAreRebuiltFromTheRecordsGivenAndItemsWithoutOneStay) {
    groups.getUnlockedGroup(0)->items = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
    groups.addItemToUnlockedGroup(4, 1);
    const std::vector<ItemScore> records = {{9, 0.0f}, {8, 1.5f}, {7, 0.2f}, {6, 2.9f}, {5, 1.0f}, {4, 0.0f}};
    const ItemRegrouping regrouping(table.get(), 0.0f, 1.0f);
    EXPECT_EQ(stdoutOf([&] { regrouping.rebuildGroups(groups, records, false); }), "Group number is 3\n");
    EXPECT_EQ(group(0), (Items{9, 7, 4, 3, 2, 1, 0}));
    EXPECT_EQ(group(1), (Items{4, 8, 5}));
    EXPECT_EQ(group(2), (Items{6}));
}

TEST_F(ItemRegroupingTest, DensityOrderingPutsCrowdedItemsLast) {
    std::vector<ItemScore> records;  // grown to one record per item
    const ItemRegrouping regrouping(table.get(), 0.05f, 0.9f);
    EXPECT_EQ(stdoutOf([&] { regrouping.orderByDensity(records, false); }), "Gaussian-based optimization complete!\n");
    ASSERT_EQ(records.size(), 10u);
    EXPECT_EQ(records[9].item, 9);
    EXPECT_GT(records[9].score, 3.0f);  // three identical items

    // Sorted: equal densities (7, 8, 9) keep ascending item order; item 6 (near 2, 3 and 7 to 9) is densest.
    stdoutOf([&] { regrouping.orderByDensity(records, true); });
    std::vector<int32_t> order;
    for (const ItemScore& r : records) order.push_back(r.item);
    EXPECT_EQ(Items(order.end() - 4, order.end()), (Items{7, 8, 9, 6}));
    for (int k = 1; k < 10; ++k) EXPECT_LE(records[k - 1].score, records[k].score);
}

// Every unlocked group's histogram holds exactly the whole counts of its
// items (shares of all kRows items), counted here plainly.
void expectHistogramsCountTheirItems(const MultidimensionalCluster& groups, const MultidimensionalData& table) {
    const int bins = table.getHistogramBinsNum();
    const int dims = table.getActualDimNum();
    const float rows = static_cast<float>(table.getDataNum());
    for (int g = 0; g < groups.getUnlockedGroupNum(); ++g) {
        std::vector<int> counts(static_cast<size_t>(dims * bins), 0);
        for (int32_t item : groups.getUnlockedGroup(g)->items) {
            if (item < 0 || item >= table.getDataNum()) continue;
            for (int d = 0; d < dims; ++d) {
                const float scaled = table.getDataRow(item)[d] * static_cast<float>(bins);
                ++counts[d * bins + (scaled >= bins ? bins - 1 : scaled > 0 ? static_cast<int>(scaled) : 0)];
            }
        }
        for (int d = 0; d < dims; ++d) {
            for (int bin = 0; bin < bins; ++bin) {
                ASSERT_EQ(groups.getHistogramEntry(false, g, d, bin), static_cast<float>(counts[d * bins + bin]) / rows)
                    << "group " << g << " dimension " << d << " bin " << bin;
            }
        }
    }
}

// A table large enough that the scoring and the groups' histograms are split
// over the cores: every item lands where the rule puts it, each once, in
// score order, and the histograms count exactly the groups' items, also on
// the next steps of a drag (where the largest group's histogram is the
// totals less the others') and after the groups were edited by hand.
TEST(ItemRegroupingLargeTest, ScoresAndHistogramsSplitOverTheCoresMatchThePlainRule) {
    constexpr int kRows = 150000;
    TempDir dir;
    const std::unique_ptr<MultidimensionalData> table{
        loadTableQuietly(dir.write("t.txt", randomIntegerTable(kRows, 2, 1000, 5)))};
    MultidimensionalCluster groups{table.get()};
    ClusterPath paths{2};
    std::vector<ItemScore> scores(kRows, ItemScore{0, 0.0f});
    const ItemRegrouping regrouping(table.get(), 0.0f, 1.0f);  // draw region: offset 0, scale 1
    paths.addHintPoint(0, 0, 0.05f, 0.4f);
    ASSERT_EQ(paths.getUnlockedPathNum(), 1);
    for (float height : {0.4f, 0.5f, 0.45f, 0.45f}) {
        SCOPED_TRACE(height);
        paths.adjustHintPoint(0, 0, 0.05f, height);
        stdoutOf([&] { regrouping.regroup(paths, groups, scores, false); });

        const float deviation = paths.getUnlockedPath(0)->deviations[0];
        std::vector<int32_t> expected;
        for (int item = 0; item < kRows; ++item) {
            const float diff = std::fabs(table->getDataRow(item)[0] - height);
            if (diff <= HintPathMatch::kMatchDeviations * deviation) expected.push_back(item);
        }
        ASSERT_GT(expected.size(), 1000u);
        ASSERT_EQ(groups.getUnlockedGroupNum(), 2);
        std::vector<int32_t> claimed = groups.getUnlockedGroup(1)->items;
        // The records in score order.
        for (size_t k = 1; k < scores.size(); ++k) ASSERT_LE(scores[k - 1].score, scores[k].score) << k;
        std::sort(claimed.begin(), claimed.end());
        EXPECT_EQ(claimed, expected);
        EXPECT_EQ(groups.getUnlockedGroup(0)->items.size() + claimed.size(), static_cast<size_t>(kRows));
        expectHistogramsCountTheirItems(groups, *table);
    }

    // Edited by hand (an item twice, one that is no row, one taken out; in
    // the long group too): the kept totals no longer hold and are counted again.
    std::vector<int32_t>& claimed = groups.getUnlockedGroup(1)->items;
    claimed.push_back(claimed.front());
    claimed.push_back(kRows + 3);
    std::vector<int32_t>& unclaimed = groups.getUnlockedGroup(0)->items;
    ASSERT_GT(unclaimed.size(), 100000u);
    unclaimed.pop_back();
    unclaimed.push_back(unclaimed.front());
    groups.buildGroupsHistogram();
    expectHistogramsCountTheirItems(groups, *table);
    // Items moved between groups only: the totals hold again.
    groups.addItemToUnlockedGroup(groups.getUnlockedGroup(0)->items.back(), 1);
    groups.getUnlockedGroup(0)->items.pop_back();
    groups.buildGroupsHistogram();
    expectHistogramsCountTheirItems(groups, *table);
}

}  // namespace

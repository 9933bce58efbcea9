// Groups of items: construction, growth, release, lock/unlock, histograms and
// the Gaussian proximity sort.
#include "TestSupport.h"
#include "cluster/MultidimensionalCluster.h"

namespace {

using Items = std::vector<int32_t>;

class MultidimensionalClusterTest : public testing::Test {
protected:
    // Column a spans [0, 1] (exactly 1 on item 4); b is constant (0.5 once
    // normalised). Items 0, 1 and 2 lie close together on a, 3 and 4 alone.
    TempDir dir;
    std::unique_ptr<MultidimensionalData> table{
        loadTableQuietly(dir.write("t.txt", "a,b\n0,7\n0.01,7\n0.03,7\n0.5,7\n1,7\n"))};
    MultidimensionalCluster groups{table.get()};
};

TEST_F(MultidimensionalClusterTest, NewTableHasOneGroupOfEveryItemWithFullHistogram) {
    ASSERT_EQ(groups.getUnlockedGroupNum(), 1);
    EXPECT_EQ(groups.getUnlockedGroup(0)->items, (Items{0, 1, 2, 3, 4}));
    // One item of five in each bin: 0.01 * 128 = 1.28 in bin 1, exactly 1 in the last bin.
    for (int bin : {0, 1, 3, 64, 127}) EXPECT_EQ(groups.getHistogramEntry(false, 0, 0, bin), 0.2f) << bin;
    EXPECT_EQ(groups.getHistogramEntry(false, 0, 1, 64), 1.0f);   // constant dimension
    EXPECT_EQ(groups.getHistogramEntry(false, 0, 0, 128), 0.0f);
    EXPECT_EQ(groups.getHistogramEntry(false, 0, 2, 64), 0.0f);
    EXPECT_EQ(groups.getHistogramEntry(true, 0, 0, 0), 0.0f);
}

TEST_F(MultidimensionalClusterTest, AddingGrowsTheListAndReleasingKeepsOrder) {
    groups.addItemToUnlockedGroup(7, 3);
    groups.addItemToUnlockedGroup(5, -1);
    ASSERT_EQ(groups.getUnlockedGroupNum(), 4);
    EXPECT_TRUE(groups.getUnlockedGroup(2)->items.empty());
    EXPECT_EQ(groups.getUnlockedGroup(3)->items, (Items{7}));
    groups.ensureUnlockedGroup(5);
    EXPECT_EQ(groups.getUnlockedGroupNum(), 6);

    MultidimensionalCluster split(table.get());
    ASSERT_EQ(split.getUnlockedGroupNum(), 1);
    split.getUnlockedGroup(0)->items = {0, 4};
    split.addItemToUnlockedGroup(2, 1);
    split.addItemToUnlockedGroup(3, 1);
    split.addItemToUnlockedGroup(1, 2);
    split.releaseUnlockedGroups();
    ASSERT_EQ(split.getUnlockedGroupNum(), 1);
    EXPECT_EQ(split.getUnlockedGroup(0)->items, (Items{0, 4, 2, 3, 1}));
    split.releaseUnlockedGroups();
    EXPECT_EQ(split.getUnlockedGroup(0)->items, (Items{0, 4, 2, 3, 1}));
}

TEST_F(MultidimensionalClusterTest, LockingAndUnlockingMoveGroupsBetweenLists) {
    groups.getUnlockedGroup(0)->items = {0, 1};
    groups.addItemToUnlockedGroup(3, 1);
    groups.addItemToUnlockedGroup(4, 2);
    groups.lockGroup(1);
    ASSERT_EQ(groups.getUnlockedGroupNum(), 2);
    EXPECT_EQ(groups.getUnlockedGroup(1)->items, (Items{4}));  // former group 2 moved down
    ASSERT_EQ(groups.getLockedGroupNum(), 1);
    EXPECT_TRUE(groups.getLockedGroup(0)->hidden);
    EXPECT_EQ(groups.getHistogramEntry(true, 0, 0, 64), 0.2f);  // built on locking: one item of five

    groups.setGroupHideState(false, 0);
    ASSERT_EQ(groups.getLockedGroupNum(), 1);
    groups.getLockedGroup(0)->items.push_back(4);
    groups.unlockGroup(0);
    EXPECT_EQ(groups.getLockedGroupNum(), 0);
    ASSERT_EQ(groups.getUnlockedGroupNum(), 3);
    EXPECT_EQ(groups.getUnlockedGroup(2)->items, (Items{3, 4}));
    EXPECT_FALSE(groups.getUnlockedGroup(2)->hidden);
    EXPECT_EQ(groups.getHistogramEntry(false, 2, 0, 127), 0.0f);  // not rebuilt on unlocking
}

TEST_F(MultidimensionalClusterTest, ProximitySortPutsCrowdedItemsLastAndIsStable) {
    // 4 and 3 are alone (exactly their own term, 1); of the close three, 1
    // is nearest to the others and 2 farthest. 99 is no item: score 0.
    groups.getUnlockedGroup(0)->items = {2, 0, 1, 4, 3};
    for (int32_t item : {1, 4, 0, 3, 2, 99}) groups.addItemToUnlockedGroup(item, 1);
    groups.addItemToUnlockedGroup(3, 2);
    groups.sortGroups();
    ASSERT_EQ(groups.getUnlockedGroupNum(), 3);
    EXPECT_EQ(groups.getUnlockedGroup(0)->items, (Items{2, 0, 1, 4, 3}));  // never sorted
    EXPECT_EQ(groups.getUnlockedGroup(1)->items, (Items{99, 4, 3, 2, 0, 1}));
    EXPECT_EQ(groups.getUnlockedGroup(2)->items, (Items{3}));
}

}  // namespace

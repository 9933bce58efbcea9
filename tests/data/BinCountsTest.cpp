// Whole counts of items per dimension and bin, and the counts of a multiset's
// parts with the largest part taken from kept totals.
#include <cmath>
#include <limits>

#include "TestSupport.h"
#include "data/BinCounts.h"

namespace {

TEST(BinCountsTest, ValuesOutsideTheUnitRangeAndNaNLandOnTheEndBins) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(histogramBin(0.0f, 128), 0);
    EXPECT_EQ(histogramBin(0.01f, 128), 1);
    EXPECT_EQ(histogramBin(std::nextafter(1.0f, 0.0f), 128), 127);
    EXPECT_EQ(histogramBin(1.0f, 128), 127);
    EXPECT_EQ(histogramBin(-0.5f, 128), 0);
    EXPECT_EQ(histogramBin(3e9f, 128), 127);
    EXPECT_EQ(histogramBin(inf, 128), 127);
    EXPECT_EQ(histogramBin(-inf, 128), 0);
    EXPECT_EQ(histogramBin(nan, 128), 0);
    EXPECT_EQ(hashItemSet(spanOf({3, 1, 2})), hashItemSet(spanOf({1, 2, 3})));
    EXPECT_NE(hashItemSet(spanOf({1, 2, 3})), hashItemSet(spanOf({1, 2, 3, 3})));
}

// Items moving between parts, then a part edited so that the multiset
// changes: every part's counts are those of counting it directly.
TEST(BinCountsTest, PartsCountAsThemselvesAsItemsMoveAndTheWholeChanges) {
    TempDir dir;
    const std::unique_ptr<MultidimensionalData> table{
        loadTableQuietly(dir.write("t.txt", randomIntegerTable(500, 2, 50, 3)))};
    std::vector<int32_t> a, b, c;
    for (int32_t item = 0; item < 500; ++item) (item % 5 == 0 ? a : item % 5 == 1 ? b : c).push_back(item);
    PartitionCounts partition;
    std::vector<int32_t> scratch;
    auto expectDirect = [&](const char* step) {
        SCOPED_TRACE(step);
        const auto counts = partition.count(table.get(), {spanOf(a), spanOf(b), spanOf(c)});
        ASSERT_EQ(counts.size(), 3u);
        EXPECT_EQ(counts[0], countBins(table.get(), spanOf(a), scratch));
        EXPECT_EQ(counts[1], countBins(table.get(), spanOf(b), scratch));
        EXPECT_EQ(counts[2], countBins(table.get(), spanOf(c), scratch));
    };
    expectDirect("first count");
    for (int k = 0; k < 40; ++k) {  // the largest part gives items to the others
        a.push_back(c.back());
        c.pop_back();
    }
    b.push_back(a.front());
    a.erase(a.begin());
    expectDirect("items moved");
    b.push_back(7);      // an item twice
    b.push_back(9999);   // not a row
    c.pop_back();        // an item gone
    expectDirect("the whole changed");
    expectDirect("and again from its new totals");
    c.back() = c.back() == 0 ? 1 : 0;  // another item in one's place: as many items as before
    expectDirect("the same count of other items");

    // The same items of another table of the same shape: counted from that table.
    const std::unique_ptr<MultidimensionalData> other{
        loadTableQuietly(dir.write("u.txt", randomIntegerTable(500, 2, 50, 4)))};
    const auto counts = partition.count(other.get(), {spanOf(a), spanOf(b), spanOf(c)});
    ASSERT_EQ(counts.size(), 3u);
    EXPECT_EQ(counts[2], countBins(other.get(), spanOf(c), scratch));
}

}  // namespace

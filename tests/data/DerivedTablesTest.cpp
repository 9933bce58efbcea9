// Normalisation, difference matrix and histograms of a loaded table.
#include <random>

#include "TestSupport.h"

namespace {

class DerivedTablesTest : public testing::Test {
protected:
    const MultidimensionalData& load(const std::string& contents) {
        table.reset(loadTableQuietly(dir.write("t.txt", contents)));
        return *table;
    }
    TempDir dir;
    std::unique_ptr<MultidimensionalData> table;
};

TEST_F(DerivedTablesTest, NormalisationMapsEachDimensionOntoUnitRange) {
    const auto& t = load("a,b\n2,7\n4,7\n6,7\n");
    // A constant dimension sits in the middle of its axis; its labels keep the raw value.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(t.getDataEntry(i, 0), 0.5f * i);
        EXPECT_EQ(t.getDataEntry(i, 1), 0.5f);
    }
    EXPECT_EQ(t.getMinValue(0), 2.0f);
    EXPECT_EQ(t.getMaxValue(0), 6.0f);
    EXPECT_EQ(t.getMaxValue(1), 7.0f);
}

TEST_F(DerivedTablesTest, DifferenceMatrixHoldsSquaredDistancesStoredOrComputed) {
    const auto& t = load("a,b\n0,0\n1,1\n0.5,0\n");
    ASSERT_TRUE(t.isDiffMatrixStored());
    EXPECT_EQ(t.getDiffMatrixEntry(0, 1), 2.0f);  // not its square root
    EXPECT_EQ(t.getDiffMatrixEntry(2, 0), 0.25f);

    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-50.0f, 50.0f);
    std::string text = "a,b,c,d,e,f,g\n";
    for (int i = 0; i < 150 * 7; ++i) text += std::to_string(value(random)) + (i % 7 == 6 ? "\n" : ",");
    const auto& r = load(text);
    ASSERT_TRUE(r.isDiffMatrixStored());
    for (int k = 0; k < 150 * 150; ++k) {  // every stored entry equals its on-demand form bit for bit
        ASSERT_TRUE(sameBits(r.getDiffMatrixEntry(k / 150, k % 150), r.computeDiffEntry(k / 150, k % 150))) << k;
    }
}

TEST_F(DerivedTablesTest, TablesBeyondTheMatrixBudgetComputeEntriesOnDemand) {
    // The smallest item count whose full matrix exceeds the budget.
    int items = 1;
    while (static_cast<size_t>(items) * items * sizeof(float) <= MultidimensionalData::kDiffMatrixBudgetBytes) ++items;
    std::string text = "a,b\n";
    for (int i = 0; i < items; ++i) text += std::to_string(i % 97) + "," + std::to_string(i % 13) + "\n";
    const auto& t = load(text);
    ASSERT_EQ(t.getDataNum(), items);
    EXPECT_FALSE(t.isDiffMatrixStored());
    const float a0 = 5.0f / 96.0f, a1 = 5.0f / 12.0f;  // item 5; item 97 * 13 = 1261 is (0, 0)
    EXPECT_FLOAT_EQ(t.getDiffMatrixEntry(5, 1261), a0 * a0 + a1 * a1);
    EXPECT_EQ(t.getDiffMatrixEntry(items - 1, items - 1), 0.0f);
}

TEST_F(DerivedTablesTest, HistogramsCountSharesOfAllItems) {
    const auto& t = load("a,b\n0,1\n1,1\n0.5,1\n0.25,2\n");
    EXPECT_EQ(t.getHistogramEntry(0, 0), 0.25f);    // the minimum lands in bin 0
    EXPECT_EQ(t.getHistogramEntry(0, 127), 0.25f);  // the maximum in the last bin
    for (int d = 0; d < 2; ++d) {
        float sum = 0.0f;
        for (int b = 0; b < 128; ++b) sum += t.getHistogramEntry(d, b);
        EXPECT_FLOAT_EQ(sum, 1.0f);
    }
    float most = -1.0f, least = -1.0f;
    t.getHistogramRange(1, &most, &least);
    EXPECT_EQ(most, 0.75f);
    EXPECT_EQ(least, 0.0f);
    // Out of range: -1 and nothing stored, silently.
    EXPECT_EQ(stderrOf([&] {
                  EXPECT_EQ(t.getHistogramEntry(0, MultidimensionalData::kMissingBin), 0.0f);  // no missing values
                  EXPECT_EQ(t.getHistogramEntry(0, MultidimensionalData::kMissingBin + 1), -1.0f);
                  EXPECT_EQ(t.getHistogramEntry(-1, 0), -1.0f);
                  t.getHistogramRange(2, &most, &least);
              }),
              "");
    EXPECT_EQ(most, 0.75f);
    EXPECT_EQ(load("a,b\n").getHistogramEntry(1, 5), 0.0f);  // no items: zero shares
}

}  // namespace

// Reordered, flipped and logarithmic dimensions: every per-dimension table
// follows (values, bins, histograms, extremes, labels, hover texts), what is
// not a permutation or a possible log scale is refused and changes nothing.
TEST_F(DerivedTablesTest, TheAxesArrangementCarriesEveryPerDimensionTable) {
    load("name,when,size,kind\nx,2024-01-01,1,b\ny,2024-01-03,100,a\nz,2024-01-02,10,b\nw,,NA,c\n");
    MultidimensionalData& t = *table;
    ASSERT_EQ(t.getActualDimNum(), 3);
    const float sizeOfY = t.getDataEntry(1, 1);
    const float histogramOfSize = t.getHistogramEntry(1, MultidimensionalData::kHistogramBins - 1);
    EXPECT_FALSE(t.permuteAxes({0, 0, 1}));
    EXPECT_FALSE(t.permuteAxes({0, 1}));
    EXPECT_FALSE(t.permuteAxes({0, 1, 3}));
    EXPECT_EQ(t.getAxisName(0), "when") << "refused: nothing moved";
    ASSERT_TRUE(t.permuteAxes({1, 2, 0}));
    EXPECT_EQ(t.getAxisName(0), "size");
    EXPECT_EQ(t.getAxisName(2), "when");
    EXPECT_EQ(t.getFileDim(0), 1);
    EXPECT_EQ(t.getColumn(2).axis, 0) << "the column knows its new slot";
    EXPECT_EQ(t.getDataEntry(1, 0), sizeOfY);
    EXPECT_EQ(t.getBinRow(1)[0], MultidimensionalData::kHistogramBins - 1);
    EXPECT_EQ(t.getHistogramEntry(0, MultidimensionalData::kHistogramBins - 1), histogramOfSize);
    EXPECT_EQ(t.getMissingCount(0), 1);
    EXPECT_EQ(t.getAxisMaxText(0), "100.00");
    EXPECT_EQ(t.getMaxValue(0), 100.0f);
    EXPECT_EQ(t.getMinValue(0), 1.0f);
    EXPECT_EQ(t.getMaxValue(1), 2.0f) << "the categories' last index";
    EXPECT_EQ(t.getValueText(2, 2), "10") << "by column: the file's order";
    // Flipped: the labels swap, the hover text stays; a missing value stays below the foot.
    ASSERT_TRUE(t.setAxisTransform(0, true, false));
    EXPECT_EQ(t.getAxisMinText(0), "100.00");
    EXPECT_EQ(t.getAxisMaxText(0), "1.00");
    EXPECT_EQ(t.getDataEntry(1, 0), 0.0f);
    EXPECT_EQ(t.getValueText(1, 2), "100");
    EXPECT_EQ(t.getDataEntry(3, 0), MultidimensionalData::kMissingValueNorm);
    EXPECT_EQ(t.getBinRow(1)[0], 0);
    EXPECT_FLOAT_EQ(t.getHistogramEntry(0, 0), 0.25f);
    // Flipped dates and categories: their texts follow the scale back.
    ASSERT_TRUE(t.setAxisTransform(2, true, false));
    ASSERT_TRUE(t.setAxisTransform(1, true, false));
    EXPECT_EQ(t.getAxisMinText(2), "2024-01-03");
    EXPECT_EQ(t.getValueText(2, 1), "2024-01-02");
    EXPECT_EQ(t.getValueText(1, 3), "a");
    EXPECT_EQ(t.getDataEntry(1, 1), 1.0f) << "the first category at the top";
    // Log scales: only numbers above 0.
    EXPECT_FALSE(t.setAxisTransform(2, false, true));
    EXPECT_FALSE(t.setAxisTransform(1, false, true));
    EXPECT_TRUE(t.getAxisScale(2).flipped) << "refused: nothing changed";
    EXPECT_NE(t.describeLogRefusal(2).find("\"when\" is a date column"), std::string::npos) << t.describeLogRefusal(2);
    EXPECT_NE(t.describeLogRefusal(3).find("no such axis"), std::string::npos);
    ASSERT_TRUE(t.setAxisTransform(0, true, true));
    EXPECT_NEAR(t.getDataEntry(2, 0), 0.5f, 1e-6f) << "10 halfway between 1 and 100, flipped";
    ASSERT_TRUE(t.setAxisTransform(0, false, false));
    EXPECT_EQ(t.getDataEntry(1, 0), sizeOfY) << "back to the loaded value, bit for bit";
    EXPECT_FALSE(t.setAxisTransform(-1, true, false));
    EXPECT_FALSE(t.setAxisTransform(3, true, false));
}

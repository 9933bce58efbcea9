// Normalisation, difference matrix and histograms of a loaded table.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "TestSupport.h"
#include "data/MultidimensionalData.h"

namespace {

std::unique_ptr<MultidimensionalData> loadQuietly(const std::string& path) {
    return std::unique_ptr<MultidimensionalData>(loadTableQuietly(path));
}

class DerivedTablesTest : public testing::Test {
protected:
    TempDir dir;
};

TEST_F(DerivedTablesTest, NormalisationMapsEachDimensionOntoUnitRange) {
    auto t = loadQuietly(dir.write("t.txt", "a,b,c\n2,7,-1\n4,7,0\n6,7,1\n"));
    EXPECT_EQ(t->getDataEntry(0, 0), 0.0f);
    EXPECT_EQ(t->getDataEntry(1, 0), 0.5f);
    EXPECT_EQ(t->getDataEntry(2, 0), 1.0f);
    EXPECT_EQ(t->getMinValue(0), 2.0f);
    EXPECT_EQ(t->getMaxValue(0), 6.0f);
    // A constant dimension sits in the middle of its axis; its labels keep the raw value.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(t->getDataEntry(i, 1), 0.5f);
    EXPECT_EQ(t->getMinValue(1), 7.0f);
    EXPECT_EQ(t->getMaxValue(1), 7.0f);
    EXPECT_EQ(t->getDataEntry(0, 2), 0.0f);
    EXPECT_EQ(t->getDataEntry(2, 2), 1.0f);
}

TEST_F(DerivedTablesTest, DifferenceMatrixHoldsSquaredDistances) {
    auto t = loadQuietly(dir.write("t.txt", "a,b\n0,0\n1,1\n0,0\n0.5,0\n"));
    ASSERT_TRUE(t->isDiffMatrixStored());
    EXPECT_EQ(t->getDiffMatrixEntry(0, 1), 2.0f);  // not its square root
    EXPECT_EQ(t->getDiffMatrixEntry(0, 2), 0.0f);
    EXPECT_EQ(t->getDiffMatrixEntry(3, 0), 0.25f);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(t->getDiffMatrixEntry(i, i), 0.0f);
        for (int j = 0; j < 4; ++j) EXPECT_EQ(t->getDiffMatrixEntry(i, j), t->getDiffMatrixEntry(j, i));
    }
}

TEST_F(DerivedTablesTest, StoredAndOnDemandEntriesAreBitIdentical) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-50.0f, 50.0f);
    std::string text = "a,b,c,d,e,f,g\n";
    for (int i = 0; i < 150; ++i) {
        for (int d = 0; d < 7; ++d) text += (d ? "," : "") + std::to_string(value(random));
        text += "\n";
    }
    auto t = loadQuietly(dir.write("r.txt", text));
    ASSERT_TRUE(t->isDiffMatrixStored());
    for (int i = 0; i < t->getDataNum(); ++i) {
        for (int j = 0; j < t->getDataNum(); ++j) {
            const float stored = t->getDiffMatrixEntry(i, j);
            const float computed = t->computeDiffEntry(i, j);
            ASSERT_EQ(std::memcmp(&stored, &computed, sizeof stored), 0) << i << "," << j;
        }
    }
}

TEST_F(DerivedTablesTest, TablesBeyondTheMatrixBudgetComputeEntriesOnDemand) {
    // The smallest item count whose full matrix exceeds the budget.
    int items = 1;
    while (static_cast<size_t>(items) * items * sizeof(float) <= MultidimensionalData::kDiffMatrixBudgetBytes) ++items;
    std::string text = "a,b\n";
    text.reserve(static_cast<size_t>(items) * 12);
    for (int i = 0; i < items; ++i) text += std::to_string(i % 97) + "," + std::to_string(i % 13) + "\n";
    auto t = loadQuietly(dir.write("big.txt", text));
    ASSERT_EQ(t->getDataNum(), items);
    EXPECT_FALSE(t->isDiffMatrixStored());
    const float a0 = 5.0f / 96.0f, a1 = 5.0f / 12.0f;  // item 5
    const float b0 = 0.0f, b1 = 0.0f;                  // item 97 * 13 = 1261
    EXPECT_FLOAT_EQ(t->getDiffMatrixEntry(5, 1261), (a0 - b0) * (a0 - b0) + (a1 - b1) * (a1 - b1));
    EXPECT_EQ(t->getDiffMatrixEntry(items - 1, items - 1), 0.0f);
}

TEST_F(DerivedTablesTest, HistogramsCountSharesOfAllItems) {
    auto t = loadQuietly(dir.write("t.txt", "a,b\n0,1\n1,1\n0.5,1\n0.25,2\n"));
    EXPECT_EQ(t->getHistogramBinsNum(), 128);
    EXPECT_EQ(t->getHistogramEntry(0, 0), 0.25f);    // the minimum lands in bin 0
    EXPECT_EQ(t->getHistogramEntry(0, 127), 0.25f);  // the maximum in the last bin
    EXPECT_EQ(t->getHistogramEntry(0, 64), 0.25f);
    EXPECT_EQ(t->getHistogramEntry(0, 32), 0.25f);
    for (int d = 0; d < 2; ++d) {
        float sum = 0.0f;
        for (int b = 0; b < 128; ++b) sum += t->getHistogramEntry(d, b);
        EXPECT_FLOAT_EQ(sum, 1.0f);
    }
    EXPECT_EQ(t->getHistogramEntry(1, 0), 0.75f);
    float most = -1.0f, least = -1.0f;
    t->getHistogramRange(1, &most, &least);
    EXPECT_EQ(most, 0.75f);
    EXPECT_EQ(least, 0.0f);

    testing::internal::CaptureStderr();
    EXPECT_EQ(t->getHistogramEntry(0, 128), -1.0f);
    EXPECT_EQ(t->getHistogramEntry(-1, 0), -1.0f);
    t->getHistogramRange(2, &most, &least);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(most, 0.75f);  // untouched
}

TEST_F(DerivedTablesTest, TablesWithoutItemsHaveZeroShares) {
    auto t = loadQuietly(dir.write("t.txt", "a,b\n"));
    EXPECT_TRUE(t->isLoaded());
    EXPECT_EQ(t->getHistogramEntry(1, 5), 0.0f);
    float most = -1.0f, least = -1.0f;
    t->getHistogramRange(0, &most, &least);
    EXPECT_EQ(most, 0.0f);
    EXPECT_EQ(least, 0.0f);
    EXPECT_EQ(t->getMinValue(0), 0.0f);
    EXPECT_EQ(t->getMaxValue(0), 0.0f);
}

}  // namespace

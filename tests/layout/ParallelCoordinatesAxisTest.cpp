// Axis layout: default placement, hit tests, index errors and the spreading step.
#include <random>

#include "TestSupport.h"
#include "layout/ParallelCoordinatesAxis.h"

namespace {

std::vector<float> positionsOf(const ParallelCoordinatesAxis& axes) {
    std::vector<float> xView;
    for (int i = 0; i < axes.getAxisNum(); ++i) xView.push_back(axes.getAxisPosition(i));
    return xView;
}

float gapOf(const ParallelCoordinatesAxis& axes, int region) {
    return axes.getAxisPosition(region + 1) - axes.getAxisPosition(region);
}

TEST(ParallelCoordinatesAxis, DefaultLayoutSpreadsEvenlyBetweenMargins) {
    EXPECT_EQ(positionsOf(ParallelCoordinatesAxis(5)), (std::vector<float>{0.05f, 0.275f, 0.5f, 0.725f, 0.95f}));

    // A lone axis stands at the centre; it has no region, so spreading cannot move it.
    ParallelCoordinatesAxis one(1);
    EXPECT_FLOAT_EQ(one.getAxisPosition(0), 0.5f);
    EXPECT_EQ(one.getNearestAxis(0.9f, 0.5f), 0);
    EXPECT_EQ(one.getRegionIndex(0.3f, 0.5f), -1);
    one.adjustAxisPositions(0, -5.0f);
    EXPECT_FLOAT_EQ(one.getAxisPosition(0), 0.5f);
}

TEST(ParallelCoordinatesAxis, NoAxesAnswersSentinelsWithExactMessages) {
    for (ParallelCoordinatesAxis axes : {ParallelCoordinatesAxis(0), ParallelCoordinatesAxis(-3),
                                         ParallelCoordinatesAxis(static_cast<const MultidimensionalData*>(nullptr))}) {
        EXPECT_EQ(axes.getAxisNum(), 0);
        EXPECT_EQ(axes.getNearestAxis(0.5f, 0.5f), -1);
        EXPECT_EQ(axes.getRegionIndex(0.5f, 0.5f), -1);
        axes.adjustAxisPositions(0, 1.0f);
        EXPECT_EQ(stderrOf([&] { EXPECT_EQ(axes.getAxisPosition(0), -1.0f); }),
                  "Axis index error! Can not get axis 0!\n");
    }
    ParallelCoordinatesAxis three(3);
    EXPECT_EQ(stderrOf([&] { EXPECT_FALSE(three.setAxisPosition(3, 0.1f)); }), "Axis index error!\n");
    EXPECT_FLOAT_EQ(three.getAxisPosition(2), 0.95f);  // the failed set wrote nothing
}

TEST(ParallelCoordinatesAxis, NearestAxisTiesGoLeftAndRegionsAreOpen) {
    ParallelCoordinatesAxis three(3);
    // Exactly representable positions so that the halfway points are true ties.
    for (int i = 0; i < 3; ++i) three.setAxisPosition(i, 0.25f * (i + 1));
    EXPECT_EQ(three.getNearestAxis(0.375f, 0.0f), 0);
    EXPECT_EQ(three.getNearestAxis(0.625f, 0.0f), 1);
    EXPECT_EQ(three.getNearestAxis(std::nextafter(0.625f, 1.0f), 0.0f), 2);
    EXPECT_EQ(three.getNearestAxis(3.0f, 0.0f), -1);  // beyond the search radius of 2

    ParallelCoordinatesAxis axes(5);
    for (int i = 0; i < 5; ++i) {
        const float xAxis = axes.getAxisPosition(i);
        EXPECT_EQ(axes.getRegionIndex(xAxis, 0.5f), -1) << "on axis " << i;
        EXPECT_EQ(axes.getRegionIndex(std::nextafter(xAxis, 1.0f), 0.5f), i < 4 ? i : -1);
        EXPECT_EQ(axes.getRegionIndex(std::nextafter(xAxis, 0.0f), 0.5f), i - 1);
    }
}

TEST(ParallelCoordinatesAxis, SpreadingKeepsOuterAxesAndOrder) {
    std::mt19937 rng(1234);
    for (int n : {2, 3, 9, 30}) {
        ParallelCoordinatesAxis axes(n);
        const std::vector<float> start = positionsOf(axes);
        std::uniform_int_distribution<int> region(-2, n);  // includes -1 and regions that do not exist
        std::uniform_real_distribution<float> delta(-4.0f, 4.0f);
        for (int step = 0; step < 400; ++step) {
            axes.adjustAxisPositions(region(rng), delta(rng));
            const std::vector<float> xView = positionsOf(axes);
            ASSERT_EQ(xView.front(), start.front());
            ASSERT_EQ(xView.back(), start.back());
            for (int i = 0; i + 1 < n; ++i) ASSERT_GT(xView[i + 1], xView[i]) << "n " << n << " step " << step;
        }
    }
    // Negative delta widens the named region, positive narrows it; -1 and
    // regions that do not exist change nothing.
    ParallelCoordinatesAxis axes(5);
    const std::vector<float> start = positionsOf(axes);
    for (int region : {-1, -2, 4, 5}) axes.adjustAxisPositions(region, -3.0f);
    EXPECT_EQ(positionsOf(axes), start);
    const float before = gapOf(axes, 1);
    axes.adjustAxisPositions(1, -1.0f);
    EXPECT_GT(gapOf(axes, 1), before);
    axes.adjustAxisPositions(1, 3.0f);
    EXPECT_LT(gapOf(axes, 1), before);
}

TEST(ParallelCoordinatesAxis, ClampedGapsEndAtMinimumShare) {
    // Twelve axes, region 5, a huge delta: the step falls off as e^-(k - 5)^2,
    // so regions 3..7 clamp to 0.02 and the rest barely change before all are
    // rescaled to add up to 0.9 (sum 0.57856): the far gaps grow from 0.0818
    // to 0.1273 while the clamped ones end at 0.02 * 0.9 / 0.57856.
    ParallelCoordinatesAxis twelve(12);
    twelve.adjustAxisPositions(5, 1000.0f);
    for (int k = 3; k <= 7; ++k) EXPECT_NEAR(gapOf(twelve, k), 0.0311119, 1e-6) << "region " << k;
    for (int k : {0, 10}) EXPECT_NEAR(gapOf(twelve, k), 0.1272759, 1e-6) << "region " << k;
    EXPECT_NEAR(gapOf(twelve, 2), 0.1176771, 1e-6);
}

}  // namespace

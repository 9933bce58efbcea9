// The one transform of raw values onto an axis: linear, flipped and
// logarithmic, both ends of each, the way back, and the degenerate cases
// (equal extremes, missing values, values beyond the extremes).
#include <cmath>

#include "TestSupport.h"
#include "data/AxisScale.h"

TEST(AxisScaleTest, LinearFlippedAndLogarithmicScalesPlaceValuesAndGiveThemBack) {
    const AxisScale linear(2.0, 10.0);
    EXPECT_EQ(linear.normalise(2.0), 0.0f);
    EXPECT_EQ(linear.normalise(10.0), 1.0f);
    EXPECT_EQ(linear.normalise(4.0), 0.25f);
    const AxisScale flipped(2.0, 10.0, true);
    EXPECT_EQ(flipped.normalise(2.0), 1.0f);
    EXPECT_EQ(flipped.normalise(10.0), 0.0f);
    EXPECT_EQ(flipped.normalise(4.0), 0.75f);
    const AxisScale logarithmic(1.0, 1000.0, false, true);
    EXPECT_EQ(logarithmic.normalise(1.0), 0.0f);
    EXPECT_EQ(logarithmic.normalise(1000.0), 1.0f);
    EXPECT_FLOAT_EQ(logarithmic.normalise(10.0), 1.0f / 3.0f);
    EXPECT_FLOAT_EQ(logarithmic.normalise(100.0), 2.0f / 3.0f);
    const AxisScale both(1.0, 1000.0, true, true);
    EXPECT_FLOAT_EQ(both.normalise(10.0), 2.0f / 3.0f);
    EXPECT_EQ(both.normalise(1000.0), 0.0f);
    // The way back, at both ends and between, on every kind of scale.
    for (const AxisScale& scale : {linear, flipped, logarithmic, both}) {
        for (double raw : {scale.minRaw, scale.maxRaw, 0.3 * scale.minRaw + 0.7 * scale.maxRaw}) {
            EXPECT_NEAR(scale.toRaw(scale.normalise(raw)), raw, 1e-5 * scale.maxRaw) << raw;
        }
    }
    EXPECT_NEAR(logarithmic.toRaw(0.5f), std::sqrt(1000.0), 1e-3);
    EXPECT_DOUBLE_EQ(flipped.toRaw(0.0f), 10.0);  // a flipped axis has its maximum at the foot
    EXPECT_TRUE(linear.isPlain());
    EXPECT_FALSE(flipped.isPlain());
    EXPECT_FALSE(AxisScale(1, 2, false, true).isPlain());
}

TEST(AxisScaleTest, DegenerateInputsStandWhereTheAxisShowsThem) {
    const AxisScale linear(2.0, 10.0);
    // Beyond the extremes: held at the nearer end, never taken for a missing value.
    EXPECT_EQ(linear.normalise(-50.0), 0.0f);
    EXPECT_EQ(linear.normalise(1e9), 1.0f);
    EXPECT_EQ(AxisScale(2.0, 10.0, true).normalise(-50.0), 1.0f);
    // Missing: below the foot, whatever the scale; and back to NaN.
    EXPECT_EQ(linear.normalise(std::nan("")), AxisScale::kMissingNorm);
    EXPECT_EQ(AxisScale(1, 9, true, true).normalise(std::nan("")), AxisScale::kMissingNorm);
    EXPECT_TRUE(std::isnan(linear.toRaw(AxisScale::kMissingNorm)));
    // Equal extremes: the middle, flipped or not; back to the one value.
    EXPECT_EQ(AxisScale(7, 7).normalise(7), AxisScale::kConstantNorm);
    EXPECT_EQ(AxisScale(7, 7, true, true).normalise(7), AxisScale::kConstantNorm);
    EXPECT_EQ(AxisScale(7, 7).toRaw(0.9f), 7.0);
    // A log scale on values that are not all positive is not made; a value <= 0 stands at the foot.
    EXPECT_TRUE(AxisScale::canBeLogarithmic(1e-9));
    EXPECT_FALSE(AxisScale::canBeLogarithmic(0.0));
    EXPECT_FALSE(AxisScale::canBeLogarithmic(-1.0));
    EXPECT_EQ(AxisScale(1, 100, false, true).normalise(0.0), 0.0f);
    EXPECT_EQ(AxisScale(1, 100, false, true).normalise(-3.0), 0.0f);
    // Asked of extremes that cannot have it, the scale stays linear rather than giving NaN.
    EXPECT_EQ(AxisScale(0, 10, false, true).normalise(5.0), 0.5f);
    EXPECT_EQ(AxisScale(0, 10, false, true).toRaw(0.5f), 5.0);
}

TEST(AxisScaleTest, BeyondTheExtremesValuesLeaveTheAxisInsteadOfStoppingAtItsEnds) {
    const AxisScale flipped(2.0, 10.0, true);
    EXPECT_EQ(flipped.normalise(18.0), 0.0f);
    EXPECT_EQ(flipped.normaliseBeyond(18.0), -1.0f);
    EXPECT_EQ(flipped.normaliseBeyond(-6.0), 2.0f);
    EXPECT_EQ(flipped.normaliseBeyond(4.0), flipped.normalise(4.0));
    const AxisScale logarithmic(1.0, 100.0, false, true);
    EXPECT_FLOAT_EQ(logarithmic.normaliseBeyond(10000.0), 2.0f);
    EXPECT_EQ(logarithmic.normaliseBeyond(-3.0), 0.0f);  // no place on a logarithmic scale: the low end
    EXPECT_EQ(flipped.normaliseBeyond(std::nan("")), AxisScale::kMissingNorm);
}

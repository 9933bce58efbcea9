// Item paths: which segments bend, where they pass, and the colours they take.
#include "OperatorTestSupport.h"
#include "operators/DataItemPaths.h"

namespace {

// Five axes at 0.05, 0.275, 0.5, 0.725, 0.95. Items 0 and 1 run along the
// foot and the top; item 2 is flat at 0.5, then rises from 0.3 to 0.7 between
// axes 2 and 3 (through view point (0.6125, 0.5)). Paths have 15 points per segment.
class DataItemPathsTest : public OperatorTest {
protected:
    void SetUp() override { makeView("a,b,c,d,e\n0,0,0,0,0\n1,1,1,1,1\n0.5,0.5,0.3,0.7,0.5\n"); }
    DataItemPaths& paths() { return *view->getItemPaths(); }
    // Distance of point k of (item, segment) from the straight segment, view units (aspect-scaled x).
    double offLine(int item, int segment, int k) {
        const float* xs = paths().getCurveX(item, segment);
        const float* ys = paths().getCurveY(item, segment);
        const double aspect = view->getAspect();
        const double x0 = aspect * xs[0], y0 = ys[0], x1 = aspect * xs[14], y1 = ys[14];
        return std::fabs((y1 - y0) * (aspect * xs[k] - x0) - (x1 - x0) * (ys[k] - y0)) / std::hypot(x1 - x0, y1 - y0);
    }
    float passY() { return paths().getCurveY(2, 2)[7]; }  // the middle of item 2's segment 2
};

TEST_F(DataItemPathsTest, OneOperatorColoursTheWholeItemAndBendsOnlyItsSegment) {
    const Color4 red(1, 0, 0, 0.9f);
    AROperator* op = add(0.6125f, 0.52f, true, red);  // 0.02 above item 2's segment 2
    ASSERT_NE(op, nullptr);
    ASSERT_EQ(op->controlList, std::vector<int>{2});
    view->buildCurves();

    EXPECT_FALSE(paths().isUnbent(2));
    for (int segment = 0; segment < 4; ++segment) EXPECT_TRUE(colourIs(paths().getSegmentColor(2, segment), red));
    // Segments 0, 1 and 3 are straight from axis to axis; segment 2 is pulled towards the centre.
    for (int segment : {0, 1, 3}) {
        EXPECT_NEAR(paths().getCurveX(2, segment)[0], view->getAxes()->getAxisPosition(segment), 1e-6);
        EXPECT_NEAR(paths().getCurveX(2, segment)[14], view->getAxes()->getAxisPosition(segment + 1), 1e-6);
        for (int k = 0; k < 15; ++k) EXPECT_NEAR(offLine(2, segment, k), 0, 1e-6) << segment << " " << k;
    }
    EXPECT_GT(offLine(2, 2, 7), 1e-3) << "the segment through the operator bends";
    EXPECT_GT(passY(), 0.5f);   // towards the centre above the line ...
    EXPECT_LT(passY(), 0.52f);  // ... without passing it

    // Items no operator holds stay straight in the view's line colour.
    EXPECT_TRUE(paths().isUnbent(0));
    EXPECT_TRUE(colourIs(paths().getSegmentColor(0, 3), Color4(0.5f, 0.5f, 0.5f, 0.75f)));
    for (int item = 0; item < 3; ++item)
        for (int segment = 0; segment < 4; ++segment)
            for (int k = 0; k < 15; ++k) ASSERT_TRUE(std::isfinite(paths().getCurveY(item, segment)[k]));
}

TEST_F(DataItemPathsTest, LockedOperatorsPassThroughOrBesideTheirCentre) {
    AROperator* op = add(0.6125f, 0.52f, true);
    op->locked = true;
    view->buildCurves();
    // A locked primary operator does not pull: the path passes exactly through its centre.
    EXPECT_NEAR(paths().getCurveX(2, 2)[7], op->position.x, 1e-6);
    EXPECT_FLOAT_EQ(passY(), op->position.y);
    EXPECT_NEAR(paths().getCurveX(2, 2)[14], 0.725f, 1e-6);

    // Unlocked, it pulls the path part of the way; a secondary operator pushes it out.
    op->locked = false;
    view->buildCurves();
    EXPECT_GT(passY(), 0.5f);
    op->primary = false;
    view->buildCurves();
    EXPECT_LT(passY(), 0.5f);
}

TEST_F(DataItemPathsTest, TwoOperatorsSplitTheColoursAtTheSecond) {
    const Color4 red(1, 0, 0, 1), blue(0, 0, 1, 1);
    AROperator* first = add(0.1625f, 0.5f, true, red);  // segment 0, where item 2 is flat
    ASSERT_NE(first, nullptr);
    tree->setFocused(first);
    AROperator* second = add(0.6125f, 0.52f, true, blue);  // segment 2, under the first
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(second->controlList, std::vector<int>{2});
    view->buildCurves();
    for (int segment = 0; segment < 4; ++segment) {
        EXPECT_TRUE(colourIs(paths().getSegmentColor(2, segment), segment < 2 ? red : blue)) << segment;
    }
}

}  // namespace

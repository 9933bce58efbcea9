// Item paths: which segments bend, where they pass, the colours they take,
// and the update that rebuilds only what changed.
#include "OperatorTestSupport.h"

#include <random>

#include "operators/DataItemPaths.h"

namespace {

// Every point, colour and straight flag of two path sets, compared exactly.
testing::AssertionResult samePaths(const DataItemPaths& a, const DataItemPaths& b, int items) {
    for (int item = 0; item < items; ++item) {
        if (a.isUnbent(item) != b.isUnbent(item)) return testing::AssertionFailure() << "straight flag of " << item;
        for (int segment = 0; segment < a.getSegmentNum(); ++segment) {
            const Color4 &ca = a.getSegmentColor(item, segment), &cb = b.getSegmentColor(item, segment);
            if (ca.r != cb.r || ca.g != cb.g || ca.b != cb.b || ca.a != cb.a)
                return testing::AssertionFailure() << "colour of " << item << "/" << segment;
            if (a.isUnbent(item)) continue;  // straight items are drawn from the table, not from points
            DataItemPaths::SegmentCurve ka, kb;
            a.getCurve(item, segment, &ka);
            b.getCurve(item, segment, &kb);
            if (a.isBent(item, segment) != b.isBent(item, segment))
                return testing::AssertionFailure() << "bent flag of " << item << "/" << segment;
            for (int k = 0; k < DataItemPaths::kPointsPerSegment; ++k) {
                if (!sameBits(ka.x[k], kb.x[k]) || !sameBits(ka.y[k], kb.y[k]))
                    return testing::AssertionFailure() << "point " << k << " of " << item << "/" << segment;
            }
        }
    }
    return testing::AssertionSuccess();
}

// A table holder whose view can change shape (as a window's does when resized).
struct ReshapableModel : TableModel {
    using TableModel::setAspect;
};

// Five axes at 0.05, 0.275, 0.5, 0.725, 0.95. Items 0 and 1 run along the
// foot and the top; item 2 is flat at 0.5, then rises from 0.3 to 0.7 between
// axes 2 and 3 (through view point (0.6125, 0.5)). Paths have 15 points per segment.
class DataItemPathsTest : public TreeTest<ReshapableModel> {
protected:
    void SetUp() override { makeView("a,b,c,d,e\n0,0,0,0,0\n1,1,1,1,1\n0.5,0.5,0.3,0.7,0.5\n"); }
    DataItemPaths& paths() { return *view->getItemPaths(); }
    DataItemPaths::SegmentCurve curve(int item, int segment) {
        DataItemPaths::SegmentCurve points;
        paths().getCurve(item, segment, &points);
        return points;
    }
    // Distance of point k of (item, segment) from the straight segment, view units (aspect-scaled x).
    double offLine(int item, int segment, int k) {
        const DataItemPaths::SegmentCurve points = curve(item, segment);
        const float* xs = points.x;
        const float* ys = points.y;
        const double aspect = view->getAspect();
        const double x0 = aspect * xs[0], y0 = ys[0], x1 = aspect * xs[14], y1 = ys[14];
        return std::fabs((y1 - y0) * (aspect * xs[k] - x0) - (x1 - x0) * (ys[k] - y0)) / std::hypot(x1 - x0, y1 - y0);
    }
    float passY() { return curve(2, 2).y[7]; }  // the middle of item 2's segment 2
};

TEST_F(DataItemPathsTest, OneOperatorColoursTheWholeItemAndBendsOnlyItsSegment) {
    const Color4 red(1, 0, 0, 0.9f);
    AROperator* op = add(0.6125f, 0.52f, true, red);  // 0.02 above item 2's segment 2
    ASSERT_NE(op, nullptr);
    ASSERT_EQ(op->controlList, std::vector<int>{2});
    paths().updatePaths();

    EXPECT_FALSE(paths().isUnbent(2));
    for (int segment = 0; segment < 4; ++segment) EXPECT_TRUE(colourIs(paths().getSegmentColor(2, segment), red));
    // Segments 0, 1 and 3 are straight from axis to axis; segment 2 is pulled towards the centre.
    for (int segment : {0, 1, 3}) {
        EXPECT_NEAR(curve(2, segment).x[0], view->getAxes()->getAxisPosition(segment), 1e-6);
        EXPECT_NEAR(curve(2, segment).x[14], view->getAxes()->getAxisPosition(segment + 1), 1e-6);
        for (int k = 0; k < 15; ++k) EXPECT_NEAR(offLine(2, segment, k), 0, 1e-6) << segment << " " << k;
    }
    EXPECT_GT(offLine(2, 2, 7), 1e-3) << "the segment through the operator bends";
    EXPECT_TRUE(paths().isBent(2, 2));
    EXPECT_FALSE(paths().isBent(2, 0)) << "only bent segments are stored";
    EXPECT_GT(passY(), 0.5f);   // towards the centre above the line ...
    EXPECT_LT(passY(), 0.52f);  // ... without passing it

    // Items no operator holds stay straight in the view's line colour.
    EXPECT_TRUE(paths().isUnbent(0));
    EXPECT_TRUE(colourIs(paths().getSegmentColor(0, 3), Color4(0.5f, 0.5f, 0.5f, 0.75f)));
    for (int item = 0; item < 3; ++item)
        for (int segment = 0; segment < 4; ++segment)
            for (int k = 0; k < 15; ++k) ASSERT_TRUE(std::isfinite(curve(item, segment).y[k]));
}

TEST_F(DataItemPathsTest, LockedOperatorsPassThroughOrBesideTheirCentre) {
    AROperator* op = add(0.6125f, 0.52f, true);
    tree->toggleLock(op);
    paths().updatePaths();
    // A locked primary operator does not pull: the path passes exactly through its centre.
    EXPECT_NEAR(curve(2, 2).x[7], op->position.x, 1e-6);
    EXPECT_FLOAT_EQ(passY(), op->position.y);
    EXPECT_NEAR(curve(2, 2).x[14], 0.725f, 1e-6);

    // Unlocked, it pulls the path part of the way; a secondary operator pushes it out.
    tree->toggleLock(op);
    paths().updatePaths();
    EXPECT_GT(passY(), 0.5f);
    op->primary = false;
    paths().updatePaths();
    EXPECT_LT(passY(), 0.5f);
}

// A child operator right of its parent, and the mirror case, left of it:
// each segment takes the colour of the nearest operator at or left of it,
// segments left of both the leftmost's; on one segment the child's.
TEST_F(DataItemPathsTest, NestedOperatorsSplitTheColoursWhereverTheChildStands) {
    const Color4 red(1, 0, 0, 1), blue(0, 0, 1, 1);
    struct Case {
        float parentX, parentY, childX, childY;
        std::vector<bool> childColoured;  // per segment
    };
    // 0.1625: segment 0, where item 2 is flat; 0.6125: segment 2, where it rises.
    for (const Case& c : {Case{0.1625f, 0.5f, 0.6125f, 0.52f, {false, false, true, true}},
                          Case{0.6125f, 0.52f, 0.1625f, 0.5f, {true, true, false, false}},
                          Case{0.6125f, 0.52f, 0.6125f, 0.5f, {true, true, true, true}}}) {
        SCOPED_TRACE(testing::Message() << "parent at " << c.parentX << ", child at " << c.childX);
        makeView("a,b,c,d,e\n0,0,0,0,0\n1,1,1,1,1\n0.5,0.5,0.3,0.7,0.5\n");
        AROperator* parent = add(c.parentX, c.parentY, true, red);
        ASSERT_NE(parent, nullptr);
        AROperator* child = addUnder(parent, c.childX, c.childY, true, blue);
        ASSERT_NE(child, nullptr);
        ASSERT_EQ(child->controlList, std::vector<int>{2});
        paths().updatePaths();
        for (int segment = 0; segment < 4; ++segment) {
            EXPECT_TRUE(colourIs(paths().getSegmentColor(2, segment), c.childColoured[segment] ? blue : red)) << segment;
        }
    }
}

TEST_F(DataItemPathsTest, AnUpdateWithNothingChangedRebuildsNothingAndAMoveOnlyItsItems) {
    makeView("a,b,c\n0.1,0.2,0.3\n0.5,0.5,0.5\n0.52,0.5,0.48\n0.9,0.8,0.7\n0.2,0.9,0.1\n");
    AROperator* left = add(0.275f, 0.5f);  // takes the two flat items in the first gap
    ASSERT_NE(left, nullptr);
    ASSERT_EQ(left->controlList.size(), 2u);
    paths().updateChangedPaths();
    EXPECT_EQ(paths().getRebuiltItemCount(), 2);
    paths().updateChangedPaths();
    EXPECT_EQ(paths().getRebuiltItemCount(), 0) << "nothing changed";
    AROperator* right = add(0.725f, 0.2f);
    tree->setOperatorRadius(right, 0.3);
    ASSERT_FALSE(right->controlList.empty());
    paths().updateChangedPaths();
    EXPECT_EQ(paths().getRebuiltItemCount(), static_cast<int>(right->controlList.size()))
        << "the first operator's items were not touched";
    tree->paintNode(left, Color4(0, 0, 1, 1));
    paths().updateChangedPaths();
    EXPECT_EQ(paths().getRebuiltItemCount(), 2);
    EXPECT_TRUE(colourIs(paths().getSegmentColor(left->controlList[0], 0), Color4(0, 0, 1, 1)));

    // A drag: the paths' memory stays what the first steps took.
    size_t bytes = 0;
    for (int step = 0; step < 300; ++step) {
        tree->moveOperator(right, 0.72f + 0.01f * static_cast<float>(step % 2), 0.2f);
        paths().updateChangedPathsDeferringBends();
        for (int item = 0; item < 5; ++item) paths().bendPendingSegments(item);
        if (step == 20) bytes = paths().getMemoryBytes();
    }
    EXPECT_EQ(paths().getMemoryBytes(), bytes);

    // The view changes shape, the tree does not: every bent line is bent anew
    // for the new proportions, at once or when drawn.
    for (const bool deferred : {false, true}) {
        view->setAspect(deferred ? 1.5f : 3.0f);
        if (deferred) {
            paths().updateChangedPathsDeferringBends();
        } else {
            paths().updateChangedPaths();
        }
        DataItemPaths fresh(view);
        fresh.updatePaths();
        EXPECT_TRUE(samePaths(paths(), fresh, 5)) << (deferred ? "deferred" : "at once");
    }
}

// After random edits through the tree, the update of what changed gives
// exactly what a full rebuild from scratch gives. Fixed seed.
// Random edits of every kind, each followed by an update of what changed,
// compared with paths built afresh from the same tree.
class RandomEditsTest : public OperatorTest {
protected:
    // Deferred: the update leaves the points of new bends to compute, and a
    // random share of the items is bent (as drawn) before the next edit; now
    // and then the table's values change under the paths (as a reorder does)
    // and the update leaves every item to be built when drawn.
    void checkRandomEdits(int rows, int steps, bool deferred = false) {
        std::mt19937 random(7);
        makeView(randomIntegerTable(rows, 5, 50, 7));
        std::uniform_real_distribution<float> x(0.06f, 0.94f), y(0.1f, 0.9f), unit(0, 1);
        std::vector<AROperator*> nodes;
        DataItemPaths& paths = *view->getItemPaths();
        int mostRebuilt = 0;  // the edits must bend many items at once now and then
        bool sawPending = false;
        bool sawEveryItemUnbuilt = false;
        for (int step = 0; step < steps; ++step) {
            tree->collectNodes(&nodes);
            AROperator* node = nodes[random() % nodes.size()];
            const bool regular = node->type == AROperator::kTypeRegular;
            switch (random() % 7) {
                case 0: case 1: {
                    AROperator* made = addUnder(node, x(random), y(random), unit(random) < 0.7f);
                    if (made != nullptr) tree->setOperatorRadius(made, 0.15);
                    break;
                }
                case 2: if (regular) tree->moveOperator(node, x(random), y(random)); break;
                case 3: if (regular) tree->setOperatorAngle(node, unit(random) - 0.5); break;
                case 4: if (regular) tree->toggleLock(node); break;
                case 5: tree->paintNode(node, Color4(unit(random), unit(random), unit(random), 1)); break;
                default: tree->removeAR(node); break;
            }
            if (deferred) {
                const bool valuesChanged = random() % 5 == 0;
                if (valuesChanged) paths.forgetBuild();
                paths.updateChangedPathsDeferringBends();
                sawPending = sawPending || paths.hasPendingBends();
                sawEveryItemUnbuilt = sawEveryItemUnbuilt || (valuesChanged && !paths.isBuilt(random() % rows));
                for (int item = 0; item < rows; ++item) {
                    if (unit(random) < 0.5f) paths.bendPendingSegments(item);
                }
            } else {
                paths.updateChangedPaths();
            }
            mostRebuilt = std::max(mostRebuilt, paths.getRebuiltItemCount());
            DataItemPaths fresh(view);
            fresh.updatePaths();
            ASSERT_TRUE(samePaths(paths, fresh, rows)) << "after step " << step;
        }
        EXPECT_GT(mostRebuilt, rows / 10);
        if (deferred) {
            EXPECT_TRUE(sawPending);
            EXPECT_TRUE(sawEveryItemUnbuilt);
            // Every item drawn once: nothing is left to bend, and the points kept are the same.
            for (int item = 0; item < rows; ++item) paths.bendPendingSegments(item);
            EXPECT_FALSE(paths.hasPendingBends());
            DataItemPaths fresh(view);
            fresh.updatePaths();
            EXPECT_TRUE(samePaths(paths, fresh, rows));
        }
    }
};

TEST_F(RandomEditsTest, UpdatingWhatChangedEqualsAFullRebuild) { checkRandomEdits(80, 60); }

TEST_F(RandomEditsTest, BendsLeftForTheDrawingGiveTheSamePointsWhenAskedForOrKept) {
    checkRandomEdits(80, 60, true);
}

// Large enough that the update is split over the cores.
TEST_F(RandomEditsTest, UpdatingWhatChangedEqualsAFullRebuildOnALargeTable) { checkRandomEdits(70000, 12); }

}  // namespace

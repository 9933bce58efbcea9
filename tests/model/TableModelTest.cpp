// The model of one table without any window: what linking a table builds and
// releases, the tree observer, and moving the axes with everything on them.
#include "TestSupport.h"
#include "cluster/ClusterPath.h"
#include "model/TableModel.h"
#include "operators/ClusterTree.h"
#include "operators/TreeObserver.h"

namespace {

struct CountingObserver : TreeObserver {
    void releaseLinks() override { ++released; }
    int released = 0;
};

class TableModelTest : public testing::Test {
protected:
    void link(const std::string& contents) { model.linkMDdata(loadTableQuietly(dir.write("t.txt", contents))); }
    TempDir dir;
    TableModel model;
};

TEST_F(TableModelTest, LinkingBuildsEveryPerTableObjectAndTellsTheObserverFirst) {
    EXPECT_FALSE(model.isDataReady());
    EXPECT_FALSE(model.hasDrawableData());
    CountingObserver observer;
    model.setTreeObserver(&observer);
    link("a,b,c\n1,2,3\n4,5,6\n");
    EXPECT_EQ(observer.released, 1);
    ASSERT_TRUE(model.isDataReady());
    EXPECT_TRUE(model.hasDrawableData());
    EXPECT_EQ(model.getAxes()->getAxisNum(), 3);
    EXPECT_EQ(model.getClusterTree()->getRoot()->controlList, (std::vector<int>{0, 1}));
    EXPECT_EQ(model.getPaths()->getDimNum(), 3);
    EXPECT_EQ(model.getItemScores().size(), 2u);
    EXPECT_FLOAT_EQ(model.getHistogramWidth(2), 0.5f);
    EXPECT_EQ(model.getHistogramWidth(3), 0.0f);
    model.stepHistogramWidth(0, 100);
    EXPECT_FLOAT_EQ(model.getHistogramWidth(0), 16.0f);
    model.stepHistogramWidth(0, -100);
    EXPECT_FLOAT_EQ(model.getHistogramWidth(0), 0.25f);
    EXPECT_FLOAT_EQ(model.getAspect(), 2.0f) << "a 1000 x 500 view without a window";

    // A new table replaces everything; the switches stay.
    model.setGroupSort(true);
    link("x\n1\n");
    EXPECT_EQ(observer.released, 2);
    EXPECT_EQ(model.getAxes()->getAxisNum(), 1);
    EXPECT_FLOAT_EQ(model.getHistogramWidth(0), 0.5f);
    EXPECT_TRUE(model.getGroupSort());
    link("name\nx\n");
    EXPECT_TRUE(model.isDataReady());
    EXPECT_FALSE(model.hasDrawableData()) << "no numeric dimension";
}

TEST_F(TableModelTest, SpreadingTheAxesCarriesHintPointsAndOperatorsAndRaisesTheRevision) {
    link("a,b,c,d\n0,0,0,0\n1,1,1,1\n0.5,0.5,0.5,0.5\n0.5,0.5,0.5,0.5\n");
    ClusterTree* tree = model.getClusterTree();
    AROperator* op = nullptr;
    stdoutOf([&] { op = tree->addAR(&model, 0.2f, 0.5f, true, Color4(1, 0, 0, 1)); });
    ASSERT_NE(op, nullptr);
    model.getPaths()->addHintPoint(0, 1, model.getAxes()->getAxisPosition(1), 0.5f);
    const std::vector<int> held = op->controlList;
    const uint64_t before = tree->getRevision();
    const float axisBefore = model.getAxes()->getAxisPosition(1);

    model.adjustAxisPositions(1, -3);
    const float axisAfter = model.getAxes()->getAxisPosition(1);
    EXPECT_NE(axisAfter, axisBefore);
    ASSERT_EQ(model.getPaths()->getUnlockedPathNum(), 1);
    EXPECT_FLOAT_EQ(model.getPaths()->getUnlockedPath(0)->hintPoints[1].x, axisAfter);
    const float left = model.getAxes()->getAxisPosition(0);
    EXPECT_NEAR(op->position.x, left + (axisAfter - left) * op->relativeX, 1e-6);
    EXPECT_EQ(op->controlList, held) << "moving with the axes changes no item list";
    EXPECT_GT(tree->getRevision(), before);
    EXPECT_EQ(op->revision, tree->getRevision()) << "the operator's paths must be rebuilt";
}

}  // namespace

// The operator tree: its root, adding operators and what they take, removal
// and its merges, hit tests and graph forces. (Moves with the axes: InteractionTest.)
#include "OperatorTestSupport.h"

#include <numeric>

namespace {

// The lower edge of angle bin `bin` of 32 over (-pi/2, pi/2], and the bin of an angle.
double binAngle(int bin) { return bin / 32.0 * 3.1415926 - 1.5707963; }
int binOf(double angle) { return static_cast<int>((angle + 1.5707963) / 3.1415926 * 32); }

float histogramSum(const AROperator* node, int dim) {
    float sum = 0;
    for (int bin = 0; bin < 128; ++bin) sum += node->getHistogramEntry(dim, bin);
    return sum;
}

bool holds(const AROperator* op, int item) {
    return std::count(op->controlList.begin(), op->controlList.end(), item) == 1;
}

class ClusterTreeTest : public OperatorTest {
protected:
    // Two axes (at x 0.05 and 0.95; aspect-scaled 0.1 and 1.9). Items 0 and 1 run
    // along the foot and the top; items 2-4 cross the middle of the view
    // horizontally, items 5-6 cross it rising steeply (atan 0.5 = 0.46 rad, outside
    // the default angular window of pi * 0.25 / 2 = 0.39 rad).
    void SetUp() override { makeView("a,b\n0,0\n1,1\n0.5,0.5\n0.5,0.5\n0.5,0.5\n0,1\n0,1\n"); }
};

TEST_F(ClusterTreeTest, FreshTreeIsARootHoldingEveryItem) {
    makeView("a,b,c\n1,2,3\n4,5,6\n7,8,9\n2,2,2\n");
    AROperator* root = tree->getRoot();
    EXPECT_EQ(root->type, AROperator::kTypeRoot);
    EXPECT_EQ(root->controlList, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(tree->focused, root);
    EXPECT_TRUE(root->noChildren());
    for (int d = 0; d < 3; ++d) EXPECT_FLOAT_EQ(histogramSum(root, d), 1.0f);
    EXPECT_TRUE(std::isnan(root->getHistogramEntry(-1, 0)));
    EXPECT_TRUE(std::isnan(root->getHistogramEntry(0, 128)));
}

TEST_F(ClusterTreeTest, FirstOperatorTakesCrossingItemsFromANewComplementaryChild) {
    AROperator* op = add(0.5f, 0.5f);
    ASSERT_NE(op, nullptr);
    std::string binLines;  // the 32 bin indices, one per line
    for (int bin = 0; bin < 32; ++bin) binLines += std::to_string(bin) + "\n";
    EXPECT_EQ(lastOutput, binLines);

    const auto kids = children(tree->getRoot());
    ASSERT_EQ(kids.size(), 2u);
    EXPECT_EQ(kids.front(), op);
    AROperator* complement = kids.back();
    EXPECT_EQ(complement->type, AROperator::kTypeComplementary);
    EXPECT_EQ(op->getComplementaryAR(), complement);
    // Three horizontal crossings make the peak: the angle is the lower edge of their bin;
    // only segments within pi * 0.25 / 2 of it are taken.
    EXPECT_DOUBLE_EQ(op->angle, binAngle(binOf(0)));
    EXPECT_EQ(op->controlList, (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(complement->controlList, (std::vector<int>{0, 1, 5, 6}));
    EXPECT_TRUE(op->changed);
    // Graph radii and histograms from the shares: 3/7 of the items.
    EXPECT_NEAR(op->graphRadius, std::sqrt(std::exp(3.0 / 7 - 1)) * 0.05, 1e-12);
    EXPECT_FLOAT_EQ(histogramSum(op, 0), 3.0f / 7);

    // A second operator comes before the first in the root's links, and in hit tests.
    AROperator* second = add(0.5f, 0.51f);
    EXPECT_EQ(children(tree->getRoot()).front(), second);
    AROperator* hit = nullptr;
    EXPECT_TRUE(tree->isNearOp(0.5f, 0.505f, &hit));  // equally near both
    EXPECT_EQ(hit, second);
    expectTreeConsistent();
}

TEST_F(ClusterTreeTest, CaptureBoundariesAreStrict) {
    AROperator* op = add(0.5f, 0.55f);
    ASSERT_NE(op, nullptr);
    op->angle = 0;
    op->angleWidth = 0.25;
    // Distance exactly the radius: not taken; a hair more radius: taken.
    const double distance = op->segmentOf(2, 0).distance;
    for (double radius : {distance, std::nextafter(distance, 1.0)}) {
        op->radius = radius;
        op->updateControlList();
        EXPECT_EQ(holds(op, 2), radius > distance);
    }
    // Angle difference exactly the half-width: not taken (the segment is horizontal, atan 0 = 0).
    op->radius = 0.2;
    const double halfWindow = 3.1415926 * op->angleWidth / 2;
    for (double angle : {-halfWindow, -std::nextafter(halfWindow, 0.0)}) {
        op->angle = angle;
        op->updateControlList();
        EXPECT_EQ(holds(op, 3), angle > -halfWindow);
    }
    expectTreeConsistent();
}

TEST_F(ClusterTreeTest, PrincipalAngleTiesGoToTheLowerBinAndAnEmptyParentGivesBinZero) {
    // Two horizontal and two rising crossings: a tie between two bins.
    makeView("a,b\n0,0\n1,1\n0.5,0.5\n0.5,0.5\n0.3,0.7\n0.3,0.7\n");
    AROperator* op = add(0.5f, 0.5f);
    ASSERT_LT(binOf(0), binOf(std::atan(0.9 * 0.4 / (2 * 0.9))));  // rising: dy / (aspect * spacing)
    EXPECT_DOUBLE_EQ(op->angle, binAngle(binOf(0)));
    // An operator under a node holding no item: bin 0, angle -pi/2.
    op->controlList.clear();
    AROperator* inner = addUnder(op, 0.3f, 0.2f);
    ASSERT_NE(inner, nullptr);
    EXPECT_DOUBLE_EQ(inner->angle, -1.5707963);
    EXPECT_TRUE(inner->controlList.empty());
}

TEST_F(ClusterTreeTest, OperatorsNeverStandOutsideARegionAndLockedOnesKeepTheirList) {
    EXPECT_EQ(add(0.02f, 0.5f), nullptr);  // left of the first axis
    EXPECT_EQ(add(0.95f, 0.5f), nullptr);  // exactly on the last axis
    EXPECT_TRUE(tree->getRoot()->noChildren());
    AROperator* op = add(0.3f, 0.5f);
    ASSERT_NE(op, nullptr);
    moveTo(op, 1.2f, 0.5f);  // dragged beyond the last axis
    EXPECT_EQ(op->leftAxis, 0);
    EXPECT_GT(op->position.x, 0.05f);
    EXPECT_LT(op->position.x, 0.95f);

    // A locked operator keeps its list when moved, turned or resized.
    const std::vector<int> held = op->controlList;
    op->locked = true;
    moveTo(op, 0.5f, 0.1f);
    op->angle = 1.0;
    op->radius = 0.3;
    op->updateControlList();
    EXPECT_EQ(op->controlList, held);
    op->locked = false;
    op->updateControlList();
    EXPECT_NE(op->controlList, held) << "unlocked, the same move changes the list";
    expectTreeConsistent();

    // One axis, or none: nothing can be placed.
    makeView("a\n1\n2\n");
    EXPECT_EQ(add(0.5f, 0.5f), nullptr);
    makeView("name\nx\n");
    EXPECT_EQ(add(0.5f, 0.5f), nullptr);
}

TEST_F(ClusterTreeTest, RemovingTheOnlyChildLeavesTheParentALeafAndResetsFocus) {
    AROperator* op = add(0.5f, 0.5f);
    tree->setFocused(op);
    EXPECT_TRUE(tree->removeAR(op));
    AROperator* root = tree->getRoot();
    EXPECT_TRUE(root->noChildren());  // its complementary child went too
    EXPECT_EQ(tree->focused, root);
    EXPECT_EQ(root->controlList.size(), 7u);
    EXPECT_FALSE(tree->removeAR(root));  // the root stays
    expectTreeConsistent();
}

TEST_F(ClusterTreeTest, RemovalMergesComplementaryChildrenAndKeepsOperatorsBelowThem) {
    AROperator* root = tree->getRoot();
    AROperator* a = add(0.5f, 0.5f);                 // takes 2, 3, 4 from the root's complement
    AROperator* b = addUnder(a, 0.5f, 0.5f, false);  // takes from a's complement
    AROperator* aComplement = b->getComplementaryAR();
    AROperator* c = addUnder(aComplement, 0.2f, 0.5f);
    ASSERT_NE(c, nullptr);

    EXPECT_TRUE(tree->removeAR(a));
    // a's children moved up; its complementary child merged into the root's.
    EXPECT_EQ(b->parent, root);
    EXPECT_TRUE(tree->contains(c)) << "operators below a merged node stay in the tree";
    AROperator* kept = complementOf(root);
    int complements = 0;
    for (AROperator* kid : children(root)) complements += kid->type == AROperator::kTypeComplementary;
    EXPECT_EQ(complements, 1);
    EXPECT_EQ(c->parent, kept);
    EXPECT_EQ(tree->focused, root);  // the merged node was in focus
    // The kept complement holds every item once, its histogram rebuilt.
    std::vector<int> all(kept->controlList), everyItem(7);
    std::sort(all.begin(), all.end());
    std::iota(everyItem.begin(), everyItem.end(), 0);
    EXPECT_EQ(all, everyItem);
    EXPECT_FLOAT_EQ(histogramSum(kept, 1), 1.0f);
    EXPECT_NEAR(kept->graphRadius, 0.05, 1e-12);
    expectTreeConsistent();

    // Moving the survivors and removing them again keeps every list free of repeats.
    c->updateControlList();
    EXPECT_TRUE(tree->removeAR(b));
    EXPECT_TRUE(tree->removeAR(c));
    expectTreeConsistent();
    EXPECT_FALSE(tree->removeAR(b)) << "no longer in the tree";
}

TEST_F(ClusterTreeTest, HitTestsAreStrictAndNestedBoundingReportsTheOuterOperator) {
    AROperator* outer = add(0.5f, 0.5f);
    AROperator* inner = addUnder(outer, 0.5f, 0.52f);
    ASSERT_NE(inner, nullptr);
    AROperator* found = nullptr;
    EXPECT_TRUE(tree->isInBounding(0.5f, 0.53f, &found));
    EXPECT_EQ(found, outer);

    // Near the centre: strictly closer than 0.02 (a vertical offset of exactly 0.02 is a miss).
    inner->position.setPoint(0.4f, 0.9f);
    outer->position.setPoint(0.5f, 0.0f);
    found = nullptr;
    EXPECT_FALSE(tree->isNearOp(0.5f, 0.02f, &found));
    EXPECT_EQ(found, nullptr) << "a miss leaves the result untouched";
    EXPECT_TRUE(tree->isNearOp(0.5f, std::nextafter(0.02f, 0.0f), &found));
    EXPECT_EQ(found, outer);

    // The lock icon: right of and below the centre, x offsets divided by the aspect (2).
    outer->position.setPoint(0.5f, 0.5f);
    found = nullptr;
    EXPECT_TRUE(tree->isInLockRegion(0.5f + 0.016f, 0.47f, &found));
    EXPECT_EQ(found, outer);
    EXPECT_FALSE(tree->isInLockRegion(0.5f + 0.03f, 0.47f, &found));  // 0.052 / 2 = 0.026 is the edge
    EXPECT_FALSE(tree->isInLockRegion(0.5f + 0.016f, 0.49f, &found));

    // In the graph: every node, by its circle.
    tree->getRoot()->graphX = 0.5;
    tree->getRoot()->graphY = 0.7;
    tree->getRoot()->graphRadius = 0.05;
    EXPECT_TRUE(tree->isNearOpInGraph(0.52f, 0.7f, &found));
    EXPECT_EQ(found, tree->getRoot());
}

TEST_F(ClusterTreeTest, ForcesPullLinkedNodesToTheirRestLength) {
    AROperator* op = add(0.5f, 0.5f);
    AROperator* root = tree->getRoot();
    root->graphRadius = 0.05;
    root->graphX = op->graphX = 0.5;
    root->graphY = 0.7;
    op->graphY = 0.3;  // far below its rest length: pulled up, the root down
    op->getComplementaryAR()->graphX = 0.9;
    op->getComplementaryAR()->graphY = 0.3;
    float unused = 0;
    tree->getForce(op, &unused, &unused);
    EXPECT_GT(op->forceY, 0);
    EXPECT_NEAR(op->forceX, 0, 1e-12);
    EXPECT_LT(root->forceY, 0);
    // At the rest length the spring is slack.
    op->forceX = op->forceY = 0;
    op->graphY = 0.7 - (0.05 + op->graphRadius + 0.05);
    tree->getForce(op, &unused, &unused);
    EXPECT_NEAR(op->forceY, 0, 1e-6);  // positions are taken in single precision
}

}  // namespace

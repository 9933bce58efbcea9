// The operator tree: its root, adding operators and what they take, edits,
// removal and its merges (the leaves always share out the table), hit tests
// and the revision that tells readers what changed.
#include "OperatorTestSupport.h"

#include <random>

namespace {

// The lower edge of angle bin `bin` of 32 over (-pi/2, pi/2], and the bin of an angle.
double binAngle(int bin) { return bin / 32.0 * 3.1415926 - 1.5707963; }
int binOf(double angle) { return static_cast<int>((angle + 1.5707963) / 3.1415926 * 32); }

float histogramSum(const AROperator* node, int dim) {
    float sum = 0;
    for (int bin = 0; bin < 128; ++bin) sum += node->getHistogramEntry(dim, bin);
    return sum;
}

std::vector<int> sortedItems(const AROperator* node) {
    std::vector<int> items = node->controlList;
    std::sort(items.begin(), items.end());
    return items;
}

bool holds(const AROperator* op, int item) {
    return std::count(op->controlList.begin(), op->controlList.end(), item) == 1;
}

// `rows` items over four dimensions with values spread by a fixed-seed generator.
std::string randomTable(int rows, unsigned seed) { return randomIntegerTable(rows, 4, 100, seed); }

class ClusterTreeTest : public OperatorTest {
protected:
    // Two axes (at x 0.05 and 0.95; aspect-scaled 0.1 and 1.9). Items 0 and 1 run
    // along the foot and the top; items 2-4 cross the middle of the view
    // horizontally, items 5-6 cross it rising steeply (atan 0.5 = 0.46 rad, outside
    // the default angular window of pi * 0.25 / 2 = 0.39 rad).
    void SetUp() override { makeView("a,b\n0,0\n1,1\n0.5,0.5\n0.5,0.5\n0.5,0.5\n0,1\n0,1\n"); }
};

TEST_F(ClusterTreeTest, FirstOperatorTakesCrossingItemsFromANewComplementaryChild) {
    AROperator* root = tree->getRoot();
    EXPECT_EQ(root->type, AROperator::kTypeRoot);
    EXPECT_EQ(root->controlList, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_FLOAT_EQ(histogramSum(root, 1), 1.0f);
    EXPECT_TRUE(std::isnan(root->getHistogramEntry(0, MultidimensionalData::kMissingBin + 1)));

    AROperator* op = add(0.5f, 0.5f);
    ASSERT_NE(op, nullptr);
    std::string binLines;  // the 32 bin indices, one per line
    for (int bin = 0; bin < 32; ++bin) binLines += std::to_string(bin) + "\n";
    EXPECT_EQ(lastOutput, binLines);

    const auto kids = childList(root);
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
    // Graph radii and histograms from the shares: 3/7 of the items.
    EXPECT_NEAR(op->graphRadius, std::sqrt(std::exp(3.0 / 7 - 1)) * 0.05, 1e-12);
    EXPECT_FLOAT_EQ(histogramSum(op, 0), 3.0f / 7);

    // A second operator comes before the first in the root's links, and in hit tests.
    AROperator* second = add(0.5f, 0.51f);
    ASSERT_EQ(childList(root).size(), 3u);
    EXPECT_EQ(childList(root).front(), second);
    AROperator* hit = nullptr;
    EXPECT_TRUE(tree->isNearOp(0.5f, 0.505f, &hit));  // equally near both
    EXPECT_EQ(hit, second);
    expectTreeConsistent();
}

TEST_F(ClusterTreeTest, CaptureBoundariesAreStrict) {
    AROperator* op = add(0.5f, 0.55f);
    ASSERT_NE(op, nullptr);
    tree->setOperatorAngle(op, 0);
    // Distance exactly the radius: not taken; a hair more radius: taken.
    const double distance = op->segmentOf(2, 0).distance;
    for (double radius : {distance, std::nextafter(distance, 1.0)}) {
        tree->setOperatorRadius(op, radius);
        EXPECT_EQ(holds(op, 2), radius > distance);
    }
    // Angle difference exactly the half-width: not taken (the segment is horizontal, atan 0 = 0).
    tree->setOperatorRadius(op, 0.2);
    const double halfWindow = 3.1415926 * op->angleWidth / 2;
    for (double angle : {-halfWindow, -std::nextafter(halfWindow, 0.0)}) {
        tree->setOperatorAngle(op, angle);
        EXPECT_EQ(holds(op, 3), angle > -halfWindow);
    }
    // A wider window takes the rising crossings too.
    tree->setOperatorAngle(op, 0);
    tree->setOperatorAngleWidth(op, 0.5);
    EXPECT_TRUE(holds(op, 5));
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
    tree->moveOperator(op, 1.2f, 0.5f);  // dragged beyond the last axis
    EXPECT_EQ(op->leftAxis, 0);
    EXPECT_GT(op->position.x, 0.05f);
    EXPECT_LT(op->position.x, 0.95f);

    // A locked operator keeps its list when moved, turned or resized.
    const std::vector<int> held = op->controlList;
    tree->toggleLock(op);
    tree->moveOperator(op, 0.5f, 0.1f);
    tree->setOperatorAngle(op, 1.0);
    tree->setOperatorRadius(op, 0.3);
    EXPECT_EQ(op->controlList, held);
    tree->toggleLock(op);
    tree->moveOperator(op, 0.5f, 0.1f);
    EXPECT_NE(op->controlList, held) << "unlocked, the same move changes the list";
    expectTreeConsistent();

    // One axis, or none: nothing can be placed.
    makeView("a\n1\n2\n");
    EXPECT_EQ(add(0.5f, 0.5f), nullptr);
    makeView("name\nx\n");
    EXPECT_EQ(add(0.5f, 0.5f), nullptr);
}

TEST_F(ClusterTreeTest, RemovalMergesComplementaryChildrenAndTheNodesThatMovedUpTakeTheirItemsAnew) {
    AROperator* root = tree->getRoot();
    AROperator* a = add(0.5f, 0.5f);                 // takes 2, 3, 4 from the root's complement
    AROperator* b = addUnder(a, 0.5f, 0.5f, false);  // takes from a's complement
    tree->setOperatorAngleWidth(b, 0.6);             // wide enough for the rising items, if it could see them
    AROperator* c = addUnder(b->getComplementaryAR(), 0.2f, 0.5f);
    ASSERT_NE(c, nullptr);
    tree->setFocused(b->getComplementaryAR());

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
    // b now sees the whole table: it takes the rising items 5 and 6 as well.
    EXPECT_TRUE(holds(b, 5) && holds(b, 6));
    EXPECT_FLOAT_EQ(histogramSum(b, 1) + histogramSum(kept, 1), 1.0f);
    EXPECT_NEAR(b->graphRadius, std::sqrt(std::exp(double(b->controlList.size()) / 7 - 1)) * 0.05, 1e-12);
    expectTreeConsistent();

    EXPECT_TRUE(tree->removeAR(b));
    expectTreeConsistent();
    EXPECT_TRUE(tree->removeAR(c));
    expectTreeConsistent();
}

// Two operators under one parent that both cover the horizontal items 2-4
// (the older one holds them) and the rising ones 5-6 (only the younger can
// still take them). Once the parent goes, each keeps what it held, and a
// locked one its frozen list, however the survivors are ordered among the
// parent's links; once the older goes, its items go back to the parent's
// rest, and the younger keeps its own; once the younger, the parent's only
// child, goes too, the parent is a leaf again and the focus on the root.
TEST_F(ClusterTreeTest, RemovalLeavesEachSiblingWhatItHeldEvenWhereBothCoverAnItem) {
    enum Variant { kParentRemoved, kParentRemovedOlderLocked, kOlderRemoved };
    for (Variant variant : {kParentRemoved, kParentRemovedOlderLocked, kOlderRemoved}) {
        SCOPED_TRACE(testing::Message() << "variant " << variant);
        makeView("a,b\n0,0\n1,1\n0.5,0.5\n0.5,0.5\n0.5,0.5\n0,1\n0,1\n");
        AROperator* parent = add(0.5f, 0.5f);
        ASSERT_NE(parent, nullptr);
        tree->setOperatorAngleWidth(parent, 0.6);
        ASSERT_EQ(sortedItems(parent), (std::vector<int>{2, 3, 4, 5, 6}));
        AROperator* older = addUnder(parent, 0.5f, 0.5f);
        ASSERT_EQ(sortedItems(older), (std::vector<int>{2, 3, 4}));
        AROperator* younger = addUnder(parent, 0.5f, 0.5f);
        tree->setOperatorAngle(younger, 0);
        tree->setOperatorAngleWidth(younger, 0.6);  // covers 2-4 as well
        ASSERT_EQ(sortedItems(younger), (std::vector<int>{5, 6}));
        if (variant == kParentRemovedOlderLocked) {
            tree->toggleLock(older);
            tree->moveOperator(older, 0.3f, 0.9f);  // would capture nothing there
        }
        if (variant == kOlderRemoved) {
            ASSERT_TRUE(tree->removeAR(older));
            ASSERT_EQ(younger->parent, parent);
            EXPECT_EQ(sortedItems(younger), (std::vector<int>{5, 6}));
            EXPECT_EQ(sortedItems(complementOf(parent)), (std::vector<int>{2, 3, 4}));
            expectTreeConsistent();
            tree->setFocused(younger);
            ASSERT_TRUE(tree->removeAR(younger));
            EXPECT_TRUE(parent->noChildren()) << "its complementary child went too";
            EXPECT_EQ(tree->focused, tree->getRoot());
            EXPECT_FALSE(tree->removeAR(younger)) << "no longer in the tree";
            EXPECT_FALSE(tree->removeAR(tree->getRoot())) << "the root stays";
        } else {
            ASSERT_TRUE(tree->removeAR(parent));
            ASSERT_EQ(older->parent, tree->getRoot());
            ASSERT_EQ(younger->parent, tree->getRoot());
            EXPECT_EQ(sortedItems(older), (std::vector<int>{2, 3, 4}));
            EXPECT_EQ(sortedItems(younger), (std::vector<int>{5, 6}));
            EXPECT_EQ(sortedItems(complementOf(tree->getRoot())), (std::vector<int>{0, 1}));
        }
        expectTreeConsistent();
    }
}

// The mends of removal: whatever is removed (a leaf, an operator with
// operators below it, a complementary node with children, nodes that get
// merged), every item ends in exactly one leaf, and a locked operator keeps
// its frozen list. Random trees over a random table, fixed seed; the
// invariant is checked after every step.
TEST_F(ClusterTreeTest, LeavesShareOutTheTableAfterEveryKindOfEdit) {
    std::mt19937 random(20261207);
    for (int round = 0; round < 40; ++round) {
        makeView(randomTable(60, 100 + round));
        std::uniform_real_distribution<float> x(0.06f, 0.94f), y(0.1f, 0.9f);
        std::vector<AROperator*> nodes;
        for (int step = 0; step < 14; ++step) {
            tree->collectNodes(&nodes);
            AROperator* node = nodes[random() % nodes.size()];
            const int action = static_cast<int>(random() % 10);
            SCOPED_TRACE("round " + std::to_string(round) + " step " + std::to_string(step) + " action " +
                         std::to_string(action));
            if (action < 5) {
                // Half of them take plenty; a resize shares out the lists
                // below, so the other half keep the radius they came with.
                AROperator* made = addUnder(node, x(random), y(random), random() % 3 != 0);
                if (made != nullptr && random() % 2 == 0) tree->setOperatorRadius(made, 0.2);
            } else if (action < 8) {
                // Locked operators that stay keep their lists through a removal.
                std::vector<std::pair<uint64_t, std::vector<int>>> frozen;  // by serial number
                for (AROperator* other : nodes) {
                    if (other != node && other->locked) frozen.emplace_back(other->id, other->controlList);
                }
                const bool isRoot = node->parent == nullptr;
                EXPECT_EQ(tree->removeAR(node), !isRoot);
                tree->collectNodes(&nodes);
                for (const auto& [id, list] : frozen) {
                    for (const AROperator* other : nodes) {
                        if (other->id == id) {
                            EXPECT_EQ(other->controlList, list);
                        }
                    }
                }
            } else if (action == 8 && node->type == AROperator::kTypeRegular) {
                tree->moveOperator(node, x(random), y(random));
            } else if (node->type == AROperator::kTypeRegular) {
                tree->toggleLock(node);
            }
            expectTreeConsistent();
            if (HasFailure()) return;
        }
    }
}

// A new operator takes items from its complementary sibling; what stands
// below that sibling gives them up too (a session of the tree otherwise
// fails its own check when opened).
TEST_F(ClusterTreeTest, AnOperatorBesideAComplementWithChildrenTakesItsItemsFromThemToo) {
    makeView(randomTable(200, 3));
    ASSERT_NE(add(0.3f, 0.5f), nullptr);
    AROperator* complement = complementOf(tree->getRoot());
    ASSERT_NE(addUnder(complement, 0.5f, 0.5f), nullptr);
    const size_t before = complement->controlList.size();
    for (float x : {0.2f, 0.5f, 0.7f}) {
        ASSERT_NE(addUnder(tree->getRoot(), x, 0.5f, x > 0.4f), nullptr);
        expectTreeConsistent();
    }
    EXPECT_LT(complement->controlList.size(), before) << "the new operators took some of its items";
}

TEST_F(ClusterTreeTest, EveryChangeThatShowsRaisesTheRevisionAndNothingElseDoes) {
    AROperator* op = add(0.5f, 0.5f);
    EXPECT_EQ(op->revision, tree->getRevision());
    auto raises = [&](const std::function<void()>& change) {
        const uint64_t before = tree->getRevision();
        change();
        return tree->getRevision() > before;
    };
    AROperator* found = nullptr;
    EXPECT_FALSE(raises([&] {
        tree->isNearOp(0.5f, 0.5f, &found);
        tree->isInLockRegion(0.5f, 0.5f, &found);
        tree->setFocused(op);
        tree->paintNode(tree->getRoot(), Color4(0, 0, 1, 1));  // the root is not painted
    })) << "looking, focusing and painting the root change nothing that is drawn";
    const std::function<void()> changes[] = {
        [&] { tree->moveOperator(op, 0.5f, 0.45f); },      [&] { tree->setOperatorAngle(op, 0.1); },
        [&] { tree->setOperatorRadius(op, 0.1); },          [&] { tree->setOperatorAngleWidth(op, 0.3); },
        [&] { tree->toggleLock(op); },                      [&] { tree->paintNode(op, Color4(0, 1, 0, 1)); },
        [&] { tree->updateOperatorsPos(); },                [&] { tree->removeAR(op); }};
    for (const auto& change : changes) EXPECT_TRUE(raises(change)) << &change - changes;
    EXPECT_EQ(tree->getRoot()->revision, tree->getRevision());
}

// The graph's layout pushes apart every pair of nodes that overlap, however
// deep the one doing the pushing sits in the tree.
TEST_F(ClusterTreeTest, ANodeDeepInTheTreePushesTheNodesItOverlapsInTheGraph) {
    AROperator* outer = add(0.5f, 0.5f);
    ASSERT_NE(outer, nullptr);
    AROperator* inner = addUnder(outer, 0.5f, 0.5f);
    ASSERT_NE(inner, nullptr);
    std::vector<AROperator*> nodes;
    tree->collectNodes(&nodes);
    ASSERT_GE(nodes.size(), 5u) << "root, two operators and their complements";
    // Every node far from every other, in graph units.
    for (size_t k = 0; k < nodes.size(); ++k) {
        nodes[k]->graphX = 10.0 * static_cast<double>(k);
        nodes[k]->graphY = 0;
        nodes[k]->graphRadius = 0.05;
    }
    AROperator* target = complementOf(tree->getRoot());
    ASSERT_NE(target, nullptr);
    auto forceOnTarget = [&] {
        for (AROperator* node : nodes) node->forceX = node->forceY = 0;
        tree->getForce(target, nullptr, nullptr);
        return std::make_pair(target->forceX, target->forceY);
    };
    const auto apart = forceOnTarget();
    inner->graphX = target->graphX + 0.02;  // two levels below the root, overlapping
    inner->graphY = target->graphY;
    const auto overlapping = forceOnTarget();
    EXPECT_LT(overlapping.first, apart.first) << "pushed away from the node on its right";
}

TEST_F(ClusterTreeTest, HitTestsAreStrictAndTheLockIconIsHitWhereItIsDrawn) {
    AROperator* outer = add(0.5f, 0.5f);
    AROperator* inner = addUnder(outer, 0.5f, 0.52f);
    ASSERT_NE(inner, nullptr);
    AROperator* found = nullptr;
    EXPECT_TRUE(tree->isInBounding(0.5f, 0.53f, &found));
    EXPECT_EQ(found, outer);

    // Near the centre: strictly closer than 0.02 (a vertical offset of exactly 0.02 is a miss).
    tree->moveOperator(inner, 0.4f, 0.9f);
    tree->moveOperator(outer, 0.5f, 0.0f);
    found = nullptr;
    EXPECT_FALSE(tree->isNearOp(0.5f, 0.02f, &found));
    EXPECT_EQ(found, nullptr) << "a miss leaves the result untouched";
    EXPECT_TRUE(tree->isNearOp(0.5f, std::nextafter(0.02f, 0.0f), &found));
    EXPECT_EQ(found, outer);

    // The lock icon: right of and below the centre, x offsets divided by the
    // aspect (2). Just inside each corner of the rectangle the view draws is
    // a hit; just outside is not.
    tree->moveOperator(outer, 0.5f, 0.5f);
    const ViewRect lock = outer->lockIconRect(view->getAspect());
    EXPECT_FLOAT_EQ(lock.left, 0.506f);
    EXPECT_FLOAT_EQ(lock.right, 0.526f);
    EXPECT_FLOAT_EQ(lock.top, 0.488f);
    EXPECT_FLOAT_EQ(lock.bottom, 0.448f);
    const float e = 1e-4f;
    for (auto [x, inX] : {std::pair<float, float>{lock.left, e}, {lock.right, -e}}) {
        for (auto [y, inY] : {std::pair<float, float>{lock.bottom, e}, {lock.top, -e}}) {
            EXPECT_TRUE(tree->isInLockRegion(x + inX, y + inY, &found) && found == outer) << x << " " << y;
            EXPECT_FALSE(tree->isInLockRegion(x - inX, y + inY, &found)) << x << " " << y;
            EXPECT_FALSE(tree->isInLockRegion(x + inX, y - inY, &found)) << x << " " << y;
        }
    }

    // In the graph: every node, by its circle.
    tree->getRoot()->graphX = 0.5;
    tree->getRoot()->graphY = 0.7;
    tree->getRoot()->graphRadius = 0.05;
    EXPECT_TRUE(tree->isNearOpInGraph(0.52f, 0.7f, &found));
    EXPECT_EQ(found, tree->getRoot());
}

}  // namespace

// A table large enough that an operator's decisions and histograms are split
// across threads: the lists and shares are exactly those of one plain pass.
class LargeTreeTest : public OperatorTest {
protected:
    // The operator's and its complement's lists are those of deciding every
    // item of the root one by one, and their shares those of whole counts
    // over each list.
    void expectDecidedAndCountedAsOnePass(const AROperator* op, const AROperator* complement, int rows) {
        std::vector<int> expectTaken, expectRest;
        const double halfWindow = 3.14159265358979323846 * op->angleWidth / 2;
        for (int item : tree->getRoot()->controlList) {
            const AROperator::Segment s = op->segmentOf(item, op->leftAxis);
            const bool taken = s.distance < op->radius && std::fabs(std::atan(s.dy / s.dx) - op->angle) < halfWindow;
            (taken ? expectTaken : expectRest).push_back(item);
        }
        std::sort(expectTaken.begin(), expectTaken.end());
        std::sort(expectRest.begin(), expectRest.end());
        std::vector<int> taken = op->controlList, rest = complement->controlList;
        std::sort(taken.begin(), taken.end());
        std::sort(rest.begin(), rest.end());
        ASSERT_GT(taken.size(), 1000u);
        ASSERT_GT(rest.size(), 1000u);
        EXPECT_EQ(taken, expectTaken);
        EXPECT_EQ(rest, expectRest);

        const MultidimensionalData* data = view->getData();
        const int bins = data->getHistogramBinsNum();
        for (const AROperator* node : {op, complement}) {
            std::vector<int> counts(static_cast<size_t>(3 * bins), 0);
            for (int item : node->controlList) {
                const float* row = data->getDataRow(item);
                for (int d = 0; d < 3; ++d) ++counts[d * bins + std::clamp(static_cast<int>(row[d] * bins), 0, bins - 1)];
            }
            for (int d = 0; d < 3; ++d) {
                for (int bin = 0; bin < bins; ++bin) {
                    ASSERT_EQ(node->getHistogramEntry(d, bin),
                              static_cast<float>(counts[d * bins + bin]) / static_cast<float>(rows))
                        << d << " " << bin;
                }
            }
        }
    }
};

TEST_F(LargeTreeTest, OperatorsOverTablesSplitAcrossThreadsDecideAndCountAsOnePassDoes) {
    constexpr int kRows = 200000;  // more than two threads' worth of items
    makeView(randomIntegerTable(kRows, 3, 1000, 11));
    AROperator* op = add(0.3f, 0.5f);
    ASSERT_NE(op, nullptr);
    tree->setOperatorRadius(op, 0.15);
    tree->setOperatorAngleWidth(op, 0.6);
    AROperator* complement = op->getComplementaryAR();
    // Drag steps: after the first, each one's histograms come partly from the pair's kept totals.
    for (const Point2& to : {Point2(0.28f, 0.45f), Point2(0.3f, 0.5f), Point2(0.26f, 0.42f)}) {
        SCOPED_TRACE(testing::Message() << to.x << ", " << to.y);
        tree->moveOperator(op, to.x, to.y);
        expectDecidedAndCountedAsOnePass(op, complement, kRows);
    }
    expectTreeConsistent();
}

// The force layout: first placement, the fixed root and held node, and the
// rest test that lets the timer skip frames.
#include "GraphTestSupport.h"

namespace {

class GraphLayoutTest : public GraphTest {
protected:
    void SetUp() override {
        makeSceneWithOperator();
        ASSERT_NE(op, nullptr);
    }
};

TEST_F(GraphLayoutTest, NewNodesStartNearTheirParentAndTheRootNeverMoves) {
    bool sawRight = false, sawBelow = false;  // both halves of the random range
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::srand(seed);
        for (AROperator* node : {root, op, rootComplement}) node->graphPlaced = false;
        GraphLayout::placeNewNodes(root, 4);
        for (const AROperator* node : {op, rootComplement}) {
            const double dx = node->graphX - 0.5, dy = node->graphY - 0.7;
            EXPECT_NEAR(std::hypot(dx, dy), 0.02, 1e-6);
            EXPECT_TRUE(dx >= -1e-9 && dy <= 1e-9) << "between right and below: " << dx << ", " << dy;
            sawRight = sawRight || dx > 0.015;
            sawBelow = sawBelow || dy < -0.015;
        }
    }
    EXPECT_TRUE(sawRight && sawBelow);
    for (int frame = 0; frame < 100; ++frame) graph->layoutGraph();
    EXPECT_EQ(root->graphX, 0.5);
    EXPECT_EQ(root->graphY, 0.7);
    EXPECT_NE(root->forceX, 0.0) << "the root still collects force";
}

TEST_F(GraphLayoutTest, HeldNodeStaysUnderTheMouse) {
    graph->layoutGraph();
    place(op, 0.25, 0.25);
    mouse(FL_PUSH, 0.25, 0.25);
    mouse(FL_DRAG, 0.2, 0.3);
    const double xHeld = op->graphX, yHeld = op->graphY;
    EXPECT_NEAR(xHeld, 0.2, 1e-6);
    for (int frame = 0; frame < 10; ++frame) graph->layoutGraph();
    EXPECT_EQ(op->graphX, xHeld);
    EXPECT_EQ(op->graphY, yHeld);
    release(0.2, 0.3);
    graph->layoutGraph();
    EXPECT_NE(op->graphY, yHeld) << "released, it moves again";
}

// The timer skips frames once the layout rests; changes and gestures wake it.
TEST_F(GraphLayoutTest, TimerRestsOnlyOnceTheLayoutIsStill) {
    auto settle = [&] {
        int frames = 0;
        for (; graph->needsFrame() && frames < 20000; ++frames) graph->layoutGraph();
        return frames;
    };
    const int frames = settle();
    ASSERT_LT(frames, 20000) << "a three-node tree settles";
    EXPECT_GE(frames, 600) << "six one-second windows at least";
    const double x = op->graphX, y = op->graphY;
    for (int k = 0; k < 1000; ++k) graph->layoutGraph();
    EXPECT_LT(std::hypot(op->graphX - x, op->graphY - y), 2e-3) << "at rest: not a pixel in 10 s";

    // A painted node, a new operator, a pointer move and a new table each wake it.
    const std::function<void()> wakers[] = {
        [&] { document.paintOperators({op}, Color4(0, 0, 1, 1)); },
        [&] { document.addOperator(0.3f, 0.5f, true, Color4(0, 1, 0, 1)); },
        [&] { mouse(FL_MOVE, 0.1, 0.1); },
        [&] { document.replaceTable(loadTableQuietly(dir.write("u.txt", kGraphTestTable))); }};
    for (const auto& wake : wakers) {
        settle();
        wake();
        EXPECT_TRUE(graph->needsFrame()) << &wake - wakers;
    }
    // Edits that leave the tree as it is let it rest.
    settle();
    stdoutOf([&] { document.addHintPoint(0, 0.5f); });
    document.toggleHistograms();
    EXPECT_FALSE(graph->needsFrame()) << "a hint point and a display switch leave the graph at rest";
}

// A tree too large for one tick's force terms takes its layout step over
// several ticks, moving the nodes in pre-order a share at a time; no node
// leaves the reach a saved session takes back.
TEST_F(GraphLayoutTest, ALargeTreeStepsOverSeveralTicksWithinReach) {
    std::vector<ClusterTree::NodeState> nodes(1);
    nodes[0].items = {0, 1, 2, 3};
    nodes[0].graphPlaced = true;  // where the layout puts the root
    nodes[0].graphX = 0.5;
    nodes[0].graphY = 0.7;
    for (int k = 0; k < 1000; ++k) {
        ClusterTree::NodeState node;
        node.parent = 0;
        node.type = AROperator::kTypeRegular;
        node.x = 0.5f;
        node.y = 0.5f;
        node.primary = true;
        node.graphPlaced = true;
        node.graphX = 0.5 + 0.01 * (k % 40);
        node.graphY = 0.1 + 0.01 * (k / 40);
        nodes.push_back(node);
    }
    nodes.push_back(nodes[0]);
    nodes.back().parent = 0;
    nodes.back().type = AROperator::kTypeComplementary;
    nodes.back().graphY = 0.6;
    nodes[500].graphX = 1e6;  // as far as nothing but a hostile file puts it
    tree->restoreNodes(nodes, 0);
    std::vector<AROperator*> preorder;
    tree->collectNodes(&preorder);
    ASSERT_EQ(preorder.size(), 1002u);
    EXPECT_EQ(preorder[500]->graphX, 1e6);
    std::vector<double> before;
    for (const AROperator* node : preorder) before.push_back(node->graphY);
    graph->layoutGraph();
    EXPECT_TRUE(graph->isLayoutStepUnderWay());
    size_t moved = 0, firstStill = preorder.size();
    for (size_t k = 0; k < preorder.size(); ++k) {
        if (preorder[k]->graphY != before[k]) {
            ++moved;
        } else if (k > 0 && firstStill == preorder.size()) {
            firstStill = k;  // the root never moves
        }
    }
    EXPECT_GT(moved, 100u);
    EXPECT_LT(moved, 500u) << "a tick moves a share of the nodes";
    EXPECT_EQ(firstStill, moved + 1) << "the first ones in pre-order";
    int ticks = 1;
    for (; graph->isLayoutStepUnderWay() && ticks < 100; ++ticks) graph->layoutGraph();
    EXPECT_LE(ticks, 10);
    EXPECT_EQ(preorder[500]->graphX, ClusterTree::kGraphReach);
    // A changed tree starts the step afresh: all its nodes again, a share a tick.
    graph->layoutGraph();
    graph->layoutGraph();
    ASSERT_TRUE(graph->isLayoutStepUnderWay());
    ASSERT_NE(addUnder(tree->getRoot(), 0.3f, 0.5f), nullptr);
    int afresh = 0;
    do {
        graph->layoutGraph();
    } while (++afresh < 100 && graph->isLayoutStepUnderWay());
    const size_t perTick = moved + 1;  // the root's turn counts, though it stays
    EXPECT_EQ(static_cast<size_t>(afresh), (preorder.size() + 1 + perTick - 1) / perTick);
}

}  // namespace

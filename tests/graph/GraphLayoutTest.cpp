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
        graph->initializeNodePos(root);
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
        [&] { tree->paintNode(op, Color4(0, 0, 1, 1)); }, [&] { addUnder(op, 0.3f, 0.5f); },
        [&] { mouse(FL_MOVE, 0.1, 0.1); },
        [&] { view->linkMDdata(loadTableQuietly(dir.write("u.txt", kGraphTestTable))); }};
    for (const auto& wake : wakers) {
        settle();
        wake();
        EXPECT_TRUE(graph->needsFrame()) << &wake - wakers;
    }
}

}  // namespace

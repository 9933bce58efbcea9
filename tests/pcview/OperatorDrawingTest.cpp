// What the view draws for the tree: operators, colour gradients of item lines
// and the histogram bands, captured in feedback mode in a shown view of
// 1000 x 500 pixels (a view point (x, y) lands on pixel (1000 x, 500 y)).
#include "GlTestContext.h"
#include "ViewTestSupport.h"

namespace {

class OperatorDrawingTest : public ViewTest {
protected:
    void SetUp() override {
        if (!testDisplayAvailable()) GTEST_SKIP() << "needs a display";
    }
    void show(const std::string& table) {
        makeView(table);
        ASSERT_TRUE(showInWindow(window, owned.release()));
        view->make_current();
    }
    // Every line, polygon and point vertex `draw` emits, with its colour.
    static std::vector<std::pair<Point2, Color4>> capture(const std::function<void()>& draw) {
        std::vector<std::pair<Point2, Color4>> vertices;
        for (const FeedbackPrimitive& p : captureFeedback(draw, GL_3D_COLOR)) {
            for (size_t k = 0; k < p.vertices.size(); ++k) vertices.emplace_back(p.vertices[k], p.colours[k]);
        }
        return vertices;
    }
    std::unique_ptr<Fl_Window> window;  // owns the view once shown
};

TEST_F(OperatorDrawingTest, OperatorOutlineDiscAndWindowEdges) {
    show("a,b\n0,0\n1,1\n0.5,0.5\n");
    EXPECT_TRUE(capture([&] { view->renderOperators(); }).empty()) << "the root is not drawn";
    AROperator* op = add(0.5f, 0.5f, true, Color4(0, 1, 0, 1));
    ASSERT_NE(op, nullptr);
    tree->setOperatorAngle(op, 0);
    // The capture disc (green, alpha 0.1) reaches 0.04 of the width and 0.08 of the height: 40 px
    // both ways. The stippled window edges, in the reverse colour of green (magenta), are
    // diameters at +-0.125 rad (the ends to the right of the centre).
    float reachX = 0, reachY = 0;
    bool plus = false, minus = false;
    for (const auto& [px, c] : capture([&] { view->renderOneOperator(op); })) {
        if (c.g == 1 && std::fabs(c.a - 0.1f) < 1e-6) {
            reachX = std::max(reachX, std::fabs(px.x - 500));
            reachY = std::max(reachY, std::fabs(px.y - 250));
        }
        const double angle = std::atan2(px.y - 250, px.x - 500), distance = std::hypot(px.y - 250, px.x - 500);
        if (colourIs(c, Color4(1, 0, 1, 1), 0) && std::fabs(distance - 40) < 0.1) {
            plus = plus || std::fabs(angle - 0.125) < 1e-3;
            minus = minus || std::fabs(angle + 0.125) < 1e-3;
        }
    }
    EXPECT_NEAR(reachX, 40, 0.05);
    EXPECT_NEAR(reachY, 40, 0.05);
    EXPECT_TRUE(plus && minus);

    // The lock icon (black, alpha 0.75) is drawn on the rectangle the tree's
    // lock hit test uses.
    const ViewRect lock = op->lockIconRect(view->getAspect());
    std::vector<Point2> corners;
    for (const auto& [px, c] : capture([&] { view->renderOneOperator(op); })) {
        if (colourIs(c, Color4(0, 0, 0, 0.75f), 1e-6f)) corners.push_back(px);
    }
    ASSERT_GE(corners.size(), 4u);  // a quad, or two triangles
    std::set<std::pair<int, int>> seen;  // which corner: (right?, top?)
    for (const Point2& corner : corners) {
        const bool left = std::fabs(corner.x - lock.left * 1000) < 0.01f;
        const bool right = std::fabs(corner.x - lock.right * 1000) < 0.01f;
        const bool bottom = std::fabs(corner.y - lock.bottom * 500) < 0.01f;
        const bool top = std::fabs(corner.y - lock.top * 500) < 0.01f;
        EXPECT_TRUE((left || right) && (bottom || top)) << corner.x << ", " << corner.y;
        seen.insert({right, top});
    }
    EXPECT_EQ(seen.size(), 4u) << "all four corners";
}

// A tree of more operators than are drawn whole: each a dot at its centre
// in its colour, the focused one also whole (its translucent disc).
TEST_F(OperatorDrawingTest, AVeryLargeTreeIsDrawnAsDotsAndTheFocusedOperatorWhole) {
    show("a,b\n0,0\n1,1\n0.5,0.5\n");
    const size_t count = PCWindow::kFullyDrawnOperators + 1;
    std::vector<ClusterTree::NodeState> nodes(1);
    nodes[0].items = {0, 1, 2};
    for (size_t k = 0; k < count; ++k) {
        ClusterTree::NodeState op;
        op.parent = 0;
        op.type = AROperator::kTypeRegular;
        op.x = 0.1f + 0.8f * static_cast<float>(k) / count;
        op.y = 0.5f;
        op.color = Color4(0, 1, 0, 1);
        nodes.push_back(op);
    }
    nodes.push_back(nodes[0]);
    nodes.back().parent = 0;
    nodes.back().type = AROperator::kTypeComplementary;
    tree->restoreNodes(nodes, 7);  // the focus on the seventh operator
    size_t dots = 0, focusedDisc = 0;
    for (const FeedbackPrimitive& p : captureFeedback([&] { view->renderOperators(); }, GL_3D_COLOR)) {
        if (p.token == GL_POINT_TOKEN) {
            EXPECT_NEAR(p.vertices[0].y, 250, 0.01);
            EXPECT_TRUE(colourIs(p.colours[0], Color4(0, 1, 0, 0.75f)));
            ++dots;
        } else if (std::fabs(p.colours[0].a - 0.1f) < 1e-6) {
            for (const Point2& px : p.vertices) focusedDisc += std::fabs(px.x - 1000 * nodes[7].x) < 41;
        }
    }
    EXPECT_TRUE(view->operatorsDrawnAsDots());
    EXPECT_EQ(dots, count);
    EXPECT_GT(focusedDisc, 0u) << "the focused operator's disc, around its centre";
    // One operator fewer: every one whole again.
    nodes.erase(nodes.begin() + 1);
    tree->restoreNodes(nodes, 0);
    captureFeedback([&] { view->renderOperators(); }, GL_3D_COLOR);
    EXPECT_FALSE(view->operatorsDrawnAsDots());
}

TEST_F(OperatorDrawingTest, ColourTurnsWithinTheFirstEightPointsOfTheSegment) {
    show("a,b,c,d,e\n0,0,0,0,0\n1,1,1,1,1\n0.5,0.5,0.3,0.7,0.5\n");
    AROperator* first = add(0.1625f, 0.5f, true, Color4(1, 0, 0, 1));
    tree->setFocused(first);
    ASSERT_NE(add(0.6125f, 0.52f, true, Color4(0, 0, 1, 1)), nullptr);
    view->buildCurves();
    // Vertices in a blend of red and blue: points 1 ... 7 of the strip, f = 2k / 15.
    std::vector<float> blends;
    for (const auto& [px, c] : capture([&] { view->renderCurvesAtSubTree(tree->getRoot()); })) {
        if (c.g == 0 && c.r > 0 && c.r < 1 && std::fabs(c.r + c.b - 1) < 1e-5) blends.push_back(c.b);
    }
    std::sort(blends.begin(), blends.end());
    blends.erase(std::unique(blends.begin(), blends.end(), [](float a, float b) { return std::fabs(a - b) < 1e-5; }),
                 blends.end());
    ASSERT_EQ(blends.size(), 7u);
    for (int k = 1; k <= 7; ++k) EXPECT_NEAR(blends[k - 1], 2.0f * k / 15, 1e-5);
}

TEST_F(OperatorDrawingTest, BandsFillTheOutlineAndScaleWithTheAxisWidth) {
    show("a,b,c\n0,0,0\n1,1,1\n0.5,0.5,0.5\n0.5,0.2,0.5\n0.25,0.5,0.5\n");
    // The widest point of each axis's drawing (black outline or coloured band), pixels right of the axis.
    auto widest = [&](int axisPx, bool outline) {
        float widthPx = 0;
        for (const auto& [px, c] : capture([&] { view->renderHistogramRiver_TreeBased(tree->getRoot()); })) {
            if (colourIs(c, Color4(0, 0, 0, c.a), 0) == outline && px.x >= axisPx - 0.01f && px.x < axisPx + 200) {
                widthPx = std::max(widthPx, px.x - axisPx);
            }
        }
        return widthPx;
    };
    // Fullest bin: (1/3) * 0.9 / 3 dimensions * width 0.5 = 0.05 of the view = 50 px.
    EXPECT_NEAR(widest(50, true), 50, 0.05);
    EXPECT_NEAR(widest(50, false), 50, 0.05) << "the root's band fills the outline";
    // Two leaves after an operator: stacked, they still reach the outline.
    ASSERT_NE(add(0.3f, 0.5f, true, Color4(1, 0, 0, 1)), nullptr);
    ASSERT_EQ(childList(tree->getRoot()).size(), 2u);
    EXPECT_NEAR(widest(50, false), 50, 0.05);
    EXPECT_NEAR(widest(500, false), 50, 0.05);
}

}  // namespace

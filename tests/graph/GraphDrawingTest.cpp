// What the graph window draws: circles and arrows in feedback mode (in a
// shown 400 x 400 test window, window pixels, origin bottom-left), a whole
// frame read back from the shown graph window, and the textures' life.
#include "GlTestContext.h"
#include "GraphTestSupport.h"

namespace {

// Centres of the circles, pixels: each is a loop of 100 segments.
std::vector<Point2> circleCentres(const std::vector<FeedbackPrimitive>& segments) {
    std::vector<Point2> centres(segments.size() / 100, Point2(0, 0));
    for (size_t k = 0; k < centres.size() * 100; ++k) {
        centres[k / 100].x += segments[k].vertices[0].x / 100;
        centres[k / 100].y += segments[k].vertices[0].y / 100;
    }
    return centres;
}

class GraphDrawingTest : public GraphTest {
protected:
    void SetUp() override {
        if (!testDisplayAvailable()) GTEST_SKIP() << "needs a display";
        makeScene();
        gl = std::make_unique<GlTestContext>(400, 400);
    }
    // The vertices of the arrows, pixels.
    std::vector<Point2> arrowVertices() {
        std::vector<Point2> vertices;
        for (const FeedbackPrimitive& p : gl->capture([&] { graph->renderLinks(); })) {
            if (p.token == GL_POLYGON_TOKEN) vertices.insert(vertices.end(), p.vertices.begin(), p.vertices.end());
        }
        return vertices;
    }
    std::unique_ptr<GlTestContext> gl;
};

TEST_F(GraphDrawingTest, ArrowsSkipRightButtonOperatorsOverlapsAndWhatLiesBelowThem) {
    AROperator* right = add(0.3f, 0.5f, false);
    AROperator* shown = add(0.5f, 0.5f);
    AROperator* belowShown = addUnder(shown, 0.6f, 0.5f);
    AROperator* belowRight = addUnder(right, 0.7f, 0.5f);
    ASSERT_TRUE(right && shown && belowShown && belowRight);
    place(root, 0.5, 0.7, 0.05);
    place(shown, 0.8, 0.7);
    place(belowShown, 0.8, 0.4);
    place(right, 0.2, 0.7);
    place(belowRight, 0.2, 0.4);
    place(complementOf(root), 0.5, 0.2);
    place(complementOf(shown), 0.65, 0.5);
    place(complementOf(right), 0.35, 0.5);

    const auto centres = circleCentres(gl->capture([&] { graph->renderGraphTreenode(root); }));
    EXPECT_EQ(centres.size(), 7u) << "every node but the right-button operator";
    for (const Point2& c : centres) EXPECT_FALSE(std::hypot(c.x - 80, c.y - 280) < 1) << "right-button operator drawn";

    // Root to `shown` (along y = 280 px) and `shown` to its child (along x = 320 px), rim to rim.
    int alongRow = 0, alongColumn = 0;
    for (const Point2& v : arrowVertices()) {
        const bool row = std::fabs(v.y - 280) <= 8.01f && v.x >= 219.99f && v.x <= 304.01f;
        const bool column = std::fabs(v.x - 320) <= 8.01f && v.y >= 175.99f && v.y <= 264.01f;
        EXPECT_TRUE(row || column) << "stray arrow vertex " << v.x << ", " << v.y;
        alongRow += row;
        alongColumn += column;
    }
    EXPECT_GT(alongRow, 0);
    EXPECT_GT(alongColumn, 0);

    place(shown, 0.55, 0.7);  // overlaps the root: no arrow to it, none below it
    EXPECT_TRUE(arrowVertices().empty());
}

TEST_F(GraphDrawingTest, ArrowRunsRimToRimAndShortGapsShrinkTailAndHead) {
    AROperator* child = add(0.5f, 0.5f);
    ASSERT_NE(child, nullptr);
    place(complementOf(root), 0.9, 0.1);
    struct Case {
        double gap;           // between the circles, graph units
        float halfThickness;  // pixels
        size_t pieceEdges;    // distinct positions along the arrow: 3 tail and head, 4 with a middle
    };
    for (auto [xDir, yDir] : std::vector<std::pair<double, double>>{{1, 0}, {-1, 0}, {0, -1}}) {
        for (const Case& c : {Case{0.04, 4, 3}, Case{0.08, 8, 3}, Case{0.16, 8, 4}}) {
            SCOPED_TRACE(testing::Message() << "direction " << xDir << "," << yDir << " gap " << c.gap);
            const double distance = 0.05 + 0.04 + c.gap;
            place(root, 0.5, 0.5, 0.05);
            place(child, 0.5 + xDir * distance, 0.5 + yDir * distance, 0.04);
            std::vector<float> along;  // pixels from the parent's centre towards the child
            float across = 0;
            for (const Point2& v : arrowVertices()) {
                along.push_back(static_cast<float>((v.x - 200) * xDir + (v.y - 200) * yDir));
                across = std::max(across, static_cast<float>(std::fabs((v.y - 200) * xDir - (v.x - 200) * yDir)));
            }
            ASSERT_FALSE(along.empty());
            std::sort(along.begin(), along.end());
            EXPECT_NEAR(along.front(), 0.05 * 400, 0.01);
            EXPECT_NEAR(along.back(), (distance - 0.04) * 400, 0.01);
            EXPECT_NEAR(across, c.halfThickness, 0.01);
            auto same = [](float a, float b) { return std::fabs(a - b) < 0.01f; };
            EXPECT_EQ(static_cast<size_t>(std::unique(along.begin(), along.end(), same) - along.begin()), c.pieceEdges);
        }
    }
}

TEST_F(GraphDrawingTest, FrameShowsTheRootAndTexturesLiveWithTheContext) {
    // gl shares texture names with the graph window's context.
    std::unique_ptr<Fl_Window> window;
    GraphWindow* shown = graph.release();  // the window owns it now, and deletes it before the view goes
    ASSERT_TRUE(showInWindow(window, shown));
    shown->layoutGraph();  // the timer's step: places the root
    drawFrameForReadBack(*shown);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // Root at (200, 280) px, radius 20 px: white middle of the glow disc, grey rim.
    EXPECT_GT(readPixel(200, 280)[0], 235);
    EXPECT_LT(readPixel(219, 280)[0], 150);
    EXPECT_EQ(readPixel(380, 20)[0], 255);
    const auto brush = readPixel(40, 380);  // icon 0, the tool in use, under the green wash
    EXPECT_GT(brush[1], brush[0] + 30);

    GLuint names[6];
    for (int i = 0; i < 3; ++i) names[i] = shown->getIconTexture(i), names[3 + i] = shown->getArrowTexture(i);
    shown->size(300, 300);  // a size change keeps them
    drawFrameForReadBack(*shown);
    EXPECT_EQ(shown->getArrowTexture(2), names[5]);
    gl->glWindow().make_current();
    for (GLuint name : names) EXPECT_TRUE(glIsTexture(name)) << name;
    shown->hide();  // the context goes, and the textures with it
    gl->glWindow().make_current();
    for (GLuint name : names) EXPECT_FALSE(glIsTexture(name)) << name;
    shown->show();
    ASSERT_TRUE(waitForEvents([&] { return shown->areTexturesReady(); }));
    gl->glWindow().make_current();
    EXPECT_TRUE(glIsTexture(shown->getArrowTexture(1))) << "made again in the new context";
}

}  // namespace


// What each drawing operation emits, captured in feedback mode in a real
// context. The context is 200 x 100 pixels over the unit square, so a view
// point (x, y) lands on pixel (200 x, 100 y).
#include <initializer_list>

#include "GlTestContext.h"
#include "gl/GlDrawer.h"

namespace {

void expectAt(const Point2& actualPx, float xView, float yView, float tolerancePx = 0.02f) {
    EXPECT_NEAR(actualPx.x, xView * 200, tolerancePx);
    EXPECT_NEAR(actualPx.y, yView * 100, tolerancePx);
}

// The first vertex of each segment (or of each point) matches the view points, in order.
void expectStarts(const std::vector<FeedbackPrimitive>& primitives, std::initializer_list<Point2> view) {
    ASSERT_EQ(primitives.size(), view.size());
    size_t k = 0;
    for (const Point2& p : view) expectAt(primitives[k++].vertices[0], p.x, p.y);
}

class GlDrawerTest : public testing::Test {
protected:
    void SetUp() override {
        if (!testDisplayAvailable()) GTEST_SKIP() << "needs a display";
        context = std::make_unique<GlTestContext>(200, 100);
    }
    std::vector<FeedbackPrimitive> capture(const std::function<void()>& draw) { return context->capture(draw); }
    std::unique_ptr<GlTestContext> context;
};

TEST_F(GlDrawerTest, PointsSetTheirSizeAndCurvesFollowTheirVertices) {
    expectStarts(capture([] { GlDrawer::drawPoint(0.5f, 0.5f, 7.0f); }), {{0.5f, 0.5f}});
    GLfloat size = 0;
    glGetFloatv(GL_POINT_SIZE, &size);
    EXPECT_EQ(size, 7.0f);

    const std::vector<Point2> zigzag = {Point2(0.1f, 0.1f), Point2(0.3f, 0.9f), Point2(0.5f, 0.1f)};
    expectStarts(capture([&] { GlDrawer::drawCurve(zigzag); }), {{0.1f, 0.1f}, {0.3f, 0.9f}});  // open
    expectStarts(capture([&] { GlDrawer::drawPolygon(Polygon_t(zigzag)); }),
                 {{0.1f, 0.1f}, {0.3f, 0.9f}, {0.5f, 0.1f}});  // closed
}

TEST_F(GlDrawerTest, RoundShapesStartAtZeroRunCounterClockwiseAndDivideXByAspect) {
    // Four vertices: (0.5,0), (0,0.5), (-0.5,0), (0,-0.5) around (0.5,0.5), x halved by aspect 2.
    expectStarts(capture([] { GlDrawer::drawCircle(0.4f, 0.5f, 0.5f, 2.0f, 4); }),
                 {{0.7f, 0.5f}, {0.5f, 0.9f}, {0.3f, 0.5f}, {0.5f, 0.1f}});
    expectStarts(capture([] { GlDrawer::drawOval(0.5f, 0.5f, 0.2f, 0.3f, 1.0f, 4); }),
                 {{0.7f, 0.5f}, {0.5f, 0.8f}, {0.3f, 0.5f}, {0.5f, 0.2f}});

    // A window ten times taller than wide: 0.1 wide and 0.01 high in view units.
    auto discTriangles = capture([] { GlDrawer::fillCircle(0.005f, 0.5f, 0.5f, 0.1f, 100); });
    ASSERT_EQ(discTriangles.size(), 98u);
    EXPECT_EQ(discTriangles[0].token, static_cast<GLenum>(GL_POLYGON_TOKEN));
    const auto disc = fanVertices(discTriangles);
    ASSERT_EQ(disc.size(), 100u);
    expectAt(disc[0], 0.55f, 0.5f);
    expectAt(disc[25], 0.5f, 0.505f);
    expectAt(disc[50], 0.45f, 0.5f);
}

TEST_F(GlDrawerTest, EllipseTurnsBeforeTheAspectDivision) {
    const auto oval = fanVertices(capture([] { GlDrawer::fillOval(Point2(0.5f, 0.5f), 0.2f, 0.1f, 2.0f, 12); }));
    const auto flat = fanVertices(capture([] { GlDrawer::fillEllipse(0.5f, 0.5f, 0.2f, 0.1f, 2.0f, 0.0f, 12); }));
    ASSERT_EQ(oval.size(), 12u);
    ASSERT_EQ(flat.size(), 12u);
    for (size_t i = 0; i < 12; ++i) expectAt(flat[i], oval[i].x / 200, oval[i].y / 100, 1e-3f);

    // A quarter turn puts the long radius along y: the first vertex is straight above.
    const auto upright =
        fanVertices(capture([] { GlDrawer::fillEllipse(0.5f, 0.5f, 0.2f, 0.1f, 2.0f, 1.5707963f, 4); }));
    ASSERT_EQ(upright.size(), 4u);
    expectAt(upright[0], 0.5f, 0.7f);
    expectAt(upright[1], 0.5f - 0.1f / 2.0f, 0.5f);
}

TEST_F(GlDrawerTest, EmptyInputsAndNoVerticesEmitNothing) {
    Curve single;
    single.points.emplace_back(0.5f, 0.5f);
    EXPECT_TRUE(capture([&] { GlDrawer::drawCurve(single); }).empty());
    EXPECT_TRUE(capture([] { GlDrawer::drawPolygon(std::vector<Point2>()); }).empty());
    EXPECT_TRUE(capture([] { GlDrawer::fillCircle(0.1f, 0.5f, 0.5f, 1.0f, 0); }).empty());
    EXPECT_TRUE(capture([] { GlDrawer::fillEllipse(0.5f, 0.5f, 0.1f, 0.1f, 1.0f, 0.3f, -3); }).empty());
    // Each operation closed its glBegin: the context reports no error.
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace

// What each drawing operation emits, captured in feedback mode in a real
// context. The context is 200 x 100 pixels over the unit square, so a view
// point (x, y) lands on pixel (200 x, 100 y).
#include <gtest/gtest.h>

#include <cmath>

#include "GlTestContext.h"
#include "geometry/GlDrawer.h"

namespace {

constexpr float kWidthPx = 200.0f;
constexpr float kHeightPx = 100.0f;

Point2 toPx(float xView, float yView) { return Point2(xView * kWidthPx, yView * kHeightPx); }

void expectNear(const Point2& actualPx, const Point2& expectedPx, float tolerancePx = 0.02f) {
    EXPECT_NEAR(actualPx.x, expectedPx.x, tolerancePx);
    EXPECT_NEAR(actualPx.y, expectedPx.y, tolerancePx);
}

class GlDrawerTest : public testing::Test {
protected:
    void SetUp() override {
        if (!testDisplayAvailable()) GTEST_SKIP() << "needs a display";
        context = std::make_unique<GlTestContext>(200, 100);
    }
    std::unique_ptr<GlTestContext> context;
};

TEST_F(GlDrawerTest, LinesRectanglesPointsAndColour) {
    auto line = context->capture([] { GlDrawer::drawLine(0.1f, 0.2f, 0.6f, 0.9f); });
    ASSERT_EQ(line.size(), 1u);
    expectNear(line[0].vertices[0], toPx(0.1f, 0.2f));
    expectNear(line[0].vertices[1], toPx(0.6f, 0.9f));

    // Corner order (x1,y1), (x1,y2), (x2,y2), (x2,y1), closed by the loop.
    auto rect = context->capture([] { GlDrawer::drawRectangle(Point2(0.2f, 0.3f), Point2(0.7f, 0.8f)); });
    ASSERT_EQ(rect.size(), 4u);
    expectNear(rect[0].vertices[0], toPx(0.2f, 0.3f));
    expectNear(rect[1].vertices[0], toPx(0.2f, 0.8f));
    expectNear(rect[2].vertices[0], toPx(0.7f, 0.8f));
    expectNear(rect[3].vertices[0], toPx(0.7f, 0.3f));
    expectNear(rect[3].vertices[1], toPx(0.2f, 0.3f));

    auto point = context->capture([] { GlDrawer::drawPoint(0.5f, 0.5f, 7.0f); });
    ASSERT_EQ(point.size(), 1u);
    EXPECT_EQ(point[0].token, static_cast<GLenum>(GL_POINT_TOKEN));
    GLfloat size = 0;
    glGetFloatv(GL_POINT_SIZE, &size);
    EXPECT_EQ(size, 7.0f);

    GlDrawer::setColor(Color4(0.25f, 0.5f, 0.75f, 0.125f));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.25f);
    EXPECT_FLOAT_EQ(colour[3], 0.125f);
}

TEST_F(GlDrawerTest, RoundShapesStartAtZeroRunCounterClockwiseAndDivideXByAspect) {
    // Four vertices: (0.5,0), (0,0.5), (-0.5,0), (0,-0.5) around (0.5,0.5), x halved by aspect 2.
    auto circle = context->capture([] { GlDrawer::drawCircle(0.4f, 0.5f, 0.5f, 2.0f, 4); });
    ASSERT_EQ(circle.size(), 4u);
    expectNear(circle[0].vertices[0], toPx(0.7f, 0.5f));
    expectNear(circle[1].vertices[0], toPx(0.5f, 0.9f));
    expectNear(circle[2].vertices[0], toPx(0.3f, 0.5f));
    expectNear(circle[3].vertices[0], toPx(0.5f, 0.1f));

    // A window ten times taller than wide: 0.1 wide and 0.01 high in view units.
    auto discTriangles = context->capture([] { GlDrawer::fillCircle(0.005f, 0.5f, 0.5f, 0.1f, 100); });
    ASSERT_EQ(discTriangles.size(), 98u);
    EXPECT_EQ(discTriangles[0].token, static_cast<GLenum>(GL_POLYGON_TOKEN));
    auto disc = fanVertices(discTriangles);
    ASSERT_EQ(disc.size(), 100u);
    expectNear(disc[0], toPx(0.55f, 0.5f));
    expectNear(disc[25], toPx(0.5f, 0.505f));
    expectNear(disc[50], toPx(0.45f, 0.5f));

    auto oval = context->capture([] { GlDrawer::drawOval(0.5f, 0.5f, 0.2f, 0.3f, 1.0f, 4); });
    ASSERT_EQ(oval.size(), 4u);
    expectNear(oval[0].vertices[0], toPx(0.7f, 0.5f));
    expectNear(oval[1].vertices[0], toPx(0.5f, 0.8f));
}

TEST_F(GlDrawerTest, EllipseTurnsBeforeTheAspectDivision) {
    auto oval = fanVertices(context->capture([] { GlDrawer::fillOval(Point2(0.5f, 0.5f), 0.2f, 0.1f, 2.0f, 12); }));
    auto flat = fanVertices(context->capture([] { GlDrawer::fillEllipse(0.5f, 0.5f, 0.2f, 0.1f, 2.0f, 0.0f, 12); }));
    ASSERT_EQ(oval.size(), 12u);
    ASSERT_EQ(flat.size(), 12u);
    for (size_t i = 0; i < 12; ++i) expectNear(flat[i], oval[i], 1e-3f);

    // A quarter turn puts the long radius along y: the first vertex is straight above.
    auto upright = fanVertices(
        context->capture([] { GlDrawer::fillEllipse(0.5f, 0.5f, 0.2f, 0.1f, 2.0f, 1.5707963f, 4); }));
    ASSERT_EQ(upright.size(), 4u);
    expectNear(upright[0], toPx(0.5f, 0.7f));
    expectNear(upright[1], toPx(0.5f - 0.1f / 2.0f, 0.5f));
}

TEST_F(GlDrawerTest, PolygonsAndCurvesFollowTheirPointsAndEmptyInputsEmitNothing) {
    std::vector<Point2> zigzag = {Point2(0.1f, 0.1f), Point2(0.3f, 0.9f), Point2(0.5f, 0.1f)};
    auto curve = context->capture([&] { GlDrawer::drawCurve(zigzag); });
    ASSERT_EQ(curve.size(), 2u);  // open: no closing segment
    expectNear(curve[1].vertices[1], toPx(0.5f, 0.1f));
    auto polygon = context->capture([&] { GlDrawer::drawPolygon(Polygon_t(zigzag)); });
    ASSERT_EQ(polygon.size(), 3u);  // closed
    expectNear(polygon[2].vertices[1], toPx(0.1f, 0.1f));

    Curve single;
    single.points.emplace_back(0.5f, 0.5f);
    EXPECT_TRUE(context->capture([&] { GlDrawer::drawCurve(single); }).empty());
    EXPECT_TRUE(context->capture([] { GlDrawer::drawPolygon(std::vector<Point2>()); }).empty());
    EXPECT_TRUE(context->capture([] { GlDrawer::fillCircle(0.1f, 0.5f, 0.5f, 1.0f, 0); }).empty());
    EXPECT_TRUE(context->capture([] { GlDrawer::fillEllipse(0.5f, 0.5f, 0.1f, 0.1f, 1.0f, 0.3f, -3); }).empty());
    // Each operation closed its glBegin: the context reports no error.
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace

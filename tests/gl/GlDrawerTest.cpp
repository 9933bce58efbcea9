// What each drawing operation emits, captured in feedback mode in a real
// context. The context is 200 x 100 pixels over the unit square, so a view
// point (x, y) lands on pixel (200 x, 100 y).
#include <initializer_list>

#include "GlTestContext.h"
#include "gl/GlDrawer.h"

namespace {

void expectAt(const Point2& actualPx, float xView, float yView) {
    EXPECT_NEAR(actualPx.x, xView * 200, 0.02f);
    EXPECT_NEAR(actualPx.y, yView * 100, 0.02f);
}

void expectVertices(const std::vector<Point2>& actualPx, std::initializer_list<Point2> view) {
    ASSERT_EQ(actualPx.size(), view.size());
    size_t k = 0;
    for (const Point2& p : view) expectAt(actualPx[k++], p.x, p.y);
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

TEST_F(GlDrawerTest, CirclesStartAtZeroRunCounterClockwiseAndDivideXByAspect) {
    // An outline comes back as one segment per vertex: (0.5,0), (0,0.5),
    // (-0.5,0), (0,-0.5) around (0.5,0.5), x halved by aspect 2.
    std::vector<Point2> outline;
    for (const auto& segment : capture([] { GlDrawer::drawCircle(0.4f, 0.5f, 0.5f, 2.0f, 4); }))
        outline.push_back(segment.vertices[0]);
    expectVertices(outline, {{0.7f, 0.5f}, {0.5f, 0.9f}, {0.3f, 0.5f}, {0.5f, 0.1f}});

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
    // Radii 0.2 and 0.1, aspect 2: unturned, the long radius lies along x and
    // is halved; a quarter turn puts it along y, whole, and halves the short one.
    expectVertices(fanVertices(capture([] { GlDrawer::fillEllipse(0.5f, 0.5f, 0.2f, 0.1f, 2.0f, 0.0f, 4); })),
                   {{0.6f, 0.5f}, {0.5f, 0.6f}, {0.4f, 0.5f}, {0.5f, 0.4f}});
    expectVertices(fanVertices(capture([] { GlDrawer::fillEllipse(0.5f, 0.5f, 0.2f, 0.1f, 2.0f, 1.5707963f, 4); })),
                   {{0.5f, 0.7f}, {0.45f, 0.5f}, {0.5f, 0.3f}, {0.55f, 0.5f}});
}

TEST_F(GlDrawerTest, NoVerticesEmitNothing) {
    EXPECT_TRUE(capture([] { GlDrawer::fillCircle(0.1f, 0.5f, 0.5f, 1.0f, 0); }).empty());
    EXPECT_TRUE(capture([] { GlDrawer::fillEllipse(0.5f, 0.5f, 0.1f, 0.1f, 1.0f, 0.3f, -3); }).empty());
    // Each operation closed its glBegin: the context reports no error.
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace

// The batch of item-line strips: each strip becomes its segments, in view
// units, with one colour or a colour per point.
#include "GlTestContext.h"
#include "pcview/LineStripBatch.h"

namespace {

TEST(LineStripBatchTest, StripsBecomeTheirSegmentsWithTheirColours) {
    if (!testDisplayAvailable()) GTEST_SKIP() << "needs a display";
    GlTestContext gl(200, 100);  // view units 0..1 map to 200 x 100 pixels
    const float xView[] = {0.1f, 0.5f, 0.9f};
    const float yView[] = {0.2f, 0.8f, 0.4f};
    const float rgba[] = {1, 0, 0, 1, 0, 1, 0, 1, 0, 0, 1, 1};  // red, green, blue points
    LineStripBatch batch;
    batch.addStrip(xView, yView, 3, rgba);
    batch.addStrip(xView, yView, 2, Color4(1, 1, 0, 1));
    batch.addStrip(xView, yView, 1, Color4(1, 1, 1, 1));  // a single point draws nothing
    EXPECT_EQ(batch.getVertexCount(), 6u);
    const auto lines = captureFeedback([&] { batch.flush(); }, GL_3D_COLOR);
    ASSERT_EQ(lines.size(), 3u);
    const int from[] = {0, 1, 0};
    for (size_t k = 0; k < lines.size(); ++k) {
        ASSERT_EQ(lines[k].vertices.size(), 2u);
        const int a = from[k], b = a + 1;
        EXPECT_NEAR(lines[k].vertices[0].x, 200 * xView[a], 0.01) << k;
        EXPECT_NEAR(lines[k].vertices[0].y, 100 * yView[a], 0.01) << k;
        EXPECT_NEAR(lines[k].vertices[1].x, 200 * xView[b], 0.01) << k;
        EXPECT_NEAR(lines[k].vertices[1].y, 100 * yView[b], 0.01) << k;
    }
    // Per-point colours run along the first strip; the second has its one colour.
    EXPECT_NEAR(lines[0].colours[0].r, 1, 1e-3);
    EXPECT_NEAR(lines[0].colours[1].g, 1, 1e-3);
    EXPECT_NEAR(lines[1].colours[1].b, 1, 1e-3);
    EXPECT_NEAR(lines[2].colours[0].g, 1, 1e-3);
    EXPECT_NEAR(lines[2].colours[1].b, 0, 1e-3);
    EXPECT_EQ(batch.getVertexCount(), 0u) << "a flush empties the batch";
}

}  // namespace

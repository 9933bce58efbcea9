// The item line state: the one call the view and the frame benchmark's floor
// share sets every part of it, whatever the context held before.
#include "GlTestContext.h"
#include "pcview/ItemLineStyle.h"

namespace {

struct LineState {
    GLfloat widthPx = 0;
    bool blend = false, smooth = false, multisample = false;
    GLint sourceFactor = 0, destinationFactor = 0;
};

LineState currentLineState() {
    LineState state;
    glGetFloatv(GL_LINE_WIDTH, &state.widthPx);
    state.blend = glIsEnabled(GL_BLEND) == GL_TRUE;
    state.smooth = glIsEnabled(GL_LINE_SMOOTH) == GL_TRUE;
    state.multisample = glIsEnabled(GL_MULTISAMPLE) == GL_TRUE;
    glGetIntegerv(GL_BLEND_SRC_RGB, &state.sourceFactor);
    glGetIntegerv(GL_BLEND_DST_RGB, &state.destinationFactor);
    return state;
}

TEST(ItemLineStyleTest, SetsWidthBlendingSmoothingAndMultisamplingFromAnyPriorState) {
    if (!testDisplayAvailable()) GTEST_SKIP() << "needs a display";
    GlTestContext context;
    // Everything the lines depend on set otherwise, as another layer might leave it.
    glLineWidth(5.0f);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glDisable(GL_LINE_SMOOTH);
    glDisable(GL_MULTISAMPLE);
    const LineState before = currentLineState();
    ASSERT_EQ(before.widthPx, 5.0f);
    ASSERT_FALSE(before.blend || before.smooth || before.multisample);

    applyItemLineState();
    const LineState after = currentLineState();
    EXPECT_EQ(after.widthPx, 2.0f) << "item lines are 2 px wide";
    EXPECT_EQ(after.widthPx, kItemLineWidthPx);
    EXPECT_TRUE(after.blend);
    EXPECT_EQ(after.sourceFactor, GL_SRC_ALPHA);
    EXPECT_EQ(after.destinationFactor, GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_TRUE(after.smooth);
    EXPECT_TRUE(after.multisample);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace

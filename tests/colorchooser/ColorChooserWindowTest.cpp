// The colour band: the indicator's clamping, the colour it answers, and the
// colours the band puts on screen.
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/Fl_Window.H>

#include "GlTestContext.h"
#include "colorchooser/ColorChooserWindow.h"

namespace {

constexpr int kBandWidthPx = 50;
constexpr int kBandHeightPx = 500;

void expectColour(const Color4& c, float r, float g, float b, float a) {
    EXPECT_NEAR(c.r, r, 1e-5f);
    EXPECT_NEAR(c.g, g, 1e-5f);
    EXPECT_NEAR(c.b, b, 1e-5f);
    EXPECT_NEAR(c.a, a, 1e-5f);
}

TEST(ColorChooserWindow, IndicatorPicksHueByHeightAndOpacityByPlace) {
    ColorChooserWindow band(0, 0, kBandWidthPx, kBandHeightPx);
    expectColour(band.getColor(), 0, 1, 1, 0.5f);  // middle: cyan, half opaque

    band.handleMouseEvents(FL_LEFT_MOUSE, FL_PUSH, 0, 0, 0);  // top-left corner pixel
    EXPECT_EQ(band.getIndicatorX(), 0.0f);
    EXPECT_EQ(band.getIndicatorY(), 1.0f);
    expectColour(band.getColor(), 1, 0, 0, 1);

    band.handleMouseEvents(FL_RIGHT_MOUSE, FL_DRAG, 0, 25, kBandHeightPx);  // bottom edge
    EXPECT_EQ(band.getIndicatorY(), 0.0f);
    expectColour(band.getColor(), 1, 0, 0, 0.5f);

    band.handleMouseEvents(FL_LEFT_MOUSE, FL_DRAG, 0, -20, kBandHeightPx + 40);  // beyond two edges
    EXPECT_EQ(band.getIndicatorX(), 0.0f);
    EXPECT_EQ(band.getIndicatorY(), 0.0f);
    band.handleMouseEvents(FL_LEFT_MOUSE, FL_DRAG, 0, 2 * kBandWidthPx, 375);  // indicatorY 0.25
    EXPECT_EQ(band.getIndicatorX(), 1.0f);
    expectColour(band.getColor(), 0.5f, 1, 0, 0);  // hue 1.5

    // Releases, moves and wheel steps do not move the indicator.
    band.handleMouseEvents(FL_LEFT_MOUSE, FL_RELEASE, 0, 10, 10);
    band.handleMouseEvents(0, FL_MOVE, 0, 10, 10);
    band.handleMouseEvents(0, FL_MOUSEWHEEL, 0, 10, 10);
    EXPECT_EQ(band.getIndicatorX(), 1.0f);
    EXPECT_EQ(band.getIndicatorY(), 0.25f);
}

TEST(ColorChooserWindow, BandShowsHuesOpaqueOnTheLeftAndFadesToTheRight) {
    if (!testDisplayAvailable()) GTEST_SKIP() << "needs a display";
    Fl_Window window(kBandWidthPx + 20, kBandHeightPx + 20);
    auto* band = new ColorChooserWindow(10, 10, kBandWidthPx, kBandHeightPx);
    window.end();
    ASSERT_TRUE(showAndWaitForFirstFrame(window, *band));
    drawFrameForReadBack(*band);

    // Left column just above three of the hue samples (one every 1/20 of the
    // height): 0.1 (hue 0.6), 0.25 (hue 1.5) and 0.65 (hue 3.9, almost blue);
    // the blend towards the next sample is small there.
    struct Row {
        int yPx;        // from the bottom
        float r, g, b;  // expected
    };
    const Row rows[] = {{51, 1.0f, 0.6f, 0.0f}, {126, 0.5f, 1.0f, 0.0f}, {326, 0.0f, 0.1f, 1.0f}};
    for (const Row& row : rows) {
        auto rgba = readPixel(0, row.yPx);
        EXPECT_NEAR(rgba[0], row.r * 255, 10) << row.yPx;
        EXPECT_NEAR(rgba[1], row.g * 255, 10) << row.yPx;
        EXPECT_NEAR(rgba[2], row.b * 255, 10) << row.yPx;
    }
    // The right edge is almost transparent: white background or the grey grid.
    auto right = readPixel(kBandWidthPx - 1, 126);
    EXPECT_GT(right[1], 170);
    EXPECT_GT(right[2], 170);
    // The red indicator sits in the middle.
    auto dot = readPixel(kBandWidthPx / 2, kBandHeightPx / 2);
    EXPECT_GT(dot[0], 150);
    EXPECT_LT(dot[1], 100);
}

}  // namespace

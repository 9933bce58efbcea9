// The colour band: the indicator's clamping, the colour it answers, the
// document's step a drag makes, and the colours the band puts on screen.
#include "GlTestContext.h"
#include "colorchooser/ColorChooserWindow.h"

namespace {

// The band is 50 x 500 pixels: the indicator's height picks the hue (6 at the top), its place the opacity.
TEST(ColorChooserWindow, IndicatorPicksHueByHeightAndOpacityByPlace) {
    Document document;
    ColorChooserWindow band(document, 0, 0, 50, 500);
    EXPECT_TRUE(colourIs(band.getColor(), Color4(0, 1, 1, 0.5f)));  // middle: cyan, half opaque

    band.handleMouseEvents(PointerInput::at(FL_PUSH, 0, 0));  // top-left corner pixel
    EXPECT_EQ(band.getIndicatorX(), 0.0f);
    EXPECT_EQ(band.getIndicatorY(), 1.0f);
    EXPECT_TRUE(colourIs(band.getColor(), Color4(1, 0, 0, 1)));
    band.handleMouseEvents(PointerInput::at(FL_DRAG, 25, 500, FL_RIGHT_MOUSE));  // bottom edge
    EXPECT_TRUE(colourIs(band.getColor(), Color4(1, 0, 0, 0.5f)));
    band.handleMouseEvents(PointerInput::at(FL_DRAG, -20, 540));  // beyond two edges
    EXPECT_EQ(band.getIndicatorX(), 0.0f);
    EXPECT_EQ(band.getIndicatorY(), 0.0f);
    band.handleMouseEvents(PointerInput::at(FL_DRAG, 100, 375));  // indicatorY 0.25
    EXPECT_EQ(band.getIndicatorX(), 1.0f);
    EXPECT_TRUE(colourIs(band.getColor(), Color4(0.5f, 1, 0, 0)));  // hue 1.5

    // Releases, moves and wheel steps do not move the indicator.
    for (int event : {FL_RELEASE, FL_MOVE, FL_MOUSEWHEEL}) band.handleMouseEvents(PointerInput::at(event, 10, 10));
    EXPECT_EQ(band.getIndicatorX(), 1.0f);
    EXPECT_EQ(band.getIndicatorY(), 0.25f);

    // The press and its drags were one step of the document: undo takes the
    // indicator back to the middle; redo brings the last place back.
    EXPECT_EQ(document.undoName(), "Choose Colour");
    ASSERT_TRUE(document.undo());
    EXPECT_EQ(band.getIndicatorX(), 0.5f);
    EXPECT_EQ(band.getIndicatorY(), 0.5f);
    EXPECT_FALSE(document.canUndo());
    ASSERT_TRUE(document.redo());
    EXPECT_EQ(band.getIndicatorY(), 0.25f);
}

TEST(ColorChooserWindow, BandShowsHuesOpaqueOnTheLeftAndFadesToTheRight) {
    if (!testDisplayAvailable()) GTEST_SKIP() << "needs a display";
    Document document;
    std::unique_ptr<Fl_Window> window;
    auto* band = new ColorChooserWindow(document, 0, 0, 50, 500);
    ASSERT_TRUE(showInWindow(window, band));
    drawFrameForReadBack(*band);
    // Left column just above three of the hue samples (one every 1/20 of the
    // height): 0.1 (hue 0.6), 0.25 (hue 1.5) and 0.65 (hue 3.9, almost blue);
    // the blend towards the next sample is small there.
    const std::vector<std::pair<int, Color4>> rows = {
        {51, Color4(255, 153, 0, 255)}, {126, Color4(127.5f, 255, 0, 255)}, {326, Color4(0, 25.5f, 255, 255)}};
    for (const auto& [yPx, expected] : rows) {
        const auto rgba = readPixel(0, yPx);
        EXPECT_TRUE(colourIs(Color4(rgba[0], rgba[1], rgba[2], 255), expected, 10)) << yPx;
    }
    // The right edge is almost transparent: white background or the grey grid.
    const auto right = readPixel(49, 126);
    EXPECT_GT(right[1], 170);
    EXPECT_GT(right[2], 170);
    const auto dot = readPixel(25, 250);  // the red indicator sits in the middle
    EXPECT_GT(dot[0], 150);
    EXPECT_LT(dot[1], 100);
}

// The indicator stays round when the band changes shape: as wide as it is
// tall on screen, at the first size and after a resize.
TEST(ColorChooserWindow, IndicatorStaysRoundAfterAResize) {
    if (!testDisplayAvailable()) GTEST_SKIP() << "needs a display";
    Document document;
    std::unique_ptr<Fl_Window> window;
    auto* band = new ColorChooserWindow(document, 0, 0, 50, 500);
    ASSERT_TRUE(showInWindow(window, band));
    // Red dot pixels along the row and the column through the band's centre.
    auto dotExtent = [&](int centreX, int centreY) {
        drawFrameForReadBack(*band);
        int across = 0, down = 0;
        for (int d = -20; d <= 20; ++d) {
            const auto row = readPixel(centreX + d, centreY);
            const auto column = readPixel(centreX, centreY + d);
            across += row[0] > 150 && row[1] < 100;
            down += column[0] > 150 && column[1] < 100;
        }
        return std::make_pair(across, down);
    };
    const auto [across, down] = dotExtent(25, 250);
    EXPECT_GT(down, 2);
    EXPECT_NEAR(across, down, 1);
    window->size(220, 520);
    band->resize(10, 10, 200, 500);
    EXPECT_FLOAT_EQ(band->getAspect(), 0.4f);
    const auto [acrossWide, downWide] = dotExtent(100, 250);
    EXPECT_NEAR(acrossWide, downWide, 1) << "a resize keeps the dot round";
}

}  // namespace

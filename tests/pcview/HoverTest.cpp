// Hovering over the view: the item line nearest the pointer is picked (along
// straight and bent lines), named with its raw values, dropped when the
// pointer leaves or a button is pressed, and drawn over the other layers
// without drawing the line layer anew.
// The view is 1000 x 500 pixels: axes at x 50, 500 and 950 px; a normalised
// value v stands at y (1 - (0.05 + 0.9 v)) * 500 px from the top.
#include <FL/Fl.H>
#include <FL/Fl_Window.H>

#include "GlTestContext.h"
#include "ViewTestSupport.h"
#include "app/WindowCapture.h"
#include "operators/DataItemPaths.h"
#include "pcview/HoverPick.h"

namespace {

// Normalised: a 0, 1, .5; b 0, 1, .3; c 1, 0, .5. Between the first two axes
// alpha runs flat at y 475 px, beta flat at 25 px, gamma from 250 to 340 px.
const char* const kNamedTable = "name,a,b,c\nalpha,0,0,10\nbeta,4,10,0\ngamma,2,3,5\n";
constexpr int kGamma = 2;

float yPxOfValue(float valueNorm) { return (1 - (0.05f + 0.9f * valueNorm)) * 500; }

class HoverTest : public ViewTest {
protected:
    void SetUp() override { makeView(kNamedTable); }
    void TearDown() override { Fl::e_state = 0; }
    int moveTo(float xPx, float yPx) {
        view->handleMouseEvents(PointerInput::at(FL_MOVE, std::lround(xPx), std::lround(yPx), 0));
        return view->getHoveredItem();
    }
};

TEST_F(HoverTest, PicksTheLineUnderThePointerAndLabelsItsRawValuesInAxisOrder) {
    const uint64_t revision = tree->getRevision();
    // Gamma halfway between the first two axes: 295 px, between its ends' 250 and 340.
    EXPECT_EQ(moveTo(275, 295), kGamma);
    EXPECT_EQ(view->getHoverLabel(), "gamma\na: 2\nb: 3\nc: 5");
    EXPECT_EQ(moveTo(275, 475), 0);
    EXPECT_EQ(view->getHoverLabel(), "alpha\na: 0\nb: 0\nc: 10");
    EXPECT_EQ(moveTo(948, 475), 1) << "beta falls to c's foot at the last axis";
    // Within the 4 px reach (3 px above a line of slope 0.2) and beyond it (6 px).
    EXPECT_EQ(moveTo(275, 292), kGamma);
    EXPECT_EQ(moveTo(275, 289), -1);
    EXPECT_EQ(view->getHoverLabel(), "");
    EXPECT_EQ(moveTo(275, 250), -1) << "gamma's height at the left axis, 45 px off its line here";
    EXPECT_EQ(moveTo(500, 150), -1);
    EXPECT_EQ(tree->getRevision(), revision) << "hovering changes nothing in the tree";
    EXPECT_TRUE(tree->getRoot()->noChildren());
}

TEST_F(HoverTest, RowsOfATableWithoutNamesAreNumberedFromOne) {
    makeView("a,b\n0,0\n1,1\n5,5\n");  // normalised 0, .2, 1 on both axes: flat lines
    EXPECT_EQ(moveTo(500, yPxOfValue(0.2f)), 1);
    EXPECT_EQ(view->getHoverLabel(), "Row 2\na: 1\nb: 1");
}

TEST_F(HoverTest, EndsWhenThePointerLeavesAButtonIsPressedOrTheTableChanges) {
    ASSERT_EQ(moveTo(275, 295), kGamma);
    view->handleMouseEvents(PointerInput::at(FL_LEAVE, 275, 295, 0));
    EXPECT_EQ(view->getHoveredItem(), -1);

    ASSERT_EQ(moveTo(275, 295), kGamma);
    view->handleMouseEvents(PointerInput::at(FL_PUSH, 275, 295, FL_MIDDLE_MOUSE));
    EXPECT_EQ(view->getHoveredItem(), -1);
    ASSERT_EQ(moveTo(275, 295), kGamma);
    view->handleMouseEvents(PointerInput::at(FL_DRAG, 275, 295, FL_LEFT_MOUSE));
    EXPECT_EQ(view->getHoveredItem(), -1);

    // Through the toolkit's entry: entering is taken (or no move would come), leaving ends it.
    EXPECT_EQ(view->handle(FL_ENTER), 1);
    ASSERT_EQ(moveTo(275, 295), kGamma);
    EXPECT_EQ(view->handle(FL_LEAVE), 1);
    EXPECT_EQ(view->getHoveredItem(), -1);

    ASSERT_EQ(moveTo(275, 295), kGamma);
    view->linkMDdata(loadTableQuietly(dir.write("one.txt", "a,b\n1,2\n")));
    EXPECT_EQ(view->getHoveredItem(), -1);
    EXPECT_EQ(view->getHoverLabel(), "");
    view->linkMDdata(nullptr);
    EXPECT_EQ(moveTo(275, 295), -1) << "no table, nothing to pick";
}

TEST_F(HoverTest, FollowsTheBentCurveNotTheStraightSegment) {
    ASSERT_NE(add(0.275f, 0.47f), nullptr);
    view->prepareFrame();
    const DataItemPaths* paths = view->getItemPaths();
    ASSERT_TRUE(paths->isBent(kGamma, 0)) << "the operator bends gamma between the first two axes";
    DataItemPaths::SegmentCurve curve;
    paths->getCurve(kGamma, 0, &curve);
    // The curve point farthest from gamma's straight segment.
    auto straightYPx = [](float xView) {
        const float s = (xView - 0.05f) / 0.45f;
        return yPxOfValue(0.5f + (0.3f - 0.5f) * s);
    };
    int farthest = 0;
    float offsetPx = 0;
    for (int k = 0; k < DataItemPaths::kPointsPerSegment; ++k) {
        const float offset = std::fabs((1 - curve.y[k]) * 500 - straightYPx(curve.x[k]));
        if (offset > offsetPx) offsetPx = offset, farthest = k;
    }
    ASSERT_GT(offsetPx, 10.0f);
    const float xPx = curve.x[farthest] * 1000;
    EXPECT_EQ(moveTo(xPx, (1 - curve.y[farthest]) * 500), kGamma);
    EXPECT_NE(moveTo(xPx, straightYPx(curve.x[farthest])), kGamma);
}

TEST_F(HoverTest, TheLabelStaysInsideTheViewFlippingAwayFromItsEdges) {
    const LabelBox middle = placeHoverLabel(500, 250, 100, 60, 1000, 500);
    EXPECT_GT(middle.xPx, 500);
    EXPECT_GT(middle.yPx, 250);
    const LabelBox nearRight = placeHoverLabel(950, 250, 100, 60, 1000, 500);
    EXPECT_LE(nearRight.xPx + nearRight.widthPx, 950) << "left of the pointer";
    EXPECT_GT(nearRight.yPx, 250);
    const LabelBox nearCorner = placeHoverLabel(995, 495, 100, 60, 1000, 500);
    EXPECT_LE(nearCorner.xPx + 100, 995);
    EXPECT_LE(nearCorner.yPx + 60, 495) << "above the pointer";
    for (const LabelBox& box : {middle, nearRight, nearCorner, placeHoverLabel(5, 5, 2000, 900, 1000, 500)}) {
        EXPECT_GE(box.xPx, 0);
        EXPECT_GE(box.yPx, 0);
        if (box.widthPx <= 1000) {
            EXPECT_LE(box.xPx + box.widthPx, 1000);
        }
        if (box.heightPx <= 500) {
            EXPECT_LE(box.yPx + box.heightPx, 500);
        }
    }
}

TEST_F(HoverTest, TheHighlightReachesTheScreenWithoutDrawingTheLinesAnew) {
    if (!testDisplayAvailable()) GTEST_SKIP() << "needs a display";
    Fl::screen_count();
    makeView(kNamedTable);
    std::unique_ptr<Fl_Window> window;
    ASSERT_TRUE(showInWindow(window, owned.release()));
    auto pixel = [](const WindowPicture& picture, int xPx, int yPx) {
        const size_t at = (static_cast<size_t>(yPx) * picture.widthPx + xPx) * 3;
        return std::vector<unsigned char>(picture.rgb.begin() + at, picture.rgb.begin() + at + 3);
    };
    WindowPicture plain = captureView(view);
    for (int frames = 0; view->drawingPending() && frames < 100; ++frames) plain = captureView(view);
    ASSERT_FALSE(view->drawingPending());
    const uint64_t restarts = view->getLineLayerRestarts();

    ASSERT_EQ(moveTo(275, 295), kGamma);
    const WindowPicture hovered = captureView(view);
    EXPECT_NE(pixel(hovered, 275, 295), pixel(plain, 275, 295)) << "the highlighted line";
    EXPECT_NE(pixel(hovered, 275 + 16, 295 + 16), pixel(plain, 275 + 16, 295 + 16)) << "the label's box";
    for (float s = 0.1f; s < 1; s += 0.2f) {  // along gamma's line
        EXPECT_EQ(moveTo(50 + 450 * s, yPxOfValue(0.5f - 0.2f * s)), kGamma);
        captureView(view);
    }
    EXPECT_EQ(view->getLineLayerRestarts(), restarts);
    EXPECT_FALSE(view->drawingPending());

    view->handleMouseEvents(PointerInput::at(FL_LEAVE, 0, 0, 0));
    EXPECT_TRUE(captureView(view).rgb == plain.rgb) << "leaving leaves the picture without hover";
}

}  // namespace

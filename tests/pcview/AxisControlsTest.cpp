// The axes under the user's control, as the view shows them: titles whole,
// with their spaces, inside the view and never over one another (staggered,
// shortened or hidden as the room asks); a flipped or reordered axis draws
// its lines where they now belong; colour by a column puts the map's end
// colours on the column's extremes; and the gestures on a title.
#include <cmath>

#include "GlTestContext.h"
#include "TestSupport.h"
#include "model/ColourMap.h"
#include "pcview/PCWindow.h"

namespace {

class AxisControlsTest : public testing::Test {
protected:
    void SetUp() override {
        if (!testDisplayAvailable()) GTEST_SKIP() << "needs a display";
        view = new PCWindow(document, 0, 0, 1000, 500);
        ASSERT_TRUE(showInWindow(window, view));
    }
    void load(const std::string& contents) {
        view->linkMDdata(loadTableQuietly(dir.write("t" + std::to_string(files++) + ".csv", contents)));
        // Nothing along the axes but the axes: no mixture lines, no histograms.
        if (document.getDisplaySwitches().showMixtures) document.toggleMixtures();
        if (document.getDisplaySwitches().showHistograms) document.toggleHistograms();
    }
    // Pixels of a fresh frame that are not white in window rows [fromRow, toRow), rows counted from the top.
    int darkPixelsInRows(int fromRow, int toRow) {
        drawFrameForReadBack(*view);
        std::vector<unsigned char> rgb(static_cast<size_t>(view->w()) * static_cast<size_t>(toRow - fromRow) * 3);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, view->h() - toRow, view->w(), toRow - fromRow, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        int dark = 0;
        for (unsigned char c : rgb) dark += c < 250;
        return dark;
    }
    bool isWhite(int xPx, int yPxFromTop) {
        const std::vector<unsigned char> rgba = readPixel(xPx, view->h() - 1 - yPxFromTop);
        return rgba[0] > 250 && rgba[1] > 250 && rgba[2] > 250;
    }
    // Titles of one row never share a pixel, and each stays inside the view and its cell.
    void expectTitlesApart() {
        const std::vector<AxisTitlePlacement>& titles = view->getAxisTitlePlacements();
        for (size_t s = 0; s < titles.size(); ++s) {
            const float rightPx = titles[s].leftPx + 8.0f * static_cast<float>(titles[s].text.size());
            if (titles[s].text.empty()) continue;
            EXPECT_GE(titles[s].leftPx, titles[s].cellLeftPx) << s;
            EXPECT_LE(rightPx, titles[s].cellRightPx + 0.01f) << s;
            EXPECT_GE(titles[s].leftPx, 1.0f) << s;
            EXPECT_LE(rightPx, static_cast<float>(view->w()) - 1) << s;
            for (size_t t = s + 1; t < titles.size(); ++t) {
                if (titles[t].row != titles[s].row || titles[t].text.empty()) continue;
                EXPECT_GE(titles[t].leftPx, rightPx) << "titles " << s << " and " << t << " overlap";
                break;
            }
        }
    }
    Document document;
    TempDir dir;
    int files = 0;
    std::unique_ptr<Fl_Window> window;
    PCWindow* view = nullptr;  // owned by the window
};

std::string wideTable(int columns, const std::string& prefix) {
    std::string text;
    for (int c = 0; c < columns; ++c) text += (c ? "," : "") + prefix + " " + std::to_string(c);
    text += "\n";
    for (int row = 0; row < 3; ++row) {
        for (int c = 0; c < columns; ++c) text += (c ? "," : "") + std::to_string((row * 7 + c) % 5);
        text += "\n";
    }
    return text;
}

TEST_F(AxisControlsTest, TitlesStandWholeInsideTheViewWithTheirSpacesAndNeverOverlap) {
    view->linkMDdata(loadTableQuietly("DataSet/cars.csv"));
    EXPECT_EQ(darkPixelsInRows(0, 2), 0) << "no title pixel in the view's top two rows";
    EXPECT_GT(darkPixelsInRows(2, 20), 0) << "the titles are drawn";
    expectTitlesApart();
    for (const AxisTitlePlacement& title : view->getAxisTitlePlacements()) EXPECT_EQ(title.text.find(".."), std::string::npos);
    // Thirty long names: staggered on two rows, shortened, never in the top rows.
    load(wideTable(30, "miles per gallon"));
    EXPECT_EQ(darkPixelsInRows(0, 2), 0);
    const std::vector<AxisTitlePlacement>& titles = view->getAxisTitlePlacements();
    ASSERT_EQ(titles.size(), 30u);
    EXPECT_EQ(titles[0].row, 0);
    EXPECT_EQ(titles[1].row, 1);
    EXPECT_EQ(titles[0].text.substr(0, 6), "miles ") << "the space is kept";
    EXPECT_NE(titles[0].text.find(".."), std::string::npos) << "shortened: " << titles[0].text;
    expectTitlesApart();
    // Short names on a wide view: one row, whole.
    load("mpg,weight,year\n1,2,3\n4,5,6\n");
    for (const AxisTitlePlacement& title : view->getAxisTitlePlacements()) EXPECT_EQ(title.row, 0);
    EXPECT_EQ(view->getAxisTitlePlacements()[1].text, "weight");
    // The titles follow the axes when the wheel spreads them.
    const float weightLeftPx = view->getAxisTitlePlacements()[1].leftPx;
    stdoutOf([&] { ASSERT_TRUE(document.spreadAxes(0, -4)); });
    const float centrePx = view->getAxes()->getAxisPosition(1) * 1000.0f;
    EXPECT_NE(view->getAxisTitlePlacements()[1].leftPx, weightLeftPx);
    EXPECT_FLOAT_EQ(view->getAxisTitlePlacements()[1].leftPx, centrePx - 24.0f);
    // Two hundred columns: the titles that do not fit are hidden; the pointer shows one whole.
    load(wideTable(200, "c"));
    expectTitlesApart();
    EXPECT_EQ(darkPixelsInRows(0, 2), 0);
    const float axisPx = view->getAxes()->getAxisPosition(100) * 1000.0f;
    view->handleMouseEvents(PointerInput::at(FL_MOVE, static_cast<int>(std::lround(axisPx)), 10, 0));
    EXPECT_EQ(view->getHoveredTitle(), 100);
    EXPECT_EQ(darkPixelsInRows(0, 2), 0) << "the whole title stays inside the view too";
}

// Two items, each level across both axes: two horizontal lines. Flipping the
// second axis crosses them in the middle; undoing it takes the cross away.
TEST_F(AxisControlsTest, AFlippedOrReorderedAxisDrawsItsLinesWhereTheyNowBelong) {
    load("a,b,c\n0,0,1\n1,1,0\n");
    // Lines a-b level (at foot and top), b-c crossing in the middle of gap 1 (x 725 px).
    drawFrameForReadBack(*view);
    EXPECT_TRUE(isWhite(275, 250));
    EXPECT_FALSE(isWhite(725, 250));
    EXPECT_FALSE(isWhite(275, 475));
    stdoutOf([&] { ASSERT_TRUE(document.flipAxis(1)); });
    drawFrameForReadBack(*view);
    EXPECT_FALSE(isWhite(275, 250)) << "a-b now cross";
    EXPECT_TRUE(isWhite(725, 250)) << "b-c now level";
    stdoutOf([&] { ASSERT_TRUE(document.undo()); });
    drawFrameForReadBack(*view);
    EXPECT_TRUE(isWhite(275, 250)) << "no stale picture after undo";
    // c to the front: c-a cross in gap 0, a-b level in gap 1.
    stdoutOf([&] { ASSERT_TRUE(document.moveAxis(2, 0)); });
    drawFrameForReadBack(*view);
    EXPECT_FALSE(isWhite(275, 250));
    EXPECT_TRUE(isWhite(725, 250));
    EXPECT_EQ(view->getAxisName(0), "c");
}

// Each item level across both axes: the lowest line at the foot in the map's
// low end, the highest at the top in its high end (drawn at the lines' opacity on white).
TEST_F(AxisControlsTest, ColouringByAColumnDrawsTheMapsEndColoursAtItsExtremes) {
    std::string text = "v,w\n";
    for (int i = 0; i <= 10; ++i) text += std::to_string(i) + "," + std::to_string(i) + "\n";
    load(text);
    stdoutOf([&] { ASSERT_TRUE(document.setColourByDim(0)); });
    drawFrameForReadBack(*view);
    auto expectColourAt = [&](int yPxFromTop, float t) {
        const Color4 c = ColourMap::viridis(t);
        const std::vector<unsigned char> rgba = readPixel(300, view->h() - 1 - yPxFromTop);
        const float a = ColourMap::kLineAlpha;
        EXPECT_NEAR(rgba[0], 255 * (a * c.r + 1 - a), 24) << yPxFromTop;
        EXPECT_NEAR(rgba[1], 255 * (a * c.g + 1 - a), 24) << yPxFromTop;
        EXPECT_NEAR(rgba[2], 255 * (a * c.b + 1 - a), 24) << yPxFromTop;
    };
    expectColourAt(475, 0.0f);  // the foot: value 0
    expectColourAt(25, 1.0f);   // the top: value 10
    // A flip keeps each value's colour: value 10 now at the foot is still the high end.
    stdoutOf([&] { ASSERT_TRUE(document.flipAxis(0)); ASSERT_TRUE(document.flipAxis(1)); });
    drawFrameForReadBack(*view);
    expectColourAt(475, 1.0f);
    expectColourAt(25, 0.0f);
}

// Dragging a title to another axis moves the axis there, in one step; a
// double click flips it; the keys over an axis flip it, switch its scale
// (refused with the reason on a column that cannot have it) and colour by it.
TEST_F(AxisControlsTest, TitlesAreDraggedAndDoubleClickedAndKeysActOnTheAxisUnderThePointer) {
    load("a,b,c\n0,5,1\n1,6,0\n2,7,0\n");
    struct Status : DocumentObserver {
        std::string notice;
        void documentChanged(const DocumentChange& change) override { notice = change.notice; }
    } status;
    document.addObserver(&status);
    // Title of a (centred at 50 px) to axis c (950 px).
    view->handleMouseEvents(PointerInput::at(FL_PUSH, 50, 10));
    EXPECT_EQ(view->getDraggedTitle(), 0);
    view->handleMouseEvents(PointerInput::at(FL_DRAG, 600, 200));
    view->handleMouseEvents(PointerInput::at(FL_DRAG, 930, 300));
    stdoutOf([&] { view->handleMouseEvents(PointerInput::at(FL_RELEASE, 930, 300)); });
    EXPECT_EQ(view->getDraggedTitle(), -1);
    EXPECT_EQ(view->getAxisName(0), "b");
    EXPECT_EQ(view->getAxisName(2), "a");
    EXPECT_EQ(document.undoName(), "Reorder Axes");
    // The step is worked out in the event loop's turn after the frame that shows the reorder.
    EXPECT_TRUE(document.isHistoryUnsettled());
    const size_t stepsBefore = document.getHistory().undoCount();
    view->redraw();
    Fl::flush();
    EXPECT_TRUE(document.isHistoryUnsettled()) << "not before the frame is shown";
    Fl::wait(0);
    EXPECT_FALSE(document.isHistoryUnsettled());
    const size_t steps = document.getHistory().undoCount();
    EXPECT_EQ(steps, stepsBefore + 1);
    // A release over its own axis moves nothing.
    view->handleMouseEvents(PointerInput::at(FL_PUSH, 500, 10));
    view->handleMouseEvents(PointerInput::at(FL_RELEASE, 510, 10));
    EXPECT_EQ(document.getHistory().undoCount(), steps);
    EXPECT_EQ(view->getAxisName(1), "c");
    // A double click on the title of c flips it.
    PointerInput doubleClick = PointerInput::at(FL_PUSH, 500, 10);
    doubleClick.clicks = 1;
    stdoutOf([&] { view->handleMouseEvents(doubleClick); });
    view->handleMouseEvents(PointerInput::at(FL_RELEASE, 500, 10));
    EXPECT_TRUE(document.model().getData()->getAxisScale(1).flipped);
    EXPECT_EQ(document.undoName(), "Flip Axis");
    // Keys over axis b (slot 0): O gives it a log scale, its top label says so;
    // over c (categorical? no: numbers with a zero) the scale is refused with the reason.
    stdoutOf([&] { view->handleKeyboardEvents('o', 60, 250); });
    EXPECT_TRUE(document.model().getData()->getAxisScale(0).logarithmic);
    EXPECT_EQ(view->getAxisMaxLabel(0), "7.00 (log)");
    stdoutOf([&] { view->handleKeyboardEvents('o', 500, 250); });
    EXPECT_FALSE(document.model().getData()->getAxisScale(1).logarithmic);
    EXPECT_EQ(status.notice, "A logarithmic scale needs values above 0: \"c\" holds 0.00.");
    stdoutOf([&] { view->handleKeyboardEvents('f', 940, 250); });
    EXPECT_TRUE(document.model().getData()->getAxisScale(2).flipped);
    stdoutOf([&] { view->handleKeyboardEvents('u', 940, 250); });
    EXPECT_EQ(document.model().getColourByDim(), 2);
    stdoutOf([&] { view->handleKeyboardEvents('u', 940, 250); });
    EXPECT_EQ(document.model().getColourByDim(), -1);
    document.removeObserver(&status);
}

}  // namespace

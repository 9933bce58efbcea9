// The view: transforms, per-table state, label texts, and what the draw pass
// puts on screen in a real window (axes and labels on their pixels).
#include "GlTestContext.h"
#include "cluster/ClusterPath.h"
#include "pcview/PCWindow.h"

namespace {

// A view of 1000 x 500 pixels, like the one of the main window.
class PCWindowTest : public testing::Test {
protected:
    MultidimensionalData* table(const std::string& contents) { return loadTableQuietly(dir.write("t.txt", contents)); }
    Document document;  // what the view shows
    TempDir dir;
};

TEST_F(PCWindowTest, TransformsMapPixelsToViewUnitsAndValuesToTheDrawRegion) {
    PCWindow view(document, 0, 0, 1000, 500);
    float x = -1, y = -1;
    view.transformMouseInput(&x, &y, 0, 0);
    EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(y, 1.0f);  // top-left pixel is the top of the view
    view.transformMouseInput(&x, &y, 1000, 500);
    EXPECT_EQ(x, 1.0f);
    EXPECT_EQ(y, 0.0f);
    EXPECT_FLOAT_EQ(view.transformToDrawRegion(0), 0.05f);
    EXPECT_FLOAT_EQ(view.transformToDrawRegion(1), 0.95f);
    for (float v : {0.0f, 0.3f, 1.0f}) {
        EXPECT_NEAR(view.transformToDrawRegionScale(view.transformToDrawRegion(v)), v, 1e-6f);
    }
    EXPECT_FLOAT_EQ(view.getAspect(), 2.0f);
    // Pixel -> view -> pixel gives the pixel back, at the edges and inside,
    // before and after a resize (which also sets the aspect).
    for (auto [w, h] : {std::pair<int, int>{1000, 500}, {640, 480}}) {
        view.resize(0, 0, w, h);
        EXPECT_FLOAT_EQ(view.getAspect(), static_cast<float>(w) / h);
        for (auto [xPx, yPx] : {std::pair<int, int>{0, 0}, {w, h}, {w / 3, h - 1}, {17, 123}}) {
            view.transformMouseInput(&x, &y, xPx, yPx);
            EXPECT_EQ(static_cast<int>(std::lround(x * w)), xPx);
            EXPECT_EQ(static_cast<int>(std::lround((1 - y) * h)), yPx);
        }
    }
}

TEST_F(PCWindowTest, LinkingATableBuildsLabelsAndKeepsTheDisplaySwitches) {
    PCWindow view(document, 0, 0, 1000, 500);
    EXPECT_FALSE(view.isDataReady());
    view.linkMDdata(table("name,mpg,weight\nx,2,10\ny,6,10\nz,4,10\n"));
    ASSERT_EQ(view.getAxes()->getAxisNum(), 2);
    EXPECT_EQ(view.getAxisName(0), "mpg");  // not the name column's header
    EXPECT_EQ(view.getAxisMinLabel(0), "2.00");
    EXPECT_EQ(view.getAxisMaxLabel(0), "6.00");
    EXPECT_EQ(view.getAxisMinLabel(1), "10.00");

    document.toggleHistograms();
    document.toggleMixtures();
    document.toggleHintPaths();
    view.linkMDdata(table("a,b,c\n1,2,3\n"));
    EXPECT_EQ(view.getAxisName(2), "c");
    EXPECT_FALSE(view.getShowHistograms());
    EXPECT_FALSE(view.getShowMixtures());
    EXPECT_FALSE(view.getShowHintPaths());
}

// A real window around the view, as in the main window.
class ShownViewTest : public PCWindowTest {
protected:
    void SetUp() override {
        if (!testDisplayAvailable()) GTEST_SKIP() << "needs a display";
        view = new PCWindow(document, 0, 0, 1000, 500);
        ASSERT_TRUE(showInWindow(window, view));
    }
    // Whether window pixel (xPx, yPx) of a fresh frame, y counted from the bottom, is white.
    bool isWhite(int xPx, int yPx) {
        auto rgba = readPixel(xPx, yPx);
        return rgba[0] == 255 && rgba[1] == 255 && rgba[2] == 255;
    }
    std::unique_ptr<Fl_Window> window;
    PCWindow* view = nullptr;  // owned by the window
};

TEST_F(ShownViewTest, WithoutATableOrWithAnEmptyOneTheViewIsWhite) {
    drawFrameForReadBack(*view);
    EXPECT_TRUE(isWhite(50, 250));
    EXPECT_TRUE(isWhite(500, 480));
    view->linkMDdata(table("a,b\n"));  // dimensions but no items
    drawFrameForReadBack(*view);
    EXPECT_TRUE(isWhite(50, 250));
    view->linkMDdata(loadTableQuietly(dir.path() + "/absent.txt"));  // no dimensions at all
    drawFrameForReadBack(*view);
    EXPECT_TRUE(isWhite(50, 250));
    EXPECT_TRUE(isWhite(950, 250));
}

TEST_F(ShownViewTest, AxesAndLabelsLandOnTheirPixels) {
    view->linkMDdata(table("name,mpg,weight,year\nx,2,10,1970\ny,6,20,1982\n"));
    document.toggleMixtures();  // empty mixtures draw a line along every axis
    drawFrameForReadBack(*view);
    // Three axes at 0.05, 0.5 and 0.95 of the width from 5% to 95% of the height, one segment
    // each, and a bitmap per character at the labels' raster positions.
    std::vector<Point2> lineStarts, bitmaps;
    for (const auto& p : captureFeedback([&] { view->renderAxes(); })) {
        if (p.token == GL_LINE_TOKEN || p.token == GL_LINE_RESET_TOKEN) lineStarts.push_back(p.vertices[0]);
        if (p.token == GL_BITMAP_TOKEN) bitmaps.push_back(p.vertices[0]);
    }
    ASSERT_EQ(lineStarts.size(), 3u);
    EXPECT_NEAR(lineStarts[1].x, 500, 0.01);
    EXPECT_NEAR(lineStarts[1].y, 25, 0.01);
    EXPECT_LT(readPixel(950, 250)[0], 40) << "and on screen";
    // Axis 0: "2.00", "6.00", then the other axes' labels, then the titles
    // ("mpg", "weight", "year": 13 bitmaps); the first of each sits at its raster position.
    ASSERT_GE(bitmaps.size(), 8u + 13u);
    EXPECT_NEAR(bitmaps[0].x, 50, 0.01);        // minimum starts at the axis
    EXPECT_NEAR(bitmaps[0].y, 25 - 15, 0.01);   // 15 px below the foot
    EXPECT_NEAR(bitmaps[4].x, 50 + 4, 0.01);    // maximum right of the axis
    EXPECT_NEAR(bitmaps[4].y, 475 - 11, 0.01);  // just under its top
    const Point2 title = bitmaps[bitmaps.size() - 13];
    EXPECT_NEAR(title.x, 50 - 12, 0.01);        // centred over the axis
    EXPECT_NEAR(title.y, 500 - 14, 0.01);       // baseline 14 px under the view's top edge
    EXPECT_GT(bitmaps[1].x, bitmaps[0].x);      // characters advance to the right
}

// A categorical axis writes its categories beside it at their positions; an
// axis with a missing value gets its slot below the foot, the minimum moves
// left of the axis, and the item's line goes down to the slot.
TEST_F(ShownViewTest, CategoriesAndAMissingSlotLandOnTheirPixels) {
    view->linkMDdata(table("name,origin,mpg\nx,USA,2\ny,Japan,\nz,Europe,6\n"));
    document.toggleMixtures();
    document.toggleHistograms();
    drawFrameForReadBack(*view);
    ASSERT_EQ(view->getShownCategories(0), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(view->getAxisMinLabel(0), "") << "the categories say it";
    std::vector<Point2> bitmaps, lineStarts;
    for (const auto& p : captureFeedback([&] { view->renderAxes(); })) {
        if (p.token == GL_BITMAP_TOKEN) bitmaps.push_back(p.vertices[0]);
        if (p.token == GL_LINE_TOKEN || p.token == GL_LINE_RESET_TOKEN) lineStarts.push_back(p.vertices[0]);
    }
    auto bitmapAt = [&](float xPx, float yPx) {
        return std::any_of(bitmaps.begin(), bitmaps.end(),
                           [&](const Point2& b) { return std::fabs(b.x - xPx) < 0.6f && std::fabs(b.y - yPx) < 0.6f; });
    };
    // "Europe" at the foot, "Japan" in the middle, "USA" at the top, each
    // ending 3 px left of the axis at x = 50 (never left of the view), 4 px under its height.
    EXPECT_TRUE(bitmapAt(1, 25 - 4)) << "Europe, kept inside the view";
    EXPECT_TRUE(bitmapAt(50 - 3 - 5 * 8, 250 - 4)) << "Japan";
    EXPECT_TRUE(bitmapAt(50 - 3 - 3 * 8, 475 - 4)) << "USA";
    // mpg at x = 950: its slot's box around (950, 12.5), "NA" left of it, the minimum "2.00" left of the foot.
    const float slotYPx = 25 + 450 * MultidimensionalData::kMissingValueNorm;
    EXPECT_NEAR(slotYPx, 12.5f, 0.01f);
    EXPECT_TRUE(std::any_of(lineStarts.begin(), lineStarts.end(), [&](const Point2& p) {
        return std::fabs(p.x - 947) < 0.6f && std::fabs(p.y - (slotYPx - 3)) < 0.6f;
    })) << "the slot's box";
    EXPECT_TRUE(bitmapAt(950 - 3 - 3 - 16, slotYPx - 4)) << "NA";
    EXPECT_TRUE(bitmapAt(950 - 3 - 4 * 8, 25 + 2)) << "the minimum";
    EXPECT_FALSE(bitmapAt(950, 25 - 15)) << "not where it stands on an axis without a slot";
    // On screen: y's line from Japan (50, 250) runs down to the slot, not to the foot.
    EXPECT_LT(readPixel(700, 78)[0], 200) << "the line towards the slot";
    EXPECT_TRUE(isWhite(700, 88)) << "no line towards the foot";
    EXPECT_LT(readPixel(947, 12)[0], 128) << "the slot's box";
}

TEST_F(ShownViewTest, FullHintPathsAreLabelledAndLockedOnesDrawnAsBands) {
    view->linkMDdata(table("a,b,c\n0,0,0\n1,1,1\n"));
    drawFrameForReadBack(*view);
    ClusterPath* paths = document.modelForSetUp().getPaths();
    for (int d = 0; d < 3; ++d) paths->addHintPoint(0, d, view->getAxes()->getAxisPosition(d), 0.5f);
    // Characters drawn (one bitmap each) and the widest line, in pixels.
    auto drawn = [&](int* bitmaps) {
        *bitmaps = 0;
        for (const auto& p : captureFeedback([&] { view->renderHintPaths(); })) {
            if (p.token == GL_BITMAP_TOKEN) ++*bitmaps;
        }
        GLfloat widthPx = 0;
        glGetFloatv(GL_LINE_WIDTH, &widthPx);
        return widthPx;
    };
    int bitmaps = 0;
    EXPECT_EQ(drawn(&bitmaps), 2.0f);
    EXPECT_EQ(bitmaps, 3) << "C_1 beside a full path";
    paths->lockPath(0);
    EXPECT_EQ(drawn(&bitmaps), 10.0f) << "a locked path is a broad band";
    EXPECT_EQ(bitmaps, 4) << "LC_1";
    paths->unlockPath(0);
    paths->deleteHintPoint(0, 1);
    drawn(&bitmaps);
    EXPECT_EQ(bitmaps, 0) << "no label without a point on every axis";
}

TEST_F(ShownViewTest, IconTexturesAreMadeOncePerContextAndSurviveResizing) {
    view->linkMDdata(table("a,b\n1,2\n3,4\n"));
    drawFrameForReadBack(*view);
    const GLuint lock = view->getLockTexture(), unlock = view->getUnlockTexture();
    ASSERT_TRUE(glIsTexture(lock));
    for (int k = 1; k <= 3; ++k) {
        view->resize(10, 10, 1000 - 100 * k, 500 - 100 * k);
        EXPECT_FALSE(view->valid());
        view->redraw();
        Fl::flush();
        EXPECT_TRUE(view->valid());
    }
    EXPECT_EQ(view->getLockTexture(), lock);
    EXPECT_EQ(view->getUnlockTexture(), unlock);
    GLuint fresh = 0;
    glGenTextures(1, &fresh);
    EXPECT_LE(fresh, unlock + 1) << "no texture names were taken by the resizes";
    glDeleteTextures(1, &fresh);
    EXPECT_FLOAT_EQ(view->getAspect(), 700.0f / 200.0f);
}

}  // namespace

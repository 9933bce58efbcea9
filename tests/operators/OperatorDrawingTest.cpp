// What the view draws for the tree: operators, colour gradients of item lines
// and the histogram bands, captured in feedback mode in a shown view of
// 1000 x 500 pixels (a view point (x, y) lands on pixel (1000 x, 500 y)).
#include "OperatorTestSupport.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>

#include <cmath>

#include "GlTestContext.h"

namespace {

struct ColouredVertex {
    float xPx, yPx;
    float r, g, b, a;
};

// Line and polygon vertices with their colours, as feedback mode (GL_3D_COLOR) reports them.
std::vector<ColouredVertex> captureColoured(const std::function<void()>& draw) {
    std::vector<GLfloat> buffer(1 << 22);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    EXPECT_GE(used, 0) << "feedback buffer overflow";
    std::vector<ColouredVertex> vertices;
    auto read = [&](GLint& k) {
        ColouredVertex v{buffer[k], buffer[k + 1], buffer[k + 3], buffer[k + 4], buffer[k + 5], buffer[k + 6]};
        k += 7;
        vertices.push_back(v);
    };
    for (GLint k = 0; k < used;) {
        const GLenum token = static_cast<GLenum>(buffer[k++]);
        if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            read(k);
            read(k);
        } else if (token == GL_POLYGON_TOKEN) {
            const int count = static_cast<int>(buffer[k++]);
            for (int v = 0; v < count; ++v) read(k);
        } else if (token == GL_PASS_THROUGH_TOKEN) {
            ++k;
        } else {
            read(k);  // points, bitmaps
        }
    }
    return vertices;
}

class OperatorDrawingTest : public OperatorTest {
protected:
    void SetUp() override {
        if (!testDisplayAvailable()) GTEST_SKIP() << "needs a display";
    }
    void show(const std::string& table) {
        window = std::make_unique<Fl_Window>(1020, 520);
        shownView = new PCWindow(10, 10, 1000, 500);
        window->end();
        shownView->linkMDdata(loadTableQuietly(dir.write("shown.txt", table)));
        ASSERT_TRUE(showAndWaitForFirstFrame(*window, *shownView));
        shownView->make_current();
        tree = shownView->getClusterTree();
    }
    AROperator* addShown(float x, float y, bool primary, Color4 colour) {
        testing::internal::CaptureStdout();
        AROperator* op = tree->addAR(shownView, x, y, primary, colour);
        testing::internal::GetCapturedStdout();
        return op;
    }
    std::unique_ptr<Fl_Window> window;
    PCWindow* shownView = nullptr;  // owned by the window
};

TEST_F(OperatorDrawingTest, OperatorOutlineDiscAndWindowEdges) {
    show("a,b\n0,0\n1,1\n0.5,0.5\n");
    EXPECT_TRUE(captureColoured([&] { shownView->renderOperators(); }).empty()) << "the root is not drawn";

    AROperator* op = addShown(0.5f, 0.5f, true, Color4(0, 1, 0, 1));
    ASSERT_NE(op, nullptr);
    op->angle = 0;
    op->angleWidth = 0.25;
    op->radius = 0.08;
    auto vertices = captureColoured([&] { shownView->renderOneOperator(op); });
    // The capture disc (green, alpha 0.1) reaches 0.04 of the width and 0.08 of the height: 40 px both ways.
    float discLeft = 1e9, discRight = -1e9, discTop = -1e9;
    std::vector<double> edgeAngles;
    for (const auto& v : vertices) {
        if (v.g == 1 && std::fabs(v.a - 0.1f) < 1e-6) {
            discLeft = std::min(discLeft, v.xPx);
            discRight = std::max(discRight, v.xPx);
            discTop = std::max(discTop, v.yPx);
        }
        // The stippled lines are in the reverse colour of green (magenta).
        const double dx = v.xPx - 500, dy = v.yPx - 250;
        if (v.r == 1 && v.g == 0 && v.b == 1 && std::hypot(dx, dy) > 39.9 && std::hypot(dx, dy) < 40.1 &&
            std::fabs(dy) < 10) {
            edgeAngles.push_back(std::atan2(dy, dx));
        }
    }
    EXPECT_NEAR(discLeft, 460, 0.05);
    EXPECT_NEAR(discRight, 540, 0.05);
    EXPECT_NEAR(discTop, 290, 0.05);
    // Window edges: diameters at +-0.125 rad (the ends to the right of the centre).
    bool plus = false, minus = false;
    for (double a : edgeAngles) {
        plus = plus || std::fabs(a - 0.125) < 1e-3;
        minus = minus || std::fabs(a + 0.125) < 1e-3;
    }
    EXPECT_TRUE(plus);
    EXPECT_TRUE(minus);
}

TEST_F(OperatorDrawingTest, ColourTurnsWithinTheFirstEightPointsOfTheSegment) {
    show("a,b,c,d,e\n0,0,0,0,0\n1,1,1,1,1\n0.5,0.5,0.3,0.7,0.5\n");
    AROperator* first = addShown(0.1625f, 0.5f, true, Color4(1, 0, 0, 1));
    tree->setFocused(first);
    ASSERT_NE(addShown(0.6125f, 0.52f, true, Color4(0, 0, 1, 1)), nullptr);
    shownView->buildCurves();
    auto vertices = captureColoured([&] { shownView->renderCurvesAtSubTree(tree->getRoot()); });
    // Vertices in a blend of red and blue: points 1 ... 7 of the strip, f = 2k / 15.
    std::vector<float> blends;
    for (const auto& v : vertices) {
        if (v.g == 0 && v.r > 0 && v.r < 1 && std::fabs(v.r + v.b - 1) < 1e-5) blends.push_back(v.b);
    }
    std::sort(blends.begin(), blends.end());
    blends.erase(std::unique(blends.begin(), blends.end(), [](float a, float b) { return std::fabs(a - b) < 1e-5; }),
                 blends.end());
    ASSERT_EQ(blends.size(), 7u);
    for (int k = 1; k <= 7; ++k) EXPECT_NEAR(blends[k - 1], 2.0f * k / 15, 1e-5);
}

TEST_F(OperatorDrawingTest, BandsFillTheOutlineAndScaleWithTheAxisWidth) {
    show("a,b,c\n0,0,0\n1,1,1\n0.5,0.5,0.5\n0.5,0.2,0.5\n0.25,0.5,0.5\n");
    // The widest point of each axis's drawing, pixels right of the axis.
    auto widest = [&](int axisPx, bool outline) {
        float widthPx = 0;
        for (const auto& v : captureColoured([&] { shownView->renderHistogramRiver_TreeBased(tree->getRoot()); })) {
            const bool isOutline = v.r == 0 && v.g == 0 && v.b == 0;
            if (isOutline == outline && v.xPx >= axisPx - 0.01f && v.xPx < axisPx + 200) {
                widthPx = std::max(widthPx, v.xPx - axisPx);
            }
        }
        return widthPx;
    };
    // Fullest bin: (1/3) * 0.9 / 3 dimensions * width 0.5 = 0.05 of the view = 50 px.
    EXPECT_NEAR(widest(50, true), 50, 0.05);
    EXPECT_NEAR(widest(50, false), 50, 0.05) << "the root's band fills the outline";

    // Two leaves after an operator: stacked, they still reach the outline.
    ASSERT_NE(addShown(0.3f, 0.5f, true, Color4(1, 0, 0, 1)), nullptr);
    std::deque<AROperator*> leaves;
    tree->getAllLeafNodes_DepthFirst(&leaves);
    EXPECT_EQ(leaves.size(), 2u);
    EXPECT_NEAR(widest(50, false), 50, 0.05);
    EXPECT_NEAR(widest(500, false), 50, 0.05);
}

}  // namespace

// Gestures, driven with window pixels: tool icons, focus and drag, the lasso
// with its count and brush, and nodes or trees the document releases meanwhile.
#include "GraphTestSupport.h"
#include "colorchooser/ColorChooserWindow.h"

namespace {

// The root at its place, the operator and the root's complementary child below it.
class GraphMouseTest : public GraphTest {
protected:
    void SetUp() override {
        makeSceneWithOperator();
        ASSERT_NE(op, nullptr);
        place(root, 0.5, 0.7, 0.05);
        place(op, 0.25, 0.35);
        place(rootComplement, 0.75, 0.35);
    }
};

TEST_F(GraphTest, IconBarBoundsFollowTheAspect) {
    makeScene(600, 400);  // an icon is 0.1 / 1.5 wide
    const float iconWidth = graph->getIconSize() / 1.5f;
    const float bar = graph->getIconBarX();
    EXPECT_EQ(graph->testIconCaptured(bar + 0.5f * iconWidth, 0.89f), -1);
    EXPECT_EQ(graph->testIconCaptured(bar + 2.5f * iconWidth, 0.95f), 2);
    EXPECT_EQ(graph->testIconCaptured(bar + 1.5f * iconWidth, 1.0f), 1) << "up to the top edge";
    EXPECT_EQ(graph->testIconCaptured(bar + 3.0f * iconWidth, 0.95f), 3) << "exactly on the right edge";
    EXPECT_EQ(graph->testIconCaptured(std::nextafter(bar + 3.0f * iconWidth, 1.0f), 0.95f), -1);
    EXPECT_EQ(graph->testIconCaptured(bar - 0.5f * iconWidth, 0.95f), 0) << "a little left of the bar";
    EXPECT_LT(graph->testIconCaptured(bar - 1.5f * iconWidth, 0.95f), 0);
}

TEST_F(GraphMouseTest, PressOnANodeFocusesItInTheDocumentAndDragsIt) {
    // Through handle(), with the toolkit's event state.
    Fl::e_keysym = FL_Button + FL_LEFT_MOUSE;
    Fl::e_x = xPx(0.26);
    Fl::e_y = yPx(0.34);
    EXPECT_EQ(graph->handle(FL_PUSH), 1);
    EXPECT_EQ(graph->getFocusedNode(), op);
    EXPECT_EQ(tree->focused, op) << "new operators now go under it";
    EXPECT_FALSE(graph->isTracing()) << "a node drag draws no lasso";
    Fl::e_x = xPx(0.32);
    Fl::e_y = yPx(0.42);
    EXPECT_EQ(graph->handle(FL_DRAG), 1);
    EXPECT_NEAR(op->graphX, 0.32, 1e-6);
    EXPECT_NEAR(op->graphY, 0.42, 1e-6);
    EXPECT_EQ(release(0.32, 0.42), "") << "the end of a node drag selects nothing";
    EXPECT_EQ(graph->getHeldNode(), nullptr);
    EXPECT_EQ(graph->getFocusedNode(), op) << "the focus outlasts the gesture";
}

// Only a left gesture that began on empty space selects and (with the
// brush) paints: a tool pick, right and middle clicks and the end of a node
// drag leave every colour as it was, whatever colour the band shows by then.
TEST_F(GraphMouseTest, IconsPickToolsAndOnlyALassoWithTheBrushPaints) {
    ColorChooserWindow chooser(document, 0, 0, 50, 500);
    chooser.handleMouseEvents(PointerInput::at(FL_PUSH, 30, 125));  // alpha 0.4
    const Color4 picked = chooser.getColor();
    AROperator* nested = addUnder(op, 0.3f, 0.5f);
    AROperator* opComplement = complementOf(op);
    ASSERT_TRUE(nested != nullptr && opComplement != nullptr);
    place(nested, 0.1, 0.1);
    place(opComplement, 0.9, 0.1);  // far from its parent
    const Color4 before = op->color, nestedBefore = nested->color;

    mouse(FL_PUSH, 0.2, 0.95);  // icon 1, union: picks the tool, selects nothing
    EXPECT_EQ(graph->getSelectedIcon(), 1);
    EXPECT_TRUE(graph->isTracing()) << "its trace is drawn while the button is down";
    EXPECT_EQ(release(0.2, 0.95), "");
    EXPECT_EQ(lassoSquare(0.25, 0.35, 0.06), "1 nodes are selected!\n");
    EXPECT_TRUE(colourIs(op->color, before, 0));
    const uint64_t unpainted = document.getRevision();
    mouse(FL_PUSH, 0.03, 0.95);  // left of the bar: the brush
    EXPECT_EQ(graph->getSelectedIcon(), 0);
    release(0.03, 0.95);
    EXPECT_EQ(lassoSquare(0.5, 0.7, 0.06), "1 nodes are selected!\n");    // the root: not painted
    EXPECT_EQ(lassoSquare(0.75, 0.35, 0.06), "1 nodes are selected!\n");  // a complementary node: neither
    EXPECT_FALSE(colourIs(root->color, picked, 0));
    EXPECT_FALSE(colourIs(rootComplement->color, picked, 0));
    EXPECT_EQ(lassoSquare(0.25, 0.35, 0.06), "1 nodes are selected!\n");
    EXPECT_TRUE(colourIs(op->color, picked, 0));
    EXPECT_TRUE(colourIs(opComplement->color, picked, 0)) << "with its complementary child, alpha included";
    EXPECT_FLOAT_EQ(opComplement->color.a, 0.4f);
    EXPECT_TRUE(colourIs(nested->color, nestedBefore, 0));
    EXPECT_EQ(document.getRevision(), unpainted + 1) << "only the lasso that painted was an edit";
    EXPECT_EQ(document.undoName(), "Paint Operators");

    chooser.handleMouseEvents(PointerInput::at(FL_PUSH, 10, 400));  // another colour
    const uint64_t revision = document.getRevision();
    for (int button : {FL_RIGHT_MOUSE, FL_MIDDLE_MOUSE}) {
        mouse(FL_PUSH, 0.25, 0.35, button);
        EXPECT_EQ(release(0.25, 0.35, button), "") << button;
    }
    mouse(FL_PUSH, 0.25, 0.35);  // a node drag ending where the last lasso was
    mouse(FL_DRAG, 0.3, 0.3);
    EXPECT_EQ(release(0.25, 0.35), "");
    EXPECT_TRUE(colourIs(op->color, picked, 0));
    EXPECT_EQ(document.getRevision(), revision);
}

TEST(GraphImages, FlipTurnsPixelsRoundAndAlphaIsTheComplementOfRed) {
    const unsigned char rgb[] = {10, 20, 30, 255, 255, 255};
    unsigned char rgba[8] = {};
    GraphWindow::manipulateImages(rgba, rgb, 2);
    const std::vector<unsigned char> expected = {255, 255, 255, 0, 10, 20, 30, 245};
    EXPECT_EQ(std::vector<unsigned char>(rgba, rgba + 8), expected);
    unsigned char flipped[6] = {};
    GraphWindow::flipImages(flipped, rgb, 2);
    EXPECT_EQ(flipped[3], 10) << "the first pixel comes last";
}

// A removal (and the merges it brings) releases nodes the window may hold.
TEST_F(GraphMouseTest, RemovingTheFocusedOrHeldNodeLetsGoOfIt) {
    mouse(FL_PUSH, 0.25, 0.35);
    ASSERT_EQ(graph->getHeldNode(), op);
    ASSERT_TRUE(document.removeOperator(op));
    mouse(FL_DRAG, 0.3, 0.3);  // must not move the released node
    EXPECT_EQ(graph->getHeldNode(), nullptr);
    EXPECT_EQ(graph->getFocusedNode(), root);
    EXPECT_EQ(release(0.3, 0.3), "");

    // A focused complementary node merged away.
    AROperator* a = add(0.5f, 0.5f);
    ASSERT_NE(addUnder(a, 0.3f, 0.5f), nullptr);
    AROperator* aComplement = complementOf(a);
    graph->layoutGraph();
    place(aComplement, 0.1, 0.7);
    mouse(FL_PUSH, 0.1, 0.7);
    release(0.1, 0.7);
    ASSERT_EQ(graph->getFocusedNode(), aComplement);
    ASSERT_TRUE(document.removeOperator(a));
    ASSERT_FALSE(tree->contains(aComplement));
    graph->layoutGraph();  // what every timer tick runs
    EXPECT_EQ(graph->getFocusedNode(), root);
}

// The window lets go of the old tree before it is released, and takes the new one.
TEST_F(GraphMouseTest, NewTableDropsEveryLinkToTheOldTree) {
    struct Watcher : DocumentObserver {
        explicit Watcher(GraphWindow* shown) : graph(shown) {}
        void tableWillChange() override { treeBefore = graph->getClusterTree(); }
        void documentChanged(const DocumentChange&) override {}
        GraphWindow* graph;
        const ClusterTree* treeBefore = nullptr;
    } watcher(graph.get());
    mouse(FL_PUSH, 0.25, 0.35);
    document.addObserver(&watcher);  // told after the graph
    document.replaceTable(loadTableQuietly(dir.write("u.txt", "x,y,z\n1,2,3\n4,5,6\n")));
    document.removeObserver(&watcher);
    EXPECT_EQ(watcher.treeBefore, nullptr) << "let go before the old tree went";
    EXPECT_EQ(graph->getHeldNode(), nullptr);
    mouse(FL_DRAG, 0.3, 0.3);
    EXPECT_EQ(release(0.3, 0.3), "");
    EXPECT_EQ(graph->getClusterTree(), document.model().getClusterTree());
    EXPECT_EQ(graph->getFocusedNode(), document.model().getClusterTree()->getRoot());

    GraphWindow* address = graph.get();
    EXPECT_TRUE(Fl::has_timeout(GraphWindow::Timeout_Callback, address));
    graph.reset();
    EXPECT_FALSE(Fl::has_timeout(GraphWindow::Timeout_Callback, address)) << "the timer goes with the window";
}

}  // namespace

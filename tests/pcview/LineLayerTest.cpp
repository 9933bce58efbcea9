// The line layer: frames drawn from it are the frames drawn in one pass,
// after every kind of change; a change of the lines draws them anew, a change
// of the other layers does not; drawn slice by slice, the layer ends with the
// one-pass picture, and a change in the middle starts it over; input ends a
// long slice.
#include <chrono>
#include <thread>

#include "GlTestContext.h"
#include "ViewTestSupport.h"
#include "app/WindowCapture.h"
#include "cluster/ClusterPath.h"

#include <FL/x.H>  // last: its X11 macros clash with GoogleTest's names

namespace {

// Whether the window system has given `window` this size.
bool hasWindowSize(Fl_Window* window, int widthPx, int heightPx) {
    XWindowAttributes attributes;
    return fl_xid(window) != 0 && XGetWindowAttributes(fl_display, fl_xid(window), &attributes) != 0 &&
           attributes.width == widthPx && attributes.height == heightPx;
}

std::string randomTable(int rows) { return randomIntegerTable(rows, 5, 1000, 11); }

class LineLayerTest : public ViewTest {
protected:
    void SetUp() override {
        if (!testDisplayAvailable()) GTEST_SKIP() << "needs a display";
        Fl::screen_count();  // opens the display: the view then asks for a multisampled window, as in the program
        makeView(randomTable(3000));
    }
    void show(bool multisampled = true) {
        if (!multisampled) view->mode(FL_RGB | FL_ALPHA | FL_DOUBLE);
        ASSERT_TRUE(showInWindow(window, owned.release()));
    }
    // The frame the view shows once its line layer is complete (slices drawn as needed).
    WindowPicture layered() {
        view->setLineLayerEnabled(true);
        WindowPicture picture = captureView(view);
        for (int frames = 0; view->drawingPending() && frames < 10000; ++frames) picture = captureView(view);
        EXPECT_FALSE(view->drawingPending());
        EXPECT_TRUE(view->isLineLayerActive()) << "this context offers framebuffer objects";
        return picture;
    }
    WindowPicture onePass() {
        view->setLineLayerEnabled(false);
        WindowPicture picture = captureView(view);
        view->setLineLayerEnabled(true);
        return picture;
    }
    void expectSameFrames(const char* after) {
        const WindowPicture cached = layered();
        const WindowPicture direct = onePass();
        ASSERT_EQ(cached.rgb.size(), direct.rgb.size()) << after;
        int differing = 0, largest = 0;
        size_t firstDiffering = 0;
        for (size_t k = 0; k < cached.rgb.size(); ++k) {
            const int delta = std::abs(int(cached.rgb[k]) - int(direct.rgb[k]));
            if (delta > 0 && differing++ == 0) firstDiffering = k / 3;
            largest = std::max(largest, delta);
        }
        EXPECT_EQ(differing, 0) << "the layered frame differs from the one-pass frame after " << after << " (largest "
                                << largest << ", first at x " << firstDiffering % size_t(cached.widthPx) << " px, y "
                                << firstDiffering / size_t(cached.widthPx) << " px from the top)";
    }
    void expectSameFramesAfterEveryKindOfChange() {
        expectSameFrames("the first frame");
        AROperator* op = add(0.16f, 0.5f, true, Color4(1, 0, 0, 0.8f));
        ASSERT_NE(op, nullptr);
        tree->setOperatorRadius(op, 0.2);
        expectSameFrames("adding an operator");
        tree->moveOperator(op, 0.2f, 0.6f);
        expectSameFrames("moving it");
        model->getPaths()->addHintPoint(0, 1, view->getAxes()->getAxisPosition(1), 0.4f);
        stdoutOf([&] { model->updateGaussianMixtures(); });
        expectSameFrames("a hint point");
        view->handleKeyboardEvents('h', 500, 250);
        view->handleKeyboardEvents('m', 500, 250);
        expectSameFrames("H and M");
        model->adjustAxisPositions(1, -2);
        expectSameFrames("spreading the axes");
        Document& edited = view->getDocument();
        stdoutOf([&] { ASSERT_TRUE(edited.moveAxis(4, 1)); });
        expectSameFrames("a reorder");
        stdoutOf([&] { ASSERT_TRUE(edited.flipAxis(2)); });
        expectSameFrames("a flip");
        stdoutOf([&] { ASSERT_TRUE(edited.setColourByDim(3)); });
        expectSameFrames("colouring by a column");
        stdoutOf([&] { ASSERT_TRUE(edited.undo() && edited.undo() && edited.undo()); });
        expectSameFrames("undoing them");
        view->linkMDdata(loadTableQuietly(dir.write("u.txt", randomTable(500))));
        expectSameFrames("a new table");
        // Two more between two frames: the second may take the first's place in memory.
        view->linkMDdata(loadTableQuietly(dir.write("v.txt", randomIntegerTable(500, 5, 1000, 12))));
        view->linkMDdata(loadTableQuietly(dir.write("w.txt", randomIntegerTable(500, 5, 1000, 13))));
        expectSameFrames("two new tables");
        // An axis moved by itself, without the tree.
        model->getAxes()->setAxisPosition(2, 0.45f);
        expectSameFrames("an axis moved");
        window->size(820, 420);
        view->resize(10, 10, 800, 400);
        // The one-pass frame goes straight to the window's buffer: let the window
        // system give it the new size, and the toolkit show a frame of that size
        // (the driver settles the buffers of a resized window at a swap).
        ASSERT_FALSE(view->valid());
        ASSERT_TRUE(waitForEvents([&] { return hasWindowSize(view, 800, 400) && view->valid(); }));
        expectSameFrames("a resize");
    }
    std::unique_ptr<Fl_Window> window;
};

TEST_F(LineLayerTest, LayeredFramesEqualOnePassFramesAfterEveryKindOfChange) {
    show();
    GLint samples = 0;
    view->make_current();
    glGetIntegerv(GL_SAMPLES, &samples);
    EXPECT_GT(samples, 0) << "the view's window is multisampled";
    expectSameFramesAfterEveryKindOfChange();
}

TEST_F(LineLayerTest, LayeredFramesEqualOnePassFramesInASingleSampledWindow) {
    show(false);
    expectSameFramesAfterEveryKindOfChange();
}

TEST_F(LineLayerTest, OnlyChangesOfTheLinesDrawThemAnew) {
    show();
    layered();
    auto restarts = [&] { return view->getLineLayerRestarts(); };
    const uint64_t start = restarts();
    model->getPaths()->addHintPoint(0, 1, view->getAxes()->getAxisPosition(1), 0.4f);
    stdoutOf([&] { model->updateGaussianMixtures(); });
    for (unsigned key : {'h', 'm', 'p', ' ', ' '}) view->handleKeyboardEvents(key, 500, 250);
    EXPECT_FALSE(view->drawingPending());
    layered();
    EXPECT_EQ(restarts(), start) << "hint paths and display switches leave the lines as they are";
    AROperator* op = add(0.16f, 0.5f);
    ASSERT_NE(op, nullptr);
    EXPECT_TRUE(view->drawingPending()) << "before any frame: a picture taken now must wait for the new lines";
    layered();
    EXPECT_EQ(restarts(), start + 1);
    tree->moveOperator(op, 0.2f, 0.6f);
    layered();
    EXPECT_EQ(restarts(), start + 2) << "a moved operator bends other lines";
}

TEST_F(LineLayerTest, SlicesFillTheLayerInOrderAndAChangeStartsItOver) {
    show();
    const WindowPicture reference = onePass();
    const uint64_t restartsBefore = view->getLineLayerRestarts();
    tree->updateOperatorsPos();  // the lines must be drawn anew
    view->setLineSliceBudget(std::chrono::microseconds(0));  // one chunk of items per frame
    int frames = 0;
    for (; frames < 200; ++frames) {
        if (frames == 3) {
            // A change in the middle: the next frame starts from the first item again.
            EXPECT_TRUE(view->drawingPending());
            tree->updateOperatorsPos();
        }
        captureView(view);
        if (!view->drawingPending()) break;
    }
    EXPECT_GT(frames, 10) << "3000 items take several slices";
    EXPECT_FALSE(view->drawingPending());
    EXPECT_EQ(view->getLineLayerRestarts(), restartsBefore + 2) << "the first fill and the one after the change";
    // Nothing moved: the picture is the one drawn in one pass.
    const WindowPicture finished = captureView(view);
    EXPECT_TRUE(finished.rgb == reference.rgb);
    EXPECT_TRUE(onePass().rgb == reference.rgb);
}

TEST_F(LineLayerTest, InputThatArrivesDuringALongSliceEndsIt) {
    // 200,000 items: seconds of drawing on a CPU rasteriser.
    makeView(randomIntegerTable(200000, 5, 1000, 12));
    show();
    // Two short slices: the view learns how fast the lines are drawn.
    view->setLineSliceBudget(std::chrono::milliseconds(20));
    captureView(view);
    captureView(view);
    ASSERT_TRUE(view->drawingPending());
    // One frame (one slice) with an event sent to the view's window from
    // another connection 200 ms into the slice; its length in seconds.
    const Window target = fl_xid(window.get());
    auto sliceWithEventAt200ms = [&](int type) {
        view->getDocument().modelForSetUp().getClusterTree()->updateOperatorsPos();  // every line anew
        std::thread sender([target, type] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            Display* display = XOpenDisplay(nullptr);
            if (display == nullptr) return;
            XEvent event{};
            event.type = type;
            event.xany.window = target;
            if (type == ClientMessage) {
                event.xclient.message_type = XInternAtom(display, "STRANDS_TEST_INPUT", False);
                event.xclient.format = 32;
            } else {
                event.xexpose.width = event.xexpose.height = 1;
            }
            XSendEvent(display, target, False, 0, &event);
            XFlush(display);
            XCloseDisplay(display);
        });
        const auto start = std::chrono::steady_clock::now();
        captureView(view);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        sender.join();
        return seconds;
    };
    // Slices of up to 1.5 s that yield to input after 20 ms. An event that is
    // not input (here an exposure; the image transfers' completions are
    // others) does not end one.
    view->setLineSliceBudget(std::chrono::milliseconds(1500), std::chrono::milliseconds(20));
    const double exposed = sliceWithEventAt200ms(Expose);
    EXPECT_TRUE(exposed > 0.6 || !view->drawingPending()) << "an exposure ended the slice after " << exposed << " s";
    // Slices of up to a minute that yield to input after 20 ms, from the first item.
    view->setLineSliceBudget(std::chrono::seconds(60), std::chrono::milliseconds(20));
    const double seconds = sliceWithEventAt200ms(ClientMessage);
    EXPECT_TRUE(view->drawingPending()) << "the slice ended before every line was drawn";
    EXPECT_GT(seconds, 0.15) << "and not before the input came";
    EXPECT_LT(seconds, 3.0) << "soon after it came";
    window->hide();  // no more frames
    for (int k = 0; k < 5; ++k) Fl::wait(0.01);  // the message taken
}

TEST_F(LineLayerTest, ASliceStopsAtItsSegmentLimitHoweverFarItsDeadline) {
    makeView(randomTable(12000));  // 48000 item segments: more than a first slice's 20000
    view->setLineLayerEnabled(false);
    show();
    view->setLineSliceBudget(std::chrono::seconds(60));
    view->setLineLayerEnabled(true);
    captureView(view);
    EXPECT_TRUE(view->isLineLayerActive());
    EXPECT_TRUE(view->drawingPending()) << "the first slice drew more than its segments";
    int frames = 1;
    for (; view->drawingPending() && frames < 100; ++frames) captureView(view);
    EXPECT_LE(frames, 3) << "slices stopped well before their segments or their deadline";
    expectSameFrames("the remaining slices");
}

}  // namespace

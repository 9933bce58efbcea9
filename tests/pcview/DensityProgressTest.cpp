// The density ordering of a large table from the view's A key: it runs in the
// background with a progress bar over the view's foot while the event loop
// keeps going, and its result arrives through the event loop.
#include <FL/Fl.H>
#include <FL/Fl_Window.H>

#include "GlTestContext.h"
#include "ViewTestSupport.h"
#include "app/WindowCapture.h"

namespace {

std::string bigTable(int rows) { return randomIntegerTable(rows, 8, 100000, 3); }

// Amber pixels (the computation's bar) in the lowest rows of a picture.
int amberPixelsAtFoot(const WindowPicture& picture) {
    int count = 0;
    for (int y = picture.heightPx - 8; y < picture.heightPx; ++y) {
        for (int x = 0; x < picture.widthPx; ++x) {
            const unsigned char* p = &picture.rgb[(static_cast<size_t>(y) * picture.widthPx + x) * 3];
            count += p[0] > 180 && p[1] > 100 && p[1] < 190 && p[2] < 90;
        }
    }
    return count;
}

TEST(DensityProgressTest, TheAKeyOrdersALargeTableInTheBackgroundWithAProgressBar) {
    if (!testDisplayAvailable()) GTEST_SKIP() << "needs a display";
    TempDir dir;
    auto owned = std::make_unique<PCWindow>(0, 0, 1000, 500);
    PCWindow* view = owned.get();
    view->linkMDdata(loadTableQuietly(dir.write("t.txt", bigTable(2 * TableModel::kBackgroundDensityItems))));
    std::unique_ptr<Fl_Window> window;
    ASSERT_TRUE(showInWindow(window, owned.release()));

    // The key returns at once: the work is on another thread.
    const std::string said = stdoutOf([&] { view->handleKeyboardEvents('a', 500, 250); });
    EXPECT_EQ(said, "") << "nothing is done yet";
    ASSERT_TRUE(view->isDensityOrderingPending());
    EXPECT_TRUE(view->getGaussianOrdering());
    EXPECT_GT(amberPixelsAtFoot(captureView(view)), 0) << "the bar shows while the ordering runs";

    // The event loop takes the result when it is there (the bar is drawn until then).
    bool done = false;
    const std::string finished =
        stdoutOf([&] { done = waitForEvents([&] { return !view->isDensityOrderingPending(); }); });
    ASSERT_TRUE(done);
    EXPECT_EQ(finished, "Gaussian-based optimization complete!\n");
    EXPECT_EQ(amberPixelsAtFoot(captureView(view)), 0);
    const auto& records = view->getItemScores();
    for (size_t k = 1; k < records.size(); ++k) ASSERT_LE(records[k - 1].score, records[k].score) << k;

    // Switched on and off again at once: cancelled, nothing arrives.
    stdoutOf([&] { view->handleKeyboardEvents('a', 500, 250); });  // off
    stdoutOf([&] { view->handleKeyboardEvents('a', 500, 250); });  // on: pending
    ASSERT_TRUE(view->isDensityOrderingPending());
    stdoutOf([&] { view->handleKeyboardEvents('a', 500, 250); });  // off: cancelled
    EXPECT_FALSE(view->isDensityOrderingPending());
    EXPECT_EQ(stdoutOf([] { Fl::wait(0.2); }), "");
}

}  // namespace

// Shows the main window for the table named on the command line with the
// three operators of the frame benchmark's "3 ops" scene, draws frames until
// the view's line layer holds every line, and prints the process's peak
// resident memory (the whole process: toolkit, GL driver and its threads).
// Needs a display: run it through scripts/with-xvfb.sh.
#include <FL/Fl.H>
#include <FL/x.H>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

#include "app/HeapSettings.h"
#include "app/MainWindow.h"
#include "data/MultidimensionalData.h"
#include "pcview/PCWindow.h"
#include "ViewBenchScenes.h"

int main(int argc, char** argv) {
    settleHeapForFrames();  // as the program does
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s TABLE\n", argv[0]);
        return 2;
    }
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "%s: needs a display (run through scripts/with-xvfb.sh)\n", argv[0]);
        return 2;
    }
    fl_open_display();
    std::unique_ptr<MainWindow> main = showMainWindow(argv[1]);
    PCWindow* view = main->getView();
    if (!view->isDataReady()) {
        std::fprintf(stderr, "%s: cannot load %s\n", argv[0], argv[1]);
        return 1;
    }
    const int held = addThreeOperators(&view->getDocument().modelForSetUp());
    const auto start = std::chrono::steady_clock::now();
    const int frames = completeLineLayer(view);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%s: %d items, %d held by three operators, lines complete after %d frames (%.1f s), "
                "peak resident memory %.1f MB\n",
                argv[1], view->getData()->getDataNum(), held, frames, seconds, usage.ru_maxrss / 1024.0);
    return view->drawingPending() ? 1 : 0;
}

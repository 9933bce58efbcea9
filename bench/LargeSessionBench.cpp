// A session with a very large operator tree, opened in the real main window
// under the display that scripts/with-xvfb.sh provides:
//
//   1. a tree of N nodes (default 20000) is grown with the operator tree's
//      own addAR on a generated table of 2000 items x 8 dimensions, saved as
//      a session, and the program's objects are dropped;
//   2. a fresh main window is shown and the session opened as File > Open
//      Session opens it; the time until it is restored and until the view
//      and the graph have drawn their first frames is printed;
//   3. the event loop then runs for a few seconds as Fl::run() runs it, and
//      the longest single pass of the loop is printed: how long input (an
//      Escape, say) may wait at most before it is read, with the frames
//      the view and the graph drew meanwhile.
//
// Usage: large_session_bench [NODES]
#include <GL/glew.h>
#include <FL/Fl.H>
#include <FL/Fl_Gl_Window.H>
#include <FL/x.H>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <unistd.h>

#include "app/FileCommands.h"
#include "app/HeapSettings.h"
#include "app/MainWindow.h"
#include "data/MultidimensionalData.h"
#include "graph/GraphWindow.h"
#include "model/Session.h"
#include "model/TableModel.h"
#include "operators/ClusterTree.h"
#include "pcview/PCWindow.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kItems = 2000;
constexpr int kDims = 8;
constexpr unsigned kSeed = 20261207;
constexpr double kLoopSeconds = 8;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void writeTable(const std::string& path) {
    std::mt19937 random(kSeed);
    std::uniform_real_distribution<float> value(0.0f, 1.0f);
    std::ofstream out(path);
    for (int d = 0; d < kDims; ++d) out << (d ? "," : "") << "d" << d;
    out << "\n";
    for (int i = 0; i < kItems; ++i) {
        for (int d = 0; d < kDims; ++d) out << (d ? "," : "") << value(random);
        out << "\n";
    }
}

// Grows a random tree of `target` nodes (operators under random nodes, a
// fifth of them secondary) and writes its session to `sessionPath`.
bool writeLargeSession(const std::string& tablePath, int target, const std::string& sessionPath) {
    TableModel model;
    model.linkMDdata(new MultidimensionalData(tablePath.c_str()));
    ClusterTree* tree = model.getClusterTree();
    std::mt19937 random(kSeed);
    std::uniform_real_distribution<float> xView(0.06f, 0.94f), yView(0.1f, 0.9f), unit(0.0f, 1.0f);
    std::vector<AROperator*> nodes{tree->getRoot()};
    while (static_cast<int>(nodes.size()) < target) {
        // A first child also brings a complementary node: the last node goes
        // under a node that has children already.
        AROperator* parent = nodes[static_cast<size_t>(unit(random) * nodes.size()) % nodes.size()];
        if (target - static_cast<int>(nodes.size()) == 1 && parent->noChildren()) continue;
        tree->setFocused(parent);
        tree->addAR(&model, xView(random), yView(random), unit(random) < 0.8f,
                    Color4(unit(random), unit(random), unit(random), 0.8f));
        tree->collectNodes(&nodes);
    }
    std::string error;
    if (!writeSessionFile(sessionPath, Session::capture(model, DisplaySwitches{}), &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    settleHeapForFrames();  // as the program does
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as soon as it is measured
    const int target = argc > 1 ? std::atoi(argv[1]) : 20000;
    if (std::getenv("DISPLAY") == nullptr || target < 2) {
        std::fprintf(stderr, "usage: %s [NODES >= 2], with a display (run through scripts/with-xvfb.sh)\n", argv[0]);
        return 2;
    }
    char pattern[] = "/tmp/strands-large-session-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::string dir = pattern, tablePath = dir + "/items.csv", sessionPath = dir + "/large.session.json";
    writeTable(tablePath);
    std::streambuf* saved = std::cout.rdbuf(nullptr);  // loader progress and operators' lines
    const auto grown = Clock::now();
    const bool made = writeLargeSession(tablePath, target, sessionPath);
    const double growMs = msSince(grown);
    if (!made) return 1;

    fl_open_display();
    setProblemReporter([](const std::string& problem) { std::fprintf(stderr, "%s\n", problem.c_str()); });
    int status = 0;
    {
        MainWindow main(new MultidimensionalData(tablePath.c_str()));
        main.show();
        PCWindow* view = main.getView();
        GraphWindow* graph = main.getGraphWindow();
        for (int k = 0; k < 500 && !(view->valid() && graph->valid()); ++k) Fl::wait(0.01);

        const auto opened = Clock::now();
        const bool restored = openSessionFile(main, sessionPath);
        const double restoreMs = msSince(opened);
        // The first frames: the loop runs until the view and the graph have drawn.
        view->redraw();
        graph->redraw();
        Fl::flush();
        const double firstFrameMs = msSince(opened);
        std::vector<AROperator*> nodes;
        view->getClusterTree()->collectNodes(&nodes);
        std::cout.rdbuf(saved);
        std::printf("%d nodes grown and saved in %.1f s; session %s in %.0f ms, first frames drawn %.0f ms after "
                    "opening\n",
                    static_cast<int>(nodes.size()), growMs / 1000, restored ? "restored" : "NOT restored", restoreMs,
                    firstFrameMs);
        saved = std::cout.rdbuf(nullptr);

        // Each window's frame alone, with the view's histograms and without.
        auto frameMs = [](Fl_Gl_Window* window) {
            const auto start = Clock::now();
            window->redraw();
            Fl::flush();
            window->make_current();
            glFinish();
            return msSince(start);
        };
        frameMs(view);
        const double viewMs = frameMs(view), graphMs = frameMs(graph);
        view->getDocument().toggleHistograms();  // off
        const double viewPlainMs = frameMs(view);
        view->getDocument().toggleHistograms();  // on again
        std::cout.rdbuf(saved);
        std::printf("a frame of the view %.0f ms (%.0f ms without its histograms; operators drawn as %s), "
                    "of the graph %.0f ms\n",
                    viewMs, viewPlainMs, view->operatorsDrawnAsDots() ? "dots" : "a whole", graphMs);
        saved = std::cout.rdbuf(nullptr);

        // The loop as Fl::run() turns it: the longest pass is the longest input waits.
        double longestMs = 0, totalMs = 0;
        int passes = 0;
        const auto loop = Clock::now();
        while (msSince(loop) < kLoopSeconds * 1000) {
            const auto pass = Clock::now();
            Fl::wait(1e20);
            const double ms = msSince(pass);
            longestMs = std::max(longestMs, ms);
            totalMs += ms;
            ++passes;
        }
        std::cout.rdbuf(saved);
        std::printf("event loop for %.0f s: %d passes, the longest %.0f ms (input waits at most that long)\n",
                    kLoopSeconds, passes, longestMs);
        std::printf("then a frame of the view %.0f ms, of the graph %.0f ms (%s), a layout tick %.1f ms\n",
                    frameMs(view), frameMs(graph), graph->isCrowded() ? "drawn plainly" : "drawn whole",
                    [&] {
                        const auto start = Clock::now();
                        graph->layoutGraph();
                        return msSince(start);
                    }());
        saved = std::cout.rdbuf(nullptr);
        status = restored ? 0 : 1;
    }
    std::cout.rdbuf(saved);
    std::system(("rm -rf '" + dir + "'").c_str());
    return status;
}

// Frame time of the operator graph window: the real main window under the
// display that scripts/with-xvfb.sh provides (Xvfb with Mesa's CPU
// rasteriser), over a generated table of 2000 items and 8 dimensions, with
// operator trees of 10, 100 and 300 nodes spread over several levels.
//
//   GraphFrame/N   one frame as the timer asks for it: layout step, icons,
//                  circles, arrows, glow, buffer swap (median ms per frame);
//   GraphLayout/N  the layout step alone, no GL (median ms per step).
//
// The figures decide whether the timer may skip frames while the layout rests.
#include <benchmark/benchmark.h>

#include <GL/glew.h>
#include <FL/Fl.H>
#include <FL/x.H>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/HeapSettings.h"
#include "app/MainWindow.h"
#include "data/MultidimensionalData.h"
#include "graph/GraphWindow.h"
#include "operators/ClusterTree.h"
#include "pcview/PCWindow.h"

namespace {

constexpr int kItems = 2000;
constexpr int kDims = 8;
constexpr unsigned kSeed = 20240611;
constexpr int kSettleFrames = 300;  // frames drawn before timing, so the layout is past its first rush

// The generated table, written once to a temporary directory.
class BenchTable {
public:
    BenchTable() {
        char pattern[] = "/tmp/strands-graph-bench-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return;
        dir = pattern;
        path = dir + "/items.csv";
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
    ~BenchTable() {
        if (!dir.empty()) std::system(("rm -rf '" + dir + "'").c_str());
    }
    std::string path;

private:
    std::string dir;
};

struct Scene {
    std::unique_ptr<MainWindow> main;
    int nodes = 0;
};

std::unique_ptr<BenchTable> table;
std::unique_ptr<Scene> current;  // one shown main window at a time
int currentTarget = -1;

int countNodes(const ClusterTree* tree) {
    std::vector<AROperator*> nodes;
    tree->collectNodes(&nodes);
    return static_cast<int>(nodes.size());
}

// Adds operators under randomly chosen nodes until the tree has `target`
// nodes. A first child also brings a complementary node, so the last node is
// put under a node that already has children.
void growTree(PCWindow* view, int target) {
    TableModel& model = view->getDocument().modelForSetUp();
    ClusterTree* tree = model.getClusterTree();
    std::mt19937 random(kSeed);
    std::uniform_real_distribution<float> xView(0.06f, 0.94f), yView(0.1f, 0.9f), unit(0.0f, 1.0f);
    std::vector<AROperator*> nodes;
    std::vector<AROperator*> parents;
    for (int attempts = 0; attempts < 100 * target; ++attempts) {
        tree->collectNodes(&nodes);
        const int missing = target - static_cast<int>(nodes.size());
        if (missing <= 0) break;
        parents.clear();
        for (AROperator* node : nodes) {
            if (missing > 1 || !node->noChildren()) parents.push_back(node);
        }
        tree->setFocused(parents[static_cast<size_t>(unit(random) * parents.size()) % parents.size()]);
        const bool primary = unit(random) < 0.8f;  // a fifth made with the right button
        const Color4 colour(unit(random), unit(random), unit(random), 0.8f);
        tree->addAR(&model, xView(random), yView(random), primary, colour);
    }
}

Scene* scene(int target) {
    if (currentTarget == target) return current.get();
    current.reset();
    currentTarget = target;
    std::streambuf* saved = std::cout.rdbuf(nullptr);  // loader progress and operators' bin lines
    auto made = std::make_unique<Scene>();
    made->main = std::make_unique<MainWindow>(new MultidimensionalData(table->path.c_str()));
    made->main->show();
    GraphWindow* graph = made->main->getGraphWindow();
    for (int k = 0; k < 500 && !graph->valid(); ++k) Fl::wait(0.01);
    std::srand(kSeed);  // the layout's start positions
    growTree(made->main->getView(), target);
    std::cout.rdbuf(saved);
    made->nodes = countNodes(made->main->getView()->getClusterTree());
    for (int k = 0; k < kSettleFrames; ++k) {
        graph->layoutGraph();
        graph->redraw();
        Fl::flush();
    }
    current = std::move(made);
    return current.get();
}

double medianMs(std::vector<double>& ms) {
    if (ms.empty()) return 0;
    std::nth_element(ms.begin(), ms.begin() + static_cast<long>(ms.size() / 2), ms.end());
    return ms[ms.size() / 2];
}

bool haveDisplay(benchmark::State& state) {
    if (std::getenv("DISPLAY") != nullptr && table && !table->path.empty()) return true;
    state.SkipWithError("needs a display (run through scripts/with-xvfb.sh) and a writable /tmp");
    return false;
}

// Times `step` once per iteration on the scene of state.range(0) nodes and
// reports the median per step beside the mean.
template <typename Step>
void timeSteps(benchmark::State& state, Step step) {
    if (!haveDisplay(state)) return;
    Scene* s = scene(static_cast<int>(state.range(0)));
    GraphWindow* graph = s->main->getGraphWindow();
    std::vector<double> ms;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        step(graph);
        const auto end = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    state.counters["nodes"] = s->nodes;
    state.counters["median_ms"] = medianMs(ms);
}

// One whole frame: layout step and drawing, finished (what a timer tick does).
void graphFrames(benchmark::State& state) {
    timeSteps(state, [](GraphWindow* graph) {
        graph->layoutGraph();
        graph->redraw();
        Fl::flush();
        graph->make_current();
        glFinish();
    });
}

// The force layout's step alone.
void graphLayout(benchmark::State& state) {
    timeSteps(state, [](GraphWindow* graph) { graph->layoutGraph(); });
}

}  // namespace

int main(int argc, char** argv) {
    settleHeapForFrames();  // as the program does
    fl_open_display();
    table = std::make_unique<BenchTable>();
    for (int nodes : {10, 100, 300}) {
        const int frames = nodes <= 100 ? 200 : 100;
        benchmark::RegisterBenchmark("GraphFrame", graphFrames)
            ->Arg(nodes)->Iterations(frames)->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark("GraphLayout", graphLayout)
            ->Arg(nodes)->Iterations(frames)->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    current.reset();  // the windows go while the display is still open
    table.reset();
    return 0;
}

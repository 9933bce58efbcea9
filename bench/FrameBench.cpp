// Frame time of the view: the real main window under the display that
// scripts/bench.sh provides (Xvfb with Mesa's CPU rasteriser), K redraws per
// run, reported as the median over repetitions in ms per frame.
#include <benchmark/benchmark.h>

#include <GL/glew.h>
#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include "app/MainWindow.h"
#include "data/MultidimensionalData.h"
#include "pcview/PCWindow.h"

namespace {

// One main window per table, kept for the repetitions of that table.
struct ShownTable {
    std::unique_ptr<MainWindow> main;
    std::string path;
};

ShownTable& shownTable(const std::string& path) {
    static ShownTable shown;
    if (shown.path != path) {
        shown.main.reset();
        std::streambuf* saved = std::cout.rdbuf(nullptr);
        auto* table = new MultidimensionalData(path.c_str());
        std::cout.rdbuf(saved);
        shown.main = std::make_unique<MainWindow>(table);
        shown.main->show();
        PCWindow* view = shown.main->getView();
        for (int k = 0; k < 500 && !view->valid(); ++k) Fl::wait(0.01);
        shown.path = path;
    }
    return shown;
}

void drawFrames(benchmark::State& state, const std::string& path) {
    if (std::getenv("DISPLAY") == nullptr) {
        state.SkipWithError("needs a display (run through scripts/with-xvfb.sh)");
        return;
    }
    PCWindow* view = shownTable(path).main->getView();
    for (auto _ : state) {
        view->redraw();
        Fl::flush();
        view->make_current();
        glFinish();
    }
    state.counters["items"] = view->getData()->getDataNum();
}

void BM_ViewFrame_DefaultTable(benchmark::State& state) { drawFrames(state, "./DataSet/origin.txt"); }

}  // namespace

BENCHMARK(BM_ViewFrame_DefaultTable)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->Repetitions(5)
    ->UseRealTime()
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    fl_open_display();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

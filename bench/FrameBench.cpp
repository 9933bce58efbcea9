// Frame time of the view: the real main window under the display that
// scripts/bench.sh provides (Xvfb with Mesa's CPU rasteriser), reported as the
// median wall time per frame over repetitions.
//
// Beside each view redraw, the same run times the raster floor: the same line
// vertices (and colours) drawn from one prebuilt vertex array with the same
// line width, blending and smoothing, so the ratio of the two shows what our
// own work (path building, colouring, tree walks, the other layers) costs.
#include <benchmark/benchmark.h>

#include <GL/glew.h>
#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "data/MultidimensionalData.h"
#include "operators/ClusterTree.h"
#include "operators/DataItemPaths.h"
#include "pcview/PCWindow.h"

namespace {

std::string benchTable(int rows) {
    const char* dir = std::getenv("STRANDS_BENCH_DATA");
    return std::string(dir ? dir : "bench/data") + "/rows_" + std::to_string(rows) + ".csv";
}

void redrawView(PCWindow* view) {
    view->redrawWindows();
    Fl::flush();
    view->make_current();
    glFinish();
}

// One shown main window per (table, operators) case, kept for its repetitions.
struct Scene {
    std::unique_ptr<MainWindow> main;
    int heldItems = 0;
};

// An empty path frees the window kept for the last case.
Scene& scene(const std::string& path, bool withOperators) {
    static std::map<std::string, Scene> scenes;
    static Scene none;
    if (path.empty()) {
        scenes.clear();
        return none;
    }
    const std::string key = path + (withOperators ? "#ops" : "#root");
    auto found = scenes.find(key);
    if (found != scenes.end()) return found->second;
    scenes.clear();  // one window at a time
    Scene& made = scenes[key];
    std::streambuf* saved = std::cout.rdbuf(nullptr);
    auto* table = new MultidimensionalData(path.c_str());
    made.main = std::make_unique<MainWindow>(table);
    made.main->show();
    PCWindow* view = made.main->getView();
    for (int k = 0; k < 500 && !view->valid(); ++k) Fl::wait(0.01);
    if (withOperators && table->getActualDimNum() >= 8) {
        // Three wide operators in three regions, together holding about half the items.
        ClusterTree* tree = view->getClusterTree();
        const float xs[] = {0.18f, 0.5f, 0.82f};
        for (float x : xs) {
            AROperator* op = tree->addAR(view, x, 0.5f, true, Color4(0.9f, 0.2f, 0.1f, 0.8f));
            if (op == nullptr) continue;
            tree->setOperatorRadius(op, 0.12);
            tree->setOperatorAngleWidth(op, 1.0);
        }
        std::vector<AROperator*> nodes;
        tree->collectNodes(&nodes);
        for (AROperator* node : nodes) {
            if (node->type == AROperator::kTypeRegular) made.heldItems += static_cast<int>(node->controlList.size());
        }
    }
    // A few frames first: the first ones build fonts and textures.
    for (int k = 0; k < 3; ++k) redrawView(view);
    std::cout.rdbuf(saved);
    return made;
}

bool haveDisplayAndTable(benchmark::State& state, const std::string& path) {
    if (std::getenv("DISPLAY") == nullptr) {
        state.SkipWithError("needs a display (run through scripts/with-xvfb.sh)");
        return false;
    }
    if (std::FILE* f = std::fopen(path.c_str(), "r")) {
        std::fclose(f);
        return true;
    }
    state.SkipWithError("table missing: run scripts/make-bench-tables.sh");
    return false;
}

void viewFrames(benchmark::State& state, const std::string& path, bool withOperators) {
    if (!haveDisplayAndTable(state, path)) return;
    Scene& s = scene(path, withOperators);
    PCWindow* view = s.main->getView();
    for (auto _ : state) redrawView(view);
    state.counters["items"] = view->getData()->getDataNum();
    state.counters["held"] = s.heldItems;
}

// The vertices the view's line layer sends, as line pairs with colours.
struct LineArrays {
    std::vector<float> xy;    // 2 per vertex, view units
    std::vector<float> rgba;  // 4 per vertex
    void add(float x, float y, const Color4& c) {
        xy.insert(xy.end(), {x, y});
        rgba.insert(rgba.end(), {c.r, c.g, c.b, c.a});
    }
};

LineArrays lineVertices(PCWindow* view) {
    LineArrays arrays;
    MultidimensionalData* data = view->getData();
    ParallelCoordinatesAxis* axes = view->getAxes();
    ClusterTree* tree = view->getClusterTree();
    std::deque<AROperator*> leaves;
    tree->getAllLeafNodes_DepthFirst(&leaves);
    const int dims = data->getActualDimNum();
    const bool curved = !tree->getRoot()->noChildren();
    if (curved) view->prepareFrame();
    DataItemPaths* paths = view->getItemPaths();
    for (AROperator* leaf : leaves) {
        for (int item : leaf->controlList) {
            const float* row = data->getDataRow(item);
            for (int j = 0; j + 1 < dims; ++j) {
                const Color4 colour = curved ? paths->getSegmentColor(item, j) : leaf->color;
                if (!curved || paths->isUnbent(item)) {
                    arrays.add(axes->getAxisPosition(j), view->transformToDrawRegion(row[j]), colour);
                    arrays.add(axes->getAxisPosition(j + 1), view->transformToDrawRegion(row[j + 1]), colour);
                    continue;
                }
                DataItemPaths::SegmentCurve curve;
                paths->getCurve(item, j, &curve);
                for (int k = 0; k + 1 < DataItemPaths::kPointsPerSegment; ++k) {
                    arrays.add(curve.x[k], curve.y[k], colour);
                    arrays.add(curve.x[k + 1], curve.y[k + 1], colour);
                }
            }
        }
    }
    return arrays;
}

void rasterFloor(benchmark::State& state, const std::string& path, bool withOperators) {
    if (!haveDisplayAndTable(state, path)) return;
    PCWindow* view = scene(path, withOperators).main->getView();
    redrawView(view);
    const LineArrays arrays = lineVertices(view);
    view->make_current();
    for (auto _ : state) {
        glClearColor(1, 1, 1, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glLineWidth(2.0f);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_LINE_SMOOTH);
        glEnable(GL_MULTISAMPLE);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(2, GL_FLOAT, 0, arrays.xy.data());
        glColorPointer(4, GL_FLOAT, 0, arrays.rgba.data());
        glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(arrays.xy.size() / 2));
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        view->swap_buffers();
        glFinish();
    }
    state.counters["vertices"] = static_cast<double>(arrays.xy.size() / 2);
}

// One drag step of a hint point or of an operator, on its own scene: the
// handler and the model update it triggers (regrouping for a hint point, the
// item lists for an operator), with or without the view's redraw.
enum class DragKind { HintPoint, Operator };

// A left-button event at view pixel (xPx, yPx).
PointerInput leftButton(int event, int xPx, int yPx, bool ctrl = false) {
    PointerInput input = PointerInput::at(event, xPx, yPx, FL_LEFT_MOUSE);
    input.ctrl = ctrl;
    return input;
}

struct DragScene {
    std::unique_ptr<MainWindow> main;
    std::string key;
};

PCWindow* dragView(const std::string& path, DragKind kind) {
    static DragScene made;
    const std::string key = path + (kind == DragKind::HintPoint ? "#hint" : "#op");
    if (made.key == key) return made.main->getView();
    scene("", false);  // free the frame scenes' window first
    made.main.reset();
    std::streambuf* saved = std::cout.rdbuf(nullptr);
    made.main = std::make_unique<MainWindow>(new MultidimensionalData(path.c_str()));
    made.main->show();
    PCWindow* view = made.main->getView();
    for (int k = 0; k < 500 && !view->valid(); ++k) Fl::wait(0.01);
    if (kind == DragKind::HintPoint) {
        // A hint point on the third axis, half way up, then pressed to select it.
        const int axisPx = static_cast<int>(1000 * view->getAxes()->getAxisPosition(2));
        view->handleMouseEvents(leftButton(FL_PUSH, axisPx, 250, true));
        view->handleMouseEvents(leftButton(FL_RELEASE, axisPx, 250));
        view->handleMouseEvents(leftButton(FL_PUSH, axisPx, 250));
    } else {
        // A wide operator in the first gap, then grabbed at its centre.
        view->handleMouseEvents(leftButton(FL_PUSH, 160, 250));
        view->handleMouseEvents(leftButton(FL_RELEASE, 160, 250));
        ClusterTree* tree = view->getClusterTree();
        AROperator* op = tree->getRoot()->links.front().node;
        tree->setOperatorRadius(op, 0.12);
        tree->setOperatorAngleWidth(op, 1.0);
        view->handleMouseEvents(leftButton(FL_PUSH, 160, 250));
    }
    std::cout.rdbuf(saved);
    made.key = key;
    return view;
}

void dragSteps(benchmark::State& state, const std::string& path, DragKind kind, bool redraw) {
    if (!haveDisplayAndTable(state, path)) return;
    PCWindow* view = dragView(path, kind);
    std::streambuf* saved = std::cout.rdbuf(nullptr);  // the regrouping's count lines
    int step = 0;
    for (auto _ : state) {
        const int offsetPx = (step++ % 2 == 0) ? 10 : -10;
        if (kind == DragKind::HintPoint) {
            const int axisPx = static_cast<int>(1000 * view->getAxes()->getAxisPosition(2));
            view->handleMouseEvents(leftButton(FL_DRAG, axisPx, 250 + offsetPx));
        } else {
            view->handleMouseEvents(leftButton(FL_DRAG, 160 + offsetPx, 250));
        }
        if (redraw) redrawView(view);
    }
    std::cout.rdbuf(saved);
}

void registerDrag(const std::string& name, const std::string& path, DragKind kind, int iterations) {
    for (bool redraw : {false, true}) {
        benchmark::RegisterBenchmark(((redraw ? "DragStepWithRedraw/" : "DragStepHandlerAndModel/") + name).c_str(),
                                     [=](benchmark::State& s) { dragSteps(s, path, kind, redraw); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(redraw ? iterations : 10 * iterations)
            ->Repetitions(3)
            ->UseRealTime()
            ->ReportAggregatesOnly(true);
    }
}

void registerCase(const std::string& name, const std::string& path, bool withOperators, int iterations) {
    auto configure = [iterations](benchmark::internal::Benchmark* b) {
        b->Unit(benchmark::kMillisecond)->Iterations(iterations)->Repetitions(3)->UseRealTime()->ReportAggregatesOnly(true);
    };
    configure(benchmark::RegisterBenchmark(("ViewRedraw/" + name).c_str(),
                                           [=](benchmark::State& s) { viewFrames(s, path, withOperators); }));
    configure(benchmark::RegisterBenchmark(("RasterFloor/" + name).c_str(),
                                           [=](benchmark::State& s) { rasterFloor(s, path, withOperators); }));
}

}  // namespace

int main(int argc, char** argv) {
    fl_open_display();
    registerCase("default_table_root", "./DataSet/origin.txt", false, 20);
    registerCase("default_table_3ops", "./DataSet/origin.txt", true, 20);
    registerCase("1e3_root", benchTable(1000), false, 10);
    registerCase("1e3_3ops", benchTable(1000), true, 10);
    registerCase("1e4_root", benchTable(10000), false, 3);
    registerCase("1e4_3ops", benchTable(10000), true, 3);
    registerCase("1e5_root", benchTable(100000), false, 1);
    registerCase("1e5_3ops", benchTable(100000), true, 1);
    registerDrag("hint_point_1e4", benchTable(10000), DragKind::HintPoint, 3);
    registerDrag("operator_1e4", benchTable(10000), DragKind::Operator, 3);
    registerDrag("hint_point_1e5", benchTable(100000), DragKind::HintPoint, 1);
    registerDrag("operator_1e5", benchTable(100000), DragKind::Operator, 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Frame time of the view: the real main window under the display that
// scripts/bench.sh provides (Xvfb with Mesa's CPU rasteriser), reported as the
// median wall time per frame over repetitions.
//
// Beside each one-pass view redraw (line layer off), the same run times the
// raster floor: the same line vertices (and colours) drawn from one prebuilt
// vertex array with the view's own item line state (applyItemLineState), so
// the ratio of the two shows what our own work (path building, colouring, tree
// walks, the other layers) costs. View frames and floor frames alternate, and
// the ratio is the median of the pairs' ratios: a machine whose load changes
// during the run slows both sides of a pair alike.
//
// The line layer's cases (LineLayer...) run on the three-operator scene with
// one hint point: frames that change no line (a hint-point drag step, the H
// key) with the layer complete, and an operator drag: the step with its first
// visible slice, and the time until the layer is complete again beside the
// floor of the same scene in the same run.
#include <benchmark/benchmark.h>

#include <GL/glew.h>
#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/HeapSettings.h"
#include "app/MainWindow.h"
#include "data/MultidimensionalData.h"
#include "operators/ClusterTree.h"
#include "operators/DataItemPaths.h"
#include "pcview/ItemLineStyle.h"
#include "pcview/PCWindow.h"
#include "ViewBenchScenes.h"

namespace {

// One shown main window per (table, operators) case, kept for its repetitions.
struct Scene {
    std::unique_ptr<MainWindow> main;
    int heldItems = 0;
    bool hasHintPoint = false;  // the line layer's cases added theirs
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
    made.main = showMainWindow(path);
    PCWindow* view = made.main->getView();
    std::streambuf* saved = std::cout.rdbuf(nullptr);
    if (withOperators) made.heldItems = addThreeOperators(&view->getDocument().modelForSetUp());
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

// The vertices the view's line layer sends, as line pairs with colours.
struct LineArrays {
    std::vector<float> xy;    // 2 per vertex, view units
    std::vector<float> rgba;  // 4 per vertex
    void add(float x, float y, const Color4& c) {
        xy.insert(xy.end(), {x, y});
        rgba.insert(rgba.end(), {c.r, c.g, c.b, c.a});
    }
    // Room for `vertices` without regrowing: at 10^6 items the arrays hold
    // gigabytes, and a doubling copy would hold both sizes at once. Pages never
    // written are never resident.
    void reserve(size_t vertices) {
        xy.reserve(2 * vertices);
        rgba.reserve(4 * vertices);
    }
};

LineArrays lineVertices(PCWindow* view) {
    LineArrays arrays;
    const MultidimensionalData* data = view->getData();
    const ParallelCoordinatesAxis* axes = view->getAxes();
    const ClusterTree* tree = view->getClusterTree();
    std::deque<AROperator*> leaves;
    tree->getAllLeafNodes_DepthFirst(&leaves);
    const int dims = data->getActualDimNum();
    const bool curved = !tree->getRoot()->noChildren();
    if (curved) view->prepareFrame();
    DataItemPaths* paths = view->getItemPaths();
    // At most every segment bent: 14 line pairs of its curve points.
    const size_t pairsPerSegment = curved ? DataItemPaths::kPointsPerSegment - 1 : 1;
    arrays.reserve(static_cast<size_t>(data->getDataNum()) * static_cast<size_t>(std::max(dims - 1, 0)) *
                   pairsPerSegment * 2);
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

// One floor frame into the view's window: cleared, the arrays drawn with the
// view's item line state in one call, swapped and finished.
void drawFloorFrame(PCWindow* view, const LineArrays& arrays) {
    view->make_current();
    glClearColor(1, 1, 1, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    applyItemLineState();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    // In draws of at most 2^22 vertices, each with the arrays pointed at its
    // first vertex: Mesa's rasteriser takes vertex offsets as 32-bit numbers
    // and fails on the 10^6-item table's 2 * 10^8 vertices in one draw.
    const size_t vertices = arrays.xy.size() / 2;
    constexpr size_t kDrawVertices = size_t(1) << 22;  // even: whole line pairs
    for (size_t first = 0; first < vertices; first += kDrawVertices) {
        glVertexPointer(2, GL_FLOAT, 0, arrays.xy.data() + 2 * first);
        glColorPointer(4, GL_FLOAT, 0, arrays.rgba.data() + 4 * first);
        glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(std::min(kDrawVertices, vertices - first)));
    }
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    view->swap_buffers();
    glFinish();
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : 0.5 * (values[middle - 1] + values[middle]);
}

// One-pass view frames (every frame draws every line), each followed by a
// floor frame of the same lines, untimed by the framework. Counters: the
// floor's mean time and the median of the frames' ratios.
void onePassBesideFloor(benchmark::State& state, const std::string& path, bool withOperators) {
    if (!haveDisplayAndTable(state, path)) return;
    Scene& s = scene(path, withOperators);
    PCWindow* view = s.main->getView();
    view->setLineLayerEnabled(false);
    const LineArrays arrays = lineVertices(view);
    // One frame of each untimed: the first frames of a GL state the driver
    // has not seen yet pay for compiling its rasteriser code.
    redrawView(view);
    drawFloorFrame(view, arrays);
    std::vector<double> ratios;
    double floorMs = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        redrawView(view);
        const double viewMs = millisecondsSince(start);
        state.PauseTiming();
        const auto floorStart = std::chrono::steady_clock::now();
        drawFloorFrame(view, arrays);
        const double pairFloorMs = millisecondsSince(floorStart);
        floorMs += pairFloorMs;
        ratios.push_back(pairFloorMs > 0 ? viewMs / pairFloorMs : 0);
        state.ResumeTiming();
    }
    view->setLineLayerEnabled(true);
    state.counters["items"] = view->getData()->getDataNum();
    state.counters["held"] = s.heldItems;
    state.counters["vertices"] = static_cast<double>(arrays.xy.size() / 2);
    state.counters["floor_ms"] = ratios.empty() ? 0 : floorMs / static_cast<double>(ratios.size());
    state.counters["view_per_floor"] = median(ratios);
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

// The left button released as the event loop delivers it: the handler, then
// the gesture's step worked out, which the loop does after the next frame
// (left open, the next case's first edit would work it out in its timing).
void releaseLeft(PCWindow* view, int xPx, int yPx) {
    view->handleMouseEvents(leftButton(FL_RELEASE, xPx, yPx));
    view->getDocument().settleHistory();
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
        releaseLeft(view, axisPx, 250);
        view->handleMouseEvents(leftButton(FL_PUSH, axisPx, 250));
    } else {
        // A wide operator in the first gap, then grabbed at its centre.
        view->handleMouseEvents(leftButton(FL_PUSH, 160, 250));
        releaseLeft(view, 160, 250);
        ClusterTree* tree = view->getDocument().modelForSetUp().getClusterTree();
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

void registerCase(const std::string& name, const std::string& path, bool withOperators, int iterations,
                  int repetitions = 3) {
    auto* b = benchmark::RegisterBenchmark(("OnePassBesideFloor/" + name).c_str(),
                                           [=](benchmark::State& s) { onePassBesideFloor(s, path, withOperators); });
    b->Unit(benchmark::kMillisecond)->Iterations(iterations)->Repetitions(repetitions)->UseRealTime();
    if (repetitions > 1) b->ReportAggregatesOnly(true);
}

// --- The line layer ---------------------------------------------------------------

// Where the line layer's cases put their hint point: on the fourth axis, well
// above the three operators (which sit at half height), window pixels.
constexpr int kHintAxis = 3;
constexpr int kHintYPx = 75;

int hintAxisPx(PCWindow* view) {
    return static_cast<int>(static_cast<float>(view->w()) * view->getAxes()->getAxisPosition(kHintAxis));
}

// The three-operator scene of `path` with the hint point; its line layer
// complete when `complete` (a case that starts with a change of the lines
// need not wait for it).
PCWindow* layerScene(const std::string& path, bool complete) {
    Scene& s = scene(path, true);
    PCWindow* view = s.main->getView();
    if (!s.hasHintPoint) {
        std::streambuf* saved = std::cout.rdbuf(nullptr);  // the regrouping's count lines
        view->handleMouseEvents(leftButton(FL_PUSH, hintAxisPx(view), kHintYPx, true));
        releaseLeft(view, hintAxisPx(view), kHintYPx);
        std::cout.rdbuf(saved);
        s.hasHintPoint = true;
    }
    view->setLineLayerEnabled(true);
    if (complete) completeLineLayer(view);
    return view;
}

// Presses the left button on the first regular operator's centre; its pixel in
// *xPx, *yPx. False (and the button released) when the press grabbed nothing.
bool grabFirstOperator(PCWindow* view, int* xPx, int* yPx) {
    std::vector<AROperator*> nodes;
    view->getClusterTree()->collectNodes(&nodes);
    auto regular = std::find_if(nodes.begin(), nodes.end(),
                                [](const AROperator* op) { return op->type == AROperator::kTypeRegular; });
    if (regular == nodes.end()) return false;
    *xPx = static_cast<int>(static_cast<float>(view->w()) * (*regular)->position.x);
    *yPx = static_cast<int>(static_cast<float>(view->h()) * (1.0f - (*regular)->position.y));
    view->handleMouseEvents(leftButton(FL_PUSH, *xPx, *yPx));
    if (view->getGrabbedOp() == *regular) return true;
    releaseLeft(view, *xPx, *yPx);
    return false;
}

// Drag steps of the hint point, each with its frame: the regrouping and a
// frame that copies the complete layer and draws the other layers.
void hintPointDragFrames(benchmark::State& state, const std::string& path) {
    if (!haveDisplayAndTable(state, path)) return;
    PCWindow* view = layerScene(path, true);
    std::streambuf* saved = std::cout.rdbuf(nullptr);
    const int xPx = hintAxisPx(view);
    view->handleMouseEvents(leftButton(FL_PUSH, xPx, kHintYPx));
    if (view->getSelectedHintPath() < 0 || view->getGrabbedOp() != nullptr) {
        std::cout.rdbuf(saved);
        state.SkipWithError("the press did not select the hint point alone");
        return;
    }
    const uint64_t restarts = view->getLineLayerRestarts();
    int step = 0;
    for (auto _ : state) {
        const int offsetPx = (step++ % 2 == 0) ? 10 : -10;
        view->handleMouseEvents(leftButton(FL_DRAG, xPx, kHintYPx + offsetPx));
        redrawView(view);
    }
    releaseLeft(view, xPx, kHintYPx);
    std::cout.rdbuf(saved);
    // Zero where the frames changed no line.
    state.counters["restarts"] = static_cast<double>(view->getLineLayerRestarts() - restarts);
}

// The H key (histogram bands off, on, ...), each press with its frame.
void histogramToggleFrames(benchmark::State& state, const std::string& path) {
    if (!haveDisplayAndTable(state, path)) return;
    PCWindow* view = layerScene(path, true);
    const uint64_t restarts = view->getLineLayerRestarts();
    for (auto _ : state) {
        view->handleKeyboardEvents('h', 500, 250);
        redrawView(view);
    }
    if (!view->getShowHistograms()) view->handleKeyboardEvents('h', 500, 250);
    state.counters["restarts"] = static_cast<double>(view->getLineLayerRestarts() - restarts);
}

// The three-operator scene of `path` with its first operator grabbed at its
// centre (window pixels in *xPx, *yPx); null, the case skipped, when there is
// no display, no table or nothing was grabbed.
PCWindow* sceneWithGrabbedOperator(benchmark::State& state, const std::string& path, int* xPx, int* yPx) {
    if (!haveDisplayAndTable(state, path)) return nullptr;
    PCWindow* view = layerScene(path, false);
    if (!grabFirstOperator(view, xPx, yPx)) {
        state.SkipWithError("the press grabbed no operator");
        return nullptr;
    }
    return view;
}

// Drag steps of the first operator, each with one frame: the handler, the
// item lists, the paths rebuilt for the frame and the first slice of lines.
void operatorDragFirstSlice(benchmark::State& state, const std::string& path) {
    int xPx = 0, yPx = 0;
    PCWindow* view = sceneWithGrabbedOperator(state, path, &xPx, &yPx);
    if (view == nullptr) return;
    int step = 0;
    for (auto _ : state) {
        const int offsetPx = (step++ % 2 == 0) ? 10 : -10;
        view->handleMouseEvents(leftButton(FL_DRAG, xPx + offsetPx, yPx));
        redrawView(view);
    }
    releaseLeft(view, xPx, yPx);
}

// One drag step of the first operator, then frames until the layer holds
// every line again (the reported time); beside it, untimed by the framework,
// one floor frame of the lines the step left. Counters: the floor, the frames
// the layer took and the ratio of the two times.
void operatorDragUntilComplete(benchmark::State& state, const std::string& path) {
    int xPx = 0, yPx = 0;
    PCWindow* view = sceneWithGrabbedOperator(state, path, &xPx, &yPx);
    if (view == nullptr) return;
    double completeMs = 0, floorMs = 0;
    int frames = 0, step = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int offsetPx = (step++ % 2 == 0) ? 10 : -10;
        view->handleMouseEvents(leftButton(FL_DRAG, xPx + offsetPx, yPx));
        frames += completeLineLayer(view);
        completeMs += millisecondsSince(start);
        state.PauseTiming();
        const LineArrays arrays = lineVertices(view);
        const auto floorStart = std::chrono::steady_clock::now();
        drawFloorFrame(view, arrays);
        floorMs += millisecondsSince(floorStart);
        state.ResumeTiming();
    }
    releaseLeft(view, xPx, yPx);
    const double steps = std::max(step, 1);
    state.counters["floor_ms"] = floorMs / steps;
    state.counters["frames"] = frames / steps;
    state.counters["complete_per_floor"] = floorMs > 0 ? completeMs / floorMs : 0;
}

// A reorder (the last axis dragged before the one left of it, as a title
// drag ends: the edit, then the gesture's end) with its first slice of
// lines: the values permuted, the tree's histograms and the paths rebuilt,
// the layer started over. The step is worked out after that frame, as the
// event loop does it before the next frame (untimed; its time is the
// settle_ms counter), then undone, untimed, so the scene keeps its operators
// for the cases after it. Counters: the operators a step removed (those
// standing beside the moved axis), and the settling.
void reorderFirstSlice(benchmark::State& state, const std::string& path) {
    if (!haveDisplayAndTable(state, path)) return;
    PCWindow* view = layerScene(path, true);
    Document& document = view->getDocument();
    const int dims = view->getData()->getActualDimNum();
    const size_t operatorsBefore = [&] {
        std::vector<AROperator*> nodes;
        view->getClusterTree()->collectNodes(&nodes);
        return nodes.size();
    }();
    size_t removed = 0;
    int steps = 0;
    double settleMs = 0;
    std::streambuf* saved = std::cout.rdbuf(nullptr);
    for (auto _ : state) {
        document.moveAxis(dims - 1, dims - 2, document.newGesture());
        document.endGesture();
        redrawView(view);
        state.PauseTiming();
        const auto settleStart = std::chrono::steady_clock::now();
        document.settleHistory();
        settleMs += millisecondsSince(settleStart);
        std::vector<AROperator*> nodes;
        view->getClusterTree()->collectNodes(&nodes);
        removed += operatorsBefore - nodes.size();
        ++steps;
        document.undo();
        completeLineLayer(view);
        state.ResumeTiming();
    }
    std::cout.rdbuf(saved);
    state.counters["nodes_removed"] = static_cast<double>(removed) / std::max(steps, 1);
    state.counters["settle_ms"] = settleMs / std::max(steps, 1);
}

// The line layer's cases for one table: `iterations` per repetition for the
// fast ones, `fills` drag-and-fill steps in each of `fillRepetitions`. In this
// order the frames that change no line find the layer the fills left
// complete: a 10^6 table is filled once (the release moves nothing).
void registerLineLayerCases(const std::string& name, const std::string& path, int iterations, int fills,
                            int fillRepetitions) {
    auto configure = [](benchmark::internal::Benchmark* b, int n, int repetitions) {
        b->Unit(benchmark::kMillisecond)->Iterations(n)->Repetitions(repetitions)->UseRealTime();
        if (repetitions > 1) b->ReportAggregatesOnly(true);
    };
    configure(benchmark::RegisterBenchmark(("LineLayerOperatorDragFirstSlice/" + name).c_str(),
                                           [=](benchmark::State& s) { operatorDragFirstSlice(s, path); }),
              iterations, 3);
    configure(benchmark::RegisterBenchmark(("LineLayerOperatorDragUntilComplete/" + name).c_str(),
                                           [=](benchmark::State& s) { operatorDragUntilComplete(s, path); }),
              fills, fillRepetitions);
    configure(benchmark::RegisterBenchmark(("LineLayerHintPointDragFrame/" + name).c_str(),
                                           [=](benchmark::State& s) { hintPointDragFrames(s, path); }),
              iterations, 3);
    configure(benchmark::RegisterBenchmark(("LineLayerHistogramToggleFrame/" + name).c_str(),
                                           [=](benchmark::State& s) { histogramToggleFrames(s, path); }),
              2 * iterations, 3);
    configure(benchmark::RegisterBenchmark(("LineLayerReorderFirstSlice/" + name).c_str(),
                                           [=](benchmark::State& s) { reorderFirstSlice(s, path); }),
              fills, fillRepetitions);
}

}  // namespace

int main(int argc, char** argv) {
    settleHeapForFrames();  // as the program does
    fl_open_display();
    registerCase("default_table_root", "./DataSet/origin.txt", false, 20);
    registerCase("default_table_3ops", "./DataSet/origin.txt", true, 20);
    registerCase("1e3_root", benchTable(1000), false, 10);
    registerCase("1e3_3ops", benchTable(1000), true, 10);
    registerCase("1e4_root", benchTable(10000), false, 3);
    registerCase("1e4_3ops", benchTable(10000), true, 3);
    registerLineLayerCases("1e4_3ops", benchTable(10000), 10, 2, 3);  // on the scene above
    registerCase("1e5_root", benchTable(100000), false, 1);
    registerCase("1e5_3ops", benchTable(100000), true, 1);
    registerLineLayerCases("1e5_3ops", benchTable(100000), 10, 1, 3);
    // A one-pass frame of 10^6 items takes seconds (root only) to minutes
    // (three operators: the floor's arrays hold 3.4 GB): one pair each.
    registerCase("1e6_root", benchTable(1000000), false, 1, 1);
    registerCase("1e6_3ops", benchTable(1000000), true, 1, 1);
    // A fill of 10^6 items takes more than a minute: one drag and fill.
    registerLineLayerCases("1e6_3ops", benchTable(1000000), 4, 1, 1);
    registerDrag("hint_point_1e4", benchTable(10000), DragKind::HintPoint, 3);
    registerDrag("operator_1e4", benchTable(10000), DragKind::Operator, 3);
    registerDrag("hint_point_1e5", benchTable(100000), DragKind::HintPoint, 1);
    registerDrag("operator_1e5", benchTable(100000), DragKind::Operator, 1);
    registerDrag("hint_point_1e6", benchTable(1000000), DragKind::HintPoint, 1);
    registerDrag("operator_1e6", benchTable(1000000), DragKind::Operator, 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// PCWindow: the item lines, straight while the tree is only its root, bent
// through the operators and coloured by them once it has regular operators;
// and the line layer that keeps them between frames and draws them anew in
// slices, a time budget at a time, when they change.
#include "pcview/PCWindow.h"

#include <GL/glew.h>
#include <FL/Fl.H>
#include <FL/x.H>

#include <algorithm>
#include <cstring>

#include "operators/ClusterTree.h"
#include "operators/DataItemPaths.h"
#include "pcview/ItemLineStyle.h"

namespace {

constexpr int kCurvePoints = DataItemPaths::kPointsPerSegment;
constexpr size_t kItemsBetweenClockReads = 32;
constexpr GLuint64 kLongestFenceWaitNs = 5'000'000'000;  // a step's fence is waited for at most this long

// Whether the context has fence objects (OpenGL 3.2, or the sync extension).
bool haveFences() {
    return (GLEW_VERSION_3_2 || GLEW_ARB_sync) && glFenceSync != nullptr && glClientWaitSync != nullptr &&
           glDeleteSync != nullptr;
}
constexpr float kProgressHeightPx = 3.0f;  // the bar along the view's foot while lines fill in
constexpr float kProgressLeastWidthPx = 8.0f;  // a work just begun still shows this much of its bar

// Whether the window system holds input not yet handled (pointer, keys, a
// resize, a message such as the window manager's close): then the user is
// doing something and slices stay short. Other events do not count: the
// completion events of the windows' own image transfers arrive after every
// frame of an animating graph, and counting them kept every slice short.
// (Fl::ready() would also count timers, and the graph window's is nearly
// always due.)
Bool noteUserInput(Display*, XEvent* event, XPointer found) {
    switch (event->type) {
        case KeyPress:
        case KeyRelease:
        case ButtonPress:
        case ButtonRelease:
        case MotionNotify:
        case ConfigureNotify:
        case ClientMessage: *reinterpret_cast<bool*>(found) = true; break;
        default: break;
    }
    return False;  // leave every event where it is
}
bool inputWaiting() {
    if (fl_display == nullptr || XEventsQueued(fl_display, QueuedAfterFlush) == 0) return false;
    bool found = false;
    XEvent unused;
    XCheckIfEvent(fl_display, &unused, noteUserInput, reinterpret_cast<XPointer>(&found));
    return found;
}

bool sameColour(const Color4& a, const Color4& b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

}  // namespace

bool PCWindow::LineLayerKey::operator==(const LineLayerKey& other) const {
    return tableSerial == other.tableSerial && revision == other.revision && widthPx == other.widthPx &&
           heightPx == other.heightPx && aspect == other.aspect && region == other.region &&
           axisPositionsHash == other.axisPositionsHash && arrangement == other.arrangement &&
           sameColour(lineColour, other.lineColour);
}

// Brings the bent paths up to date with the tree (only what changed); the
// points of newly bent segments are computed as the slices draw them.
void PCWindow::buildCurves() { getItemPaths()->updateChangedPathsDeferringBends(); }

// The paths were brought up to date by prepareFrame().
void PCWindow::renderLines_TreeBased() {
    AROperator* root = getClusterTree()->getRoot();
    if (root->noChildren()) {
        renderLinesAtSubTree(root);
    } else {
        renderCurvesAtSubTree(root);
    }
}

void PCWindow::renderLinesAtSubTree(AROperator* node) {
    if (!node->noChildren()) {
        for (AROperator* child : ::children(node)) renderLinesAtSubTree(child);
        return;
    }
    applyItemLineState();
    drawStraightItems(node, 0, node->controlList.size());
    lineBatch.flush();
}

// Every item of every leaf, segment by segment: straight or through its 15
// points, in its segment's colour, blending from the previous segment's
// colour where the colour changes at the segment's left axis.
void PCWindow::renderCurvesAtSubTree(AROperator* /*node*/) {
    riverLeaves.clear();
    getClusterTree()->getAllLeafNodes_DepthFirst(&riverLeaves);
    applyItemLineState();
    for (const AROperator* leaf : riverLeaves) drawCurvedItems(leaf, 0, leaf->controlList.size());
    lineBatch.flush();
}

void PCWindow::drawStraightItems(const AROperator* leaf, size_t from, size_t to) {
    const MultidimensionalData* data = getData();
    const ParallelCoordinatesAxis* axes = getAxes();
    const DrawRegion region = getDrawRegion();
    const int dims = data->getActualDimNum();
    const int itemCount = data->getDataNum();
    const Color4 colour = leaf->color;
    // Lines of a leaf no operator colours take their colour-by colour, when a column gives one.
    const std::vector<Color4>& byColumn = model().getItemColours();
    bool operatorColoured = false;
    for (const AROperator* node = leaf; node != nullptr && !operatorColoured; node = node->parent) {
        operatorColoured = node->type == AROperator::kTypeRegular;
    }
    const bool itemColoured = !byColumn.empty() && !operatorColoured;
    // One strip per item through its value on every axis, in the leaf's colour.
    stripXView.resize(static_cast<size_t>(dims));
    stripYView.resize(static_cast<size_t>(dims));
    for (int d = 0; d < dims; ++d) stripXView[static_cast<size_t>(d)] = axes->getAxisPosition(d);
    for (size_t k = from; k < to; ++k) {
        const int item = leaf->controlList[k];
        if (item < 0 || item >= itemCount) continue;
        const float* row = data->getDataRow(item);
        for (int d = 0; d < dims; ++d) stripYView[static_cast<size_t>(d)] = region.toView(row[d]);
        lineBatch.addStrip(stripXView.data(), stripYView.data(), dims,
                           itemColoured ? byColumn[static_cast<size_t>(item)] : colour);
    }
}

void PCWindow::drawCurvedItems(const AROperator* leaf, size_t first, size_t last) {
    // Where a segment's colour differs from the one before it, the colour
    // turns within its first eight points: point k takes this share of the new one.
    struct TurnShares {
        float share[kCurvePoints];
        TurnShares() {
            for (int k = 0; k < kCurvePoints; ++k) share[k] = std::min(2.0f * k / kCurvePoints, 1.0f);
        }
    };
    static const TurnShares turn;
    const MultidimensionalData* data = getData();
    const ParallelCoordinatesAxis* axes = getAxes();
    DataItemPaths* itemPaths = getItemPaths();
    const DrawRegion region = getDrawRegion();
    const int segments = itemPaths->getSegmentNum();
    const int itemCount = data->getDataNum();
    DataItemPaths::SegmentCurve curve;
    float turningRgba[4 * kCurvePoints];
    // Segments no operator colours (the line colour) take the item's colour-by colour, when a column gives one.
    const std::vector<Color4>& byColumn = model().getItemColours();
    const Color4 lineColour = getLineColor();
    for (size_t index = first; index < last; ++index) {
        const int item = leaf->controlList[index];
        if (item < 0 || item >= itemCount) continue;
        const float* row = data->getDataRow(item);
        itemPaths->bendPendingSegments(item);  // what the last update left to build of it, built now
        const bool straight = itemPaths->isUnbent(item);
        auto segmentColour = [&](int j) -> const Color4& {
            const Color4& colour = itemPaths->getSegmentColor(item, j);
            return !byColumn.empty() && sameColour(colour, lineColour) ? byColumn[static_cast<size_t>(item)] : colour;
        };
        for (int j = 0; j < segments; ++j) {
            const Color4& colour = segmentColour(j);
            const bool turns = j > 0 && !sameColour(colour, segmentColour(j - 1));
            const Color4& from = turns ? segmentColour(j - 1) : colour;
            if (straight) {
                lineBatch.addLine(axes->getAxisPosition(j), region.toView(row[j]), from, axes->getAxisPosition(j + 1),
                                  region.toView(row[j + 1]), colour);
                continue;
            }
            itemPaths->getCurve(item, j, &curve);
            if (!turns) {
                lineBatch.addStrip(curve.x, curve.y, kCurvePoints, colour);
                continue;
            }
            for (int k = 0; k < kCurvePoints; ++k) {
                const float f = turn.share[k];
                turningRgba[4 * k] = from.r * (1 - f) + colour.r * f;
                turningRgba[4 * k + 1] = from.g * (1 - f) + colour.g * f;
                turningRgba[4 * k + 2] = from.b * (1 - f) + colour.b * f;
                turningRgba[4 * k + 3] = from.a * (1 - f) + colour.a * f;
            }
            lineBatch.addStrip(curve.x, curve.y, kCurvePoints, turningRgba);
        }
    }
}

// --- The line layer -------------------------------------------------------------

PCWindow::LineLayerKey PCWindow::currentLineKey() const {
    LineLayerKey key;
    key.tableSerial = getTableSerial();
    key.revision = getClusterTree() != nullptr ? getClusterTree()->getRevision() : 0;
    key.widthPx = w();
    key.heightPx = h();
    key.aspect = getAspect();
    key.region = getDrawRegion();
    key.lineColour = getLineColor();
    // A reorder, flip, scale or colour-by column changes the values or colours under the same tree.
    key.arrangement = model().getArrangementRevision();
    // The axes move only through the tree today (which then counts a
    // revision), but the lines follow them whatever moves them.
    uint64_t hash = 1469598103934665603ull;
    if (const ParallelCoordinatesAxis* axes = getAxes()) {
        for (int slot = 0; slot < axes->getAxisNum(); ++slot) {
            uint32_t bits = 0;
            const float position = axes->getAxisPosition(slot);
            std::memcpy(&bits, &position, sizeof bits);
            hash = (hash ^ bits) * 1099511628211ull;
        }
    }
    key.axisPositionsHash = hash;
    return key;
}

bool PCWindow::drawingPending() const {
    if (!lineLayerActive) return false;
    return !(currentLineKey() == lineKey) || !lineLayerComplete;
}

bool PCWindow::drawLineSlice(const SlicePacer::Slice& slice) {
    AROperator* root = getClusterTree()->getRoot();
    const bool curved = !root->noChildren();
    riverLeaves.clear();
    if (curved) {
        getClusterTree()->getAllLeafNodes_DepthFirst(&riverLeaves);
    } else {
        riverLeaves.push_back(root);
    }
    applyItemLineState();
    const uint64_t segmentsPerItem = static_cast<uint64_t>(std::max(getData()->getActualDimNum() - 1, 1));
    const int64_t itemsBefore = lineCursor.drawnItems;
    // The draw calls return long before the rasteriser is done with them: a
    // fence after each step, and before a step is drawn the one two steps
    // back waited for, keep the clock and input checks close to what is drawn.
    const bool fences = haveFences();
    GLsync stepFences[2] = {nullptr, nullptr};
    int64_t nextStepAt = itemsBefore;
    bool outOfTime = false;
    while (!outOfTime && lineCursor.leaf < riverLeaves.size()) {
        const AROperator* leaf = riverLeaves[lineCursor.leaf];
        const size_t size = leaf->controlList.size();
        while (lineCursor.item < size) {
            const size_t to = std::min(size, lineCursor.item + kItemsBetweenClockReads);
            if (curved) {
                drawCurvedItems(leaf, lineCursor.item, to);
            } else {
                drawStraightItems(leaf, lineCursor.item, to);
            }
            lineCursor.drawnItems += static_cast<int64_t>(to - lineCursor.item);
            lineCursor.item = to;
            const auto itemSegments = static_cast<uint64_t>(lineCursor.drawnItems - itemsBefore) * segmentsPerItem;
            bool stepDone = false;
            if (lineCursor.drawnItems >= nextStepAt) {
                nextStepAt = lineCursor.drawnItems +
                             static_cast<int64_t>(std::max<uint64_t>(slice.stepSegments / segmentsPerItem, 1));
                stepDone = true;
                if (fences) {
                    lineBatch.flush();
                    if (stepFences[0] != nullptr) {
                        glClientWaitSync(stepFences[0], GL_SYNC_FLUSH_COMMANDS_BIT, kLongestFenceWaitNs);
                        glDeleteSync(stepFences[0]);
                    }
                    stepFences[0] = stepFences[1];
                    stepFences[1] = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
                }
            }
            const auto now = std::chrono::steady_clock::now();
            if (itemSegments >= slice.segmentLimit || now >= slice.deadline) {
                outOfTime = true;
                break;
            }
            // Past the time a slice runs whatever comes, input that arrived ends it.
            if (stepDone && now >= slice.yieldFrom && inputWaiting()) {
                outOfTime = true;
                break;
            }
        }
        if (lineCursor.item >= size) {
            ++lineCursor.leaf;
            lineCursor.item = 0;
        }
    }
    lineBatch.flush();
    for (GLsync fence : stepFences) {
        if (fence != nullptr) glDeleteSync(fence);
    }
    return lineCursor.leaf >= riverLeaves.size();
}

void PCWindow::renderLineLayer() {
    const LineLayerKey key = currentLineKey();
    if (!(key == lineKey) || !lineLayerStarted) {
        // Something the lines depend on changed: draw them anew from the first item.
        lineKey = key;
        lineLayer.clear();
        lineCursor = LineCursor();
        linePacer.restart();
        lineLayerComplete = false;
        lineLayerStarted = true;
        ++lineLayerRestarts;
    }
    if (!lineLayerComplete) {
        const auto start = std::chrono::steady_clock::now();
        const SlicePacer::Slice slice = linePacer.nextSlice(start, inputWaiting());
        const int64_t itemsBefore = lineCursor.drawnItems;
        lineLayer.beginDrawing();
        lineLayerComplete = drawLineSlice(slice);
        lineLayer.endDrawing();
        // Wait for the rasteriser so the slice's whole cost is measured; the
        // copy below would wait for it anyway.
        glFinish();
        const uint64_t segmentsPerItem = static_cast<uint64_t>(std::max(getData()->getActualDimNum() - 1, 1));
        linePacer.sliceDone(static_cast<uint64_t>(lineCursor.drawnItems - itemsBefore) * segmentsPerItem, start,
                            std::chrono::steady_clock::now());
    }
    lineLayer.copyToWindow();
}

void PCWindow::renderProgressMark(float fraction, int band) {
    // View units: x 0..1 across the view, y 0..1 up from its foot.
    const float height = kProgressHeightPx / static_cast<float>(std::max(h(), 1));
    const float bottom = height * static_cast<float>(band);
    // A work that has only begun still shows: the mark is never narrower
    // than a few pixels, so the user sees at once that something runs.
    const float least = kProgressLeastWidthPx / static_cast<float>(std::max(w(), 1));
    const float done = std::max(std::clamp(fraction, 0.0f, 1.0f), least);
    // Lines filling in: blue; a computation under way: amber.
    if (band == 0) glColor4f(0.15f, 0.35f, 0.75f, 0.7f);
    else glColor4f(0.85f, 0.55f, 0.1f, 0.8f);
    glBegin(GL_QUADS);
    glVertex2f(0, bottom);
    glVertex2f(done, bottom);
    glVertex2f(done, bottom + height);
    glVertex2f(0, bottom + height);
    glEnd();
}

void PCWindow::continueLineLayer(void* view) { static_cast<PCWindow*>(view)->redraw(); }

// Switched off, the layer's image is left as it is: frames drawn meanwhile
// do not touch it, and switched on again it is used as far as its key still
// holds.
void PCWindow::setLineLayerEnabled(bool enabled) {
    if (enabled == lineLayerEnabled) return;
    lineLayerEnabled = enabled;
    redraw();
}

// GraphWindow: the force layout's ticks (GraphLayout, through the document)
// and the rest test that lets the timer skip ticks in which nothing would move.
#include "graph/GraphWindow.h"

#include <algorithm>
#include <cmath>

#include "operators/ClusterTree.h"

namespace {

// The rest test averages every node's position over windows of kRestWindow
// frames (1 s at 100 frames a second) and calls the layout at rest once the
// averages of kCalmWindows windows in a row stay within kRestDrift (graph
// units: one pixel in a 500 pixel window) of the first of them: the nodes
// then creep by less than 0.2 pixel a second. Averaging looks through the
// flicker of up to about a pixel that the overlap force's on/off edge keeps
// up for ever in crowded trees; it never settles, but it goes nowhere either.
constexpr int kRestWindow = 100;
constexpr int kCalmWindows = 5;
constexpr double kRestDrift = 2e-3;

}  // namespace

void GraphWindow::layoutGraph() {
    syncWithTree();
    if (tree == nullptr || tree->getRoot() == nullptr) {
        atRest = true;  // nothing to move
        return;
    }
    if (document.stepGraphLayout(heldNode)) recordLayoutStep();
}

// --- Rest test ---------------------------------------------------------------------
//
// Each tick normally steps the layout and redraws, and each step costs a
// force pass per node over the whole tree plus the drawing. Once the layout
// has settled, those ticks change nothing visible, so the timer skips them
// until something may move again: a gesture (any mouse event), a resize, a
// new tree, or a change the document made to the tree (nodes added, removed or
// moved to another parent, a radius that followed an item list, a colour),
// which the tree's revision tells. While anything moves every tick steps and
// draws, so the animation is the same as without the test.

void GraphWindow::restartRestTest() {
    atRest = false;
    restWindowFrames = 0;
    haveRestAnchor = false;
    calmWindows = 0;
}

void GraphWindow::recordLayoutStep() {
    const size_t before = layoutNodes.size();
    layoutNodes = document.getGraphLayout().stepNodes();
    const size_t count = layoutNodes.size();
    if (count != before) restartRestTest();

    if (restWindowFrames == 0) restWindowSums.assign(count, {0, 0});
    for (size_t k = 0; k < count; ++k) {
        restWindowSums[k].x += layoutNodes[k]->graphX;
        restWindowSums[k].y += layoutNodes[k]->graphY;
    }
    if (++restWindowFrames < kRestWindow) return;

    // A window is complete: how far have its mean positions strayed from the anchor's?
    restWindowFrames = 0;
    double drift = 0;
    for (size_t k = 0; k < count && haveRestAnchor; ++k) {
        const double xMean = restWindowSums[k].x / kRestWindow;
        const double yMean = restWindowSums[k].y / kRestWindow;
        drift = std::fmax(drift, std::hypot(xMean - restAnchor[k].x, yMean - restAnchor[k].y));
    }
    if (haveRestAnchor && drift < kRestDrift) {
        ++calmWindows;
    } else {
        // Still on the way: this window becomes the new anchor.
        restAnchor.resize(count);
        for (size_t k = 0; k < count; ++k) {
            restAnchor[k] = {restWindowSums[k].x / kRestWindow, restWindowSums[k].y / kRestWindow};
        }
        haveRestAnchor = true;
        calmWindows = 0;
    }
    atRest = calmWindows >= kCalmWindows;
}

bool GraphWindow::needsFrame() {
    // heldNode is only tested for null here: it may name a released node until the next step.
    if (tracing || heldNode != nullptr || !atRest) return true;
    // Without a tree, a step is due once the document has one to fetch.
    if (tree == nullptr) return document.model().getClusterTree() != nullptr;
    // `tree` is alive here: the document drops its tree only after calling
    // releaseLinks (tableWillChange).
    return tree->getRevision() != seenRevision;
}

// GraphWindow: the force layout, one integration step per timer tick, and
// the rest test that lets the timer skip ticks in which nothing would move.
//
// Every node carries its layout state (graphX, graphY, forceX, forceY,
// velocityX, velocityY, graphRadius: graph units, per step). The tree adds
// spring and overlap forces (ClusterTree::getForce); the step here adds a
// constant pull downwards, integrates with a fixed time step and damping,
// and keeps half of the force for the next step. Walks are pre-order; the
// order matters, since forces found for a pair act on both nodes at once.
// A step is spread over as many timer ticks as its cost asks (see
// kForceTermsPerTick), so that a tree of thousands of nodes leaves the
// program answering input between ticks.
#include "graph/GraphWindow.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "data/MultidimensionalData.h"
#include "geometry/Angles.h"
#include "model/TableModel.h"
#include "operators/ClusterTree.h"

namespace {

constexpr double kTimeStep = 0.05;     // integration step per frame
constexpr double kDamping = 0.5;       // share of the velocity (old plus this frame's impulse) kept
constexpr double kGravity = 0.05;      // constant downward pull added to forceY each frame
constexpr double kForceCarry = 0.5;    // share of the force left for the next step
constexpr double kRootX = 0.5;         // where the root sits, graph units
constexpr double kRootY = 0.7;
constexpr float kStartOffset = 0.02f;  // distance from its parent at which a new node starts
constexpr float kPiF = static_cast<float>(kPi);
constexpr float kRandScale = 4.656613e-10f;  // rand() to [0, 1)

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

// Force terms (one node's pull or push on another) a tick may weigh: about
// 1.5 ms on the project's machine while the tree stays in the cache, about
// 20 ms at 20,000 nodes. A tree of up to 500 nodes takes a whole step every
// tick; a larger one spreads its steps over several ticks.
constexpr size_t kForceTermsPerTick = 250000;

}  // namespace

void GraphWindow::layoutGraph() {
    syncWithTree();
    if (tree == nullptr || tree->getRoot() == nullptr) {
        atRest = true;  // nothing to move
        sweepNodes.clear();
        sweepNext = 0;
        return;
    }
    // A step under way goes on only over the same nodes: an edit the revision
    // did not tell, or a new tree, starts it afresh.
    if (sweepNext > 0) {
        tree->collectNodes(&treeNodes);
        if (treeNodes != sweepNodes) sweepNext = 0;
    }
    if (sweepNext == 0) {
        initializeNodePos(tree->getRoot());
        tree->collectNodes(&sweepNodes);
    }
    // Moving one node weighs the force of every node on it, so a step over n
    // nodes costs n^2 force terms: a tick moves the nodes that fit in
    // kForceTermsPerTick (at least one), the next tick goes on from there.
    const size_t count = sweepNodes.size();
    for (size_t budget = std::max<size_t>(1, kForceTermsPerTick / count); budget > 0 && sweepNext < count; --budget) {
        layoutTreenode(sweepNodes[sweepNext++]);
    }
    if (sweepNext < count) return;
    sweepNext = 0;
    recordLayoutStep();
}

void GraphWindow::initializeNodePos(AROperator* node) {
    if (!node->graphPlaced) {
        if (node->type == AROperator::kTypeRoot || node->parent == nullptr) {
            node->graphX = kRootX;
            node->graphY = kRootY;
        } else {
            // Somewhere between straight right of the parent and straight below it.
            const float r = static_cast<float>(std::rand()) * kRandScale;
            const float angle = r < 0.5f ? -r * kPiF : (r + 1.0f) * kPiF;
            node->graphX = node->parent->graphX + kStartOffset * std::cos(angle);
            node->graphY = node->parent->graphY + kStartOffset * std::sin(angle);
        }
        const MultidimensionalData* table = pcWindow != nullptr ? pcWindow->getData() : nullptr;
        const int itemCount = table != nullptr ? table->getDataNum() : 0;
        node->graphRadius = AROperator::graphRadiusForShare(
            itemCount > 0 ? static_cast<double>(node->controlList.size()) / itemCount : 0.0);
        node->graphPlaced = true;
    }
    for (AROperator* child : ::children(node)) initializeNodePos(child);
}

void GraphWindow::layoutTreenode(AROperator* node) {
    tree->getForce(node, nullptr, nullptr);
    node->forceY -= kGravity;
    node->velocityX = kDamping * (node->velocityX + kTimeStep * node->forceX);
    node->velocityY = kDamping * (node->velocityY + kTimeStep * node->forceY);
    // The root stays where it was placed; the held node where the mouse puts it.
    if (node->type == AROperator::kTypeRoot || node == heldNode) {
        node->velocityX = 0;
        node->velocityY = 0;
    }
    // Within the reach a saved session takes back.
    const double reach = ClusterTree::kGraphReach;
    node->graphX = std::clamp(node->graphX + kTimeStep * node->velocityX, -reach, reach);
    node->graphY = std::clamp(node->graphY + kTimeStep * node->velocityY, -reach, reach);
    node->forceX *= kForceCarry;
    node->forceY *= kForceCarry;
}

// --- Rest test ---------------------------------------------------------------------
//
// Each tick normally steps the layout and redraws, and each step costs a
// force pass per node over the whole tree plus the drawing. Once the layout
// has settled, those ticks change nothing visible, so the timer skips them
// until something may move again: a gesture (any mouse event), a resize, a
// new tree, or a change the view made to the tree (nodes added, removed or
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
    layoutNodes = sweepNodes;
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
    // Without a tree, a step is due once the view has one to fetch.
    if (tree == nullptr) return pcWindow != nullptr && pcWindow->getClusterTree() != nullptr;
    // `tree` is alive here: the view drops its tree only inside linkMDdata,
    // which calls releaseLinks first.
    return tree->getRevision() != seenRevision;
}

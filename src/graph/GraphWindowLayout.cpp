// GraphWindow: the force layout, one integration step per frame, and the rest
// test that lets the timer skip frames in which nothing would move.
//
// Every node carries its layout state (graphX, graphY, forceX, forceY,
// velocityX, velocityY, graphRadius: graph units, per frame). The tree adds
// spring and overlap forces (ClusterTree::getForce); the step here adds a
// constant pull downwards, integrates with a fixed time step and damping,
// and keeps half of the force for the next frame. Walks are pre-order; the
// order matters, since forces found for a pair act on both nodes at once.
#include "graph/GraphWindow.h"

#include <cmath>
#include <cstdlib>

#include "data/MultidimensionalData.h"
#include "operators/ClusterTree.h"
#include "pcview/PCWindow.h"

namespace {

constexpr double kTimeStep = 0.05;     // integration step per frame
constexpr double kDamping = 0.5;       // share of the velocity (old plus this frame's impulse) kept
constexpr double kGravity = 0.05;      // constant downward pull added to forceY each frame
constexpr double kForceCarry = 0.5;    // share of the force left for the next frame
constexpr double kRootX = 0.5;         // where the root sits, graph units
constexpr double kRootY = 0.7;
constexpr float kStartOffset = 0.02f;  // distance from its parent at which a new node starts
constexpr float kPi = 3.1415926f;
constexpr float kRandScale = 4.656613e-10f;  // rand() to [0, 1)
constexpr double kFullShareRadius = 0.05;    // radius of a node holding every item

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

template <typename Visit>
void forEachChild(const AROperator* node, Visit visit) {
    for (const ARLinks& link : node->links) {
        if (link.isParentLink == 0) visit(link.node);
    }
}

}  // namespace

void GraphWindow::layoutGraph() {
    fetchTreeFromView();
    dropReleasedNodes();
    if (tree == nullptr || tree->getRoot() == nullptr) {
        atRest = true;  // nothing to move
        return;
    }
    initializeNodePos(tree->getRoot());
    layoutTreenode(tree->getRoot());
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
            const float angle = r < 0.5f ? -r * kPi : (r + 1.0f) * kPi;
            node->graphX = node->parent->graphX + kStartOffset * std::cos(angle);
            node->graphY = node->parent->graphY + kStartOffset * std::sin(angle);
        }
        const MultidimensionalData* table = pcWindow != nullptr ? pcWindow->getData() : nullptr;
        const int itemCount = table != nullptr ? table->getDataNum() : 0;
        const double share = itemCount > 0 ? static_cast<double>(node->controlList.size()) / itemCount : 0.0;
        node->graphRadius = std::sqrt(std::exp(share - 1)) * kFullShareRadius;
        node->graphPlaced = true;
    }
    forEachChild(node, [this](AROperator* child) { initializeNodePos(child); });
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
    node->graphX += kTimeStep * node->velocityX;
    node->graphY += kTimeStep * node->velocityY;
    node->forceX *= kForceCarry;
    node->forceY *= kForceCarry;
    forEachChild(node, [this](AROperator* child) { layoutTreenode(child); });
}

// --- Rest test ---------------------------------------------------------------------
//
// Each tick normally redraws, and each frame costs a force pass per node over
// the whole tree plus the drawing. Once the layout has settled, those frames
// change nothing visible, so the timer skips them until something may move
// again: a gesture (any mouse event), a resize, a new tree, or a change the
// view made to the tree (nodes added, removed or moved to another parent, a
// radius that followed an item list, a colour). The timer finds the latter by
// comparing the live tree with the snapshot the last frame left; the
// snapshot's node pointers are only compared, never followed, since the view
// may have released those nodes. While anything moves every tick draws, so
// the animation is the same as without the test.

void GraphWindow::restartRestTest() {
    atRest = false;
    restWindowFrames = 0;
    haveRestAnchor = false;
    calmWindows = 0;
}

void GraphWindow::recordLayoutStep() {
    size_t count = 0;
    bool sameNodes = true;
    takeSnapshot(tree->getRoot(), &count, &sameNodes);
    sameNodes = sameNodes && count == restSnapshot.size();
    restSnapshot.resize(count);
    if (!sameNodes) restartRestTest();

    if (restWindowFrames == 0) restWindowSums.assign(count, {0, 0});
    for (size_t k = 0; k < count; ++k) {
        restWindowSums[k].x += restSnapshot[k].graphX;
        restWindowSums[k].y += restSnapshot[k].graphY;
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

void GraphWindow::takeSnapshot(const AROperator* node, size_t* count, bool* sameNodes) {
    const NodeSnapshot seen{node, node->parent, node->graphX, node->graphY, node->graphRadius, node->color,
                            node->type, node->primary};
    if (*count < restSnapshot.size()) {
        *sameNodes = *sameNodes && restSnapshot[*count].node == node && restSnapshot[*count].parent == node->parent;
        restSnapshot[*count] = seen;
    } else {
        restSnapshot.push_back(seen);
        *sameNodes = false;
    }
    ++*count;
    forEachChild(node, [&](const AROperator* child) { takeSnapshot(child, count, sameNodes); });
}

bool GraphWindow::matchesSnapshot(const AROperator* node, size_t* index) const {
    if (*index >= restSnapshot.size()) return false;
    const NodeSnapshot& seen = restSnapshot[(*index)++];
    const bool same = seen.node == node && seen.parent == node->parent && seen.graphX == node->graphX &&
                      seen.graphY == node->graphY && seen.graphRadius == node->graphRadius &&
                      seen.color.r == node->color.r && seen.color.g == node->color.g &&
                      seen.color.b == node->color.b && seen.color.a == node->color.a && seen.type == node->type &&
                      seen.primary == node->primary;
    if (!same) return false;
    for (const ARLinks& link : node->links) {
        if (link.isParentLink == 0 && !matchesSnapshot(link.node, index)) return false;
    }
    return true;
}

bool GraphWindow::needsFrame() {
    // heldNode is only tested for null here: it may name a released node until the next frame.
    if (tracing || heldNode != nullptr || !atRest) return true;
    // Without a tree, a frame is due once the view has one to fetch.
    if (tree == nullptr) return pcWindow != nullptr && pcWindow->getClusterTree() != nullptr;
    // `tree` is alive here: the view drops its tree only inside linkMDdata,
    // which calls releaseLinks before any tick can run.
    size_t index = 0;
    const bool unchanged =
        tree->getRoot() != nullptr && matchesSnapshot(tree->getRoot(), &index) && index == restSnapshot.size();
    if (unchanged) return false;
    restartRestTest();  // the change may set nodes moving
    return true;
}

#include "operators/GraphLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "geometry/Angles.h"
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

}  // namespace

bool GraphLayout::tick(ClusterTree& tree, int itemCount, const AROperator* heldNode) {
    if (tree.getRoot() == nullptr) {
        restart();
        sweepNodes.clear();
        return false;
    }
    // A step under way goes on only over the same nodes: an edit, or a new
    // tree, starts it afresh.
    if (sweepNext > 0) {
        tree.collectNodes(&treeNodes);
        if (treeNodes != sweepNodes) sweepNext = 0;
    }
    if (sweepNext == 0) {
        placeNewNodes(tree.getRoot(), itemCount);
        tree.collectNodes(&sweepNodes);
    }
    // Moving one node weighs the force of every node on it: a tick moves the
    // nodes that fit in kForceTermsPerTick (at least one), the next tick goes
    // on from there.
    const size_t count = sweepNodes.size();
    for (size_t budget = std::max<size_t>(1, kForceTermsPerTick / count); budget > 0 && sweepNext < count; --budget) {
        moveNode(tree, sweepNodes[sweepNext++], heldNode);
    }
    if (sweepNext < count) return false;
    sweepNext = 0;
    return true;
}

void GraphLayout::restart() { sweepNext = 0; }

void GraphLayout::placeNewNodes(AROperator* node, int itemCount) {
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
        node->graphRadius = AROperator::graphRadiusForShare(
            itemCount > 0 ? static_cast<double>(node->controlList.size()) / itemCount : 0.0);
        node->graphPlaced = true;
    }
    for (AROperator* child : children(node)) placeNewNodes(child, itemCount);
}

void GraphLayout::moveNode(ClusterTree& tree, AROperator* node, const AROperator* heldNode) {
    tree.getForce(node, nullptr, nullptr);
    node->forceY -= kGravity;
    node->velocityX = kDamping * (node->velocityX + kTimeStep * node->forceX);
    node->velocityY = kDamping * (node->velocityY + kTimeStep * node->forceY);
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

void GraphLayout::putNode(AROperator* node, double xGraph, double yGraph) {
    const double reach = ClusterTree::kGraphReach;
    node->graphX = std::clamp(xGraph, -reach, reach);
    node->graphY = std::clamp(yGraph, -reach, reach);
}

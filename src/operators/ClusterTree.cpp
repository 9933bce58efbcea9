#include "operators/ClusterTree.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "data/MultidimensionalData.h"
#include "pcview/PCWindow.h"
#include "pcview/ParallelCoordinatesAxis.h"

namespace {

// The lock icon beside an operator, offsets from its centre in view units (x divided by the aspect).
constexpr float kLockLeft = 0.012f;
constexpr float kLockRight = 0.052f;
constexpr float kLockTop = 0.012f;     // below the centre
constexpr float kLockBottom = 0.052f;  // below the centre

constexpr double kRelativeYBase = 0.1;
constexpr double kRelativeYSpan = 0.8;

constexpr double kSpringStiffness = 0.25;  // pull of a link towards its rest length
constexpr double kOverlapPush = 2.0;       // push apart overlapping unlinked circles
constexpr double kClearance = 0.05;        // gap kept between unlinked circles, graph units
constexpr double kMinDistance = 1e-8;

template <typename Visit>
void forEachChild(const AROperator* node, Visit visit) {
    for (const ARLinks& link : node->links) {
        if (link.isParentLink == 0) visit(link.node);
    }
}

std::vector<AROperator*> childrenOf(const AROperator* node) {
    std::vector<AROperator*> children;
    forEachChild(node, [&](AROperator* child) { children.push_back(child); });
    return children;
}

// Moves `child` under `newParent`, at the front of its links.
void reparent(AROperator* child, AROperator* newParent) {
    double length = AROperator::kLinkLength;
    for (ARLinks& link : child->links) {
        if (link.isParentLink == 1) {
            link.node = newParent;
            length = link.length;
        }
    }
    child->parent = newParent;
    newParent->links.insert(newParent->links.begin(), {child, 0, length});
}

void unlinkChild(AROperator* parent, const AROperator* child) {
    auto& links = parent->links;
    links.erase(std::remove_if(links.begin(), links.end(),
                               [&](const ARLinks& l) { return l.isParentLink == 0 && l.node == child; }),
                links.end());
}

}  // namespace

ClusterTree::ClusterTree(PCWindow* view) : pcWindow(view) {
    root = new AROperator(AROperator::kTypeRoot, nullptr);
    root->linkPCWindow(view);
    initializeRootNode();
    focused = root;
}

ClusterTree::~ClusterTree() { releaseTree(); }

void ClusterTree::initializeRootNode() {
    const int itemCount = pcWindow->getData()->getDataNum();
    root->controlList.clear();
    for (int i = 0; i < itemCount; ++i) root->controlList.push_back(i);
    root->updateHistogram();
    root->color = Color4(0.4f, 0.4f, 0.4f, 0.75f);
    root->angularHistogram.clear();
}

AROperator* ClusterTree::addAR(PCWindow* view, float x, float y, bool primary, Color4 color) {
    auto op = std::make_unique<AROperator>(view, x, y, primary, color);
    if (!op->isPlaced()) return nullptr;  // outside every region between two axes
    AROperator* added = op.release();     // owned by the tree from here on
    linkNodes(focused, added);
    added->determineParameters();
    added->updateControlList();
    added->changed = true;
    return added;
}

void ClusterTree::linkNodes(AROperator* parent, AROperator* child) {
    child->parent = parent;
    parent->links.insert(parent->links.begin(), {child, 0, AROperator::kLinkLength});
    child->links.push_back({parent, 1, AROperator::kLinkLength});
}

bool ClusterTree::removeAR(AROperator* op) {
    listsChanged.clear();
    const bool removed = removeTreenode(root, op);
    if (removed) refreshChangedNodes();
    return removed;
}

bool ClusterTree::removeTreenode(AROperator* current, AROperator* target) {
    if (current != target) {
        for (AROperator* child : childrenOf(current)) {
            if (removeTreenode(child, target)) return true;
        }
        return false;
    }
    AROperator* removed = target;
    AROperator* parent = removed->parent;
    if (parent == nullptr) return false;  // the root stays

    // Children move up to the parent (ending in reverse order at its front).
    for (AROperator* child : childrenOf(removed)) reparent(child, parent);
    removed->links.erase(std::remove_if(removed->links.begin(), removed->links.end(),
                                        [](const ARLinks& l) { return l.isParentLink == 0; }),
                         removed->links.end());

    // The removed node's items go back to the parent's complementary child. A
    // complementary node being removed hands them to the complementary child
    // that came up from below it, so that the leaves still show every item.
    AROperator* complement = nullptr;
    if (removed->type == AROperator::kTypeComplementary) {
        forEachChild(parent, [&](AROperator* child) {
            if (child != removed && child->type == AROperator::kTypeComplementary) complement = child;
        });
    }
    if (complement == nullptr) complement = removed->getComplementaryAR();
    if (complement != removed) appendMissingItems(complement, removed->controlList);

    unlinkChild(parent, removed);
    if (focused == removed) focused = root;
    delete removed;

    // Two or more complementary children: keep the last, merge the others into it,
    // and move what stood below a merged node under the one that stays.
    std::vector<AROperator*> complements;
    forEachChild(parent, [&](AROperator* child) {
        if (child->type == AROperator::kTypeComplementary) complements.push_back(child);
    });
    if (complements.size() >= 2) {
        AROperator* kept = complements.back();
        for (auto it = complements.rbegin() + 1; it != complements.rend(); ++it) {
            AROperator* merged = *it;
            appendMissingItems(kept, merged->controlList);
            unlinkChild(parent, merged);
            for (AROperator* child : childrenOf(merged)) reparent(child, kept);
            if (focused == merged) focused = root;
            delete merged;
        }
        // Operators that came up under the kept node leave its items to its
        // complementary child, where the leaves show them.
        if (!kept->noChildren()) {
            AROperator* keptComplement = nullptr;
            forEachChild(kept, [&](AROperator* child) {
                if (child->type == AROperator::kTypeComplementary) keptComplement = child;
            });
            if (keptComplement != nullptr) {
                appendMissingItems(keptComplement, kept->controlList);
            } else {
                listsChanged.push_back(childrenOf(kept).front()->getComplementaryAR());
            }
        }
    }

    // A parent left with a single child takes that child's place.
    const std::vector<AROperator*> remaining = childrenOf(parent);
    if (remaining.size() == 1) removeTreenode(parent, remaining.front());
    return true;
}

void ClusterTree::appendMissingItems(AROperator* into, const std::vector<int>& from) {
    const int itemCount = pcWindow->getData()->getDataNum();
    std::vector<char> held(static_cast<size_t>(itemCount), 0);
    for (int item : into->controlList) {
        if (item >= 0 && item < itemCount) held[item] = 1;
    }
    bool grew = false;
    for (int item : from) {
        if (item < 0 || item >= itemCount || held[item]) continue;
        held[item] = 1;
        into->controlList.push_back(item);
        grew = true;
    }
    if (grew) listsChanged.push_back(into);
}

void ClusterTree::refreshChangedNodes() {
    std::vector<AROperator*> alive;
    collectNodes(&alive);
    for (AROperator* node : listsChanged) {
        if (std::find(alive.begin(), alive.end(), node) == alive.end()) continue;  // released since
        node->rebuildOwnHistogram();
        node->updateGraphRadius();
    }
    listsChanged.clear();
}

// --- Hit tests -----------------------------------------------------------------

bool ClusterTree::isInBounding(float x, float y, AROperator** found) { return isInTreenodeBounding(x, y, root, found); }

bool ClusterTree::isInTreenodeBounding(float x, float y, AROperator* node, AROperator** found) {
    if (node->type == AROperator::kTypeRegular &&
        Point2::getDistance(x, y, node->position.x, node->position.y) < node->radius) {
        *found = node;  // nested operators below it are not looked at
        return true;
    }
    bool hit = false;
    forEachChild(node, [&](AROperator* child) {
        if (isInTreenodeBounding(x, y, child, found)) hit = true;  // later hits win
    });
    return hit;
}

bool ClusterTree::isNearOp(float x, float y, AROperator** found) { return isNearTreenode(x, y, root, found); }

bool ClusterTree::isNearTreenode(float x, float y, AROperator* node, AROperator** found) {
    if (node->type == AROperator::kTypeRegular &&
        Point2::getDistance(x, y, node->position.x, node->position.y) < kNearDistance) {
        *found = node;
        return true;
    }
    for (AROperator* child : childrenOf(node)) {
        if (isNearTreenode(x, y, child, found)) return true;
    }
    return false;
}

bool ClusterTree::isInLockRegion(float x, float y, AROperator** found) {
    const float aspect = static_cast<float>(pcWindow->w()) / static_cast<float>(std::max(pcWindow->h(), 1));
    std::vector<AROperator*> nodes;
    collectNodes(&nodes);
    for (AROperator* node : nodes) {
        if (node->type != AROperator::kTypeRegular) continue;
        const float cx = node->position.x;
        const float cy = node->position.y;
        if (cx + kLockLeft / aspect < x && x < cx + kLockRight / aspect && cy - kLockBottom < y &&
            y < cy - kLockTop) {
            *found = node;
            return true;
        }
    }
    return false;
}

bool ClusterTree::isNearOpInGraph(float x, float y, AROperator** found) {
    return isNearTreenodeInGraph(x, y, root, found);
}

bool ClusterTree::isNearTreenodeInGraph(float x, float y, AROperator* node, AROperator** found) {
    if (Point2::getDistance(x, y, static_cast<float>(node->graphX), static_cast<float>(node->graphY)) <
        node->graphRadius) {
        *found = node;
        return true;
    }
    for (AROperator* child : childrenOf(node)) {
        if (isNearTreenodeInGraph(x, y, child, found)) return true;
    }
    return false;
}

// --- Walks -----------------------------------------------------------------------

void ClusterTree::getAllNodes(std::queue<AROperator*>* nodes) { getNodesInSubTree(nodes, root); }

void ClusterTree::getNodesInSubTree(std::queue<AROperator*>* nodes, AROperator* node) {
    nodes->push(node);
    forEachChild(node, [&](AROperator* child) { getNodesInSubTree(nodes, child); });
}

void ClusterTree::getAllLeafNodes_DepthFirst(std::deque<AROperator*>* leaves) { getLeafNodesInSubTree(leaves, root); }

void ClusterTree::getLeafNodesInSubTree(std::deque<AROperator*>* leaves, AROperator* node) {
    if (node->noChildren()) {
        leaves->push_front(node);
        return;
    }
    forEachChild(node, [&](AROperator* child) { getLeafNodesInSubTree(leaves, child); });
}

void ClusterTree::collectNodes(std::vector<AROperator*>* nodes) const {
    nodes->clear();
    if (root != nullptr) appendSubtree(nodes, root);
}

void ClusterTree::appendSubtree(std::vector<AROperator*>* nodes, AROperator* node) {
    nodes->push_back(node);
    forEachChild(node, [&](AROperator* child) { appendSubtree(nodes, child); });
}

bool ClusterTree::contains(const AROperator* node) const { return isInSubtree(node, root); }

bool ClusterTree::isInSubtree(const AROperator* node, const AROperator* subtreeRoot) const {
    if (subtreeRoot == nullptr) return false;
    if (node == subtreeRoot) return true;
    bool found = false;
    forEachChild(subtreeRoot, [&](AROperator* child) { found = found || isInSubtree(node, child); });
    return found;
}

// --- Axis moves and graph forces -------------------------------------------------

void ClusterTree::updateOperatorsPos() { updateTreenodePos(root); }

void ClusterTree::updateTreenodePos(AROperator* node) {
    if (node->type == AROperator::kTypeRegular && node->isPlaced()) {
        const ParallelCoordinatesAxis* axes = pcWindow->getAxes();
        const float left = axes->getAxisPosition(node->leftAxis);
        const float right = axes->getAxisPosition(node->leftAxis + 1);
        node->position.setPoint(static_cast<float>(left + (right - left) * node->relativeX),
                                static_cast<float>(kRelativeYSpan * node->relativeY + kRelativeYBase));
        node->updateBoundingOval();
    }
    forEachChild(node, [&](AROperator* child) { updateTreenodePos(child); });
}

void ClusterTree::getForce(AROperator* target, float* unusedX, float* unusedY) {
    collectForceInTree(root, target, unusedX, unusedY);
}

void ClusterTree::collectForceInTree(AROperator* node, AROperator* target, float* unusedX, float* unusedY) {
    const bool exertsForce = node->primary || node->type == AROperator::kTypeRoot ||
                             node->type == AROperator::kTypeComplementary;
    if (exertsForce) {
        double restLength = node->graphRadius + target->graphRadius;
        bool linked = false;
        for (const ARLinks& link : node->links) {
            if (link.node == target) {
                restLength += link.length;
                linked = true;
            }
        }
        const float dx = static_cast<float>(node->graphX - target->graphX);
        const float dy = static_cast<float>(node->graphY - target->graphY);
        const double distance = std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy);
        const double safeDistance = distance < kMinDistance ? kMinDistance : distance;
        double scale = 0;
        if (linked) {
            scale = kSpringStiffness * (restLength - distance) / restLength / safeDistance;
        } else {
            restLength += kClearance;
            if (distance < restLength) scale = kOverlapPush * restLength / safeDistance;
        }
        node->forceX += scale * dx;
        node->forceY += scale * dy;
        target->forceX -= scale * dx;
        target->forceY -= scale * dy;
    }
    forEachChild(node, [&](AROperator* child) { collectForceInTree(child, target, unusedX, unusedY); });
}

void ClusterTree::releaseTree() {
    if (root != nullptr) releaseSubtree(root);
    root = nullptr;
    focused = nullptr;
}

void ClusterTree::releaseSubtree(AROperator* node) {
    for (AROperator* child : childrenOf(node)) releaseSubtree(child);
    delete node;
}

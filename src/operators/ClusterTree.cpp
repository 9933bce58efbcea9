#include "operators/ClusterTree.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "data/MultidimensionalData.h"
#include "layout/DrawRegion.h"
#include "layout/ParallelCoordinatesAxis.h"
#include "operators/ViewLayout.h"

namespace {

constexpr double kRelativeYBase = 0.1;
constexpr double kRelativeYSpan = 0.8;

constexpr double kSpringStiffness = 0.25;  // pull of a link towards its rest length
constexpr double kOverlapPush = 2.0;       // push apart overlapping unlinked circles
constexpr double kClearance = 0.05;        // gap kept between unlinked circles, graph units
constexpr double kMinDistance = 1e-8;

// The children of `node`, copied: for walks that change the links.
std::vector<AROperator*> childrenOf(const AROperator* node) {
    std::vector<AROperator*> list;
    for (AROperator* child : children(node)) list.push_back(child);
    return list;
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

ClusterTree::ClusterTree(const ViewLayout* view) : pcWindow(view) {
    root = adopt(std::make_unique<AROperator>(AROperator::kTypeRoot, nullptr));
    root->linkPCWindow(view);
    initializeRootNode();
    focused = root;
}

ClusterTree::~ClusterTree() { releaseTree(); }

AROperator* ClusterTree::adopt(std::unique_ptr<AROperator> node) {
    node->id = nextId++;
    node->revision = revision;
    nodeStore.push_back(std::move(node));
    return nodeStore.back().get();
}

void ClusterTree::release(AROperator* node) {
    if (focused == node) focused = root == node ? nullptr : root;
    auto owned = std::find_if(nodeStore.begin(), nodeStore.end(),
                              [node](const std::unique_ptr<AROperator>& held) { return held.get() == node; });
    if (owned != nodeStore.end()) nodeStore.erase(owned);
}

void ClusterTree::initializeRootNode() {
    const int itemCount = pcWindow->getData()->getDataNum();
    root->controlList.clear();
    for (int i = 0; i < itemCount; ++i) root->controlList.push_back(i);
    root->updateHistogram();
    root->color = Color4(0.4f, 0.4f, 0.4f, 0.75f);
    root->angularHistogram.clear();
}

AROperator* ClusterTree::addAR(const ViewLayout* view, float x, float y, bool primary, Color4 color) {
    auto made = std::make_unique<AROperator>(view, x, y, primary, color);
    if (!made->isPlaced()) return nullptr;  // outside every region between two axes
    AROperator* added = adopt(std::move(made));
    linkNodes(focused, added);
    added->determineParameters();
    added->updateControlList();
    // The new operator took items from its complementary sibling: what stands
    // below that sibling shares out its smaller list.
    AROperator* complement = added->getComplementaryAR();
    if (complement != nullptr) repartition(complement, {});
    ++revision;
    added->revision = revision;
    if (complement != nullptr) stampSubtree(complement);
    return added;
}

void ClusterTree::linkNodes(AROperator* parent, AROperator* child) {
    child->parent = parent;
    parent->links.insert(parent->links.begin(), {child, 0, AROperator::kLinkLength});
    child->links.push_back({parent, 1, AROperator::kLinkLength});
    if (child->type == AROperator::kTypeRegular) ensureComplement(parent);
}

AROperator* ClusterTree::ensureComplement(AROperator* parent) {
    if (AROperator* existing = complementOf(parent)) return existing;
    AROperator* made = adopt(std::make_unique<AROperator>(AROperator::kTypeComplementary, parent));
    made->parent = parent;
    parent->links.push_back({made, 0, AROperator::kLinkLength});
    made->links.push_back({parent, 1, AROperator::kLinkLength});
    made->controlList = parent->controlList;
    return made;
}

// --- Removal ---------------------------------------------------------------------

bool ClusterTree::removeAR(AROperator* op) {
    if (op == nullptr || !contains(op) || op->parent == nullptr) return false;  // the root stays
    AROperator* parent = op->parent;
    std::vector<AROperator*> movedUp;
    detachNode(op, &movedUp);
    repartition(parent, movedUp);
    ++revision;
    stampSubtree(parent);
    return true;
}

void ClusterTree::detachNode(AROperator* removed, std::vector<AROperator*>* movedUp) {
    AROperator* parent = removed->parent;
    for (AROperator* child : childrenOf(removed)) {
        reparent(child, parent);  // they end in reverse order at the parent's front
        movedUp->push_back(child);
    }
    unlinkChild(parent, removed);
    release(removed);

    // Two or more complementary children: keep the last, and move what stood
    // below the others under it.
    std::vector<AROperator*> complements;
    for (AROperator* child : children(parent)) {
        if (child->type == AROperator::kTypeComplementary) complements.push_back(child);
    }
    if (complements.size() >= 2) {
        AROperator* kept = complements.back();
        for (auto merged = complements.rbegin() + 1; merged != complements.rend(); ++merged) {
            unlinkChild(parent, *merged);
            mergeComplement(*merged, kept, movedUp);
        }
    }

    // A parent left with a single child takes that child's place.
    const std::vector<AROperator*> remaining = childrenOf(parent);
    if (remaining.size() == 1) detachNode(remaining.front(), movedUp);
    // Nodes released on the way are no longer "moved up".
    movedUp->erase(std::remove_if(movedUp->begin(), movedUp->end(), [this](AROperator* node) { return !contains(node); }),
                   movedUp->end());
}

void ClusterTree::mergeComplement(AROperator* from, AROperator* into, std::vector<AROperator*>* movedUp) {
    for (AROperator* child : childrenOf(from)) {
        if (child->type == AROperator::kTypeComplementary) continue;
        reparent(child, into);
        movedUp->push_back(child);
    }
    // The rest below `from` joins the rest below `into`: two complementary
    // children under one node would both claim the node's remaining items.
    if (AROperator* rest = complementOf(from)) {
        unlinkChild(from, rest);
        if (AROperator* intoRest = complementOf(into)) {
            mergeComplement(rest, intoRest, movedUp);
        } else {
            for (ARLinks& link : rest->links) {
                if (link.isParentLink == 1) link.node = into;
            }
            rest->parent = into;
            into->links.push_back({rest, 0, AROperator::kLinkLength});  // complementary children come last
        }
    }
    release(from);
}

void ClusterTree::repartition(AROperator* node, const std::vector<AROperator*>& movedUp) {
    if (node->noChildren()) return;
    AROperator* complement = ensureComplement(node);
    const int itemCount = pcWindow->getData()->getDataNum();
    std::vector<char> inNode(static_cast<size_t>(itemCount), 0);
    std::vector<char> taken(static_cast<size_t>(itemCount), 0);
    for (int item : node->controlList) {
        if (item >= 0 && item < itemCount) inNode[item] = 1;
    }
    auto keepable = [&](int item) { return item >= 0 && item < itemCount && inNode[item] && !taken[item]; };
    auto recaptures = [&](const AROperator* child) {
        return !child->locked && std::find(movedUp.begin(), movedUp.end(), child) != movedUp.end();
    };

    // Children whose items are those they held: their histograms stand (a
    // list is only ever filtered here, so the same length means the same items).
    std::vector<const AROperator*> sameItems;
    // Regular children, oldest first (the order in which they took their items).
    std::vector<AROperator*> regulars;
    for (AROperator* child : children(node)) {
        if (child->type == AROperator::kTypeRegular) regulars.push_back(child);
    }
    std::reverse(regulars.begin(), regulars.end());
    for (AROperator* child : regulars) {
        if (recaptures(child)) {
            child->controlList.clear();
            continue;
        }
        std::vector<int> kept;
        kept.reserve(child->controlList.size());
        for (int item : child->controlList) {
            if (!keepable(item)) continue;
            taken[item] = 1;
            kept.push_back(item);
        }
        if (kept.size() == child->controlList.size()) sameItems.push_back(child);
        child->controlList.swap(kept);
    }

    // The complementary child: what it held of the rest, in its order, then
    // the rest it did not hold, in the node's order.
    std::vector<int> rest;
    rest.reserve(node->controlList.size());
    for (int item : complement->controlList) {
        if (!keepable(item)) continue;
        taken[item] = 1;
        rest.push_back(item);
    }
    const size_t keptOfComplement = rest.size();
    for (int item : node->controlList) {
        if (!keepable(item)) continue;
        taken[item] = 1;
        rest.push_back(item);
    }
    // It kept all it held and took nothing more: the same items.
    if (keptOfComplement == complement->controlList.size() && rest.size() == keptOfComplement) {
        sameItems.push_back(complement);
    }
    complement->controlList.swap(rest);

    // Operators that came from elsewhere take their items as a moved operator
    // does, in the order in which they took them where they were before,
    // oldest first: of two that both cover an item, the one that held it
    // keeps it. (Moving up reversed their order among this node's links, and
    // movedUp lists each former parent's children newest first. A node moved
    // up twice takes the same items again.)
    for (auto moved = movedUp.rbegin(); moved != movedUp.rend(); ++moved) {
        AROperator* child = *moved;
        if (child->parent == node && child->type == AROperator::kTypeRegular && recaptures(child)) {
            child->updateControlList();
            // It took its items from the complementary child.
            sameItems.erase(std::remove(sameItems.begin(), sameItems.end(), complement), sameItems.end());
        }
    }
    for (AROperator* child : children(node)) {
        const bool same = std::find(sameItems.begin(), sameItems.end(), child) != sameItems.end();
        if (!same || child->histogram.empty()) child->rebuildOwnHistogram();
        child->updateGraphRadius();
        repartition(child, movedUp);
    }
}

// --- Edits of one operator ---------------------------------------------------------

void ClusterTree::recapture(AROperator* op) {
    op->updateControlList();
    // Items moved between the operator and its complementary sibling: what
    // stands below either of them shares out their new lists.
    AROperator* complement = op->getComplementaryAR();
    repartition(op, {});
    if (complement != nullptr) repartition(complement, {});
    ++revision;
    stampSubtree(op);
    if (complement != nullptr) stampSubtree(complement);
}

void ClusterTree::moveOperator(AROperator* op, float xView, float yView) {
    op->position.setPoint(xView, std::clamp(yView, kMinDragYView, kMaxDragYView));
    op->updatePosInfo();  // keeps the operator inside its region
    recapture(op);
}

void ClusterTree::setOperatorAngle(AROperator* op, double angle) {
    op->angle = angle;
    recapture(op);
}

void ClusterTree::setOperatorRadius(AROperator* op, double radius) {
    op->radius = radius;
    recapture(op);
}

void ClusterTree::setOperatorAngleWidth(AROperator* op, double angleWidth) {
    op->angleWidth = angleWidth;
    recapture(op);
}

void ClusterTree::toggleLock(AROperator* op) {
    op->locked = !op->locked;
    ++revision;
    op->revision = revision;
}

void ClusterTree::paintNode(AROperator* node, const Color4& colour) {
    if (node->type != AROperator::kTypeRegular) return;
    ++revision;
    node->color = colour;
    node->revision = revision;
    if (AROperator* complement = complementOf(node)) {
        complement->color = colour;
        complement->revision = revision;
    }
}

void ClusterTree::stampSubtree(AROperator* node) {
    node->revision = revision;
    for (AROperator* child : children(node)) stampSubtree(child);
}

// --- Hit tests -----------------------------------------------------------------

bool ClusterTree::isInBounding(float x, float y, AROperator** found) const { return isInTreenodeBounding(x, y, root, found); }

bool ClusterTree::isInTreenodeBounding(float x, float y, AROperator* node, AROperator** found) const {
    if (node->type == AROperator::kTypeRegular &&
        Point2::getDistance(x, y, node->position.x, node->position.y) < node->radius) {
        *found = node;  // nested operators below it are not looked at
        return true;
    }
    bool hit = false;
    for (AROperator* child : children(node)) {
        if (isInTreenodeBounding(x, y, child, found)) hit = true;  // later hits win
    }
    return hit;
}

bool ClusterTree::isNearOp(float x, float y, AROperator** found) const { return isNearTreenode(x, y, root, found); }

bool ClusterTree::isNearTreenode(float x, float y, AROperator* node, AROperator** found) const {
    if (node->type == AROperator::kTypeRegular &&
        Point2::getDistance(x, y, node->position.x, node->position.y) < kNearDistance) {
        *found = node;
        return true;
    }
    for (AROperator* child : children(node)) {
        if (isNearTreenode(x, y, child, found)) return true;
    }
    return false;
}

bool ClusterTree::isInLockRegion(float x, float y, AROperator** found) const {
    const float aspect = pcWindow->getAspect();
    std::vector<AROperator*> nodes;
    collectNodes(&nodes);
    for (AROperator* node : nodes) {
        if (node->type == AROperator::kTypeRegular && node->lockIconRect(aspect).contains(x, y)) {
            *found = node;
            return true;
        }
    }
    return false;
}

bool ClusterTree::isNearOpInGraph(float x, float y, AROperator** found) const {
    return isNearTreenodeInGraph(x, y, root, found);
}

bool ClusterTree::isNearTreenodeInGraph(float x, float y, AROperator* node, AROperator** found) const {
    if (Point2::getDistance(x, y, static_cast<float>(node->graphX), static_cast<float>(node->graphY)) <
        node->graphRadius) {
        *found = node;
        return true;
    }
    for (AROperator* child : children(node)) {
        if (isNearTreenodeInGraph(x, y, child, found)) return true;
    }
    return false;
}

// --- Walks -----------------------------------------------------------------------

void ClusterTree::getAllLeafNodes_DepthFirst(std::deque<AROperator*>* leaves) const { getLeafNodesInSubTree(leaves, root); }

void ClusterTree::getLeafNodesInSubTree(std::deque<AROperator*>* leaves, AROperator* node) const {
    if (node->noChildren()) {
        leaves->push_front(node);
        return;
    }
    for (AROperator* child : children(node)) getLeafNodesInSubTree(leaves, child);
}

void ClusterTree::collectNodes(std::vector<AROperator*>* nodes) const {
    nodes->clear();
    if (root != nullptr) appendSubtree(nodes, root);
}

void ClusterTree::appendSubtree(std::vector<AROperator*>* nodes, AROperator* node) {
    nodes->push_back(node);
    for (AROperator* child : children(node)) appendSubtree(nodes, child);
}

bool ClusterTree::contains(const AROperator* node) const { return isInSubtree(node, root); }

bool ClusterTree::isInSubtree(const AROperator* node, const AROperator* subtreeRoot) const {
    if (node == nullptr || subtreeRoot == nullptr) return false;
    if (node == subtreeRoot) return true;
    for (AROperator* child : children(subtreeRoot)) {
        if (isInSubtree(node, child)) return true;
    }
    return false;
}

// --- Axis moves and graph forces -------------------------------------------------

void ClusterTree::updateOperatorsPos() {
    ++revision;
    updateTreenodePos(root);
}

void ClusterTree::updateTreenodePos(AROperator* node) {
    if (node->type == AROperator::kTypeRegular && node->isPlaced()) {
        const ParallelCoordinatesAxis* axes = pcWindow->getAxes();
        const float left = axes->getAxisPosition(node->leftAxis);
        const float right = axes->getAxisPosition(node->leftAxis + 1);
        node->position.setPoint(static_cast<float>(left + (right - left) * node->relativeX),
                                static_cast<float>(kRelativeYSpan * node->relativeY + kRelativeYBase));
    }
    node->revision = revision;
    for (AROperator* child : children(node)) updateTreenodePos(child);
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
    for (AROperator* child : children(node)) collectForceInTree(child, target, unusedX, unusedY);
}

std::vector<ClusterTree::NodeState> ClusterTree::saveNodes(bool withItems) const {
    std::vector<AROperator*> nodes;
    collectNodes(&nodes);
    std::vector<NodeState> states;
    states.reserve(nodes.size());
    // Each node's list index, for its children (a parent comes before them).
    std::unordered_map<const AROperator*, int> indexOfNode;
    indexOfNode.reserve(nodes.size());
    for (const AROperator* node : nodes) {
        NodeState state;
        const auto parent = node->parent != nullptr ? indexOfNode.find(node->parent) : indexOfNode.end();
        state.parent = parent != indexOfNode.end() ? parent->second : -1;
        indexOfNode.emplace(node, static_cast<int>(states.size()));
        state.type = node->type;
        state.x = node->position.x;
        state.y = node->position.y;
        state.angle = node->angle;
        state.radius = node->radius;
        state.angleWidth = node->angleWidth;
        state.strength = node->strength;
        state.tangentWeight = node->tangentWeight;
        state.primary = node->primary;
        state.locked = node->locked;
        state.color = node->color;
        if (withItems) state.items = node->controlList;
        state.graphPlaced = node->graphPlaced;
        state.graphX = node->graphX;
        state.graphY = node->graphY;
        state.id = node->id;
        state.leftAxis = node->leftAxis;
        state.relativeX = node->relativeX;
        state.relativeY = node->relativeY;
        state.axisSpacing = node->axisSpacing;
        states.push_back(std::move(state));
    }
    return states;
}

int ClusterTree::indexOf(const AROperator* node) const {
    std::vector<AROperator*> nodes;
    collectNodes(&nodes);
    const auto found = std::find(nodes.begin(), nodes.end(), node);
    return found == nodes.end() ? -1 : static_cast<int>(found - nodes.begin());
}

void ClusterTree::restoreNodes(const std::vector<NodeState>& states, int focusedIndex) {
    nodeStore.clear();
    root = focused = nullptr;
    std::vector<AROperator*> made;
    made.reserve(states.size());
    for (const NodeState& state : states) {
        AROperator* parent = state.parent >= 0 && state.parent < static_cast<int>(made.size()) ? made[state.parent] : nullptr;
        std::unique_ptr<AROperator> node;
        if (state.type == AROperator::kTypeRegular) {
            node = std::make_unique<AROperator>(pcWindow, state.x, state.y, state.primary, state.color);
        } else {
            node = std::make_unique<AROperator>(parent == nullptr ? AROperator::kTypeRoot : state.type, parent);
            node->linkPCWindow(pcWindow);
            node->position.setPoint(state.x, state.y);
        }
        node->angle = state.angle;
        node->radius = state.radius;
        node->angleWidth = state.angleWidth;
        node->strength = state.strength;
        node->tangentWeight = state.tangentWeight;
        node->locked = state.locked;
        node->color = state.color;
        node->controlList = state.items;
        node->graphPlaced = state.graphPlaced;
        node->graphX = state.graphX;
        node->graphY = state.graphY;
        AROperator* added = adopt(std::move(node));
        if (parent == nullptr) {
            root = added;
        } else {
            added->parent = parent;
            parent->links.push_back({added, 0, AROperator::kLinkLength});  // in the saved link order
            added->links.push_back({parent, 1, AROperator::kLinkLength});
        }
        made.push_back(added);
    }
    for (AROperator* node : made) {
        node->rebuildOwnHistogram();
        node->updateGraphRadius();
    }
    focused = focusedIndex >= 0 && focusedIndex < static_cast<int>(made.size()) ? made[focusedIndex] : root;
    ++revision;
    if (root != nullptr) stampSubtree(root);
}

namespace {

// The parameters of a node that the history puts back (not its links, list or graph place).
void setParameters(AROperator* node, const ClusterTree::NodeState& state) {
    node->position.setPoint(state.x, state.y);
    node->angle = state.angle;
    node->radius = state.radius;
    node->angleWidth = state.angleWidth;
    node->strength = state.strength;
    node->tangentWeight = state.tangentWeight;
    node->primary = state.primary;
    node->locked = state.locked;
    node->color = state.color;
    node->leftAxis = state.leftAxis;
    node->relativeX = state.relativeX;
    node->relativeY = state.relativeY;
    node->axisSpacing = state.axisSpacing;
}

bool sameColour(const Color4& a, const Color4& b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

bool sameParameters(const AROperator& node, const ClusterTree::NodeState& state) {
    return node.position.x == state.x && node.position.y == state.y && node.angle == state.angle &&
           node.radius == state.radius && node.angleWidth == state.angleWidth && node.strength == state.strength &&
           node.tangentWeight == state.tangentWeight && node.primary == state.primary &&
           node.locked == state.locked && sameColour(node.color, state.color) && node.leftAxis == state.leftAxis &&
           node.relativeX == state.relativeX && node.relativeY == state.relativeY &&
           node.axisSpacing == state.axisSpacing;
}

}  // namespace

AROperator* ClusterTree::findNode(uint64_t id) const {
    for (const std::unique_ptr<AROperator>& node : nodeStore) {
        if (node->id == id) return node.get();
    }
    return nullptr;
}

void ClusterTree::restoreNodesKeepingIds(const std::vector<NodeState>& states, uint64_t focusedId) {
    // Where each node stands now: its parent and its place among the parent's children.
    struct Place {
        const AROperator* parent;
        size_t childIndex;
    };
    std::unordered_map<uint64_t, Place> placeBefore;
    placeBefore.reserve(nodeStore.size());
    for (const std::unique_ptr<AROperator>& node : nodeStore) {
        size_t index = 0;
        for (const AROperator* child : children(node.get())) placeBefore[child->id] = {node.get(), index++};
    }
    std::unordered_map<uint64_t, std::unique_ptr<AROperator>> kept;
    kept.reserve(nodeStore.size());
    for (std::unique_ptr<AROperator>& node : nodeStore) kept.emplace(node->id, std::move(node));
    nodeStore.clear();
    root = focused = nullptr;
    ++revision;
    std::vector<AROperator*> made;
    std::vector<char> changed;        // per node: its state, list or place differs from before
    std::vector<size_t> childCount(states.size(), 0);  // per node: children linked so far
    made.reserve(states.size());
    changed.reserve(states.size());
    for (const NodeState& state : states) {
        AROperator* parent = state.parent >= 0 && state.parent < static_cast<int>(made.size()) ? made[state.parent] : nullptr;
        std::unique_ptr<AROperator> node;
        bool differs = true;
        const auto found = kept.find(state.id);
        const bool reused = found != kept.end();
        if (reused) {
            node = std::move(found->second);
            kept.erase(found);
            const auto before = placeBefore.find(state.id);
            const size_t childIndex = parent != nullptr ? childCount[static_cast<size_t>(state.parent)] : 0;
            const bool samePlace = parent == nullptr ? node->parent == nullptr
                                                     : before != placeBefore.end() && before->second.parent == parent &&
                                                           before->second.childIndex == childIndex;
            differs = !samePlace || !sameParameters(*node, state) || node->controlList != state.items;
            node->links.clear();
        } else if (state.type == AROperator::kTypeRegular) {
            node = std::make_unique<AROperator>(pcWindow, state.x, state.y, state.primary, state.color);
        } else {
            node = std::make_unique<AROperator>(parent == nullptr ? AROperator::kTypeRoot : state.type, parent);
            node->linkPCWindow(pcWindow);
        }
        if (!reused) {
            node->graphPlaced = state.graphPlaced;
            node->graphX = state.graphX;
            node->graphY = state.graphY;
        }
        node->id = state.id;
        nextId = std::max(nextId, state.id + 1);
        setParameters(node.get(), state);
        if (differs) {
            node->controlList = state.items;
            node->revision = revision;
        }
        node->parent = parent;
        AROperator* added = node.get();
        nodeStore.push_back(std::move(node));
        if (parent == nullptr) {
            root = added;
        } else {
            parent->links.push_back({added, 0, AROperator::kLinkLength});
            added->links.push_back({parent, 1, AROperator::kLinkLength});
            ++childCount[static_cast<size_t>(state.parent)];
        }
        made.push_back(added);
        changed.push_back(differs);
    }
    // What stands below a changed node is drawn anew with it; histograms
    // follow the lists that changed.
    for (size_t k = 0; k < made.size(); ++k) {
        if (!changed[k]) continue;
        made[k]->rebuildOwnHistogram();
        made[k]->updateGraphRadius();
        stampSubtree(made[k]);
    }
    AROperator* wanted = findNode(focusedId);
    focused = wanted != nullptr ? wanted : root;
}

void ClusterTree::restoreNodePlaces(const std::vector<NodeState>& states) {
    ++revision;
    std::unordered_map<uint64_t, AROperator*> byId;
    byId.reserve(nodeStore.size());
    for (const std::unique_ptr<AROperator>& node : nodeStore) byId.emplace(node->id, node.get());
    for (const NodeState& state : states) {
        const auto found = byId.find(state.id);
        if (found == byId.end()) continue;
        AROperator* node = found->second;
        node->position.setPoint(state.x, state.y);
        node->leftAxis = state.leftAxis;
        node->relativeX = state.relativeX;
        node->relativeY = state.relativeY;
        node->axisSpacing = state.axisSpacing;
        node->revision = revision;
    }
}

void ClusterTree::releaseTree() {
    nodeStore.clear();
    root = nullptr;
    focused = nullptr;
    ++revision;
}

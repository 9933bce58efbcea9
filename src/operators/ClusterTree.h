// ClusterTree: the tree of AROperator nodes of one view and one table.
//
// The tree owns every node reachable from its root (the root holds every
// item; regular operators take items from their parent; each parent with
// regular children has one complementary child holding the rest). Links
// between nodes are not owning. Traversals are pre-order: a node, then the
// subtrees of its children in link order (newest regular child first, the
// complementary child after the regular children).
#pragma once

#include <deque>
#include <queue>
#include <vector>

#include "geometry/Color4.h"
#include "operators/AROperator.h"

class PCWindow;

class ClusterTree {
public:
    static constexpr float kNearDistance = 0.02f;  // view units: a click closer than this to a centre hits it

    explicit ClusterTree(PCWindow* view);
    ~ClusterTree();
    ClusterTree(const ClusterTree&) = delete;
    ClusterTree& operator=(const ClusterTree&) = delete;

    void initializeRootNode();

    // Places a regular operator at (x, y), view units, under the focused node.
    // A point outside every region between two axes places nothing (null).
    AROperator* addAR(PCWindow* view, float x, float y, bool primary, Color4 color);
    void linkNodes(AROperator* parent, AROperator* child);
    // Removes a node (its children move up, its items go back to the parent's
    // complementary child); false when the node is not in the tree.
    bool removeAR(AROperator* op);
    bool removeTreenode(AROperator* current, AROperator* target);

    // Hit tests, view units: within an operator's capture disc (the outermost
    // of nested hits), near its centre, on its lock icon.
    bool isInBounding(float x, float y, AROperator** found);
    bool isInTreenodeBounding(float x, float y, AROperator* node, AROperator** found);
    bool isNearOp(float x, float y, AROperator** found);
    bool isNearTreenode(float x, float y, AROperator* node, AROperator** found);
    bool isInLockRegion(float x, float y, AROperator** found);
    // Hit test in graph units, on every node's circle.
    bool isNearOpInGraph(float x, float y, AROperator** found);
    bool isNearTreenodeInGraph(float x, float y, AROperator* node, AROperator** found);

    // Appends every node (of the tree or of one subtree) in pre-order.
    void getAllNodes(std::queue<AROperator*>* nodes);
    void getNodesInSubTree(std::queue<AROperator*>* nodes, AROperator* node);
    // Pushes every leaf onto the front: the deque lists leaves in reverse pre-order.
    void getAllLeafNodes_DepthFirst(std::deque<AROperator*>* leaves);
    void getLeafNodesInSubTree(std::deque<AROperator*>* leaves, AROperator* node);
    // Every node in pre-order, into a vector the caller keeps (no allocation once it has grown).
    void collectNodes(std::vector<AROperator*>* nodes) const;

    // Moves every regular operator to its place relative to its two axes after the axes moved.
    void updateOperatorsPos();
    void updateTreenodePos(AROperator* node);

    // One force computation of the graph layout for `target`, accumulated in forceX/forceY.
    void getForce(AROperator* target, float* unusedX, float* unusedY);
    void collectForceInTree(AROperator* node, AROperator* target, float* unusedX, float* unusedY);

    void releaseTree();
    void releaseSubtree(AROperator* node);

    AROperator* getRoot() const { return root; }
    AROperator* getFocused() const { return focused; }
    void setFocused(AROperator* node) { focused = node; }
    bool contains(const AROperator* node) const;

    PCWindow* pcWindow;
    AROperator* root = nullptr;     // owned, with every node reachable from it
    AROperator* focused = nullptr;  // where addAR attaches new operators; the root at first

private:
    // Appends to `into` the items of `from` that it does not hold yet, keeping order.
    void appendMissingItems(AROperator* into, const std::vector<int>& from);
    // Histogram and graph radius of nodes whose lists a removal changed.
    void refreshChangedNodes();
    bool isInSubtree(const AROperator* node, const AROperator* subtreeRoot) const;
    static void appendSubtree(std::vector<AROperator*>* nodes, AROperator* node);

    std::vector<AROperator*> listsChanged;  // nodes whose item lists the current removal changed
};

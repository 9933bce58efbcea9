// ClusterTree: the tree of AROperator nodes of one view and one table.
//
// The tree owns every node: it makes them, links them, changes what they
// capture and releases them; nothing else creates or deletes a node. The root
// holds every item; regular operators take items from their parent; each
// parent with children has one complementary child holding the rest, so the
// leaves always share out the table: every item is in exactly one leaf.
// Links between nodes are not owning. Traversals are pre-order: a node, then
// the subtrees of its children in link order (newest regular child first,
// the complementary child after the regular children).
//
// Every change that can alter what is drawn or captured (adding, removing,
// moving, turning, resizing, locking or painting an operator, moving it with
// the axes) raises the tree's revision and stamps the nodes it changed with
// it; readers (the item paths, the graph window) compare revisions instead
// of looking for changes themselves.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <queue>
#include <vector>

#include "geometry/Color4.h"
#include "operators/AROperator.h"

class ViewLayout;

class ClusterTree {
public:
    static constexpr float kNearDistance = 0.02f;  // view units: a click closer than this to a centre hits it

    explicit ClusterTree(const ViewLayout* view);
    ~ClusterTree();
    ClusterTree(const ClusterTree&) = delete;
    ClusterTree& operator=(const ClusterTree&) = delete;

    void initializeRootNode();

    // Places a regular operator at (x, y), view units, under the focused node.
    // A point outside every region between two axes places nothing (null).
    AROperator* addAR(const ViewLayout* view, float x, float y, bool primary, Color4 color);
    // Removes a node (its children move up, its items go back to the parent's
    // complementary child, and the nodes that moved up take their items
    // anew from their new parent); false for the root or a node not in the tree.
    bool removeAR(AROperator* op);
    // removeAR of `target` if it lies in the subtree of `current`.
    bool removeTreenode(AROperator* current, AROperator* target);

    // Edits of one regular operator, each followed by a new capture of its
    // items (a locked operator keeps its list) and a new share-out of them
    // below it.
    void moveOperator(AROperator* op, float xView, float yView);  // stays inside its region
    void setOperatorAngle(AROperator* op, double angle);
    void setOperatorRadius(AROperator* op, double radius);
    void setOperatorAngleWidth(AROperator* op, double angleWidth);
    void toggleLock(AROperator* op);
    // Gives a regular operator and its complementary child (the rest of its
    // items) `colour`; other nodes are left as they are.
    void paintNode(AROperator* node, const Color4& colour);

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

    // One node as a saved session holds it.
    struct NodeState {
        int parent = -1;         // index of the parent in the list; -1 for the root
        int type = AROperator::kTypeRoot;
        float x = 0, y = 0;      // centre of a regular operator, view units
        double angle = 0, radius = 0.08, angleWidth = 0.25, strength = 1.0, tangentWeight = 1.0;
        bool primary = false, locked = false;
        Color4 color;
        std::vector<int> items;  // the node's item list, in order
        bool graphPlaced = false;
        double graphX = -1, graphY = -1;  // graph units
    };
    // The graph keeps every node within this distance of the origin on each
    // axis (graph units: a hundred window widths), and a session is read within it.
    static constexpr double kGraphReach = 100;
    // Every node in pre-order, with its state.
    std::vector<NodeState> saveNodes() const;
    // Replaces the whole tree with `nodes`: pre-order, the root first, every
    // parent before its children and children in link order; their item
    // lists are taken as they are (the caller has checked them against the
    // table). Then `focusedIndex` (a list index; the root when out of range)
    // takes the focus.
    void restoreNodes(const std::vector<NodeState>& nodes, int focusedIndex);
    // The list index of `node` in pre-order; -1 when it is not in the tree.
    int indexOf(const AROperator* node) const;

    AROperator* getRoot() const { return root; }
    AROperator* getFocused() const { return focused; }
    void setFocused(AROperator* node) { focused = contains(node) ? node : root; }
    bool contains(const AROperator* node) const;
    // Raised by every change that can alter what is drawn or captured.
    uint64_t getRevision() const { return revision; }

    const ViewLayout* pcWindow;     // the view the tree measures in; not owned
    AROperator* root = nullptr;     // the first node; the tree owns it with all others
    AROperator* focused = nullptr;  // where addAR attaches new operators; the root at first

private:
    // A new node owned by the tree, with the next serial number.
    AROperator* adopt(std::unique_ptr<AROperator> node);
    void linkNodes(AROperator* parent, AROperator* child);
    // The complementary child of `parent`, made (holding the parent's whole
    // list, linked last) when missing.
    AROperator* ensureComplement(AROperator* parent);
    // Unlinks `removed`, moves its children up to its parent, merges the
    // parent's complementary children into one and lets a lone child give up
    // its place; the nodes that changed parent are appended to `movedUp`.
    void detachNode(AROperator* removed, std::vector<AROperator*>* movedUp);
    // Shares the items of `node` out among its children again: every item to
    // exactly one child. Regular children keep what they hold of it (locked
    // ones their frozen list), except the unlocked ones in `movedUp`, which
    // take their items anew from the complementary child, oldest first as
    // they stood under their former parent (so of two that both cover an
    // item, the one that held it keeps it); the complementary child keeps the
    // rest. Then the same below each child.
    void repartition(AROperator* node, const std::vector<AROperator*>& movedUp);
    // A new capture by `op` after an edit (none while it is locked), the items
    // below it and below its complementary sibling shared out again, and both
    // subtrees stamped with a new revision.
    void recapture(AROperator* op);
    // Stamps every node of the subtree with the current revision.
    void stampSubtree(AROperator* node);
    void release(AROperator* node);  // one node, not its children
    bool isInSubtree(const AROperator* node, const AROperator* subtreeRoot) const;
    static void appendSubtree(std::vector<AROperator*>* nodes, AROperator* node);

    std::vector<std::unique_ptr<AROperator>> nodeStore;  // every node of the tree
    uint64_t revision = 1;
    uint64_t nextId = 1;
};

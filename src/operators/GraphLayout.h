// GraphLayout: the force layout of the operator graph. Every node carries its
// layout state (graphX, graphY, forceX, forceY, velocityX, velocityY,
// graphRadius: graph units, per step). The tree adds spring and overlap
// forces (ClusterTree::getForce); a step here adds a constant pull
// downwards, integrates with a fixed time step and damping, and keeps half
// of the force for the next step. Walks are pre-order; the order matters,
// since forces found for a pair act on both nodes at once.
//
// A step over n nodes costs n^2 force terms, so it is spread over as many
// ticks as its cost asks (kForceTermsPerTick each): a tree of thousands of
// nodes leaves the program answering input between ticks.
//
// The layout is no edit of the document: it changes where the graph draws
// the nodes, never what they hold. The graph window calls it from its timer
// (through the document), and a drag in the graph puts one node where the
// pointer is.
#pragma once

#include <cstddef>
#include <vector>

class AROperator;
class ClusterTree;

class GraphLayout {
public:
    // Force terms (one node's pull or push on another) a tick may weigh:
    // about 1.5 ms on the project's machine while the tree stays in the
    // cache, about 20 ms at 20,000 nodes. A tree of up to 500 nodes takes a
    // whole step every tick; a larger one spreads its steps over several ticks.
    static constexpr size_t kForceTermsPerTick = 250000;

    // One tick: goes on with the step under way over the same nodes, or
    // starts a new step (new nodes first get their place near their parent).
    // True when the tick completed a step; stepNodes() then lists its nodes.
    bool tick(ClusterTree& tree, int itemCount, const AROperator* heldNode);
    // A new tree, or nodes released: the next tick starts afresh.
    void restart();
    // Whether a step is part done (a large tree's step spans ticks).
    bool isStepUnderWay() const { return sweepNext > 0; }
    // The tree in pre-order as the last completed step moved it.
    const std::vector<AROperator*>& stepNodes() const { return sweepNodes; }

    // Gives every node below `node` (itself included) that has no place yet
    // its first one: the root at (0.5, 0.7), others near their parent; and
    // its circle's radius from its share of `itemCount` items.
    static void placeNewNodes(AROperator* node, int itemCount);
    // Moves one node by the forces of every node on it. The root stays
    // where it was placed, and so does `heldNode` (the mouse holds it).
    static void moveNode(ClusterTree& tree, AROperator* node, const AROperator* heldNode);
    // Puts `node` at (xGraph, yGraph), within the reach a session takes back.
    static void putNode(AROperator* node, double xGraph, double yGraph);

private:
    std::vector<AROperator*> sweepNodes;  // the tree in pre-order for the step under way (or the last one)
    size_t sweepNext = 0;                 // next node of sweepNodes to move; 0: no step under way
    std::vector<AROperator*> treeNodes;   // scratch: the tree as it is now, to compare with sweepNodes
};

// AROperator: one node of the operator tree.
//
//   type 0  the root: holds every item of the table;
//   type 1  a regular (angular-region) operator, placed between two adjacent
//           axes: it takes, from its parent's items, those whose segment
//           between these axes passes within `radius` of its centre at an
//           on-screen angle within pi * angleWidth / 2 of `angle`;
//   type 2  a complementary node: holds the parent's items that none of the
//           parent's regular children took.
//
// Geometry is in view units (unit square, y up). Angles and distances between
// segments and the centre are measured with x multiplied by the view's aspect
// A (width / height), so that they are the ones seen on screen. The node also
// carries the graph window's layout state (graph units).
//
// Nodes are made, linked, changed and released by their ClusterTree; the
// fields are public for reading (drawing, the graph layout, tests).
#pragma once

#include <cstdint>
#include <vector>

#include "data/BinCounts.h"
#include "geometry/Color4.h"
#include "geometry/Point2.h"

class ParallelCoordinatesAxis;
class ViewLayout;
class AROperator;

// One link of a node: to a child (isParentLink 0) or to the parent (1).
struct ARLinks {
    AROperator* node;  // the linked node; not owned
    int isParentLink;  // 0: node is a child of the holder; 1: node is the holder's parent
    double length;     // rest length the link adds in the graph's force model, graph units
};

// An axis-aligned rectangle in view units; contains() is strict on all sides.
struct ViewRect {
    float left, right, bottom, top;
    bool contains(float xView, float yView) const {
        return left < xView && xView < right && bottom < yView && yView < top;
    }
};

// The children of a node in link order (newest regular child first, the
// complementary child after the regular ones), walked without allocating:
//   for (AROperator* child : children(node)) ...
// The node's links must not change during the walk.
class ChildRange {
public:
    class iterator {
    public:
        iterator(const ARLinks* from, const ARLinks* stop) : at(from), end(stop) { skipParentLinks(); }
        AROperator* operator*() const { return at->node; }
        iterator& operator++() {
            ++at;
            skipParentLinks();
            return *this;
        }
        bool operator!=(const iterator& other) const { return at != other.at; }

    private:
        void skipParentLinks() {
            while (at != end && at->isParentLink != 0) ++at;
        }
        const ARLinks* at;
        const ARLinks* end;
    };
    explicit ChildRange(const std::vector<ARLinks>& links)
        : first(links.data()), last(links.data() + links.size()) {}
    iterator begin() const { return iterator(first, last); }
    iterator end() const { return iterator(last, last); }

private:
    const ARLinks* first;
    const ARLinks* last;
};

class AROperator {
public:
    static constexpr int kTypeRoot = 0;
    static constexpr int kTypeRegular = 1;
    static constexpr int kTypeComplementary = 2;
    static constexpr int kAngularBins = 32;
    static constexpr double kLinkLength = 0.05;       // graph units
    static constexpr double kFullShareRadius = 0.05;  // graph radius of a node holding every item

    // A regular operator centred at (x, y), view units.
    AROperator(const ViewLayout* view, float x, float y, bool primary, Color4 color);
    // A root (type 0, `other` null) or a complementary node (type 2, `other`
    // its future parent, whose colour and view it takes).
    AROperator(int type, AROperator const* other);

    AROperator(const AROperator&) = delete;
    AROperator& operator=(const AROperator&) = delete;

    void linkPCWindow(const ViewLayout* view);

    // Recomputes leftAxis, axisSpacing, relativeX and relativeY from `position`.
    // A position outside every region between two axes is pulled back just
    // inside the region the operator stood in, so an operator never leaves
    // its region.
    void updatePosInfo();
    bool noChildren() const;
    // Whether the operator stands between two axes (leftAxis names a region).
    bool isPlaced() const;

    void buildAngularHistogram(int axis);
    // Finds the principal angle from the angular histogram of the parent's segments.
    void determineParameters();
    // The complementary sibling (the tree makes it when the operator is
    // linked); null without a parent or before it exists.
    AROperator* getComplementaryAR() const;
    // Redistributes items between this regular operator and its complementary sibling.
    void updateControlList();
    // Histogram of this node and of its complementary sibling.
    void updateHistogram();
    // Histogram of this node only, and its graph radius from its share of the items.
    void rebuildOwnHistogram();
    void updateGraphRadius();
    // Share of all items in (dimension, bin); quiet NaN out of range or before the first build.
    float getHistogramEntry(int dimension, int bin) const;

    // Radius in the graph of a node holding `share` (0 to 1) of the table's items, graph units.
    static double graphRadiusForShare(double share);
    // The lock icon beside the centre, view units, for a view of aspect A
    // (width / height): the same rectangle is drawn and hit.
    ViewRect lockIconRect(float aspect) const;

    // The segment of `item` between axis `axis` and the next, in aspect-scaled view units.
    struct Segment {
        double dx, dy;     // right end minus left end (x scaled by the aspect)
        double distance;   // from the aspect-scaled centre to the segment's line
    };
    Segment segmentOf(int item, int axis) const;

    Point2 position;                        // centre of a regular operator, view units
    const ViewLayout* pcWindow = nullptr;   // the view the operator measures in; not owned
    const ParallelCoordinatesAxis* axes = nullptr;  // the view's axis layout; not owned
    AROperator* parent = nullptr;           // null for the root
    double radius = 0.08;                   // capture radius, view units (y; x is divided by A when drawn)
    double angle = 0;                       // principal angle, radians, 0 horizontal, positive rising right
    double angleWidth = 0.25;               // angular window as a fraction of pi
    double strength = 1.0;                  // weight of the pull on curves
    bool primary = false;                   // left-button operator: draws its lines together
    bool locked = false;                    // control list frozen
    int angularBins = kAngularBins;
    std::vector<int> angularHistogram;      // counts of the parent's passing segments per angle bin; empty = absent
    Color4 color;                           // colour of the node and of its items' lines
    double relativeX = 0;                   // (x - left axis) / axisSpacing at the last placement
    int leftAxis = -1;                      // axis left of `position`; -1 for nodes without a place
    double axisSpacing = 0;                 // gap between axis leftAxis and the next at the last placement
    double relativeY = 0;                   // (y - 0.1) / 0.8 at the last placement
    std::vector<ARLinks> links;             // children (newest regular first, complementary last) and parent
    double graphX = -1.0, graphY = -1.0;    // position in the graph window, graph units
    double forceX = 0, forceY = 0;          // force accumulated by the graph layout
    double velocityX = 0, velocityY = 0;    // velocity of the graph layout
    double graphRadius = 0;                 // radius of the node's circle in the graph, graph units
    std::vector<int> controlList;           // items held, in the order they were added; no item twice
    bool graphPlaced = false;               // the graph window has given the node its first position
    std::vector<float> histogram;           // dims x bins shares of all items; empty = absent
    int type = kTypeRegular;
    double tangentWeight = 1.0;             // blend of the end tangents when bending curves
    uint64_t revision = 0;                  // the tree's revision when the node last changed (geometry, items, lock, colour)
    uint64_t id = 0;                        // serial number given by the tree, never reused within it

    // The counts behind updateHistogram's pair of histograms, their totals
    // kept between the steps of a drag.
    PartitionCounts pairCounts;
};

inline ChildRange children(const AROperator* node) { return ChildRange(node->links); }
// The complementary child of `node`, or null.
AROperator* complementOf(const AROperator* node);

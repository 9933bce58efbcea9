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
#pragma once

#include <vector>

#include "geometry/Color4.h"
#include "geometry/Point2.h"

class PCWindow;
class ParallelCoordinatesAxis;
class AROperator;

// One link of a node: to a child (isParentLink 0) or to the parent (1).
struct ARLinks {
    AROperator* node;  // the linked node; not owned
    int isParentLink;  // 0: node is a child of the holder; 1: node is the holder's parent
    double length;     // rest length the link adds in the graph's force model, graph units
};

class AROperator {
public:
    static constexpr int kTypeRoot = 0;
    static constexpr int kTypeRegular = 1;
    static constexpr int kTypeComplementary = 2;
    static constexpr int kAngularBins = 32;
    static constexpr double kLinkLength = 0.05;  // graph units

    // A regular operator centred at (x, y), view units.
    AROperator(PCWindow* view, float x, float y, bool primary, Color4 color);
    // A root (type 0, `other` null) or a complementary node (type 2, `other`
    // its future parent, whose colour and view it takes).
    AROperator(int type, AROperator const* other);

    AROperator(const AROperator&) = delete;
    AROperator& operator=(const AROperator&) = delete;

    void linkPCWindow(PCWindow* view);

    // Recomputes leftAxis, axisSpacing, relativeX and relativeY from `position`.
    // A position outside every region between two axes is pulled back just
    // inside the region the operator stood in, so an operator never leaves
    // its region.
    void updatePosInfo();
    void updateBoundingOval() {}  // kept for callers; the operator has no bounding oval to refresh
    bool noChildren() const;
    // Whether the operator stands between two axes (leftAxis names a region).
    bool isPlaced() const;

    void buildAngularHistogram(int axis);
    // Finds the principal angle from the angular histogram of the parent's segments.
    void determineParameters();
    // The complementary sibling, made (holding the parent's whole list) if missing; null without parent.
    AROperator* getComplementaryAR();
    // Redistributes items between this regular operator and its complementary sibling.
    void updateControlList();
    // Histogram of this node and of its complementary sibling (made if missing).
    void updateHistogram();
    // Histogram of this node only, and its graph radius from its share of the items.
    void rebuildOwnHistogram();
    void updateGraphRadius();
    // Share of all items in (dimension, bin); quiet NaN out of range or before the first build.
    float getHistogramEntry(int dimension, int bin) const;

    // The segment of `item` between axis `axis` and the next, in aspect-scaled view units.
    struct Segment {
        double dx, dy;     // right end minus left end (x scaled by the aspect)
        double distance;   // from the aspect-scaled centre to the segment's line
    };
    Segment segmentOf(int item, int axis) const;

    // Fields, in the order the design lists them.
    Point2 position;                        // centre of a regular operator, view units
    PCWindow* pcWindow = nullptr;           // not owned
    ParallelCoordinatesAxis* axes = nullptr;  // the view's axis layout; not owned
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
    bool changed = false;                   // set when created and whenever the view changes the node
};

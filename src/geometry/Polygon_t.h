// Polygon_t: a closed polygon (the last vertex joins back to the first) with an
// inside test; the operator graph window uses it for lasso selection.
//
// Any vertex count is allowed, including 0, 1 or 2, and vertices may repeat or
// make the outline cross itself. Coordinates are in the caller's space.
#pragma once

#include <vector>

#include "geometry/Point2.h"

class Polygon_t {
public:
    Polygon_t();
    explicit Polygon_t(std::vector<Point2> points);

    // Removes all vertices but keeps the storage.
    void clear();

    // Even-odd (crossing number) inside test.
    //
    // Points exactly on the outline are decided as if they were moved an
    // infinitesimal step to the right (+x) and then an even smaller step up
    // (+y). For an axis-aligned outline this means: points on left and bottom
    // edges are inside, points on right and top edges are outside, and of a
    // rectangle's corners only the bottom-left one is inside. Two polygons that
    // share an edge therefore never both claim a point on it. On slanted edges
    // the decision is subject to the rounding of the computed crossing.
    //
    // Polygons of fewer than 3 vertices enclose no area and contain nothing.
    bool contain(Point2 p) const;
    bool contain(float x, float y) const;

    std::vector<Point2> points; // vertices in outline order; count = size()
};

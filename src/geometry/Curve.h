// Curve: an open polyline (not closed back to its first point), in the
// caller's coordinate space. The GL drawing helper walks `points` in order.
#pragma once

#include <vector>

#include "geometry/Point2.h"

class Curve {
public:
    Curve();

    // Removes all points but keeps the storage, so a curve rebuilt every
    // frame does not reallocate.
    void clear();

    std::vector<Point2> points; // polyline vertices, in drawing order
};

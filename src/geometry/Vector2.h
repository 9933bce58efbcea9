// Vector2: a 2-D displacement of two single-precision floats, with the dot
// product and the scalar (z) cross product used for angle and side tests.
//
// Like Point2 it does not know its coordinate space. There is deliberately no
// default constructor: a vector is always made from components or from two
// points.
#pragma once

#include "geometry/Point2.h"

class Vector2 {
public:
    Vector2(float x, float y);
    // The vector from a to b: (b.x - a.x, b.y - a.y).
    Vector2(Point2 a, Point2 b);

    void setVector(float x, float y);
    void setVector(Vector2 v);

    float dotProduct(Vector2 v) const;
    // z component of the 3-D cross product, x * v.y - y * v.x: positive when v
    // turns counter-clockwise from this vector in a y-up frame.
    float crossProduct(Vector2 v) const;

    static float getDotProduct(Vector2 a, Vector2 b);
    static float getCrossProduct(Vector2 a, Vector2 b);

    // Euclidean length.
    float getNorm() const;
    // Scales to unit length; a vector of length exactly 0 is left as it is.
    void normalize();

    float x; // horizontal component, caller's space
    float y; // vertical component, caller's space
};

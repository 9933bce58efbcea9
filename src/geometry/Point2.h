// Point2: a 2-D position of two single-precision floats.
//
// The class does not know its coordinate space; callers use it for window
// pixels and for view units alike.
#pragma once

class Point2 {
public:
    Point2();
    Point2(float x, float y);

    void setPoint(float x, float y);

    // Euclidean distance from this point, in the caller's units.
    float distance(Point2 p) const;
    float distance(float x, float y) const;
    // Squared Euclidean distance (no square root), for cheap comparisons.
    float sqrDistance(Point2 p) const;
    float sqrDistance(float x, float y) const;

    static float getDistance(Point2 a, Point2 b);
    static float getDistance(float x1, float y1, float x2, float y2);
    static float getSqrDistance(Point2 a, Point2 b);
    static float getSqrDistance(float x1, float y1, float x2, float y2);

    float x; // horizontal coordinate, caller's space
    float y; // vertical coordinate, caller's space
};

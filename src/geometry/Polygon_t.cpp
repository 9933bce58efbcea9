#include "geometry/Polygon_t.h"

#include <cstddef>
#include <utility>

Polygon_t::Polygon_t() = default;

Polygon_t::Polygon_t(std::vector<Point2> corners) : points(std::move(corners)) {}

void Polygon_t::clear() { points.clear(); }

bool Polygon_t::contain(Point2 p) const { return contain(p.x, p.y); }

bool Polygon_t::contain(float x, float y) const
{
    const std::size_t n = points.size();
    if (n < 3)
        return false;

    // Cast a ray from (x, y) towards +x and count the edges it crosses.
    //
    // Half-open rule in y: a vertex at exactly the ray's height is treated as
    // lying below it. An edge takes part only when one end is strictly above
    // the ray and the other is not, so a vertex on the ray is counted once
    // when the outline passes through the ray there and zero or two times
    // when it only touches it; horizontal edges never take part.
    //
    // Strict rule in x: a crossing counts only when it lies strictly to the
    // right of the point, so a point on an edge does not count that edge.
    //
    // The crossing is computed in double from the edge's parameter t in
    // [0, 1], which gives exactly the endpoint's x when the ray passes through
    // a vertex (t is exactly 0 or 1 there), so both edges meeting at a vertex
    // agree on where they cross.
    bool inside = false;
    for (std::size_t i = 0; i < n; ++i) {
        const Point2& a = points[i];
        const Point2& b = points[(i + 1) % n];
        const bool aAbove = a.y > y;
        const bool bAbove = b.y > y;
        if (aAbove == bAbove)
            continue;
        const double t = (double(y) - double(a.y)) / (double(b.y) - double(a.y));
        const double xCross = double(a.x) + t * (double(b.x) - double(a.x));
        if (xCross > double(x))
            inside = !inside;
    }
    return inside;
}

// The Polygon_t inside test (convex, concave, rays through vertices, points on
// the outline, degenerate polygons).
#include <gtest/gtest.h>

#include <initializer_list>

#include "geometry/Polygon_t.h"

namespace {

struct Probe {
    float x, y;
    bool inside;
};

void expectProbes(const Polygon_t& polygon, std::initializer_list<Probe> probes) {
    for (const Probe& p : probes) EXPECT_EQ(polygon.contain(p.x, p.y), p.inside) << p.x << ", " << p.y;
}

TEST(PolygonTest, InsideOutsideAndDegenerate) {
    // A crossing left of the point must not count just because the edge ends
    // right of it (triangle), nor be missed because both ends are at or left
    // of the point's x (diamond).
    expectProbes(Polygon_t({{0, 0}, {2, 0}, {0, 2}}), {{1.4f, 0.5f, true}, {1.5f, 1.5f, false}});
    // Rays through vertices: the diamond's side vertices each count once, its
    // apexes and the notch's apex are only touched. (0.2, 0.2) is inside the bounding box only.
    expectProbes(Polygon_t({{1, 0}, {2, 1}, {1, 2}, {0, 1}}), {{1.0f, 1.0f, true}, {0.2f, 0.2f, false},
                 {0.5f, 1.0f, true}, {-0.5f, 1.0f, false}, {0.5f, 2.0f, false}, {0.5f, 0.0f, false}});
    expectProbes(Polygon_t({{0, 0}, {4, 0}, {4, 4}, {2, 2}, {0, 4}}),
                 {{1.0f, 2.0f, true}, {2.0f, 3.0f, false}, {-1.0f, 2.0f, false}});
    // U shape: the ray runs along the gap's horizontal bottom edge; (1.5, 2) is between the arms.
    expectProbes(Polygon_t({{0, 0}, {3, 0}, {3, 3}, {2, 3}, {2, 1}, {1, 1}, {1, 3}, {0, 3}}),
                 {{0.5f, 1.0f, true}, {-0.5f, 1.0f, false}, {1.5f, 2.0f, false}});
    // Fewer than three vertices, or all in a row: no area, nothing inside.
    expectProbes(Polygon_t(), {{0.0f, 0.0f, false}});
    expectProbes(Polygon_t({{0, 0}, {2, 2}}), {{0.5f, 1.0f, false}, {1.0f, 1.0f, false}});
    expectProbes(Polygon_t({{0, 0}, {1, 1}, {2, 2}}), {{1.0f, 1.0f, false}, {0.0f, 0.5f, false}});
}

TEST(PolygonTest, PointsOnTheOutline) {
    // Decided as if the point moved a hair right, then a smaller hair up:
    // bottom and left edges in, top and right out; of the corners bottom-left only.
    const Polygon_t square({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    expectProbes(square, {{0.5f, 0.0f, true}, {0.0f, 0.5f, true}, {0.5f, 1.0f, false}, {1.0f, 0.5f, false},
                          {0.0f, 0.0f, true}, {1.0f, 0.0f, false}, {0.0f, 1.0f, false}, {1.0f, 1.0f, false}});
    // Squares sharing the edge x = 1: each point of it below its top end belongs to exactly one.
    const Polygon_t right({{1, 0}, {2, 0}, {2, 1}, {1, 1}});
    for (float yEdge : {0.0f, 0.5f}) EXPECT_NE(square.contain(1.0f, yEdge), right.contain(1.0f, yEdge)) << yEdge;
    // On a slanted edge: inside exactly when the interior lies to the right.
    expectProbes(Polygon_t({{0, 0}, {2, 0}, {0, 2}}), {{1.0f, 1.0f, false}});
    expectProbes(Polygon_t({{0, 0}, {2, 0}, {2, 2}}), {{1.0f, 1.0f, true}});
}

}  // namespace

// Tests of the 2-D value classes: Point2 distances, Vector2 products and
// normalisation, and the Polygon_t inside test (convex, concave, rays through
// vertices, points on the outline, degenerate polygons).
#include <gtest/gtest.h>

#include "geometry/Point2.h"
#include "geometry/Polygon_t.h"
#include "geometry/Vector2.h"

TEST(Point2Test, Distances)
{
    const Point2 a(1.0f, 2.0f);
    const Point2 b(4.0f, 6.0f); // a 3-4-5 triangle away from a
    EXPECT_FLOAT_EQ(a.distance(b), 5.0f);
    EXPECT_FLOAT_EQ(Point2::getDistance(4.0f, 6.0f, 1.0f, 2.0f), 5.0f);
    EXPECT_FLOAT_EQ(Point2::getSqrDistance(a, b), 25.0f); // no root taken
    EXPECT_FLOAT_EQ(Point2(-3.0f, 4.0f).distance(Point2()), 5.0f); // default is the origin
}

TEST(Vector2Test, ProductsAndNormalize)
{
    const Vector2 fromPoints(Point2(1.0f, 1.0f), Point2(4.0f, 5.0f));
    EXPECT_EQ(fromPoints.x, 3.0f);
    EXPECT_EQ(fromPoints.y, 4.0f);
    EXPECT_FLOAT_EQ(fromPoints.getNorm(), 5.0f);

    const Vector2 u(2.0f, 3.0f);
    const Vector2 w(-4.0f, 5.0f);
    EXPECT_FLOAT_EQ(u.dotProduct(w), 7.0f);                 // -8 + 15
    EXPECT_FLOAT_EQ(Vector2::getCrossProduct(u, w), 22.0f); // w is counter-clockwise of u
    EXPECT_FLOAT_EQ(w.crossProduct(u), -22.0f);

    Vector2 v(3.0f, 4.0f);
    v.normalize();
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_FLOAT_EQ(v.y, 0.8f);
    Vector2 zero(0.0f, 0.0f);
    zero.normalize(); // must not divide by zero
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);
}

TEST(PolygonTest, InsideAndOutside)
{
    // A crossing left of the point must not count just because the edge ends
    // right of it (triangle), nor be missed because both ends are at or left
    // of the point's x (diamond).
    const Polygon_t triangle({{0.0f, 0.0f}, {2.0f, 0.0f}, {0.0f, 2.0f}});
    EXPECT_TRUE(triangle.contain(1.4f, 0.5f));
    EXPECT_FALSE(triangle.contain(1.5f, 1.5f));
    const Polygon_t diamond({{1.0f, 0.0f}, {2.0f, 1.0f}, {1.0f, 2.0f}, {0.0f, 1.0f}});
    EXPECT_TRUE(diamond.contain(Point2(1.0f, 1.0f)));
    EXPECT_FALSE(diamond.contain(0.2f, 0.2f)); // inside the bounding box only

    // Rays through vertices: the diamond's side vertices each count once,
    // its apexes and the notch's apex are only touched.
    EXPECT_TRUE(diamond.contain(0.5f, 1.0f));
    EXPECT_FALSE(diamond.contain(-0.5f, 1.0f));
    EXPECT_FALSE(diamond.contain(0.5f, 2.0f));
    EXPECT_FALSE(diamond.contain(0.5f, 0.0f));
    const Polygon_t notched({{0.0f, 0.0f}, {4.0f, 0.0f}, {4.0f, 4.0f}, {2.0f, 2.0f}, {0.0f, 4.0f}});
    EXPECT_TRUE(notched.contain(1.0f, 2.0f));
    EXPECT_FALSE(notched.contain(2.0f, 3.0f)); // in the notch
    EXPECT_FALSE(notched.contain(-1.0f, 2.0f));

    // U shape: the ray runs along the gap's horizontal bottom edge.
    const Polygon_t u({{0.0f, 0.0f}, {3.0f, 0.0f}, {3.0f, 3.0f}, {2.0f, 3.0f},
                       {2.0f, 1.0f}, {1.0f, 1.0f}, {1.0f, 3.0f}, {0.0f, 3.0f}});
    EXPECT_TRUE(u.contain(0.5f, 1.0f));
    EXPECT_FALSE(u.contain(-0.5f, 1.0f));
    EXPECT_FALSE(u.contain(1.5f, 2.0f)); // between the arms
}

TEST(PolygonTest, PointsOnTheOutline)
{
    // Decided as if the point moved a hair right, then a smaller hair up.
    const Polygon_t square({{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}});
    EXPECT_TRUE(square.contain(0.5f, 0.0f));  // bottom
    EXPECT_TRUE(square.contain(0.0f, 0.5f));  // left
    EXPECT_FALSE(square.contain(0.5f, 1.0f)); // top
    EXPECT_FALSE(square.contain(1.0f, 0.5f)); // right
    EXPECT_TRUE(square.contain(0.0f, 0.0f));  // of the corners, bottom-left only
    EXPECT_FALSE(square.contain(1.0f, 0.0f));
    EXPECT_FALSE(square.contain(0.0f, 1.0f));

    // Squares sharing the edge x = 1: each point of it below its top end
    // belongs to exactly one of them.
    const Polygon_t right({{1.0f, 0.0f}, {2.0f, 0.0f}, {2.0f, 1.0f}, {1.0f, 1.0f}});
    for (float yEdge : {0.0f, 0.5f})
        EXPECT_NE(square.contain(1.0f, yEdge), right.contain(1.0f, yEdge)) << "y = " << yEdge;

    // On a slanted edge: inside exactly when the interior lies to the right.
    EXPECT_FALSE(Polygon_t({{0.0f, 0.0f}, {2.0f, 0.0f}, {0.0f, 2.0f}}).contain(1.0f, 1.0f));
    EXPECT_TRUE(Polygon_t({{0.0f, 0.0f}, {2.0f, 0.0f}, {2.0f, 2.0f}}).contain(1.0f, 1.0f));
}

TEST(PolygonTest, DegenerateContainsNothing)
{
    EXPECT_FALSE(Polygon_t().contain(0.0f, 0.0f));
    EXPECT_FALSE(Polygon_t({{1.0f, 1.0f}}).contain(1.0f, 1.0f));
    EXPECT_FALSE(Polygon_t({{0.0f, 0.0f}, {2.0f, 2.0f}}).contain(0.5f, 1.0f));
    const Polygon_t collinear({{0.0f, 0.0f}, {1.0f, 1.0f}, {2.0f, 2.0f}});
    EXPECT_FALSE(collinear.contain(1.0f, 1.0f));
    EXPECT_FALSE(collinear.contain(0.0f, 0.5f));

    Polygon_t cleared({{0.0f, 0.0f}, {1.0f, 0.0f}, {0.0f, 1.0f}});
    cleared.clear();
    EXPECT_FALSE(cleared.contain(0.1f, 0.1f));
}

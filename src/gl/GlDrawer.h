// GlDrawer: the immediate-mode drawing operations the three windows share.
//
// Every operation draws in the caller's current projection and issues exactly
// one glBegin/glEnd pair of glVertex2f vertices; it changes no GL state (line
// width, blending, smoothing...) except drawPoint, which sets the point size.
//
// Round shapes are polygons of n vertices: vertex i lies at the angle
// 2*pi*i/n (first vertex towards +x, counter-clockwise with y up), the last
// vertex is not repeated. Their horizontal offsets from the centre are divided
// by the aspect s (window width / height) so that they look round in a window
// whose projection is the unit square. With n <= 0 the pair is still issued,
// empty.
#pragma once

#include <vector>

#include "geometry/Color4.h"
#include "geometry/Curve.h"
#include "geometry/Point2.h"
#include "geometry/Polygon_t.h"

class GlDrawer {
public:
    explicit GlDrawer(float value) : unused(value) {}

    static void drawLine(Point2 a, Point2 b);
    static void drawLine(float x1, float y1, float x2, float y2);
    // Outline of the axis-aligned rectangle with corners a and b.
    static void drawRectangle(Point2 a, Point2 b);
    static void drawRectangle(float x1, float y1, float x2, float y2);

    // Circle of radius r (vertical units) around c; s = aspect.
    static void drawCircle(float r, Point2 c, float s, int n);
    static void drawCircle(float r, float cx, float cy, float s, int n);
    static void fillCircle(float r, Point2 c, float s, int n);
    static void fillCircle(float r, float cx, float cy, float s, int n);
    // Axis-aligned oval with half-axes a (horizontal, before the aspect) and b.
    static void drawOval(Point2 c, float a, float b, float s, int n);
    static void drawOval(float cx, float cy, float a, float b, float s, int n);
    static void fillOval(Point2 c, float a, float b, float s, int n);
    static void fillOval(float cx, float cy, float a, float b, float s, int n);
    // Oval turned counter-clockwise by `angle` radians; the aspect applies after the turn.
    static void fillEllipse(float cx, float cy, float a, float b, float s, float angle, int n);

    // Sets the point size (pixels), then draws one point.
    static void drawPoint(float x, float y, float size);
    static void drawPoint(Point2 p, float size);

    // Closed outline through every vertex, in order.
    static void drawPolygon(Polygon_t p);
    static void drawPolygon(std::vector<Point2> points);
    // Open polyline through every point, in order.
    static void drawCurve(Curve c);
    static void drawCurve(std::vector<Point2> points);
    // The same from parallel coordinate arrays, for curves kept in big tables (no copy).
    static void drawCurve(const float* xs, const float* ys, int count);

    static void setColor(Color4 c);

private:
    float unused;  // kept for source compatibility; no operation reads it
};

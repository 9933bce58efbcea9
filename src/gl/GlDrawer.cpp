#include "gl/GlDrawer.h"

#include <GL/glew.h>

#include <cmath>

#include "geometry/Angles.h"

namespace {

// Vertex angle i of n, in double precision.
double vertexAngle(int i, int n) { return 2.0 * kPi * i / n; }

// Emits the n vertices of an axis-aligned oval (a circle when a == b).
void emitOval(GLenum mode, float cx, float cy, float a, float b, float s, int n) {
    glBegin(mode);
    for (int i = 0; i < n; ++i) {
        const double theta = vertexAngle(i, n);
        glVertex2f(static_cast<float>(cx + a * std::cos(theta) / s), static_cast<float>(cy + b * std::sin(theta)));
    }
    glEnd();
}

void emitPoints(GLenum mode, const std::vector<Point2>& points) {
    glBegin(mode);
    for (const Point2& p : points) glVertex2f(p.x, p.y);
    glEnd();
}

}  // namespace

void GlDrawer::drawLine(Point2 a, Point2 b) { drawLine(a.x, a.y, b.x, b.y); }

void GlDrawer::drawLine(float x1, float y1, float x2, float y2) {
    glBegin(GL_LINES);
    glVertex2f(x1, y1);
    glVertex2f(x2, y2);
    glEnd();
}

void GlDrawer::drawRectangle(Point2 a, Point2 b) { drawRectangle(a.x, a.y, b.x, b.y); }

void GlDrawer::drawRectangle(float x1, float y1, float x2, float y2) {
    glBegin(GL_LINE_LOOP);
    glVertex2f(x1, y1);
    glVertex2f(x1, y2);
    glVertex2f(x2, y2);
    glVertex2f(x2, y1);
    glEnd();
}

void GlDrawer::drawCircle(float r, Point2 c, float s, int n) { drawCircle(r, c.x, c.y, s, n); }
void GlDrawer::drawCircle(float r, float cx, float cy, float s, int n) { emitOval(GL_LINE_LOOP, cx, cy, r, r, s, n); }
void GlDrawer::fillCircle(float r, Point2 c, float s, int n) { fillCircle(r, c.x, c.y, s, n); }
void GlDrawer::fillCircle(float r, float cx, float cy, float s, int n) { emitOval(GL_POLYGON, cx, cy, r, r, s, n); }

void GlDrawer::drawOval(Point2 c, float a, float b, float s, int n) { drawOval(c.x, c.y, a, b, s, n); }
void GlDrawer::drawOval(float cx, float cy, float a, float b, float s, int n) { emitOval(GL_LINE_LOOP, cx, cy, a, b, s, n); }
void GlDrawer::fillOval(Point2 c, float a, float b, float s, int n) { fillOval(c.x, c.y, a, b, s, n); }
void GlDrawer::fillOval(float cx, float cy, float a, float b, float s, int n) { emitOval(GL_POLYGON, cx, cy, a, b, s, n); }

void GlDrawer::fillEllipse(float cx, float cy, float a, float b, float s, float angle, int n) {
    // Sine and cosine of the turn, once per call, in single precision.
    const float cosAngle = std::cos(-angle);
    const float sinAngle = -std::sin(-angle);
    glBegin(GL_POLYGON);
    for (int i = 0; i < n; ++i) {
        const double theta = vertexAngle(i, n);
        const float x = static_cast<float>(a * std::cos(theta));
        const float y = static_cast<float>(b * std::sin(theta));
        glVertex2f(cx + (x * cosAngle - y * sinAngle) / s, cy + (x * sinAngle + y * cosAngle));
    }
    glEnd();
}

void GlDrawer::drawPoint(Point2 p, float size) { drawPoint(p.x, p.y, size); }

void GlDrawer::drawPoint(float x, float y, float size) {
    glPointSize(size);
    glBegin(GL_POINTS);
    glVertex2f(x, y);
    glEnd();
}

void GlDrawer::drawPolygon(Polygon_t p) { emitPoints(GL_LINE_LOOP, p.points); }
void GlDrawer::drawPolygon(std::vector<Point2> points) { emitPoints(GL_LINE_LOOP, points); }
void GlDrawer::drawCurve(Curve c) { emitPoints(GL_LINE_STRIP, c.points); }
void GlDrawer::drawCurve(std::vector<Point2> points) { emitPoints(GL_LINE_STRIP, points); }

void GlDrawer::drawCurve(const float* xs, const float* ys, int count) {
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i < count; ++i) glVertex2f(xs[i], ys[i]);
    glEnd();
}

void GlDrawer::setColor(Color4 c) { glColor4f(c.r, c.g, c.b, c.a); }

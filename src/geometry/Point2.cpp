#include "geometry/Point2.h"

#include <cmath>

Point2::Point2() : x(0.0f), y(0.0f) {}

Point2::Point2(float xValue, float yValue) : x(xValue), y(yValue) {}

void Point2::setPoint(float xValue, float yValue)
{
    x = xValue;
    y = yValue;
}

float Point2::distance(Point2 p) const { return getDistance(x, y, p.x, p.y); }

float Point2::distance(float xOther, float yOther) const { return getDistance(x, y, xOther, yOther); }

float Point2::sqrDistance(Point2 p) const { return getSqrDistance(x, y, p.x, p.y); }

float Point2::sqrDistance(float xOther, float yOther) const { return getSqrDistance(x, y, xOther, yOther); }

float Point2::getDistance(Point2 a, Point2 b) { return getDistance(a.x, a.y, b.x, b.y); }

float Point2::getDistance(float x1, float y1, float x2, float y2)
{
    return std::sqrt(getSqrDistance(x1, y1, x2, y2));
}

float Point2::getSqrDistance(Point2 a, Point2 b) { return getSqrDistance(a.x, a.y, b.x, b.y); }

float Point2::getSqrDistance(float x1, float y1, float x2, float y2)
{
    const float dx = x1 - x2;
    const float dy = y1 - y2;
    return dx * dx + dy * dy;
}

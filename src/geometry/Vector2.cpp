#include "geometry/Vector2.h"

#include <cmath>

Vector2::Vector2(float dx, float dy) : x(dx), y(dy) {}

Vector2::Vector2(Point2 a, Point2 b) : x(b.x - a.x), y(b.y - a.y) {}

void Vector2::setVector(float dx, float dy)
{
    x = dx;
    y = dy;
}

void Vector2::setVector(Vector2 v)
{
    x = v.x;
    y = v.y;
}

float Vector2::dotProduct(Vector2 v) const { return getDotProduct(*this, v); }

float Vector2::crossProduct(Vector2 v) const { return getCrossProduct(*this, v); }

float Vector2::getDotProduct(Vector2 a, Vector2 b) { return a.x * b.x + a.y * b.y; }

float Vector2::getCrossProduct(Vector2 a, Vector2 b) { return a.x * b.y - a.y * b.x; }

float Vector2::getNorm() const { return std::sqrt(x * x + y * y); }

void Vector2::normalize()
{
    const float norm = getNorm();
    if (norm == 0.0f)
        return; // no direction to keep; leave the zero vector alone
    x /= norm;
    y /= norm;
}

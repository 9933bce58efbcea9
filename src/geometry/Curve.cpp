#include "geometry/Curve.h"

Curve::Curve() = default;

void Curve::clear() { points.clear(); }

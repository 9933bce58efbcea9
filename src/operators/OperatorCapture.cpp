#include "operators/OperatorCapture.h"

#include <cmath>
#include <limits>

#include "geometry/Angles.h"
#include "layout/ParallelCoordinatesAxis.h"
#include "operators/AROperator.h"
#include "operators/ViewLayout.h"

OperatorCapture OperatorCapture::between(const AROperator& op, int leftAxis) {
    OperatorCapture test;
    if (op.pcWindow == nullptr || op.axes == nullptr || leftAxis < 0 || leftAxis + 1 >= op.axes->getAxisNum()) {
        return test;
    }
    const double aspect = op.pcWindow->getAspect();
    test.axis = leftAxis;
    test.xa = aspect * op.axes->getAxisPosition(leftAxis);
    test.xb = aspect * op.axes->getAxisPosition(leftAxis + 1);
    test.centreX = aspect * op.position.x;
    test.centreY = op.position.y;
    test.region = op.pcWindow->getDrawRegion();
    test.radius = op.radius;
    test.angle = op.angle;
    test.halfWindow = kPi * op.angleWidth / 2;
    return test;
}

OperatorCapture OperatorCapture::of(const AROperator& op) {
    return op.isPlaced() ? between(op, op.leftAxis) : OperatorCapture();
}

OperatorCapture::Segment OperatorCapture::segment(const float* rowNorm) const {
    const double y1 = region.toView(rowNorm[axis]);
    const double y2 = region.toView(rowNorm[axis + 1]);
    Segment s;
    s.dx = xb - xa;
    s.dy = y2 - y1;
    const double length = std::sqrt(s.dx * s.dx + s.dy * s.dy);
    const double cross = std::fabs(s.dy * (centreX - xa) - s.dx * (centreY - y1));
    s.distance = length > 0 ? cross / length : std::numeric_limits<double>::infinity();
    return s;
}

bool OperatorCapture::takes(const float* rowNorm) const {
    if (axis < 0) return false;
    const Segment s = segment(rowNorm);
    // The angle is only worth its arc tangent for segments near enough.
    if (!(s.distance < radius)) return false;
    const double turn = std::atan(s.dy / s.dx) - angle;
    return -halfWindow < turn && turn < halfWindow;
}

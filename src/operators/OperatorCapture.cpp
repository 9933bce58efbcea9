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
    test.setSlopeWindow();
    return test;
}

// A slope more than `margin` = 1e-9 (1 + t^2) beyond t = tan(end) has an arc
// tangent more than about 1e-9 radians beyond the end: far more than the
// roundings of tan, atan and the subtraction (a few 1e-16 radians), so the
// arc tangent's test would decide the same way.
void OperatorCapture::setSlopeWindow() {
    constexpr double kRightAngle = kPi / 2;
    constexpr double kNearRightAngle = 1e-6;
    slopes = SlopeWindow();
    const double lowEnd = angle - halfWindow, highEnd = angle + halfWindow;
    if (!std::isfinite(lowEnd) || !std::isfinite(highEnd)) return;
    if (std::fabs(std::fabs(lowEnd) - kRightAngle) < kNearRightAngle ||
        std::fabs(std::fabs(highEnd) - kRightAngle) < kNearRightAngle) {
        return;
    }
    // An end beyond +-pi/2 on its own side bounds nothing. A window wholly
    // outside (-pi/2, pi/2) takes nothing: the arc tangent says so.
    if (lowEnd >= kRightAngle || highEnd <= -kRightAngle) return;
    slopes.lowBounds = lowEnd > -kRightAngle;
    slopes.highBounds = highEnd < kRightAngle;
    if (slopes.lowBounds) {
        slopes.low = std::tan(lowEnd);
        slopes.lowMargin = 1e-9 * (1 + slopes.low * slopes.low);
    }
    if (slopes.highBounds) {
        slopes.high = std::tan(highEnd);
        slopes.highMargin = 1e-9 * (1 + slopes.high * slopes.high);
    }
    slopes.usable = true;
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
    const double slope = s.dy / s.dx;
    if (slopes.usable) {
        // Without branches until the one that is nearly always taken: which
        // way a segment goes is as good as random.
        const bool aboveLow = !slopes.lowBounds | (slope > slopes.low + slopes.lowMargin);
        const bool belowHigh = !slopes.highBounds | (slope < slopes.high - slopes.highMargin);
        const bool inside = aboveLow & belowHigh & !std::isnan(slope);
        const bool outside = (slopes.lowBounds & (slope < slopes.low - slopes.lowMargin)) |
                             (slopes.highBounds & (slope > slopes.high + slopes.highMargin));
        if (inside | outside) return inside;
    }
    const double turn = std::atan(slope) - angle;
    return -halfWindow < turn && turn < halfWindow;
}

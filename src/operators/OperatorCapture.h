// OperatorCapture: the test by which a regular operator takes a row, on the
// row's normalised values alone. The operator's list-building in the window
// (AROperator::updateControlList) and the labelling of a table by a
// session's rules (LabelRules) both decide with it, so the two cannot drift.
//
// The row's segment between axis `axis` and the next is measured on screen:
// heights are draw-region values (view units, y up) of the normalised values,
// x positions are the axes' view x multiplied by the view's aspect A. The
// operator takes the row when the segment's line passes strictly within
// `radius` of the aspect-scaled centre and its angle atan(dy / dx) differs from
// `angle` by strictly less than pi * angleWidth / 2 (the difference is not
// wrapped). A segment of zero length passes nothing.
#pragma once

#include "layout/DrawRegion.h"

class AROperator;

struct OperatorCapture {
    // The segment of a row, aspect-scaled view units.
    struct Segment {
        double dx, dy;    // right end minus left end
        double distance;  // from the aspect-scaled centre to the segment's line
    };

    // The test of `op`, measured in its view as the view stands now; an
    // operator that stands between no axes takes nothing (placed() false).
    static OperatorCapture of(const AROperator& op);
    // The segment measure of `op` between `leftAxis` and the next (its angular histogram).
    static OperatorCapture between(const AROperator& op, int leftAxis);

    bool placed() const { return axis >= 0; }
    Segment segment(const float* rowNorm) const;
    // Whether the operator takes the row whose normalised values are `rowNorm`.
    bool takes(const float* rowNorm) const;

    int axis = -1;            // the segment's left axis (dimension); -1: takes nothing
    double xa = 0, xb = 0;    // the two axes, aspect-scaled view x
    double centreX = 0;       // the operator's centre, aspect-scaled view x
    double centreY = 0;       // view y
    DrawRegion region;        // where normalised values stand
    double radius = 0;        // capture radius, view units
    double angle = 0;         // principal angle, radians
    double halfWindow = 0;    // pi * angleWidth / 2, radians

    // The window's ends as slopes dy / dx, so that most segments are decided
    // without their arc tangent (a drag step of an operator tests every item
    // of its parent, and the arc tangent was half of that test). The arc
    // tangent is increasing, so a slope clearly above the low end's tangent
    // and clearly below the high end's is inside, one clearly beyond either
    // is outside; only a slope within `margin` of an end is measured by its
    // arc tangent, as before. An end beyond a right angle bounds nothing
    // (every arc tangent lies within it); an end within 1e-6 of one makes
    // every segment take the arc tangent.
    struct SlopeWindow {
        bool usable = false;
        bool lowBounds = false, highBounds = false;  // whether each end excludes any slope
        double low = 0, high = 0;                    // tan(angle -+ halfWindow)
        double lowMargin = 0, highMargin = 0;        // slopes this near an end take the arc tangent
    };
    SlopeWindow slopes;
    void setSlopeWindow();
};

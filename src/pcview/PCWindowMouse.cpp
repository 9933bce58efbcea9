// PCWindow: mouse gestures on the view. All positions are view units
// (converted once from window pixels).
//
//   button, event   modifiers  where                    action
//   left push       Ctrl       anywhere                 add a hint point on the nearest axis
//   left push       -          anywhere                 select hint point / grab / lock / rotate / create primary
//   left drag       any        selected hint point      move it along its axis
//                              grabbed operator         move it (it stays inside its region)
//                              rotated operator         turn it
//   left release    any        anywhere                 end the gesture
//   middle push     any        near an operator         remove it
//   right push      Ctrl       near an unlocked point   delete that hint point
//   right push      -          not near an operator     create a secondary operator
//   wheel           Ctrl / -   near an operator         angular width / radius
//   wheel           Ctrl       near an unlocked point   that point's deviation, then as below
//   wheel           Alt        no operator near         histogram width of the nearest axis
//   wheel           not Alt    no operator near         spread or narrow the axes around the region
//   move (no button)  -        near an item line        highlight and label it (PCWindowHover.cpp)
//   any push or drag, leaving the view                  end the hovering
#include "pcview/PCWindow.h"

#include <FL/Enumerations.H>

#include <algorithm>
#include <cmath>
#include <iostream>

#include "cluster/ClusterPath.h"
#include "cluster/MultidimensionalCluster.h"
#include "colorchooser/ColorChooserWindow.h"
#include "geometry/Angles.h"
#include "operators/ClusterTree.h"

namespace {

constexpr double kAngleWidthStep = -0.05;  // per wheel step (positive steps turn towards the user)
constexpr double kMinAngleWidth = 0.05, kMaxAngleWidth = kHalfPi;
constexpr double kRadiusStep = -0.005;     // view units per wheel step
constexpr double kMinRadius = 0.005, kMaxRadius = 0.3;
constexpr float kDeviationStep = -0.005f;  // normalised units per wheel step
constexpr float kMinDeviation = 0.005f;    // the wheel never takes a deviation below one step
constexpr float kHistogramWidthStep = -0.25f;

}  // namespace

Color4 PCWindow::chosenColor() const {
    return colorChooser != nullptr ? colorChooser->getColor() : Color4(0, 1, 1, 0.5f);
}

void PCWindow::handleMouseEvents(const PointerInput& input) {
    if (input.event == FL_LEAVE) {
        clearHover();
        return;
    }
    if (!isDataReady()) return;
    float xView = 0, yView = 0;
    transformMouseInput(&xView, &yView, input.xPx, input.yPx);
    const int button = input.button;
    ClusterTree* tree = getClusterTree();
    switch (input.event) {
        case FL_PUSH:
            clearHover();
            if (button == FL_LEFT_MOUSE) {
                if (input.ctrl) {
                    addHintPointAt(xView, yView);
                } else {
                    leftPush(xView, yView);
                }
            } else if (button == FL_MIDDLE_MOUSE) {
                removeOperatorAt(xView, yView);
            } else if (button == FL_RIGHT_MOUSE) {
                if (input.ctrl) {
                    deleteHintPointAt(xView, yView);
                } else {
                    AROperator* near = nullptr;
                    if (!tree->isNearOp(xView, yView, &near)) {
                        tree->addAR(this, xView, yView, false, chosenColor());
                        redrawWindows();
                    }
                }
            }
            break;
        case FL_DRAG:
            clearHover();
            if (button == FL_LEFT_MOUSE) leftDrag(xView, yView);
            break;
        case FL_MOVE:
            updateHover(xView, yView);
            break;
        case FL_RELEASE:
            if (button == FL_LEFT_MOUSE) {
                selectedHintPath = selectedHintDim = -1;
                grabbedOp = rotatedOp = nullptr;
                mouseTrace.clear();
                redrawWindows();
            } else if (button == FL_MIDDLE_MOUSE) {
                grabbedOp = nullptr;
            }
            break;
        case FL_MOUSEWHEEL:
            wheelStep(xView, yView, static_cast<float>(input.wheelDy), input.ctrl, input.alt);
            if (hoveredItem >= 0) updateHover(xView, yView);  // the lines moved under the pointer
            break;
        default:
            break;
    }
}

void PCWindow::addHintPointAt(float xView, float yView) {
    ParallelCoordinatesAxis* axes = getAxes();
    ClusterPath* hintPaths = getPaths();
    mouseTrace.push_back(Point2(xView, yView));
    const int axis = axes->getNearestAxis(xView, yView);
    if (axis == -1) return;
    const int path = hintPaths->getAvailableIndex(axis);
    const float axisX = axes->getAxisPosition(axis);
    hintPaths->addHintPoint(path, axis, axisX, yView);  // on the axis, not at the pointer's x
    std::cout << "add hint point at " << axisX << "," << yView << " with pathIndex = " << path << std::endl;
    updateGaussianMixtures();
    redrawWindows();
}

void PCWindow::leftPush(float xView, float yView) {
    ClusterTree* tree = getClusterTree();
    MultidimensionalCluster* groups = getClusters();
    mouseTrace.push_back(Point2(xView, yView));
    // A hint point under the pointer: toggle its locked group's display, or select it.
    const int axis = getAxes()->getNearestAxis(xView, yView);
    int index = -1;
    bool onLocked = true;
    if (axis >= 0) getPaths()->getNearestHintPoint(&onLocked, &index, axis, xView, yView);
    const bool hintHit = index != -1;
    if (hintHit && onLocked) {
        if (const DataItemGroup* group = groups->getLockedGroup(index)) groups->setGroupHideState(!group->hidden, index);
    }
    if (hintHit && !onLocked) {
        selectedHintPath = index;
        selectedHintDim = axis;
    } else {
        selectedHintPath = selectedHintDim = -1;
    }

    AROperator* hit = nullptr;
    grabbedOp = tree->isNearOp(xView, yView, &hit) ? hit : nullptr;
    AROperator* lockHit = nullptr;
    if (tree->isInLockRegion(xView, yView, &lockHit)) tree->toggleLock(lockHit);
    if (grabbedOp == nullptr && lockHit == nullptr) {
        AROperator* inside = nullptr;
        if (tree->isInBounding(xView, yView, &inside)) rotatedOp = inside;
    }
    if (!hintHit && grabbedOp == nullptr && lockHit == nullptr && rotatedOp == nullptr) {
        tree->addAR(this, xView, yView, true, chosenColor());
    }
    redrawWindows();
}

void PCWindow::leftDrag(float xView, float yView) {
    bool changed = false;
    if (selectedHintPath != -1) {
        const float axisX = getAxes()->getAxisPosition(selectedHintDim);
        if (getPaths()->adjustHintPoint(selectedHintPath, selectedHintDim, axisX, yView)) {
            updateGaussianMixtures();
            changed = true;
        }
    }
    if (grabbedOp != nullptr) {
        getClusterTree()->moveOperator(grabbedOp, xView, yView);  // it stays inside its region
        changed = true;
    }
    if (rotatedOp != nullptr) {
        rotateStep(xView, yView);
        changed = true;
    }
    if (changed) redrawWindows();
}

// Turns the rotated operator by the angle the pointer swept around its centre
// since the last step (the trace holds the reference point).
void PCWindow::rotateStep(float xView, float yView) {
    const Point2 centre = rotatedOp->position;
    mouseTrace.push_back(Point2(xView, yView));
    const Point2 reference = mouseTrace.front();
    const float curX = xView - centre.x, curY = yView - centre.y;
    const float refX = reference.x - centre.x, refY = reference.y - centre.y;
    const float curNorm = std::sqrt(curX * curX + curY * curY);
    const float refNorm = std::sqrt(refX * refX + refY * refY);
    if (refNorm == 0) {
        // The reference sits on the centre: it gives no direction, take the new point instead.
        mouseTrace.erase(mouseTrace.begin());
        return;
    }
    if (curNorm == 0) {
        mouseTrace.pop_back();  // no direction this step; keep the reference
        return;
    }
    // Rounding can push the cosine a hair past +-1, where acos has no value.
    const float cosine = std::clamp((curX * refX + curY * refY) / (curNorm * refNorm), -1.0f, 1.0f);
    const float theta = std::acos(cosine);
    const float sign = (curX * refY - curY * refX) < 0 ? 1.0f : -1.0f;
    double angle = rotatedOp->angle + sign * theta;
    if (angle > kHalfPi) angle -= kPi;
    if (angle < -kHalfPi) angle += kPi;
    std::cout << "current angle " << angle << std::endl;
    mouseTrace.erase(mouseTrace.begin());
    getClusterTree()->setOperatorAngle(rotatedOp, angle);
}

void PCWindow::removeOperatorAt(float xView, float yView) {
    ClusterTree* tree = getClusterTree();
    AROperator* hit = nullptr;
    if (tree->isNearOp(xView, yView, &hit)) {
        tree->removeAR(hit);
        // Gesture state must never name a released node.
        if (rotatedOp != nullptr && !tree->contains(rotatedOp)) rotatedOp = nullptr;
    }
    grabbedOp = nullptr;
    redrawWindows();
}

void PCWindow::deleteHintPointAt(float xView, float yView) {
    ClusterPath* hintPaths = getPaths();
    const int axis = getAxes()->getNearestAxis(xView, yView);
    int path = -1;
    if (axis == -1 || !hintPaths->isNearUnlockedHintPoint(&path, axis, xView, yView)) return;
    if (!hintPaths->deleteHintPoint(path, axis)) return;
    std::cout << "delete hint point at " << xView << "," << yView << " with pathIndex = " << path << std::endl;
    selectedHintPath = selectedHintDim = -1;
    updateGaussianMixtures();
    redrawWindows();
}

void PCWindow::wheelStep(float xView, float yView, float delta, bool ctrl, bool alt) {
    ClusterTree* tree = getClusterTree();
    ClusterPath* hintPaths = getPaths();
    AROperator* wheelOp = nullptr;  // the operator under the pointer, for this step only
    if (tree->isNearOp(xView, yView, &wheelOp)) {
        if (ctrl) {
            tree->setOperatorAngleWidth(
                wheelOp, std::clamp(wheelOp->angleWidth + delta * kAngleWidthStep, kMinAngleWidth, kMaxAngleWidth));
        } else {
            tree->setOperatorRadius(wheelOp, std::clamp(wheelOp->radius + delta * kRadiusStep, kMinRadius, kMaxRadius));
        }
        redrawWindows();
        return;
    }
    const int axis = getAxes()->getNearestAxis(xView, yView);
    int path = -1;
    if (ctrl && axis != -1 && hintPaths->isNearUnlockedHintPoint(&path, axis, xView, yView)) {
        float& deviation = hintPaths->getUnlockedPath(path)->deviations[axis];
        // Never below one step (nor lower than it already was): a deviation of 0
        // or less would make the path match no item at all.
        // Nor above the largest a session takes back.
        deviation = std::min(std::max(deviation + delta * kDeviationStep, std::min(deviation, kMinDeviation)),
                             ClusterPath::kMaxDeviation);
        updateGaussianMixtures();
    }
    if (alt) {
        if (axis != -1) stepHistogramWidth(axis, delta * kHistogramWidthStep);
    } else {
        adjustAxisPositions(getAxes()->getRegionIndex(xView, yView), delta);
    }
    redrawWindows();
}

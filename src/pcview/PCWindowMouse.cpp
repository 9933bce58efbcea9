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
//   move (no button)  -        over an axis title       show the whole title
//   left push         -        on an axis title         start dragging the axis (double click: flip it)
//   left drag/release -        title dragged            the axis goes to the slot nearest the release
//   right push        -        on an axis title         its menu: flip, linear or log scale, colour by it
//   any push or drag, leaving the view                  end the hovering
//
// Every change is an operation of the document. A press starts a gesture
// (its drags and the edits of the press are one step of the history); wheel
// steps on the same target within kBurstSeconds of each other are one step.
#include "pcview/PCWindow.h"

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Menu_Item.H>

#include <algorithm>
#include <cmath>
#include <iostream>

#include <chrono>

#include "cluster/ClusterPath.h"
#include "geometry/Angles.h"
#include "operators/ClusterTree.h"

Color4 PCWindow::chosenColor() const { return document.getColourChoice().colour(); }

uint64_t PCWindow::burstGesture(int kind, const void* target, int detail) {
    const double now = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    if (kind != lastBurst.kind || target != lastBurst.target || detail != lastBurst.detail ||
        now - lastBurst.atSeconds > kBurstSeconds) {
        lastBurst.gesture = document.newGesture();
    }
    lastBurst.kind = kind;
    lastBurst.target = target;
    lastBurst.detail = detail;
    lastBurst.atSeconds = now;
    return lastBurst.gesture;
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
    const ClusterTree* tree = getClusterTree();
    if (draggedTitle >= 0 && (input.event == FL_DRAG || input.event == FL_RELEASE)) {
        titleDragXView = xView;
        if (input.event == FL_RELEASE) {
            const int from = draggedTitle;
            const int to = getAxes()->getNearestAxis(xView, yView);
            draggedTitle = -1;
            if (to >= 0 && to != from) document.moveAxis(from, to, pressGesture);
            document.endGesture();
        }
        redrawWindows();
        return;
    }
    if (input.event == FL_PUSH && (input.button == FL_LEFT_MOUSE || input.button == FL_RIGHT_MOUSE) && !input.ctrl) {
        const int slot = titleUnder(input.xPx, input.yPx);
        if (slot >= 0) {
            clearHover();
            lastBurst = Burst();
            pressGesture = document.newGesture();
            titleGesturePush(input, slot);
            redrawWindows();
            return;
        }
    }
    switch (input.event) {
        case FL_PUSH:
            clearHover();
            lastBurst = Burst();  // a click ends a wheel burst or a key held down
            pressGesture = document.newGesture();
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
                        document.addOperator(xView, yView, false, chosenColor(), pressGesture);
                    }
                }
            }
            redrawWindows();
            break;
        case FL_DRAG:
            clearHover();
            if (button == FL_LEFT_MOUSE) leftDrag(xView, yView);
            break;
        case FL_MOVE: {
            const int title = titleUnder(input.xPx, input.yPx);
            if (title != hoveredTitle) {
                hoveredTitle = title;
                redrawWindows();
            }
            updateHover(xView, yView);
            break;
        }
        case FL_RELEASE:
            if (button == FL_LEFT_MOUSE) {
                selectedHintPath = selectedHintDim = -1;
                grabbedOp = rotatedOp = nullptr;
                mouseTrace.clear();
                redrawWindows();
            } else if (button == FL_MIDDLE_MOUSE) {
                grabbedOp = nullptr;
            }
            document.endGesture();
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
    mouseTrace.push_back(Point2(xView, yView));
    const int axis = getAxes()->getNearestAxis(xView, yView);
    if (axis == -1) return;
    document.addHintPoint(axis, yView, pressGesture);
}

void PCWindow::leftPush(float xView, float yView) {
    const ClusterTree* tree = getClusterTree();
    mouseTrace.push_back(Point2(xView, yView));
    // A hint point under the pointer: toggle its locked group's display, or select it.
    const int axis = getAxes()->getNearestAxis(xView, yView);
    int index = -1;
    bool onLocked = true;
    if (axis >= 0) getPaths()->getNearestHintPoint(&onLocked, &index, axis, xView, yView);
    const bool hintHit = index != -1;
    if (hintHit && onLocked) document.toggleLockedGroupHidden(index, pressGesture);
    if (hintHit && !onLocked) {
        selectedHintPath = index;
        selectedHintDim = axis;
    } else {
        selectedHintPath = selectedHintDim = -1;
    }

    AROperator* hit = nullptr;
    grabbedOp = tree->isNearOp(xView, yView, &hit) ? hit : nullptr;
    AROperator* lockHit = nullptr;
    if (tree->isInLockRegion(xView, yView, &lockHit)) document.toggleOperatorLock(lockHit, pressGesture);
    if (grabbedOp == nullptr && lockHit == nullptr) {
        AROperator* inside = nullptr;
        if (tree->isInBounding(xView, yView, &inside)) rotatedOp = inside;
    }
    if (!hintHit && grabbedOp == nullptr && lockHit == nullptr && rotatedOp == nullptr) {
        document.addOperator(xView, yView, true, chosenColor(), pressGesture);
    }
}

void PCWindow::leftDrag(float xView, float yView) {
    bool changed = false;
    if (selectedHintPath != -1) {
        changed |= document.moveHintPoint(selectedHintPath, selectedHintDim, yView, pressGesture);
    }
    if (grabbedOp != nullptr) {
        changed |= document.moveOperator(grabbedOp, xView, yView, pressGesture);  // it stays inside its region
    }
    if (rotatedOp != nullptr) changed |= rotateStep(xView, yView);
    if (changed) redrawWindows();
}

// Turns the rotated operator by the angle the pointer swept around its centre
// since the last step (the trace holds the reference point).
bool PCWindow::rotateStep(float xView, float yView) {
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
        return false;
    }
    if (curNorm == 0) {
        mouseTrace.pop_back();  // no direction this step; keep the reference
        return false;
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
    return document.turnOperator(rotatedOp, angle, pressGesture);
}

void PCWindow::removeOperatorAt(float xView, float yView) {
    AROperator* hit = nullptr;
    if (getClusterTree()->isNearOp(xView, yView, &hit)) {
        // Gesture state must never name a released node.
        if (document.removeOperator(hit, pressGesture)) clearGestureState();
    }
    grabbedOp = nullptr;
}

void PCWindow::deleteHintPointAt(float xView, float yView) {
    const int axis = getAxes()->getNearestAxis(xView, yView);
    int path = -1;
    if (axis == -1 || !getPaths()->isNearUnlockedHintPoint(&path, axis, xView, yView)) return;
    if (!document.deleteHintPoint(path, axis, pressGesture)) return;
    std::cout << "delete hint point at " << xView << "," << yView << " with pathIndex = " << path << std::endl;
    selectedHintPath = selectedHintDim = -1;
}

// What a wheel burst acts on, to tell bursts apart (see burstGesture).
enum WheelTarget { kWheelOperatorRadius, kWheelOperatorWidth, kWheelHintPoint, kWheelHistogram, kWheelAxes };

void PCWindow::wheelStep(float xView, float yView, float delta, bool ctrl, bool alt) {
    const ClusterTree* tree = getClusterTree();
    AROperator* wheelOp = nullptr;  // the operator under the pointer, for this step only
    if (tree->isNearOp(xView, yView, &wheelOp)) {
        if (ctrl) {
            document.stepOperatorAngleWidth(wheelOp, delta, burstGesture(kWheelOperatorWidth, wheelOp, 0));
        } else {
            document.stepOperatorRadius(wheelOp, delta, burstGesture(kWheelOperatorRadius, wheelOp, 0));
        }
        redrawWindows();
        return;
    }
    const int axis = getAxes()->getNearestAxis(xView, yView);
    const int region = getAxes()->getRegionIndex(xView, yView);
    int path = -1;
    // Ctrl over a hint point also moves the axes (unless Alt is held): both
    // belong to one burst, and so to one step.
    const bool onHint = ctrl && axis != -1 && getPaths()->isNearUnlockedHintPoint(&path, axis, xView, yView);
    const uint64_t gesture = onHint ? burstGesture(kWheelHintPoint, nullptr, path * 4096 + axis)
                             : alt  ? burstGesture(kWheelHistogram, nullptr, axis)
                                    : burstGesture(kWheelAxes, nullptr, region);
    if (onHint) document.stepHintDeviation(path, axis, delta, gesture);
    if (alt) {
        if (axis != -1) document.stepHistogramWidth(axis, delta, gesture);
    } else {
        document.spreadAxes(region, delta, gesture);
    }
    redrawWindows();
}

void PCWindow::titleGesturePush(const PointerInput& input, int slot) {
    if (input.button == FL_RIGHT_MOUSE) {
        titleMenu(slot);
        return;
    }
    if (input.clicks > 0) {
        document.flipAxis(slot, pressGesture);
        return;
    }
    draggedTitle = slot;
    float yView = 0;
    transformMouseInput(&titleDragXView, &yView, input.xPx, input.yPx);
}

void PCWindow::titleMenu(int slot) {
    const MultidimensionalData* data = getData();
    const bool logarithmic = data->getAxisScale(slot).logarithmic;
    const bool numeric = data->getAxisColumn(slot).kind == ColumnKind::Numeric;
    const bool colouring = model().getColourByDim() == slot;
    const int linear = logarithmic ? FL_MENU_RADIO : FL_MENU_RADIO | FL_MENU_VALUE;
    const int log = (logarithmic ? FL_MENU_RADIO | FL_MENU_VALUE : FL_MENU_RADIO) | (numeric ? 0 : FL_MENU_INACTIVE);
    const Fl_Menu_Item items[] = {
        {"Flip Axis", 0, nullptr, nullptr, FL_MENU_DIVIDER, 0, 0, 0, 0},
        {"Linear Scale", 0, nullptr, nullptr, linear, 0, 0, 0, 0},
        {"Logarithmic Scale", 0, nullptr, nullptr, log | FL_MENU_DIVIDER, 0, 0, 0, 0},
        {colouring ? "Plain Line Colour" : "Colour Lines By This Column", 0, nullptr, nullptr, 0, 0, 0, 0, 0},
        {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0},
    };
    const Fl_Menu_Item* chosen = items->popup(Fl::event_x(), Fl::event_y(), axisNames[static_cast<size_t>(slot)].c_str());
    if (chosen == nullptr) return;
    switch (chosen - items) {
        case 0: document.flipAxis(slot, pressGesture); break;
        case 1: document.setAxisLogarithmic(slot, false, nullptr, pressGesture); break;
        case 2: document.setAxisLogarithmic(slot, true, nullptr, pressGesture); break;
        case 3: document.setColourByDim(colouring ? -1 : slot, pressGesture); break;
        default: break;
    }
}

// PointerInput: one pointer event of a window as plain values. A window's
// handle() reads the toolkit's event state into one of these (the only place
// that reads it) and hands it to the window's mouse handler, which tests can
// call with values of their own.
#pragma once

struct PointerInput {
    int event = 0;         // FL_PUSH, FL_DRAG, FL_RELEASE, FL_MOVE, FL_MOUSEWHEEL or FL_LEAVE
    int button = 0;        // FL_LEFT_MOUSE (1), FL_MIDDLE_MOUSE (2) or FL_RIGHT_MOUSE (3)
    bool ctrl = false;     // a Ctrl key is held
    bool alt = false;      // an Alt key is held
    int wheelDy = 0;       // wheel step: -1 turned away from the user, +1 towards
    int xPx = 0, yPx = 0;  // window pixels, origin top-left, y down
    int clicks = 0;        // a press: quick clicks before it at the same place (1: this press makes a double click)

    // The toolkit's current event `event`.
    static PointerInput fromToolkit(int event);
    // An event of `button` (1 left, 2 middle, 3 right) at window pixel (xPx, yPx), no modifier.
    static PointerInput at(int event, int xPx, int yPx, int button = 1) {
        PointerInput input;
        input.event = event;
        input.button = button;
        input.xPx = xPx;
        input.yPx = yPx;
        return input;
    }
};

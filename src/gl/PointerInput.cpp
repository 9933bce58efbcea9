#include "gl/PointerInput.h"

#include <FL/Fl.H>

PointerInput PointerInput::fromToolkit(int event) {
    PointerInput input;
    input.event = event;
    input.button = Fl::event_button();
    input.ctrl = Fl::event_ctrl() != 0;
    input.alt = Fl::event_alt() != 0;
    input.wheelDy = event == FL_MOUSEWHEEL ? Fl::event_dy() : 0;
    input.clicks = event == FL_PUSH ? Fl::event_clicks() : 0;
    input.xPx = Fl::event_x();
    input.yPx = Fl::event_y();
    return input;
}

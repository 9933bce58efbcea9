// PCWindow: mouse gestures on the view.
#include "pcview/PCWindow.h"

#include <FL/Enumerations.H>

void PCWindow::handleMouseEvents(int button, int event, int /*state*/, int xPx, int yPx) {
    float xView = 0, yView = 0;
    transformMouseInput(&xView, &yView, xPx, yPx);
    if (button == FL_LEFT_MOUSE && event == FL_PUSH) {
        mouseTrace.push_back(Point2(xView, yView));
        redrawWindows();
    } else if (button == FL_LEFT_MOUSE && event == FL_RELEASE) {
        selectedHintPath = selectedHintDim = -1;
        mouseTrace.clear();
        redrawWindows();
    }
}

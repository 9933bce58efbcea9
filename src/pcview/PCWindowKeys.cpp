// PCWindow: single-key commands of the view. Only character keys act (and
// Escape); a key pressed with Ctrl or Alt is left to the menu, so that its
// shortcuts work wherever the pointer is. Every command is an operation of
// the document; presses of one key on one target within kBurstSeconds of
// each other (a key held down) are one step of the history.
#include "pcview/PCWindow.h"

#include <FL/Fl.H>

#include <iostream>

#include "gl/GlWindowSetup.h"

// What a key press acts on, to tell bursts of a key held down apart (see burstGesture).
enum KeyTarget { kKeyOnView = 100 };

int PCWindow::handleKeyboardEvents(unsigned int key, int xPx, int yPx) {
    // A key held down repeats: its presses are one step.
    auto gesture = [&] { return burstGesture(kKeyOnView, nullptr, static_cast<int>(key)); };
    switch (key) {
        case 27:  // Escape: the program ends (status 0) once the event loop returns
            quitEventLoop();
            return 1;
        case ' ':
            document.toggleAllHints(gesture());
            break;
        case '\'': case ',': case '.': case ';':
            handlePathAdjusting(static_cast<unsigned char>(key), xPx, yPx);
            break;
        case '-': case '=': case '[': case ']':
            handleSingleHintPointAdjusting(static_cast<unsigned char>(key), xPx, yPx);
            break;
        case 'A': case 'a':
            // On a large table the ordering runs on a worker thread; the view
            // shows its progress and takes the result when it is there.
            document.toggleDensityOrdering(true, gesture());
            break;
        case 'C': case 'c': case 'R': case 'r':
            document.clearHintPaths(gesture());
            break;
        case 'G': case 'g':
            document.toggleGroupSort(gesture());
            break;
        case 'H': case 'h':
            document.toggleHistograms(gesture());
            break;
        case 'L': case 'l':
            changeHintPathLockState(xPx, yPx);
            break;
        case 'M': case 'm':
            document.toggleMixtures(gesture());
            break;
        case 'P': case 'p':
            document.toggleHintPaths(gesture());
            break;
        case 'F': case 'f': case 'O': case 'o': case 'U': case 'u': {
            // On the axis nearest the pointer: flip it, switch its scale (linear or
            // logarithmic), colour the lines by it (or no more). One step per press.
            float xView = 0, yView = 0;
            transformMouseInput(&xView, &yView, xPx, yPx);
            const int slot = isDataReady() ? getAxes()->getNearestAxis(xView, yView) : -1;
            if (slot < 0) break;
            const int lower = key | 0x20;
            if (lower == 'f') {
                document.flipAxis(slot);
            } else if (lower == 'o') {
                document.setAxisLogarithmic(slot, !getData()->getAxisScale(slot).logarithmic);
            } else {
                document.setColourByDim(model().getColourByDim() == slot ? -1 : slot);
            }
            break;
        }
        case 'B': case 'b': case 'N': case 'n': case 'S': case 's': case 'V': case 'v': case 'X': case 'x':
            break;  // no command of their own; the view is redrawn
        default:
            return 0;
    }
    redrawWindows();
    return 1;
}

void PCWindow::watchDensityOrdering(void* window) {
    auto* view = static_cast<PCWindow*>(window);
    view->document.finishDensityOrdering();
    view->redraw();  // the progress mark, or its removal
    if (view->isDensityOrderingPending()) Fl::repeat_timeout(kDensityPollSeconds, watchDensityOrdering, view);
}

// PCWindow: single-key commands of the view. Only character keys act (and
// Escape); a key pressed with Ctrl or Alt is left to the menu, so that its
// shortcuts work wherever the pointer is.
#include "pcview/PCWindow.h"

#include <FL/Fl.H>

#include <iostream>

#include "gl/GlWindowSetup.h"

int PCWindow::handleKeyboardEvents(unsigned int key, int xPx, int yPx) {
    switch (key) {
        case 27:  // Escape: the program ends (status 0) once the event loop returns
            quitEventLoop();
            return 1;
        case ' ':
            if (allHintsOff) {
                turnOnAllHints();
            } else {
                shutDownAllHints();
            }
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
            setGaussianOrdering(!getGaussianOrdering(), true);
            if (isDensityOrderingPending() && !Fl::has_timeout(watchDensityOrdering, this)) {
                Fl::add_timeout(kDensityPollSeconds, watchDensityOrdering, this);
            }
            break;
        case 'C': case 'c': case 'R': case 'r':
            clearClusterPaths();
            break;
        case 'G': case 'g':
            std::cout << "Group sort is " << (getGroupSort() ? "deactivated" : "activated") << " !" << std::endl;
            setGroupSort(!getGroupSort());
            break;
        case 'H': case 'h':
            showHistograms = !showHistograms;
            break;
        case 'L': case 'l':
            changeHintPathLockState(xPx, yPx);
            break;
        case 'M': case 'm':
            showMixtures = !showMixtures;
            break;
        case 'P': case 'p':
            showHintPaths = !showHintPaths;
            break;
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
    view->finishDensityOrdering();
    view->redraw();  // the progress mark, or its removal
    if (view->isDensityOrderingPending()) Fl::repeat_timeout(kDensityPollSeconds, watchDensityOrdering, view);
}

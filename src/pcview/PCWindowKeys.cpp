// PCWindow: single-key commands of the view. Only character keys act (and
// Escape); a key pressed with Ctrl or Alt is left to the menu, so that its
// shortcuts work wherever the pointer is.
#include "pcview/PCWindow.h"

#include <cstdlib>
#include <iostream>

#include "cluster/MultidimensionalCluster.h"

int PCWindow::handleKeyboardEvents(unsigned int key, int xPx, int yPx) {
    switch (key) {
        case 27:  // Escape
            std::exit(0);
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
            gaussianOrdering = !gaussianOrdering;
            if (gaussianOrdering) calculateDiff_GaussianBased();
            break;
        case 'C': case 'c': case 'R': case 'r':
            clearClusterPaths();
            break;
        case 'G': case 'g':
            groupSort = !groupSort;
            std::cout << "Group sort is " << (groupSort ? "activated" : "deactivated") << " !" << std::endl;
            if (groups) groups->sortGroups();
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

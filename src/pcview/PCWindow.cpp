// PCWindow: construction, following the document, transforms and event routing.
#include "pcview/PCWindow.h"

#include <FL/Fl.H>

#include <cmath>

#include "data/NumberText.h"
#include "geometry/Angles.h"
#include "gl/GlWindowSetup.h"

PCWindow::PCWindow(Document& shown, int x, int y, int w, int h, const char* label)
    : Fl_Gl_Window(x, y, w, h, label), document(shown) {
    mode(chooseGlContextMode());
    document.setViewAspect(static_cast<float>(w) / static_cast<float>(h));
    calculateSinCosValues();
    document.addObserver(this);
    if (document.model().isDataReady()) tableLinked();
}

// The base destructor hides the window without reaching our hide().
PCWindow::~PCWindow() {
    document.removeObserver(this);
    Fl::remove_timeout(continueLineLayer, this);
    Fl::remove_timeout(watchDensityOrdering, this);
    Fl::remove_timeout(settleHistory, this);
    if (context() != nullptr) {
        make_current();
        lineLayer.release();
    }
}

void PCWindow::calculateSinCosValues() {
    sinCosLength = kCircleSamples;
    for (int n = 0; n < sinCosLength; ++n) {
        const float t = static_cast<float>(n) / static_cast<float>(sinCosLength);
        sinValues[n] = static_cast<float>(std::sin(2 * kPi * t));
        cosValues[n] = static_cast<float>(std::cos(2 * kPi * t));
    }
}

void PCWindow::clearGestureState() {
    grabbedOp = rotatedOp = nullptr;
    mouseTrace.clear();
    selectedHintPath = selectedHintDim = -1;
    draggedTitle = -1;
}

void PCWindow::tableWillChange() {
    clearGestureState();
    clearHover();
}

void PCWindow::documentChanged(const DocumentChange& change) {
    if (change.kind == DocumentChange::kHistory || change.kind == DocumentChange::kRefused) return;  // nothing to draw anew
    switch (change.kind) {
        case DocumentChange::kNewTable:
            tableLinked();
            break;
        case DocumentChange::kUndo:
        case DocumentChange::kRedo:
            // Nodes and hint points the gesture held may be gone or elsewhere.
            clearGestureState();
            clearHover();
            break;
        default:
            break;
    }
    // A new order, flip or scale: new titles and labels.
    if (isDataReady() && model().getArrangementRevision() != labelsArrangement) buildAxisLabels();
    // An ordering started by undo or redo is watched like one started by its key.
    if (isDensityOrderingPending() && !Fl::has_timeout(watchDensityOrdering, this)) {
        Fl::add_timeout(kDensityPollSeconds, watchDensityOrdering, this);
    }
    redrawWindows();
}

void PCWindow::tableLinked() {
    clearGestureState();
    clearHover();  // the hovered row belonged to the previous table
    axisNames.clear();
    axisMinLabels.clear();
    axisMaxLabels.clear();
    categoryLabelsShown.clear();
    categoryLabelTexts.clear();
    categoryLabelsHeightPx = -1;
    hoveredTitle = draggedTitle = -1;
    buildAxisLabels();
    redrawWindows();
}

void PCWindow::buildAxisLabels() {
    axisNames.clear();
    axisMinLabels.clear();
    axisMaxLabels.clear();
    categoryLabelsHeightPx = -1;
    titlesWidthPx = -1;
    labelsArrangement = model().getArrangementRevision();
    const MultidimensionalData* data = getData();
    if (data == nullptr) return;
    for (int d = 0; d < data->getActualDimNum(); ++d) {
        axisNames.push_back(data->getAxisName(d));
        axisMinLabels.push_back(data->getAxisMinText(d));
        // The top's label says when the axis is logarithmic.
        axisMaxLabels.push_back(data->getAxisMaxText(d) + (data->getAxisScale(d).logarithmic ? " (log)" : ""));
    }
}

void PCWindow::transformMouseInput(float* xView, float* yView, int xPx, int yPx) const {
    pxToUnitSquare(xPx, yPx, w(), h(), xView, yView);
}

void PCWindow::resize(int x, int y, int w, int h) {
    Fl_Gl_Window::resize(x, y, w, h);
    updateUnitSquareViewport(this);
    document.setViewAspect(static_cast<float>(w) / static_cast<float>(h));
    redrawWindows();
}

int PCWindow::handle(int event) {
    if (isPointerEvent(event)) {
        handleMouseEvents(PointerInput::fromToolkit(event));
        return 1;
    }
    switch (event) {
        case FL_ENTER:
            // The toolkit's own bookkeeping first; then the event is taken
            // whatever it said, since FL_MOVE comes only to a window that took FL_ENTER.
            Fl_Gl_Window::handle(event);
            return 1;
        case FL_LEAVE:
            handleMouseEvents(PointerInput::fromToolkit(event));
            Fl_Gl_Window::handle(event);
            return 1;
        case FL_KEYDOWN:
        case FL_SHORTCUT: {
            // Only character keys and Escape are view commands; special keys
            // (arrows, Home, Insert, ...) are not, whatever their low byte, and
            // keys held with Ctrl or Alt belong to the menu.
            const int key = Fl::event_key();
            if (Fl::event_ctrl() || Fl::event_alt()) break;
            if (key == FL_Escape) return handleKeyboardEvents(27, Fl::event_x(), Fl::event_y());
            if (key <= 0 || key >= 0x100) break;
            if (handleKeyboardEvents(static_cast<unsigned int>(key), Fl::event_x(), Fl::event_y())) return 1;
            break;
        }
        default:
            break;
    }
    return Fl_Gl_Window::handle(event);
}

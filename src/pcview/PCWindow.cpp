// PCWindow: construction, linking of a table, transforms, projection set-up and
// the draw pass.
#include "pcview/PCWindow.h"

#include <GL/glew.h>

#include "geometry/GlWindowSetup.h"
#include "graph/GraphWindow.h"

PCWindow::PCWindow(int x, int y, int w, int h, const char* label)
    : Fl_Gl_Window(x, y, w, h, label), aspect(static_cast<float>(w) / static_cast<float>(h)) {
    mode(chooseGlContextMode());
}

PCWindow::~PCWindow() {
    // Per-table objects read the table while they are released, so they go first.
    axes.reset();
    data.reset();
}

void PCWindow::linkMDdata(MultidimensionalData* newData) {
    axes.reset();
    dataReady = false;
    data.reset(newData);
    if (graphWindow) graphWindow->releaseLinks();
    updateDataInfo();
}

void PCWindow::updateDataInfo() {
    if (dataReady) {
        axes.reset();
        dataReady = false;
    }
    if (!data) return;
    axes = std::make_unique<ParallelCoordinatesAxis>(data.get());
    dataReady = true;
    redraw();
}

void PCWindow::transformMouseInput(float* xView, float* yView, int xPx, int yPx) const {
    *xView = static_cast<float>(xPx) / static_cast<float>(w());
    *yView = 1.0f - static_cast<float>(yPx) / static_cast<float>(h());
}

void PCWindow::draw() {
    make_current();
    if (!valid()) {
        valid(1);
        setUpGlContext(w(), h(), 0);
        glEnable(GL_POLYGON_SMOOTH);
    }
    glClearColor(1, 1, 1, 0);
    glColor4f(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glLineWidth(2.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_MULTISAMPLE);
    if (!dataReady) return;
    // The view's layers (lines, axes, histograms, hints, mixtures, operators,
    // mouse trace) are drawn here in stacking order.
    glDisable(GL_POLYGON_SMOOTH);
    glDisable(GL_LINE_SMOOTH);
    glDisable(GL_MULTISAMPLE);
}

void PCWindow::resize(int x, int y, int w, int h) {
    Fl_Gl_Window::resize(x, y, w, h);
    if (shown()) {
        make_current();
        setUnitSquareProjection(w, h);
    }
    aspect = static_cast<float>(w) / static_cast<float>(h);
    redraw();
}

int PCWindow::handle(int event) {
    return Fl_Gl_Window::handle(event);
}

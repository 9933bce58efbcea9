#include "graph/GraphWindow.h"

#include <GL/glew.h>

#include "geometry/GlWindowSetup.h"

GraphWindow::GraphWindow(int x, int y, int w, int h, const char* label) : Fl_Gl_Window(x, y, w, h, label) {
    mode(chooseGlContextMode());
}

GraphWindow::~GraphWindow() = default;

void GraphWindow::linkPCWindow(PCWindow* view) { pcWindow = view; }

void GraphWindow::releaseLinks() {}

void GraphWindow::draw() {
    make_current();
    if (!valid()) {
        valid(1);
        setUpGlContext(w(), h(), 1);
    }
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void GraphWindow::resize(int x, int y, int w, int h) {
    Fl_Gl_Window::resize(x, y, w, h);
    if (shown()) {
        make_current();
        setUnitSquareProjection(w, h);
    }
    redraw();
}

int GraphWindow::handle(int event) { return Fl_Gl_Window::handle(event); }

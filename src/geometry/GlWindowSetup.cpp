#include "geometry/GlWindowSetup.h"

#include <GL/glew.h>
#include <FL/Fl_Gl_Window.H>
#include <FL/x.H>

int chooseGlContextMode() {
    const int plain = FL_RGB | FL_ALPHA | FL_DOUBLE;
    if (fl_display == nullptr) return plain;
    const int preferred = plain | FL_MULTISAMPLE;
    // A server without multisampled visuals would refuse to open the window.
    if (Fl_Gl_Window::can_do(preferred)) return preferred;
    return plain;
}

void setUnitSquareProjection(int widthPx, int heightPx) {
    glViewport(0, 0, widthPx, heightPx);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1, 0, 1, 1, -1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void setUpGlContext(int widthPx, int heightPx, float clearAlpha) {
    glewInit();
    setUnitSquareProjection(widthPx, heightPx);
    glClearColor(1, 1, 1, clearAlpha);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_LINE_SMOOTH);
}

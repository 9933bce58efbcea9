#include "gl/GlWindowSetup.h"

#include <GL/glew.h>
#include <FL/Fl.H>
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

bool isPointerEvent(int event) {
    return event == FL_PUSH || event == FL_RELEASE || event == FL_DRAG || event == FL_MOVE || event == FL_MOUSEWHEEL;
}

void pxToUnitSquare(int xPx, int yPx, int widthPx, int heightPx, float* xUnit, float* yUnit) {
    *xUnit = static_cast<float>(xPx) / static_cast<float>(widthPx > 0 ? widthPx : 1);
    *yUnit = 1.0f - static_cast<float>(yPx) / static_cast<float>(heightPx > 0 ? heightPx : 1);
}

void updateUnitSquareViewport(Fl_Gl_Window* window) {
    if (!window->shown()) return;
    window->make_current();
    setUnitSquareProjection(window->w(), window->h());
}

void quitEventLoop() {
    while (Fl_Window* window = Fl::first_window()) window->hide();
}

void beginSmoothFrame(bool alsoDepth) {
    glClearColor(1, 1, 1, 1);
    glClear(alsoDepth ? GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT : GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_POLYGON_SMOOTH);
    glEnable(GL_MULTISAMPLE);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
}

GLuint makeLinearTexture() {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    return texture;
}

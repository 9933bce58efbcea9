#include "colorchooser/ColorChooserWindow.h"

#include <GL/glew.h>
#include <FL/Fl.H>

#include "geometry/GlDrawer.h"
#include "geometry/GlWindowSetup.h"

namespace {

constexpr int kHueSteps = 20;            // quads stacked up the band, one hue sample each
constexpr float kGridCellWidth = 0.25f;  // grid cells are a quarter of the band wide
constexpr float kIndicatorRadius = 0.005f;  // band heights
constexpr int kIndicatorVertices = 100;

// Hue at band height yBand: six sextants from bottom to top.
float hueAt(float yBand) { return 6.0f * yBand; }

void horizontalLine(float yBand) {
    glBegin(GL_LINES);
    glVertex2f(0, yBand);
    glVertex2f(1, yBand);
    glEnd();
}

void verticalLine(float xBand) {
    glBegin(GL_LINES);
    glVertex2f(xBand, 0);
    glVertex2f(xBand, 1);
    glEnd();
}

}  // namespace

ColorChooserWindow::ColorChooserWindow(int x, int y, int w, int h, const char* label)
    : Fl_Gl_Window(x, y, w, h, label), aspect(static_cast<float>(w) / static_cast<float>(h)) {
    mode(chooseGlContextMode());
}

ColorChooserWindow::~ColorChooserWindow() = default;

Color4 ColorChooserWindow::getColor() const {
    Color4 colour = Color4::HSVtoRGB(hueAt(indicatorY), 1, 1);
    colour.a = 1 - indicatorX;
    return colour;
}

void ColorChooserWindow::handleMouseEvents(int /*button*/, int event, int /*state*/, int xPx, int yPx) {
    if (event != FL_PUSH && event != FL_DRAG) return;
    indicatorX = static_cast<float>(xPx) / static_cast<float>(w());
    indicatorY = 1.0f - static_cast<float>(yPx) / static_cast<float>(h());
    adjustIndicatorPosition();
    redraw();
}

void ColorChooserWindow::adjustIndicatorPosition() {
    if (indicatorX < 0) indicatorX = 0;
    if (indicatorX > 1) indicatorX = 1;
    if (indicatorY < 0) indicatorY = 0;
    if (indicatorY > 1) indicatorY = 1;
}

void ColorChooserWindow::renderColorBand() {
    make_current();
    // Grey grid under the band: square cells a quarter of the width wide, the
    // quarter lines and a line at every hue step; it shows through where the
    // band fades out.
    glColor4f(0.7f, 0.7f, 0.7f, 1);
    const int squareRows = static_cast<int>(h() / (kGridCellWidth * w()));
    if (squareRows > 1) {
        for (int i = 1; i < squareRows; ++i) horizontalLine(static_cast<float>(i) / squareRows);
    }
    verticalLine(0.25f);
    verticalLine(0.5f);
    verticalLine(0.75f);
    for (int i = 1; i < kHueSteps; ++i) horizontalLine(static_cast<float>(i) / kHueSteps);

    // Hue quads: each blends from the hue sampled at its bottom edge to the one
    // at its top edge, opaque on the left, transparent on the right.
    Color4 bottom = Color4::HSVtoRGB(0, 1, 1);
    glBegin(GL_QUADS);
    for (int i = 0; i < kHueSteps; ++i) {
        const float yBottom = static_cast<float>(i) / kHueSteps;
        const float yTop = static_cast<float>(i + 1) / kHueSteps;
        const Color4 top = Color4::HSVtoRGB(hueAt(yTop), 1, 1);
        glColor4f(bottom.r, bottom.g, bottom.b, 1);
        glVertex2f(0, yBottom);
        glColor4f(top.r, top.g, top.b, 1);
        glVertex2f(0, yTop);
        glColor4f(top.r, top.g, top.b, 0);
        glVertex2f(1, yTop);
        glColor4f(bottom.r, bottom.g, bottom.b, 0);
        glVertex2f(1, yBottom);
        bottom = top;
    }
    glEnd();
}

void ColorChooserWindow::draw() {
    make_current();
    if (!valid()) {
        valid(1);
        setUpGlContext(w(), h(), 1);
    }
    beginSmoothFrame(false);

    renderColorBand();

    // The indicator: a red dot with a dark blue rim.
    glColor4f(1, 0, 0, 1);
    GlDrawer::fillCircle(kIndicatorRadius, indicatorX, indicatorY, aspect, kIndicatorVertices);
    glColor4f(0, 0, 0.4f, 1);
    GlDrawer::drawCircle(kIndicatorRadius, indicatorX, indicatorY, aspect, kIndicatorVertices);

    glDisable(GL_LINE_SMOOTH);
    glDisable(GL_POLYGON_SMOOTH);
    glDisable(GL_MULTISAMPLE);
}

void ColorChooserWindow::resize(int x, int y, int w, int h) {
    Fl_Gl_Window::resize(x, y, w, h);
    if (shown()) {
        make_current();
        setUnitSquareProjection(w, h);
    }
    redraw();
}

int ColorChooserWindow::handle(int event) {
    if (!isPointerEvent(event)) return Fl_Gl_Window::handle(event);
    if (shown()) make_current();
    handleMouseEvents(Fl::event_button(), event, Fl::event_state(), Fl::event_x(), Fl::event_y());
    return 1;
}

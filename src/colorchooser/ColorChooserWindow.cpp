#include "colorchooser/ColorChooserWindow.h"

#include <GL/glew.h>
#include <FL/Fl.H>

#include "gl/GlDrawer.h"
#include "gl/GlWindowSetup.h"

namespace {

constexpr int kHueSteps = 20;            // quads stacked up the band, one hue sample each
constexpr float kGridCellWidth = 0.25f;  // grid cells are a quarter of the band wide
constexpr float kIndicatorRadius = 0.005f;  // band heights
constexpr int kIndicatorVertices = 100;

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

ColorChooserWindow::ColorChooserWindow(Document& chooserOf, int x, int y, int w, int h, const char* label)
    : Fl_Gl_Window(x, y, w, h, label), document(chooserOf), aspect(static_cast<float>(w) / static_cast<float>(h)) {
    mode(chooseGlContextMode());
    document.addObserver(this);
}

ColorChooserWindow::~ColorChooserWindow() { document.removeObserver(this); }

Color4 ColorChooserWindow::getColor() const { return document.getColourChoice().colour(); }

void ColorChooserWindow::handleMouseEvents(const PointerInput& input) {
    if (input.event == FL_PUSH) gesture = document.newGesture();
    if (input.event == FL_RELEASE) document.endGesture();
    if (input.event != FL_PUSH && input.event != FL_DRAG) return;
    float xBand = 0, yBand = 0;
    pxToUnitSquare(input.xPx, input.yPx, w(), h(), &xBand, &yBand);
    document.chooseColour(xBand, yBand, gesture);
}

void ColorChooserWindow::documentChanged(const DocumentChange& change) {
    if (change.kind != DocumentChange::kHistory) redraw();
}

void ColorChooserWindow::renderColorBand() {
    make_current();
    // Grey grid under the band: square cells a quarter of the width wide, the
    // quarter lines and a line at every hue step; it shows through where the
    // band fades out.
    glColor4f(0.7f, 0.7f, 0.7f, 1);
    const int squareRows = static_cast<int>(h() / (kGridCellWidth * w()));
    if (squareRows > 1) {
        for (int n = 1; n < squareRows; ++n) horizontalLine(static_cast<float>(n) / squareRows);
    }
    verticalLine(0.25f);
    verticalLine(0.5f);
    verticalLine(0.75f);
    for (int n = 1; n < kHueSteps; ++n) horizontalLine(static_cast<float>(n) / kHueSteps);

    // Hue quads: each blends from the hue sampled at its bottom edge to the one
    // at its top edge, opaque on the left, transparent on the right.
    Color4 bottom = Color4::HSVtoRGB(0, 1, 1);
    glBegin(GL_QUADS);
    for (int n = 0; n < kHueSteps; ++n) {
        const float yBottom = static_cast<float>(n) / kHueSteps;
        const float yTop = static_cast<float>(n + 1) / kHueSteps;
        const Color4 top = ColourChoice{0, yTop}.colour();
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
    const ColourChoice& choice = document.getColourChoice();
    GlDrawer::fillCircle(kIndicatorRadius, choice.xBand, choice.yBand, aspect, kIndicatorVertices);
    glColor4f(0, 0, 0.4f, 1);
    GlDrawer::drawCircle(kIndicatorRadius, choice.xBand, choice.yBand, aspect, kIndicatorVertices);

    glDisable(GL_LINE_SMOOTH);
    glDisable(GL_POLYGON_SMOOTH);
    glDisable(GL_MULTISAMPLE);
}

void ColorChooserWindow::resize(int x, int y, int w, int h) {
    Fl_Gl_Window::resize(x, y, w, h);
    updateUnitSquareViewport(this);
    aspect = static_cast<float>(w) / static_cast<float>(h > 0 ? h : 1);  // keeps the indicator round
    redraw();
}

int ColorChooserWindow::handle(int event) {
    if (!isPointerEvent(event)) return Fl_Gl_Window::handle(event);
    handleMouseEvents(PointerInput::fromToolkit(event));
    return 1;
}

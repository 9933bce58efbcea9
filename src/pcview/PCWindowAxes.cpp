// PCWindow: the axes with their labels, the text primitive of the view's
// labels, and the trace of the current mouse gesture.
#include "pcview/PCWindow.h"

#include <GL/glew.h>
#include <FL/glut.H>

namespace {

// Label offsets from the axis ends, window pixels (they do not scale with the window).
constexpr float kNameAbovePx = 20.0f;      // name baseline above the axis top
constexpr float kNameShiftPerCharPx = 2.0f;  // name shifted left per character
constexpr float kMinBelowPx = 15.0f;       // minimum's baseline below the axis foot
constexpr float kMaxAbovePx = 5.0f;        // maximum's baseline above the axis top

constexpr float kAxisLineWidthPx = 2.0f;
constexpr float kTraceLineWidthPx = 5.0f;

}  // namespace

void PCWindow::renderBitmapCharacter(float xView, float yView, const char* text) {
    glRasterPos2f(xView, yView);
    for (const char* c = text; *c != '\0'; ++c) glutBitmapCharacter(GLUT_BITMAP_8_BY_13, *c);
}

void PCWindow::renderBitmapCharacter(float xView, float yView, const std::string* text) {
    renderBitmapCharacter(xView, yView, text->c_str());
}

AxisLabelPlacement PCWindow::getAxisLabelPlacement(int slot) const {
    const DrawRegion region = getDrawRegion();
    const float xView = getAxes()->getAxisPosition(slot);
    const float widthPx = static_cast<float>(w());
    const float heightPx = static_cast<float>(h());
    const float nameLength = static_cast<float>(axisNames[slot].size());
    AxisLabelPlacement place;
    place.nameX = xView - kNameShiftPerCharPx * nameLength / widthPx;
    place.nameY = region.top() + kNameAbovePx / heightPx;
    place.minX = xView;
    place.minY = region.offset - kMinBelowPx / heightPx;
    place.maxX = xView;
    place.maxY = region.top() + kMaxAbovePx / heightPx;
    return place;
}

void PCWindow::renderAxes() {
    glLineWidth(kAxisLineWidthPx);
    glColor4f(0, 0, 0, 1);
    const ParallelCoordinatesAxis* axes = getAxes();
    const DrawRegion region = getDrawRegion();
    for (int slot = 0; slot < axes->getAxisNum(); ++slot) {
        const float xView = axes->getAxisPosition(slot);
        glBegin(GL_LINES);
        glVertex2f(xView, region.offset);
        glVertex2f(xView, region.top());
        glEnd();
        const AxisLabelPlacement place = getAxisLabelPlacement(slot);
        renderBitmapCharacter(place.nameX, place.nameY, &axisNames[slot]);
        renderBitmapCharacter(place.minX, place.minY, &axisMinLabels[slot]);
        renderBitmapCharacter(place.maxX, place.maxY, &axisMaxLabels[slot]);
    }
}

void PCWindow::renderMouseTrace() {
    glColor4f(0, 0, 0, 0.8f);
    glLineWidth(kTraceLineWidthPx);
    glBegin(GL_LINE_STRIP);
    for (const Point2& p : mouseTrace) glVertex2f(p.x, p.y);
    glEnd();
}

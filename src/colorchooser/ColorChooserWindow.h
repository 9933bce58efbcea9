// ColorChooserWindow: the narrow band left of the view from which new
// operators and the graph window's brush take their colour. The band runs
// through the fully saturated hues from bottom to top and fades from opaque
// at its left edge to transparent at its right edge; a small round indicator
// marks the chosen hue (its height) and opacity (its horizontal place).
//
// Band units: unit square, origin bottom-left, y up, whatever the pixel size.
#pragma once

#include <FL/Fl_Gl_Window.H>

#include "geometry/Color4.h"
#include "gl/PointerInput.h"

class PCWindow;
class GraphWindow;

class ColorChooserWindow : public Fl_Gl_Window {
public:
    ColorChooserWindow(int x, int y, int w, int h, const char* label = nullptr);
    ~ColorChooserWindow() override;

    void draw() override;
    int handle(int event) override;
    void resize(int x, int y, int w, int h) override;

    void linkPCWindow(PCWindow* view) { pcWindow = view; }
    void linkGraphWindow(GraphWindow* graph) { graphWindow = graph; }

    // Hue from the indicator's height (bottom and top red, 1/6 yellow, ...,
    // 5/6 magenta), alpha 1 at the left edge to 0 at the right edge.
    Color4 getColor() const;

    // A press or drag (any button) moves the indicator to the pointer, given in window pixels.
    void handleMouseEvents(const PointerInput& input);
    // Clamps the indicator into the band.
    void adjustIndicatorPosition();
    void renderColorBand();

    float getIndicatorX() const { return indicatorX; }
    float getIndicatorY() const { return indicatorY; }
    float getAspect() const { return aspect; }

private:
    PCWindow* pcWindow = nullptr;       // stored only
    GraphWindow* graphWindow = nullptr; // stored only
    float indicatorX = 0.5f;            // band units; decides the alpha
    float indicatorY = 0.5f;            // band units; decides the hue
    float aspect;                       // width / height, kept on resize; draws the round indicator
};

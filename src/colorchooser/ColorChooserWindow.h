// ColorChooserWindow: the narrow band left of the view from which new
// operators and the graph window's brush take their colour. The band runs
// through the fully saturated hues from bottom to top and fades from opaque
// at its left edge to transparent at its right edge; a small round indicator
// marks the chosen hue (its height) and opacity (its horizontal place). The
// choice is the Document's (a ColourChoice): a press or a drag in the band is
// an operation of the document, one step of its history per gesture.
//
// Band units: unit square, origin bottom-left, y up, whatever the pixel size.
#pragma once

#include <FL/Fl_Gl_Window.H>

#include "geometry/Color4.h"
#include "gl/PointerInput.h"
#include "model/Document.h"

class ColorChooserWindow : public Fl_Gl_Window, public DocumentObserver {
public:
    // Shows and changes the colour choice of `document` (not owned; it outlives the band).
    ColorChooserWindow(Document& document, int x, int y, int w, int h, const char* label = nullptr);
    ~ColorChooserWindow() override;
    ColorChooserWindow(const ColorChooserWindow&) = delete;
    ColorChooserWindow& operator=(const ColorChooserWindow&) = delete;

    void draw() override;
    int handle(int event) override;
    void resize(int x, int y, int w, int h) override;

    // Hue from the indicator's height (bottom and top red, 1/6 yellow, ...,
    // 5/6 magenta), alpha 1 at the left edge to 0 at the right edge.
    Color4 getColor() const;

    // A press or drag (any button) moves the indicator to the pointer, given
    // in window pixels (kept inside the band).
    void handleMouseEvents(const PointerInput& input);
    void renderColorBand();
    // DocumentObserver: the indicator follows the document (an undo, a session).
    void documentChanged(const DocumentChange& change) override;

    float getIndicatorX() const { return document.getColourChoice().xBand; }  // decides the alpha
    float getIndicatorY() const { return document.getColourChoice().yBand; }  // decides the hue
    float getAspect() const { return aspect; }

private:
    Document& document;     // holds the choice; not owned
    uint64_t gesture = 0;   // the press under way: its drags are one step
    float aspect;           // width / height, kept on resize; draws the round indicator
};

// ColorChooserWindow: the narrow band left of the view from which new
// operators and the graph window's brush take their colour.
// Band units: unit square, origin bottom-left, y up.
#pragma once

#include <FL/Fl_Gl_Window.H>

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

private:
    PCWindow* pcWindow = nullptr;       // stored only
    GraphWindow* graphWindow = nullptr; // stored only
};

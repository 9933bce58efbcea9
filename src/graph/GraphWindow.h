// GraphWindow: the OpenGL window right of the view that shows the operator
// tree as a node-link graph. Graph units: unit square, origin bottom-left, y up.
#pragma once

#include <FL/Fl_Gl_Window.H>

class PCWindow;
class ColorChooserWindow;

class GraphWindow : public Fl_Gl_Window {
public:
    GraphWindow(int x, int y, int w, int h, const char* label = nullptr);
    ~GraphWindow() override;

    void draw() override;
    int handle(int event) override;
    void resize(int x, int y, int w, int h) override;

    // Stores the view (not owned).
    void linkPCWindow(PCWindow* view);
    void linkColorChooserWindow(ColorChooserWindow* chooser) { colorChooser = chooser; }
    // Forgets everything taken from the view's previous table; called by the
    // view when another table is linked.
    void releaseLinks();

    PCWindow* getPCWindow() const { return pcWindow; }

private:
    PCWindow* pcWindow = nullptr;              // not owned
    ColorChooserWindow* colorChooser = nullptr; // not owned
};

// PCWindow: the parallel-coordinates view, an OpenGL window in the middle of
// the main window. It owns the linked table and every object built for it,
// maps between window pixels, view units and normalised values, and draws.
//
// Coordinate spaces:
//   window pixels  (px, py): origin top-left, y down, as the toolkit reports them;
//   view units     (x, y):   unit square, origin bottom-left, y up (glOrtho(0,1,0,1));
//   normalised values v:     [0, 1] per dimension, drawn at y = 0.05 + 0.9 v.
#pragma once

#include <FL/Fl_Gl_Window.H>

#include <memory>

#include "data/MultidimensionalData.h"
#include "pcview/ParallelCoordinatesAxis.h"

class ColorChooserWindow;
class GraphWindow;

class PCWindow : public Fl_Gl_Window {
public:
    PCWindow(int x, int y, int w, int h, const char* label = nullptr);
    ~PCWindow() override;

    void draw() override;
    int handle(int event) override;
    void resize(int x, int y, int w, int h) override;

    void linkColorChooserWindow(ColorChooserWindow* chooser) { colorChooser = chooser; }
    void linkGraphWindow(GraphWindow* graph) { graphWindow = graph; }

    // Takes ownership of `newData` and rebuilds every per-table object; the
    // previous table and everything built on it are released.
    void linkMDdata(MultidimensionalData* newData);
    void updateDataInfo();

    MultidimensionalData* getData() const { return data.get(); }
    ParallelCoordinatesAxis* getAxes() const { return axes.get(); }
    bool isDataReady() const { return dataReady; }

    // View y of a normalised value, and its inverse.
    float transformToDrawRegion(float valueNorm) const { return drawRegionOffset + drawRegionScale * valueNorm; }
    float transformToDrawRegionScale(float yView) const { return (yView - drawRegionOffset) / drawRegionScale; }
    // Window pixels -> view units, with the window's current size.
    void transformMouseInput(float* xView, float* yView, int xPx, int yPx) const;

    // Asks the toolkit to redraw the view (only the view).
    void redrawWindows() { redraw(); }

    float getAspect() const { return aspect; }

private:
    std::unique_ptr<MultidimensionalData> data;     // the linked table
    std::unique_ptr<ParallelCoordinatesAxis> axes;  // axis layout of the linked table
    ColorChooserWindow* colorChooser = nullptr;     // not owned
    GraphWindow* graphWindow = nullptr;             // not owned
    bool dataReady = false;                         // every per-table object exists

    float drawRegionScale = 0.9f;   // height of the draw region, view units
    float drawRegionOffset = 0.05f; // bottom of the draw region, view units: (1 - scale) / 2
    float aspect;                   // width / height in pixels; round shapes divide x by it
};

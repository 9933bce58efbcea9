// PCWindow: the parallel-coordinates view, an OpenGL window in the middle of
// the main window. It owns the linked table and every object built for it,
// holds the view's display switches and gesture state, maps between window
// pixels, view units and normalised values, runs the draw pass and routes
// toolkit events to the mouse and keyboard handlers.
//
// Coordinate spaces:
//   window pixels  (xPx, yPx):    origin top-left, y down, as the toolkit reports them;
//   view units     (xView, yView): unit square, origin bottom-left, y up (glOrtho(0,1,0,1));
//   normalised values valueNorm:  [0, 1] per dimension, drawn at yView = 0.05 + 0.9 valueNorm.
//
// Member functions live in several files: PCWindow.cpp (life cycle, linking,
// transforms, event routing), PCWindowDraw.cpp (draw pass, textures),
// PCWindowAxes.cpp (axes, labels, text, mouse trace), PCWindowLines.cpp
// (item lines and curves), PCWindowRiver.cpp (histogram bands),
// PCWindowOperators.cpp (operators), PCWindowClusters.cpp (mixtures and
// regrouping), PCWindowHints.cpp (hint paths), PCWindowMouse.cpp (mouse
// gestures), PCWindowKeys.cpp (keyboard commands).
#pragma once

#include <GL/glew.h>  // before any other GL header
#include <FL/Fl_Gl_Window.H>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "data/ItemScore.h"
#include "data/MultidimensionalData.h"
#include "geometry/Color4.h"
#include "geometry/Point2.h"
#include "pcview/LineStripBatch.h"
#include "pcview/ParallelCoordinatesAxis.h"

class AROperator;
class ClusterPath;
class ClusterTree;
class ColorChooserWindow;
class DataItemPaths;
class GaussianMixture;
class GraphWindow;
class ItemRegrouping;
class MultidimensionalCluster;

// Where the three labels of one axis start (text baseline origins), view units.
struct AxisLabelPlacement {
    float nameX, nameY;  // dimension name: 20 px above the axis top, 2 px left per character
    float minX, minY;    // raw minimum: 15 px below the axis foot
    float maxX, maxY;    // raw maximum: 5 px above the axis top
};

class PCWindow : public Fl_Gl_Window {
public:
    static constexpr int kCircleSamples = 120;  // entries of the unit-circle table

    PCWindow(int x, int y, int w, int h, const char* label = nullptr);
    ~PCWindow() override;

    void draw() override;
    int handle(int event) override;
    void resize(int x, int y, int w, int h) override;

    void linkColorChooserWindow(ColorChooserWindow* chooser) { colorChooser = chooser; }
    void linkGraphWindow(GraphWindow* graph) { graphWindow = graph; }

    // Takes ownership of `newData` and rebuilds every per-table object; the
    // previous table and everything built on it are released first.
    void linkMDdata(MultidimensionalData* newData);
    void updateDataInfo();

    MultidimensionalData* getData() const { return data.get(); }
    ParallelCoordinatesAxis* getAxes() const { return axes.get(); }
    ClusterTree* getClusterTree() const { return tree.get(); }
    MultidimensionalCluster* getClusters() const { return groups.get(); }
    ClusterPath* getPaths() const { return hintPaths.get(); }
    const std::vector<ItemScore>& getItemScores() const { return itemScores; }
    // Mixture of dimension d, or null while the mixtures are absent (after clearing the paths).
    const GaussianMixture* getMixture(int d) const;
    DataItemPaths* getItemPaths() const { return itemPaths.get(); }
    bool isDataReady() const { return dataReady; }

    // View y of a normalised value, and its inverse.
    float transformToDrawRegion(float valueNorm) const { return drawRegionOffset + drawRegionScale * valueNorm; }
    float transformToDrawRegionScale(float yView) const { return (yView - drawRegionOffset) / drawRegionScale; }
    // Window pixels -> view units, with the window's current size.
    void transformMouseInput(float* xView, float* yView, int xPx, int yPx) const;

    // Asks the toolkit to redraw the view (only the view).
    void redrawWindows() { redraw(); }

    // Mouse gestures: button 1 left, 2 middle, 3 right; event FL_PUSH...; pointer in window pixels.
    void handleMouseEvents(int button, int event, int state, int xPx, int yPx);
    // Single-key commands: key is a character code (27 for Escape), pointer in window
    // pixels. Returns whether the key is a command of the view (the event is consumed).
    int handleKeyboardEvents(unsigned int key, int xPx, int yPx);

    // Hint paths, mixtures and regrouping.
    void updateGaussianMixtures();
    void applyOrdering();
    void updateClusterInfo();
    void calculateDiff_GaussianBased();
    void renderMixtures();
    void renderHintPaths();
    void handlePathAdjusting(unsigned char key, int xPx, int yPx);
    void handleSingleHintPointAdjusting(unsigned char key, int xPx, int yPx);
    void changeHintPathLockState(int xPx, int yPx);
    void shutDownAllHints();
    void turnOnAllHints();
    void updateHintPaths();
    void clearClusterPaths();

    // Drawing layers (called by draw()).
    void renderLines_TreeBased();
    void buildCurves();
    void renderLinesAtSubTree(AROperator* node);
    void renderCurvesAtSubTree(AROperator* node);
    void renderHistogramRiver_TreeBased(AROperator* node);
    void renderOperators();
    void renderOperatorTree(AROperator* node);
    void renderOneOperator(AROperator* op);
    void renderAxes();
    void renderMouseTrace();
    // One line of text in the 8 x 13 bitmap font, baseline starting at view point (x, y),
    // in the current colour.
    void renderBitmapCharacter(float xView, float yView, const char* text);
    void renderBitmapCharacter(float xView, float yView, const std::string* text);
    AxisLabelPlacement getAxisLabelPlacement(int slot) const;
    // Label texts of axis `slot`: dimension name, raw minimum and maximum ("%.2f").
    const std::string& getAxisName(int slot) const { return axisNames.at(slot); }
    const std::string& getAxisMinLabel(int slot) const { return axisMinLabels.at(slot); }
    const std::string& getAxisMaxLabel(int slot) const { return axisMaxLabels.at(slot); }

    // Operators: move them with the axes; the node under which new operators attach.
    void updateOperatorsPos();
    void setFocusedOp(AROperator* op);

    // Icon textures of the operators' lock.
    void generateTextures();
    // Reverses the n RGB pixels of src into RGBA dst with alpha = 255 - red.
    static void manipulateImages(unsigned char* dst, const unsigned char* src, int n);
    GLuint getLockTexture() const { return lockTexture; }
    GLuint getUnlockTexture() const { return unlockTexture; }

    void calculateSinCosValues();
    const float* getSinValues() const { return sinValues; }
    const float* getCosValues() const { return cosValues; }
    int getSinCosLength() const { return sinCosLength; }

    float getAspect() const { return aspect; }
    const Color4& getLineColor() const { return lineColor; }
    const std::vector<Point2>& getMouseTrace() const { return mouseTrace; }

    // Display switches; they survive the linking of another table.
    bool getShowHistograms() const { return showHistograms; }
    void setShowHistograms(bool on) { showHistograms = on; }
    bool getShowMixtures() const { return showMixtures; }
    void setShowMixtures(bool on) { showMixtures = on; }
    bool getShowHintPaths() const { return showHintPaths; }
    void setShowHintPaths(bool on) { showHintPaths = on; }
    bool getAllHintsOff() const { return allHintsOff; }
    bool getGaussianOrdering() const { return gaussianOrdering; }
    bool getGroupSort() const { return groupSort; }
    int getSelectedHintPath() const { return selectedHintPath; }
    int getSelectedHintDim() const { return selectedHintDim; }
    AROperator* getGrabbedOp() const { return grabbedOp; }
    AROperator* getRotatedOp() const { return rotatedOp; }

    // Horizontal scale of the histogram drawn at each axis, [0.25, 16].
    float getHistogramWidth(int dim) const;

private:
    // Gesture steps of handleMouseEvents (view units).
    void addHintPointAt(float xView, float yView);
    void leftPush(float xView, float yView);
    void leftDrag(float xView, float yView);
    void rotateStep(float xView, float yView);
    void removeOperatorAt(float xView, float yView);
    void deleteHintPointAt(float xView, float yView);
    void wheelStep(float xView, float yView, float delta, bool ctrl, bool alt);
    Color4 chosenColor() const;
    // The unlocked hint point under the pointer (pixels): its path, or -1; its dimension in *dim.
    int unlockedHintPointUnder(int xPx, int yPx, int* dim, bool* onLocked) const;

    // The table has something to draw: at least one item and one numeric dimension.
    bool hasDrawableData() const;
    void releasePerTableObjects();

    std::unique_ptr<MultidimensionalData> data;     // the linked table
    std::unique_ptr<ParallelCoordinatesAxis> axes;  // axis layout of the linked table
    std::unique_ptr<ClusterTree> tree;              // operator tree of the linked table
    std::unique_ptr<DataItemPaths> itemPaths;       // bent lines and segment colours
    std::unique_ptr<MultidimensionalCluster> groups;  // locked and unlocked groups of items
    std::unique_ptr<ClusterPath> hintPaths;         // hint paths
    std::vector<ItemScore> itemScores;              // one record per item: order and score
    std::vector<std::unique_ptr<GaussianMixture>> mixtures;  // one per dimension; empty = absent
    std::unique_ptr<ItemRegrouping> regrouping;     // scores and regroups items against the hint paths
    ColorChooserWindow* colorChooser = nullptr;     // gives the colour of new operators; not owned
    GraphWindow* graphWindow = nullptr;             // told to drop its links on a new table; not owned
    bool dataReady = false;                         // every per-table object exists

    std::vector<Point2> mouseTrace;  // view-unit points of the current left-button gesture
    bool showHistograms = true;      // draw the histogram layer
    bool showMixtures = true;        // draw the mixture curves
    bool allHintsOff = false;        // Space switched the three hint displays off
    int selectedHintPath = -1;       // unlocked path of the hint point being dragged; -1 none
    int selectedHintDim = -1;        // its dimension; -1 none
    bool gaussianOrdering = false;   // density ordering of items is on
    bool showHintPaths = true;       // draw the hint paths
    bool groupSort = false;          // groups are sorted after each regrouping

    float drawRegionScale = 0.9f;    // height of the draw region, view units
    float drawRegionOffset = 0.05f;  // bottom of the draw region, view units: (1 - scale) / 2
    float aspect;                    // width / height in pixels; round shapes divide x by it
    std::vector<float> histogramWidths;  // per numeric dimension, 0.5 each for a new table
    AROperator* grabbedOp = nullptr;     // moved by the current left drag; not owned
    AROperator* rotatedOp = nullptr;     // turned by the current left drag; not owned
    AROperator* wheelOp = nullptr;       // hit by the current wheel step; not owned
    Color4 lineColor{0.5f, 0.5f, 0.5f, 0.75f};  // item-line segments that no operator colours

    // Label texts of each axis, built once per table.
    std::vector<std::string> axisNames;
    std::vector<std::string> axisMinLabels;
    std::vector<std::string> axisMaxLabels;

    LineStripBatch lineBatch;  // item lines of one frame, drawn in batches

    // Per-frame scratch of the histogram bands, kept so that drawing allocates nothing.
    std::deque<AROperator*> riverLeaves;
    std::vector<float> riverOffsets;  // per bin: width already stacked, view units

    GLuint lockTexture = 0;    // operator lock icon, in this window's current GL context
    GLuint unlockTexture = 0;  // operator unlock icon

    float sinValues[kCircleSamples];  // sin(2 pi i / 120)
    float cosValues[kCircleSamples];  // cos(2 pi i / 120)
    int sinCosLength = kCircleSamples;
};

// PCWindow: the parallel-coordinates view, an OpenGL window in the middle of
// the main window. It is the TableModel of the linked table (which owns the
// table and every object built for it) shown on screen: it adds the display
// switches and gesture state, maps window pixels to view units, runs the draw
// pass and routes toolkit events to the mouse and keyboard handlers.
//
// Coordinate spaces:
//   window pixels  (xPx, yPx):    origin top-left, y down, as the toolkit reports them;
//   view units     (xView, yView): unit square, origin bottom-left, y up (glOrtho(0,1,0,1));
//   normalised values valueNorm:  [0, 1] per dimension, drawn at yView = 0.05 + 0.9 valueNorm.
//
// Member functions live in several files: PCWindow.cpp (life cycle, linking,
// transforms, event routing), PCWindowDraw.cpp (frame preparation, draw pass, textures),
// PCWindowAxes.cpp (axes, labels, text, mouse trace), PCWindowLines.cpp
// (item lines and curves), PCWindowRiver.cpp (histogram bands),
// PCWindowOperators.cpp (operators), PCWindowClusters.cpp (mixtures and
// regrouping), PCWindowHints.cpp (hint paths), PCWindowMouse.cpp (mouse
// gestures), PCWindowKeys.cpp (keyboard commands).
#pragma once

#include <GL/glew.h>  // before any other GL header
#include <FL/Fl_Gl_Window.H>

#include <chrono>
#include <deque>
#include <string>
#include <vector>

#include "geometry/Color4.h"
#include "geometry/Point2.h"
#include "gl/PointerInput.h"
#include "model/Session.h"
#include "model/TableModel.h"
#include "pcview/LineLayer.h"
#include "pcview/LineStripBatch.h"
#include "pcview/SlicePacer.h"

class AROperator;
class ColorChooserWindow;
class TreeObserver;

// Where the labels of one axis start (text baseline origins), view units.
struct AxisLabelPlacement {
    float nameX, nameY;  // dimension name: 20 px above the axis top, 2 px left per character
    float minX, minY;    // raw minimum: 15 px below the axis foot; on an axis with a
                         // missing slot, left of the axis just above its foot
    float maxX, maxY;    // raw maximum: 5 px above the axis top
    bool slot;           // the axis has missing values, and a slot below its foot
    float slotX, slotY;  // the slot's centre
    float slotLabelX, slotLabelY;  // its label "NA", left of it
};

class PCWindow : public Fl_Gl_Window, public TableModel {
public:
    static constexpr int kCircleSamples = 120;  // entries of the unit-circle table

    PCWindow(int x, int y, int w, int h, const char* label = nullptr);
    ~PCWindow() override;

    void draw() override;
    // The toolkit's frame: prepareFrame(), then draw().
    void flush() override;
    // Releases the line layer while its GL context still exists.
    void hide() override;
    int handle(int event) override;
    void resize(int x, int y, int w, int h) override;

    void linkColorChooserWindow(ColorChooserWindow* chooser) { colorChooser = chooser; }
    // The graph window: told to drop its links when a new table replaces the tree.
    void linkGraphWindow(TreeObserver* graph) { setTreeObserver(graph); }

    // Window pixels -> view units, with the window's current size.
    void transformMouseInput(float* xView, float* yView, int xPx, int yPx) const;

    // Asks the toolkit to redraw the view (only the view). Everything that
    // changes the picture ends here.
    void redrawWindows() { redraw(); }
    // The model work a frame needs done before it is drawn (the item paths
    // through the operators brought up to date), once per frame however many
    // events came before it; draw() only draws.
    void prepareFrame();

    // Mouse gestures (see PCWindowMouse.cpp): pointer position in window pixels.
    void handleMouseEvents(const PointerInput& input);
    // Single-key commands: key is a character code (27 for Escape), pointer in window
    // pixels. Returns whether the key is a command of the view (the event is consumed).
    int handleKeyboardEvents(unsigned int key, int xPx, int yPx);

    // Hint paths on screen and the keys that adjust them.
    void renderMixtures();
    void renderHintPaths();
    void handlePathAdjusting(unsigned char key, int xPx, int yPx);
    void handleSingleHintPointAdjusting(unsigned char key, int xPx, int yPx);
    void changeHintPathLockState(int xPx, int yPx);
    void shutDownAllHints();
    void turnOnAllHints();

    // Drawing layers (called by draw()).
    void renderLines_TreeBased();
    void buildCurves();
    void renderLinesAtSubTree(AROperator* node);
    void renderCurvesAtSubTree(AROperator* node);
    void renderHistogramRiver_TreeBased(AROperator* node);
    // Every regular operator in full, or, in a tree of more than
    // kFullyDrawnOperators of them, each as a dot in its colour and only the
    // focused one and those under a gesture in full.
    void renderOperators();
    void renderOperatorTree(AROperator* node);
    void renderOneOperator(AROperator* op);
    // Whether the last frame drew the operators as dots.
    bool operatorsDrawnAsDots() const { return operatorDots; }
    static constexpr size_t kFullyDrawnOperators = 200;
    void renderAxes();
    void renderMouseTrace();
    // One line of text in the 8 x 13 bitmap font, baseline starting at view point (x, y),
    // in the current colour.
    void renderBitmapCharacter(float xView, float yView, const char* text);
    void renderBitmapCharacter(float xView, float yView, const std::string* text);
    AxisLabelPlacement getAxisLabelPlacement(int slot) const;
    // Label texts of axis `slot`: dimension name, raw minimum and maximum
    // ("%.2f"; dates for a date axis; empty for a categorical one).
    const std::string& getAxisName(int slot) const { return axisNames.at(slot); }
    const std::string& getAxisMinLabel(int slot) const { return axisMinLabels.at(slot); }
    const std::string& getAxisMaxLabel(int slot) const { return axisMaxLabels.at(slot); }
    // The categories written beside dimension `dim`'s axis (indices into its
    // column's categories), for the view's current height; empty when it is not categorical.
    const std::vector<int>& getShownCategories(int dim);

    // The line layer (see LineLayer.h). While it is being drawn anew, a frame
    // draws one slice of items (sized by linePacer), shows what is
    // there with the other layers over it and a progress mark, and asks for
    // the next frame; a change restarts it from the first item.
    // drawingPending(): the layer does not yet hold every line of the current state.
    bool drawingPending() const;
    // Off: every frame draws the lines directly, in one pass (for comparison).
    void setLineLayerEnabled(bool enabled);
    bool isLineLayerActive() const { return lineLayerActive; }
    // Every slice this long, ended by input after yieldAfter (by default the
    // first after a change and each while input waits get 25 ms, others up to
    // SlicePacer::kLongestSlice, ended by input after their first 25 ms).
    void setLineSliceBudget(std::chrono::microseconds budget) { linePacer.setBudgets(budget, budget); }
    void setLineSliceBudget(std::chrono::microseconds budget, std::chrono::microseconds yieldAfter) {
        linePacer.setBudgets(budget, budget, yieldAfter);
    }
    // How often the layer has started to draw its lines anew.
    uint64_t getLineLayerRestarts() const { return lineLayerRestarts; }
    // Progress of a table being loaded to replace this one, drawn as a bar
    // along the foot; negative: no load under way.
    void showLoadProgress(double fraction) {
        loadFraction = fraction;
        redraw();
    }

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

    const std::vector<Point2>& getMouseTrace() const { return mouseTrace; }
    // The item line under the pointer while no button is pressed (see PCWindowHover.cpp):
    // its item, or -1; and the label shown beside the pointer, its lines joined by '\n'.
    int getHoveredItem() const;
    std::string getHoverLabel() const;

    // Display switches; they survive the linking of another table.
    bool getShowHistograms() const { return showHistograms; }
    void setShowHistograms(bool on) { showHistograms = on; }
    bool getShowMixtures() const { return showMixtures; }
    void setShowMixtures(bool on) { showMixtures = on; }
    bool getShowHintPaths() const { return showHintPaths; }
    void setShowHintPaths(bool on) { showHintPaths = on; }
    bool getAllHintsOff() const { return allHintsOff; }
    // All four switches at once (a saved session).
    DisplaySwitches getDisplaySwitches() const { return {showHistograms, showMixtures, showHintPaths, allHintsOff}; }
    void setDisplaySwitches(const DisplaySwitches& switches);
    int getSelectedHintPath() const { return selectedHintPath; }
    int getSelectedHintDim() const { return selectedHintDim; }
    AROperator* getGrabbedOp() const { return grabbedOp; }
    AROperator* getRotatedOp() const { return rotatedOp; }

protected:
    // The new table's labels, a clean gesture state and a first frame.
    void tableLinked() override;

private:
    // What the line layer's picture depends on; a different key draws it anew.
    struct LineLayerKey {
        uint64_t tableSerial = 0;  // the table and the tree (see getTableSerial)
        uint64_t revision = 0;     // of the tree
        int widthPx = 0, heightPx = 0;
        float aspect = 0;
        DrawRegion region;
        Color4 lineColour;
        uint64_t axisPositionsHash = 0;
        bool operator==(const LineLayerKey& other) const;
    };
    // Where the progressive drawing stands: leaf (in drawing order) and item in it.
    struct LineCursor {
        size_t leaf = 0;
        size_t item = 0;
        int64_t drawnItems = 0;
    };
    LineLayerKey currentLineKey() const;
    // Items [from, to) of a leaf, into the line batch.
    void drawStraightItems(const AROperator* leaf, size_t from, size_t to);
    void drawCurvedItems(const AROperator* leaf, size_t first, size_t last);
    // Draws items from the cursor on until all are drawn (true), or until the
    // slice's item segments (an item's line between two adjacent axes,
    // straight or bent) are drawn, its deadline passes, or input waits after
    // its yieldFrom.
    bool drawLineSlice(const SlicePacer::Slice& slice);
    void renderLineLayer();
    // A thin bar along the view's foot, `fraction` of its width; band 0 is
    // the lowest, band 1 sits on it.
    void renderProgressMark(float fraction, int band);
    static void continueLineLayer(void* view);
    // Takes a finished density ordering, or looks again a little later.
    static void watchDensityOrdering(void* view);
    double loadFraction = -1.0;  // a table loading elsewhere: its progress; negative: none
    static constexpr double kDensityPollSeconds = 0.1;

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
    void clearGestureState();
    // Hovering: the pick at the pointer (view units), its end, its highlight and label.
    void updateHover(float xView, float yView);
    void clearHover();
    void renderHover();
    int hoveredItem = -1;                 // item under the pointer; -1 none
    Point2 hoverPointer;                  // the pointer, view units
    std::vector<std::string> hoverLines;  // label text, built when the item changes

    ColorChooserWindow* colorChooser = nullptr;     // gives the colour of new operators; not owned

    std::vector<Point2> mouseTrace;  // view-unit points of the current left-button gesture
    bool showHistograms = true;      // draw the histogram layer
    bool showMixtures = true;        // draw the mixture curves
    bool allHintsOff = false;        // Space switched the three hint displays off
    int selectedHintPath = -1;       // unlocked path of the hint point being dragged; -1 none
    int selectedHintDim = -1;        // its dimension; -1 none
    bool showHintPaths = true;       // draw the hint paths

    AROperator* grabbedOp = nullptr;     // moved by the current left drag; not owned
    AROperator* rotatedOp = nullptr;     // turned by the current left drag; not owned

    // Label texts of each axis, built once per table.
    std::vector<std::string> axisNames;
    std::vector<std::string> axisMinLabels;
    std::vector<std::string> axisMaxLabels;
    // The category labels drawn beside each categorical axis (empty for
    // others): category indices, chosen for the view height categoryLabelsHeightPx.
    void chooseCategoryLabels();
    void renderCategoryLabels(int slot);
    std::vector<std::vector<int>> categoryLabelsShown;
    std::vector<std::vector<std::string>> categoryLabelTexts;  // per dimension, per category: the text drawn
    int categoryLabelsHeightPx = -1;

    LineStripBatch lineBatch;  // item lines of one frame, drawn in batches
    std::vector<float> stripXView, stripYView;  // one straight item's points (an axis each), view units
    LineLayer lineLayer;       // the item lines between frames
    bool lineLayerEnabled = true;   // use it where the context allows
    bool lineLayerActive = false;   // the last frame used it
    bool lineLayerStarted = false;  // it holds (part of) the lines of lineKey
    bool lineLayerComplete = false; // it holds all of them
    LineLayerKey lineKey;
    LineCursor lineCursor;
    SlicePacer linePacer{std::chrono::microseconds(25000)};  // sizes the slices
    uint64_t lineLayerRestarts = 0;

    // Per-frame scratch of the operators drawn as dots, kept so that drawing allocates nothing.
    std::vector<AROperator*> operatorNodes;
    std::vector<float> operatorDotXy;    // view units, two per dot
    std::vector<float> operatorDotRgba;  // four per dot
    bool operatorDots = false;           // the last frame drew the operators as dots

    // Per-frame scratch of the histogram bands, kept so that drawing allocates nothing.
    std::deque<AROperator*> riverLeaves;
    std::vector<float> riverOffsets;  // per bin: width already stacked, view units

    GLuint lockTexture = 0;    // operator lock icon, in this window's current GL context
    GLuint unlockTexture = 0;  // operator unlock icon

    float sinValues[kCircleSamples];  // sin(2 pi i / 120)
    float cosValues[kCircleSamples];  // cos(2 pi i / 120)
    int sinCosLength = kCircleSamples;
};

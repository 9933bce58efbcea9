// PCWindow: the parallel-coordinates view, an OpenGL window in the middle of
// the main window. It shows the Document's model (the table and everything
// built on it), which it reads but never writes: its gestures and keys
// become operations of the document. It keeps its own gesture state, maps
// window pixels to view units, runs the draw pass and routes toolkit events
// to the mouse and keyboard handlers; it redraws whenever the document
// changes.
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
#include "model/Document.h"
#include "model/TableModel.h"
#include "pcview/LineLayer.h"
#include "pcview/LineStripBatch.h"
#include "pcview/SlicePacer.h"

class AROperator;
class ClusterPath;
class ClusterTree;
class DataItemPaths;
class GaussianMixture;
class MultidimensionalCluster;
class MultidimensionalData;
class ParallelCoordinatesAxis;

// Where the labels of one axis start (text baseline origins), view units.
// Where an axis title is drawn, window pixels (y down): its text (the
// column's name, shortened with ".." when the room is short, empty when no
// letter fits: the hover shows it), the baseline's left end, and the cell
// of the title band it may take (no other title of its row enters it).
struct AxisTitlePlacement {
    std::string text;
    int row = 0;              // 0 upper, 1 lower row of the band
    float leftPx = 0, baselinePx = 0;
    float cellLeftPx = 0, cellRightPx = 0;
};

struct AxisLabelPlacement {
    float nameX, nameY;  // unused: the titles have their own placement (getAxisTitlePlacement)
    float minX, minY;    // raw minimum: 15 px below the axis foot; on an axis with a
                         // missing slot, left of the axis just above its foot
    float maxX, maxY;    // the top's value: right of the axis, just under its top
    bool slot;           // the axis has missing values, and a slot below its foot
    float slotX, slotY;  // the slot's centre
    float slotLabelX, slotLabelY;  // its label "NA", left of it
};

class PCWindow : public Fl_Gl_Window, public DocumentObserver {
public:
    static constexpr int kCircleSamples = 120;  // entries of the unit-circle table
    // Wheel steps and key presses this close together (seconds), on the same
    // target with the same modifiers, are one gesture: one step to undo.
    static constexpr double kBurstSeconds = 0.6;

    // Shows `document` (not owned; it outlives the view).
    PCWindow(Document& document, int x, int y, int w, int h, const char* label = nullptr);
    ~PCWindow() override;
    PCWindow(const PCWindow&) = delete;
    PCWindow& operator=(const PCWindow&) = delete;

    void draw() override;
    // The toolkit's frame: prepareFrame(), then draw().
    void flush() override;
    // Releases the line layer while its GL context still exists.
    void hide() override;
    int handle(int event) override;
    void resize(int x, int y, int w, int h) override;

    // DocumentObserver: gesture state and labels follow the document.
    void tableWillChange() override;
    void documentChanged(const DocumentChange& change) override;

    // What the view shows, read only (the document changes it).
    Document& getDocument() const { return document; }
    const TableModel& model() const { return document.model(); }
    const MultidimensionalData* getData() const { return model().getData(); }
    const ParallelCoordinatesAxis* getAxes() const { return model().getAxes(); }
    const ClusterTree* getClusterTree() const { return model().getClusterTree(); }
    const ClusterPath* getPaths() const { return model().getPaths(); }
    const MultidimensionalCluster* getClusters() const { return model().getClusters(); }
    // The item paths are what a frame draws from; the frame brings them up to date.
    DataItemPaths* getItemPaths() const { return model().getItemPaths(); }
    const GaussianMixture* getMixture(int d) const { return model().getMixture(d); }
    bool hasMixtures() const { return model().hasMixtures(); }
    bool isDataReady() const { return model().isDataReady(); }
    uint64_t getTableSerial() const { return model().getTableSerial(); }
    bool hasDrawableData() const { return model().hasDrawableData(); }
    float getAspect() const { return model().getAspect(); }
    DrawRegion getDrawRegion() const { return model().getDrawRegion(); }
    const Color4& getLineColor() const { return model().getLineColor(); }
    float getHistogramWidth(int dim) const { return model().getHistogramWidth(dim); }
    bool getGaussianOrdering() const { return model().getGaussianOrdering(); }
    bool getGroupSort() const { return model().getGroupSort(); }
    bool isDensityOrderingPending() const { return model().isDensityOrderingPending(); }
    double getDensityOrderingProgress() const { return model().getDensityOrderingProgress(); }
    float transformToDrawRegion(float valueNorm) const { return model().transformToDrawRegion(valueNorm); }
    float transformToDrawRegionScale(float yView) const { return model().transformToDrawRegionScale(yView); }
    // Hands `data` (owned from now on by the document) to the document in place of its table.
    void linkMDdata(MultidimensionalData* data) { document.replaceTable(data); }

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
    void renderOperatorTree(const AROperator* node);
    void renderOneOperator(const AROperator* op);
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
    // The titles of every axis as drawn now (see AxisTitlePlacement).
    const std::vector<AxisTitlePlacement>& getAxisTitlePlacements();
    // The axis whose title is under window pixel (xPx, yPx), or -1.
    int titleUnder(int xPx, int yPx);
    int getHoveredTitle() const { return hoveredTitle; }
    // The axis a title drag started on, -1 when none.
    int getDraggedTitle() const { return draggedTitle; }
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

    // Display switches (the document's; they survive the linking of another table).
    bool getShowHistograms() const { return document.getDisplaySwitches().showHistograms; }
    bool getShowMixtures() const { return document.getDisplaySwitches().showMixtures; }
    bool getShowHintPaths() const { return document.getDisplaySwitches().showHintPaths; }
    bool getAllHintsOff() const { return document.getDisplaySwitches().allHintsOff; }
    const DisplaySwitches& getDisplaySwitches() const { return document.getDisplaySwitches(); }
    int getSelectedHintPath() const { return selectedHintPath; }
    int getSelectedHintDim() const { return selectedHintDim; }
    const AROperator* getGrabbedOp() const { return grabbedOp; }
    const AROperator* getRotatedOp() const { return rotatedOp; }

private:
    // The new table's labels, a clean gesture state and a first frame.
    void tableLinked();
    // What the line layer's picture depends on; a different key draws it anew.
    struct LineLayerKey {
        uint64_t tableSerial = 0;  // the table and the tree (see getTableSerial)
        uint64_t revision = 0;     // of the tree
        int widthPx = 0, heightPx = 0;
        float aspect = 0;
        DrawRegion region;
        Color4 lineColour;
        uint64_t axisPositionsHash = 0;
        uint64_t arrangement = 0;  // the model's arrangement revision
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
    // Works out the step of a gesture that ended (see Document::endGesture).
    static void settleHistory(void* view);
    double loadFraction = -1.0;  // a table loading elsewhere: its progress; negative: none
    static constexpr double kDensityPollSeconds = 0.1;

    // Gesture steps of handleMouseEvents (view units).
    void addHintPointAt(float xView, float yView);
    void leftPush(float xView, float yView);
    void leftDrag(float xView, float yView);
    bool rotateStep(float xView, float yView);
    void removeOperatorAt(float xView, float yView);
    void deleteHintPointAt(float xView, float yView);
    void wheelStep(float xView, float yView, float delta, bool ctrl, bool alt);
    Color4 chosenColor() const;
    // The unlocked hint point under the pointer (pixels): its path, or -1; its dimension in *dim.
    int unlockedHintPointUnder(int xPx, int yPx, int* dim, bool* onLocked) const;
    void clearGestureState();
    // The gesture number of a wheel step or key press on `target` (an
    // operator, a hint point, a region; `kind` tells them apart): the
    // previous one's when it came within kBurstSeconds on the same target.
    uint64_t burstGesture(int kind, const void* target, int detail);
    struct Burst {
        int kind = -1;
        const void* target = nullptr;
        int detail = 0;
        double atSeconds = -1e9;
        uint64_t gesture = 0;
    };
    Burst lastBurst;                 // the last wheel step or key press
    uint64_t pressGesture = 0;       // the gesture of the button press under way
    Document& document;              // what the view shows; not owned
    // Hovering: the pick at the pointer (view units), its end, its highlight and label.
    void updateHover(float xView, float yView);
    void clearHover();
    void renderHover();
    int hoveredItem = -1;                 // item under the pointer; -1 none
    Point2 hoverPointer;                  // the pointer, view units
    std::vector<std::string> hoverLines;  // label text, built when the item changes

    std::vector<Point2> mouseTrace;  // view-unit points of the current left-button gesture
    int selectedHintPath = -1;       // unlocked path of the hint point being dragged; -1 none
    int selectedHintDim = -1;        // its dimension; -1 none

    const AROperator* grabbedOp = nullptr;  // moved by the current left drag; not owned
    const AROperator* rotatedOp = nullptr;  // turned by the current left drag; not owned

    // Label texts of each axis, built once per table.
    std::vector<std::string> axisNames;
    std::vector<std::string> axisMinLabels;
    std::vector<std::string> axisMaxLabels;
    // The category labels drawn beside each categorical axis (empty for
    // others): category indices, chosen for the view height categoryLabelsHeightPx.
    void chooseCategoryLabels();
    void layOutTitles();
    void renderTitles();
    void renderColourLegend();
    // Status text of a refused command, through the document's observers.
    void buildAxisLabels();
    std::vector<AxisTitlePlacement> titlePlacements;
    int titlesWidthPx = -1, titlesHeightPx = -1;  // the size they were laid out for
    std::vector<float> titleAxisXView;            // ... and the axes' places, view units
    uint64_t labelsArrangement = 0;  // the arrangement revision the labels were made for
    int hoveredTitle = -1;           // axis whose full title the pointer shows; -1 none
    int draggedTitle = -1;           // axis being dragged by its title; -1 none
    float titleDragXView = 0;        // where the dragged title is, view units
    void titleGesturePush(const PointerInput& input, int slot);
    // Context menu of a title: flip, scales, colour by.
    void titleMenu(int slot);
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

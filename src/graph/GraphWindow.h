// GraphWindow: the OpenGL window right of the view that shows the view's
// operator tree as a node-link graph. Every node is a circle whose size grows
// with its share of the items, every parent-child pair of drawn nodes is
// joined by a textured arrow, and a force model moves the nodes one step per
// tick of a 0.01 s timer, which then redraws. A bar of three tool
// icons (brush, union, delete) sits in the top-left corner; the focused node
// glows; a lasso drawn with the mouse selects nodes and the brush paints them.
//
// Graph units: unit square, x from 0 (left) to 1 (right), y from 0 (bottom)
// to 1 (top), whatever the pixel size. A pointer at window pixel (xPx, yPx)
// is at (xPx / width, 1 - yPx / height). A is the aspect (width / height),
// taken when used; round shapes divide their horizontal extent by A.
//
// It shows the Document's operator tree, which it reads but never writes:
// a click gives the document a new focus, the brush paints through the
// document, a dragged node and the layout's steps go through the document's
// calls for the layout (which are no edits). It redraws when the document
// changes.
//
// Member functions live in several files: GraphWindow.cpp (life cycle,
// links, timer, texture ownership), GraphWindowLayout.cpp (force layout and
// the rest test of the timer), GraphWindowDraw.cpp (frame, icons, nodes,
// arrows, glow, lasso outline), GraphWindowMouse.cpp (gestures and lasso).
#pragma once

#include <GL/glew.h>  // before any other GL header
#include <FL/Fl_Gl_Window.H>

#include <cstdint>
#include <vector>

#include "geometry/Color4.h"
#include "geometry/Point2.h"
#include "geometry/Polygon_t.h"
#include "gl/IconImage.h"
#include "gl/PointerInput.h"
#include "model/Document.h"

class AROperator;
class ClusterTree;

class GraphWindow : public Fl_Gl_Window, public DocumentObserver {
public:
    static constexpr int kIconCount = 3;   // brush, union, delete
    static constexpr int kArrowPieces = 3; // tail, middle, head
    static constexpr int kBrushIcon = 0;

    // Shows the tree of `document` (not owned; it outlives the window).
    GraphWindow(Document& document, int x, int y, int w, int h, const char* label = nullptr);
    ~GraphWindow() override;
    GraphWindow(const GraphWindow&) = delete;
    GraphWindow& operator=(const GraphWindow&) = delete;

    void draw() override;
    int handle(int event) override;
    void resize(int x, int y, int w, int h) override;
    // Releases the textures while the GL context they belong to still exists.
    void hide() override;

    // DocumentObserver: a new table (the tree is fetched again), edits,
    // undo and redo (the layout wakes up).
    void tableWillChange() override { releaseLinks(); }
    void documentChanged(const DocumentChange& change) override;
    // Forgets everything taken from the previous table (nothing is
    // released); the next layout step fetches the new tree.
    void releaseLinks();

    // One layout step and a redraw (when anything may have changed); re-arms itself.
    static void Timeout_Callback(void* window);
    // Whether the next timer tick has to step and draw: false only while the
    // layout is at rest, no gesture is under way and the tree's revision is
    // the one the last step saw.
    bool needsFrame();

    // Textures of the six images, made once per GL context.
    void generateTextures();
    // n RGB pixels in reverse order (a turn by 180 degrees).
    static void flipImages(unsigned char* out, const unsigned char* in, int pixels);
    // The same into RGBA, alpha = 255 - red: dark parts opaque, white parts transparent.
    static void manipulateImages(unsigned char* out, const unsigned char* in, int pixels);

    // Drawing steps of a frame (GL context current). The frame draws the
    // layout as the last step left it.
    void renderIcons();
    void renderGraph();
    void renderGraphTreenode(AROperator* node);
    void renderLinks();
    void renderLinkFrom(AROperator* parent);
    // A graph of more drawn nodes than this is drawn plainly (thin circles of
    // few segments, links as lines); isCrowded tells how the last frame was drawn.
    static constexpr size_t kFullyDrawnNodes = 300;
    bool isCrowded() const { return crowded; }
    void renderFocusedNode();
    void renderMouseTrace();

    // The timer's layout work before each frame: one step of the force
    // layout over the whole tree, or the next part of it on a tree too large
    // for one tick (new nodes get their first place when a step starts); see GraphLayout.
    void layoutGraph();
    // Whether a layout step is part done (a large tree's step spans ticks).
    bool isLayoutStepUnderWay() const { return document.getGraphLayout().isStepUnderWay(); }

    // Index of the icon under (x, y), graph units: -1 below the bar or right
    // of it; left of the bar 0 within one icon width, negative beyond.
    int testIconCaptured(float xGraph, float yGraph) const;

    // Mouse gestures (see GraphWindowMouse.cpp): pointer in window pixels.
    void handleMouseEvents(const PointerInput& input);
    // Lasso step: counts and (with the brush) paints the nodes inside the trace.
    void handleMouseLoop();

    // How an arrow from parent P to child C is laid out, graph units, in the
    // frame turned by angleDeg about P's centre with x along the arrow.
    struct ArrowPlacement {
        bool drawn;          // false: the circles overlap, no arrow to C nor below it
        int angleDeg;        // direction from P to C, whole degrees
        float startX;        // where the tail starts: P's radius
        float scale;         // 1, or the share of 0.08 the gap between the circles fills
        float middleLength;  // length of the middle piece; 0: none
    };
    static ArrowPlacement placeArrow(const AROperator& parent, const AROperator& child);

    Document& getDocument() const { return document; }
    const ClusterTree* getClusterTree() const { return tree; }
    // The node that takes new operators (drawn glowing), or null without a tree.
    const AROperator* getFocusedNode() const;
    const AROperator* getHeldNode() const { return heldNode; }
    int getSelectedIcon() const { return selectedIcon; }
    bool isTracing() const { return tracing; }
    bool isLassoing() const { return lassoing; }
    const std::vector<Point2>& getMouseTrace() const { return mouseTrace; }
    float getIconBarX() const { return iconBarX; }
    float getIconBarY() const { return iconBarY; }
    float getIconSize() const { return iconSize; }
    bool areTexturesReady() const { return texturesReady; }
    GLuint getIconTexture(int n) const { return iconTextures[n]; }
    GLuint getArrowTexture(int n) const { return arrowTextures[n]; }

private:
    float aspect() const;
    void pxToGraph(int xPx, int yPx, float* xGraph, float* yGraph) const;
    // Takes the document's current tree when none is held, and catches up
    // with a new revision of it.
    void syncWithTree();
    // Drops node pointers that a removal in the view has released.
    void dropReleasedNodes();
    void releaseTextures();
    // The crowded graph's links, as line ends in linkXy.
    void collectLinkLines(const AROperator* parent);
    // Rest bookkeeping of the timer (GraphWindowLayout.cpp).
    void restartRestTest();
    void recordLayoutStep();

    Document& document;                          // what the window shows; not owned
    const ClusterTree* tree = nullptr;           // the document's operator tree; not owned
    IconImage iconImages[kIconCount];            // brush, union, delete
    GLuint iconTextures[kIconCount] = {0, 0, 0}; // in this window's GL context
    IconImage arrowImages[kArrowPieces];         // tail, middle, head
    GLuint arrowTextures[kArrowPieces] = {0, 0, 0};
    bool texturesReady = false;  // the six textures exist in the current GL context
    float iconBarX = 0.05f;      // left edge of the icon bar, graph units
    float iconBarY = 0.9f;       // bottom edge of the icon bar, graph units
    float iconSize = 0.1f;       // icon height, graph units; an icon is iconSize / A wide
    int selectedIcon = kBrushIcon;  // tool in use: 0 brush, 1 union, 2 delete (3 just right of the bar)
    std::vector<Point2> mouseTrace;  // points of the current gesture, graph units
    bool tracing = false;            // the gesture is a lasso and its outline is drawn
    bool lassoing = false;           // the left gesture began on empty space: its release selects
    const AROperator* heldNode = nullptr;  // node being dragged; not owned

    // Scratch of the frame, kept so that drawing allocates nothing once grown.
    std::vector<AROperator*> drawnNodes;  // the tree, to count the nodes drawn
    std::vector<float> linkXy;            // a crowded graph's links: x, y of both ends, graph units
    std::vector<float> circleXy;          // a crowded graph's circles as segments: x, y of both ends
    std::vector<float> circleRgba;        // their colours, per end
    bool crowded = false;                 // the last frame drew the graph plainly

    // Scratch of the lasso step, kept so that it allocates nothing once grown.
    Polygon_t lassoPolygon;
    std::vector<AROperator*> lassoNodes;
    std::vector<const AROperator*> selectedNodes;

    uint64_t seenRevision = 0;         // the tree's revision when the window last caught up with it

    // Rest state of the layout, read by the timer (see needsFrame).
    struct RestPoint {
        double x, y;  // graph units
    };
    std::vector<AROperator*> layoutNodes;    // the tree in pre-order at the last complete layout step
    std::vector<RestPoint> restWindowSums;   // per node of layoutNodes: positions summed over the current window
    std::vector<RestPoint> restAnchor;       // per node: mean position over the window the calm began with
    int restWindowFrames = 0;                // frames summed in the current window
    bool haveRestAnchor = false;             // restAnchor holds a complete window of the current nodes
    int calmWindows = 0;                     // complete windows in a row whose means stayed near the anchor
    bool atRest = false;                     // enough calm windows: the timer may skip frames
};

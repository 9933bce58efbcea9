// GraphWindow: mouse gestures (tool pick, node focus and drag, lasso) and the
// lasso step that counts and paints the nodes inside the traced outline.
#include "graph/GraphWindow.h"

#include "gl/GlWindowSetup.h"

#include <FL/Enumerations.H>

#include <algorithm>
#include <iostream>

#include "operators/ClusterTree.h"

int GraphWindow::testIconCaptured(float xGraph, float yGraph) const {
    if (yGraph < iconBarY) return -1;
    const float iconWidth = iconSize / aspect();
    auto edgeX = [&](int k) { return iconBarX + static_cast<float>(k) * iconWidth; };
    if (xGraph > edgeX(kIconCount)) return -1;
    int index = static_cast<int>((xGraph - iconBarX) / iconWidth);  // truncated towards zero
    // Keep the index on the side of an icon edge that the edge's own rounding
    // puts the point on: a point exactly on the bar's right edge gives 3.
    if (index >= 0 && index < kIconCount && xGraph >= edgeX(index + 1)) ++index;
    if (index > 0 && xGraph < edgeX(index)) --index;
    return index;
}

int GraphWindow::handle(int event) {
    if (!isPointerEvent(event)) return Fl_Gl_Window::handle(event);
    handleMouseEvents(PointerInput::fromToolkit(event));
    return 1;
}

// Gestures (a left press starts one; its release ends it):
//
//   state      entered by                        tracing  lassoing  heldNode  on left release
//   idle       start-up, a release               false    false     null      -
//   tool pick  left press on the icon bar        true     false     null      idle
//   lasso      left press on empty space         true     true      null      lasso step, idle
//   node drag  left press on a node (it gets     false    false     the node  idle
//              the focus, here and in the view)
//
// Only a lasso selects (and, with the brush, paints) nodes: right and
// middle clicks and the end of a node drag select and paint nothing. Drags
// with any button extend the trace and move the held node; the trace is
// emptied only by a left press. Moves and wheel turns do nothing.
void GraphWindow::handleMouseEvents(const PointerInput& input) {
    syncWithTree();
    restartRestTest();  // whatever the gesture changes, the next frames show it
    float xGraph = 0;
    float yGraph = 0;
    pxToGraph(input.xPx, input.yPx, &xGraph, &yGraph);

    switch (input.event) {
        case FL_PUSH: {
            if (input.button != FL_LEFT_MOUSE) return;
            mouseTrace.clear();
            tracing = true;
            lassoing = false;
            mouseTrace.emplace_back(xGraph, yGraph);
            const int icon = testIconCaptured(xGraph, yGraph);
            if (icon >= 0) {
                selectedIcon = icon;
                redraw();
                return;
            }
            AROperator* hit = nullptr;
            if (tree != nullptr && tree->isNearOpInGraph(xGraph, yGraph, &hit)) {
                heldNode = hit;
                tracing = false;
                document.setFocusedOperator(hit);
            } else {
                heldNode = nullptr;
                lassoing = true;
            }
            return;
        }
        case FL_DRAG:
            mouseTrace.emplace_back(xGraph, yGraph);
            if (heldNode != nullptr) document.putGraphNode(heldNode, xGraph, yGraph);
            return;
        case FL_RELEASE: {
            if (input.button != FL_LEFT_MOUSE) return;
            const bool endsLasso = lassoing;
            tracing = false;
            lassoing = false;
            heldNode = nullptr;
            if (endsLasso) {
                mouseTrace.emplace_back(xGraph, yGraph);
                handleMouseLoop();
            }
            return;
        }
        default:
            return;
    }
}

void GraphWindow::handleMouseLoop() {
    lassoPolygon.points.assign(mouseTrace.begin(), mouseTrace.end());
    lassoNodes.clear();
    selectedNodes.clear();
    if (tree != nullptr) tree->collectNodes(&lassoNodes);
    // Every node counts, drawn or not.
    for (AROperator* node : lassoNodes) {
        if (lassoPolygon.contain(static_cast<float>(node->graphX), static_cast<float>(node->graphY))) {
            selectedNodes.push_back(node);
        }
    }
    std::cout << selectedNodes.size() << " nodes are selected!" << std::endl;

    if (selectedIcon == kBrushIcon) {
        // An operator is painted with its complementary child, which holds the
        // rest of its items; the root and complementary nodes are not painted
        // for themselves. One step of the history.
        document.paintOperators(selectedNodes, document.getColourChoice().colour());
    }
}

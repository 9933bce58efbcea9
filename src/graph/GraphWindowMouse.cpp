// GraphWindow: mouse gestures (tool pick, node focus and drag, lasso) and the
// lasso step that counts and paints the nodes inside the traced outline.
#include "graph/GraphWindow.h"

#include "geometry/GlWindowSetup.h"

#include <FL/Fl.H>

#include <iostream>

#include "colorchooser/ColorChooserWindow.h"
#include "operators/ClusterTree.h"
#include "pcview/PCWindow.h"

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
    handleMouseEvents(Fl::event_button(), event, Fl::event_state(), Fl::event_x(), Fl::event_y());
    return 1;
}

// Gestures (a left press starts one, any release ends it):
//
//   state      entered by                         tracing  heldNode  on release
//   idle       start-up, any release              false    null      -
//   lasso      left press on an icon or on        true     null      lasso step, idle
//              empty space
//   node drag  left press on a node (it gets     false    the node  lasso step over the
//              the focus, here and in the view)                     drag path, idle
//
// Drags with any button extend the trace and move the held node; the trace is
// emptied only by a left press. Moves and wheel turns do nothing.
void GraphWindow::handleMouseEvents(int button, int event, int /*state*/, int xPx, int yPx) {
    dropReleasedNodes();
    restartRestTest();  // whatever the gesture changes, the next frames show it
    float xGraph = 0;
    float yGraph = 0;
    pxToGraph(xPx, yPx, &xGraph, &yGraph);

    switch (event) {
        case FL_PUSH: {
            if (button != FL_LEFT_MOUSE) return;
            mouseTrace.clear();
            tracing = true;
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
                focusedNode = hit;
                if (pcWindow != nullptr) pcWindow->setFocusedOp(hit);
            } else {
                heldNode = nullptr;
            }
            return;
        }
        case FL_DRAG:
            mouseTrace.emplace_back(xGraph, yGraph);
            if (heldNode != nullptr) {
                heldNode->graphX = xGraph;
                heldNode->graphY = yGraph;
            }
            return;
        case FL_RELEASE:
            tracing = false;
            mouseTrace.emplace_back(xGraph, yGraph);
            handleMouseLoop();
            heldNode = nullptr;
            return;
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

    if (selectedIcon == kBrushIcon && colorChooser != nullptr) {
        // An operator is painted with its complementary child, which holds the
        // rest of its items; the root and complementary nodes are not painted for themselves.
        const Color4 colour = colorChooser->getColor();
        for (AROperator* node : selectedNodes) {
            if (node->type != AROperator::kTypeRegular) continue;
            node->color = colour;
            for (const ARLinks& link : node->links) {
                if (link.isParentLink == 0 && link.node->type == AROperator::kTypeComplementary) {
                    link.node->color = colour;
                }
            }
        }
    }
    if (pcWindow != nullptr) pcWindow->redraw();
}

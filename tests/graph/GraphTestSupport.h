// A graph window of 400 x 400 pixels showing the document of a crafted table
// (no view window), not shown: the handlers take window pixels, and no frame
// runs unless a test asks for one. A graph point (x, y) is window pixel
// (400 x, 400 (1 - y)).
#pragma once

#include <FL/Fl.H>

#include "graph/GraphWindow.h"
#include "operators/OperatorTestSupport.h"

// Two dimensions, four items.
inline const char* const kGraphTestTable = "a,b\n0,0\n1,1\n0.5,0.5\n0.2,0.8\n";

// The graph window is a member of the derived class, so it goes before the document it shows.
class GraphTest : public TreeTest<Document> {
protected:
    void makeScene(int widthPx = 400, int heightPx = 400) {
        makeView(kGraphTestTable);
        graph = std::make_unique<GraphWindow>(document, 0, 0, widthPx, heightPx);
        root = tree->getRoot();
    }
    // The same with operator `op` under the root, next to the root's complementary child.
    void makeSceneWithOperator() {
        makeScene();
        op = add(0.5f, 0.5f);
        rootComplement = complementOf(root);
    }
    // Puts a node at rest at (x, y), graph units, as if the layout had placed it there.
    static void place(AROperator* node, double xGraph, double yGraph, double radius = 0.04) {
        node->graphX = xGraph;
        node->graphY = yGraph;
        node->graphRadius = radius;
        node->graphPlaced = true;
        node->velocityX = node->velocityY = node->forceX = node->forceY = 0;
    }
    int xPx(double xGraph) const { return static_cast<int>(xGraph * graph->w() + 0.5); }
    int yPx(double yGraph) const { return static_cast<int>((1 - yGraph) * graph->h() + 0.5); }
    void mouse(int event, double xGraph, double yGraph, int button = FL_LEFT_MOUSE) {
        graph->handleMouseEvents(PointerInput::at(event, xPx(xGraph), yPx(yGraph), button));
    }
    // Releases the button; returns what the lasso step printed.
    std::string release(double xGraph, double yGraph, int button = FL_LEFT_MOUSE) {
        return stdoutOf([&] { mouse(FL_RELEASE, xGraph, yGraph, button); });
    }
    // A lasso round the square of half side `half` centred at (x, y).
    std::string lassoSquare(double xGraph, double yGraph, double half) {
        mouse(FL_PUSH, xGraph - half, yGraph - half);
        mouse(FL_DRAG, xGraph + half, yGraph - half);
        mouse(FL_DRAG, xGraph + half, yGraph + half);
        mouse(FL_DRAG, xGraph - half, yGraph + half);
        return release(xGraph - half, yGraph - half);
    }

    std::unique_ptr<GraphWindow> graph;
    AROperator *root = nullptr, *op = nullptr, *rootComplement = nullptr;
};

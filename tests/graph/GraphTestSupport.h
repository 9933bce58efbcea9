// A graph window of 400 x 400 pixels linked to a view over a crafted table,
// neither shown: the handlers take window pixels, and no frame runs unless a
// test asks for one. A graph point (x, y) is window pixel (400 x, 400 (1 - y)).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "TestSupport.h"
#include "graph/GraphWindow.h"
#include "operators/ClusterTree.h"
#include "pcview/PCWindow.h"

// Two dimensions, four items; the view is 1000 x 500 pixels.
inline const char* const kGraphTestTable = "a,b\n0,0\n1,1\n0.5,0.5\n0.2,0.8\n";

class GraphTest : public testing::Test {
protected:
    void makeScene(int widthPx = 400, int heightPx = 400) {
        view = std::make_unique<PCWindow>(0, 0, 1000, 500);
        view->linkMDdata(loadTableQuietly(dir.write("t.txt", kGraphTestTable)));
        graph = std::make_unique<GraphWindow>(0, 0, widthPx, heightPx);
        graph->linkPCWindow(view.get());
        view->linkGraphWindow(graph.get());
        tree = view->getClusterTree();
    }
    // An operator at (x, y), view units, under the tree's focused node; its bin-index lines are dropped.
    AROperator* add(float xView, float yView, bool primary = true) {
        testing::internal::CaptureStdout();
        AROperator* op = tree->addAR(view.get(), xView, yView, primary, Color4(1, 0, 0, 1));
        testing::internal::GetCapturedStdout();
        return op;
    }
    // Puts a node at rest at (x, y), graph units, as if the layout had placed it there.
    static void place(AROperator* node, double xGraph, double yGraph, double radius = 0.04) {
        node->graphX = xGraph;
        node->graphY = yGraph;
        node->graphRadius = radius;
        node->graphPlaced = true;
        node->velocityX = node->velocityY = node->forceX = node->forceY = 0;
    }
    static AROperator* complementOf(const AROperator* node) {
        for (const ARLinks& link : node->links) {
            if (link.isParentLink == 0 && link.node->type == AROperator::kTypeComplementary) return link.node;
        }
        return nullptr;
    }
    int xPx(double xGraph) const { return static_cast<int>(xGraph * graph->w() + 0.5); }
    int yPx(double yGraph) const { return static_cast<int>((1 - yGraph) * graph->h() + 0.5); }
    void mouse(int event, double xGraph, double yGraph, int button = FL_LEFT_MOUSE) {
        graph->handleMouseEvents(button, event, 0, xPx(xGraph), yPx(yGraph));
    }
    // Releases the button; returns what the lasso step printed.
    std::string release(double xGraph, double yGraph) {
        testing::internal::CaptureStdout();
        mouse(FL_RELEASE, xGraph, yGraph);
        return testing::internal::GetCapturedStdout();
    }
    // A lasso round the square of half side `half` centred at (x, y).
    std::string lassoSquare(double xGraph, double yGraph, double half) {
        mouse(FL_PUSH, xGraph - half, yGraph - half);
        mouse(FL_DRAG, xGraph + half, yGraph - half);
        mouse(FL_DRAG, xGraph + half, yGraph + half);
        mouse(FL_DRAG, xGraph - half, yGraph + half);
        return release(xGraph - half, yGraph - half);
    }

    // In this order, so that the graph window goes first, while the tree it names exists.
    TempDir dir;
    std::unique_ptr<PCWindow> view;
    std::unique_ptr<GraphWindow> graph;
    ClusterTree* tree = nullptr;
};

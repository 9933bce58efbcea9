#include "ViewBenchScenes.h"

#include <GL/glew.h>
#include <FL/Fl.H>

#include <cstdlib>
#include <iostream>
#include <vector>

#include "app/MainWindow.h"
#include "data/MultidimensionalData.h"
#include "model/TableModel.h"
#include "operators/ClusterTree.h"
#include "pcview/PCWindow.h"

std::string benchTable(int rows) {
    const char* dir = std::getenv("STRANDS_BENCH_DATA");
    return std::string(dir ? dir : "bench/data") + "/rows_" + std::to_string(rows) + ".csv";
}

std::unique_ptr<MainWindow> showMainWindow(const std::string& path) {
    std::streambuf* saved = std::cout.rdbuf(nullptr);
    auto main = std::make_unique<MainWindow>(new MultidimensionalData(path.c_str()));
    main->show();
    PCWindow* view = main->getView();
    for (int k = 0; k < 500 && !view->valid(); ++k) Fl::wait(0.01);
    std::cout.rdbuf(saved);
    return main;
}

int addThreeOperators(TableModel* holder) {
    if (holder->getData()->getActualDimNum() < 8) return 0;
    ClusterTree* tree = holder->getClusterTree();
    const float xs[] = {0.18f, 0.5f, 0.82f};
    for (float x : xs) {
        AROperator* op = tree->addAR(holder, x, 0.5f, true, Color4(0.9f, 0.2f, 0.1f, 0.8f));
        if (op == nullptr) continue;
        tree->setOperatorRadius(op, 0.12);
        tree->setOperatorAngleWidth(op, 1.0);
    }
    std::vector<AROperator*> nodes;
    tree->collectNodes(&nodes);
    int held = 0;
    for (AROperator* node : nodes) {
        if (node->type == AROperator::kTypeRegular) held += static_cast<int>(node->controlList.size());
    }
    return held;
}

void redrawView(PCWindow* view) {
    view->redrawWindows();
    Fl::flush();
    view->make_current();
    glFinish();
}

int completeLineLayer(PCWindow* view) {
    int frames = 0;
    do {
        redrawView(view);
        ++frames;
    } while (view->drawingPending());
    return frames;
}

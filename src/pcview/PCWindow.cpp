// PCWindow: construction, linking of a table, transforms and event routing.
#include "pcview/PCWindow.h"

#include <FL/Fl.H>

#include <cmath>

#include "data/NumberText.h"
#include "geometry/GlWindowSetup.h"
#include "cluster/ClusterPath.h"
#include "cluster/GaussianMixture.h"
#include "cluster/ItemRegrouping.h"
#include "cluster/MultidimensionalCluster.h"
#include "graph/GraphWindow.h"
#include "operators/ClusterTree.h"
#include "operators/DataItemPaths.h"

namespace {
constexpr float kInitialHistogramWidth = 0.5f;  // histogram scale of every axis of a new table
}  // namespace

PCWindow::PCWindow(int x, int y, int w, int h, const char* label)
    : Fl_Gl_Window(x, y, w, h, label), aspect(static_cast<float>(w) / static_cast<float>(h)) {
    mode(chooseGlContextMode());
    calculateSinCosValues();
}

PCWindow::~PCWindow() {
    // Per-table objects read the table while they are released, so they go first.
    releasePerTableObjects();
    data.reset();
}

void PCWindow::calculateSinCosValues() {
    sinCosLength = kCircleSamples;
    for (int i = 0; i < sinCosLength; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(sinCosLength);
        sinValues[i] = static_cast<float>(std::sin(2 * 3.1415926 * t));
        cosValues[i] = static_cast<float>(std::cos(2 * 3.1415926 * t));
    }
}

void PCWindow::linkMDdata(MultidimensionalData* newData) {
    releasePerTableObjects();
    data.reset(newData);
    if (graphWindow) graphWindow->releaseLinks();
    updateDataInfo();
}

void PCWindow::releasePerTableObjects() {
    // Objects that refer to others go first: the item paths read the tree, the tree the axes.
    itemPaths.reset();
    tree.reset();
    regrouping.reset();
    mixtures.clear();
    hintPaths.reset();
    groups.reset();
    itemScores.clear();
    grabbedOp = rotatedOp = wheelOp = nullptr;
    axes.reset();
    histogramWidths.clear();
    axisNames.clear();
    axisMinLabels.clear();
    axisMaxLabels.clear();
    mouseTrace.clear();
    selectedHintPath = selectedHintDim = -1;
    dataReady = false;
}

void PCWindow::updateDataInfo() {
    if (dataReady) releasePerTableObjects();
    if (!data) return;
    // In this order: axes, hint paths, item records, tree, item paths,
    // histogram widths, groups, then one empty mixture per dimension.
    const int dims = data->getActualDimNum();
    axes = std::make_unique<ParallelCoordinatesAxis>(data.get());
    hintPaths = std::make_unique<ClusterPath>(dims);
    itemScores.assign(static_cast<size_t>(data->getDataNum()), ItemScore{0, 0.0f});
    tree = std::make_unique<ClusterTree>(this);
    itemPaths = std::make_unique<DataItemPaths>(this);
    histogramWidths.assign(static_cast<size_t>(dims), kInitialHistogramWidth);
    groups = std::make_unique<MultidimensionalCluster>(data.get());
    mixtures.clear();
    for (int d = 0; d < dims; ++d) mixtures.push_back(std::make_unique<GaussianMixture>(nullptr, nullptr, nullptr, 0));
    regrouping = std::make_unique<ItemRegrouping>(data.get(), drawRegionOffset, drawRegionScale);
    // Record i holds item i until the first regrouping or density ordering.
    for (size_t i = 0; i < itemScores.size(); ++i) itemScores[i].item = static_cast<int32_t>(i);

    // Numeric dimension d is header field d + 1 when the first column holds item names.
    const int nameColumns = data->getDimNum() - dims;
    for (int d = 0; d < dims; ++d) {
        axisNames.push_back(data->getDimName(d + nameColumns));
        axisMinLabels.push_back(toString(data->getMinValue(d)));
        axisMaxLabels.push_back(toString(data->getMaxValue(d)));
    }
    dataReady = true;
    redraw();
}

bool PCWindow::hasDrawableData() const {
    return dataReady && data->getDataNum() > 0 && data->getActualDimNum() > 0;
}

float PCWindow::getHistogramWidth(int dim) const {
    if (dim < 0 || dim >= static_cast<int>(histogramWidths.size())) return 0.0f;
    return histogramWidths[dim];
}

void PCWindow::transformMouseInput(float* xView, float* yView, int xPx, int yPx) const {
    *xView = static_cast<float>(xPx) / static_cast<float>(w());
    *yView = 1.0f - static_cast<float>(yPx) / static_cast<float>(h());
}

void PCWindow::resize(int x, int y, int w, int h) {
    Fl_Gl_Window::resize(x, y, w, h);
    if (shown()) {
        make_current();
        setUnitSquareProjection(w, h);
    }
    aspect = static_cast<float>(w) / static_cast<float>(h);
    redraw();
}

int PCWindow::handle(int event) {
    if (isPointerEvent(event)) {
        handleMouseEvents(Fl::event_button(), event, Fl::event_state(), Fl::event_x(), Fl::event_y());
        return 1;
    }
    switch (event) {
        case FL_KEYDOWN:
        case FL_SHORTCUT: {
            // Only character keys and Escape are view commands; special keys
            // (arrows, Home, Insert, ...) are not, whatever their low byte, and
            // keys held with Ctrl or Alt belong to the menu.
            const int key = Fl::event_key();
            if (Fl::event_ctrl() || Fl::event_alt()) break;
            if (key == FL_Escape) return handleKeyboardEvents(27, Fl::event_x(), Fl::event_y());
            if (key <= 0 || key >= 0x100) break;
            if (handleKeyboardEvents(static_cast<unsigned int>(key), Fl::event_x(), Fl::event_y())) return 1;
            break;
        }
        default:
            break;
    }
    return Fl_Gl_Window::handle(event);
}

// PCWindow: the item lines, straight while the tree is only its root, bent
// through the operators and coloured by them once it has regular operators.
#include "pcview/PCWindow.h"

#include <GL/glew.h>

#include <algorithm>

#include "operators/ClusterTree.h"
#include "operators/DataItemPaths.h"

namespace {

constexpr float kLineWidthPx = 2.0f;
constexpr int kCurvePoints = DataItemPaths::kPointsPerSegment;

bool sameColour(const Color4& a, const Color4& b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

}  // namespace

// Brings the bent paths up to date with the tree (only what changed).
void PCWindow::buildCurves() { getItemPaths()->updateChangedPaths(); }

// The paths were brought up to date by prepareFrame().
void PCWindow::renderLines_TreeBased() {
    AROperator* root = getClusterTree()->getRoot();
    if (root->noChildren()) {
        renderLinesAtSubTree(root);
    } else {
        renderCurvesAtSubTree(root);
    }
}

void PCWindow::renderLinesAtSubTree(AROperator* node) {
    if (!node->noChildren()) {
        for (AROperator* child : ::children(node)) renderLinesAtSubTree(child);
        return;
    }
    glLineWidth(kLineWidthPx);
    const MultidimensionalData* data = getData();
    const ParallelCoordinatesAxis* axes = getAxes();
    const DrawRegion region = getDrawRegion();
    const int dims = data->getActualDimNum();
    const int itemCount = data->getDataNum();
    const Color4 colour = node->color;
    // One strip per item through its value on every axis, in the leaf's colour.
    for (int item : node->controlList) {
        if (item < 0 || item >= itemCount) continue;
        const float* row = data->getDataRow(item);
        lineBatch.beginStrip();
        for (int d = 0; d < dims; ++d) lineBatch.addVertex(axes->getAxisPosition(d), region.toView(row[d]), colour);
        lineBatch.endStrip();
    }
    lineBatch.flush();
}

// Every item of every leaf, segment by segment: straight or through its 15
// stored points, in its segment's colour, blending from the previous
// segment's colour where the colour changes at the segment's left axis.
void PCWindow::renderCurvesAtSubTree(AROperator* /*node*/) {
    const MultidimensionalData* data = getData();
    const ParallelCoordinatesAxis* axes = getAxes();
    const DataItemPaths* itemPaths = getItemPaths();
    const DrawRegion region = getDrawRegion();
    riverLeaves.clear();
    getClusterTree()->getAllLeafNodes_DepthFirst(&riverLeaves);
    const int segments = itemPaths->getSegmentNum();
    const int itemCount = data->getDataNum();
    DataItemPaths::SegmentCurve curve;
    for (AROperator* leaf : riverLeaves) {
        for (int item : leaf->controlList) {
            if (item < 0 || item >= itemCount) continue;
            const float* row = data->getDataRow(item);
            const bool straight = itemPaths->isUnbent(item);
            for (int j = 0; j < segments; ++j) {
                const Color4& colour = itemPaths->getSegmentColor(item, j);
                const bool turns = j > 0 && !sameColour(colour, itemPaths->getSegmentColor(item, j - 1));
                const Color4& from = turns ? itemPaths->getSegmentColor(item, j - 1) : colour;
                lineBatch.beginStrip();
                if (straight) {
                    lineBatch.addVertex(axes->getAxisPosition(j), region.toView(row[j]), from);
                    lineBatch.addVertex(axes->getAxisPosition(j + 1), region.toView(row[j + 1]), colour);
                } else {
                    itemPaths->getCurve(item, j, &curve);
                    const float* xs = curve.x;
                    const float* ys = curve.y;
                    for (int k = 0; k < kCurvePoints; ++k) {
                        // The colour turns within the first eight points.
                        const float f = turns ? std::min(2.0f * k / kCurvePoints, 1.0f) : 1.0f;
                        lineBatch.addVertex(xs[k], ys[k], from.r * (1 - f) + colour.r * f,
                                            from.g * (1 - f) + colour.g * f, from.b * (1 - f) + colour.b * f,
                                            from.a * (1 - f) + colour.a * f);
                    }
                }
                lineBatch.endStrip();
            }
        }
    }
    lineBatch.flush();
}

// PCWindow: the item lines, straight while the tree is only its root, bent
// through the operators and coloured by them once it has regular operators.
#include "pcview/PCWindow.h"

#include <GL/glew.h>

#include <algorithm>

#include "geometry/GlDrawer.h"
#include "operators/ClusterTree.h"
#include "operators/DataItemPaths.h"

namespace {

constexpr float kLineWidthPx = 2.0f;
constexpr int kCurvePoints = DataItemPaths::kPointsPerSegment;

bool sameColour(const Color4& a, const Color4& b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

// c0 (1 - f) + c1 f, every component including alpha.
void setBlendedColour(const Color4& c0, const Color4& c1, float f) {
    glColor4f(c0.r * (1 - f) + c1.r * f, c0.g * (1 - f) + c1.g * f, c0.b * (1 - f) + c1.b * f,
              c0.a * (1 - f) + c1.a * f);
}

}  // namespace

void PCWindow::buildCurves() { itemPaths->updatePaths(); }

void PCWindow::renderLines_TreeBased() {
    AROperator* root = tree->getRoot();
    if (root->noChildren()) {
        renderLinesAtSubTree(root);
    } else {
        buildCurves();
        renderCurvesAtSubTree(root);
    }
}

void PCWindow::renderLinesAtSubTree(AROperator* node) {
    if (!node->noChildren()) {
        for (const ARLinks& link : node->links) {
            if (link.isParentLink == 0) renderLinesAtSubTree(link.node);
        }
        return;
    }
    glLineWidth(kLineWidthPx);
    const int dims = data->getActualDimNum();
    const int itemCount = data->getDataNum();
    const Color4 colour = node->color;
    for (int item : node->controlList) {
        if (item < 0 || item >= itemCount) continue;
        const float* row = data->getDataRow(item);
        glBegin(GL_LINE_STRIP);
        for (int d = 0; d < dims; ++d) {
            glColor4f(colour.r, colour.g, colour.b, colour.a);
            glVertex2f(axes->getAxisPosition(d), transformToDrawRegion(row[d]));
        }
        glEnd();
    }
}

void PCWindow::renderCurvesAtSubTree(AROperator* /*node*/) {
    riverLeaves.clear();
    tree->getAllLeafNodes_DepthFirst(&riverLeaves);
    const int segments = itemPaths->getSegmentNum();
    const int itemCount = data->getDataNum();
    for (AROperator* leaf : riverLeaves) {
        for (int item : leaf->controlList) {
            if (item < 0 || item >= itemCount) continue;
            const float* row = data->getDataRow(item);
            const bool straight = itemPaths->isUnbent(item);
            for (int j = 0; j < segments; ++j) {
                const Color4& colour = itemPaths->getSegmentColor(item, j);
                const float x0 = axes->getAxisPosition(j);
                const float x1 = axes->getAxisPosition(j + 1);
                const float y0 = transformToDrawRegion(row[j]);
                const float y1 = transformToDrawRegion(row[j + 1]);
                if (j == 0 || sameColour(colour, itemPaths->getSegmentColor(item, j - 1))) {
                    GlDrawer::setColor(colour);
                    if (straight) {
                        GlDrawer::drawLine(x0, y0, x1, y1);
                    } else {
                        GlDrawer::drawCurve(itemPaths->getCurveX(item, j), itemPaths->getCurveY(item, j), kCurvePoints);
                    }
                    continue;
                }
                // The colour changes at axis j: blend from the previous segment's colour.
                const Color4& previous = itemPaths->getSegmentColor(item, j - 1);
                if (straight) {
                    glBegin(GL_LINES);
                    GlDrawer::setColor(previous);
                    glVertex2f(x0, y0);
                    GlDrawer::setColor(colour);
                    glVertex2f(x1, y1);
                    glEnd();
                } else {
                    const float* xs = itemPaths->getCurveX(item, j);
                    const float* ys = itemPaths->getCurveY(item, j);
                    glBegin(GL_LINE_STRIP);
                    for (int k = 0; k < kCurvePoints; ++k) {
                        // The colour turns within the first eight points.
                        setBlendedColour(previous, colour, std::min(2.0f * k / kCurvePoints, 1.0f));
                        glVertex2f(xs[k], ys[k]);
                    }
                    glEnd();
                }
            }
        }
    }
}

// PCWindow: the histogram layer. At every axis the histogram of its
// dimension lies on its side right of the axis, split into stacked bands, one
// per leaf of the operator tree in the leaf's colour, under the outline of the
// whole table's histogram. An axis with missing values has one more bar, one
// bin high, at its missing slot below the foot, with the count written beside it.
#include "pcview/PCWindow.h"

#include <GL/glew.h>

#include <cmath>
#include <string>

#include "operators/ClusterTree.h"

namespace {

constexpr float kBandAlpha = 0.75f;
constexpr float kRiverLineWidthPx = 1.5f;
// The fullest bin of the table is drawn (1/3) * 0.9 / D * width wide, view units.
constexpr float kFullestBinShare = 1.0f / 3.0f;
constexpr float kRiverSpan = 0.9f;
constexpr float kCountGapPx = 4.0f;            // the missing count starts this far right of its bar
constexpr float kCountBaselineDropPx = 4.0f;   // its baseline under the slot's centre

// A leaf's share with an absent histogram (NaN) counts as nothing.
float shareOrZero(float share) { return std::isnan(share) ? 0.0f : share; }

}  // namespace

void PCWindow::renderHistogramRiver_TreeBased(AROperator* /*node*/) {
    const MultidimensionalData* data = getData();
    const ParallelCoordinatesAxis* axes = getAxes();
    const DrawRegion region = getDrawRegion();
    const int dims = data->getActualDimNum();
    const int bins = data->getHistogramBinsNum();
    if (dims == 0 || data->getDataNum() == 0) return;
    const float binHeight = region.scale / bins;
    const float slotY = region.toView(MultidimensionalData::kMissingValueNorm);

    // Width factor of each dimension: view units per share of all items.
    auto widthFactor = [&](int d) {
        float fullest = 0, emptiest = 0;
        data->getHistogramRange(d, &fullest, &emptiest);
        return fullest > 0 ? kFullestBinShare / fullest * kRiverSpan / dims * getHistogramWidth(d) : 0.0f;
    };

    riverLeaves.clear();
    getClusterTree()->getAllLeafNodes_DepthFirst(&riverLeaves);
    riverOffsets.resize(static_cast<size_t>(bins));
    glLineWidth(kRiverLineWidthPx);
    for (int d = 0; d < dims; ++d) {
        const float scale = widthFactor(d);
        const float x = axes->getAxisPosition(d);
        std::fill(riverOffsets.begin(), riverOffsets.end(), 0.0f);
        float missingOffset = 0.0f;  // width of the missing bar stacked so far
        // One batch of quads per dimension: a tree of thousands of leaves
        // would otherwise cost a batch per leaf, most of them empty.
        glBegin(GL_QUADS);
        for (const AROperator* leaf : riverLeaves) {
            // A leaf without items has no band and moves no later band.
            if (leaf->controlList.empty()) continue;
            glColor4f(leaf->color.r, leaf->color.g, leaf->color.b, kBandAlpha);
            for (int b = 0; b + 1 < bins; ++b) {
                const float y = region.offset + (b + 0.5f) * binHeight;
                const float width = shareOrZero(leaf->getHistogramEntry(d, b)) * scale;
                const float nextWidth = shareOrZero(leaf->getHistogramEntry(d, b + 1)) * scale;
                // A leaf with no item in either bin gives a quad of no area, which
                // covers no pixel (nor sample): most of a small leaf's quads.
                if (width == 0.0f && nextWidth == 0.0f) continue;
                glVertex2f(x + riverOffsets[b], y);
                glVertex2f(x + riverOffsets[b] + width, y);
                glVertex2f(x + riverOffsets[b + 1] + nextWidth, y + binHeight);
                glVertex2f(x + riverOffsets[b + 1], y + binHeight);
            }
            // The next leaf's band starts where this one ends.
            for (int b = 0; b < bins; ++b) riverOffsets[b] += shareOrZero(leaf->getHistogramEntry(d, b)) * scale;
            if (data->getMissingCount(d) == 0) continue;
            const float width = shareOrZero(leaf->getHistogramEntry(d, MultidimensionalData::kMissingBin)) * scale;
            if (width == 0.0f) continue;
            glVertex2f(x + missingOffset, slotY - 0.5f * binHeight);
            glVertex2f(x + missingOffset + width, slotY - 0.5f * binHeight);
            glVertex2f(x + missingOffset + width, slotY + 0.5f * binHeight);
            glVertex2f(x + missingOffset, slotY + 0.5f * binHeight);
            missingOffset += width;
        }
        glEnd();
    }

    // Outline of the whole table's histogram.
    for (int d = 0; d < dims; ++d) {
        const float scale = widthFactor(d);
        const float x = axes->getAxisPosition(d);
        glColor4f(0, 0, 0, 0.8f);
        glLineWidth(kRiverLineWidthPx);
        glBegin(GL_LINE_STRIP);
        glVertex2f(x, region.offset);
        for (int b = 0; b < bins; ++b) {
            glVertex2f(x + data->getHistogramEntry(d, b) * scale, region.offset + (b + 0.5f) * binHeight);
        }
        glVertex2f(x, region.top());
        glEnd();
        const int64_t missing = data->getMissingCount(d);
        if (missing == 0) continue;
        const float width = data->getHistogramEntry(d, MultidimensionalData::kMissingBin) * scale;
        glBegin(GL_LINE_STRIP);
        glVertex2f(x, slotY - 0.5f * binHeight);
        glVertex2f(x + width, slotY - 0.5f * binHeight);
        glVertex2f(x + width, slotY + 0.5f * binHeight);
        glVertex2f(x, slotY + 0.5f * binHeight);
        glEnd();
        const std::string count = std::to_string(missing);
        renderBitmapCharacter(x + width + kCountGapPx / static_cast<float>(w()),
                              slotY - kCountBaselineDropPx / static_cast<float>(h()), &count);
    }
}

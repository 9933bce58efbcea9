#include "pcview/HoverPick.h"

#include <algorithm>
#include <limits>

#include "data/MultidimensionalData.h"
#include "layout/ParallelCoordinatesAxis.h"
#include "operators/DataItemPaths.h"

namespace {

constexpr int kCurvePoints = DataItemPaths::kPointsPerSegment;

// Squared distance from the origin to the segment (a, b). Coordinates are
// relative to the pointer and divided by the reach, so that 1 is the reach.
float squaredDistanceToSegment(float ax, float ay, float bx, float by) {
    const float dx = bx - ax, dy = by - ay;
    const float lengthSquared = dx * dx + dy * dy;
    const float t = lengthSquared > 0 ? std::clamp(-(ax * dx + ay * dy) / lengthSquared, 0.0f, 1.0f) : 0.0f;
    const float cx = ax + t * dx, cy = ay + t * dy;
    return cx * cx + cy * cy;
}

// The gap (segment index) between the two axes around xView; the first or
// last gap for a pointer beyond the outer axes, whose line ends may still be
// within reach.
int gapAt(const ParallelCoordinatesAxis& axes, float xView) {
    const int lastGap = axes.getAxisNum() - 2;
    for (int gap = 0; gap < lastGap; ++gap) {
        if (xView <= axes.getAxisPosition(gap + 1)) return gap;
    }
    return lastGap;
}

}  // namespace

bool HoverScene::isStraight(int item, int segment) const {
    return paths == nullptr || paths->isUnbent(item) || !paths->isBent(item, segment);
}

int pickHoveredItem(const HoverScene& scene, float xView, float yView, HoverReach reach) {
    if (scene.data == nullptr || scene.axes == nullptr || reach.xView <= 0 || reach.yView <= 0) return -1;
    const int dims = scene.data->getActualDimNum();
    // A line needs two axes; and the axes must be those the table's rows are drawn on.
    if (dims < 2 || scene.axes->getAxisNum() != dims) return -1;
    if (scene.paths != nullptr && scene.paths->getSegmentNum() != dims - 1) return -1;

    const int gap = gapAt(*scene.axes, xView);
    // Everything in reach units, relative to the pointer.
    const float invX = 1.0f / reach.xView, invY = 1.0f / reach.yView;
    const float leftX = (scene.axes->getAxisPosition(gap) - xView) * invX;
    const float rightX = (scene.axes->getAxisPosition(gap + 1) - xView) * invX;
    const DrawRegion& region = scene.region;
    auto relativeY = [&](float yDrawn) { return (yDrawn - yView) * invY; };

    int nearest = -1;
    float nearestSquared = 0;
    DataItemPaths::SegmentCurve curve;
    const int items = scene.data->getDataNum();
    for (int item = 0; item < items; ++item) {
        float squared;
        if (scene.isStraight(item, gap)) {
            const float* row = scene.data->getDataRow(item);
            squared = squaredDistanceToSegment(leftX, relativeY(region.toView(row[gap])), rightX,
                                               relativeY(region.toView(row[gap + 1])));
        } else {
            // Only the curve's edges that come within reach of the pointer's x.
            scene.paths->getCurve(item, gap, &curve);
            squared = std::numeric_limits<float>::max();
            for (int k = 0; k + 1 < kCurvePoints; ++k) {
                const float ax = (curve.x[k] - xView) * invX, bx = (curve.x[k + 1] - xView) * invX;
                if (std::min(ax, bx) > 1.0f || std::max(ax, bx) < -1.0f) continue;
                squared = std::min(squared, squaredDistanceToSegment(ax, relativeY(curve.y[k]), bx,
                                                                     relativeY(curve.y[k + 1])));
            }
        }
        // 1 is the reach: farther lines are not picked.
        if (squared <= 1.0f && (nearest == -1 || squared < nearestSquared)) {
            nearest = item;
            nearestSquared = squared;
        }
    }
    return nearest;
}

LabelBox placeHoverLabel(int xPx, int yPx, int widthPx, int heightPx, int viewWidthPx, int viewHeightPx) {
    constexpr int kOffsetPx = 14;  // clear of the pointer's arrow
    LabelBox box;
    box.widthPx = widthPx;
    box.heightPx = heightPx;
    box.xPx = xPx + kOffsetPx;
    if (box.xPx + widthPx > viewWidthPx) box.xPx = xPx - kOffsetPx - widthPx;
    box.yPx = yPx + kOffsetPx;
    if (box.yPx + heightPx > viewHeightPx) box.yPx = yPx - kOffsetPx - heightPx;
    // A label larger than the room on either side still starts inside the view.
    box.xPx = std::max(0, std::min(box.xPx, viewWidthPx - widthPx));
    box.yPx = std::max(0, std::min(box.yPx, viewHeightPx - heightPx));
    return box;
}

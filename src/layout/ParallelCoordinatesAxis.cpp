// ParallelCoordinatesAxis: default layout, hit tests and the spreading
// operation of the axes. All positions are x in view units (unit square).
#include "layout/ParallelCoordinatesAxis.h"

#include "data/MultidimensionalData.h"

#include <cmath>
#include <iostream>

namespace {

constexpr double kFirstAxisX = 0.05;  // x of the leftmost axis, view units
constexpr double kAxesSpan = 0.9;     // distance from the first to the last axis, view units
constexpr double kLoneAxisX = 0.5;    // a single axis has no span to share: it stands in the middle
constexpr double kMinGap = 0.02;      // smallest gap kept by spreading, before rescaling to the span
constexpr double kDeltaDivisor = -20; // wheel delta -> gap change; negative so that a positive delta narrows
constexpr float kFarDistance = 2.0f;  // nearest-axis search radius; wider than the view, so any x inside finds an axis

} // namespace

ParallelCoordinatesAxis::ParallelCoordinatesAxis(const MultidimensionalData* data)
    : ParallelCoordinatesAxis(data ? data->getActualDimNum() : 0) {}

ParallelCoordinatesAxis::ParallelCoordinatesAxis(int count)
    : axisNum(count > 0 ? count : 0), axisPositions(axisNum), dimIndexAtAxis(axisNum) {
    for (int i = 0; i < axisNum; ++i) {
        dimIndexAtAxis[i] = i;
        // Evenly spaced placement divides by (n - 1), which is 0 for a lone axis.
        axisPositions[i] = axisNum == 1
            ? static_cast<float>(kLoneAxisX)
            : static_cast<float>(kAxesSpan / (axisNum - 1) * i + kFirstAxisX);
    }
}

float ParallelCoordinatesAxis::getAxisPosition(int slot) const {
    if (!isValidSlot(slot)) {
        std::cerr << "Axis index error! Can not get axis " << slot << "!" << std::endl;
        return -1.0f;
    }
    return axisPositions[slot];
}

bool ParallelCoordinatesAxis::setAxisPosition(int slot, float xView) {
    if (!isValidSlot(slot)) {
        std::cerr << "Axis index error!" << std::endl;
        return false;
    }
    axisPositions[slot] = xView;
    return true;
}

int ParallelCoordinatesAxis::getDimIndexAtAxis(int slot) const {
    if (!isValidSlot(slot)) {
        std::cerr << "Axis index error!" << std::endl;
        return -1;
    }
    return dimIndexAtAxis[slot];
}

int ParallelCoordinatesAxis::getNearestAxis(float xView, float /*yView*/) const {
    float bestDistance = kFarDistance;
    int nearest = -1;
    // Strict comparison: on a tie the lower (left) slot keeps the hit.
    for (int i = 0; i < axisNum; ++i) {
        const float distance = std::fabs(axisPositions[i] - xView);
        if (distance < bestDistance) {
            bestDistance = distance;
            nearest = i;
        }
    }
    return nearest;
}

int ParallelCoordinatesAxis::getRegionIndex(float xView, float /*yView*/) const {
    return getLeftAxisID(xView);
}

int ParallelCoordinatesAxis::getLeftAxisID(float xView) const {
    // Regions are open intervals: a point exactly on an axis belongs to none.
    for (int i = 0; i + 1 < axisNum; ++i) {
        if (axisPositions[i] < xView && xView < axisPositions[i + 1])
            return i;
    }
    return -1;
}

void ParallelCoordinatesAxis::adjustAxisPositions(int region, float delta) {
    // -1 is the "no region under the pointer" answer of the hit tests; any other
    // region outside [0, axisNum - 2] is ignored as well. With two axes there is
    // no inner axis to move, so nothing changes either.
    if (region < 0 || region > axisNum - 2 || axisNum < 3)
        return;

    const int gapNum = axisNum - 1;
    std::vector<double> gaps(gapNum);
    for (int k = 0; k < gapNum; ++k)
        gaps[k] = static_cast<double>(axisPositions[k + 1]) - axisPositions[k];

    // Gaussian fall-off: the region itself changes by step, its neighbours by
    // step * e^-1, the next ones by step * e^-4, ...
    const double step = delta / kDeltaDivisor;
    double gapSum = 0.0;
    for (int k = 0; k < gapNum; ++k) {
        const double offset = k - region;
        gaps[k] += step * std::exp(-offset * offset);
        if (gaps[k] < kMinGap)
            gaps[k] = kMinGap;
        gapSum += gaps[k];
    }

    // Rescale so the gaps add up to the span again. The span enters here at
    // float precision (0.8999999985...), which is what the stored layout uses.
    const double spanF = static_cast<float>(kAxesSpan);
    for (int k = 0; k < gapNum; ++k)
        gaps[k] = gaps[k] / gapSum * spanF;

    // Inner axes as running sums from the first; the first and last axes stay put.
    for (int k = 1; k < axisNum - 1; ++k)
        axisPositions[k] = static_cast<float>(axisPositions[k - 1] + gaps[k - 1]);
}

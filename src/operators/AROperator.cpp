#include "operators/AROperator.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>

#include "data/MultidimensionalData.h"
#include "geometry/Angles.h"
#include "layout/ParallelCoordinatesAxis.h"
#include "operators/ViewLayout.h"

namespace {

constexpr double kRelativeYBase = 0.1;   // relativeY = (y - 0.1) / 0.8
constexpr double kRelativeYSpan = 0.8;

// The lock icon beside an operator: offsets from its centre, view units (x divided by the aspect).
constexpr float kLockLeft = 0.012f;
constexpr float kLockRight = 0.052f;
constexpr float kLockTop = 0.012f;     // below the centre
constexpr float kLockBottom = 0.052f;  // below the centre

// Histogram bin of a normalised value (a value of exactly 1 belongs to the last bin).
int binOf(float valueNorm, int bins) {
    const int bin = static_cast<int>(valueNorm * bins);
    return std::clamp(bin, 0, bins - 1);
}

}  // namespace

AROperator::AROperator(const ViewLayout* view, float x, float y, bool isPrimary, Color4 colour)
    : position(x, y), pcWindow(view), axes(view ? view->getAxes() : nullptr), primary(isPrimary), color(colour),
      type(kTypeRegular) {
    determineParameters();  // no parent yet: leaves the angle as it is
    updatePosInfo();
}

AROperator::AROperator(int nodeType, AROperator const* other) : type(nodeType) {
    if (nodeType == kTypeRoot) {
        color = Color4(0.7f, 0.7f, 0.7f, 1.0f);
    } else if (other != nullptr) {
        color = other->color;
        pcWindow = other->pcWindow;
        axes = other->axes;
    }
}

void AROperator::linkPCWindow(const ViewLayout* view) {
    pcWindow = view;
    axes = view ? view->getAxes() : nullptr;
}

bool AROperator::isPlaced() const {
    return axes != nullptr && leftAxis >= 0 && leftAxis + 1 < axes->getAxisNum();
}

void AROperator::updatePosInfo() {
    if (axes == nullptr) return;
    const int region = axes->getLeftAxisID(position.x);
    if (region >= 0) {
        leftAxis = region;
    } else if (isPlaced()) {
        // Outside every region: stay just inside the region the operator stood in.
        const float left = axes->getAxisPosition(leftAxis);
        const float right = axes->getAxisPosition(leftAxis + 1);
        const float margin = (right - left) * 1e-3f;
        position.x = std::clamp(position.x, left + margin, right - margin);
    } else {
        leftAxis = -1;
        return;
    }
    const float left = axes->getAxisPosition(leftAxis);
    axisSpacing = static_cast<double>(axes->getAxisPosition(leftAxis + 1)) - left;
    relativeX = (position.x - left) / axisSpacing;
    relativeY = (position.y - kRelativeYBase) / kRelativeYSpan;
}

bool AROperator::noChildren() const {
    const ChildRange range = children(this);
    return !(range.begin() != range.end());
}

AROperator* complementOf(const AROperator* node) {
    AROperator* found = nullptr;
    for (AROperator* child : children(node)) {
        if (child->type == AROperator::kTypeComplementary) found = child;  // the last one
    }
    return found;
}

double AROperator::graphRadiusForShare(double share) { return std::sqrt(std::exp(share - 1)) * kFullShareRadius; }

ViewRect AROperator::lockIconRect(float aspect) const {
    return {position.x + kLockLeft / aspect, position.x + kLockRight / aspect, position.y - kLockBottom,
            position.y - kLockTop};
}

AROperator::Segment AROperator::segmentOf(int item, int axis) const {
    const MultidimensionalData* data = pcWindow->getData();
    const double aspect = pcWindow->getAspect();
    const DrawRegion region = pcWindow->getDrawRegion();
    const float* row = data->getDataRow(item);
    const double y1 = region.toView(row[axis]);
    const double y2 = region.toView(row[axis + 1]);
    const double xa = aspect * axes->getAxisPosition(axis);
    const double xb = aspect * axes->getAxisPosition(axis + 1);
    Segment s;
    s.dx = xb - xa;
    s.dy = y2 - y1;
    const double length = std::sqrt(s.dx * s.dx + s.dy * s.dy);
    const double cross = std::fabs(s.dy * (aspect * position.x - xa) - s.dx * (position.y - y1));
    // A segment of zero length has no line: it passes nothing.
    s.distance = length > 0 ? cross / length : std::numeric_limits<double>::infinity();
    return s;
}

void AROperator::buildAngularHistogram(int axis) {
    if (parent == nullptr || axes == nullptr || axis < 0 || axis + 1 >= axes->getAxisNum()) {
        angularHistogram.clear();
        return;
    }
    angularBins = kAngularBins;
    angularHistogram.assign(static_cast<size_t>(angularBins), 0);
    const double aspect = pcWindow->getAspect();
    for (int item : parent->controlList) {
        const Segment s = segmentOf(item, axis);
        if (!(s.distance < radius)) continue;
        const double a = std::atan(s.dy / (aspect * axisSpacing));
        int bin = static_cast<int>((a + kHalfPi) / kPi * angularBins);
        bin = std::clamp(bin, 0, angularBins - 1);
        ++angularHistogram[bin];
    }
}

void AROperator::determineParameters() {
    buildAngularHistogram(leftAxis);
    if (angularHistogram.empty()) return;
    for (int bin = 0; bin < angularBins; ++bin) std::cout << bin << std::endl;
    int peak = 0;
    for (int bin = 1; bin < angularBins; ++bin) {
        if (angularHistogram[bin] > angularHistogram[peak]) peak = bin;
    }
    angle = static_cast<double>(peak) / angularBins * kPi - kHalfPi;
}

AROperator* AROperator::getComplementaryAR() const { return parent != nullptr ? complementOf(parent) : nullptr; }

void AROperator::updateControlList() {
    if (locked) return;
    AROperator* sibling = getComplementaryAR();
    if (sibling == nullptr) {
        std::cerr << "Could not find complementary node, give up." << std::endl;
        return;
    }
    if (!isPlaced()) return;  // nothing can pass an operator that stands between no axes

    const int itemCount = pcWindow->getData()->getDataNum();
    std::vector<int> candidates;
    candidates.reserve(sibling->controlList.size() + controlList.size());
    // An item held by both lists (a list handed up by a removal) is taken once.
    std::vector<char> seen(static_cast<size_t>(itemCount), 0);
    for (const std::vector<int>* list : {&sibling->controlList, &controlList}) {
        for (int item : *list) {
            if (item < 0 || item >= itemCount || seen[item]) continue;
            seen[item] = 1;
            candidates.push_back(item);
        }
    }
    sibling->controlList.clear();
    controlList.clear();

    const double halfWindow = kPi * angleWidth / 2;
    for (int item : candidates) {
        const Segment s = segmentOf(item, leftAxis);
        const double turn = std::atan(s.dy / s.dx) - angle;
        const bool taken = s.distance < radius && -halfWindow < turn && turn < halfWindow;
        (taken ? controlList : sibling->controlList).push_back(item);
    }
    sibling->updateGraphRadius();
    updateGraphRadius();
    updateHistogram();
}

void AROperator::updateGraphRadius() {
    const int itemCount = pcWindow ? pcWindow->getData()->getDataNum() : 0;
    graphRadius = graphRadiusForShare(itemCount > 0 ? static_cast<double>(controlList.size()) / itemCount : 0.0);
}

void AROperator::rebuildOwnHistogram() {
    if (pcWindow == nullptr) return;
    const MultidimensionalData* data = pcWindow->getData();
    const int dims = data->getActualDimNum();
    const int bins = data->getHistogramBinsNum();
    const int itemCount = data->getDataNum();
    histogram.assign(static_cast<size_t>(dims) * bins, 0.0f);
    for (int item : controlList) {
        if (item < 0 || item >= itemCount) continue;
        const float* row = data->getDataRow(item);
        for (int d = 0; d < dims; ++d) histogram[static_cast<size_t>(d) * bins + binOf(row[d], bins)] += 1.0f;
    }
    if (itemCount == 0) return;  // no items, no shares to take
    for (float& entry : histogram) entry /= static_cast<float>(itemCount);
}

void AROperator::updateHistogram() {
    rebuildOwnHistogram();
    AROperator* sibling = getComplementaryAR();
    if (sibling != nullptr) sibling->rebuildOwnHistogram();
}

float AROperator::getHistogramEntry(int dimension, int bin) const {
    if (pcWindow == nullptr || histogram.empty()) return std::numeric_limits<float>::quiet_NaN();
    const MultidimensionalData* data = pcWindow->getData();
    const int bins = data->getHistogramBinsNum();
    if (dimension < 0 || dimension >= data->getActualDimNum() || bin < 0 || bin >= bins) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    return histogram[static_cast<size_t>(dimension) * bins + bin];
}

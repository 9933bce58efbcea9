#include "operators/AROperator.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>

#include "data/BinCounts.h"
#include "data/MultidimensionalData.h"
#include "data/ParallelRanges.h"
#include "geometry/Angles.h"
#include "layout/ParallelCoordinatesAxis.h"
#include "operators/OperatorCapture.h"
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
// Items per thread worth splitting a loop over an operator's items for.
constexpr size_t kItemsPerThread = 65536;

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
    const OperatorCapture::Segment s = OperatorCapture::between(*this, axis).segment(pcWindow->getData()->getDataRow(item));
    return {s.dx, s.dy, s.distance};
}

void AROperator::buildAngularHistogram(int axis) {
    if (parent == nullptr || axes == nullptr || axis < 0 || axis + 1 >= axes->getAxisNum()) {
        angularHistogram.clear();
        return;
    }
    angularBins = kAngularBins;
    angularHistogram.assign(static_cast<size_t>(angularBins), 0);
    const double aspect = pcWindow->getAspect();
    const OperatorCapture measure = OperatorCapture::between(*this, axis);
    const MultidimensionalData* data = pcWindow->getData();
    for (int item : parent->controlList) {
        const OperatorCapture::Segment s = measure.segment(data->getDataRow(item));
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
    // Scratch kept between calls: a drag step of an operator over a large
    // table runs this for every item, and fresh pages cost more than the test.
    static thread_local std::vector<int> candidates;
    static thread_local std::vector<char> seen;
    candidates.clear();
    candidates.reserve(sibling->controlList.size() + controlList.size());
    // An item held by both lists (a list handed up by a removal) is taken once.
    seen.assign(static_cast<size_t>(itemCount), 0);
    for (const std::vector<int>* list : {&sibling->controlList, &controlList}) {
        for (int item : *list) {
            if (item < 0 || item >= itemCount || seen[item]) continue;
            seen[item] = 1;
            candidates.push_back(item);
        }
    }
    sibling->controlList.clear();
    controlList.clear();

    // Which candidates the operator takes, decided on every core (each
    // decision stands alone), then handed out in the candidates' order.
    static thread_local std::vector<char> taken;
    taken.resize(candidates.size());
    // The helper threads see this thread's scratch through these (a
    // thread_local named inside the lambda would be their own, empty one).
    const std::vector<int>& items = candidates;
    std::vector<char>& takes = taken;
    const OperatorCapture capture = OperatorCapture::of(*this);
    const MultidimensionalData* data = pcWindow->getData();
    runRanges(items.size(), rangeCountFor(items.size(), kItemsPerThread), [&](size_t begin, size_t end, int) {
        // The lists hold items in no order of the table's rows: each test
        // would wait for its row from memory, so the row a few tests on is
        // asked for ahead (about 2.7 times as fast on a table larger than the cache).
        constexpr size_t kAhead = 16;
        for (size_t k = begin; k < end; ++k) {
            if (k + kAhead < end) __builtin_prefetch(data->getDataRow(items[k + kAhead]) + capture.axis);
            takes[k] = capture.takes(data->getDataRow(items[k]));
        }
    });
    for (size_t k = 0; k < candidates.size(); ++k) {
        (taken[k] ? controlList : sibling->controlList).push_back(candidates[k]);
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
    std::vector<int32_t> scratch;
    sharesOfTable(countBins(data, spanOf(controlList), scratch), data->getDataNum(), &histogram);
}

// The two lists share their parent's items between them, and a drag only
// moves items from one to the other: the larger list's counts are the pair's
// kept totals less the smaller's.
void AROperator::updateHistogram() {
    AROperator* sibling = getComplementaryAR();
    if (sibling == nullptr || pcWindow == nullptr) {
        rebuildOwnHistogram();
        return;
    }
    const MultidimensionalData* data = pcWindow->getData();
    const std::vector<std::vector<uint64_t>> counts =
        pairCounts.count(data, {spanOf(controlList), spanOf(sibling->controlList)});
    sharesOfTable(counts[0], data->getDataNum(), &histogram);
    sharesOfTable(counts[1], data->getDataNum(), &sibling->histogram);
}

float AROperator::getHistogramEntry(int dimension, int bin) const {
    if (pcWindow == nullptr || histogram.empty()) return std::numeric_limits<float>::quiet_NaN();
    const MultidimensionalData* data = pcWindow->getData();
    const int cells = data->getHistogramCellsNum();  // the bins, then the missing bin
    if (dimension < 0 || dimension >= data->getActualDimNum() || bin < 0 || bin >= cells) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    return histogram[static_cast<size_t>(dimension) * static_cast<size_t>(cells) + static_cast<size_t>(bin)];
}

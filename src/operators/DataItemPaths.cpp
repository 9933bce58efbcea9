#include "operators/DataItemPaths.h"

#include <algorithm>
#include <cmath>

#include "data/MultidimensionalData.h"
#include "data/ParallelRanges.h"
#include "operators/AROperator.h"
#include "geometry/Angles.h"
#include "layout/ParallelCoordinatesAxis.h"
#include "operators/ClusterTree.h"
#include "operators/ViewLayout.h"

namespace {

// Items per thread worth splitting the update over the cores for.
constexpr size_t kItemsPerThread = 32768;
constexpr int kHalfSteps = 8;  // parameter steps t_k = k / 7 of each Hermite half (8 values)
constexpr double kFlatThreshold = 1e-6;  // operator directions flatter than this use the fixed normal

// Cubic Hermite end-point weights and parameter steps, fixed for every path.
struct HermiteTable {
    double t[kHalfSteps];
    double h0[kHalfSteps];  // (1 + 2t)(1 - t)^2
    double h1[kHalfSteps];  // t^2 (3 - 2t)
    double s[DataItemPaths::kPointsPerSegment];  // k / 14, straight segments
    HermiteTable() {
        for (int k = 0; k < kHalfSteps; ++k) {
            t[k] = k / 7.0;
            h0[k] = (1 + 2 * t[k]) * (1 - t[k]) * (1 - t[k]);
            h1[k] = t[k] * t[k] * (3 - 2 * t[k]);
        }
        for (int k = 0; k < DataItemPaths::kPointsPerSegment; ++k) s[k] = k / 14.0;
    }
};

const HermiteTable& hermite() {
    static const HermiteTable table;
    return table;
}

// A slope that stays finite when a tangent is undefined (0 / 0 at a degenerate end).
double finiteOr(double value, double fallback) { return std::isfinite(value) ? value : fallback; }

}  // namespace

DataItemPaths::DataItemPaths(const ViewLayout* view)
    : data(view->getData()), tree(view->getClusterTree()), axes(view->getAxes()), pcWindow(view) {
    itemNum = data->getDataNum();
    dimNum = data->getActualDimNum();
    segmentNum = std::max(dimNum - 1, 0);
    const size_t segments = static_cast<size_t>(itemNum) * segmentNum;
    colourSlot.assign(segments, 0);
    curveSlot.assign(segments, kStraight);
    palette.assign(1, Color4());
    paletteSeen.assign(1, 0);
    unbent.assign(static_cast<size_t>(itemNum), 1);
    opSignature.assign(static_cast<size_t>(itemNum), 0);
    unbuilt.assign(static_cast<size_t>(itemNum), 0);
    opsStart.assign(static_cast<size_t>(itemNum) + 1, 0);
}

// An operator's list holds its items in no order of the table: a loop over
// it asks for the per-item entry a few items on ahead (out-of-range items,
// which the loops skip, are not asked for).
namespace {
constexpr size_t kAhead = 16;
template <class T>
inline void prefetchItem(T* perItem, int item, int itemNum) {
    if (item >= 0 && item < itemNum) __builtin_prefetch(perItem + item);
}
}  // namespace

void DataItemPaths::collectOperatorsPerItem() {
    tree->collectNodes(&nodes);
    opViews.clear();
    // Items' operator lists in pre-order, packed: itemOps[opsStart[i] .. opsStart[i + 1]).
    opsStart.assign(static_cast<size_t>(itemNum) + 1, 0);
    for (const AROperator* node : nodes) {
        if (node->type != AROperator::kTypeRegular) continue;
        OperatorView view;
        view.leftAxis = node->leftAxis;
        view.id = node->id;
        view.revision = node->revision;
        opViews.push_back(view);
        const std::vector<int>& items = node->controlList;
        for (size_t k = 0; k < items.size(); ++k) {
            if (k + kAhead < items.size()) prefetchItem(opsStart.data() + 1, items[k + kAhead], itemNum);
            const int item = items[k];
            if (item >= 0 && item < itemNum) ++opsStart[item + 1];
        }
    }
    for (int i = 0; i < itemNum; ++i) opsStart[i + 1] += opsStart[i];
    itemOps.resize(static_cast<size_t>(opsStart[itemNum]));
    fillCursor.assign(opsStart.begin(), opsStart.end() - 1);
    uint32_t regular = 0;
    for (const AROperator* node : nodes) {
        if (node->type != AROperator::kTypeRegular) continue;
        const std::vector<int>& items = node->controlList;
        for (size_t k = 0; k < items.size(); ++k) {
            if (k + kAhead < items.size()) prefetchItem(fillCursor.data(), items[k + kAhead], itemNum);
            const int item = items[k];
            if (item >= 0 && item < itemNum) itemOps[fillCursor[item]++] = regular;
        }
        ++regular;
    }
}

uint64_t DataItemPaths::signatureOf(int item) const {
    uint64_t hash = 1469598103934665603ull;
    for (int k = opsStart[item]; k < opsStart[item + 1]; ++k) hash = (hash ^ opViews[itemOps[k]].id) * 1099511628211ull;
    return hash;
}

size_t DataItemPaths::getMemoryBytes() const {
    return colourSlot.capacity() * sizeof(uint16_t) + curveSlot.capacity() * sizeof(uint32_t) +
           (poolX.capacity() + poolY.capacity()) * sizeof(float) + freeSlots.capacity() * sizeof(uint32_t) +
           slotSource.capacity() * sizeof(uint32_t) + bendSources.capacity() * sizeof(BendSource) +
           unbent.capacity() + opSignature.capacity() * sizeof(uint64_t) + opsStart.capacity() * sizeof(int) +
           itemOps.capacity() * sizeof(uint32_t) + opViews.capacity() * sizeof(OperatorView) + unbuilt.capacity() +
           fillCursor.capacity() * sizeof(int) + changedItems.capacity() +
           bends.capacity() * sizeof(Bend);
}

void DataItemPaths::getCurve(int item, int segment, SegmentCurve* curve) const {
    if (unbuilt[item]) {
        const uint32_t holder = holderOn(item, segment);
        if (holder == kNoHolder) {
            straightCurve(item, segment, builtRegion, curve->x, curve->y);
        } else {
            bendSegment(item, segment, bendSources[opViews[holder].source], builtAspect, builtRegion, curve->x,
                        curve->y);
        }
        return;
    }
    const uint32_t slot = curveSlot[index(item, segment)];
    if (slot == kStraight) {
        straightCurve(item, segment, builtRegion, curve->x, curve->y);
        return;
    }
    if (slotSource[slot] != kReady) {
        bendSegment(item, segment, bendSources[slotSource[slot]], builtAspect, builtRegion, curve->x, curve->y);
        return;
    }
    const size_t start = static_cast<size_t>(slot) * kPointsPerSegment;
    std::copy_n(&poolX[start], kPointsPerSegment, curve->x);
    std::copy_n(&poolY[start], kPointsPerSegment, curve->y);
}

uint32_t DataItemPaths::takeCurveSlot() {
    if (!freeSlots.empty()) {
        const uint32_t slot = freeSlots.back();
        freeSlots.pop_back();
        return slot;
    }
    const auto slot = static_cast<uint32_t>(poolX.size() / kPointsPerSegment);
    poolX.resize(poolX.size() + kPointsPerSegment);
    poolY.resize(poolY.size() + kPointsPerSegment);
    slotSource.push_back(kReady);
    return slot;
}

void DataItemPaths::describeItem(int item, std::vector<int>* sortedAxes) {
    opSignature[item] = signatureOf(item);
    colourSegments(item, sortedAxes);
    unbent[item] = opsStart[item + 1] == opsStart[item];
}

template <class NextSlot>
void DataItemPaths::placeBends(int item, float aspect, const DrawRegion& region, NextSlot nextSlot) {
    for (int segment = 0; segment < segmentNum; ++segment) {
        const uint32_t holder = unbent[item] ? kNoHolder : holderOn(item, segment);
        if (holder == kNoHolder) {
            curveSlot[index(item, segment)] = kStraight;
            continue;
        }
        const uint32_t slot = nextSlot();
        curveSlot[index(item, segment)] = slot;
        const size_t start = static_cast<size_t>(slot) * kPointsPerSegment;
        bendSegment(item, segment, bendSources[opViews[holder].source], aspect, region, &poolX[start], &poolY[start]);
    }
}

void DataItemPaths::rebuildEveryItem(float aspect, const DrawRegion& region) {
    const size_t items = static_cast<size_t>(itemNum);
    const int ranges = rangeCountFor(items, kItemsPerThread);
    // 1. Every item's colours, and per range its bent items and segments to
    // bend (then, summed up, the range's first slot).
    std::vector<size_t> rangeItems(static_cast<size_t>(ranges), 0);
    std::vector<size_t> firstSlot(static_cast<size_t>(ranges) + 1, 0);
    runRanges(items, ranges, [&](size_t begin, size_t end, int range) {
        std::vector<int> sortedAxes;  // scratch of colourSegments
        size_t bentItems = 0, segments = 0;
        for (size_t i = begin; i < end; ++i) {
            const auto item = static_cast<int>(i);
            describeItem(item, &sortedAxes);
            unbuilt[i] = 0;
            if (unbent[i]) continue;
            ++bentItems;
            for (int segment = 0; segment < segmentNum; ++segment) segments += holderOn(item, segment) != kNoHolder;
        }
        rangeItems[static_cast<size_t>(range)] = bentItems;
        firstSlot[static_cast<size_t>(range) + 1] = segments;
    });
    unbuiltItems = 0;
    for (int range = 0; range < ranges; ++range) {
        firstSlot[static_cast<size_t>(range) + 1] += firstSlot[static_cast<size_t>(range)];
        rebuiltItems += static_cast<int>(rangeItems[static_cast<size_t>(range)]);
    }
    const size_t slots = firstSlot.back();
    poolX.resize(slots * kPointsPerSegment);
    poolY.resize(slots * kPointsPerSegment);
    slotSource.assign(slots, kReady);
    // 2. The slots in item order, and their points.
    runRanges(items, ranges, [&](size_t begin, size_t end, int range) {
        auto slot = static_cast<uint32_t>(firstSlot[static_cast<size_t>(range)]);
        for (size_t i = begin; i < end; ++i) placeBends(static_cast<int>(i), aspect, region, [&] { return slot++; });
    });
}

void DataItemPaths::buildItem(int item) {
    describeItem(item, &buildScratch);
    placeBends(item, builtAspect, builtRegion, [this] { return takeCurveSlot(); });
    unbuilt[item] = 0;
    --unbuiltItems;
}

void DataItemPaths::freeCurveSlots(int item) {
    for (int segment = 0; segment < segmentNum; ++segment) {
        uint32_t& slot = curveSlot[index(item, segment)];
        if (slot != kStraight) {
            freeSlots.push_back(slot);
            if (slotSource[slot] != kReady) {
                slotSource[slot] = kReady;
                --pendingSlots;
            }
        }
        slot = kStraight;
    }
}

void DataItemPaths::updatePalette(const Color4& lineColour) {
    ++updateCount;
    palette[0] = lineColour;
    paletteSeen[0] = updateCount;
    for (const AROperator* node : nodes) {
        if (node->type != AROperator::kTypeRegular) continue;
        auto [entry, made] = paletteOfNode.try_emplace(node->id, 0);
        if (made) {
            if (!freePalette.empty()) {
                entry->second = freePalette.back();
                freePalette.pop_back();
            } else {
                // 65535 operators at once at the most; beyond that they share the last entry.
                entry->second = static_cast<uint16_t>(std::min<size_t>(palette.size(), UINT16_MAX));
                if (palette.size() <= UINT16_MAX) {
                    palette.emplace_back();
                    paletteSeen.push_back(0);
                }
            }
        }
        palette[entry->second] = node->color;
        paletteSeen[entry->second] = updateCount;
    }
    // Entries of operators that left the tree: every item that used one has
    // lost that operator, so it is rebuilt (and recoloured) in this update.
    for (auto entry = paletteOfNode.begin(); entry != paletteOfNode.end();) {
        if (paletteSeen[entry->second] == updateCount) {
            ++entry;
            continue;
        }
        freePalette.push_back(entry->second);
        entry = paletteOfNode.erase(entry);
    }
}

void DataItemPaths::updatePaths() { rebuild(true, false); }

void DataItemPaths::updateChangedPaths() { rebuild(false, false); }

void DataItemPaths::updateChangedPathsDeferringBends() { rebuild(false, true); }

void DataItemPaths::bendPendingSegments(int item) {
    if (unbuilt[item]) {
        buildItem(item);  // its points computed too
        return;
    }
    if (pendingSlots == 0) return;
    for (int segment = 0; segment < segmentNum; ++segment) {
        const uint32_t slot = curveSlot[index(item, segment)];
        if (slot == kStraight || slotSource[slot] == kReady) continue;
        const size_t start = static_cast<size_t>(slot) * kPointsPerSegment;
        bendSegment(item, segment, bendSources[slotSource[slot]], builtAspect, builtRegion, &poolX[start],
                    &poolY[start]);
        slotSource[slot] = kReady;
        --pendingSlots;
    }
}

void DataItemPaths::rebuild(bool everything, bool deferBends) {
    rebuiltItems = 0;
    if (itemNum == 0 || segmentNum == 0) return;
    const uint64_t treeRevision = tree->getRevision();
    const float aspect = pcWindow->getAspect();
    const DrawRegion region = pcWindow->getDrawRegion();
    const Color4 lineColour = pcWindow->getLineColor();
    everything = everything || !built || aspect != builtAspect || region != builtRegion;
    if (!everything && treeRevision == builtRevision) {
        // The tree is as it was: at most the line colour changed, one palette entry.
        palette[0] = lineColour;
        return;
    }

    collectOperatorsPerItem();
    updatePalette(lineColour);
    if (everything) {
        // Every curve slot goes (every item is built anew, now or when drawn).
        poolX.clear();
        poolY.clear();
        slotSource.clear();
        freeSlots.clear();
        pendingSlots = 0;
    }
    // The operators as they are now; earlier updates' entries stay while
    // slots still wait on them.
    if (pendingSlots == 0) bendSources.clear();
    for (size_t k = 0, regular = 0; k < nodes.size(); ++k) {
        const AROperator* node = nodes[k];
        if (node->type != AROperator::kTypeRegular) continue;
        OperatorView& view = opViews[regular++];
        view.paletteEntry = paletteOfNode.at(node->id);
        view.source = static_cast<uint32_t>(bendSources.size());
        bendSources.push_back(BendSource::of(*node, aspect));
    }
    if (everything) {
        if (deferBends) {
            // Each item is built when first drawn (or asked for).
            std::fill(unbuilt.begin(), unbuilt.end(), char{1});
            unbuiltItems = static_cast<size_t>(itemNum);
            for (int item = 0; item < itemNum; ++item) rebuiltItems += opsStart[item + 1] != opsStart[item];
        } else {
            rebuildEveryItem(aspect, region);
        }
        finishBuild(treeRevision, aspect, region);
        return;
    }
    // 1. Which items changed, and their colours: each item on its own, so on
    // every core. Items still unbuilt stay so (they are built from these
    // operators when drawn), unless the bends are not deferred.
    changedItems.assign(static_cast<size_t>(itemNum), 0);
    runRanges(static_cast<size_t>(itemNum), rangeCountFor(static_cast<size_t>(itemNum), kItemsPerThread),
              [&](size_t begin, size_t end, int) {
                  std::vector<int> sortedAxes;  // scratch of colourSegments
                  for (size_t i = begin; i < end; ++i) {
                      const int item = static_cast<int>(i);
                      if (unbuilt[i] && deferBends) continue;
                      const uint64_t signature = signatureOf(item);
                      const bool itemChanged =
                          unbuilt[i] || signature != opSignature[i] ||
                          std::any_of(itemOps.begin() + opsStart[i], itemOps.begin() + opsStart[i + 1],
                                      [&](uint32_t op) { return opViews[op].revision > builtRevision; });
                      opSignature[i] = signature;
                      if (!itemChanged) continue;
                      changedItems[i] = 1;
                      colourSegments(item, &sortedAxes);
                      unbent[i] = opsStart[i + 1] == opsStart[i];
                  }
              });
    // 2. Curve slots for the segments to bend, in item order (the pool is shared).
    bends.clear();
    for (int item = 0; item < itemNum; ++item) {
        if (!changedItems[item]) continue;
        if (unbuilt[item]) {
            // Its slots were let go when it was left unbuilt.
            std::fill_n(&curveSlot[index(item, 0)], segmentNum, kStraight);
            unbuilt[item] = 0;
            --unbuiltItems;
        } else {
            freeCurveSlots(item);
        }
        if (unbent[item]) continue;
        ++rebuiltItems;
        for (int segment = 0; segment < segmentNum; ++segment) {
            const uint32_t holder = holderOn(item, segment);
            if (holder == kNoHolder) continue;
            const uint32_t slot = takeCurveSlot();
            curveSlot[index(item, segment)] = slot;
            const uint32_t source = opViews[holder].source;
            if (deferBends) {
                slotSource[slot] = source;
                ++pendingSlots;
            } else {
                bends.push_back({item, segment, slot, source});
            }
        }
    }
    // 3. The bent curves, each into its own slot: on every core.
    runRanges(bends.size(), rangeCountFor(bends.size(), kItemsPerThread), [&](size_t begin, size_t end, int) {
        for (size_t k = begin; k < end; ++k) {
            const Bend& bend = bends[k];
            const size_t start = static_cast<size_t>(bend.slot) * kPointsPerSegment;
            bendSegment(bend.item, bend.segment, bendSources[bend.source], aspect, region, &poolX[start],
                        &poolY[start]);
        }
    });
    finishBuild(treeRevision, aspect, region);
}

void DataItemPaths::finishBuild(uint64_t treeRevision, float aspect, const DrawRegion& region) {
    built = true;
    builtRevision = treeRevision;
    builtAspect = aspect;
    builtRegion = region;
}

void DataItemPaths::straightCurve(int item, int segment, const DrawRegion& region, float* xs, float* ys) const {
    const float* row = data->getDataRow(item);
    const double left = axes->getAxisPosition(segment);
    const double right = axes->getAxisPosition(segment + 1);
    const HermiteTable& table = hermite();
    for (int k = 0; k < kPointsPerSegment; ++k) {
        const double s = table.s[k];
        xs[k] = static_cast<float>((1 - s) * left + s * right);
        ys[k] = region.toView(static_cast<float>((1 - s) * row[segment] + s * row[segment + 1]));
    }
}

DataItemPaths::BendSource DataItemPaths::BendSource::of(const AROperator& op, float aspect) {
    BendSource source;
    source.qx = static_cast<float>(aspect * op.position.x);
    source.qy = op.position.y;
    // Normal of the operator's direction and the side it pushes to.
    source.theta = std::atan(op.angle);
    if (std::fabs(source.theta) >= kFlatThreshold) {
        const double phi = std::atan(-1 / source.theta);
        source.nx = std::cos(phi);
        source.ny = std::sin(phi);
        source.side = source.theta > 0 ? 1 : -1;
    }
    source.radius = op.radius;
    source.strength = op.strength;
    source.tangentWeight = op.tangentWeight;
    source.primary = op.primary;
    source.locked = op.locked;
    return source;
}

void DataItemPaths::bendSegment(int item, int segment, const BendSource& op, float aspect, const DrawRegion& region,
                                float* xs, float* ys) const {
    const float* row = data->getDataRow(item);
    const double xa = aspect * axes->getAxisPosition(segment);
    const double ya = region.toView(row[segment]);
    const double xb = aspect * axes->getAxisPosition(segment + 1);
    const double yb = region.toView(row[segment + 1]);
    const double slope = (yb - ya) / (xb - xa);
    const double segmentAngle = std::atan(slope);

    const double qx = op.qx;
    const double qy = op.qy;
    const double theta = op.theta;
    const double nx = op.nx, ny = op.ny, side = op.side;
    // Signed distance from the centre to the segment's line.
    const double d = (slope * (qx - xa) + ya - qy) / std::sqrt(slope * slope + 1);

    double pull = 0;
    if (!op.locked && op.radius > 0) {
        pull = std::exp(-std::fabs(d) / op.radius) * op.strength * (1 - std::fabs(segmentAngle - theta) / kPi);
    }
    const double blend = op.primary ? (op.locked ? 0.0 : std::clamp(pull, 0.0, 1.0)) : std::max(pull + 1, 0.0);
    const double mx = static_cast<float>(qx - blend * side * d * nx);
    const double my = static_cast<float>(qy - blend * side * d * ny);

    const double w = op.tangentWeight;
    const double t1 = finiteOr(std::tan(segmentAngle + w * (std::atan((qy - ya) / (qx - xa)) - segmentAngle)), slope);
    const double t2 = finiteOr(std::tan(segmentAngle + w * (std::atan((yb - qy) / (xb - qx)) - segmentAngle)), slope);

    const HermiteTable& table = hermite();
    // Left half: from the left end (slope t1) to the pass point (slope of the segment).
    for (int k = 0; k < 7; ++k) {
        const double t = table.t[k];
        const double x = (1 - t) * xa + t * mx;
        const double y = ya * table.h0[k] + my * table.h1[k] + (x - xa) * (1 - t) * (1 - t) * t1 + (x - mx) * t * t * slope;
        xs[k] = static_cast<float>(x / aspect);
        ys[k] = static_cast<float>(y);
    }
    // Right half: from the pass point to the right end (slope t2).
    for (int k = 0; k < kHalfSteps; ++k) {
        const double t = table.t[k];
        const double x = (1 - t) * mx + t * xb;
        const double y = my * table.h0[k] + yb * table.h1[k] + (x - mx) * (1 - t) * (1 - t) * slope + (x - xb) * t * t * t2;
        xs[7 + k] = static_cast<float>(x / aspect);
        ys[7 + k] = static_cast<float>(y);
    }
}

void DataItemPaths::colourSegments(int item, std::vector<int>* axesScratch) {
    uint16_t* colours = &colourSlot[index(item, 0)];
    std::vector<int>& sortedAxes = *axesScratch;
    sortedAxes.clear();
    for (int k = opsStart[item]; k < opsStart[item + 1]; ++k) {
        const OperatorView& op = opViews[itemOps[k]];
        const int segment = op.leftAxis;
        if (segment < 0 || segment >= segmentNum) continue;
        colours[segment] = op.paletteEntry;  // later operators overwrite earlier ones
        sortedAxes.push_back(segment);
    }
    const int n = static_cast<int>(sortedAxes.size());
    if (n == 0) {
        std::fill(colours, colours + segmentNum, uint16_t(0));  // the line colour
        return;
    }
    std::sort(sortedAxes.begin(), sortedAxes.end());
    // Each segment takes the colour of the nearest operator at or left of it;
    // segments left of the first operator take the first operator's colour.
    auto fillRange = [&](int from, int to, int source) {
        const uint16_t colour = colours[source];
        for (int s = from; s < to; ++s) colours[s] = colour;
    };
    if (n == 1) {
        fillRange(0, segmentNum, sortedAxes[0]);
        return;
    }
    fillRange(sortedAxes[n - 1], segmentNum, sortedAxes[n - 1]);
    for (int c = n - 2; c >= 1; --c) fillRange(sortedAxes[c], sortedAxes[c + 1], sortedAxes[c]);
    fillRange(0, sortedAxes[1], sortedAxes[0]);
}

// The same rule for one segment: the colour of the last operator on the
// nearest operator-holding segment at or left of it, or on the first such
// segment for a segment left of them all; the line colour without any.
uint16_t DataItemPaths::colourEntryOfUnbuilt(int item, int segment) const {
    int atOrLeft = -1, first = segmentNum;
    for (int k = opsStart[item]; k < opsStart[item + 1]; ++k) {
        const int axis = opViews[itemOps[k]].leftAxis;
        if (axis < 0 || axis >= segmentNum) continue;
        first = std::min(first, axis);
        if (axis <= segment) atOrLeft = std::max(atOrLeft, axis);
    }
    if (first == segmentNum) return 0;
    const int source = atOrLeft >= 0 ? atOrLeft : first;
    uint16_t entry = 0;
    for (int k = opsStart[item]; k < opsStart[item + 1]; ++k) {
        const OperatorView& op = opViews[itemOps[k]];
        if (op.leftAxis == source) entry = op.paletteEntry;
    }
    return entry;
}

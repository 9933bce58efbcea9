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

// Order-sensitive hash of an item's operators (their serial numbers in pre-order).
uint64_t signatureOf(const AROperator* const* ops, int opCount) {
    uint64_t hash = 1469598103934665603ull;
    for (int k = 0; k < opCount; ++k) hash = (hash ^ ops[k]->id) * 1099511628211ull;
    return hash;
}

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
}

void DataItemPaths::collectOperatorsPerItem() {
    tree->collectNodes(&nodes);
    // Items' operator lists in pre-order, packed: itemOps[opsStart[i] .. opsStart[i + 1]).
    opsStart.assign(static_cast<size_t>(itemNum) + 1, 0);
    for (const AROperator* node : nodes) {
        if (node->type != AROperator::kTypeRegular) continue;
        for (int item : node->controlList) {
            if (item >= 0 && item < itemNum) ++opsStart[item + 1];
        }
    }
    for (int i = 0; i < itemNum; ++i) opsStart[i + 1] += opsStart[i];
    itemOps.resize(static_cast<size_t>(opsStart[itemNum]));
    fillCursor.assign(opsStart.begin(), opsStart.end() - 1);
    for (const AROperator* node : nodes) {
        if (node->type != AROperator::kTypeRegular) continue;
        for (int item : node->controlList) {
            if (item >= 0 && item < itemNum) itemOps[fillCursor[item]++] = node;
        }
    }
}

size_t DataItemPaths::getMemoryBytes() const {
    return colourSlot.capacity() * sizeof(uint16_t) + curveSlot.capacity() * sizeof(uint32_t) +
           (poolX.capacity() + poolY.capacity()) * sizeof(float) + freeSlots.capacity() * sizeof(uint32_t) +
           slotSource.capacity() * sizeof(uint32_t) + bendSources.capacity() * sizeof(BendSource) +
           unbent.capacity() + opSignature.capacity() * sizeof(uint64_t) + opsStart.capacity() * sizeof(int) +
           itemOps.capacity() * sizeof(void*) + fillCursor.capacity() * sizeof(int) + changedItems.capacity() +
           bends.capacity() * sizeof(Bend);
}

void DataItemPaths::getCurve(int item, int segment, SegmentCurve* curve) const {
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
        std::fill(curveSlot.begin(), curveSlot.end(), kStraight);
        poolX.clear();
        poolY.clear();
        slotSource.clear();
        freeSlots.clear();
        pendingSlots = 0;
    }
    // The operators as they are now; earlier updates' entries stay while
    // slots still wait on them.
    if (pendingSlots == 0) bendSources.clear();
    sourceOfNode.clear();
    for (const AROperator* node : nodes) {
        if (node->type != AROperator::kTypeRegular) continue;
        sourceOfNode[node] = static_cast<uint32_t>(bendSources.size());
        bendSources.push_back(BendSource::of(*node, aspect));
    }
    // 1. Which items changed, and their colours: each item on its own, so on every core.
    changedItems.assign(static_cast<size_t>(itemNum), 0);
    runRanges(static_cast<size_t>(itemNum), rangeCountFor(static_cast<size_t>(itemNum), kItemsPerThread),
              [&](size_t begin, size_t end, int) {
                  std::vector<int> axesOfItem;  // scratch of colourSegments
                  for (size_t i = begin; i < end; ++i) {
                      const int item = static_cast<int>(i);
                      const AROperator* const* ops = itemOps.data() + opsStart[item];
                      const int opCount = opsStart[item + 1] - opsStart[item];
                      const uint64_t signature = signatureOf(ops, opCount);
                      const bool itemChanged = everything || signature != opSignature[item] ||
                                               std::any_of(ops, ops + opCount, [&](const AROperator* op) {
                                                   return op->revision > builtRevision;
                                               });
                      opSignature[item] = signature;
                      if (!itemChanged) continue;
                      changedItems[item] = 1;
                      colourSegments(item, ops, opCount, &axesOfItem);
                      unbent[item] = opCount == 0;
                  }
              });
    // 2. Curve slots for the segments to bend, in item order (the pool is shared).
    bends.clear();
    for (int item = 0; item < itemNum; ++item) {
        if (!changedItems[item]) continue;
        freeCurveSlots(item);
        if (unbent[item]) continue;
        ++rebuiltItems;
        const AROperator* const* ops = itemOps.data() + opsStart[item];
        const int opCount = opsStart[item + 1] - opsStart[item];
        for (int segment = 0; segment < segmentNum; ++segment) {
            const AROperator* holder = nullptr;  // the last of the item's operators on this segment
            for (int k = 0; k < opCount; ++k) {
                if (ops[k]->leftAxis == segment) holder = ops[k];
            }
            if (holder == nullptr) continue;
            const uint32_t slot = takeCurveSlot();
            curveSlot[index(item, segment)] = slot;
            const uint32_t source = sourceOfNode.at(holder);
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

void DataItemPaths::colourSegments(int item, const AROperator* const* ops, int opCount,
                                   std::vector<int>* axesScratch) {
    uint16_t* colours = &colourSlot[index(item, 0)];
    std::vector<int>& sortedAxes = *axesScratch;
    sortedAxes.clear();
    for (int k = 0; k < opCount; ++k) {
        const int segment = ops[k]->leftAxis;
        if (segment < 0 || segment >= segmentNum) continue;
        // Every regular operator has its entry (updatePalette ran first).
        const auto entry = paletteOfNode.find(ops[k]->id);
        colours[segment] = entry != paletteOfNode.end() ? entry->second : 0;  // later operators overwrite earlier ones
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

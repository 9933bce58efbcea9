#include "cluster/ItemRegrouping.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iostream>

#include "cluster/ClusterPath.h"
#include "cluster/GaussianMixture.h"
#include "cluster/GaussianProximity.h"
#include "cluster/HintPathMatch.h"
#include "cluster/MultidimensionalCluster.h"
#include "data/MultidimensionalData.h"
#include "data/ParallelRanges.h"

namespace {

// Records per thread worth splitting the scoring over the cores for.
constexpr size_t kRecordsPerThread = 65536;

// Group of a record: the integer part of its score. Anything that is not a
// finite score from 1 up to the int range (NaN included) means "no path".
int groupOfScore(float score) {
    if (!(score >= 1.0f) || !(score < static_cast<float>(INT_MAX))) return 0;
    return static_cast<int>(score);
}

// Writes the items of `items` into records[0 ... n - 1] in ascending item
// order with score 0; `present` is scratch.
void fillAscending(const std::vector<int32_t>& items, int itemNum, ItemScore* records, std::vector<uint8_t>& present) {
    // Item lists normally hold distinct indices of the table: bucket them.
    present.assign(static_cast<size_t>(itemNum), 0);
    bool bucketable = true;
    for (int32_t item : items) {
        if (item < 0 || item >= itemNum || present[item]) {
            bucketable = false;
            break;
        }
        present[item] = 1;
    }
    size_t k = 0;
    if (bucketable) {
        for (int32_t item = 0; item < itemNum; ++item) {
            if (present[item]) records[k++] = {item, 0.0f};
        }
        return;
    }
    for (int32_t item : items) records[k++] = {item, 0.0f};
    std::stable_sort(records, records + items.size(), [](const ItemScore& a, const ItemScore& b) { return a.item < b.item; });
}

// Stable ascending sort of scored records. Scores of group g lie in
// [g, g + 1) (0 for no path), so a stable distribution by group followed by a
// stable sort inside each group gives exactly the order of one stable sort
// over all records, at a fraction of the cost when most items match nothing.
// The unclaimed records (group 0, all scoring 0 and already in order) close
// up in place; only the claimed ones pass through `claimed`.
void sortByScore(ItemScore* records, size_t n, int pathNum, std::vector<ItemScore>& claimed,
                 std::vector<ItemScore>& sortScratch) {
    // (The clamp only matters past 2^24 paths, where float scores lose the group.)
    auto groupOf = [pathNum](float score) { return std::min(groupOfScore(score), pathNum); };
    claimed.clear();
    size_t unclaimed = 0;
    std::vector<size_t> groupStart(static_cast<size_t>(pathNum) + 2, 0);
    for (size_t k = 0; k < n; ++k) {
        const int group = groupOf(records[k].score);
        if (group == 0) {
            records[unclaimed++] = records[k];
        } else {
            claimed.push_back(records[k]);
            ++groupStart[static_cast<size_t>(group) + 1];
        }
    }
    groupStart[1] = unclaimed;
    for (size_t g = 2; g < groupStart.size(); ++g) groupStart[g] += groupStart[g - 1];
    std::vector<size_t> next(groupStart.begin(), groupStart.end() - 1);
    for (const ItemScore& record : claimed) records[next[groupOf(record.score)]++] = record;
    for (size_t g = 1; g + 1 < groupStart.size(); ++g) {
        stableSortByScore(records + groupStart[g], records + groupStart[g + 1], sortScratch);
    }
}

}  // namespace

ItemRegrouping::ItemRegrouping(const MultidimensionalData* table, float regionOffset, float regionScale)
    : data(table), drawRegionOffset(regionOffset), drawRegionScale(regionScale) {}

std::vector<std::unique_ptr<GaussianMixture>> ItemRegrouping::buildMixtures(const ClusterPath& paths) const {
    const int dimNum = data ? data->getActualDimNum() : 0;
    std::vector<std::unique_ptr<GaussianMixture>> mixtures;
    mixtures.reserve(dimNum);
    std::vector<int> pathIndices;
    std::vector<float> peaks, means, deviations;
    for (int d = 0; d < dimNum; ++d) {
        pathIndices.resize(paths.getHintPointNum(d));
        paths.getHintPointIndex(pathIndices.data(), d);
        peaks.clear();
        means.clear();
        deviations.clear();
        for (int p : pathIndices) {
            const Path* path = paths.getUnlockedPath(p);
            peaks.push_back(path->peaks[d]);
            means.push_back(toValueNorm(path->hintPoints[d].y));
            deviations.push_back(path->deviations[d]);
        }
        mixtures.push_back(std::make_unique<GaussianMixture>(peaks.data(), means.data(), deviations.data(),
                                                             static_cast<int>(peaks.size())));
    }
    return mixtures;
}

void ItemRegrouping::scoreItems(const ClusterPath& paths, MultidimensionalCluster& groups,
                                std::vector<ItemScore>& scores) const {
    groups.releaseUnlockedGroups();
    const DataItemGroup* catchAll = groups.getUnlockedGroup(0);
    if (!catchAll || !data) return;
    const int itemNum = data->getDataNum();
    const int dimNum = data->getActualDimNum();
    const size_t n = catchAll->items.size();
    if (scores.size() < n) scores.resize(n);
    ItemScore* records = scores.data();
    fillAscending(catchAll->items, itemNum, records, scratch.present);

    // The hint points of each unlocked path, in dimension order.
    const int pathNum = paths.getUnlockedPathNum();
    std::vector<HintPathMatch> matches;
    matches.reserve(static_cast<size_t>(pathNum));
    for (int u = 0; u < pathNum; ++u) {
        matches.emplace_back(*paths.getUnlockedPath(u), dimNum, drawRegionOffset, drawRegionScale);
    }
    const float dimCount = static_cast<float>(dimNum);

    // Each record is scored on its own: on every core for a large table.
    runRanges(n, rangeCountFor(n, kRecordsPerThread), [&](size_t begin, size_t end, int) {
        for (size_t k = begin; k < end; ++k) {
            const int32_t item = records[k].item;
            if (item < 0 || item >= itemNum) continue;  // not a row of the table: matches nothing
            const float* row = data->getDataRow(item);
            int bestPath = -1;
            float bestSum = -1.0f;
            for (int u = 0; u < pathNum; ++u) {
                float sum = 0.0f;
                // Strictly higher wins, so the lower index keeps a tie. A NaN sum
                // (only from infinite inputs) never wins.
                if (matches[static_cast<size_t>(u)].match(row, &sum) && sum > bestSum) {
                    bestSum = sum;
                    bestPath = u;
                }
            }
            if (bestPath < 0) continue;
            const float share = dimNum > 0 ? bestSum / dimCount : 0.0f;
            const float score = share + static_cast<float>(bestPath + 1);
            // An item on every hint point of a full path has share 1; keep it in
            // group bestPath + 1 (the float sum can also round up to bestPath + 2).
            records[k].score = std::min(score, std::nextafter(static_cast<float>(bestPath + 2), 0.0f));
        }
    });
    sortByScore(records, n, pathNum, scratch.claimed, scratch.sort);
}

void ItemRegrouping::rebuildGroups(MultidimensionalCluster& groups, const std::vector<ItemScore>& scores,
                                   bool groupSort) const {
    if (const DataItemGroup* catchAll = groups.getUnlockedGroup(0)) {
        const size_t scored = std::min(catchAll->items.size(), scores.size());
        // Room for each group's items first: a million appends then move nothing.
        std::vector<size_t> groupSizes(1, 0);
        for (size_t k = 0; k < scored; ++k) {
            const size_t group = static_cast<size_t>(groupOfScore(scores[k].score));
            if (group >= groupSizes.size()) groupSizes.resize(group + 1, 0);
            ++groupSizes[group];
        }
        groups.ensureUnlockedGroup(static_cast<int>(groupSizes.size()) - 1);  // (may move the groups)
        std::vector<std::vector<int32_t>*> lists(groupSizes.size());
        for (size_t g = 0; g < groupSizes.size(); ++g) lists[g] = &groups.getUnlockedGroup(static_cast<int>(g))->items;
        // Group 0 is refilled in place: its storage, a list of every unlocked
        // item, is reused (fresh pages would cost more than the filling). Items
        // without a record (only when the records are too few) stay in it, last.
        std::vector<int32_t>& all = *lists[0];
        const std::vector<int32_t> unscored(all.begin() + static_cast<std::ptrdiff_t>(scored), all.end());
        all.clear();
        for (size_t g = 0; g < groupSizes.size(); ++g) lists[g]->reserve(lists[g]->size() + groupSizes[g]);
        for (size_t k = 0; k < scored; ++k) lists[static_cast<size_t>(groupOfScore(scores[k].score))]->push_back(scores[k].item);
        all.insert(all.end(), unscored.begin(), unscored.end());
    }
    std::cout << "Group number is " << groups.getUnlockedGroupNum() << std::endl;
    if (groupSort) groups.sortGroups();
    groups.buildGroupsHistogram();
}

std::vector<std::unique_ptr<GaussianMixture>> ItemRegrouping::regroup(const ClusterPath& paths,
                                                                      MultidimensionalCluster& groups,
                                                                      std::vector<ItemScore>& scores,
                                                                      bool groupSort) const {
    std::vector<std::unique_ptr<GaussianMixture>> mixtures = buildMixtures(paths);
    scoreItems(paths, groups, scores);
    rebuildGroups(groups, scores, groupSort);
    return mixtures;
}

void ItemRegrouping::orderByDensity(std::vector<ItemScore>& scores, bool gaussianOrdering) const {
    const int itemNum = data ? data->getDataNum() : 0;
    std::vector<float> density(itemNum);
    GaussianProximity(data, kDensityKernelWidth).scoreAllItems(density.data());
    applyDensity(density, scores, gaussianOrdering);
}

void ItemRegrouping::applyDensity(const std::vector<float>& sums, std::vector<ItemScore>& scores,
                                  bool gaussianOrdering) const {
    const int itemNum = data ? std::min(data->getDataNum(), static_cast<int>(sums.size())) : 0;
    if (scores.size() < static_cast<size_t>(itemNum)) scores.resize(itemNum);
    for (int i = 0; i < itemNum; ++i) scores[i] = {i, sums[i]};
    if (gaussianOrdering) stableSortByScore(scores.data(), scores.data() + itemNum, scratch.sort);
    std::cout << "Gaussian-based optimization complete!" << std::endl;
}

#include "cluster/MultidimensionalCluster.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "cluster/GaussianProximity.h"
#include "data/ItemScore.h"
#include "data/MultidimensionalData.h"
#include "data/ParallelRanges.h"

namespace {

// Items per thread worth splitting a group's histogram over the cores for.
constexpr size_t kItemsPerThread = 65536;

// Order-free hash of a list of item indices: a sum of well-mixed values
// (wrapping), the same for any order of the same items.
uint64_t hashItems(const std::vector<int32_t>& items) {
    uint64_t sum = 0;
    for (int32_t item : items) {
        uint64_t z = static_cast<uint64_t>(static_cast<uint32_t>(item)) + 0x9E3779B97F4A7C15ull;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        sum += z ^ (z >> 31);
    }
    return sum;
}

}  // namespace

MultidimensionalCluster::MultidimensionalCluster(const MultidimensionalData* table) : data(table) {
    initializeGroups();
}

void MultidimensionalCluster::initializeGroups() {
    DataItemGroup all;
    const int n = data ? data->getDataNum() : 0;
    all.items.resize(n);
    for (int i = 0; i < n; ++i) all.items[i] = i;
    unlockedGroups.push_back(std::move(all));
    buildGroupsHistogram(0);
}

void MultidimensionalCluster::restoreGroups(std::vector<DataItemGroup> unlocked, std::vector<DataItemGroup> locked) {
    unlockedGroups = std::move(unlocked);
    lockedGroups = std::move(locked);
    for (DataItemGroup& group : unlockedGroups) {
        group.locked = false;
        buildHistogram(group);
    }
    for (DataItemGroup& group : lockedGroups) {
        group.locked = true;
        buildHistogram(group);
    }
}

DataItemGroup* MultidimensionalCluster::getUnlockedGroup(int i) {
    return i >= 0 && i < getUnlockedGroupNum() ? &unlockedGroups[i] : nullptr;
}

const DataItemGroup* MultidimensionalCluster::getUnlockedGroup(int i) const {
    return i >= 0 && i < getUnlockedGroupNum() ? &unlockedGroups[i] : nullptr;
}

DataItemGroup* MultidimensionalCluster::getLockedGroup(int i) {
    return i >= 0 && i < getLockedGroupNum() ? &lockedGroups[i] : nullptr;
}

const DataItemGroup* MultidimensionalCluster::getLockedGroup(int i) const {
    return i >= 0 && i < getLockedGroupNum() ? &lockedGroups[i] : nullptr;
}

void MultidimensionalCluster::addItemToUnlockedGroup(int item, int group) {
    if (group < 0) return;
    ensureUnlockedGroup(group);
    unlockedGroups[group].items.push_back(item);
}

void MultidimensionalCluster::ensureUnlockedGroup(int group) {
    if (group >= getUnlockedGroupNum()) unlockedGroups.resize(static_cast<size_t>(group) + 1);
}

void MultidimensionalCluster::releaseUnlockedGroups() {
    if (unlockedGroups.size() < 2) return;
    std::vector<int32_t>& catchAll = unlockedGroups[0].items;
    for (size_t g = 1; g < unlockedGroups.size(); ++g) {
        const std::vector<int32_t>& items = unlockedGroups[g].items;
        catchAll.insert(catchAll.end(), items.begin(), items.end());
    }
    unlockedGroups.resize(1);
}

void MultidimensionalCluster::lockGroup(int i) {
    DataItemGroup* group = getUnlockedGroup(i);
    if (!group) return;
    group->hidden = true;
    buildHistogram(*group);
    lockedGroups.push_back(std::move(*group));
    unlockedGroups.erase(unlockedGroups.begin() + i);
}

void MultidimensionalCluster::unlockGroup(int i) {
    DataItemGroup* group = getLockedGroup(i);
    if (!group) return;
    unlockedGroups.push_back(std::move(*group));
    lockedGroups.erase(lockedGroups.begin() + i);
}

void MultidimensionalCluster::setGroupHideState(bool hidden, int i) {
    if (DataItemGroup* group = getLockedGroup(i)) group->hidden = hidden;
}

void MultidimensionalCluster::buildGroupsHistogram(int i) {
    if (DataItemGroup* group = getUnlockedGroup(i)) buildHistogram(*group);
}

void MultidimensionalCluster::buildGroupsHistogram() {
    if (unlockedGroups.size() < 2) {
        for (DataItemGroup& group : unlockedGroups) buildHistogram(group);
        return;
    }
    // Which multiset the unlocked groups hold, and the largest group.
    uint64_t itemCount = 0, itemHash = 0;
    size_t largest = 0;
    for (size_t g = 0; g < unlockedGroups.size(); ++g) {
        const std::vector<int32_t>& items = unlockedGroups[g].items;
        itemCount += items.size();
        itemHash += hashItems(items);
        if (items.size() > unlockedGroups[largest].items.size()) largest = g;
    }
    const bool sameItems =
        unlockedTotals.known && unlockedTotals.itemCount == itemCount && unlockedTotals.itemHash == itemHash;
    if (sameItems) {
        std::vector<std::vector<uint64_t>> groupCounts(unlockedGroups.size());
        std::vector<uint64_t> others(unlockedTotals.counts.size(), 0);
        for (size_t g = 0; g < unlockedGroups.size(); ++g) {
            if (g == largest) continue;
            groupCounts[g] = countItems(unlockedGroups[g].items);
            for (size_t cell = 0; cell < others.size(); ++cell) others[cell] += groupCounts[g][cell];
        }
        // More in the other groups than in all of them: the totals were not
        // those of these items after all (a hash collision); count afresh.
        bool consistent = true;
        for (size_t cell = 0; cell < others.size(); ++cell) consistent = consistent && others[cell] <= unlockedTotals.counts[cell];
        if (consistent) {
            for (size_t cell = 0; cell < others.size(); ++cell) others[cell] = unlockedTotals.counts[cell] - others[cell];
            groupCounts[largest] = std::move(others);
            for (size_t g = 0; g < unlockedGroups.size(); ++g) setHistogram(unlockedGroups[g], groupCounts[g]);
            return;
        }
    }
    // Every group counted, and the totals kept for the next time.
    unlockedTotals = UnlockedTotals();
    for (DataItemGroup& group : unlockedGroups) {
        const std::vector<uint64_t> counts = countItems(group.items);
        if (unlockedTotals.counts.empty()) unlockedTotals.counts.assign(counts.size(), 0);
        for (size_t cell = 0; cell < counts.size(); ++cell) unlockedTotals.counts[cell] += counts[cell];
        setHistogram(group, counts);
    }
    unlockedTotals.known = true;
    unlockedTotals.itemCount = itemCount;
    unlockedTotals.itemHash = itemHash;
}

std::vector<uint64_t> MultidimensionalCluster::countItems(const std::vector<int32_t>& items) const {
    const int dimNum = data ? data->getActualDimNum() : 0;
    const int binNum = data ? data->getHistogramBinsNum() : 0;
    const int itemNum = data ? data->getDataNum() : 0;
    const size_t cells = static_cast<size_t>(dimNum) * static_cast<size_t>(std::max(binNum, 0));
    if (itemNum == 0 || binNum <= 0) return std::vector<uint64_t>(cells, 0);
    const float binScale = static_cast<float>(binNum);
    // The rows in table order: a group sorted by score visits them at random,
    // and at a million items the cache misses would cost more than the counting.
    const std::vector<int32_t>& ordered = inTableOrder(items, itemNum);
    // On every core for a long list: whole counts, exact whatever the split.
    return countInRanges(ordered.size(), kItemsPerThread, cells, [&](size_t k, uint32_t* block) {
        const int32_t item = ordered[k];
        if (item < 0 || item >= itemNum) return;  // items are not validated on insertion
        const float* row = data->getDataRow(item);
        for (int d = 0; d < dimNum; ++d) {
            // Values lie in [0, 1]; exactly 1 belongs to the last bin. Anything
            // else outside (or NaN) is clamped onto the nearest end bin.
            const float scaled = row[d] * binScale;
            int bin = 0;
            if (scaled >= binScale) bin = binNum - 1;
            else if (scaled > 0.0f) bin = static_cast<int>(scaled);
            ++block[static_cast<size_t>(d) * binNum + bin];
        }
    });
}

const std::vector<int32_t>& MultidimensionalCluster::inTableOrder(const std::vector<int32_t>& items, int itemNum) const {
    if (items.size() < kItemsPerThread) return items;
    // Marked in a bitmap of the table and read back ascending; a list with an
    // item twice or outside the table is used as it is (counted the same).
    std::vector<uint64_t> marks((static_cast<size_t>(itemNum) + 63) / 64, 0);
    for (int32_t item : items) {
        if (item < 0 || item >= itemNum) return items;
        uint64_t& word = marks[static_cast<size_t>(item) / 64];
        const uint64_t bit = uint64_t(1) << (item % 64);
        if (word & bit) return items;
        word |= bit;
    }
    orderedItems.clear();
    for (size_t w = 0; w < marks.size(); ++w) {
        for (uint64_t word = marks[w]; word != 0; word &= word - 1) {
            orderedItems.push_back(static_cast<int32_t>(w * 64 + static_cast<size_t>(__builtin_ctzll(word))));
        }
    }
    return orderedItems;
}

// Shares of the whole table, not of the group.
void MultidimensionalCluster::setHistogram(DataItemGroup& group, const std::vector<uint64_t>& counts) const {
    const int itemNum = data ? data->getDataNum() : 0;
    group.histogram.assign(counts.size(), 0.0f);
    if (itemNum == 0) return;
    const float tableItems = static_cast<float>(itemNum);
    for (size_t cell = 0; cell < counts.size(); ++cell) group.histogram[cell] = static_cast<float>(counts[cell]) / tableItems;
}

void MultidimensionalCluster::buildHistogram(DataItemGroup& group) const { setHistogram(group, countItems(group.items)); }

float MultidimensionalCluster::getHistogramEntry(bool locked, int group, int dimension, int bin) const {
    const DataItemGroup* g = locked ? getLockedGroup(group) : getUnlockedGroup(group);
    if (!g || !data) return 0.0f;
    const int dimNum = data->getActualDimNum();
    const int binNum = data->getHistogramBinsNum();
    if (dimension < 0 || dimension >= dimNum || bin < 0 || bin >= binNum) return 0.0f;
    const size_t index = static_cast<size_t>(dimension) * binNum + bin;
    return index < g->histogram.size() ? g->histogram[index] : 0.0f;
}

void MultidimensionalCluster::sortGroups() {
    for (int i = 1; i < getUnlockedGroupNum(); ++i) sortGroup_GaussianProximityBased(i);
}

void MultidimensionalCluster::sortGroup_GaussianProximityBased(int i) {
    DataItemGroup* group = getUnlockedGroup(i);
    if (!group || group->items.empty() || !data) return;
    std::vector<int32_t>& items = group->items;
    std::vector<float> proximity(items.size());
    GaussianProximity(data, kProximityKernelWidth).scoreItems(items.data(), static_cast<int>(items.size()), proximity.data());

    std::vector<ItemScore> records(items.size());
    for (size_t k = 0; k < items.size(); ++k) records[k] = {items[k], proximity[k]};
    stableSortByScore(records.data(), records.data() + records.size());
    for (size_t k = 0; k < items.size(); ++k) items[k] = records[k].item;
}

#include "cluster/MultidimensionalCluster.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "cluster/GaussianProximity.h"
#include "data/BinCounts.h"
#include "data/ItemScore.h"
#include "data/MultidimensionalData.h"

MultidimensionalCluster::MultidimensionalCluster(const MultidimensionalData* table) : data(table) {
    initializeGroups();
}

void MultidimensionalCluster::initializeGroups() {
    ++revision;
    DataItemGroup all;
    const int n = data ? data->getDataNum() : 0;
    all.items.resize(n);
    for (int i = 0; i < n; ++i) all.items[i] = i;
    unlockedGroups.push_back(std::move(all));
    buildGroupsHistogram(0);
}

void MultidimensionalCluster::restoreGroups(std::vector<DataItemGroup> unlocked, std::vector<DataItemGroup> locked) {
    ++revision;
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
    ++revision;
    return i >= 0 && i < getUnlockedGroupNum() ? &unlockedGroups[i] : nullptr;
}

const DataItemGroup* MultidimensionalCluster::getUnlockedGroup(int i) const {
    return i >= 0 && i < getUnlockedGroupNum() ? &unlockedGroups[i] : nullptr;
}

DataItemGroup* MultidimensionalCluster::getLockedGroup(int i) {
    ++revision;
    return i >= 0 && i < getLockedGroupNum() ? &lockedGroups[i] : nullptr;
}

const DataItemGroup* MultidimensionalCluster::getLockedGroup(int i) const {
    return i >= 0 && i < getLockedGroupNum() ? &lockedGroups[i] : nullptr;
}

void MultidimensionalCluster::addItemToUnlockedGroup(int item, int group) {
    ++revision;
    if (group < 0) return;
    ensureUnlockedGroup(group);
    unlockedGroups[group].items.push_back(item);
}

void MultidimensionalCluster::ensureUnlockedGroup(int group) {
    ++revision;
    if (group >= getUnlockedGroupNum()) unlockedGroups.resize(static_cast<size_t>(group) + 1);
}

void MultidimensionalCluster::releaseUnlockedGroups() {
    ++revision;
    if (unlockedGroups.size() < 2) return;
    std::vector<int32_t>& catchAll = unlockedGroups[0].items;
    for (size_t g = 1; g < unlockedGroups.size(); ++g) {
        const std::vector<int32_t>& items = unlockedGroups[g].items;
        catchAll.insert(catchAll.end(), items.begin(), items.end());
    }
    unlockedGroups.resize(1);
}

void MultidimensionalCluster::lockGroup(int i) {
    ++revision;
    DataItemGroup* group = getUnlockedGroup(i);
    if (!group) return;
    group->hidden = true;
    buildHistogram(*group);
    lockedGroups.push_back(std::move(*group));
    unlockedGroups.erase(unlockedGroups.begin() + i);
}

void MultidimensionalCluster::unlockGroup(int i) {
    ++revision;
    DataItemGroup* group = getLockedGroup(i);
    if (!group) return;
    unlockedGroups.push_back(std::move(*group));
    lockedGroups.erase(lockedGroups.begin() + i);
}

void MultidimensionalCluster::setGroupHideState(bool hidden, int i) {
    ++revision;
    if (DataItemGroup* group = getLockedGroup(i)) group->hidden = hidden;
}

void MultidimensionalCluster::buildGroupsHistogram(int i) {
    if (DataItemGroup* group = getUnlockedGroup(i)) buildHistogram(*group);
}

void MultidimensionalCluster::buildGroupsHistogram() {
    std::vector<ItemSpan> parts;
    parts.reserve(unlockedGroups.size());
    for (const DataItemGroup& group : unlockedGroups) parts.push_back(spanOf(group.items));
    const std::vector<std::vector<uint64_t>> counts = unlockedCounts.count(data, parts);
    const int itemNum = data ? data->getDataNum() : 0;
    for (size_t g = 0; g < unlockedGroups.size(); ++g) sharesOfTable(counts[g], itemNum, &unlockedGroups[g].histogram);
}

void MultidimensionalCluster::buildHistogram(DataItemGroup& group) const {
    std::vector<int32_t> scratch;
    sharesOfTable(countBins(data, spanOf(group.items), scratch), data ? data->getDataNum() : 0, &group.histogram);
}

float MultidimensionalCluster::getHistogramEntry(bool locked, int group, int dimension, int bin) const {
    const DataItemGroup* g = locked ? getLockedGroup(group) : getUnlockedGroup(group);
    if (!g || !data) return 0.0f;
    const int dimNum = data->getActualDimNum();
    const int cellNum = data->getHistogramCellsNum();  // the bins, then the missing bin
    if (dimension < 0 || dimension >= dimNum || bin < 0 || bin >= cellNum) return 0.0f;
    const size_t index = static_cast<size_t>(dimension) * static_cast<size_t>(cellNum) + static_cast<size_t>(bin);
    return index < g->histogram.size() ? g->histogram[index] : 0.0f;
}

void MultidimensionalCluster::sortGroups() {
    ++revision;
    for (int i = 1; i < getUnlockedGroupNum(); ++i) sortGroup_GaussianProximityBased(i);
}

void MultidimensionalCluster::sortGroup_GaussianProximityBased(int i) {
    ++revision;
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

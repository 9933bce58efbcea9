// MultidimensionalCluster: the items of the loaded table divided into groups.
//
// Two lists. Unlocked groups are rebuilt on every change of the unlocked hint
// paths: group 0 is the catch-all, group k + 1 holds the items claimed by
// unlocked path k. Locked groups stay fixed; locked group k belongs to locked
// path k. Locking takes a group (with its items) out of the unlocked list, so
// locked items take no part in regrouping until their group is unlocked.
//
// An index outside [0, count) of the list concerned makes an operation do
// nothing (or return null or 0), silently.
#pragma once

#include <cstdint>
#include <vector>

#include "data/BinCounts.h"

class MultidimensionalData;

struct DataItemGroup {
    bool locked = false;            // false when created; carried unchanged between lists (the list decides)
    bool hidden = false;            // display flag of a locked group; set when the group is locked
    std::vector<int32_t> items;     // item indices (table rows), insertion or proximity order
    std::vector<float> histogram;   // dims x bins, row-major: share of ALL table items in each bin
                                    // that belong to this group; empty until first built
};

class MultidimensionalCluster {
public:
    // Width of the proximity kernel, exp(-D^2 / width), D a difference-matrix
    // entry (squared distance): 0.05^2, as in item regrouping.
    static constexpr float kProximityKernelWidth = 0.0025f;

    // The table is not owned and must outlive the object. A null table gives
    // no items and no dimensions.
    explicit MultidimensionalCluster(const MultidimensionalData* data);

    // Unlocked group 0 with every item 0 ... N - 1 ascending, and its histogram.
    void initializeGroups();

    // Raised by every change of either list (and by handing out a writable group).
    uint64_t getRevision() const { return revision; }

    int getUnlockedGroupNum() const { return static_cast<int>(unlockedGroups.size()); }
    int getLockedGroupNum() const { return static_cast<int>(lockedGroups.size()); }
    // Non-owning; null when out of range. Regrouping empties group 0's items through it.
    DataItemGroup* getUnlockedGroup(int i);
    const DataItemGroup* getUnlockedGroup(int i) const;
    DataItemGroup* getLockedGroup(int i);
    const DataItemGroup* getLockedGroup(int i) const;

    // Appends item to unlocked group g, appending empty groups up to g as
    // needed. Negative g adds nothing; the item is not validated.
    void addItemToUnlockedGroup(int item, int group);
    // Appends empty groups until unlocked group g exists (negative g: nothing),
    // e.g. so that a path that claimed no item still has a group to lock.
    void ensureUnlockedGroup(int group);
    // Moves the items of unlocked groups 1 ... last, in order, to the end of
    // group 0 and removes those groups. Group 0 keeps its (stale) histogram.
    void releaseUnlockedGroups();
    // Unlocked group i: hidden, histogram rebuilt, moved to the end of the locked list.
    void lockGroup(int i);
    // Locked group i moved to the end of the unlocked list, flags and histogram unchanged.
    void unlockGroup(int i);
    void setGroupHideState(bool hidden, int i);
    // Replaces both lists (a saved session; item indices already checked) and
    // builds every group's histogram.
    void restoreGroups(std::vector<DataItemGroup> unlocked, std::vector<DataItemGroup> locked);

    // Histogram of unlocked group i (or of every unlocked group, in order).
    // For all groups, the largest one's is the totals of every unlocked item
    // less the other groups' (see PartitionCounts): a hint-point drag moves
    // items between unlocked groups only, so each of its steps counts the
    // claimed items, not the whole table.
    void buildGroupsHistogram(int i);
    void buildGroupsHistogram();
    // Histogram share of a locked (locked true) or unlocked group; 0 when any
    // index is out of range or the histogram was never built.
    float getHistogramEntry(bool locked, int group, int dimension, int bin) const;

    // sortGroup_GaussianProximityBased on unlocked groups 1 ... last (never 0).
    void sortGroups();
    // Stable ascending sort of unlocked group i's items by their proximity
    // score: the sum over all table items j of exp(-D(m, j)^2 / 0.0025).
    // Items with many close neighbours move to the end.
    void sortGroup_GaussianProximityBased(int i);

private:
    void buildHistogram(DataItemGroup& group) const;

    const MultidimensionalData* data;            // the table the groups index into; not owned
    std::vector<DataItemGroup> unlockedGroups;   // group 0 catch-all, k + 1 for unlocked path k
    std::vector<DataItemGroup> lockedGroups;     // group k for locked path k
    PartitionCounts unlockedCounts;              // the unlocked groups' counts, their totals kept
    uint64_t revision = 1;                       // raised by every change
};

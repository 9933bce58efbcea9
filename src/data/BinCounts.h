// BinCounts: whole counts of table items per dimension and histogram bin, the
// ground of every histogram drawn beside the axes (an operator's, a group's).
// Counts are integers so that a histogram built from parts, or as a total
// less parts, holds exactly the shares of counting its items directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class MultidimensionalData;

// Histogram bin of a normalised value among `bins`: values in [0, 1], exactly
// 1 in the last bin; anything else (NaN included) clamped onto the nearest end.
inline int histogramBin(float valueNorm, int bins) {
    const float scaled = valueNorm * static_cast<float>(bins);
    if (scaled >= static_cast<float>(bins)) return bins - 1;
    return scaled > 0.0f ? static_cast<int>(scaled) : 0;
}

// A list of item indices (not owned).
struct ItemSpan {
    const int32_t* items = nullptr;
    size_t size = 0;
};
inline ItemSpan spanOf(const std::vector<int32_t>& items) { return {items.data(), items.size()}; }

// Order-free hash of a list of items: the same for any order of the same
// items (a multiset: an item twice counts twice).
uint64_t hashItemSet(ItemSpan items);

// Whole counts, dims x cells row-major (MultidimensionalData::getHistogramCellsNum:
// the bins, then the missing bin), of the items that are rows of the
// table (others are skipped). Long lists are counted on every core, and in
// table order when they hold distinct rows (a list sorted by anything else
// would visit the rows at random); `scratch` is kept by the caller.
std::vector<uint64_t> countBins(const MultidimensionalData* data, ItemSpan items, std::vector<int32_t>& scratch);

// Shares of the whole table: count / table items per cell.
void sharesOfTable(const std::vector<uint64_t>& counts, int tableItems, std::vector<float>* shares);

// Counts of the parts of a multiset of items that stays the same while items
// move between its parts (an operator and its complement during a drag, the
// groups of a hint path during its drag). The totals of the whole multiset
// are kept; each call counts every part but the largest, and the largest is
// the totals less the others. The totals are counted afresh when the parts
// no longer add up to the same multiset (their size and hash tell).
class PartitionCounts {
public:
    // One count vector per part, as countBins would give it.
    std::vector<std::vector<uint64_t>> count(const MultidimensionalData* data, const std::vector<ItemSpan>& parts);

private:
    bool known = false;
    const MultidimensionalData* table = nullptr;
    uint64_t itemCount = 0;
    uint64_t itemHash = 0;
    std::vector<uint64_t> totals;
    std::vector<int32_t> scratch;
};

#include "data/BinCounts.h"

#include <algorithm>
#include <utility>

#include "data/MultidimensionalData.h"
#include "data/ParallelRanges.h"

namespace {

// Items per thread worth splitting a count over the cores for.
constexpr size_t kItemsPerThread = 65536;

uint64_t mixed(int32_t item) {
    uint64_t z = static_cast<uint64_t>(static_cast<uint32_t>(item)) + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// The items ascending (in `scratch`) when the list is long and holds distinct
// rows of the table; else the list itself (counted the same, in its order).
ItemSpan inTableOrder(ItemSpan items, int itemNum, std::vector<int32_t>& scratch) {
    if (items.size < kItemsPerThread) return items;
    if (std::is_sorted(items.items, items.items + items.size)) return items;
    std::vector<uint64_t> marks((static_cast<size_t>(itemNum) + 63) / 64, 0);
    for (size_t k = 0; k < items.size; ++k) {
        const int32_t item = items.items[k];
        if (item < 0 || item >= itemNum) return items;
        uint64_t& word = marks[static_cast<size_t>(item) / 64];
        const uint64_t bit = uint64_t(1) << (item % 64);
        if (word & bit) return items;
        word |= bit;
    }
    scratch.clear();
    for (size_t w = 0; w < marks.size(); ++w) {
        for (uint64_t word = marks[w]; word != 0; word &= word - 1) {
            scratch.push_back(static_cast<int32_t>(w * 64 + static_cast<size_t>(__builtin_ctzll(word))));
        }
    }
    return spanOf(scratch);
}

}  // namespace

uint64_t hashItemSet(ItemSpan items) {
    uint64_t sum = 0;  // wrapping: the order of the terms does not matter
    for (size_t k = 0; k < items.size; ++k) sum += mixed(items.items[k]);
    return sum;
}

std::vector<uint64_t> countBins(const MultidimensionalData* data, ItemSpan items, std::vector<int32_t>& scratch) {
    const int dims = data ? data->getActualDimNum() : 0;
    const int bins = data ? std::max(data->getHistogramCellsNum(), 0) : 0;  // the missing bin too
    const int itemNum = data ? data->getDataNum() : 0;
    const size_t cells = static_cast<size_t>(dims) * static_cast<size_t>(bins);
    if (itemNum == 0 || cells == 0) return std::vector<uint64_t>(cells, 0);
    const ItemSpan ordered = inTableOrder(items, itemNum, scratch);
    // Whole counts per range, added up in order: exact whatever the split.
    return countInRanges(ordered.size, kItemsPerThread, cells, [&](size_t k, uint32_t* block) {
        const int32_t item = ordered.items[k];
        if (item < 0 || item >= itemNum) return;  // lists are not validated on insertion
        const uint8_t* row = data->getBinRow(item);
        for (int d = 0; d < dims; ++d) ++block[static_cast<size_t>(d) * bins + row[d]];
    });
}

void sharesOfTable(const std::vector<uint64_t>& counts, int tableItems, std::vector<float>* shares) {
    shares->assign(counts.size(), 0.0f);
    if (tableItems <= 0) return;
    const float items = static_cast<float>(tableItems);
    for (size_t cell = 0; cell < counts.size(); ++cell) (*shares)[cell] = static_cast<float>(counts[cell]) / items;
}

std::vector<std::vector<uint64_t>> PartitionCounts::count(const MultidimensionalData* data,
                                                          const std::vector<ItemSpan>& parts) {
    std::vector<std::vector<uint64_t>> counts(parts.size());
    if (parts.empty()) return counts;
    uint64_t count = 0, hash = 0;
    size_t largest = 0;
    for (size_t p = 0; p < parts.size(); ++p) {
        count += parts[p].size;
        hash += hashItemSet(parts[p]);
        if (parts[p].size > parts[largest].size) largest = p;
    }
    if (known && table == data && itemCount == count && itemHash == hash) {
        std::vector<uint64_t> rest = totals;
        bool consistent = true;
        for (size_t p = 0; p < parts.size() && consistent; ++p) {
            if (p == largest) continue;
            counts[p] = countBins(data, parts[p], scratch);
            for (size_t cell = 0; cell < rest.size(); ++cell) {
                // More in the parts than in the whole: the totals were not
                // those of these items after all (a hash collision).
                consistent = consistent && counts[p][cell] <= rest[cell];
                rest[cell] -= std::min(counts[p][cell], rest[cell]);
            }
        }
        if (consistent) {
            counts[largest] = std::move(rest);
            return counts;
        }
    }
    // Every part counted, and the totals kept for the next time.
    totals.clear();
    for (size_t p = 0; p < parts.size(); ++p) {
        counts[p] = countBins(data, parts[p], scratch);
        if (totals.empty()) totals.assign(counts[p].size(), 0);
        for (size_t cell = 0; cell < totals.size(); ++cell) totals[cell] += counts[p][cell];
    }
    known = true;
    table = data;
    itemCount = count;
    itemHash = hash;
    return counts;
}

#include "data/ItemScore.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// Three-way order on keys with NaN placed after +infinity.
int compareKeys(float a, float b) {
    const bool aNaN = std::isnan(a);
    const bool bNaN = std::isnan(b);
    if (aNaN || bNaN) return static_cast<int>(aNaN) - static_cast<int>(bNaN);
    return (a > b) - (a < b);
}

// The key as an unsigned integer in the same order as compareKeys: negative
// numbers below positive ones, -0 equal to +0, every NaN equal and above +inf.
uint32_t orderedBits(float score) {
    if (std::isnan(score)) return 0xFFFFFFFFu;
    if (score == 0.0f) score = 0.0f;  // -0 -> +0
    uint32_t bits = 0;
    std::memcpy(&bits, &score, sizeof bits);
    return (bits & 0x80000000u) ? ~bits : (bits | 0x80000000u);
}

// Below this many records a comparison sort is the quicker.
constexpr size_t kRadixLeastRecords = 256;
constexpr int kMostDigitBits = 12;  // 4096 counters: they stay in the first-level cache

// Stable least-significant-digit radix sort on orderedBits, over only the low
// bits in which the keys differ (the scores of a regrouping's group share
// their sign and exponent, so 23 bits: two passes of 12 rather than three).
void radixSortByScore(ItemScore* first, ItemScore* last, std::vector<ItemScore>& scratch) {
    const size_t n = static_cast<size_t>(last - first);
    const uint32_t base = orderedBits(first[0].score);
    uint32_t varying = 0;
    for (size_t k = 0; k < n; ++k) varying |= orderedBits(first[k].score) ^ base;
    if (varying == 0) return;  // every key equal: already in order
    const int bits = 32 - __builtin_clz(varying);
    const int passes = (bits + kMostDigitBits - 1) / kMostDigitBits;
    const int digitBits = (bits + passes - 1) / passes;
    const uint32_t mask = (uint32_t(1) << digitBits) - 1;
    const size_t buckets = size_t(1) << digitBits;
    std::vector<uint32_t> counts(static_cast<size_t>(passes) * buckets, 0);
    for (size_t k = 0; k < n; ++k) {
        const uint32_t key = orderedBits(first[k].score);
        for (int pass = 0; pass < passes; ++pass) ++counts[pass * buckets + ((key >> (pass * digitBits)) & mask)];
    }
    scratch.resize(n);
    ItemScore* from = first;
    ItemScore* to = scratch.data();
    for (int pass = 0; pass < passes; ++pass) {
        uint32_t* bucket = counts.data() + pass * buckets;
        const int shift = pass * digitBits;
        if (bucket[(base >> shift) & mask] == n) continue;  // this digit alike in every key
        uint32_t start = 0;
        for (size_t b = 0; b < buckets; ++b) start += std::exchange(bucket[b], start);
        for (size_t k = 0; k < n; ++k) to[bucket[(orderedBits(from[k].score) >> shift) & mask]++] = from[k];
        std::swap(from, to);
    }
    if (from != first) std::copy(from, from + n, first);
}

}  // namespace

int compare(const void* first, const void* second) {
    const auto* a = static_cast<const ItemScore*>(first);
    const auto* b = static_cast<const ItemScore*>(second);
    return compareKeys(a->score, b->score);
}

void stableSortByScore(ItemScore* first, ItemScore* last, std::vector<ItemScore>& scratch) {
    if (static_cast<size_t>(last - first) >= kRadixLeastRecords) {
        radixSortByScore(first, last, scratch);
        return;
    }
    std::stable_sort(first, last, [](const ItemScore& a, const ItemScore& b) { return compareKeys(a.score, b.score) < 0; });
}

void stableSortByScore(ItemScore* first, ItemScore* last) {
    std::vector<ItemScore> scratch;
    stableSortByScore(first, last, scratch);
}

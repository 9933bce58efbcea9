#include "data/ItemScore.h"

#include <algorithm>
#include <array>
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
constexpr int kDigitBits = 11;
constexpr int kDigits = 3;  // 33 bits cover the 32-bit key
constexpr size_t kBuckets = size_t(1) << kDigitBits;

// Stable least-significant-digit radix sort on orderedBits: one counting
// pass for all three digits, then one scatter per digit that is not the same
// for every record (the keys of a regrouping's group share their top bits).
void radixSortByScore(ItemScore* first, ItemScore* last, std::vector<ItemScore>& scratch) {
    const size_t n = static_cast<size_t>(last - first);
    scratch.resize(n);
    std::vector<std::array<uint32_t, kBuckets>> counts(kDigits);
    for (auto& digitCounts : counts) digitCounts.fill(0);
    for (size_t k = 0; k < n; ++k) {
        const uint32_t key = orderedBits(first[k].score);
        for (int digit = 0; digit < kDigits; ++digit) ++counts[digit][(key >> (digit * kDigitBits)) & (kBuckets - 1)];
    }
    ItemScore* from = first;
    ItemScore* to = scratch.data();
    for (int digit = 0; digit < kDigits; ++digit) {
        std::array<uint32_t, kBuckets>& bucket = counts[digit];
        const int shift = digit * kDigitBits;
        if (bucket[(orderedBits(from[0].score) >> shift) & (kBuckets - 1)] == n) continue;  // all alike
        uint32_t start = 0;
        for (uint32_t& count : bucket) start += std::exchange(count, start);
        for (size_t k = 0; k < n; ++k) to[bucket[(orderedBits(from[k].score) >> shift) & (kBuckets - 1)]++] = from[k];
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

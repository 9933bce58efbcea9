#include "data/ItemScore.h"

#include <algorithm>
#include <cmath>

namespace {

// Three-way order on keys with NaN placed after +infinity.
int compareKeys(float a, float b) {
    const bool aNaN = std::isnan(a);
    const bool bNaN = std::isnan(b);
    if (aNaN || bNaN) return static_cast<int>(aNaN) - static_cast<int>(bNaN);
    return (a > b) - (a < b);
}

}  // namespace

int compare(const void* first, const void* second) {
    const auto* a = static_cast<const ItemScore*>(first);
    const auto* b = static_cast<const ItemScore*>(second);
    return compareKeys(a->score, b->score);
}

void stableSortByScore(ItemScore* first, ItemScore* last) {
    std::stable_sort(first, last, [](const ItemScore& a, const ItemScore& b) {
        return compareKeys(a.score, b.score) < 0;
    });
}

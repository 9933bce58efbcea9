// ItemScore: an item index paired with a sort key, and the one order used to
// sort such records everywhere (ascending key, stable for equal keys).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct ItemScore {
    int32_t item;  // index of a data item
    float score;   // sort key: density or regrouping score
};

// Comparator for the C library's qsort over ItemScore-shaped records (a 32-bit
// index followed by a 32-bit float key): negative, zero or positive as the
// first key is below, equal to or above the second. NaN keys sort after every
// number and equal one another, so the order is total.
int compare(const void* first, const void* second);

// Ascending by score; records with equal scores keep their relative order.
// The order of compare() (NaN last, -0 equal to +0); large ranges are sorted
// by their keys' bits in linear time, with `scratch` (grown to the range's
// size, kept by the caller between sorts) as the second buffer.
void stableSortByScore(ItemScore* first, ItemScore* last, std::vector<ItemScore>& scratch);
void stableSortByScore(ItemScore* first, ItemScore* last);

// Splitting a loop over [0, n) into consecutive ranges run on the machine's
// cores at once. For loops over every item of a large table that must finish
// within a frame (an operator's drag step): the caller's thread takes the
// first range, one short-lived thread each of the others. Small loops run in
// one range on the caller's thread, since starting a thread costs tens of
// microseconds.
//
// Each range gets its index, so callers that add things up keep one partial
// result per range and combine them in range order: the result does not
// depend on how many ranges there were, as long as the combination is exact
// (integer counts, lists appended in order).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

// How many ranges a loop of n steps is worth: one per core, each at least
// minPerRange steps long.
inline int rangeCountFor(size_t n, size_t minPerRange) {
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t byWork = minPerRange > 0 ? n / minPerRange : cores;
    return static_cast<int>(std::clamp<size_t>(byWork, 1, std::min<size_t>(cores, 16)));
}

// Calls body(begin, end, range) for `ranges` consecutive ranges covering [0, n).
template <class Body>
void runRanges(size_t n, int ranges, const Body& body) {
    ranges = std::max(ranges, 1);
    auto bounds = [&](int range) { return n * static_cast<size_t>(range) / static_cast<size_t>(ranges); };
    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<size_t>(ranges - 1));
    for (int range = 1; range < ranges; ++range) {
        helpers.emplace_back([&, range] { body(bounds(range), bounds(range + 1), range); });
    }
    body(bounds(0), bounds(1), 0);
    for (std::thread& helper : helpers) helper.join();
}

// Whole counts over [0, n), split into ranges: count(k, block) adds step k's
// counts to `block` (cells counters of its range). Returns each cell's total,
// the ranges added up in order: exact, whatever the split.
template <class Count>
std::vector<uint64_t> countInRanges(size_t n, size_t minPerRange, size_t cells, const Count& count) {
    const int ranges = rangeCountFor(n, minPerRange);
    std::vector<uint32_t> counts(static_cast<size_t>(ranges) * cells, 0);
    runRanges(n, ranges, [&](size_t begin, size_t end, int range) {
        uint32_t* block = counts.data() + static_cast<size_t>(range) * cells;
        for (size_t k = begin; k < end; ++k) count(k, block);
    });
    std::vector<uint64_t> totals(cells, 0);
    for (int range = 0; range < ranges; ++range) {
        for (size_t cell = 0; cell < cells; ++cell) totals[cell] += counts[static_cast<size_t>(range) * cells + cell];
    }
    return totals;
}

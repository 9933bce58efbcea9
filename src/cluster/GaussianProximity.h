// GaussianProximity: how crowded the neighbourhood of an item is. The score
// of item i is the sum over every item j of the table (i itself included) of
// exp(-D(i, j)^2 / width), D(i, j) the difference-matrix entry (the squared
// distance over all normalised dimensions). Items with many close neighbours
// score high.
//
// Each term is taken by exp in double precision and added, j ascending, into
// a single-precision running sum: scores are bit-identical to the plain loop
// over getDiffMatrixEntry. The work is O(N^2) per full pass; no N x N memory
// is allocated: entries are computed, a block at a time, from a column-major
// copy of the table (N x D floats).
//
// Speed without changing a bit: a term too small to move the running sum
// (below a quarter of the sum's float spacing) is skipped before its exp is
// taken. Terms fall monotonically with D, so "too small for a sum of this
// binary exponent" is one precomputed threshold on D per exponent.
#pragma once

#include <cstdint>

class MultidimensionalData;

class GaussianProximity {
public:
    // The table is not owned. kernelWidth divides D^2 (0.05^2: the term
    // falls to 1/e at D = 0.05).
    GaussianProximity(const MultidimensionalData* data, float kernelWidth);

    // Score of each listed item, written to scores[k]; an index outside the
    // table scores 0.
    void scoreItems(const int32_t* items, int itemNum, float* scores) const;
    // Score of every item 0 ... N - 1, written to scores[i]. Uses the symmetry
    // of the matrix: each pair's term is computed at most once for both rows.
    void scoreAllItems(float* scores) const;

private:
    // Smallest entry D whose term leaves a running sum of the given value
    // unchanged (for a sum of 0: a term that rounds to 0 in float).
    float getSkipThreshold(float runningSum) const;
    double term(float entry) const;

    static constexpr int kExponentNum = 256;  // biased binary exponents of a float

    const MultidimensionalData* data;    // not owned
    float kernelWidth;                   // denominator of the exponent
    float skipThreshold[kExponentNum];   // by the running sum's biased exponent
};

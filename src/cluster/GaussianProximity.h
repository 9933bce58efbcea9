// GaussianProximity: how crowded the neighbourhood of an item is. The score
// of item i is the sum over every item j of the table (i itself included) of
// exp(-D(i, j)^2 / width), D(i, j) the difference-matrix entry (the squared
// distance over all normalised dimensions). Items with many close neighbours
// score high.
//
// Each term is taken by exp in double precision and added, j ascending, into
// a single-precision running sum: scores are bit-identical to the plain loop
// over getDiffMatrixEntry. No N x N memory is allocated: entries are
// computed, a block of 128 items at a time, from copies of the table's values
// taken at construction (so a computation may go on in another thread while
// the table itself goes away).
//
// Speed without changing a bit:
//   - a term too small to move the running sum (below a quarter of the sum's
//     float spacing) is skipped before its exp is taken. Terms fall
//     monotonically with D, so "too small for a sum of this binary exponent"
//     is one precomputed threshold on D per exponent;
//   - neighbourhoods: a whole tile of 128 x 128 pairs is skipped when the
//     bounding boxes of its two blocks of items are further apart than every
//     threshold that could apply (tables whose rows come in a spatial order,
//     sorted or grouped, skip most tiles; rows in random order skip few);
//   - every step runs on every core: the entries of a batch of tiles and
//     their terms, and the sums, each row's in its own order (the rows of
//     earlier blocks a tile at a time, the phase's own block in one pass);
//   - with AVX2 and FMA, entries are computed eight (AVX-512: sixteen) at a
//     time and terms four at a time by an approximation of exp
//     (GaussianTerms); a sum takes exp's own term wherever the approximation
//     could round differently.
#pragma once

#include <cstdint>
#include <vector>

class MultidimensionalData;
class WorkProgress;

class GaussianProximity {
public:
    static constexpr int kBlockSize = 128;  // items per block; tiles are kBlockSize x kBlockSize pairs

    // The vector instructions used: the widest this processor has (AVX-512F
    // for entries, AVX2 and FMA for terms, when present), AVX2 and FMA only,
    // or plain C++. All give the same results; tests compare them.
    enum class Lanes { Widest, Avx2, Portable };

    // Copies the table's values (the table is not kept). kernelWidth divides
    // D^2 (0.05^2: the term falls to 1/e at D = 0.05).
    GaussianProximity(const MultidimensionalData* data, float kernelWidth, Lanes lanes = Lanes::Widest);

    // Score of each listed item, written to scores[k]; an index outside the
    // table scores 0.
    void scoreItems(const int32_t* items, int itemNum, float* scores) const;
    // Score of every item 0 ... N - 1, written to scores[i]. Uses the symmetry
    // of the matrix: each pair's term is computed at most once for both rows.
    // Reports tiles done to `progress` and stops (returning false, the scores
    // incomplete) when it is cancelled. threads = 0: as many as the machine has cores.
    bool scoreAllItems(float* scores, WorkProgress* progress = nullptr, int threads = 0) const;

    int getItemNum() const { return itemNum; }
    // Tiles the last scoreAllItems skipped whole by their bounding boxes (for tests and benchmarks).
    int64_t getSkippedTiles() const { return skippedTiles; }

private:
    // Smallest entry D whose term leaves a running sum of the given value
    // unchanged (for a sum of 0: a term that rounds to 0 in float).
    float getSkipThreshold(float runningSum) const;
    double term(float entry) const;
    // Entries (row, first + k) for k in [kFirst, count) of a block, and the
    // ascending k of those that may need their term: !(D >= max(rowThreshold,
    // columnThreshold[k])), so NaN entries pass as the plain loop adds them.
    // Entry `self` (the row's own column, or -1) is 0, as the matrix stores it.
    // Returns the number of such k; entries[c] is the entry of candidates[c].
    // Both arrays need room for kBlockSize + 16 (whole groups of lanes are written).
    int blockCandidates(const float* row, int first, int self, int kFirst, int count, float rowThreshold,
                        const float* columnThreshold, float* entries, uint8_t* candidates) const;
    // A lower bound on every entry between block a and block b (0 when boxes are not usable).
    float boxDistance(int blockA, int blockB) const;
    // The terms of `count` entries: approximations with vector lanes, else exp's own.
    void computeTerms(const float* entries, int count, double* terms) const;

    static constexpr int kExponentNum = 256;  // biased binary exponents of a float

    float kernelWidth;                   // denominator of the exponent
    Lanes lanesUsed;                     // what this processor offers of the lanes asked for
    float skipThreshold[kExponentNum];   // by the running sum's biased exponent
    int itemNum = 0;
    int dimNum = 0;
    int stride = 0;                      // floats per column, a multiple of kBlockSize
    std::vector<float> rows;             // itemNum x dimNum, the table's rows
    std::vector<float> columns;          // dimNum x stride, padded with zeros
    bool boxesUsable = false;            // every value finite: box distances bound the entries
    std::vector<float> boxLow, boxHigh;  // per block and dimension: extremes of its items
    mutable int64_t skippedTiles = 0;
};

#include "cluster/GaussianProximity.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "data/MultidimensionalData.h"

namespace {

// Columns per block of entries computed together (and rows per tile of the
// symmetric pass). A fixed count lets the compiler vectorise the entry loop;
// the running sums of one tile stay in cache.
constexpr int kBlockSize = 128;

float floatFromBits(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

int biasedExponent(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return static_cast<int>((bits >> 23) & 0xffu);
}

// The running sum as the plain loop keeps it: the float sum widened, the
// double term added, the result rounded back to float.
inline void accumulate(float& sum, double term) { sum = static_cast<float>(sum + term); }

// The table's values column by column (dimension-major), each column padded
// with zeros to a whole number of blocks.
struct Columns {
    Columns(const MultidimensionalData& data)
        : itemNum(data.getDataNum()),
          dimNum(data.getActualDimNum()),
          stride((itemNum + kBlockSize - 1) / kBlockSize * kBlockSize),
          values(static_cast<size_t>(stride) * dimNum, 0.0f) {
        for (int i = 0; i < itemNum; ++i) {
            const float* row = data.getDataRow(i);
            for (int d = 0; d < dimNum; ++d) values[static_cast<size_t>(d) * stride + i] = row[d];
        }
    }

    // Entries (row, first + k) for k = 0 ... kBlockSize - 1, with the same
    // expression and dimension order as MultidimensionalData::computeDiffEntry
    // and the stored matrix, so each is bit-identical to getDiffMatrixEntry.
    // Entries past the last item are meaningless.
    void entries(const float* row, int first, float* out) const {
        // Eight columns at a time, their sums kept in registers across the dimensions.
        constexpr int kLanes = 8;
        for (int lane0 = 0; lane0 < kBlockSize; lane0 += kLanes) {
            float sums[kLanes] = {};
            const float* column = values.data() + first + lane0;
            for (int d = 0; d < dimNum; ++d, column += stride) {
                const float value = row[d];
                for (int k = 0; k < kLanes; ++k) {
                    const float delta = column[k] - value;
                    sums[k] += delta * delta;
                }
            }
            for (int k = 0; k < kLanes; ++k) out[lane0 + k] = sums[k];
        }
    }

    int itemNum;
    int dimNum;
    int stride;                 // floats per column, a multiple of kBlockSize
    std::vector<float> values;  // dimNum x stride
};

}  // namespace

GaussianProximity::GaussianProximity(const MultidimensionalData* table, float width)
    : data(table), kernelWidth(width) {
    // A float sum s of biased exponent E >= 1 has spacing 2^(E - 150); for
    // E = 0 (0 and subnormals) the spacing is 2^-149, as for E = 1. A term
    // t < spacing / 4 leaves the sum unchanged: double(s) + t stays below
    // s + spacing / 2 even after rounding to double, so the float rounding
    // returns s. The term is non-increasing in D (float square, division by
    // a positive width and exp are monotonic), so binary search over the bit
    // patterns of non-negative floats (ordered like the values) finds the
    // smallest D whose term is below that bound.
    for (int exponent = 0; exponent < kExponentNum - 1; ++exponent) {
        const double bound = std::ldexp(1.0, std::max(exponent, 1) - 152);
        uint32_t low = 0;            // bits of 0.0f: term 1
        uint32_t high = 0x7f800000;  // bits of +infinity: term 0, below every bound
        if (term(0.0f) < bound) high = 0;
        while (high - low > 1) {
            const uint32_t mid = low + (high - low) / 2;
            if (term(floatFromBits(mid)) < bound) high = mid;
            else low = mid;
        }
        skipThreshold[exponent] = floatFromBits(high);
    }
    // An infinite or NaN sum stays what it is whatever is added.
    skipThreshold[kExponentNum - 1] = 0.0f;
}

float GaussianProximity::getSkipThreshold(float runningSum) const {
    return skipThreshold[biasedExponent(runningSum)];
}

inline double GaussianProximity::term(float entry) const {
    return std::exp(static_cast<double>(-entry * entry / kernelWidth));
}

void GaussianProximity::scoreItems(const int32_t* items, int itemNum, float* scores) const {
    const int n = data ? data->getDataNum() : 0;
    if (n == 0) {
        std::fill(scores, scores + std::max(itemNum, 0), 0.0f);
        return;
    }
    const Columns columns(*data);
    float block[kBlockSize];    // entries (i, first + k)
    int candidates[kBlockSize]; // columns k whose term the row may need
    for (int index = 0; index < itemNum; ++index) {
        const int32_t i = items[index];
        float sum = 0.0f;
        if (i >= 0 && i < n) {
            const float* row = data->getDataRow(i);
            for (int first = 0; first < n; first += kBlockSize) {
                columns.entries(row, first, block);
                if (i >= first && i < first + kBlockSize) block[i - first] = 0.0f;  // D(i, i) = 0, as stored
                const int count = std::min(kBlockSize, n - first);
                // The sum only grows, so its threshold now bounds the block's later ones.
                const float blockThreshold = getSkipThreshold(sum);
                int candidateNum = 0;
                for (int k = 0; k < count; ++k) {
                    candidates[candidateNum] = k;
                    candidateNum += !(block[k] >= blockThreshold);  // NaN entries pass, as the plain loop adds them
                }
                for (int c = 0; c < candidateNum; ++c) {
                    const float d = block[candidates[c]];
                    if (d >= getSkipThreshold(sum)) continue;
                    accumulate(sum, term(d));
                }
            }
        }
        scores[index] = sum;
    }
}

void GaussianProximity::scoreAllItems(float* scores) const {
    const int n = data ? data->getDataNum() : 0;
    std::fill(scores, scores + n, 0.0f);
    if (n == 0) return;
    const Columns columns(*data);
    float block[kBlockSize];          // entries (i, jBlock + k)
    float columnThreshold[kBlockSize]; // skip thresholds of rows jBlock + k at the start of the tile
    int candidates[kBlockSize];       // columns k whose term row i or row jBlock + k may need
    // Every row must receive its terms in ascending column order. Tiles
    // (I, J), I <= J, are visited J-major: row block R then receives column
    // blocks 0 ... R - 1 from tiles (C, R) (transposed) and R from (R, R), all
    // in phase J = R, then block C > R from tile (R, C) in phase J = C.
    // A pair's exp is taken when either of its two rows needs the term; the
    // term is then added to both (adding a negligible term is exact too).
    for (int jBlock = 0; jBlock < n; jBlock += kBlockSize) {
        const int count = std::min(kBlockSize, n - jBlock);
        for (int iBlock = 0; iBlock <= jBlock; iBlock += kBlockSize) {
            const bool diagonal = iBlock == jBlock;
            const int iEnd = std::min(iBlock + kBlockSize, n);
            // Sums only grow, so thresholds only fall: those taken now bound
            // the later ones from above for the whole tile (and a row's
            // threshold at its start bounds it for the row). The filter
            // below is then a superset of the pairs that need their term.
            for (int k = 0; k < count; ++k) columnThreshold[k] = getSkipThreshold(scores[jBlock + k]);
            for (int i = iBlock; i < iEnd; ++i) {
                columns.entries(data->getDataRow(i), jBlock, block);
                float rowSum = scores[i];
                int kFirst = 0;
                if (diagonal) {
                    // Row i has taken j < i from the earlier rows of this
                    // tile; its own term (D = 0, as stored) comes next.
                    accumulate(rowSum, term(0.0f));
                    kFirst = i - jBlock + 1;
                }
                const float rowThreshold = getSkipThreshold(rowSum);
                int candidateNum = 0;
                for (int k = kFirst; k < count; ++k) {
                    candidates[candidateNum] = k;
                    // NaN entries pass, as the plain loop adds them.
                    candidateNum += !(block[k] >= std::max(rowThreshold, columnThreshold[k]));
                }
                for (int c = 0; c < candidateNum; ++c) {
                    const int k = candidates[c];
                    const int j = jBlock + k;
                    const float d = block[k];
                    if (d >= getSkipThreshold(rowSum) && d >= getSkipThreshold(scores[j])) continue;
                    const double t = term(d);
                    accumulate(rowSum, t);
                    accumulate(scores[j], t);  // row j receives i ascending
                }
                scores[i] = rowSum;
            }
        }
    }
}

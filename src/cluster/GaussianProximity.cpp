#include "cluster/GaussianProximity.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <limits>
#include <mutex>
#include <thread>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "data/MultidimensionalData.h"
#include "data/WorkProgress.h"

namespace {

constexpr int kBlock = GaussianProximity::kBlockSize;
// Off-diagonal tiles whose candidates are gathered together before their
// sums are taken: enough to keep every core busy, little enough memory. The
// first batches of a phase are smaller: the phase's rows start with sums of 0,
// whose thresholds let many candidates through, and each batch's sums lower
// the thresholds of the next.
constexpr int kTilesPerBatch = 32;
constexpr int kTilesInFirstBatch = 2;

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

// Entries of one row against kBlock columns and which may need their term.
// The sums run over the dimensions in order with the expression of
// MultidimensionalData::computeDiffEntry, so each entry is bit-identical to
// getDiffMatrixEntry whatever the vector width (no fused multiply-add: the
// build turns contraction off). Plain loops over kBlock lanes, so the compiler
// vectorises them at the width of the target it compiles them for.
__attribute__((always_inline)) inline int computeBlock(const float* columns, int stride, int dimNum, const float* row,
                                                       int self, int kFirst, int count, float rowThreshold,
                                                       const float* columnThreshold, float* entries,
                                                       uint8_t* candidates) {
    float sums[kBlock] = {};
    const float* column = columns;
    for (int d = 0; d < dimNum; ++d, column += stride) {
        const float value = row[d];
        for (int k = 0; k < kBlock; ++k) {
            const float delta = column[k] - value;
            sums[k] += delta * delta;
        }
    }
    if (self >= 0) sums[self] = 0.0f;
    alignas(8) uint8_t pass[kBlock];
    for (int k = 0; k < kBlock; ++k) pass[k] = !(sums[k] >= std::max(rowThreshold, columnThreshold[k]));
    std::fill(pass, pass + kFirst, uint8_t{0});
    std::fill(pass + count, pass + kBlock, uint8_t{0});
    // Few entries pass: skip eight at a time.
    int candidateNum = 0;
    for (int k0 = 0; k0 < kBlock; k0 += 8) {
        uint64_t eight;
        std::memcpy(&eight, pass + k0, sizeof eight);
        if (eight == 0) continue;
        for (int k = k0; k < k0 + 8; ++k) {
            candidates[candidateNum] = static_cast<uint8_t>(k);
            entries[candidateNum] = sums[k];
            candidateNum += pass[k];
        }
    }
    return candidateNum;
}

int computeBlockBaseline(const float* columns, int stride, int dimNum, const float* row, int self, int kFirst,
                         int count, float rowThreshold, const float* columnThreshold, float* entries,
                         uint8_t* candidates) {
    return computeBlock(columns, stride, dimNum, row, self, kFirst, count, rowThreshold, columnThreshold, entries,
                        candidates);
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same with eight lanes per instruction; the comparison and the
// gathering of the passing columns work on lane masks.
__attribute__((target("avx2"))) int computeBlockAvx2(const float* columns, int stride, int dimNum, const float* row,
                                                     int self, int kFirst, int count, float rowThreshold,
                                                     const float* columnThreshold, float* entries,
                                                     uint8_t* candidates) {
    constexpr int kVectors = kBlock / 8;
    alignas(32) float lanes[kBlock];
    // Four independent sums in registers at a time, to cover the adder's latency.
    for (int v0 = 0; v0 < kVectors; v0 += 4) {
        __m256 sum0 = _mm256_setzero_ps(), sum1 = sum0, sum2 = sum0, sum3 = sum0;
        const float* column = columns + 8 * v0;
        for (int d = 0; d < dimNum; ++d, column += stride) {
            const __m256 value = _mm256_set1_ps(row[d]);
            const __m256 delta0 = _mm256_sub_ps(_mm256_loadu_ps(column), value);
            const __m256 delta1 = _mm256_sub_ps(_mm256_loadu_ps(column + 8), value);
            const __m256 delta2 = _mm256_sub_ps(_mm256_loadu_ps(column + 16), value);
            const __m256 delta3 = _mm256_sub_ps(_mm256_loadu_ps(column + 24), value);
            sum0 = _mm256_add_ps(sum0, _mm256_mul_ps(delta0, delta0));
            sum1 = _mm256_add_ps(sum1, _mm256_mul_ps(delta1, delta1));
            sum2 = _mm256_add_ps(sum2, _mm256_mul_ps(delta2, delta2));
            sum3 = _mm256_add_ps(sum3, _mm256_mul_ps(delta3, delta3));
        }
        _mm256_store_ps(lanes + 8 * v0, sum0);
        _mm256_store_ps(lanes + 8 * v0 + 8, sum1);
        _mm256_store_ps(lanes + 8 * v0 + 16, sum2);
        _mm256_store_ps(lanes + 8 * v0 + 24, sum3);
    }
    if (self >= 0) lanes[self] = 0.0f;
    const __m256 rowLimit = _mm256_set1_ps(rowThreshold);
    int candidateNum = 0;
    for (int v = 0; v < kVectors; ++v) {
        const int low = std::clamp(kFirst - 8 * v, 0, 8);
        const int high = std::clamp(count - 8 * v, 0, 8);
        const unsigned inRange = ((1u << high) - 1u) & ~((1u << low) - 1u);
        if (inRange == 0) continue;
        const __m256 limit = _mm256_max_ps(rowLimit, _mm256_loadu_ps(columnThreshold + 8 * v));
        // Not greater or equal, unordered: NaN entries pass.
        unsigned pass = static_cast<unsigned>(
                            _mm256_movemask_ps(_mm256_cmp_ps(_mm256_load_ps(lanes + 8 * v), limit, _CMP_NGE_UQ))) &
                        inRange;
        while (pass != 0) {
            const int k = 8 * v + __builtin_ctz(pass);
            candidates[candidateNum] = static_cast<uint8_t>(k);
            entries[candidateNum] = lanes[k];
            ++candidateNum;
            pass &= pass - 1;
        }
    }
    return candidateNum;
}
#endif

using BlockFunction = int (*)(const float*, int, int, const float*, int, int, int, float, const float*, float*,
                             uint8_t*);

BlockFunction chooseBlockFunction() {
#if defined(__x86_64__) && defined(__GNUC__)
    if (__builtin_cpu_supports("avx2")) return computeBlockAvx2;
#endif
    return computeBlockBaseline;
}

const BlockFunction kComputeBlock = chooseBlockFunction();

// A fixed set of threads that run the tasks 0 ... n - 1 of one call together
// with the calling thread, and return when all are done.
class TaskPool {
public:
    explicit TaskPool(int threadNum) {
        for (int t = 1; t < threadNum; ++t) threads.emplace_back([this] { workerLoop(); });
    }
    ~TaskPool() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        wake.notify_all();
        for (std::thread& thread : threads) thread.join();
    }
    TaskPool(const TaskPool&) = delete;
    TaskPool& operator=(const TaskPool&) = delete;

    void run(int taskNum, const std::function<void(int)>& task) {
        if (threads.empty() || taskNum <= 1) {
            for (int t = 0; t < taskNum; ++t) task(t);
            return;
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            current = &task;
            tasks = taskNum;
            next.store(0);
            busy = static_cast<int>(threads.size());
            ++generation;
        }
        wake.notify_all();
        runTasks(task);
        std::unique_lock<std::mutex> lock(mutex);
        finished.wait(lock, [this] { return busy == 0; });
        current = nullptr;
    }

private:
    void runTasks(const std::function<void(int)>& task) {
        for (int t = next.fetch_add(1); t < tasks; t = next.fetch_add(1)) task(t);
    }
    void workerLoop() {
        uint64_t seen = 0;
        for (;;) {
            const std::function<void(int)>* task = nullptr;
            {
                std::unique_lock<std::mutex> lock(mutex);
                wake.wait(lock, [&] { return stopping || generation != seen; });
                if (stopping) return;
                seen = generation;
                task = current;
            }
            runTasks(*task);
            {
                std::lock_guard<std::mutex> lock(mutex);
                --busy;
            }
            finished.notify_one();
        }
    }

    std::vector<std::thread> threads;
    std::mutex mutex;
    std::condition_variable wake, finished;
    const std::function<void(int)>* current = nullptr;
    int tasks = 0;
    std::atomic<int> next{0};
    int busy = 0;
    uint64_t generation = 0;
    bool stopping = false;
};

// Candidates of one off-diagonal tile: for each of its rows, the columns k
// (ascending) whose term the row or the column may need, with their entries.
struct TileCandidates {
    bool skipped = false;
    int rowEnd[kBlock] = {};  // candidates of row r end at rowEnd[r]
    uint8_t columns[kBlock * kBlock];
    float entries[kBlock * kBlock];
};

}  // namespace

GaussianProximity::GaussianProximity(const MultidimensionalData* data, float width) : kernelWidth(width) {
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

    if (data == nullptr || data->getDataNum() <= 0) return;
    itemNum = data->getDataNum();
    dimNum = data->getActualDimNum();
    stride = (itemNum + kBlock - 1) / kBlock * kBlock;
    rows.assign(data->getDataRow(0), data->getDataRow(0) + static_cast<size_t>(itemNum) * dimNum);
    columns.assign(static_cast<size_t>(stride) * dimNum, 0.0f);
    boxesUsable = true;
    for (int i = 0; i < itemNum; ++i) {
        for (int d = 0; d < dimNum; ++d) {
            const float value = rows[static_cast<size_t>(i) * dimNum + d];
            columns[static_cast<size_t>(d) * stride + i] = value;
            boxesUsable = boxesUsable && std::isfinite(value);
        }
    }
    if (!boxesUsable) return;
    const int blockNum = stride / kBlock;
    boxLow.assign(static_cast<size_t>(blockNum) * dimNum, std::numeric_limits<float>::infinity());
    boxHigh.assign(static_cast<size_t>(blockNum) * dimNum, -std::numeric_limits<float>::infinity());
    for (int i = 0; i < itemNum; ++i) {
        const size_t box = static_cast<size_t>(i / kBlock) * dimNum;
        for (int d = 0; d < dimNum; ++d) {
            const float value = rows[static_cast<size_t>(i) * dimNum + d];
            boxLow[box + d] = std::min(boxLow[box + d], value);
            boxHigh[box + d] = std::max(boxHigh[box + d], value);
        }
    }
}

float GaussianProximity::getSkipThreshold(float runningSum) const {
    return skipThreshold[biasedExponent(runningSum)];
}

inline double GaussianProximity::term(float entry) const {
    return std::exp(static_cast<double>(-entry * entry / kernelWidth));
}

int GaussianProximity::blockCandidates(const float* row, int first, int self, int kFirst, int count,
                                       float rowThreshold, const float* columnThreshold, float* entries,
                                       uint8_t* candidates) const {
    return kComputeBlock(columns.data() + first, stride, dimNum, row, self, kFirst, count, rowThreshold, columnThreshold,
                         entries, candidates);
}

// Per dimension, the gap between the two boxes (0 where they overlap),
// squared and summed in dimension order with float operations: rounding is
// monotonic, so for items x in a and y in b each step is at most the
// corresponding step of D(x, y), and the bound never exceeds an entry.
float GaussianProximity::boxDistance(int blockA, int blockB) const {
    if (!boxesUsable) return 0.0f;
    const float* lowA = boxLow.data() + static_cast<size_t>(blockA) * dimNum;
    const float* highA = boxHigh.data() + static_cast<size_t>(blockA) * dimNum;
    const float* lowB = boxLow.data() + static_cast<size_t>(blockB) * dimNum;
    const float* highB = boxHigh.data() + static_cast<size_t>(blockB) * dimNum;
    float bound = 0.0f;
    for (int d = 0; d < dimNum; ++d) {
        float gap = 0.0f;
        if (lowB[d] > highA[d]) gap = lowB[d] - highA[d];
        else if (lowA[d] > highB[d]) gap = lowA[d] - highB[d];
        bound += gap * gap;
    }
    return bound;
}

void GaussianProximity::scoreItems(const int32_t* items, int count, float* scores) const {
    if (itemNum == 0) {
        std::fill(scores, scores + std::max(count, 0), 0.0f);
        return;
    }
    static const float kNoColumnThreshold[kBlock] = {};  // thresholds are >= 0: the row's decides
    float entries[kBlock];
    uint8_t candidates[kBlock];
    for (int index = 0; index < count; ++index) {
        const int32_t i = items[index];
        float sum = 0.0f;
        if (i >= 0 && i < itemNum) {
            const float* row = rows.data() + static_cast<size_t>(i) * dimNum;
            for (int first = 0; first < itemNum; first += kBlock) {
                // The sum only grows, so its threshold now bounds the block's later ones.
                const int self = i >= first && i < first + kBlock ? i - first : -1;  // D(i, i) = 0, as stored
                const int candidateNum = blockCandidates(row, first, self, 0, std::min(kBlock, itemNum - first),
                                                         getSkipThreshold(sum), kNoColumnThreshold, entries, candidates);
                for (int c = 0; c < candidateNum; ++c) {
                    const float d = entries[c];
                    if (d >= getSkipThreshold(sum)) continue;
                    accumulate(sum, term(d));
                }
            }
        }
        scores[index] = sum;
    }
}

bool GaussianProximity::scoreAllItems(float* scores, WorkProgress* progress, int threads) const {
    std::fill(scores, scores + itemNum, 0.0f);
    skippedTiles = 0;
    const int blockNum = (itemNum + kBlock - 1) / kBlock;
    if (progress) progress->setTotal(static_cast<int64_t>(blockNum) * (blockNum + 1) / 2);
    if (itemNum == 0) return !(progress && progress->isCancelled());

    if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    TaskPool pool(std::min(threads, 16));
    std::vector<TileCandidates> batch(static_cast<size_t>(std::min(kTilesPerBatch, std::max(blockNum - 1, 1))));
    std::vector<int64_t> skippedInSlot(batch.size(), 0);
    float columnThreshold[kBlock];  // skip thresholds of the phase's rows, at the start of a batch or tile
    float entries[kBlock];
    uint8_t candidates[kBlock];

    // Every row must receive its terms in ascending column order. Tiles
    // (I, J), I <= J, are visited J-major: row block R then receives column
    // blocks 0 ... R - 1 from tiles (C, R) (transposed) and R from (R, R), all
    // in phase J = R, then block C > R from tile (R, C) in phase J = C.
    // A pair's exp is taken when either of its two rows needs the term; the
    // term is then added to both (adding a negligible term is exact too).
    for (int jBlockIndex = 0; jBlockIndex < blockNum; ++jBlockIndex) {
        const int jBlock = jBlockIndex * kBlock;
        const int count = std::min(kBlock, itemNum - jBlock);

        // Off-diagonal tiles, a batch at a time: candidates on every core,
        // then the sums on this thread, tile by tile in ascending order.
        int batchSize = kTilesInFirstBatch;
        for (int batchStart = 0; batchStart < jBlockIndex; batchStart += batchSize, batchSize = std::min(2 * batchSize, kTilesPerBatch)) {
            const int batchEnd = std::min(jBlockIndex, batchStart + batchSize);
            // Sums only grow, so thresholds only fall: those taken now bound
            // the later ones from above for the whole batch (and a row's
            // threshold at its start bounds it for the row). The candidates
            // are then a superset of the pairs that need their term.
            float columnMax = 0.0f;
            for (int k = 0; k < count; ++k) {
                columnThreshold[k] = getSkipThreshold(scores[jBlock + k]);
                columnMax = std::max(columnMax, columnThreshold[k]);
            }
            pool.run(batchEnd - batchStart, [&](int slot) {
                TileCandidates& tile = batch[static_cast<size_t>(slot)];
                const int iBlockIndex = batchStart + slot;
                const int iBlock = iBlockIndex * kBlock;
                // Rows of this tile are written only by this tile's sums, taken after this step.
                float rowMax = 0.0f;
                for (int r = 0; r < kBlock; ++r) rowMax = std::max(rowMax, getSkipThreshold(scores[iBlock + r]));
                tile.skipped = boxDistance(iBlockIndex, jBlockIndex) >= std::max(rowMax, columnMax);
                if (tile.skipped) {
                    ++skippedInSlot[static_cast<size_t>(slot)];
                    return;
                }
                int end = 0;
                for (int r = 0; r < kBlock; ++r) {
                    const int i = iBlock + r;
                    end += blockCandidates(rows.data() + static_cast<size_t>(i) * dimNum, jBlock, -1, 0, count,
                                           getSkipThreshold(scores[i]), columnThreshold, tile.entries + end,
                                           tile.columns + end);
                    tile.rowEnd[r] = end;
                }
            });
            for (int slot = 0; slot < batchEnd - batchStart; ++slot) {
                const TileCandidates& tile = batch[static_cast<size_t>(slot)];
                if (tile.skipped) continue;
                const int iBlock = (batchStart + slot) * kBlock;
                int begin = 0;
                for (int r = 0; r < kBlock; ++r) {
                    const int i = iBlock + r;
                    float rowSum = scores[i];
                    for (int c = begin; c < tile.rowEnd[r]; ++c) {
                        const int j = jBlock + tile.columns[c];
                        const float d = tile.entries[c];
                        if (d >= getSkipThreshold(rowSum) && d >= getSkipThreshold(scores[j])) continue;
                        const double t = term(d);
                        accumulate(rowSum, t);
                        accumulate(scores[j], t);  // row j receives i ascending
                    }
                    begin = tile.rowEnd[r];
                    scores[i] = rowSum;
                }
            }
            if (progress) {
                progress->advance(batchEnd - batchStart);
                if (progress->isCancelled()) return false;
            }
        }

        // The diagonal tile, on this thread.
        for (int k = 0; k < count; ++k) columnThreshold[k] = getSkipThreshold(scores[jBlock + k]);
        for (int i = jBlock; i < jBlock + count; ++i) {
            // Row i has taken j < i from the earlier rows of this tile; its
            // own term (D = 0, as stored) comes next.
            float rowSum = scores[i];
            accumulate(rowSum, term(0.0f));
            const int candidateNum = blockCandidates(rows.data() + static_cast<size_t>(i) * dimNum, jBlock, -1,
                                                     i - jBlock + 1,
                                                     count, getSkipThreshold(rowSum), columnThreshold, entries,
                                                     candidates);
            for (int c = 0; c < candidateNum; ++c) {
                const int j = jBlock + candidates[c];
                const float d = entries[c];
                if (d >= getSkipThreshold(rowSum) && d >= getSkipThreshold(scores[j])) continue;
                const double t = term(d);
                accumulate(rowSum, t);
                accumulate(scores[j], t);
            }
            scores[i] = rowSum;
        }
        if (progress) {
            progress->advance(1);
            if (progress->isCancelled()) return false;
        }
    }
    for (int64_t skipped : skippedInSlot) skippedTiles += skipped;
    return true;
}

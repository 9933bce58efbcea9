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

#include "cluster/GaussianTerms.h"
#include "data/MultidimensionalData.h"
#include "data/WorkProgress.h"

namespace {

constexpr int kBlock = GaussianProximity::kBlockSize;
// Candidates of a row of kBlock columns take up to this many places: the
// wide gathering writes whole groups of lanes past the last one.
constexpr int kCandidateRoom = kBlock + 16;
// Off-diagonal tiles of a phase are gathered a batch at a time: enough to
// keep every core busy and to pay for the hand-over between steps, little
// enough memory. The first two batches are small and taken one after the
// other: the phase's rows start with sums of 0, whose thresholds let many
// candidates through, and the first batch's sums lower the thresholds of the
// later ones. From the third batch on, a batch is gathered while the one
// before it is summed, with the thresholds from before that sum (sums only
// grow, so thresholds taken earlier let through a superset).
constexpr int kTilesInFirstBatch = 4;
constexpr int kTilesInSecondBatch = 12;
constexpr int kTilesPerBatch = 64;
constexpr int kMostThreads = 16;

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
// Lanes of eight entries below both their row's and their column's threshold
// (not greater or equal, unordered: NaN entries pass), as bits.
__attribute__((target("avx2"))) inline uint64_t passingLanes(__m256 entries, __m256 rowLimit,
                                                             const float* columnThreshold) {
    const __m256 limit = _mm256_max_ps(rowLimit, _mm256_loadu_ps(columnThreshold));
    return static_cast<uint32_t>(_mm256_movemask_ps(_mm256_cmp_ps(entries, limit, _CMP_NGE_UQ)));
}

// The same with eight lanes per instruction. Each group of 32 lanes is
// compared with its thresholds while its sums are still in registers; the
// passing lanes of the block become a 128-bit mask whose set bits are then
// taken in order (a few percent pass: a bit at a time beats moving every
// group of eight through a permutation).
__attribute__((target("avx2"))) int computeBlockAvx2(const float* columns, int stride, int dimNum,
                                                         const float* row, int self, int kFirst, int count,
                                                         float rowThreshold, const float* columnThreshold,
                                                         float* entries, uint8_t* candidates) {
    constexpr int kVectors = kBlock / 8;
    alignas(32) float lanes[kBlock];
    const __m256 rowLimit = _mm256_set1_ps(rowThreshold);
    uint64_t pass[2] = {0, 0};  // lane k at bit k % 64 of word k / 64
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
        const uint64_t group = passingLanes(sum0, rowLimit, columnThreshold + 8 * v0) |
                               passingLanes(sum1, rowLimit, columnThreshold + 8 * v0 + 8) << 8 |
                               passingLanes(sum2, rowLimit, columnThreshold + 8 * v0 + 16) << 16 |
                               passingLanes(sum3, rowLimit, columnThreshold + 8 * v0 + 24) << 24;
        pass[v0 / 8] |= group << (8 * (v0 % 8));
    }
    if (self >= 0) {
        // The row's own column: entry 0, whatever its lanes gave.
        lanes[self] = 0.0f;
        const uint64_t bit = uint64_t{1} << (self % 64);
        const bool passes = !(0.0f >= std::max(rowThreshold, columnThreshold[self]));
        pass[self / 64] = passes ? pass[self / 64] | bit : pass[self / 64] & ~bit;
    }
    int candidateNum = 0;
    for (int word = 0; word < 2; ++word) {
        // Lanes [kFirst, count) only.
        const int low = std::clamp(kFirst - 64 * word, 0, 64);
        const int high = std::clamp(count - 64 * word, 0, 64);
        const uint64_t below = high == 64 ? ~uint64_t{0} : (uint64_t{1} << high) - 1;
        const uint64_t under = low == 64 ? ~uint64_t{0} : (uint64_t{1} << low) - 1;
        for (uint64_t bits = pass[word] & below & ~under; bits != 0; bits &= bits - 1) {
            const int k = 64 * word + __builtin_ctzll(bits);
            entries[candidateNum] = lanes[k];
            candidates[candidateNum] = static_cast<uint8_t>(k);
            ++candidateNum;
        }
    }
    return candidateNum;
}

// The same with sixteen lanes per instruction (AVX-512F): half the
// instructions for the same arithmetic, and the passing lanes gathered by
// the processor's own compress instructions.
__attribute__((target("avx512f"))) int computeBlockAvx512(const float* columns, int stride, int dimNum,
                                                         const float* row, int self, int kFirst, int count,
                                                         float rowThreshold, const float* columnThreshold,
                                                         float* entries, uint8_t* candidates) {
    constexpr int kVectors = kBlock / 16;
    alignas(64) float lanes[kBlock];
    // Four independent sums in registers at a time, to cover the adder's latency.
    for (int v0 = 0; v0 < kVectors; v0 += 4) {
        __m512 sum0 = _mm512_setzero_ps(), sum1 = sum0, sum2 = sum0, sum3 = sum0;
        const float* column = columns + 16 * v0;
        for (int d = 0; d < dimNum; ++d, column += stride) {
            const __m512 value = _mm512_set1_ps(row[d]);
            const __m512 delta0 = _mm512_sub_ps(_mm512_loadu_ps(column), value);
            const __m512 delta1 = _mm512_sub_ps(_mm512_loadu_ps(column + 16), value);
            const __m512 delta2 = _mm512_sub_ps(_mm512_loadu_ps(column + 32), value);
            const __m512 delta3 = _mm512_sub_ps(_mm512_loadu_ps(column + 48), value);
            sum0 = _mm512_add_ps(sum0, _mm512_mul_ps(delta0, delta0));
            sum1 = _mm512_add_ps(sum1, _mm512_mul_ps(delta1, delta1));
            sum2 = _mm512_add_ps(sum2, _mm512_mul_ps(delta2, delta2));
            sum3 = _mm512_add_ps(sum3, _mm512_mul_ps(delta3, delta3));
        }
        _mm512_store_ps(lanes + 16 * v0, sum0);
        _mm512_store_ps(lanes + 16 * v0 + 16, sum1);
        _mm512_store_ps(lanes + 16 * v0 + 32, sum2);
        _mm512_store_ps(lanes + 16 * v0 + 48, sum3);
    }
    if (self >= 0) lanes[self] = 0.0f;
    const __m512 rowLimit = _mm512_set1_ps(rowThreshold);
    __mmask16 pass[kVectors];
    for (int v = 0; v < kVectors; ++v) {
        // Not greater or equal to the larger threshold, unordered: NaN entries pass.
        const __m512 sums = _mm512_load_ps(lanes + 16 * v);
        pass[v] = _mm512_cmp_ps_mask(sums, rowLimit, _CMP_NGE_UQ) |
                  _mm512_cmp_ps_mask(sums, _mm512_loadu_ps(columnThreshold + 16 * v), _CMP_NGE_UQ);
    }
    if (kFirst > 0 || count < kBlock) {
        for (int v = 0; v < kVectors; ++v) {
            const int low = std::clamp(kFirst - 16 * v, 0, 16);
            const int high = std::clamp(count - 16 * v, 0, 16);
            pass[v] &= static_cast<__mmask16>(((1u << high) - 1u) & ~((1u << low) - 1u));
        }
    }
    const __m512i laneNumbers = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    int candidateNum = 0;
    for (int v = 0; v < kVectors; ++v) {
        // Whole registers stored: the places past the passing lanes are overwritten later or unused.
        _mm512_storeu_ps(entries + candidateNum, _mm512_maskz_compress_ps(pass[v], _mm512_load_ps(lanes + 16 * v)));
        const __m512i columnNumbers = _mm512_add_epi32(laneNumbers, _mm512_set1_epi32(16 * v));
        const int passing = __builtin_popcount(pass[v]);
        _mm512_mask_cvtepi32_storeu_epi8(candidates + candidateNum, static_cast<__mmask16>((1u << passing) - 1u),
                                         _mm512_maskz_compress_epi32(pass[v], columnNumbers));
        candidateNum += passing;
    }
    return candidateNum;
}
#endif

using BlockFunction = int (*)(const float*, int, int, const float*, int, int, int, float, const float*, float*,
                             uint8_t*);

// The widest entries this processor computes: 16 lanes with AVX-512F, 8 with
// AVX2; both take the terms' approximations, which need AVX2 and FMA.
GaussianProximity::Lanes widestLanes(GaussianProximity::Lanes wanted) {
#if defined(__x86_64__) && defined(__GNUC__)
    using Lanes = GaussianProximity::Lanes;
    if (wanted == Lanes::Portable || !__builtin_cpu_supports("avx2") || !GaussianTerms::canApproximate()) {
        return Lanes::Portable;
    }
    if (wanted == Lanes::Widest && __builtin_cpu_supports("avx512f")) return Lanes::Widest;
    return Lanes::Avx2;
#else
    (void)wanted;
    return GaussianProximity::Lanes::Portable;
#endif
}

BlockFunction blockFunction(GaussianProximity::Lanes lanes) {
#if defined(__x86_64__) && defined(__GNUC__)
    if (lanes == GaussianProximity::Lanes::Widest) return computeBlockAvx512;
    if (lanes == GaussianProximity::Lanes::Avx2) return computeBlockAvx2;
#else
    (void)lanes;
#endif
    return computeBlockBaseline;
}

// A fixed set of threads that run the tasks 0 ... n - 1 of one call together
// with the calling thread, and return when all are done. A density ordering
// makes thousands of such calls a second, on a machine that may be busy with
// other work: the caller does not wait for a helper that has not woken up
// (it takes the tasks itself), and waiting threads spin briefly before they
// sleep, since the next call or the last task usually comes within
// microseconds.
class TaskPool {
public:
    explicit TaskPool(int threadNum) {
        for (int t = 1; t < threadNum; ++t) threads.emplace_back([this] { workerLoop(); });
    }
    ~TaskPool() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
            stoppingFlag.store(true);
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
        uint32_t generation;
        {
            std::lock_guard<std::mutex> lock(mutex);
            generation = ++currentGeneration;
            current = &task;
            tasks = taskNum;
            done.store(0);
            claims.store(uint64_t{generation} << 32);
        }
        wake.notify_all();
        runTasks(generation, taskNum, task);
        if (!spinUntil([&] { return done.load() == taskNum; })) {
            std::unique_lock<std::mutex> lock(mutex);
            finished.wait(lock, [&] { return done.load() == taskNum; });
        }
    }

private:
    static constexpr int kSpins = 500;  // about 20 microseconds of pauses

    template <class Condition>
    static bool spinUntil(const Condition& condition) {
        for (int spin = 0; spin < kSpins; ++spin) {
            if (condition()) return true;
#if defined(__x86_64__) && defined(__GNUC__)
            __builtin_ia32_pause();
#endif
        }
        return condition();
    }

    // Claims and runs tasks of the given call (the claim counter holds the
    // call's number beside the next task, so a late helper never claims a
    // task of a later call).
    void runTasks(uint32_t generation, int taskNum, const std::function<void(int)>& task) {
        for (;;) {
            uint64_t claim = claims.load();
            do {
                if ((claim >> 32) != generation || static_cast<int>(claim & 0xffffffffu) >= taskNum) return;
            } while (!claims.compare_exchange_weak(claim, claim + 1));
            task(static_cast<int>(claim & 0xffffffffu));
            if (done.fetch_add(1) + 1 == taskNum) {
                std::lock_guard<std::mutex> lock(mutex);
                finished.notify_one();
            }
        }
    }
    void workerLoop() {
        uint32_t seen = 0;
        for (;;) {
            spinUntil([&] { return stoppingFlag.load() || (claims.load() >> 32) != seen; });
            const std::function<void(int)>* task = nullptr;
            int taskNum = 0;
            {
                std::unique_lock<std::mutex> lock(mutex);
                wake.wait(lock, [&] { return stopping || currentGeneration != seen; });
                if (stopping) return;
                seen = currentGeneration;
                task = current;
                taskNum = tasks;
            }
            runTasks(seen, taskNum, *task);
        }
    }

    std::vector<std::thread> threads;
    std::mutex mutex;
    std::condition_variable wake, finished;
    const std::function<void(int)>* current = nullptr;  // the call's tasks (under mutex)
    int tasks = 0;                                       // the call's task count (under mutex)
    uint32_t currentGeneration = 0;                      // calls made (under mutex)
    std::atomic<uint64_t> claims{0};                     // call number << 32 | next task
    std::atomic<int> done{0};                            // tasks of the current call finished
    bool stopping = false;                               // under mutex
    std::atomic<bool> stoppingFlag{false};               // the same, for spinning helpers
};

// Candidates of one off-diagonal tile: for each of its rows, the columns k
// (ascending) whose term the row or the column may need, with their entries.
// Candidates of one off-diagonal tile: for each of its rows, the columns k
// (ascending) whose term the row or the column may need, with their entries
// and terms. The arrays grow to what the tile needs (a few percent of its
// pairs on most tables) and are kept for the next batch.
struct TileCandidates {
    bool skipped = false;
    int rowEnd[kBlock] = {};  // candidates of row r end at rowEnd[r]
    std::vector<uint8_t> columns;
    std::vector<float> entries;
    std::vector<double> terms;  // approximations (GaussianTerms), or exp's own
    void makeRoom(size_t candidates) {
        if (columns.size() >= candidates) return;
        columns.resize(candidates);
        entries.resize(candidates);
        terms.resize(candidates);
    }
};

// Tiles [first, first + size) of a phase, gathered into the slots from `slot` on.
struct Batch {
    int first = 0;
    int size = 0;
    int slot = 0;
};

}  // namespace

GaussianProximity::GaussianProximity(const MultidimensionalData* data, float width, Lanes lanes)
    : kernelWidth(width), lanesUsed(widestLanes(lanes)) {
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
    return blockFunction(lanesUsed)(columns.data() + first, stride, dimNum, row, self, kFirst, count, rowThreshold,
                                    columnThreshold, entries, candidates);
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
    float entries[kCandidateRoom];
    uint8_t candidates[kCandidateRoom];
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
    TaskPool pool(std::min(threads, kMostThreads));
    // Two batches' slots: one batch is summed while the next is gathered.
    std::vector<TileCandidates> slots(static_cast<size_t>(2 * std::min(kTilesPerBatch, std::max(blockNum - 1, 1))));
    const int slotsPerBatch = static_cast<int>(slots.size()) / 2;
    std::vector<int64_t> skippedInSlot(slots.size(), 0);
    float columnThreshold[kBlock];  // skip thresholds of the phase's rows when a batch is gathered
    float entries[kCandidateRoom];
    uint8_t candidates[kCandidateRoom];

    // Candidates of tile (I, J) of the batch, I = batch.first + k, into its slot.
    auto gatherTile = [&](const Batch& batch, int k, int jBlockIndex, int count, float columnMax) {
        TileCandidates& tile = slots[static_cast<size_t>(batch.slot + k)];
        const int iBlockIndex = batch.first + k;
        const int iBlock = iBlockIndex * kBlock;
        const int jBlock = jBlockIndex * kBlock;
        // Rows of this tile are written only by this tile's sums, taken after this step.
        float rowMax = 0.0f;
        for (int r = 0; r < kBlock; ++r) rowMax = std::max(rowMax, getSkipThreshold(scores[iBlock + r]));
        tile.skipped = boxDistance(iBlockIndex, jBlockIndex) >= std::max(rowMax, columnMax);
        if (tile.skipped) {
            ++skippedInSlot[static_cast<size_t>(batch.slot + k)];
            return;
        }
        int end = 0;
        for (int r = 0; r < kBlock; ++r) {
            const int i = iBlock + r;
            tile.makeRoom(static_cast<size_t>(end + kCandidateRoom));
            end += blockCandidates(rows.data() + static_cast<size_t>(i) * dimNum, jBlock, -1, 0, count,
                                   getSkipThreshold(scores[i]), columnThreshold, tile.entries.data() + end,
                                   tile.columns.data() + end);
            tile.rowEnd[r] = end;
        }
        computeTerms(tile.entries.data(), end, tile.terms.data());
    };
    // Rows of the phase's block J take the batch's candidates in row order (i ascending).
    const bool sixteenLanes = lanesUsed == Lanes::Widest;
    auto sumColumns = [&](const Batch& batch, int jBlockIndex) {
        float* columnSums = scores + static_cast<size_t>(jBlockIndex) * kBlock;
        for (int k = 0; k < batch.size; ++k) {
            const TileCandidates& tile = slots[static_cast<size_t>(batch.slot + k)];
            if (tile.skipped) continue;
            GaussianTerms::addToColumns(tile.columns.data(), tile.terms.data(), tile.entries.data(), tile.rowEnd,
                                        kBlock, kernelWidth, columnSums, sixteenLanes);
        }
    };
    // Rows of tile k's block I take its candidates (j ascending).
    auto sumRows = [&](const Batch& batch, int k) {
        const TileCandidates& tile = slots[static_cast<size_t>(batch.slot + k)];
        if (tile.skipped) return;
        float* rowSums = scores + static_cast<size_t>(batch.first + k) * kBlock;
        GaussianTerms::addToRows(tile.terms.data(), tile.entries.data(), tile.rowEnd, kBlock, kernelWidth, rowSums,
                                 sixteenLanes);
    };

    // Every row must receive its terms in ascending column order. Tiles
    // (I, J), I <= J, are visited J-major: row block R then receives column
    // blocks 0 ... R - 1 from tiles (C, R) (transposed) and R from (R, R), all
    // in phase J = R, then block C > R from tile (R, C) in phase J = C.
    // A pair's term is taken when either of its two rows may need it and is
    // added to both (adding a negligible term is exact too).
    for (int jBlockIndex = 0; jBlockIndex < blockNum; ++jBlockIndex) {
        const int jBlock = jBlockIndex * kBlock;
        const int count = std::min(kBlock, itemNum - jBlock);

        // Off-diagonal tiles: each step gathers a batch (candidates and terms
        // on every core) and sums the batch before it (block J's rows in one
        // task, each tile's rows of block I in one task each).
        Batch toSum;
        int batchIndex = 0;
        for (int first = 0; first < jBlockIndex || toSum.size > 0; ++batchIndex) {
            const int wanted = batchIndex == 0 ? kTilesInFirstBatch
                                               : batchIndex == 1 ? kTilesInSecondBatch : kTilesPerBatch;
            Batch gathered;
            gathered.first = first;
            gathered.size = std::min({wanted, slotsPerBatch, jBlockIndex - first});
            gathered.slot = (batchIndex % 2) * slotsPerBatch;
            if (batchIndex < 2 && toSum.size > 0 && gathered.size > 0) {
                // The first batch's sums come before the second batch is gathered.
                pool.run(1 + toSum.size, [&](int task) {
                    if (task == 0) sumColumns(toSum, jBlockIndex);
                    else sumRows(toSum, task - 1);
                });
                if (progress) progress->advance(toSum.size);
                toSum = Batch();
            }
            float columnMax = 0.0f;
            for (int k = 0; k < count; ++k) {
                columnThreshold[k] = getSkipThreshold(scores[jBlock + k]);
                columnMax = std::max(columnMax, columnThreshold[k]);
            }
            const int sumTasks = toSum.size > 0 ? 1 + toSum.size : 0;
            // The longest task, block J's rows, first.
            pool.run(sumTasks + gathered.size, [&](int task) {
                if (task == 0 && sumTasks > 0) sumColumns(toSum, jBlockIndex);
                else if (task < sumTasks) sumRows(toSum, task - 1);
                else gatherTile(gathered, task - sumTasks, jBlockIndex, count, columnMax);
            });
            if (progress) {
                progress->advance(toSum.size);
                if (progress->isCancelled()) return false;
            }
            toSum = gathered;
            first += gathered.size;
        }

        // The diagonal tile, on this thread.
        for (int k = 0; k < count; ++k) columnThreshold[k] = getSkipThreshold(scores[jBlock + k]);
        for (int i = jBlock; i < jBlock + count; ++i) {
            // Row i has taken j < i from the earlier rows of this tile; its
            // own term (D = 0, as stored) comes next.
            float rowSum = scores[i];
            accumulate(rowSum, term(0.0f));
            const int candidateNum = blockCandidates(rows.data() + static_cast<size_t>(i) * dimNum, jBlock, -1,
                                                     i - jBlock + 1, count, getSkipThreshold(rowSum), columnThreshold,
                                                     entries, candidates);
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

void GaussianProximity::computeTerms(const float* entries, int count, double* terms) const {
    if (lanesUsed != Lanes::Portable) {
        GaussianTerms::approximate(entries, count, kernelWidth, terms);
        return;
    }
    for (int k = 0; k < count; ++k) terms[k] = term(entries[k]);
}

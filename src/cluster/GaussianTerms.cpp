#include "cluster/GaussianTerms.h"

#include <algorithm>
#include <cmath>
#include <limits>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace {

#if defined(__x86_64__) && defined(__GNUC__)
// exp(x) = 2^m * 2^(j/4) * exp(r), x = (4m + j) ln2/4 + r, |r| <= ln2/8:
// exp(r) by its Taylor polynomial to degree 9 (truncation below 2^-56 at
// |r| = ln2/8), evaluated in Estrin's order (a short chain of dependent
// steps), 2^(j/4) from a table of four held in one register, 2^m written
// into the exponent. Valid for x in [-708, 0] (2^m stays normal).
__attribute__((target("avx2,fma"), always_inline)) inline __m256d expLanes(__m256d x) {
    const __m256d quartersPerUnit = _mm256_set1_pd(4.0 / 0.693147180559945309417232121458);  // 4 / ln2
    const __m256d quarterHigh = _mm256_set1_pd(0x1.62e42fefa39efp-3);   // ln2/4, leading bits
    const __m256d quarterLow = _mm256_set1_pd(0x1.abc9e3b39803fp-58);   // ln2/4 - quarterHigh
    const __m256d k = _mm256_round_pd(_mm256_mul_pd(x, quartersPerUnit), _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    __m256d r = _mm256_fnmadd_pd(k, quarterHigh, x);
    r = _mm256_fnmadd_pd(k, quarterLow, r);
    const __m256d r2 = _mm256_mul_pd(r, r);
    const __m256d r4 = _mm256_mul_pd(r2, r2);
    const __m256d r8 = _mm256_mul_pd(r4, r4);
    // exp(r) - 1 = r + r^2 (1/2 + r/6) + r^4 (1/24 + r/120 + r^2 (1/720 + r/5040)) + r^8 (1/40320 + r/362880);
    // the 1 added last, so that the small part's roundings stay small.
    const __m256d q1 = _mm256_fmadd_pd(_mm256_set1_pd(1.0 / 6), r, _mm256_set1_pd(0.5));
    const __m256d q2 = _mm256_fmadd_pd(_mm256_set1_pd(1.0 / 120), r, _mm256_set1_pd(1.0 / 24));
    const __m256d q3 = _mm256_fmadd_pd(_mm256_set1_pd(1.0 / 5040), r, _mm256_set1_pd(1.0 / 720));
    const __m256d q4 = _mm256_fmadd_pd(_mm256_set1_pd(1.0 / 362880), r, _mm256_set1_pd(1.0 / 40320));
    const __m256d low = _mm256_fmadd_pd(q1, r2, r);
    const __m256d high = _mm256_fmadd_pd(q3, r2, q2);
    const __m256d small = _mm256_fmadd_pd(q4, r8, _mm256_fmadd_pd(high, r4, low));
    const __m256d p = _mm256_add_pd(_mm256_set1_pd(1.0), small);
    const __m128i quarters = _mm256_cvtpd_epi32(k);
    const __m256i j = _mm256_cvtepi32_epi64(_mm_and_si128(quarters, _mm_set1_epi32(3)));
    const __m256i m = _mm256_cvtepi32_epi64(_mm_srai_epi32(quarters, 2));
    // 2^(j/4) for j = 0..3, as eight 32-bit halves: lane j takes halves 2j and 2j + 1.
    const __m256i table = _mm256_castpd_si256(
        _mm256_setr_pd(1.0, 0x1.306fe0a31b715p+0, 0x1.6a09e667f3bcdp+0, 0x1.ae89f995ad3adp+0));
    const __m256i halves = _mm256_or_si256(_mm256_slli_epi64(j, 1),
                                           _mm256_slli_epi64(_mm256_add_epi64(_mm256_slli_epi64(j, 1), _mm256_set1_epi64x(1)), 32));
    const __m256d quarterPower = _mm256_castsi256_pd(_mm256_permutevar8x32_epi32(table, halves));
    const __m256d power = _mm256_castsi256_pd(_mm256_slli_epi64(_mm256_add_epi64(m, _mm256_set1_epi64x(1023)), 52));
    return _mm256_mul_pd(_mm256_mul_pd(p, quarterPower), power);
}

// Four terms from four entries.
__attribute__((target("avx2,fma"), always_inline)) inline void approximateFour(const float* entries, float width, double* terms) {
    // -D * D / width in float, as the density sums take it.
    const __m128 entry = _mm_loadu_ps(entries);
    const __m128 argument = _mm_div_ps(_mm_mul_ps(_mm_xor_ps(entry, _mm_set1_ps(-0.0f)), entry), _mm_set1_ps(width));
    const __m256d x = _mm256_cvtps_pd(argument);
    // In range (which also leaves NaN out), or NaN.
    const __m256d inRange = _mm256_cmp_pd(x, _mm256_set1_pd(GaussianTerms::kLowestArgument), _CMP_GE_OQ);
    const __m256d notANumber = _mm256_set1_pd(std::numeric_limits<double>::quiet_NaN());
    _mm256_storeu_pd(terms, _mm256_blendv_pd(notANumber, expLanes(x), inRange));
}

__attribute__((target("avx2,fma"))) void approximateLanes(const float* entries, int count, float width, double* terms) {
    int k = 0;
    // Eight at a time: two independent chains of multiply-adds.
    for (; k + 8 <= count; k += 8) {
        approximateFour(entries + k, width, terms + k);
        approximateFour(entries + k + 4, width, terms + k + 4);
    }
    for (; k + 4 <= count; k += 4) approximateFour(entries + k, width, terms + k);
    if (k < count) {
        float lastEntries[4] = {};
        double lastTerms[4];
        std::copy(entries + k, entries + count, lastEntries);
        approximateFour(lastEntries, width, lastTerms);
        std::copy(lastTerms, lastTerms + (count - k), terms + k);
    }
}

// The rounding check of roundsAlike on eight sums at once: the lanes it vouches for.
__attribute__((target("avx512f"), always_inline)) inline __mmask8 roundsAlikeEight(__m512d sums) {
    constexpr uint64_t kDroppedBits = (uint64_t{1} << 29) - 1;
    constexpr uint64_t kHalf = uint64_t{1} << 28;
    constexpr uint64_t kLeastNormalFloat = uint64_t{1023 - 126} << 52;
    constexpr uint64_t kNormalSpan = (uint64_t{1023 + 100} << 52) - kLeastNormalFloat;
    const __m512i bits = _mm512_castpd_si512(sums);
    const __m512i fromHalf = _mm512_sub_epi64(_mm512_and_si512(bits, _mm512_set1_epi64(kDroppedBits)),
                                              _mm512_set1_epi64(kHalf - GaussianTerms::kNeighbourUlps));
    const __mmask8 nearHalf = _mm512_cmple_epu64_mask(fromHalf, _mm512_set1_epi64(2 * GaussianTerms::kNeighbourUlps));
    const __mmask8 normal = _mm512_cmplt_epu64_mask(_mm512_sub_epi64(bits, _mm512_set1_epi64(kLeastNormalFloat)),
                                                    _mm512_set1_epi64(kNormalSpan));
    return static_cast<__mmask8>(normal & ~nearHalf);
}

// Rows r0 ... r0 + 7 as the lanes of one register: step k adds each row's k-th term.
struct RowLanes {
    __m256i next;      // each row's next candidate
    __m512i length;    // each row's candidates, 64-bit lanes
    __m256 sums;
    int longest;
};

__attribute__((target("avx512f"), always_inline)) inline RowLanes rowLanes(const int* rowEnd, int r0,
                                                                           const float* rowSums) {
    alignas(32) int starts[8], lengths[8];
    RowLanes lanes;
    lanes.longest = 0;
    for (int k = 0; k < 8; ++k) {
        starts[k] = r0 + k == 0 ? 0 : rowEnd[r0 + k - 1];
        lengths[k] = rowEnd[r0 + k] - starts[k];
        lanes.longest = std::max(lanes.longest, lengths[k]);
    }
    lanes.next = _mm256_load_si256(reinterpret_cast<const __m256i*>(starts));
    lanes.length = _mm512_maskz_cvtepi32_epi64(0xFF, _mm256_load_si256(reinterpret_cast<const __m256i*>(lengths)));
    lanes.sums = _mm256_loadu_ps(rowSums + r0);
    return lanes;
}

// One step of eight rows: the lanes still with candidates take their next term.
__attribute__((target("avx512f"), always_inline)) inline void rowStep(RowLanes& lanes, int step, const double* terms,
                                                                      const float* entries, float width) {
    const __mmask8 active = _mm512_cmpgt_epi64_mask(lanes.length, _mm512_set1_epi64(step));
    const __m512d term = _mm512_mask_i32gather_pd(_mm512_setzero_pd(), active, lanes.next, terms, 8);
    const __m512d sums = _mm512_add_pd(_mm512_maskz_cvtps_pd(0xFF, lanes.sums), term);
    const __mmask8 doubtful = static_cast<__mmask8>(active & ~roundsAlikeEight(sums));
    if (__builtin_expect(doubtful != 0, 0)) {
        alignas(32) float sumsBefore[8];
        alignas(32) int next[8];
        alignas(64) double approximate[8];
        _mm256_store_ps(sumsBefore, lanes.sums);
        _mm256_store_si256(reinterpret_cast<__m256i*>(next), lanes.next);
        _mm512_store_pd(approximate, term);
        alignas(32) float after[8];
        _mm256_store_ps(after, _mm512_maskz_cvtpd_ps(0xFF, sums));
        for (int k = 0; k < 8; ++k) {
            if ((doubtful >> k & 1) == 0) continue;
            after[k] = sumsBefore[k];
            GaussianTerms::addOne(after[k], approximate[k], entries[next[k]], width);
        }
        lanes.sums = _mm256_load_ps(after);
    } else {
        lanes.sums = _mm512_maskz_cvtpd_ps(0xFF, sums);
    }
    lanes.next = _mm256_add_epi32(lanes.next, _mm256_set1_epi32(1));
}

__attribute__((target("avx512f"))) void addToRowsSixteen(const double* terms, const float* entries, const int* rowEnd,
                                                        int rows, float width, float* rowSums) {
    int r0 = 0;
    // Sixteen rows at a time in two registers: two independent chains of roundings.
    for (; r0 + 16 <= rows; r0 += 16) {
        RowLanes low = rowLanes(rowEnd, r0, rowSums);
        RowLanes high = rowLanes(rowEnd, r0 + 8, rowSums);
        const int longest = std::max(low.longest, high.longest);
        for (int step = 0; step < longest; ++step) {
            rowStep(low, step, terms, entries, width);
            rowStep(high, step, terms, entries, width);
        }
        _mm256_storeu_ps(rowSums + r0, low.sums);
        _mm256_storeu_ps(rowSums + r0 + 8, high.sums);
    }
    for (; r0 < rows; ++r0) {
        for (int c = r0 == 0 ? 0 : rowEnd[r0 - 1]; c < rowEnd[r0]; ++c) {
            GaussianTerms::addOne(rowSums[r0], terms[c], entries[c], width);
        }
    }
}

// A row's candidates sixteen at a time: their columns' sums gathered, the
// terms added, the sums scattered back (a row's columns are distinct).
__attribute__((target("avx512f"))) void addToColumnsSixteen(const uint8_t* columns, const double* terms,
                                                           const float* entries, const int* rowEnd, int rows,
                                                           float width, float* columnSums) {
    int begin = 0;
    for (int r = 0; r < rows; ++r) {
        const int end = rowEnd[r];
        for (int c0 = begin; c0 < end; c0 += 16) {
            const int count = std::min(16, end - c0);
            const __mmask16 used = static_cast<__mmask16>((1u << count) - 1u);
            const __m512i columnNumbers =
                _mm512_maskz_cvtepu8_epi32(0xFFFF, _mm_loadu_si128(reinterpret_cast<const __m128i*>(columns + c0)));
            const __m512 before = _mm512_mask_i32gather_ps(_mm512_setzero_ps(), used, columnNumbers, columnSums, 4);
            // (The masked forms of the conversions: GCC 12 warns of the plain forms' undefined lanes.)
            const __m512d beforeLow = _mm512_maskz_cvtps_pd(
                0xFF, _mm256_castpd_ps(_mm512_maskz_extractf64x4_pd(0xFF, _mm512_castps_pd(before), 0)));
            const __m512d beforeHigh = _mm512_maskz_cvtps_pd(
                0xFF, _mm256_castpd_ps(_mm512_maskz_extractf64x4_pd(0xFF, _mm512_castps_pd(before), 1)));
            const __m512d low =
                _mm512_add_pd(beforeLow, _mm512_maskz_loadu_pd(static_cast<__mmask8>(used), terms + c0));
            const __m512d high =
                _mm512_add_pd(beforeHigh, _mm512_maskz_loadu_pd(static_cast<__mmask8>(used >> 8), terms + c0 + 8));
            const __mmask16 alike =
                static_cast<__mmask16>(roundsAlikeEight(low) | (static_cast<unsigned>(roundsAlikeEight(high)) << 8));
            if (__builtin_expect((used & ~alike) != 0, 0)) {
                for (int c = c0; c < c0 + count; ++c) GaussianTerms::addOne(columnSums[columns[c]], terms[c], entries[c], width);
                continue;
            }
            const __m512 after = _mm512_castpd_ps(
                _mm512_maskz_insertf64x4(0xFF, _mm512_castps_pd(_mm512_castps256_ps512(_mm512_maskz_cvtpd_ps(0xFF, low))),
                                         _mm256_castps_pd(_mm512_maskz_cvtpd_ps(0xFF, high)), 1));
            _mm512_mask_i32scatter_ps(columnSums, used, columnNumbers, after, 4);
        }
        begin = end;
    }
}
#endif

}  // namespace

bool GaussianTerms::canApproximate() {
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool supported = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return supported;
#else
    return false;
#endif
}

void GaussianTerms::approximate(const float* entries, int count, float width, double* terms) {
#if defined(__x86_64__) && defined(__GNUC__)
    if (canApproximate()) {
        approximateLanes(entries, count, width, terms);
        return;
    }
#else
    (void)entries;
    (void)width;
#endif
    for (int k = 0; k < count; ++k) terms[k] = std::numeric_limits<double>::quiet_NaN();
}

double GaussianTerms::exactTerm(float entry, float width) { return std::exp(static_cast<double>(-entry * entry / width)); }

bool GaussianTerms::canAddSixteen() {
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool supported = __builtin_cpu_supports("avx512f");
    return supported;
#else
    return false;
#endif
}

void GaussianTerms::addToRows(const double* terms, const float* entries, const int* rowEnd, int rows, float width,
                              float* rowSums, bool sixteenLanes) {
#if defined(__x86_64__) && defined(__GNUC__)
    if (sixteenLanes && canAddSixteen()) {
        addToRowsSixteen(terms, entries, rowEnd, rows, width, rowSums);
        return;
    }
#else
    (void)sixteenLanes;
#endif
    // Four rows at a time: each row's sum is a chain of roundings, and
    // interleaved chains keep the processor busy.
    constexpr int kChains = 4;
    int r0 = 0;
    for (; r0 + kChains <= rows; r0 += kChains) {
        int next[kChains], end[kChains];
        float sum[kChains];
        int together = rowEnd[rows - 1];
        for (int k = 0; k < kChains; ++k) {
            next[k] = r0 + k == 0 ? 0 : rowEnd[r0 + k - 1];
            end[k] = rowEnd[r0 + k];
            sum[k] = rowSums[r0 + k];
            together = std::min(together, end[k] - next[k]);
        }
        for (int n = 0; n < together; ++n) {
            for (int k = 0; k < kChains; ++k) addOne(sum[k], terms[next[k] + n], entries[next[k] + n], width);
        }
        for (int k = 0; k < kChains; ++k) {
            for (int c = next[k] + together; c < end[k]; ++c) addOne(sum[k], terms[c], entries[c], width);
            rowSums[r0 + k] = sum[k];
        }
    }
    for (; r0 < rows; ++r0) {
        for (int c = r0 == 0 ? 0 : rowEnd[r0 - 1]; c < rowEnd[r0]; ++c) addOne(rowSums[r0], terms[c], entries[c], width);
    }
}

void GaussianTerms::addToColumns(const uint8_t* columns, const double* terms, const float* entries, const int* rowEnd,
                                 int rows, float width, float* columnSums, bool sixteenLanes) {
    if (rows <= 0) return;
#if defined(__x86_64__) && defined(__GNUC__)
    if (sixteenLanes && canAddSixteen()) {
        addToColumnsSixteen(columns, terms, entries, rowEnd, rows, width, columnSums);
        return;
    }
#else
    (void)sixteenLanes;
#endif
    const int end = rowEnd[rows - 1];
    for (int c = 0; c < end; ++c) addOne(columnSums[columns[c]], terms[c], entries[c], width);
}

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

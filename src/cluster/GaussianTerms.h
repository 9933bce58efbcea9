// GaussianTerms: the terms exp(-D^2 / width) of the density sums, four at a
// time. The C library's exp takes about 5 ns a call, and a density ordering
// of 10^5 items needs a few times 10^8 terms; with AVX2 and FMA the terms are
// approximated here at about a nanosecond each.
//
// An approximation is within kRelativeError of the C library's exp for every
// argument in [kLowestArgument, 0] (the argument -D * D / width is a float,
// and every float of that range was compared: at most 2^-51.5). Outside that
// range, and without AVX2 and FMA, a term is NaN: the caller takes exp itself.
// A caller that needs the library's exact term adds the approximation and
// checks that the rounded sum cannot differ (GaussianProximity does).
#pragma once

#include <cstdint>
#include <cstring>

class GaussianTerms {
public:
    static constexpr double kRelativeError = 0x1p-50;
    static constexpr double kLowestArgument = -708.0;
    // Units in the last place of a double within which roundsAlike vouches for its neighbours.
    static constexpr uint64_t kNeighbourUlps = 64;

    // Whether this processor computes approximations (AVX2 and FMA).
    static bool canApproximate();
    // terms[k] = exp(-entries[k] * entries[k] / width) within kRelativeError,
    // or NaN (see above). width > 0.
    static void approximate(const float* entries, int count, float width, double* terms);

    // Whether every double within kNeighbourUlps units in the last place of
    // `sum` (a positive double in the range of normal floats) rounds to the
    // same float as `sum`. Rounding to float drops the low 29 bits of the
    // significand, and the result changes only where they pass half of their
    // range. False for a sum below the normal floats (more bits drop), above
    // 2^100, or NaN. A sum of a float and a term within 2^-50 of another term
    // (at most the sum) is within 9 units of the other sum.
    static bool roundsAlike(double sum) {
        constexpr uint64_t kDroppedBits = (uint64_t{1} << 29) - 1;
        constexpr uint64_t kHalf = uint64_t{1} << 28;
        constexpr uint64_t kLeastNormalFloat = uint64_t{1023 - 126} << 52;                   // bits of 2^-126
        constexpr uint64_t kNormalSpan = (uint64_t{1023 + 100} << 52) - kLeastNormalFloat;  // up to 2^100
        uint64_t bits;
        std::memcpy(&bits, &sum, sizeof bits);
        const bool nearHalf = (bits & kDroppedBits) - (kHalf - kNeighbourUlps) <= 2 * kNeighbourUlps;
        const bool normal = bits - kLeastNormalFloat < kNormalSpan;
        return normal && !nearHalf;
    }
};

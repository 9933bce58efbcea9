// GaussianTerms: the terms exp(-D^2 / width) of the density sums, several at
// a time, and their addition to the running sums. The C library's exp takes about 5 ns a call, and a density ordering
// of 10^5 items needs a few times 10^8 terms; with AVX2 and FMA the terms are
// approximated here at about a nanosecond each.
//
// An approximation is within kRelativeError of the C library's exp for every
// argument in [kLowestArgument, 0] (the argument -D * D / width is a float,
// and every float of that range was compared: at most 2^-51.5). Outside that
// range, and without AVX2 and FMA, a term is NaN: the caller takes exp itself.
// A caller that needs the library's exact term adds the approximation and
// checks that the rounded sum cannot differ (addOne, addToRows and
// addToColumns do).
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

    // Adds a term to a running sum as the plain loop adds exp's term of
    // `entry` (sum = float(sum + exp(-entry * entry / width))), given its
    // approximation (or exp's own term, or NaN): exp's term is taken wherever
    // roundsAlike does not vouch for the approximate sum.
    static void addOne(float& sum, double approximation, float entry, float width) {
        const double approximateSum = static_cast<double>(sum) + approximation;
        if (__builtin_expect(!roundsAlike(approximateSum), 0)) {
            sum = static_cast<float>(static_cast<double>(sum) + exactTerm(entry, width));
            return;
        }
        sum = static_cast<float>(approximateSum);
    }
    static double exactTerm(float entry, float width);

    // The same for the candidates of a tile of pairs, as the density sums
    // hold them: row r's candidates are [r ? rowEnd[r - 1] : 0, rowEnd[r]),
    // each with its term (as addOne takes it) and entry.
    // Row r's terms into rowSums[r], in order.
    static void addToRows(const double* terms, const float* entries, const int* rowEnd, int rows, float width,
                          float* rowSums, bool sixteenLanes);
    // Candidate c's term into columnSums[columns[c]], the rows in order; a
    // row's columns are distinct. `columns` is read 16 places past the last.
    static void addToColumns(const uint8_t* columns, const double* terms, const float* entries, const int* rowEnd,
                             int rows, float width, float* columnSums, bool sixteenLanes);
    // Whether this processor adds sixteen terms at a time (AVX-512F); the
    // results are the same either way.
    static bool canAddSixteen();

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

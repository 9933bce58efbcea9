// The density terms' approximations against the C library's exp, and the
// rounding check that lets a sum take an approximation in place of exp's term.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "cluster/GaussianTerms.h"

namespace {

double fromBits(uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

uint64_t bitsOf(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

TEST(GaussianTermsTest, ApproximationsStayWithinTheirBoundOfExpAndLeaveTheRestToExp) {
    if (!GaussianTerms::canApproximate()) GTEST_SKIP() << "no AVX2 and FMA on this processor";
    // Entries whose arguments -D * D / width span the whole range, at the
    // density ordering's width and at width 1 (arguments down to -708); a
    // count that is not a multiple of four.
    for (const float width : {0.05f * 0.05f, 1.0f}) {
        std::vector<float> entries;
        for (uint32_t bits = 0x2b800000u; ; bits += 977) {  // from about 1e-12 up
            float entry;
            std::memcpy(&entry, &bits, sizeof entry);
            if (!(-entry * entry / width >= GaussianTerms::kLowestArgument)) break;
            entries.push_back(entry);
        }
        entries.push_back(0.0f);
        ASSERT_GT(entries.size(), 300000u);
        ASSERT_NE(entries.size() % 4, 0u);
        std::vector<double> terms(entries.size());
        GaussianTerms::approximate(entries.data(), static_cast<int>(entries.size()), width, terms.data());
        double worst = 0;
        for (size_t k = 0; k < entries.size(); ++k) {
            const double exact = std::exp(static_cast<double>(-entries[k] * entries[k] / width));
            const double error = std::fabs(terms[k] - exact) / exact;
            ASSERT_LE(error, GaussianTerms::kRelativeError) << "entry " << entries[k] << ", width " << width;
            worst = std::max(worst, error);
        }
        EXPECT_GT(worst, 0.0) << "an approximation, not exp itself";
    }
    // Beyond the range, and NaN: NaN, for the caller to take exp.
    const float outside[] = {30.0f, 1e20f, std::nanf(""), -std::nanf(""), 0.5f};
    double terms[5];
    GaussianTerms::approximate(outside, 5, 1.0f, terms);
    for (int k = 0; k < 4; ++k) EXPECT_TRUE(std::isnan(terms[k])) << outside[k];
    EXPECT_NEAR(terms[4], std::exp(-0.25), 1e-15);
}

TEST(GaussianTermsTest, RoundsAlikeVouchesOnlyForSumsWhoseNeighboursRoundToTheSameFloat) {
    std::mt19937_64 random(11);
    const uint64_t slack = GaussianTerms::kNeighbourUlps;
    int vouched = 0, refused = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        // A float's neighbourhood, or a point near a midpoint between two floats.
        const int exponent = static_cast<int>(random() % 120) - 60;
        const double base = std::ldexp(1.0 + static_cast<double>(random() % (1u << 23)) / (1u << 23), exponent);
        const uint64_t midpoint = bitsOf(base) + (uint64_t{1} << 28);
        const int64_t offset = trial % 2 == 0 ? static_cast<int64_t>(random() % (uint64_t{1} << 28))
                                              : static_cast<int64_t>(random() % (4 * slack)) - static_cast<int64_t>(2 * slack);
        const double sum = fromBits(midpoint + static_cast<uint64_t>(offset));
        if (!GaussianTerms::roundsAlike(sum)) {
            ++refused;
            continue;
        }
        ++vouched;
        const float rounded = static_cast<float>(sum);
        const int64_t reach = static_cast<int64_t>(slack);
        for (int64_t step : {-reach, int64_t{-9}, int64_t{-1}, int64_t{1}, int64_t{9}, reach}) {
            ASSERT_EQ(static_cast<float>(fromBits(bitsOf(sum) + static_cast<uint64_t>(step))), rounded)
                << "sum " << sum << ", " << step << " units away";
        }
    }
    EXPECT_GT(vouched, 10000);
    EXPECT_GT(refused, 5000) << "points within the slack of a midpoint are refused";
    // Exactly halfway between two floats; below the normal floats; far above; NaN.
    EXPECT_FALSE(GaussianTerms::roundsAlike(1.0 + 0x1p-24));
    EXPECT_FALSE(GaussianTerms::roundsAlike(0x1p-130));
    EXPECT_FALSE(GaussianTerms::roundsAlike(0x1p110));
    EXPECT_FALSE(GaussianTerms::roundsAlike(std::nan("")));
    EXPECT_TRUE(GaussianTerms::roundsAlike(1.0));
    EXPECT_TRUE(GaussianTerms::roundsAlike(6000.25));
}

TEST(GaussianTermsTest, TilesAddedManyLanesAtATimeGiveThePlainLoopsSums) {
    // A tile of 128 rows with 0 ... 60 candidates each, their columns distinct
    // within a row; running sums from 0 and subnormal up to thousands; terms
    // as approximations, NaN (exp's own term is taken) and ones that put the
    // approximate sum within the slack of a rounding midpoint (below).
    constexpr int kRows = 128;
    constexpr float kKernelWidth = 0.05f * 0.05f;
    std::mt19937 random(23);
    for (int trial = 0; trial < 20; ++trial) {
        int rowEnd[kRows];
        std::vector<uint8_t> columns;
        std::vector<float> entries;
        std::vector<double> terms;
        std::vector<float> startSums(kRows);
        for (int r = 0; r < kRows; ++r) {
            const int kind = static_cast<int>(random() % 4);
            startSums[static_cast<size_t>(r)] = kind == 0 ? 0.0f : kind == 1 ? 1e-40f
                                                : static_cast<float>(random() % 5000) + 0.5f;
            std::vector<uint8_t> row(kRows);
            for (int c = 0; c < kRows; ++c) row[static_cast<size_t>(c)] = static_cast<uint8_t>(c);
            std::shuffle(row.begin(), row.end(), random);
            const int count = static_cast<int>(random() % 61);
            std::sort(row.begin(), row.begin() + count);
            for (int c = 0; c < count; ++c) {
                columns.push_back(row[static_cast<size_t>(c)]);
                entries.push_back(static_cast<float>(random() % 100000) * 2e-6f);
            }
            rowEnd[r] = static_cast<int>(columns.size());
        }
        terms.resize(entries.size());
        GaussianTerms::approximate(entries.data(), static_cast<int>(entries.size()), kKernelWidth, terms.data());
        for (size_t c = 0; c < terms.size(); ++c) {
            if (random() % 16 == 0) terms[c] = std::nan("");
            if (!GaussianTerms::canApproximate()) terms[c] = GaussianTerms::exactTerm(entries[c], kKernelWidth);
        }
        columns.resize(columns.size() + 16);  // read past the last

        // Rows: each row's terms in order. Every seventh term is made to put
        // its row's sum a few units of a double from a midpoint between floats.
        std::vector<float> expected = startSums;
        int nearMidpoint = 0;
        for (int r = 0; r < kRows; ++r) {
            for (int c = r ? rowEnd[r - 1] : 0; c < rowEnd[r]; ++c) {
                const float sum = expected[static_cast<size_t>(r)];
                if (c % 7 == 3 && sum >= 1.0f) {
                    const double midpoint = (static_cast<double>(sum) + std::nextafter(sum, 1e30f)) / 2;
                    const double offset = std::ldexp(static_cast<double>(static_cast<int>(random() % 9) - 4),
                                                     std::ilogb(midpoint) - 52);
                    terms[static_cast<size_t>(c)] = midpoint + offset - sum;
                    ++nearMidpoint;
                }
                GaussianTerms::addOne(expected[static_cast<size_t>(r)], terms[static_cast<size_t>(c)],
                                      entries[static_cast<size_t>(c)], kKernelWidth);
            }
        }
        ASSERT_GT(nearMidpoint, 0);
        // A table's last tile may hold fewer rows, not a multiple of the
        // rows added together.
        const int rows = kRows - trial % 4;
        for (bool sixteen : {true, false}) {
            std::vector<float> sums = startSums;
            GaussianTerms::addToRows(terms.data(), entries.data(), rowEnd, rows, kKernelWidth, sums.data(), sixteen);
            for (int r = 0; r < rows; ++r) {
                ASSERT_EQ(std::memcmp(&sums[static_cast<size_t>(r)], &expected[static_cast<size_t>(r)], sizeof(float)), 0)
                    << "row " << r << ", trial " << trial << (sixteen ? ", sixteen lanes" : ", plain");
            }
        }
        // Columns: the rows in order, each candidate into its column's sum.
        expected = startSums;
        for (int c = 0; c < rowEnd[rows - 1]; ++c) {
            GaussianTerms::addOne(expected[columns[static_cast<size_t>(c)]], terms[static_cast<size_t>(c)],
                                  entries[static_cast<size_t>(c)], kKernelWidth);
        }
        for (bool sixteen : {true, false}) {
            std::vector<float> sums = startSums;
            GaussianTerms::addToColumns(columns.data(), terms.data(), entries.data(), rowEnd, rows, kKernelWidth,
                                        sums.data(), sixteen);
            for (int k = 0; k < kRows; ++k) {
                ASSERT_EQ(std::memcmp(&sums[static_cast<size_t>(k)], &expected[static_cast<size_t>(k)], sizeof(float)), 0)
                    << "column " << k << ", trial " << trial << (sixteen ? ", sixteen lanes" : ", plain");
            }
        }
    }
}

}  // namespace

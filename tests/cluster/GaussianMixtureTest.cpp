// Mixture values, and the Gaussian proximity sums behind the proximity sort
// and the density ordering.
#include <random>

#include "TestSupport.h"
#include "cluster/GaussianMixture.h"
#include "cluster/GaussianProximity.h"

namespace {

TEST(GaussianMixtureTest, ValueIsPeakTimesExpWithoutFactorTwo) {
    // Arguments: peaks, means, deviations. A negative deviation acts as its magnitude.
    const float peaks[] = {2.0f, 0.5f, 1.5f};
    const float means[] = {0.3f, 0.7f, 0.9f};
    const float deviations[] = {0.1f, -0.2f, 0.0f};
    const GaussianMixture mixture(peaks, means, deviations, 3);
    EXPECT_NEAR(mixture.getContibution(0.3f), 2.0 + 0.5 * std::exp(-4.0), 1e-6);
    EXPECT_NEAR(mixture.getContibution(0.4f), 2.0 * std::exp(-1.0) + 0.5 * std::exp(-2.25), 1e-6);
    // Deviation 0: the full peak exactly at the mean, nothing elsewhere.
    EXPECT_NEAR(mixture.getContibution(0.9f), 0.5 * std::exp(-1.0) + 1.5, 1e-6);
    EXPECT_NEAR(mixture.getContibution(0.9001f), 0.5 * std::exp(-0.2001 * 0.2001 / 0.04), 1e-6);

    float curve[GaussianMixture::kCurveSampleNum];
    mixture.sampleCurve(curve);
    EXPECT_EQ(curve[51], mixture.getContibution(0.2f));  // 51 / 255
    EXPECT_EQ(curve[255], mixture.getContibution(1.0f));
    GaussianMixture(nullptr, nullptr, nullptr, 0).sampleCurve(curve);
    for (float value : curve) ASSERT_EQ(value, 0.0f);
}

// The plain O(N^2) loop over the difference matrix that the fast paths must
// reproduce bit for bit.
float referenceScore(const MultidimensionalData& table, int i, float width) {
    float sum = 0.0f;
    for (int j = 0; j < table.getDataNum(); ++j) {
        const float d = table.getDiffMatrixEntry(i, j);
        sum += std::exp(static_cast<double>(-d * d / width));
    }
    return sum;
}

// Items around 8 centres plus uniform noise: close pairs (terms near 1), far
// pairs (terms too small to count, or 0), lone items whose sums stay tiny.
std::string clusteredTable(int items, int dims, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<float> spread(0.0f, 0.03f);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<float> centres(8 * dims);
    for (float& c : centres) c = unit(random);
    std::string text = "a";
    for (int d = 1; d < dims; ++d) text += ",d" + std::to_string(d);
    text += "\n";
    for (int i = 0; i < items; ++i) {
        for (int d = 0; d < dims; ++d) {
            const float value = i % 5 == 4 ? unit(random) : centres[i % 8 * dims + d] + spread(random);
            text += (d ? "," : "") + std::to_string(value);
        }
        text += "\n";
    }
    return text;
}

TEST(GaussianProximityTest, ScoresMatchThePlainLoopBitForBit) {
    // Beyond the stored-matrix budget; the count is not a multiple of the block size.
    TempDir dir;
    std::unique_ptr<MultidimensionalData> table(loadTableQuietly(dir.write("t.txt", clusteredTable(4203, 3, 5))));
    ASSERT_FALSE(table->isDiffMatrixStored());
    const float width = 0.05f * 0.05f;
    const GaussianProximity proximity(table.get(), width);
    std::vector<float> all(4203);
    proximity.scoreAllItems(all.data());
    // Block edges, every 13th item, and indices outside the table (score 0).
    std::vector<int32_t> some = {4202, 0, 127, 128, 2048, 4095, 4096, -1, 4203};
    for (int32_t i = 1; i < 4203; i += 13) some.push_back(i);
    std::vector<float> picked(some.size());
    proximity.scoreItems(some.data(), static_cast<int>(some.size()), picked.data());
    for (size_t k = 0; k < some.size(); ++k) {
        const int32_t i = some[k];
        if (i < 0 || i >= 4203) {
            EXPECT_EQ(picked[k], 0.0f) << i;
            continue;
        }
        ASSERT_TRUE(sameBits(all[i], referenceScore(*table, i, width))) << i;
        ASSERT_TRUE(sameBits(picked[k], all[i])) << i;
    }
}

}  // namespace

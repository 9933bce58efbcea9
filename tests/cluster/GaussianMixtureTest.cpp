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
    TempDir dir;
    const float width = 0.05f * 0.05f;
    std::unique_ptr<MultidimensionalData> small(loadTableQuietly(dir.write("s.txt", clusteredTable(300, 4, 11))));
    ASSERT_TRUE(small->isDiffMatrixStored());
    const GaussianProximity proximity(small.get(), width);
    std::vector<float> all(300);
    proximity.scoreAllItems(all.data());
    for (int i = 0; i < 300; ++i) ASSERT_TRUE(sameBits(all[i], referenceScore(*small, i, width))) << i;
    std::vector<int32_t> some = {299, 0, 150, -1};
    std::vector<float> picked(some.size());
    proximity.scoreItems(some.data(), 4, picked.data());
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(sameBits(picked[k], all[some[k]])) << k;
    EXPECT_EQ(picked[3], 0.0f);

    // Beyond the stored-matrix budget; the count is not a multiple of the block size.
    std::unique_ptr<MultidimensionalData> big(loadTableQuietly(dir.write("b.txt", clusteredTable(4203, 3, 5))));
    ASSERT_FALSE(big->isDiffMatrixStored());
    const GaussianProximity bigProximity(big.get(), 0.0025f);
    std::vector<float> bigAll(4203);
    bigProximity.scoreAllItems(bigAll.data());
    for (int i : {0, 127, 128, 2048, 4095, 4096, 4202}) {
        ASSERT_TRUE(sameBits(bigAll[i], referenceScore(*big, i, 0.0025f))) << i;
        float one = -1.0f;
        bigProximity.scoreItems(&i, 1, &one);
        ASSERT_TRUE(sameBits(one, bigAll[i])) << i;
    }
}

}  // namespace

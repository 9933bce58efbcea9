// GaussianMixture: a one-dimensional sum of unnormalised Gaussian bumps over
// normalised value space [0, 1], one bump per unlocked hint path that has a
// hint point on the dimension. The view draws it as a curve beside the axis.
#pragma once

#include <vector>

class GaussianMixture {
public:
    // Vertices per drawn curve: samples at v = s / 255, s = 0 ... 255.
    static constexpr int kCurveSampleNum = 256;

    // Copies `count` entries of each array (note the order: peaks, means,
    // deviations). A count of 0 or less, or a null array, gives an empty mixture.
    GaussianMixture(const float* peaks, const float* means, const float* deviations, int count);

    // Sum over components of peak * exp(-(x - mean)^2 / deviation^2), x in
    // normalised value space. No factor 2 and no normalisation: a component
    // gives its full peak at its mean. A component of deviation 0 gives its
    // peak exactly at its mean and 0 elsewhere. An empty mixture gives 0.
    float getContibution(float x) const;

    // getContibution at v = s / 255 for s = 0 ... kCurveSampleNum - 1, written
    // to contributions[s]. The view draws vertex s at
    // (axis x + 0.05 * contributions[s], transformToDrawRegion(v)).
    void sampleCurve(float* contributions) const;

    int getCount() const { return count; }

private:
    std::vector<float> means;      // centre of each component, normalised value space
    std::vector<float> deviations; // width of each component, same units; may be 0 or negative
    std::vector<float> peaks;      // height of each component (mixture value at its mean)
    int count = 0;                 // number of components
};

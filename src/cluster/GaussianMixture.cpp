#include "cluster/GaussianMixture.h"

#include <cmath>

GaussianMixture::GaussianMixture(const float* peakValues, const float* meanValues, const float* deviationValues,
                                 int componentCount) {
    if (componentCount <= 0 || !peakValues || !meanValues || !deviationValues) return;
    peaks.assign(peakValues, peakValues + componentCount);
    means.assign(meanValues, meanValues + componentCount);
    deviations.assign(deviationValues, deviationValues + componentCount);
    count = componentCount;
}

float GaussianMixture::getContibution(float x) const {
    // Single-precision running sum; each exponential in double precision.
    float sum = 0.0f;
    for (int k = 0; k < count; ++k) {
        const float diff = x - means[k];
        // At the mean the bump is its full peak whatever the deviation; this
        // also keeps a zero (or underflowing) deviation from giving 0 / 0 there.
        // Away from the mean a zero deviation gives exp(-inf) = 0.
        const double falloff = diff == 0.0f ? 1.0 : std::exp(static_cast<double>(-diff * diff / (deviations[k] * deviations[k])));
        sum = static_cast<float>(sum + peaks[k] * falloff);
    }
    return sum;
}

void GaussianMixture::sampleCurve(float* contributions) const {
    for (int s = 0; s < kCurveSampleNum; ++s) {
        const float valueNorm = static_cast<float>(s) / static_cast<float>(kCurveSampleNum - 1);
        contributions[s] = getContibution(valueNorm);
    }
}

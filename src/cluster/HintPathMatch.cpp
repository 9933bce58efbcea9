#include "cluster/HintPathMatch.h"

#include <algorithm>
#include <cmath>

#include "cluster/ClusterPath.h"

HintPathMatch::HintPathMatch(const Path& path, int dimNum, float drawRegionOffset, float drawRegionScale) {
    const int pathDims = std::min(dimNum, static_cast<int>(path.hasHintPoint.size()));
    for (int d = 0; d < pathDims; ++d) {
        if (!path.hasHintPoint[d]) continue;
        terms.push_back({d, (path.hintPoints[d].y - drawRegionOffset) / drawRegionScale, path.deviations[d]});
    }
}

bool HintPathMatch::match(const float* rowNorm, float* sum) const {
    float total = 0.0f;  // single-precision running sum of double kernels
    for (const Term& hint : terms) {
        const float diff = std::fabs(rowNorm[hint.dim] - hint.valueNorm);
        // Written so that a NaN deviation (or value) fails the test too.
        if (!(diff <= kMatchDeviations * hint.deviation)) return false;
        // On the hint point the kernel is 1 whatever the deviation, which
        // keeps a zero deviation from giving 0 / 0.
        const double kernel =
            diff == 0.0f ? 1.0 : std::exp(static_cast<double>(-diff * diff / (hint.deviation * hint.deviation)));
        total = static_cast<float>(total + kernel);
    }
    *sum = total;
    return true;
}

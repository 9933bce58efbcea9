#include "data/AxisScale.h"

#include <cmath>

double AxisScale::fraction(double raw) const {
    if (!(maxRaw > minRaw)) return kConstantNorm;
    if (logarithmic && canBeLogarithmic(minRaw)) {
        return raw > 0 ? (std::log(raw) - std::log(minRaw)) / (std::log(maxRaw) - std::log(minRaw)) : 0.0;
    }
    return (raw - minRaw) / (maxRaw - minRaw);
}

float AxisScale::normalise(double raw) const {
    if (std::isnan(raw)) return kMissingNorm;
    double valueNorm = fraction(raw);
    valueNorm = valueNorm < 0 ? 0 : (valueNorm > 1 ? 1 : valueNorm);
    return static_cast<float>(flipped ? 1.0 - valueNorm : valueNorm);
}

float AxisScale::normaliseBeyond(double raw) const {
    if (std::isnan(raw)) return kMissingNorm;
    const double valueNorm = fraction(raw);
    return static_cast<float>(flipped ? 1.0 - valueNorm : valueNorm);
}

double AxisScale::toRaw(float valueNorm) const {
    if (valueNorm < 0) return std::nan("");
    if (!(maxRaw > minRaw)) return minRaw;
    const double along = flipped ? 1.0 - static_cast<double>(valueNorm) : static_cast<double>(valueNorm);
    if (logarithmic && canBeLogarithmic(minRaw)) {
        return std::exp(std::log(minRaw) + along * (std::log(maxRaw) - std::log(minRaw)));
    }
    return minRaw + along * (maxRaw - minRaw);
}

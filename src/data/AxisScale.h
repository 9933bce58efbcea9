// AxisScale: how one column's raw values stand on its axis: the raw extremes
// the axis spans, whether it runs upside down (flipped: the maximum at the
// foot) and whether it is logarithmic. normalise() turns a raw value into a
// normalised value (0 the axis foot, 1 its top) and toRaw() turns it back
// (for labels and hover texts). It is the one place of that arithmetic: the
// table's normalisation, the axis labels and a streaming labeller of rows
// all go through it. A plain value: no table, no window.
//
// Raw values are those of the column: numbers, seconds UTC for a date
// column, the category index for a categorical one.
#pragma once

#include <string>

class AxisScale {
public:
    // Normalised position of a missing value: below the axis foot.
    static constexpr float kMissingNorm = -1.0f / 36.0f;
    // Normalised value of every raw value on an axis whose extremes are equal.
    static constexpr float kConstantNorm = 0.5f;

    AxisScale() = default;
    AxisScale(double lowRaw, double highRaw, bool upsideDown = false, bool logScale = false)
        : minRaw(lowRaw), maxRaw(highRaw), flipped(upsideDown), logarithmic(logScale) {}

    // The raw value's place on the axis, in [0, 1]: values beyond the
    // extremes are held at the nearer end (a value is never taken for a
    // missing one), NaN is missing (kMissingNorm). On a logarithmic scale a
    // value <= 0 stands at the low end.
    float normalise(double raw) const;
    // The same without holding values beyond the extremes at the ends: such
    // a value lands outside [0, 1], as a row of another table labelled by
    // this table's scale must. A value <= 0 has no place on a logarithmic
    // scale: it stands at the low end, as in normalise().
    float normaliseBeyond(double raw) const;
    // The raw value at normalised valueNorm in [0, 1] (beyond it the scale
    // is continued); NaN for a missing value (valueNorm < 0 is not on the axis
    // only when it is kMissingNorm's side: any negative value).
    double toRaw(float valueNorm) const;

    // Whether a logarithmic scale can show raw values down to minRaw: all of
    // them must be positive.
    static bool canBeLogarithmic(double minRaw) { return minRaw > 0; }
    // The scale is the identity of the linear normalisation (linear, not flipped).
    bool isPlain() const { return !flipped && !logarithmic; }

private:
    // The part of the way from the low extreme to the high one a raw value
    // stands, before a flip: 0 at minRaw, 1 at maxRaw (kConstantNorm when they are equal).
    double fraction(double raw) const;

public:

    bool operator==(const AxisScale& other) const {
        return minRaw == other.minRaw && maxRaw == other.maxRaw && flipped == other.flipped &&
               logarithmic == other.logarithmic;
    }
    bool operator!=(const AxisScale& other) const { return !(*this == other); }

    double minRaw = 0, maxRaw = 0;  // raw extremes the axis spans
    bool flipped = false;           // the maximum stands at the foot
    bool logarithmic = false;       // positions follow log(raw); only when minRaw > 0
};

// HintPathMatch: the test by which a hint path claims a row, on the row's
// normalised values alone. The regrouping in the window (ItemRegrouping) and
// the labelling of a table by a session's rules (LabelRules) both score with
// it, so the two cannot drift.
//
// A path matches a row when, on every dimension where it has a hint point,
// |value - hint value| <= kMatchDeviations * deviation (a NaN or negative
// deviation matches nothing; dimensions without a hint point neither add nor
// exclude). Its sum is the single-precision running sum, in dimension order,
// of exp(-diff^2 / deviation^2) taken in double precision (1 for diff = 0,
// whatever the deviation). Of several matching paths the one with the
// highest sum claims the row; the first of equal sums keeps it.
#pragma once

#include <vector>

struct Path;

class HintPathMatch {
public:
    // A hint point claims a row on a dimension within this many deviations.
    static constexpr float kMatchDeviations = 2.0f;

    // The hint points of `path` on dimensions [0, dimNum), ready for scoring;
    // hint heights (view y) become normalised values through the draw region
    // (valueNorm = (yView - offset) / scale).
    HintPathMatch(const Path& path, int dimNum, float drawRegionOffset, float drawRegionScale);

    // Whether the path matches the row, and its sum then (in *sum).
    bool match(const float* rowNorm, float* sum) const;
    bool empty() const { return terms.empty(); }

private:
    struct Term {
        int dim;          // dimension of the hint point
        float valueNorm;  // hint point height as a normalised value
        float deviation;  // the path's deviation on dim, normalised value units
    };
    std::vector<Term> terms;  // in dimension order
};

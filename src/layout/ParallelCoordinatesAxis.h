// ParallelCoordinatesAxis: horizontal layout of the vertical axes of the
// parallel-coordinates view.
//
// One axis per numeric dimension, each at an x position in the view's unit
// square (x = 0 left edge, x = 1 right edge). The first axis stands at
// x = 0.05 and the last at x = 0.95; the layout only ever redistributes the
// gaps in between. Region i is the open interval between axis slot i and
// slot i + 1; local operators live in regions and the spreading gesture
// widens or narrows them.
//
// Slot i always shows dimension i, so slot and dimension indices are
// interchangeable everywhere in the view.
#pragma once

#include <vector>

class MultidimensionalData;

class ParallelCoordinatesAxis {
public:
    // Default layout for the numeric dimensions of `data` (a null table has no axes).
    explicit ParallelCoordinatesAxis(const MultidimensionalData* data);
    // Default layout for `axisNum` axes (negative counts as zero).
    explicit ParallelCoordinatesAxis(int axisNum);

    int getAxisNum() const { return axisNum; }

    // x of the axis in `slot`, view units; -1 with a message when out of range.
    float getAxisPosition(int slot) const;
    // Stores x (view units) for `slot`; false with a message when out of range.
    bool setAxisPosition(int slot, float xView);
    // Dimension shown on `slot`; -1 with a message when out of range.
    int getDimIndexAtAxis(int slot) const;

    // Slot of the axis nearest to xView (lower slot on a tie), or -1 when there
    // is no axis within reach. yView is not used.
    int getNearestAxis(float xView, float yView) const;
    // Region i with axis[i] < xView < axis[i + 1] (both strict), or -1.
    // yView is not used.
    int getRegionIndex(float xView, float yView) const;
    // Same as getRegionIndex: the slot of the axis to the left of xView, or -1.
    int getLeftAxisID(float xView) const;

    // Spreads (negative delta) or narrows (positive delta) the gaps around
    // `region` with a Gaussian fall-off over the neighbouring regions, then
    // rescales all gaps so the axes span 0.9 again. The outer axes never move.
    // region == -1 or a region that does not exist leaves the layout unchanged.
    void adjustAxisPositions(int region, float delta);

private:
    bool isValidSlot(int slot) const { return slot >= 0 && slot < axisNum; }

    int axisNum = 0;                  // number of axes = numeric dimensions of the table
    std::vector<float> axisPositions; // x of each slot, view units, strictly increasing
    std::vector<int> dimIndexAtAxis;  // dimension shown on each slot (the identity)
};

// HoverPick: which item line lies under the pointer while no button is
// pressed, and where the label that names it goes.
//
// The pick measures the true distance from the pointer to the line as it is
// drawn, in window pixels (the reach is given as the two half-axes of a
// window-pixel circle expressed in view units, which differ with the view's
// aspect). The vertical distance alone would make steep lines much harder to
// catch than flat ones. Only the segment of each item between the two axes
// around the pointer's x is looked at: one straight piece, or the few edges of
// its bent curve near the pointer, so a pick costs O(items) and allocates
// nothing.
#pragma once

#include "layout/DrawRegion.h"

class DataItemPaths;
class MultidimensionalData;
class ParallelCoordinatesAxis;

// What the item lines are drawn from.
struct HoverScene {
    const MultidimensionalData* data = nullptr;
    const ParallelCoordinatesAxis* axes = nullptr;
    // The bent lines; null while the tree is only its root and every line is straight.
    const DataItemPaths* paths = nullptr;
    DrawRegion region;

    // Whether `segment` of `item` (between axis slots segment and segment + 1)
    // is drawn as one straight piece from axis to axis.
    bool isStraight(int item, int segment) const;
};

// How far from the pointer a line may pass and still be picked: half-axes in
// view units of one window-pixel distance (reachPx / width, reachPx / height).
struct HoverReach {
    float xView = 0;
    float yView = 0;
};

// The item whose drawn line passes nearest the pointer (view units), within
// `reach`; -1 when none does. On a tie the lower item index wins.
int pickHoveredItem(const HoverScene& scene, float xView, float yView, HoverReach reach);

// The label's box, window pixels (origin top-left, y down).
struct LabelBox {
    int xPx = 0, yPx = 0;  // top-left corner
    int widthPx = 0, heightPx = 0;
};

// Where a widthPx x heightPx label goes beside the pointer (xPx, yPx) in a
// viewWidthPx x viewHeightPx view: below right of it, flipped to the left
// or above where it would leave the view there, and kept inside the view.
LabelBox placeHoverLabel(int xPx, int yPx, int widthPx, int heightPx, int viewWidthPx, int viewHeightPx);

// DisplaySwitches: what the view draws besides the item lines and the
// operators. A session keeps them; a model without a window ignores them.
#pragma once

struct DisplaySwitches {
    bool showHistograms = true;
    bool showMixtures = true;
    bool showHintPaths = true;
    bool allHintsOff = false;  // Space switched the three hint displays off together
    bool operator==(const DisplaySwitches& other) const {
        return showHistograms == other.showHistograms && showMixtures == other.showMixtures &&
               showHintPaths == other.showHintPaths && allHintsOff == other.allHintsOff;
    }
    bool operator!=(const DisplaySwitches& other) const { return !(*this == other); }
};

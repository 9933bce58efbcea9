// ColourChoice: where the indicator stands in the colour band, and the colour
// that gives new operators and the graph's brush. Band units: unit square,
// origin bottom-left, y up; the height picks the hue (six sextants from
// bottom to top: 0 and 1 red, 1/6 yellow, ..., 5/6 magenta), the place
// across the opacity (opaque at the left edge, transparent at the right).
#pragma once

#include "geometry/Color4.h"

struct ColourChoice {
    float xBand = 0.5f;  // opacity: 1 - xBand
    float yBand = 0.5f;  // hue: 6 yBand

    // The indicator kept inside the band (NaN goes to 0).
    static ColourChoice within(float xBand, float yBand);
    Color4 colour() const;
    bool operator==(const ColourChoice& other) const { return xBand == other.xBand && yBand == other.yBand; }
    bool operator!=(const ColourChoice& other) const { return !(*this == other); }
};

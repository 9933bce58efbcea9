// ColourMap: the colours of lines coloured by a column. A numeric or date
// column goes through a perceptually uniform map (viridis: dark purple at
// the low end, yellow at the high end); a categorical column takes one of
// kQualitativeColours distinct colours per category, its largest categories
// first, and the rest share the colour of "other".
#pragma once

#include <string>
#include <vector>

#include "geometry/Color4.h"

class MultidimensionalData;

namespace ColourMap {

constexpr int kQualitativeColours = 12;
constexpr float kLineAlpha = 0.75f;  // the lines' opacity, as that of the plain line colour

// The map's colour at t in [0, 1] (clamped), opaque.
Color4 viridis(float t);
// Colour k of the qualitative palette, k in [0, kQualitativeColours), opaque.
Color4 qualitative(int k);
// The colour of the categories beyond the palette, opaque.
Color4 other();

// One entry of a legend: a colour and what it stands for.
struct LegendEntry {
    Color4 colour;
    std::string text;
};
// How the categories of categorical dimension `dim` take colours: per
// category (axis order), its palette index, or -1 for "other".
std::vector<int> categoryColourIndices(const MultidimensionalData& table, int dim);
// The legend of colouring by dimension `dim`: for a categorical one its
// coloured categories (largest first) and "other" when some share it; for a
// numeric or date one two entries, the low and the high end with their values.
std::vector<LegendEntry> legendOf(const MultidimensionalData& table, int dim);
// The dimension of the column named `name` to colour lines by; -1 with
// *problem saying why when there is none: no such column, or one that is not
// an axis (an identifier, the names).
int colourByColumn(const MultidimensionalData& table, const std::string& name, std::string* problem);
// Per item, its colour by dimension `dim` (alpha kLineAlpha); a missing value takes `missingColour`.
std::vector<Color4> itemColoursOf(const MultidimensionalData& table, int dim, const Color4& missingColour);

}  // namespace ColourMap

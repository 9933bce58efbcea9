// FieldNormaliser: turns one field of a table's file into the normalised
// value its column's axis gives it, with the scale of a table already loaded
// (the table a session was shaped on). Labelling a table of any size by a
// session reads every field through here, so that a row of another file
// stands exactly where the same row of the loaded table stands: the one step
// from a raw field to a normalised value.
//
//   numeric      (value - min) / (max - min) in double precision, then single,
//                min and max the loaded table's raw extremes (a value outside
//                them lands outside [0, 1]); kConstantDimensionValue when max = min
//   date         (seconds - first) / (last - first) in double precision, then
//                single; kConstantDimensionValue when last = first
//   categorical  rank / (categories - 1), in the loaded table's axis order;
//                kConstantDimensionValue for a single category
// A field with no value (empty, NA, N/A, NaN, null, ?, a lone sign), one that
// is not a number (numeric) or not a date (date), or a category the loaded
// table does not have stands at kMissingValueNorm, as the loader places it.
//
// On a flipped or logarithmic axis (the table's AxisScale) that value is then
// carried onto the axis's scale: within the loaded table's range exactly as
// the table carries its own values (so a row equal to one of its rows stands
// where that row stands), beyond it from the raw value, outside [0, 1].
#pragma once

#include <string>
#include <unordered_map>

#include "data/AxisScale.h"
#include "data/TableColumn.h"

class MultidimensionalData;

class FieldNormaliser {
public:
    // The scale of dimension `dim` of `table` (a loaded table).
    FieldNormaliser(const MultidimensionalData& table, int dim);

    // What a field's text turned into, besides its value.
    enum class Outcome { Value, Missing, UnknownCategory };
    // The normalised value of the field [begin, end) as it stands in the file
    // (blanks and quotes around it included). `scratch` holds the text of a
    // quoted field with doubled quotes.
    float valueNorm(const char* begin, const char* end, std::string* scratch, Outcome* outcome = nullptr) const;

    ColumnKind kind() const { return columnKind; }

private:
    // The normalised value on the axis's scale of a value whose plain
    // (linear, unflipped) normalised value is plainNorm and raw value raw.
    float onScale(float plainNorm, double raw) const;

    ColumnKind columnKind;
    AxisScale scale;       // the axis's scale in the loaded table
    AxisScale plainScale;  // the same extremes, linear and not flipped
    double firstSeconds = 0, lastSeconds = 0;  // date: first and last, seconds UTC
    std::unordered_map<std::string, float> categoryNorm;  // categorical: text -> its axis position
};

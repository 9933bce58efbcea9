// TableColumn: what the loader made of one column of a table's file: its
// kind, where it is drawn, its extremes or categories and its missing fields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class ColumnKind {
    Numeric,      // numbers; an axis
    Date,         // ISO 8601 dates or date-times; an axis of time
    Categorical,  // text of at most kMaxCategories different values; an axis of evenly spaced categories
    Identifier,   // text with more different values, or a different one in every row (an id, free text):
                  // not an axis, kept for hover and export
    Name,         // the first column, headed "name": the items' names
};

// "numeric", "date", "categorical", "identifier", "name".
const char* columnKindName(ColumnKind kind);

struct TableColumn {
    // A text column with more different values than this is an identifier.
    static constexpr int kMaxCategories = 1000;
    // So is one of at least this many values that are all different (names,
    // codes): an axis with one item per category shows nothing a reader can
    // use, while the texts name the items well. Below it a small table's
    // distinct categories still make an axis.
    static constexpr int kMinUniqueIdentifierTexts = 32;
    // File lines listed per column for fields that could not be read.
    static constexpr size_t kListedLines = 10;

    std::string name;        // header text, made unique
    ColumnKind kind = ColumnKind::Numeric;
    int axis = -1;           // its dimension (axis) index; -1 when it is not an axis
    int64_t missing = 0;     // fields with no value: empty, NA, N/A, NaN, null, ?, a lone sign, absent, unreadable
    int64_t unreadable = 0;  // of those, fields that could not be read as the column's kind
    std::vector<int64_t> unreadableLines;  // the file lines of the first kListedLines of them
    double minValue = 0, maxValue = 0;     // numeric: raw extremes; date: seconds UTC; 0 without values
    bool hasTimes = false;                 // date: some value has a time of day
    std::vector<std::string> categories;   // categorical: in axis order, bottom to top
    std::vector<int64_t> categoryCounts;   // categorical: items of each category
    int64_t distinctTexts = 0;             // categorical and identifier: different texts, counted up to kMaxCategories + 1

    bool isAxis() const { return axis >= 0; }
};

// The field text (blanks around it removed) stands for a missing value:
// nothing, NA, N/A, NaN, null (any case), ?, or a lone - or +.
bool isMissingText(const char* begin, const char* end);

// Alphabetical order of category names, letter case aside, with runs of
// digits compared as numbers ("item 2" before "item 10"); a strict weak order
// (names equal but for case or leading zeros fall back to byte order).
bool naturalLess(const std::string& a, const std::string& b);

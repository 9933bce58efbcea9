// TableInfo: what the loader made of a table's file, for `strands --info`:
// rows, skipped blank lines, the delimiter, and per column its name, kind,
// extremes (first and last date; or category count and the most frequent
// categories), missing values and the lines of fields it could not read.
#pragma once

#include <string>

class MultidimensionalData;

struct TableInfo {
    static constexpr size_t kTopCategories = 5;  // most frequent categories listed per column

    // Lines of text for a person, the first naming `path`.
    static std::string text(const MultidimensionalData& table, const std::string& path);
    // One JSON object: rows, blank_lines, delimiter, columns[] with name,
    // kind, min, max, missing, categories, top_categories (null where a key
    // does not apply to the column's kind).
    static std::string json(const MultidimensionalData& table);
};

#include "model/TableInfo.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstdio>
#include <numeric>
#include <nlohmann/json.hpp>
#include <vector>

#include "data/CsvRecords.h"
#include "data/DateText.h"
#include "data/MultidimensionalData.h"

namespace {

// The most frequent categories of a column, largest first (axis order on ties).
std::vector<size_t> topCategories(const TableColumn& column) {
    std::vector<size_t> order(column.categories.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return column.categoryCounts[a] > column.categoryCounts[b]; });
    if (order.size() > TableInfo::kTopCategories) order.resize(TableInfo::kTopCategories);
    return order;
}

// A numeric column's extreme as the table holds it (a 32-bit float), in the
// fewest digits that read back as that float: 21.3, not 21.29999924.
std::string number(double value) {
    char text[48];
    const std::to_chars_result written = std::to_chars(text, text + sizeof text, static_cast<float>(value));
    return std::string(text, written.ptr);
}
double jsonNumber(double value) { return std::strtod(number(value).c_str(), nullptr); }

bool hasValues(const TableColumn& column, int rows) { return column.missing < rows; }

}  // namespace

std::string TableInfo::text(const MultidimensionalData& table, const std::string& path) {
    const int rows = table.getDataNum();
    std::string out = "\"" + path + "\": " + std::to_string(rows) + " row" + (rows == 1 ? "" : "s") + ", " +
                      std::to_string(table.getBlankLineCount()) + " blank line" +
                      (table.getBlankLineCount() == 1 ? "" : "s") + " skipped, delimiter \"" +
                      delimiterName(table.getDelimiter()) + "\", " + std::to_string(table.getDimNum()) + " columns\n";
    for (int c = 0; c < table.getDimNum(); ++c) {
        const TableColumn& column = table.getColumn(c);
        out += "  \"" + column.name + "\": " + columnKindName(column.kind);
        switch (column.kind) {
            case ColumnKind::Numeric:
                if (hasValues(column, rows)) out += ", min " + number(column.minValue) + ", max " + number(column.maxValue);
                break;
            case ColumnKind::Date:
                if (hasValues(column, rows)) {
                    out += ", first " + formatIsoDateTime(column.minValue, column.hasTimes) + ", last " +
                           formatIsoDateTime(column.maxValue, column.hasTimes);
                }
                break;
            case ColumnKind::Categorical: {
                out += ", " + std::to_string(column.categories.size()) + " categories, most frequent:";
                for (size_t k : topCategories(column)) {
                    out += " \"" + column.categories[k] + "\" (" + std::to_string(column.categoryCounts[k]) + ")";
                }
                break;
            }
            case ColumnKind::Identifier:
                out += ", more than " + std::to_string(TableColumn::kMaxCategories) + " different texts";
                break;
            case ColumnKind::Name:
                break;
        }
        if (column.kind != ColumnKind::Name) out += ", missing " + std::to_string(column.missing);
        if (column.unreadable > 0) {
            out += ", " + std::to_string(column.unreadable) + " not read (line";
            out += column.unreadableLines.size() == 1 ? " " : "s ";
            for (size_t k = 0; k < column.unreadableLines.size(); ++k) {
                out += (k ? ", " : "") + std::to_string(column.unreadableLines[k]);
            }
            if (column.unreadable > static_cast<int64_t>(column.unreadableLines.size())) out += ", ...";
            out += ")";
        }
        out += "\n";
    }
    return out;
}

std::string TableInfo::json(const MultidimensionalData& table) {
    using nlohmann::json;
    const int rows = table.getDataNum();
    json columns = json::array();
    for (int c = 0; c < table.getDimNum(); ++c) {
        const TableColumn& column = table.getColumn(c);
        json entry = {{"name", column.name}, {"kind", columnKindName(column.kind)}, {"min", nullptr},
                      {"max", nullptr},      {"missing", column.missing},       {"categories", nullptr},
                      {"top_categories", nullptr}};
        if (column.kind == ColumnKind::Numeric && hasValues(column, rows)) {
            entry["min"] = jsonNumber(column.minValue);
            entry["max"] = jsonNumber(column.maxValue);
        } else if (column.kind == ColumnKind::Date && hasValues(column, rows)) {
            entry["min"] = formatIsoDateTime(column.minValue, column.hasTimes);
            entry["max"] = formatIsoDateTime(column.maxValue, column.hasTimes);
        } else if (column.kind == ColumnKind::Categorical) {
            entry["categories"] = column.categories.size();
            json top = json::array();
            for (size_t k : topCategories(column)) top.push_back(column.categories[k]);
            entry["top_categories"] = top;
        }
        columns.push_back(entry);
    }
    const json document = {{"rows", rows},
                           {"blank_lines", table.getBlankLineCount()},
                           {"delimiter", std::string(1, table.getDelimiter())},
                           {"columns", columns}};
    // Texts that are not valid UTF-8 (a Latin-1 file) are written with U+FFFD, never refused.
    return document.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

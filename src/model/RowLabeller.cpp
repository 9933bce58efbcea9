#include "model/RowLabeller.h"

#include "data/MappedFile.h"
#include "data/MultidimensionalData.h"
#include "model/ClusterExport.h"
#include "model/LabelRules.h"
#include "model/TableModel.h"

namespace {

// The header record's field texts as given (blanks and quotes removed).
std::vector<std::string> headerTexts(const CsvRecord& header, char delimiter) {
    std::vector<CsvField> fields;
    splitFields(header, delimiter, &fields);
    std::vector<std::string> texts;
    for (const CsvField& field : fields) texts.push_back(boundedFieldText(field));
    return texts;
}

std::string quotedList(const std::vector<std::string>& names) {
    constexpr size_t kShown = 8;
    std::string text;
    for (size_t k = 0; k < names.size() && k < kShown; ++k) text += (k ? ", \"" : "\"") + names[k] + "\"";
    if (names.size() > kShown) text += ", ... (" + std::to_string(names.size()) + " in all)";
    return text;
}

}  // namespace

void RowLabeller::Tally::add(const Tally& other) {
    rows += other.rows;
    cutRows += other.cutRows;
    shortRows += other.shortRows;
    unterminatedRows += other.unterminatedRows;
    auto addAll = [](std::vector<int64_t>& into, const std::vector<int64_t>& from) {
        if (into.size() < from.size()) into.resize(from.size(), 0);
        for (size_t k = 0; k < from.size(); ++k) into[k] += from[k];
    };
    addAll(leafRows, other.leafRows);
    addAll(groupRows, other.groupRows);
    addAll(unknownCategories, other.unknownCategories);
}

RowLabeller::RowLabeller(const TableModel& model, const LabelRules& rules, char delimiter)
    : labelRules(rules), fieldDelimiter(delimiter) {
    const MultidimensionalData& table = *model.getData();
    // The session table's header as its file gives it: the names the table
    // to label must have (the loaded table holds them made unique).
    const MappedFile file(table.getSourcePath().c_str());
    if (file.isOpen()) {
        const char* text = skipByteOrderMark(file.begin(), file.end());
        CsvReader reader(text, file.end(), table.getDelimiter());
        CsvRecord header;
        header.begin = header.end = header.next = text;
        reader.next(&header);
        headerNames = headerTexts(header, table.getDelimiter());
    }
    if (static_cast<int>(headerNames.size()) != table.getDimNum()) {
        headerNames.clear();
        for (int c = 0; c < table.getDimNum(); ++c) headerNames.push_back(table.getDimName(c));
    }
    std::vector<std::string> uniqueNames;
    for (int c = 0; c < table.getDimNum(); ++c) uniqueNames.push_back(table.getDimName(c));
    addedNames = ClusterExport::addedColumnNames(uniqueNames);
    axisOfColumn.assign(static_cast<size_t>(table.getDimNum()), -1);
    for (int d = 0; d < table.getActualDimNum(); ++d) {
        axisOfColumn[static_cast<size_t>(table.getAxisColumnIndex(d))] = d;
        normalisers.emplace_back(table, d);
        axisColumnNames.push_back(table.getAxisName(d));
    }
    const std::string separator(1, delimiter);
    for (int leaf = 0; leaf < rules.leafCount(); ++leaf) {
        leafTexts.push_back(separator + std::to_string(leaf) + separator +
                            rules.leafColourTexts()[static_cast<size_t>(leaf)]);
    }
    for (const std::string& name : rules.groupNames()) groupTexts.push_back(separator + name);
}

RowLabeller::Tally RowLabeller::emptyTally() const {
    Tally tally;
    tally.leafRows.assign(leafTexts.size(), 0);
    tally.groupRows.assign(groupTexts.size(), 0);
    tally.unknownCategories.assign(normalisers.size(), 0);
    return tally;
}

std::string RowLabeller::checkHeader(const CsvRecord& header, const std::string& tableName) const {
    const std::vector<std::string> given = headerTexts(header, fieldDelimiter);
    if (given == headerNames) return "";
    std::string why = "\"" + tableName + "\" has other columns than the session's table: ";
    if (given.size() != headerNames.size()) {
        why += std::to_string(given.size()) + " columns (" + quotedList(given) + ") where the session's table has " +
               std::to_string(headerNames.size()) + " (" + quotedList(headerNames) + ")";
    } else {
        size_t k = 0;
        while (given[k] == headerNames[k]) ++k;
        why += "column " + std::to_string(k + 1) + " is \"" + given[k] + "\" where the session's table has \"" +
               headerNames[k] + "\"";
    }
    if (fieldDelimiter != ',') why += " (fields read with the delimiter \"" + delimiterName(fieldDelimiter) + "\")";
    return why;
}

void RowLabeller::writeHeader(const CsvRecord& header, std::string* out) {
    headerEnd = header.next > header.end ? std::string(header.end, header.next) : "\n";
    out->append(header.begin, header.end);
    for (const std::string& name : addedNames) *out += fieldDelimiter + name;
    *out += headerEnd;
}

void RowLabeller::labelRecords(const char* begin, const char* end, std::string* out, Tally* tally) const {
    if (tally->leafRows.size() != leafTexts.size()) *tally = emptyTally();
    const int columns = static_cast<int>(axisOfColumn.size());
    const float kMissing = MultidimensionalData::kMissingValueNorm;
    std::vector<float> row(normalisers.size(), kMissing);
    std::vector<CsvField> fields;
    std::string scratch;
    CsvReader reader(begin, end, fieldDelimiter);
    CsvRecord record;
    while (reader.next(&record)) {
        std::fill(row.begin(), row.end(), kMissing);
        int fieldCount = 0;
        const char* keep = record.end;  // the output copies the record up to here
        auto readField = [&](int column, const char* p, const char* fieldEnd) {
            const int axis = axisOfColumn[static_cast<size_t>(column)];
            if (axis < 0) return;
            FieldNormaliser::Outcome outcome;
            row[static_cast<size_t>(axis)] =
                normalisers[static_cast<size_t>(axis)].valueNorm(p, fieldEnd, &scratch, &outcome);
            if (outcome == FieldNormaliser::Outcome::UnknownCategory) ++tally->unknownCategories[static_cast<size_t>(axis)];
        };
        if (!record.quoted) {
            // The common case: no quote in the row, fields end at the next delimiter.
            for (const char* p = record.begin;; ++fieldCount) {
                const char* fieldEnd = plainFieldEnd(p, record.end, fieldDelimiter);
                if (fieldCount < columns) readField(fieldCount, p, fieldEnd);
                if (fieldCount == columns - 1) keep = fieldEnd;
                if (fieldEnd == record.end) break;
                p = fieldEnd + 1;
            }
            ++fieldCount;
        } else {
            splitFields(record, fieldDelimiter, &fields);
            fieldCount = static_cast<int>(fields.size());
            for (int column = 0; column < fieldCount && column < columns; ++column) {
                readField(column, fields[static_cast<size_t>(column)].begin, fields[static_cast<size_t>(column)].end);
            }
            if (fieldCount > columns && columns > 0) keep = fields[static_cast<size_t>(columns) - 1].end;
        }
        if (fieldCount <= columns) keep = record.end;

        const int leaf = labelRules.leafOf(row.data());
        const int group = labelRules.groupOf(row.data());
        ++tally->rows;
        if (fieldCount > columns) ++tally->cutRows;
        if (fieldCount < columns) ++tally->shortRows;
        if (record.unterminated) ++tally->unterminatedRows;
        out->append(record.begin, keep);
        for (int missing = fieldCount; missing < columns; ++missing) *out += fieldDelimiter;
        if (leaf >= 0) {
            *out += leafTexts[static_cast<size_t>(leaf)];
            ++tally->leafRows[static_cast<size_t>(leaf)];
        } else {
            *out += fieldDelimiter;
            *out += fieldDelimiter;
        }
        *out += groupTexts[static_cast<size_t>(group)];
        ++tally->groupRows[static_cast<size_t>(group)];
        if (record.next > record.end) {
            out->append(record.end, record.next);
        } else {
            *out += headerEnd;
        }
    }
}

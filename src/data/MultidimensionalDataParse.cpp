// MultidimensionalData: the loader of the delimited data file.
// Pass 1 reads the header and counts the records (keeping the offset of every
// kRowsPerBlock-th), so that every table is allocated once at its final size;
// pass 2 reads the names and numbers. A column whose fields are mostly not
// numbers is read once more as text (a date, categorical or identifier
// column); then the columns that are drawn are kept, in file order.
#include "data/MultidimensionalData.h"
#include "data/WorkProgress.h"

#include "data/CsvRecords.h"
#include "data/DateText.h"
#include "data/MappedFile.h"
#include "data/NumberText.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <limits>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unordered_map>

namespace {

// How many problems of one kind are described line by line before the rest
// are only counted.
constexpr int kDetailedReports = 5;
constexpr float kMissingRaw = std::numeric_limits<float>::quiet_NaN();  // a missing value until normalised
// Collects what was wrong with the rows and columns of one file: each
// message goes to standard error and into the table's notes (for a dialog);
// of the row problems only the first few are described, then counted.
class LoadReport {
public:
    LoadReport(const char* path, std::vector<std::string>* kept) : fileName(path), notes(kept) {}

    // `where`: ", line 7" and the like, or empty; `what`: the message.
    void say(const std::string& where, const std::string& what) const {
        std::cerr << '"' << fileName << '"' << where << ": " << what << std::endl;
        notes->push_back((where.empty() ? "" : where.substr(2) + ": ") + what);
    }

    void badRowLength(int64_t lineNumber, int fields, int expected) {
        if (badRows++ >= kDetailedReports) return;
        say(", line " + std::to_string(lineNumber),
            std::to_string(fields) + " field" + (fields == 1 ? "" : "s") + " where the header has " +
                std::to_string(expected) + "; " +
                (fields < expected ? "the fields not there are missing values" : "the extra fields are ignored"));
    }

    void unterminatedQuote(int64_t lineNumber) {
        if (unterminated++ >= kDetailedReports) return;
        say(", line " + std::to_string(lineNumber),
            "a quoted field is not closed before the end of the file; the row ends with this line");
    }

    void renamedColumn(int column, const std::string& given, const std::string& name) const {
        say(", header column " + std::to_string(column),
            (given.empty() ? std::string("no name") : "\"" + given + "\" again") + ", called \"" + name + "\"");
    }

    // Fields of a column that could not be read as its kind, with their lines.
    void unreadableFields(const TableColumn& column) const {
        if (column.unreadable == 0) return;
        const bool one = column.unreadable == 1;
        std::string text = std::to_string(column.unreadable) + " field" + (one ? "" : "s") + " in column \"" +
                           column.name + "\" " + (one ? "is not a " : "are not ") +
                           (column.kind == ColumnKind::Date ? (one ? "date" : "dates") : (one ? "number" : "numbers")) +
                           ", read as missing (line" + (column.unreadableLines.size() == 1 ? " " : "s ");
        for (size_t k = 0; k < column.unreadableLines.size(); ++k) {
            text += (k ? ", " : "") + std::to_string(column.unreadableLines[k]);
        }
        if (column.unreadable > static_cast<int64_t>(column.unreadableLines.size())) text += ", ...";
        say("", text + ")");
    }

    void missingValues(const TableColumn& column, int64_t rows) const {
        if (column.missing == 0 || !column.isAxis()) return;
        if (column.missing == rows) {
            say("", "column \"" + column.name + "\" has no value at all: every item stands in its missing slot");
            return;
        }
        say("", std::to_string(column.missing) + " missing value" + (column.missing == 1 ? "" : "s") +
                    " in column \"" + column.name + "\", drawn in the slot below its axis");
    }

    void identifierColumn(const TableColumn& column, bool namesItems) const {
        const std::string why = column.distinctTexts > TableColumn::kMaxCategories
                                    ? "has more than " + std::to_string(TableColumn::kMaxCategories) + " different texts"
                                    : "holds a different text in every row";
        say("", "column \"" + column.name + "\" " + why + "; it is not drawn as an axis" +
                    (namesItems ? " and names the items" : ""));
    }

    void summarise() const {
        if (badRows > kDetailedReports) {
            say("", std::to_string(badRows - kDetailedReports) + " more rows do not match the header's field count (" +
                        std::to_string(badRows) + " in all)");
        }
        if (unterminated > kDetailedReports) {
            say("", std::to_string(unterminated - kDetailedReports) + " more rows have a quote that is not closed (" +
                        std::to_string(unterminated) + " in all)");
        }
    }

private:
    const char* fileName;
    std::vector<std::string>* notes;
    int64_t badRows = 0;
    int64_t unterminated = 0;
};

void noteUnreadable(TableColumn* column, int64_t lineNumber) {
    ++column->unreadable;
    if (column->unreadableLines.size() < TableColumn::kListedLines) column->unreadableLines.push_back(lineNumber);
}

// What the value pass found in one column.
struct ValueTally {
    int64_t numbers = 0;
    int64_t texts = 0;  // neither numbers nor missing
};

// The text pass's view of one text column: its different texts (up to the
// category limit) and dates, per item.
struct TextScan {
    std::unordered_map<std::string, int32_t> index;  // text -> its number in `texts`
    std::vector<std::string> texts;
    std::vector<int64_t> counts;
    bool tooMany = false;
    std::vector<int32_t> textOf;  // per item: its text's number; -1 missing or past the limit
    std::vector<double> dateOf;   // per item: seconds UTC; NaN when missing or not a date
    int64_t dates = 0, others = 0;
    bool anyTime = false;
    std::vector<int64_t> otherLines;  // lines of the first fields that are not dates
};

// The scan found enough texts to tell, and each of them once: an identifier.
bool everyTextOnce(const TextScan& scan) {
    if (scan.texts.size() < static_cast<size_t>(TableColumn::kMinUniqueIdentifierTexts)) return false;
    return std::all_of(scan.counts.begin(), scan.counts.end(), [](int64_t count) { return count == 1; });
}

// Header names made unique: an empty one becomes "column_<k>", a repeated
// one takes the first free "<name>_2", "<name>_3", ...
std::vector<std::string> uniqueNames(const std::vector<std::string>& given, LoadReport* report) {
    std::vector<std::string> names;
    for (size_t k = 0; k < given.size(); ++k) {
        // Taken: by a column before, or by a later column's own name.
        auto taken = [&](const std::string& name) {
            return std::find(names.begin(), names.end(), name) != names.end() ||
                   std::find(given.begin() + static_cast<long>(k) + 1, given.end(), name) != given.end();
        };
        const bool repeated = std::find(names.begin(), names.end(), given[k]) != names.end();
        if (!given[k].empty() && !repeated) {
            names.push_back(given[k]);
            continue;
        }
        const std::string base = given[k].empty() ? "column_" + std::to_string(k + 1) : given[k];
        std::string name = given[k].empty() ? base : base + "_2";
        for (int suffix = given[k].empty() ? 2 : 3; taken(name); ++suffix) name = base + "_" + std::to_string(suffix);
        report->renamedColumn(static_cast<int>(k) + 1, given[k], name);
        names.push_back(name);
    }
    return names;
}

}  // namespace

int MultidimensionalData::inputFileParser(const char* fileName) {
    if (fileName == nullptr || fileName[0] == '\0') {
        loadError = "no file name given";
        return 0;
    }

    MappedFile file(fileName);
    if (!file.isOpen()) {
        loadError = file.error();
        std::cerr << "Cannot open data file \"" << fileName << "\": " << loadError << std::endl;
        return 0;
    }
    sourceIdentity = file.identity();
    // Progress in bytes: the fingerprint, the count and the parse each read the
    // file once; one more unit stands for the normalisation and histograms.
    const int64_t fileBytes = static_cast<int64_t>(file.size());
    if (loadProgress) loadProgress->setTotal(3 * fileBytes + 1);
    fingerprint = FileFingerprint::of(file.begin(), file.size());
    if (loadProgress) loadProgress->advance(fileBytes);
    std::error_code pathError;
    sourcePath = std::filesystem::absolute(fileName, pathError).lexically_normal().string();
    if (pathError) sourcePath = fileName;
    struct stat fileStatus {};
    if (::stat(fileName, &fileStatus) == 0) {
        sourceModifiedNs = int64_t(fileStatus.st_mtim.tv_sec) * 1000000000 + fileStatus.st_mtim.tv_nsec;
    }

    loadNotes.clear();
    LoadReport report(fileName, &loadNotes);
    const char* textBegin = skipByteOrderMark(file.begin(), file.end());
    byteOrderMark = textBegin != file.begin();
    if (delimiter == 0) {
        // From the first line that is not blank: the header.
        const char* line = textBegin;
        CsvReader lines(textBegin, file.end(), ',');
        CsvRecord first;
        if (lines.next(&first)) line = first.begin;
        const char* lineEnd = static_cast<const char*>(std::memchr(line, '\n', static_cast<size_t>(file.end() - line)));
        delimiter = detectDelimiter(line, lineEnd ? lineEnd : file.end());
    }

    // Pass 1: header fields and row count.
    itemNum = 0;
    CsvReader counter(textBegin, file.end(), delimiter);
    CsvRecord header;
    header.begin = header.end = textBegin;
    counter.next(&header);  // an empty file reads as one empty header line
    if (header.unterminated) report.unterminatedQuote(header.lineNumber);
    std::vector<CsvField> fields;
    splitFields(header, delimiter, &fields);
    std::vector<std::string> given;
    for (const CsvField& field : fields) given.push_back(boundedFieldText(field));
    dimNum = static_cast<int32_t>(given.size());
    const std::vector<std::string> names = uniqueNames(given, &report);
    columns.assign(names.size(), TableColumn());
    for (size_t c = 0; c < names.size(); ++c) columns[c].name = names[c];

    rowBlockStarts.clear();
    CsvRecord record;
    int64_t rows = 0;
    while (counter.next(&record)) {
        if (rows % kRowsPerBlock == 0) rowBlockStarts.push_back(static_cast<uint64_t>(record.begin - file.begin()));
        if (record.unterminated) {
            report.unterminatedQuote(record.lineNumber);
            ++unterminatedRows;
        }
        ++rows;
    }
    rowBlockStarts.push_back(static_cast<uint64_t>(file.size()));
    if (rows > std::numeric_limits<int32_t>::max()) {
        loadError = "more than " + std::to_string(std::numeric_limits<int32_t>::max()) + " rows";
        std::cerr << "Cannot open data file \"" << fileName << "\": " << loadError << std::endl;
        return 0;
    }
    itemNum = static_cast<int32_t>(rows);
    blankLines = counter.blankLines();
    if (loadProgress) loadProgress->advance(fileBytes);
    std::cout << dimNum << " dimensions in total." << std::endl;
    std::cout << itemNum << " data items in total." << std::endl;

    // Pass 2: names and numbers. Every column but the name column has a
    // place in each row for now; the columns that are not drawn leave later.
    const bool nameFirst = toLowerString(columns[0].name) == "name";
    if (nameFirst) {
        nameColumn = 0;
        columns[0].kind = ColumnKind::Name;
        std::cout << "Fist dimension is data item names." << std::endl;
        nameEnds.assign(static_cast<size_t>(itemNum), 0);
    }
    const int nameColumns = nameFirst ? 1 : 0;
    const int valueColumns = dimNum - nameColumns;
    data.assignZeros(static_cast<size_t>(itemNum) * static_cast<size_t>(valueColumns));
    std::vector<ValueTally> tally(static_cast<size_t>(dimNum));

    CsvReader reader(textBegin, file.end(), delimiter);
    reader.next(&header);
    const char* reported = file.begin();  // parsed bytes told to loadProgress so far end here
    std::string unquoted;
    for (int32_t row = 0; row < itemNum && reader.next(&record); ++row) {
        if (loadProgress && row % 16384 == 0) {
            loadProgress->advance(record.begin - reported);
            reported = record.begin;
        }
        const int64_t lineNumber = record.lineNumber;
        float* values = data.data() + static_cast<size_t>(row) * static_cast<size_t>(valueColumns);
        auto readField = [&](int column, const char* p, const char* end) {
            TableColumn& info = columns[static_cast<size_t>(column)];
            if (column < nameColumns) {
                const std::string name = boundedFieldText(CsvField{p, end});
                nameTexts += name;
                nameEnds[static_cast<size_t>(row)] = nameTexts.size();
                return;
            }
            float* value = &values[column - nameColumns];
            if (record.quoted) fieldTextRange(&p, &end, &unquoted);
            const FieldStatus status = parseNumberField(p, end, value);
            if (status == FieldStatus::Number) {
                ++tally[static_cast<size_t>(column)].numbers;
                return;
            }
            *value = kMissingRaw;
            if (status == FieldStatus::Empty || isMissingText(p, end)) {
                ++info.missing;
                return;
            }
            // Not a number: a stray word in a numeric column (then missing), or text.
            ++tally[static_cast<size_t>(column)].texts;
            noteUnreadable(&info, lineNumber);
        };
        int fieldCount = 0;
        if (!record.quoted) {
            // The common case: no quote in the row, fields end at the next delimiter.
            for (const char* p = record.begin;; ++fieldCount) {
                const char* end = plainFieldEnd(p, record.end, delimiter);
                if (fieldCount < dimNum) readField(fieldCount, p, end);
                if (end == record.end) break;
                p = end + 1;
            }
            ++fieldCount;
        } else {
            splitFields(record, delimiter, &fields);
            fieldCount = static_cast<int>(fields.size());
            for (int column = 0; column < fieldCount && column < dimNum; ++column) {
                readField(column, fields[static_cast<size_t>(column)].begin, fields[static_cast<size_t>(column)].end);
            }
        }
        for (int column = fieldCount; column < dimNum; ++column) {
            // A short row: what is not there is missing.
            if (column < nameColumns) continue;
            values[column - nameColumns] = kMissingRaw;
            ++columns[static_cast<size_t>(column)].missing;
        }
        if (fieldCount != dimNum) report.badRowLength(lineNumber, fieldCount, dimNum);
    }
    if (loadProgress) loadProgress->advance(file.end() - reported);

    // Kinds: a column whose fields are mostly not numbers is text.
    std::vector<int> textColumns;
    for (int column = nameColumns; column < dimNum; ++column) {
        const ValueTally& counts = tally[static_cast<size_t>(column)];
        if (counts.texts > counts.numbers) {
            textColumns.push_back(column);
        } else {
            columns[static_cast<size_t>(column)].missing += columns[static_cast<size_t>(column)].unreadable;
        }
    }
    if (!textColumns.empty()) readTextColumns(textBegin, file.end(), textColumns);

    // The dimensions: every numeric, date and categorical column, in file order.
    axisColumns.clear();
    for (int column = 0; column < dimNum; ++column) {
        TableColumn& info = columns[static_cast<size_t>(column)];
        if (info.kind == ColumnKind::Name || info.kind == ColumnKind::Identifier) continue;
        info.axis = static_cast<int>(axisColumns.size());
        axisColumns.push_back(column);
    }
    actualDimNum = static_cast<int32_t>(axisColumns.size());
    if (nameColumn < 0) {
        for (int column = 0; column < dimNum; ++column) {
            if (columns[static_cast<size_t>(column)].kind != ColumnKind::Identifier) continue;
            nameColumn = column;
            readNameTexts(textBegin, file.end(), column);
            break;
        }
    }
    for (int column : textColumns) {
        const TableColumn& info = columns[static_cast<size_t>(column)];
        if (info.kind == ColumnKind::Identifier) report.identifierColumn(info, column == nameColumn);
    }

    report.summarise();
    for (const TableColumn& info : columns) {
        report.unreadableFields(info);
        report.missingValues(info, itemNum);
    }
    std::cout << "Columns:";
    for (size_t c = 0; c < columns.size(); ++c) {
        const TableColumn& info = columns[c];
        std::cout << (c ? ", " : " ") << '"' << info.name << "\" " << columnKindName(info.kind);
        if (info.kind == ColumnKind::Categorical) std::cout << " (" << info.categories.size() << " categories)";
    }
    std::cout << std::endl;
    return 1;
}

// Reads the text columns again, field by field, and gives each its kind:
// date when most of its values are dates, else categorical up to
// kMaxCategories different texts (unless every text is there once, see
// kMinUniqueIdentifierTexts), else identifier. The values of the date
// and categorical ones are placed in `data` (normalised, missing at
// kMissingValueNorm); the value rows shrink to the drawn columns.
void MultidimensionalData::readTextColumns(const char* begin, const char* end, const std::vector<int>& textColumns) {
    std::vector<TextScan> scans(textColumns.size());
    for (TextScan& scan : scans) {
        scan.textOf.assign(static_cast<size_t>(itemNum), -1);
        scan.dateOf.assign(static_cast<size_t>(itemNum), std::numeric_limits<double>::quiet_NaN());
    }
    CsvReader reader(begin, end, delimiter);
    CsvRecord record;
    reader.next(&record);  // the header
    std::vector<CsvField> fields;
    for (int32_t row = 0; row < itemNum && reader.next(&record); ++row) {
        splitFields(record, delimiter, &fields);
        for (size_t k = 0; k < textColumns.size(); ++k) {
            const size_t column = static_cast<size_t>(textColumns[k]);
            if (column >= fields.size()) continue;
            const std::string text = boundedFieldText(fields[column]);
            if (isMissingText(text.data(), text.data() + text.size())) continue;
            TextScan& scan = scans[k];
            double seconds = 0;
            bool hasTime = false;
            if (parseIsoDateTime(text.data(), text.data() + text.size(), &seconds, &hasTime)) {
                scan.dateOf[static_cast<size_t>(row)] = seconds;
                scan.anyTime = scan.anyTime || hasTime;
                ++scan.dates;
            } else {
                ++scan.others;
                if (scan.otherLines.size() < TableColumn::kListedLines) scan.otherLines.push_back(record.lineNumber);
            }
            if (scan.tooMany) continue;
            auto found = scan.index.find(text);
            if (found == scan.index.end()) {
                if (static_cast<int>(scan.texts.size()) == TableColumn::kMaxCategories) {
                    // One more than a category axis holds: an identifier (or dates).
                    scan.tooMany = true;
                    scan.index.clear();
                    scan.counts.push_back(1);
                    continue;
                }
                found = scan.index.emplace(text, static_cast<int32_t>(scan.texts.size())).first;
                scan.texts.push_back(text);
                scan.counts.push_back(0);
            }
            ++scan.counts[static_cast<size_t>(found->second)];
            scan.textOf[static_cast<size_t>(row)] = found->second;
        }
    }

    // Each text column's kind and, for the drawn ones, its values.
    std::vector<std::vector<float>> placed(static_cast<size_t>(dimNum));
    for (size_t k = 0; k < textColumns.size(); ++k) {
        TextScan& scan = scans[k];
        TableColumn& info = columns[static_cast<size_t>(textColumns[k])];
        info.unreadable = 0;
        info.unreadableLines.clear();
        info.distinctTexts = static_cast<int64_t>(scan.texts.size()) + (scan.tooMany ? 1 : 0);
        std::vector<float>& values = placed[static_cast<size_t>(textColumns[k])];
        if (scan.dates > scan.others) {
            info.kind = ColumnKind::Date;
            info.hasTimes = scan.anyTime;
            info.unreadable = scan.others;
            info.unreadableLines = scan.otherLines;
            info.missing += scan.others;
            double first = std::numeric_limits<double>::infinity(), last = -first;
            for (double seconds : scan.dateOf) {
                if (std::isnan(seconds)) continue;
                first = std::min(first, seconds);
                last = std::max(last, seconds);
            }
            info.minValue = first;
            info.maxValue = last;
            values.resize(static_cast<size_t>(itemNum));
            for (size_t item = 0; item < values.size(); ++item) {
                const double seconds = scan.dateOf[item];
                values[item] = std::isnan(seconds) ? kMissingValueNorm
                               : last > first      ? static_cast<float>((seconds - first) / (last - first))
                                                   : kConstantDimensionValue;
            }
        } else if (!scan.tooMany && !everyTextOnce(scan)) {
            info.kind = ColumnKind::Categorical;
            std::vector<int32_t> order(scan.texts.size());
            for (size_t t = 0; t < order.size(); ++t) order[t] = static_cast<int32_t>(t);
            std::sort(order.begin(), order.end(),
                      [&](int32_t a, int32_t b) { return naturalLess(scan.texts[static_cast<size_t>(a)], scan.texts[static_cast<size_t>(b)]); });
            std::vector<float> position(scan.texts.size());
            const size_t categories = order.size();
            for (size_t rank = 0; rank < categories; ++rank) {
                const size_t text = static_cast<size_t>(order[rank]);
                info.categories.push_back(scan.texts[text]);
                info.categoryCounts.push_back(scan.counts[text]);
                position[text] = categories > 1 ? static_cast<float>(rank) / static_cast<float>(categories - 1)
                                                : kConstantDimensionValue;
            }
            info.minValue = 0;
            info.maxValue = categories > 0 ? static_cast<double>(categories - 1) : 0.0;
            values.resize(static_cast<size_t>(itemNum));
            for (size_t item = 0; item < values.size(); ++item) {
                const int32_t text = scan.textOf[item];
                values[item] = text < 0 ? kMissingValueNorm : position[static_cast<size_t>(text)];
            }
        } else {
            info.kind = ColumnKind::Identifier;
        }
        scan = TextScan();  // its memory goes before the next column's values are made
    }
    keepAxisColumns(placed);
}

// The value rows, which hold every column but the name column, shrink in
// place to the drawn columns (numeric raw values as read; date and
// categorical values from `textAxisValues`, by column).
void MultidimensionalData::keepAxisColumns(const std::vector<std::vector<float>>& textAxisValues) {
    const int nameColumns = columns[0].kind == ColumnKind::Name ? 1 : 0;
    const size_t valueColumns = static_cast<size_t>(dimNum - nameColumns);
    std::vector<int> kept;
    for (int column = nameColumns; column < dimNum; ++column) {
        const ColumnKind kind = columns[static_cast<size_t>(column)].kind;
        if (kind != ColumnKind::Identifier && kind != ColumnKind::Name) kept.push_back(column);
    }
    const size_t keptColumns = kept.size();
    // Row by row, left to right: a value is never written over one not yet read.
    float* values = data.data();
    for (size_t row = 0; row < static_cast<size_t>(itemNum); ++row) {
        for (size_t k = 0; k < keptColumns; ++k) {
            const size_t column = static_cast<size_t>(kept[k]);
            const std::vector<float>& placed = textAxisValues[column];
            values[row * keptColumns + k] =
                placed.empty() ? values[row * valueColumns + column - static_cast<size_t>(nameColumns)] : placed[row];
        }
    }
}

// The texts of identifier column `column` become the items' names.
void MultidimensionalData::readNameTexts(const char* begin, const char* end, int column) {
    nameTexts.clear();
    nameEnds.assign(static_cast<size_t>(itemNum), 0);
    CsvReader reader(begin, end, delimiter);
    CsvRecord record;
    reader.next(&record);
    std::vector<CsvField> fields;
    for (int32_t row = 0; row < itemNum && reader.next(&record); ++row) {
        splitFields(record, delimiter, &fields);
        if (static_cast<size_t>(column) < fields.size()) nameTexts += boundedFieldText(fields[static_cast<size_t>(column)]);
        nameEnds[static_cast<size_t>(row)] = nameTexts.size();
    }
}

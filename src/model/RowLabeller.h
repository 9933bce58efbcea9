// RowLabeller: labels the records of a table's file with a session's rules
// (LabelRules), writing each as the clusters' export does (ClusterExport.h):
// the record verbatim (a short one padded with empty fields, a long one
// without its extra fields), then the leaf, its colour and the group, then
// the record's own line end (a last record without one gets the header's).
//
// The table to label must have the session table's columns (the same header
// names, in the same order); each axis column is read with the session
// table's kind, extremes and category order (FieldNormaliser). Records are
// handed over in whole-record pieces of the file, each labelled on its own,
// so that pieces can be labelled on several cores (or machines) at once and
// their outputs joined in order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/CsvRecords.h"
#include "data/FieldNormaliser.h"

class LabelRules;
class TableModel;

class RowLabeller {
public:
    // Counts of one piece, or of a whole run (add()).
    struct Tally {
        int64_t rows = 0;
        int64_t cutRows = 0;          // rows with more fields than the header: the extra ones left out
        int64_t shortRows = 0;        // rows with fewer: padded with empty fields, read as missing
        int64_t unterminatedRows = 0; // rows whose quote never closes (each ends with its first line)
        std::vector<int64_t> leafRows;         // per leaf
        std::vector<int64_t> groupRows;        // per group (LabelRules::groupNames order)
        std::vector<int64_t> unknownCategories;  // per axis: categories the session's table does not have
        void add(const Tally& other);
    };

    // `model` holds the session's table with the session applied and
    // `rules` its rules; both must outlive the labeller. `delimiter`: the
    // field delimiter of the tables to label.
    RowLabeller(const TableModel& model, const LabelRules& rules, char delimiter);

    // Empty when `header` (a header record of the table to label, `tableName`
    // for messages) has the session table's columns; else why not, naming both.
    std::string checkHeader(const CsvRecord& header, const std::string& tableName) const;
    // The output's first line: the header record as it is, the three added
    // column names and the header's line end (LF when it has none). Also
    // takes that line end for records without one.
    void writeHeader(const CsvRecord& header, std::string* out);
    // Labels the records of [begin, end), which starts at a record (or a
    // blank line) and ends after a whole one, appending their output to
    // *out and their counts to *tally. Safe to call from several threads at once.
    void labelRecords(const char* begin, const char* end, std::string* out, Tally* tally) const;
    // An empty tally of the right sizes.
    Tally emptyTally() const;

    char delimiter() const { return fieldDelimiter; }
    const LabelRules& rules() const { return labelRules; }
    // The name of each axis column (for messages about its fields).
    const std::vector<std::string>& axisNames() const { return axisColumnNames; }

private:
    const LabelRules& labelRules;
    char fieldDelimiter;
    std::vector<std::string> headerNames;     // the session table's header as given (before names were made unique)
    std::vector<std::string> addedNames;      // leaf, leaf_color, group (or their free variants)
    std::vector<int> axisOfColumn;            // per column: its axis, or -1
    std::vector<FieldNormaliser> normalisers; // per axis
    std::vector<std::string> axisColumnNames;
    std::vector<std::string> leafTexts;       // per leaf: ",<leaf>,<colour>" with the delimiter
    std::vector<std::string> groupTexts;      // per group: ",<name>" with the delimiter
    std::string headerEnd = "\n";
};

// ApplyRun: what labelling a table by a saved session needs before the table
// is read, and what is said after: the session read and checked, its own
// table (the sample it was shaped on) loaded for its columns' kinds,
// extremes and category orders, the session applied to it, and its rules.
// The batch mode (--apply) and the MPI program (strands-apply) share it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/AtomicFile.h"
#include "model/LabelRules.h"
#include "model/RowLabeller.h"
#include "model/TableModel.h"

class ApplyRun {
public:
    ApplyRun();
    ~ApplyRun();

    // Reads the session at `sessionPath` and loads its table from the path it
    // names (which must still hold the table it was saved on: its size and
    // hash are checked). `delimiter` (0: the session's) is that of the tables
    // to label. False, with *error naming the file and the problem: the
    // session cannot be read, is of version 1 (which records neither the
    // table's delimiter nor its columns' kinds), or its table is gone or changed.
    bool load(const std::string& sessionPath, char delimiter, std::string* error);

    RowLabeller& labeller() { return *rowLabeller; }
    const LabelRules& rules() const { return *labelRules; }
    const TableModel& model() const { return tableModel; }
    // The files read (the session, its table): a write never replaces them.
    const std::vector<ReadFile>& inputs() const { return readFiles; }
    // Where the session's lists and its rules part on the session's own table
    // (lines for standard error; empty when they agree).
    std::string differencesText() const;

    // The counts of a run: rows per leaf and per group, and what was odd
    // about the rows, as lines for standard error.
    std::string summaryText(const RowLabeller::Tally& tally, const std::string& tableName) const;
    // The same as one JSON object.
    std::string summaryJson(const RowLabeller::Tally& tally, const std::string& tableName) const;

private:
    TableModel tableModel;
    std::unique_ptr<LabelRules> labelRules;
    std::unique_ptr<RowLabeller> rowLabeller;
    std::vector<ReadFile> readFiles;
};

// Opens `path` for reading without waiting (a named pipe never blocks) and
// refuses what is not a regular file; -1 with *error naming it.
int openTableForReading(const std::string& path, std::string* error, FileIdentity* identity, int64_t* size);

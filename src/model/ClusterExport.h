// ClusterExport: the table's rows as they are in its file, each with the
// cluster it ended in, for other tools.
//
// The file the table was read from is read again (if it changed since it was
// loaded, nothing is written) with the loader's own reading (CsvRecords.h).
// The header and every data row are copied with each field's text verbatim
// (blanks, quotes, line breaks inside quotes, names, empty fields and all), in
// file order, each with its own line end (the header's for a last row without
// one); blank lines are not rows and are left out. Three columns follow,
// separated by the file's delimiter:
//   leaf        the operator-tree leaf holding the row: leaves numbered 0, 1, ...
//               in the tree's pre-order (0 for the root while it is the only node)
//   leaf_color  that leaf's colour, #RRGGBBAA
//   group       the row's hint-path group: 0 for the unmatched rows, k for
//               the group of unlocked path k (1, 2, ...), Lk for locked group k (L1, L2, ...)
// A header field that already has one of these names makes the added column
// take the first free name of name_2, name_3, ... A row with fewer fields than
// the header gets empty fields up to the header's count (the loader read them
// as missing); a row with more has the extra fields left out (the loader ignored
// them), so every exported row has the header's fields plus three.
#pragma once

#include <string>
#include <vector>

#include "data/AtomicFile.h"
#include "geometry/Color4.h"

class TableModel;

struct ClusterExport {
    static constexpr const char* kAddedColumns[3] = {"leaf", "leaf_color", "group"};

    // A leaf's colour as the export writes it: "#RRGGBBAA".
    static std::string colourText(const Color4& colour);
    // The names the three added columns take beside `header` (trimmed field names).
    static std::vector<std::string> addedColumnNames(const std::vector<std::string>& header);
    // The exported text; false with *error when the table's file cannot be
    // read again or has changed. *cutRows (when given): rows whose extra
    // fields were left out.
    static bool build(const TableModel& model, std::string* csv, std::string* error, int* cutRows = nullptr);
    // build, then an atomic write to `target`: never the table's own file,
    // nor one of `alsoRead` (the session a batch run read, say).
    static bool write(const TableModel& model, const std::string& target, std::string* error, int* cutRows = nullptr,
                      const std::vector<ReadFile>& alsoRead = {});
};

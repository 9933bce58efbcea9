#include "model/ClusterExport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cluster/MultidimensionalCluster.h"
#include "data/AtomicFile.h"
#include "data/MappedFile.h"
#include "data/MultidimensionalData.h"
#include "data/CsvRecords.h"
#include "model/TableModel.h"
#include "operators/ClusterTree.h"

namespace {

// The field count of a record and where the first `fields` of them end.
const char* endOfFields(const CsvRecord& record, char delimiter, int fields, int* count,
                        std::vector<CsvField>* scratch) {
    splitFields(record, delimiter, scratch);
    *count = static_cast<int>(scratch->size());
    return *count > fields ? (*scratch)[static_cast<size_t>(fields) - 1].end : record.end;
}

}  // namespace

std::string ClusterExport::colourText(const Color4& c) {
    auto byte = [](float v) { return static_cast<int>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    char text[10];
    std::snprintf(text, sizeof text, "#%02X%02X%02X%02X", byte(c.r), byte(c.g), byte(c.b), byte(c.a));
    return text;
}

std::vector<std::string> ClusterExport::addedColumnNames(const std::vector<std::string>& header) {
    std::vector<std::string> names;
    auto taken = [&](const std::string& name) {
        return std::find(header.begin(), header.end(), name) != header.end() ||
               std::find(names.begin(), names.end(), name) != names.end();
    };
    for (const char* base : kAddedColumns) {
        std::string name = base;
        for (int suffix = 2; taken(name); ++suffix) name = std::string(base) + "_" + std::to_string(suffix);
        names.push_back(name);
    }
    return names;
}

bool ClusterExport::build(const TableModel& model, std::string* csv, std::string* error, int* cutRows) {
    int cut = 0;
    const MultidimensionalData* table = model.getData();
    if (table == nullptr || !table->isLoaded()) {
        *error = "No table is loaded: there is nothing to export";
        return false;
    }
    const std::string& source = table->getSourcePath();
    const MappedFile file(source.c_str());
    if (!file.isOpen()) {
        *error = "Cannot read the table \"" + source + "\" again: " + file.error();
        return false;
    }
    if (FileFingerprint::of(file.begin(), file.size()) != table->getFingerprint()) {
        *error = "The table \"" + source + "\" has changed since it was loaded; nothing was exported. Open it again to export its clusters.";
        return false;
    }

    // Leaf of every item, leaves numbered in pre-order; group of every item.
    const int n = table->getDataNum();
    std::vector<AROperator*> nodes;
    model.getClusterTree()->collectNodes(&nodes);
    std::vector<int> leafOf(static_cast<size_t>(n), -1);
    std::vector<std::string> leafColours;
    for (const AROperator* node : nodes) {
        if (!node->noChildren()) continue;
        for (int item : node->controlList) {
            if (item >= 0 && item < n) leafOf[item] = static_cast<int>(leafColours.size());
        }
        leafColours.push_back(colourText(node->color));
    }
    std::vector<std::string> groupNames;
    std::vector<int> groupOf(static_cast<size_t>(n), -1);
    const MultidimensionalCluster* groups = model.getClusters();
    for (int k = 0; k < groups->getUnlockedGroupNum(); ++k) {
        for (int32_t item : groups->getUnlockedGroup(k)->items) {
            if (item >= 0 && item < n) groupOf[item] = static_cast<int>(groupNames.size());
        }
        groupNames.push_back(std::to_string(k));
    }
    for (int k = 0; k < groups->getLockedGroupNum(); ++k) {
        for (int32_t item : groups->getLockedGroup(k)->items) {
            if (item >= 0 && item < n) groupOf[item] = static_cast<int>(groupNames.size());
        }
        groupNames.push_back("L" + std::to_string(k + 1));
    }

    // The records as the loader read them: row k is the k-th record after
    // the header, blank lines skipped; each keeps its own line end.
    const char delimiter = table->getDelimiter();
    const char* textBegin = skipByteOrderMark(file.begin(), file.end());
    CsvReader reader(textBegin, file.end(), delimiter);
    CsvRecord header;
    header.begin = header.end = header.next = textBegin;
    reader.next(&header);
    const int headerFields = table->getDimNum();
    std::vector<std::string> names;
    for (int k = 0; k < headerFields; ++k) names.push_back(table->getDimName(k));
    const std::vector<std::string> added = addedColumnNames(names);
    // A record without a line end (the file's last) gets the header's, or LF.
    const std::string headerEnd = header.next > header.end ? std::string(header.end, header.next) : "\n";

    std::string out;
    out.reserve(file.size() + static_cast<size_t>(n) * 24 + 64);
    out.append(file.begin(), textBegin);  // the byte-order mark, if any
    out.append(header.begin, header.end);
    for (const std::string& name : added) out += delimiter + name;
    out += headerEnd;
    CsvRecord record;
    std::vector<CsvField> fields;
    for (int row = 0; row < n; ++row) {
        if (!reader.next(&record)) {
            *error = "The table \"" + source + "\" has fewer rows than when it was loaded; nothing was exported.";
            return false;
        }
        int count = 0;
        const char* keep = endOfFields(record, delimiter, headerFields, &count, &fields);
        out.append(record.begin, keep);
        if (count > headerFields) ++cut;
        for (int missing = count; missing < headerFields; ++missing) out += delimiter;
        out += delimiter;
        if (leafOf[row] >= 0) out += std::to_string(leafOf[row]);
        out += delimiter;
        if (leafOf[row] >= 0) out += leafColours[static_cast<size_t>(leafOf[row])];
        out += delimiter;
        if (groupOf[row] >= 0) out += groupNames[static_cast<size_t>(groupOf[row])];
        if (record.next > record.end) {
            out.append(record.end, record.next);
        } else {
            out += headerEnd;
        }
    }
    *csv = std::move(out);
    if (cutRows != nullptr) *cutRows = cut;
    return true;
}

bool ClusterExport::write(const TableModel& model, const std::string& target, std::string* error, int* cutRows,
                          const std::vector<ReadFile>& alsoRead) {
    std::string csv;
    if (!build(model, &csv, error, cutRows)) return false;
    std::vector<ReadFile> inputs = tableFiles(*model.getData());
    inputs.insert(inputs.end(), alsoRead.begin(), alsoRead.end());
    return writeFileAtomically(target, csv, error, inputs);
}

#include "model/ApplyRun.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

#include "data/MultidimensionalData.h"
#include "model/Session.h"

ApplyRun::ApplyRun() = default;
ApplyRun::~ApplyRun() = default;

bool ApplyRun::load(const std::string& sessionPath, char delimiter, std::string* error) {
    Session session;
    FileIdentity sessionIdentity;
    if (!readSessionFile(sessionPath, &session, error, &sessionIdentity)) return false;
    if (session.version < 2 || session.columns.empty()) {
        *error = "\"" + sessionPath + "\": a session of version " + std::to_string(session.version) +
                 " records neither its table's delimiter nor its columns' kinds and category orders, which "
                 "labelling another table needs; open it with its table and save it again";
        return false;
    }
    readFiles.push_back({sessionIdentity, "the session file", sessionPath});
    auto table = std::make_unique<MultidimensionalData>(session.tablePath.c_str(), nullptr, session.delimiter);
    const std::string problem = describeUnusableTable(*table, session.tablePath);
    if (!problem.empty()) {
        *error = "\"" + sessionPath + "\" was shaped on \"" + session.tablePath +
                 "\", which must be at hand for its columns' extremes: " + problem;
        return false;
    }
    if (!session.checkAgainst(*table, error)) {
        *error = "\"" + sessionPath + "\": " + *error;
        return false;
    }
    for (const ReadFile& file : tableFiles(*table)) readFiles.push_back(file);
    tableModel.linkMDdata(table.release());
    session.applyTo(tableModel);
    labelRules = std::make_unique<LabelRules>(tableModel);
    rowLabeller = std::make_unique<RowLabeller>(tableModel, *labelRules, delimiter != 0 ? delimiter : session.delimiter);
    return true;
}

std::string ApplyRun::differencesText() const {
    return LabelRules::describe(labelRules->differences(tableModel), tableModel.getData()->getDataNum());
}

std::string ApplyRun::summaryText(const RowLabeller::Tally& tally, const std::string& tableName) const {
    std::string text = "Labelled " + std::to_string(tally.rows) + " rows of \"" + tableName + "\"\n";
    for (size_t leaf = 0; leaf < tally.leafRows.size(); ++leaf) {
        text += "  leaf " + std::to_string(leaf) + " " + labelRules->leafColourTexts()[leaf] + ": " +
                std::to_string(tally.leafRows[leaf]) + " rows\n";
    }
    for (size_t group = 0; group < tally.groupRows.size(); ++group) {
        text += "  group " + labelRules->groupNames()[group] + ": " + std::to_string(tally.groupRows[group]) + " rows\n";
    }
    if (tally.cutRows > 0) {
        text += std::to_string(tally.cutRows) + " rows had more fields than the header; the extra fields are not exported\n";
    }
    if (tally.shortRows > 0) {
        text += std::to_string(tally.shortRows) + " rows had fewer fields than the header; the missing ones are empty\n";
    }
    if (tally.unterminatedRows > 0) {
        text += std::to_string(tally.unterminatedRows) +
                " rows have a quote that is not closed; each ends with the line it opened on\n";
    }
    const std::vector<std::string>& axes = rowLabeller->axisNames();
    for (size_t axis = 0; axis < tally.unknownCategories.size(); ++axis) {
        if (tally.unknownCategories[axis] == 0) continue;
        text += std::to_string(tally.unknownCategories[axis]) + " fields of column \"" + axes[axis] +
                "\" are categories the session's table does not have; read as missing\n";
    }
    return text;
}

std::string ApplyRun::summaryJson(const RowLabeller::Tally& tally, const std::string& tableName) const {
    using nlohmann::json;
    json leaves = json::array();
    for (size_t leaf = 0; leaf < tally.leafRows.size(); ++leaf) {
        leaves.push_back({{"leaf", leaf}, {"color", labelRules->leafColourTexts()[leaf]}, {"rows", tally.leafRows[leaf]}});
    }
    json groups = json::array();
    for (size_t group = 0; group < tally.groupRows.size(); ++group) {
        groups.push_back({{"group", labelRules->groupNames()[group]}, {"rows", tally.groupRows[group]}});
    }
    json unknown = json::object();
    for (size_t axis = 0; axis < tally.unknownCategories.size(); ++axis) {
        if (tally.unknownCategories[axis] > 0) unknown[rowLabeller->axisNames()[axis]] = tally.unknownCategories[axis];
    }
    const json summary = {{"table", tableName},          {"rows", tally.rows},
                          {"leaves", leaves},            {"groups", groups},
                          {"cut_rows", tally.cutRows},   {"short_rows", tally.shortRows},
                          {"unterminated_rows", tally.unterminatedRows},
                          {"unknown_categories", unknown}};
    return summary.dump(2) + "\n";
}

int openTableForReading(const std::string& path, std::string* error, FileIdentity* identity, int64_t* size) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *error = "Cannot open \"" + path + "\": " + std::strerror(errno);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        *error = "Cannot open \"" + path + "\": " +
                 (S_ISDIR(info.st_mode) ? std::string(std::strerror(EISDIR))
                                        : describeFileKind(info.st_mode) + ", not a regular file");
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    *identity = FileIdentity::of(static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino));
    *size = static_cast<int64_t>(info.st_size);
    return fd;
}

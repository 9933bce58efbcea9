#include "app/BatchRun.h"

#include <iostream>
#include <memory>

#include "app/CommandLine.h"
#include "data/MultidimensionalData.h"
#include "model/ClusterExport.h"
#include "model/Session.h"
#include "model/TableInfo.h"
#include "model/TableModel.h"

namespace {

int failed(const std::string& why) {
    std::cerr << "strands: " << why << std::endl;
    return CommandLine::kFailureExitStatus;
}

}  // namespace

int runBatch(const CommandLine& commandLine) {
    Session session;
    const bool withSession = !commandLine.sessionFile.empty();
    std::string error;
    FileIdentity sessionIdentity;
    if (withSession && !readSessionFile(commandLine.sessionFile, &session, &error, &sessionIdentity)) {
        return failed(error + ". Nothing was exported.");
    }

    const std::string tablePath = commandLine.dataFile.empty() ? session.tablePath : commandLine.dataFile;
    auto table = std::make_unique<MultidimensionalData>(
        tablePath.c_str(), nullptr, commandLine.delimiter != 0 ? commandLine.delimiter : session.delimiter);
    const std::string problem = describeUnusableTable(*table, tablePath);
    if (!problem.empty()) return failed(problem + " Nothing was exported.");
    if (withSession && !session.checkAgainst(*table, &error)) {
        return failed("\"" + commandLine.sessionFile + "\": " + error + ". Nothing was exported.");
    }

    TableModel model;
    model.linkMDdata(table.release());
    if (withSession) session.applyTo(model);
    int cutRows = 0;
    std::vector<ReadFile> alsoRead;
    if (withSession) alsoRead.push_back({sessionIdentity, "the session file", commandLine.sessionFile});
    if (!ClusterExport::write(model, commandLine.exportFile, &error, &cutRows, alsoRead)) return failed(error);
    if (cutRows > 0) {
        std::cerr << "strands: " << cutRows << " rows had more fields than the header; the extra fields are not exported"
                  << std::endl;
    }
    std::cout << "Exported " << model.getData()->getDataNum() << " rows to \"" << commandLine.exportFile << "\""
              << std::endl;
    return 0;
}

int runInfo(const CommandLine& commandLine) {
    // The loader's progress lines would mix with the report: standard output holds the report alone.
    std::streambuf* saved = std::cout.rdbuf(nullptr);
    MultidimensionalData table(commandLine.dataFile.c_str(), nullptr, commandLine.delimiter);
    std::cout.rdbuf(saved);
    if (!table.isLoaded()) return failed(describeUnusableTable(table, commandLine.dataFile));
    std::cout << (commandLine.json ? TableInfo::json(table) : TableInfo::text(table, commandLine.dataFile)) << std::flush;
    return 0;
}

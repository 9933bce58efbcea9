#include "app/BatchRun.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>

#include "app/CommandLine.h"
#include "data/MultidimensionalData.h"
#include "model/ApplyRun.h"
#include "model/ClusterExport.h"
#include "model/TableStream.h"
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

int runApply(const CommandLine& commandLine) {
    const bool toStdout = commandLine.exportFile == "-";
    const bool fromStdin = commandLine.applyFile == "-";
    const std::string tableName = fromStdin ? "standard input" : commandLine.applyFile;
    const std::string nothing = toStdout ? "" : " Nothing was written.";
    // The loader's progress lines stay off standard output: it may carry the labelled rows.
    std::streambuf* saved = std::cout.rdbuf(nullptr);
    ApplyRun run;
    std::string error;
    const bool loaded = run.load(commandLine.sessionFile, commandLine.delimiter, &error);
    std::cout.rdbuf(saved);
    if (!loaded) return failed(error + "." + nothing);
    const std::string differences = run.differencesText();
    if (!differences.empty()) std::cerr << "strands: " << differences << std::flush;

    FileIdentity inputIdentity;
    int64_t inputSize = -1;
    int fd = 0;
    if (!fromStdin) {
        fd = openTableForReading(commandLine.applyFile, &error, &inputIdentity, &inputSize);
        if (fd < 0) return failed(error + "." + nothing);
    }
    std::vector<ReadFile> inputs = run.inputs();
    if (!fromStdin) inputs.push_back({inputIdentity, "the table to label", commandLine.applyFile});

    AtomicFileWriter writer;
    ByteSink sink;
    if (toStdout) {
        sink = [](const char* bytes, size_t count, std::string* why) {
            while (count > 0) {
                const ssize_t n = ::write(STDOUT_FILENO, bytes, count);
                if (n < 0) {
                    if (errno == EINTR) continue;
                    *why = std::string("Cannot write to standard output: ") + std::strerror(errno);
                    return false;
                }
                bytes += n;
                count -= static_cast<size_t>(n);
            }
            return true;
        };
    } else {
        if (!writer.open(commandLine.exportFile, &error, inputs)) {
            if (!fromStdin) ::close(fd);
            return failed(error);
        }
        sink = [&writer](const char* bytes, size_t count, std::string* why) { return writer.write(bytes, count, why); };
    }
    StreamOptions options;
    options.progress = ::isatty(STDERR_FILENO) == 1;
    options.totalBytes = inputSize;
    RowLabeller::Tally tally;
    const bool done = TableStream::run(run.labeller(), fd, tableName, sink, &tally, &error, options);
    if (!fromStdin) ::close(fd);
    if (!done || (!toStdout && !writer.commit(&error))) {
        writer.abandon();
        return failed(error + "." + nothing);
    }
    std::cerr << run.summaryText(tally, tableName) << std::flush;
    if (!commandLine.summaryFile.empty()) {
        inputs.push_back({FileIdentity::ofPath(commandLine.exportFile), "the labelled table", commandLine.exportFile});
        if (!writeFileAtomically(commandLine.summaryFile, run.summaryJson(tally, tableName), &error, inputs)) {
            return failed(error);
        }
    }
    return 0;
}

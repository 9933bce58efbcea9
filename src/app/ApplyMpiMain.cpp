// strands-apply: `--apply` across the processes of an MPI run, on one
// machine or many:
//
//   mpirun -n K strands-apply --session S.json --apply BIG.csv --export OUT.csv
//
// takes the command line of `strands --apply` (a file to read and a file to
// write: byte ranges need both). Every process reads the session and its
// table, then labels its own byte range of BIG (ByteRanges.h: how a range
// start is found), first counting its output, then writing it with MPI-IO at
// its offset (the header's size plus the output of the ranges before it)
// into a temporary file beside OUT. Process 0 renames that file to OUT only
// when every process succeeded; otherwise it removes it, and OUT is as it was.
// The output is byte for byte that of `strands --apply` in one process.
//
// Fault injection for the tests: STRANDS_APPLY_FAIL_RANK=k makes process k
// fail its range as an unreadable one would.
#include <mpi.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "model/ApplyRun.h"
#include "model/ByteRanges.h"

namespace {

int rank = 0, processes = 1;

// Whether `ok` holds on every process; when it does not, `why` (the
// failure of this process, if it failed) is told: once when every process
// failed alike, else by each process that failed, naming it.
bool everywhere(bool ok, const std::string& why = "") {
    int mine = ok ? 0 : 1, failures = 0;
    MPI_Allreduce(&mine, &failures, 1, MPI_INT, MPI_SUM, MPI_COMM_WORLD);
    if (failures == 0) return true;
    if (failures == processes) {
        if (rank == 0 && !why.empty()) std::cerr << "strands-apply: " << why << std::endl;
    } else if (!ok && !why.empty()) {
        std::cerr << "strands-apply: process " << rank << " of " << processes << ": " << why << std::endl;
    }
    return false;
}

std::vector<int64_t> packed(const RowLabeller::Tally& tally) {
    std::vector<int64_t> values = {tally.rows, tally.cutRows, tally.shortRows, tally.unterminatedRows};
    values.insert(values.end(), tally.leafRows.begin(), tally.leafRows.end());
    values.insert(values.end(), tally.groupRows.begin(), tally.groupRows.end());
    values.insert(values.end(), tally.unknownCategories.begin(), tally.unknownCategories.end());
    return values;
}

RowLabeller::Tally unpacked(const std::vector<int64_t>& values, const RowLabeller::Tally& shape) {
    RowLabeller::Tally tally = shape;
    size_t at = 0;
    tally.rows = values[at++];
    tally.cutRows = values[at++];
    tally.shortRows = values[at++];
    tally.unterminatedRows = values[at++];
    for (int64_t& v : tally.leafRows) v = values[at++];
    for (int64_t& v : tally.groupRows) v = values[at++];
    for (int64_t& v : tally.unknownCategories) v = values[at++];
    return tally;
}

int run(const CommandLine& commandLine) {
    if (commandLine.applyFile == "-" || commandLine.exportFile == "-") {
        if (rank == 0) {
            std::cerr << "strands-apply: under MPI the table to label and the output must be files (byte ranges of "
                         "them), not \"-\"" << std::endl;
        }
        return CommandLine::kFailureExitStatus;
    }
    const std::string nothing = " Nothing was written.";
    std::string error;
    ApplyRun session;
    std::streambuf* saved = std::cout.rdbuf(nullptr);  // the loader's progress lines
    const bool loaded = session.load(commandLine.sessionFile, commandLine.delimiter, &error);
    std::cout.rdbuf(saved);
    if (!everywhere(loaded, error + "." + nothing)) return CommandLine::kFailureExitStatus;

    FileIdentity tableIdentity;
    int64_t fileSize = 0;
    const int fd = openTableForReading(commandLine.applyFile, &error, &tableIdentity, &fileSize);
    std::string headerOutput;
    int64_t dataStart = 0;
    bool ok = fd >= 0 && readTableHeader(session.labeller(), fd, commandLine.applyFile, &headerOutput, &dataStart, &error);
    if (!everywhere(ok, error + "." + nothing)) {
        if (fd >= 0) ::close(fd);
        return CommandLine::kFailureExitStatus;
    }

    // This process's range: guessed, checked by every process, found again in turn when a guess was wrong.
    const int k = rank;
    int64_t begin = dataStart, end = fileSize;
    ok = (k == 0 || ByteRanges::guessStart(fd, ByteRanges::nominalStart(dataStart, fileSize, k, processes), fileSize, &begin, &error)) &&
         (k + 1 == processes ||
          ByteRanges::guessStart(fd, ByteRanges::nominalStart(dataStart, fileSize, k + 1, processes), fileSize, &end, &error));
    const char* failRank = std::getenv("STRANDS_APPLY_FAIL_RANK");
    const bool injected = failRank != nullptr && std::atoi(failRank) == rank;
    RowLabeller::Tally tally;
    int64_t outputBytes = 0;
    bool endsOnRecord = true;
    auto countRange = [&] {
        if (begin > end) end = begin;
        return ByteRanges::labelRange(session.labeller(), fd, begin, end, fileSize, nullptr, &tally, &outputBytes,
                                      &endsOnRecord, &error);
    };
    ok = ok && countRange();
    if (!everywhere(ok, "\"" + commandLine.applyFile + "\": " + error + "." + nothing)) {
        ::close(fd);
        return CommandLine::kFailureExitStatus;
    }
    if (!everywhere(endsOnRecord)) {
        // Found again in turn: each process reads from its true start to the next one's.
        begin = dataStart;
        if (k > 0) MPI_Recv(&begin, 1, MPI_INT64_T, k - 1, 0, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
        const int64_t nextNominal = ByteRanges::nominalStart(dataStart, fileSize, k + 1, processes);
        end = fileSize;
        ok = begin < fileSize && k + 1 < processes && begin < nextNominal
                 ? ByteRanges::nextBoundary(fd, begin, nextNominal, fileSize, session.labeller().delimiter(), &end, &error)
                 : true;
        if (k + 1 < processes) {
            if (begin >= nextNominal) end = begin;
            MPI_Send(&end, 1, MPI_INT64_T, k + 1, 0, MPI_COMM_WORLD);
        } else {
            end = fileSize;
        }
        ok = ok && countRange();
        if (!everywhere(ok, "\"" + commandLine.applyFile + "\": " + error + "." + nothing)) {
            ::close(fd);
            return CommandLine::kFailureExitStatus;
        }
    }
    int64_t before = 0;
    MPI_Exscan(&outputBytes, &before, 1, MPI_INT64_T, MPI_SUM, MPI_COMM_WORLD);
    if (rank == 0) before = 0;  // MPI_Exscan leaves process 0's result undefined
    const int64_t offset = static_cast<int64_t>(headerOutput.size()) + before;

    // Process 0 checks OUT and makes the temporary file; every process writes its part into it.
    AtomicFileWriter writer;
    std::string temporary;
    if (rank == 0) {
        std::vector<ReadFile> inputs = session.inputs();
        inputs.push_back({tableIdentity, "the table to label", commandLine.applyFile});
        if (writer.open(commandLine.exportFile, &error, inputs)) temporary = writer.temporaryPath();
    }
    int pathBytes = static_cast<int>(temporary.size());
    MPI_Bcast(&pathBytes, 1, MPI_INT, 0, MPI_COMM_WORLD);
    if (pathBytes == 0) {
        if (rank == 0) std::cerr << "strands-apply: " << error << "." << nothing << std::endl;
        ::close(fd);
        return CommandLine::kFailureExitStatus;
    }
    temporary.resize(static_cast<size_t>(pathBytes));
    MPI_Bcast(&temporary[0], pathBytes, MPI_CHAR, 0, MPI_COMM_WORLD);
    MPI_File out;
    ok = MPI_File_open(MPI_COMM_WORLD, temporary.c_str(), MPI_MODE_WRONLY, MPI_INFO_NULL, &out) == MPI_SUCCESS;
    if (!everywhere(ok, "Cannot write \"" + commandLine.exportFile + "\": the temporary file cannot be opened with MPI-IO")) {
        if (ok) MPI_File_close(&out);
        ::close(fd);
        return CommandLine::kFailureExitStatus;
    }
    auto writeAt = [&](const std::string& bytes, int64_t at, std::string* why) {
        for (size_t done = 0; done < bytes.size();) {
            const int count = static_cast<int>(std::min<size_t>(bytes.size() - done, size_t(1) << 30));
            MPI_Status status;
            if (MPI_File_write_at(out, static_cast<MPI_Offset>(at + static_cast<int64_t>(done)), bytes.data() + done,
                                  count, MPI_BYTE, &status) != MPI_SUCCESS) {
                *why = "Cannot write \"" + commandLine.exportFile + "\" (a full disk?)";
                return false;
            }
            int written = 0;
            MPI_Get_count(&status, MPI_BYTE, &written);
            if (written <= 0) {
                *why = "Cannot write \"" + commandLine.exportFile + "\": no room left";
                return false;
            }
            done += static_cast<size_t>(written);
        }
        return true;
    };
    ok = rank != 0 || writeAt(headerOutput, 0, &error);
    int64_t writtenBytes = 0;
    bool endsAgain = true;
    ok = ok && !injected &&
         ByteRanges::labelRange(
             session.labeller(), fd, begin, end, fileSize,
             [&](const std::string& piece, int64_t pieceOffset, std::string* why) { return writeAt(piece, offset + pieceOffset, why); },
             &tally, &writtenBytes, &endsAgain, &error);
    if (injected) error = "cannot read its range (a failure injected by STRANDS_APPLY_FAIL_RANK)";
    if (ok && writtenBytes != outputBytes) {
        ok = false;
        error = "\"" + commandLine.applyFile + "\" changed while it was read";
    }
    const bool synced = MPI_File_sync(out) == MPI_SUCCESS;  // collective: every process calls it
    ok = ok && synced;
    MPI_File_close(&out);
    ::close(fd);
    const bool all = everywhere(ok, error);

    std::vector<int64_t> mine = packed(tally), sums(mine.size(), 0);
    MPI_Reduce(mine.data(), sums.data(), static_cast<int>(mine.size()), MPI_INT64_T, MPI_SUM, 0, MPI_COMM_WORLD);
    int committed = 0;
    if (rank == 0) {
        if (all && writer.commit(&error)) {
            committed = 1;
        } else {
            writer.abandon();
            std::cerr << "strands-apply: " << (all ? error : "a process failed") << "." << nothing << std::endl;
        }
    }
    MPI_Bcast(&committed, 1, MPI_INT, 0, MPI_COMM_WORLD);
    if (committed == 0) return CommandLine::kFailureExitStatus;
    if (rank == 0) {
        const RowLabeller::Tally total = unpacked(sums, tally);
        const std::string differences = session.differencesText();
        if (!differences.empty()) std::cerr << "strands-apply: " << differences;
        std::cerr << session.summaryText(total, commandLine.applyFile) << std::flush;
        if (!commandLine.summaryFile.empty()) {
            std::vector<ReadFile> inputs = session.inputs();
            inputs.push_back({tableIdentity, "the table to label", commandLine.applyFile});
            inputs.push_back({FileIdentity::ofPath(commandLine.exportFile), "the labelled table", commandLine.exportFile});
            if (!writeFileAtomically(commandLine.summaryFile, session.summaryJson(total, commandLine.applyFile), &error,
                                     inputs)) {
                std::cerr << "strands-apply: " << error << std::endl;
                committed = 0;
            }
        }
    }
    MPI_Bcast(&committed, 1, MPI_INT, 0, MPI_COMM_WORLD);
    return committed ? 0 : CommandLine::kFailureExitStatus;
}

}  // namespace

int main(int argc, char** argv) {
    MPI_Init(&argc, &argv);
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    MPI_Comm_size(MPI_COMM_WORLD, &processes);
    const CommandLine commandLine = CommandLine::parse(argc, argv);
    int status = 0;
    if (commandLine.action == CommandLine::Action::Apply) {
        status = run(commandLine);
    } else if (commandLine.action == CommandLine::Action::ShowVersion) {
        if (rank == 0) std::cout << versionText() << " (strands-apply, MPI)" << std::endl;
    } else {
        if (rank == 0) {
            std::cerr << "strands-apply: "
                      << (commandLine.action == CommandLine::Action::Fail ? commandLine.error
                                                                          : "give --session S.json --apply BIG.csv --export OUT.csv")
                      << "\nUsage: mpirun -n K strands-apply --session S.json --apply BIG.csv --export OUT.csv "
                         "[--delimiter C] [--summary-json FILE]"
                      << std::endl;
        }
        status = commandLine.action == CommandLine::Action::ShowHelp ? 0 : CommandLine::kUsageExitStatus;
    }
    MPI_Finalize();
    return status;
}

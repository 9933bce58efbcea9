// TableStream: labels a table of any size as it is read from a file
// descriptor (a file, or a pipe), in constant memory, on every core, and
// writes the labelled rows in their order to a sink.
//
// The input is read in pieces (kPieceBytes at most); each piece is cut after
// its last whole record (the quote-aware reading of CsvRecords: a record
// whose quote has not closed by the end of what was read waits for more),
// and the rest starts the next piece. Pieces are labelled by worker threads
// (RowLabeller) and their outputs written strictly in order, with at most a
// few pieces per thread in flight: memory stays the same whatever the size of
// the table. A record longer than kLongestRecordBytes (a quote that never
// closes in a large file, say) stops the run with a message naming its line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "model/RowLabeller.h"

struct StreamOptions {
    int threads = 0;            // worker threads; 0: one per core
    size_t pieceBytes = 0;      // 0: from kInFlightBytes and the threads (tests use small pieces)
    bool progress = false;      // a progress line on standard error
    int64_t totalBytes = -1;    // the input's size, for the progress line (-1 unknown)
};

// Receives the output in order; false, with *error, stops the run.
using ByteSink = std::function<bool(const char* bytes, size_t count, std::string* error)>;

struct TableStream {
    // Input bytes of one piece: at most kPieceBytes, and so that the pieces in
    // flight (two per thread and one) hold at most kInFlightBytes of input
    // (their output is about as large again).
    static constexpr size_t kPieceBytes = size_t(4) << 20;
    static constexpr size_t kSmallestPieceBytes = size_t(256) << 10;
    static constexpr size_t kInFlightBytes = size_t(40) << 20;
    static constexpr size_t kLongestRecordBytes = size_t(64) << 20;

    // Reads the table from `fd` to its end (`tableName` for messages): checks
    // its header against the session's table, writes the header line, then
    // every record labelled. The labeller takes the header's line end.
    // False, with *error naming the problem, when the header is not the
    // session table's, the input cannot be read, a record is too long or the
    // sink fails; the sink may then have received part of the output.
    static bool run(RowLabeller& labeller, int fd, const std::string& tableName, const ByteSink& sink,
                    RowLabeller::Tally* tally, std::string* error, const StreamOptions& options = {});
};

// Where the whole records of [begin, end) end: after the last record that is
// complete (its line end read, its quotes closed), or `end` itself when
// `atEnd` (nothing more will come). `begin` must be a record start. The
// position returned may be `begin` (no whole record yet).
const char* endOfWholeRecords(const char* begin, const char* end, char delimiter, bool atEnd);

// The header of a table whose first bytes are [begin, end) (`atEnd`: they
// are the whole file), once its record is whole: checked against the
// session's table, the output's first line (a byte-order mark kept) put in
// *headerOutput and where the records start in *recordsStart. NeedMore when
// the header record is not whole yet; Refused, with *error, when it is not
// the session table's or the file has no header at all.
enum class HeaderStatus { NeedMore, Read, Refused };
HeaderStatus takeTableHeader(RowLabeller& labeller, const char* begin, const char* end, bool atEnd,
                             const std::string& tableName, std::string* headerOutput, const char** recordsStart,
                             std::string* error);

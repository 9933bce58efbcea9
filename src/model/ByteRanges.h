// ByteRanges: a table's file split into byte ranges on record boundaries,
// each labelled on its own (by the processes of an MPI run), so that the
// outputs of the ranges joined in order are the output of the whole file.
//
// How a range start is found. Range k of K nominally starts at byte
// dataStart + (size - dataStart) * k / K. A record can hold line ends inside
// quotes, so the line end after that byte is only a guess: the range starts
// right after the first line end at or after its nominal start. Then every
// range is read from its start with the loader's quote-aware reading, and it
// checks that its last record ends exactly where the next range starts (only
// blank lines between). If all ranges agree, every start is a true record
// start (range 0 starts after the header; each range, read from a true start,
// ends on one). If one does not (its start fell inside a quoted field over
// several lines), the starts are found again one after the other: each range
// reads records from its own true start until one ends at or after the next
// range's nominal start, and that end is the next range's start.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "model/RowLabeller.h"

struct ByteRanges {
    static constexpr size_t kPieceBytes = size_t(4) << 20;

    // The nominal start of range k of `ranges` over [dataStart, fileSize).
    static int64_t nominalStart(int64_t dataStart, int64_t fileSize, int k, int ranges);
    // The guessed start: right after the first line end at or after `nominal`
    // (`nominal` itself when the byte before it is a line end); fileSize when
    // there is none. False with *error when the file cannot be read.
    static bool guessStart(int fd, int64_t nominal, int64_t fileSize, int64_t* start, std::string* error);
    // The first record end at or after `nominal`, reading records from
    // `from` (a true record start); fileSize when the file ends first.
    static bool nextBoundary(int fd, int64_t from, int64_t nominal, int64_t fileSize, char delimiter,
                             int64_t* boundary, std::string* error);

    // Receives the output of one piece and where it stands from the range's
    // start (bytes of output before it); false with *error stops the range.
    using PieceSink = std::function<bool(const std::string& output, int64_t outputOffset, std::string* error)>;
    // Labels the records of [begin, end), reading in pieces, handing each
    // piece's output to `sink` (null: only counted). *endsOnRecord: the range's
    // last record ends at `end` (only blank lines after it); always true when
    // end is the file's end. *outputBytes: the range's output size.
    static bool labelRange(const RowLabeller& labeller, int fd, int64_t begin, int64_t end, int64_t fileSize,
                           const PieceSink& sink, RowLabeller::Tally* tally, int64_t* outputBytes,
                           bool* endsOnRecord, std::string* error);
};

// Reads the header of the table at fd (from offset 0): checks its columns
// against the session's table, writes the output's header line into
// *headerOutput (the byte-order mark, if any, first) and where the data
// starts into *dataStart. False with *error.
bool readTableHeader(RowLabeller& labeller, int fd, const std::string& tableName, std::string* headerOutput,
                     int64_t* dataStart, std::string* error);

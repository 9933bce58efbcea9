#include "model/ByteRanges.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "model/TableStream.h"

namespace {

// Reads [offset, offset + count) (fewer bytes only at the file's end) into *into.
bool readAt(int fd, int64_t offset, size_t count, std::string* into, std::string* error) {
    into->resize(count);
    size_t got = 0;
    while (got < count) {
        const ssize_t n = ::pread(fd, &(*into)[got], count - got, static_cast<off_t>(offset) + static_cast<off_t>(got));
        if (n < 0) {
            if (errno == EINTR) continue;
            *error = "cannot read bytes " + std::to_string(offset) + " to " + std::to_string(offset + static_cast<int64_t>(count)) +
                     ": " + std::strerror(errno);
            return false;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    into->resize(got);
    return true;
}

bool onlyBlankLines(const char* begin, const char* end) {
    for (const char* p = begin; p < end; ++p) {
        if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') return false;
    }
    return begin == end || end[-1] == '\n';
}

}  // namespace

int64_t ByteRanges::nominalStart(int64_t dataStart, int64_t fileSize, int k, int ranges) {
    const int64_t span = std::max<int64_t>(fileSize - dataStart, 0);
    // span * k / ranges without overflow: (q * ranges + r) * k / ranges = q * k + r * k / ranges.
    return dataStart + (span / ranges) * k + (span % ranges) * k / ranges;
}

bool ByteRanges::guessStart(int fd, int64_t nominal, int64_t fileSize, int64_t* start, std::string* error) {
    if (nominal <= 0) {
        *start = 0;
        return true;
    }
    // From the byte before the nominal start: a line end there makes the nominal start itself a start.
    std::string bytes;
    for (int64_t at = nominal - 1; at < fileSize; at += static_cast<int64_t>(bytes.size())) {
        if (!readAt(fd, at, kPieceBytes, &bytes, error)) return false;
        if (bytes.empty()) break;
        const void* feed = std::memchr(bytes.data(), '\n', bytes.size());
        if (feed != nullptr) {
            *start = at + (static_cast<const char*>(feed) - bytes.data()) + 1;
            return true;
        }
    }
    *start = fileSize;
    return true;
}

bool ByteRanges::nextBoundary(int fd, int64_t from, int64_t nominal, int64_t fileSize, char delimiter,
                              int64_t* boundary, std::string* error) {
    std::string carry;
    int64_t carryStart = from;
    std::string more;
    while (carryStart + static_cast<int64_t>(carry.size()) < fileSize || !carry.empty()) {
        const int64_t readFrom = carryStart + static_cast<int64_t>(carry.size());
        if (readFrom < fileSize) {
            if (!readAt(fd, readFrom, std::max(kPieceBytes, carry.size()), &more, error)) return false;
            carry += more;
        }
        const bool atEnd = carryStart + static_cast<int64_t>(carry.size()) >= fileSize;
        const char* whole = endOfWholeRecords(carry.data(), carry.data() + carry.size(), delimiter, atEnd);
        CsvReader reader(carry.data(), whole, delimiter);
        CsvRecord record;
        while (reader.next(&record)) {
            const int64_t recordEnd = carryStart + (record.next - carry.data());
            if (recordEnd >= nominal) {
                *boundary = recordEnd;
                return true;
            }
        }
        if (atEnd) break;
        const size_t cut = static_cast<size_t>(whole - carry.data());
        carry.erase(0, cut);
        carryStart += static_cast<int64_t>(cut);
    }
    *boundary = fileSize;
    return true;
}

bool ByteRanges::labelRange(const RowLabeller& labeller, int fd, int64_t begin, int64_t end, int64_t fileSize,
                            const PieceSink& sink, RowLabeller::Tally* tally, int64_t* outputBytes,
                            bool* endsOnRecord, std::string* error) {
    *tally = labeller.emptyTally();
    *outputBytes = 0;
    *endsOnRecord = true;
    const char delimiter = labeller.delimiter();
    std::string carry, more, output;
    int64_t next = begin;  // the next byte to read
    while (next < end || !carry.empty()) {
        if (next < end) {
            const size_t want = static_cast<size_t>(std::min<int64_t>(end - next, static_cast<int64_t>(std::max(kPieceBytes, carry.size()))));
            if (!readAt(fd, next, want, &more, error)) return false;
            if (more.size() < want) {
                *error = "the file ended at byte " + std::to_string(next + static_cast<int64_t>(more.size())) +
                         " before the range's end (" + std::to_string(end) + "): it changed while it was read";
                return false;
            }
            carry += more;
            next += static_cast<int64_t>(more.size());
        }
        const bool rangeDone = next >= end;
        const char* whole = endOfWholeRecords(carry.data(), carry.data() + carry.size(), delimiter, rangeDone);
        if (rangeDone && end < fileSize) {
            // The next range starts here: the last record must end here too.
            const char* ours = endOfWholeRecords(carry.data(), carry.data() + carry.size(), delimiter, false);
            *endsOnRecord = onlyBlankLines(ours, carry.data() + carry.size());
        }
        if (whole == carry.data() && !rangeDone) {
            if (carry.size() >= TableStream::kLongestRecordBytes) {
                *error = "a record at byte " + std::to_string(next - static_cast<int64_t>(carry.size())) +
                         " is longer than " + std::to_string(TableStream::kLongestRecordBytes >> 20) + " MB";
                return false;
            }
            continue;  // read on: no whole record yet
        }
        output.clear();
        RowLabeller::Tally pieceTally = labeller.emptyTally();
        labeller.labelRecords(carry.data(), whole, &output, &pieceTally);
        tally->add(pieceTally);
        if (sink && !sink(output, *outputBytes, error)) return false;
        *outputBytes += static_cast<int64_t>(output.size());
        carry.erase(0, static_cast<size_t>(whole - carry.data()));
    }
    return true;
}

bool readTableHeader(RowLabeller& labeller, int fd, const std::string& tableName, std::string* headerOutput,
                     int64_t* dataStart, std::string* error) {
    std::string head;
    for (size_t want = ByteRanges::kPieceBytes;; want *= 2) {
        if (!readAt(fd, 0, want, &head, error)) {
            *error = "Cannot read \"" + tableName + "\": " + *error;
            return false;
        }
        const bool atEnd = head.size() < want;
        const char* recordsStart = nullptr;
        const HeaderStatus status = takeTableHeader(labeller, head.data(), head.data() + head.size(), atEnd, tableName,
                                                    headerOutput, &recordsStart, error);
        if (status == HeaderStatus::Refused) return false;
        if (status == HeaderStatus::Read) {
            *dataStart = recordsStart - head.data();
            return true;
        }
        if (want > TableStream::kLongestRecordBytes) {
            *error = "\"" + tableName + "\": the header is longer than " +
                     std::to_string(TableStream::kLongestRecordBytes >> 20) + " MB";
            return false;
        }
    }
}

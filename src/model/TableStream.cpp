#include "model/TableStream.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <iostream>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// One piece of the input and its output, with where it stands.
struct Piece {
    enum class State { Free, Read, Labelling, Labelled };
    State state = State::Free;
    uint64_t sequence = 0;
    std::string input;
    std::string output;
    RowLabeller::Tally tally;
};

// Reads up to `count` bytes (fewer only at the end); false with *error on a read error.
bool readSome(int fd, char* into, size_t count, size_t* got, bool* atEnd, std::string* error,
              const std::string& tableName) {
    *got = 0;
    while (*got < count) {
        const ssize_t n = ::read(fd, into + *got, count - *got);
        if (n < 0) {
            if (errno == EINTR) continue;
            *error = "Cannot read \"" + tableName + "\": " + std::strerror(errno);
            return false;
        }
        if (n == 0) {
            *atEnd = true;
            return true;
        }
        *got += static_cast<size_t>(n);
    }
    return true;
}

// The file line a byte offset of `text` is on (for a message), counting from `line`.
int64_t lineAt(const char* begin, const char* at, int64_t line) {
    return line + std::count(begin, at, '\n');
}

}  // namespace

HeaderStatus takeTableHeader(RowLabeller& labeller, const char* begin, const char* end, bool atEnd,
                             const std::string& tableName, std::string* headerOutput, const char** recordsStart,
                             std::string* error) {
    const char* text = skipByteOrderMark(begin, end);
    CsvReader reader(text, end, labeller.delimiter());
    CsvRecord header;
    // Whole: its line end read with its quotes closed, or the file ends.
    if (reader.next(&header) &&
        (atEnd || (!header.unterminated && header.next > header.begin && header.next[-1] == '\n'))) {
        const std::string why = labeller.checkHeader(header, tableName);
        if (!why.empty()) {
            *error = why;
            return HeaderStatus::Refused;
        }
        headerOutput->assign(begin, static_cast<size_t>(text - begin));  // the byte-order mark, if any
        labeller.writeHeader(header, headerOutput);
        *recordsStart = header.next;
        return HeaderStatus::Read;
    }
    if (atEnd) {
        *error = "\"" + tableName + "\" is empty: it has no header line";
        return HeaderStatus::Refused;
    }
    return HeaderStatus::NeedMore;
}

const char* endOfWholeRecords(const char* begin, const char* end, char delimiter, bool atEnd) {
    if (atEnd) return end;
    if (std::memchr(begin, '"', static_cast<size_t>(end - begin)) == nullptr) {
        // No quote: every line is a record, and the last line end closes the last whole one.
        const void* lastFeed = ::memrchr(begin, '\n', static_cast<size_t>(end - begin));
        return lastFeed ? static_cast<const char*>(lastFeed) + 1 : begin;
    }
    CsvReader reader(begin, end, delimiter);
    CsvRecord record;
    const char* whole = begin;
    while (reader.next(&record)) {
        // A quote still open may close in what follows; a line without its end may go on.
        if (record.unterminated || record.next == record.begin || record.next[-1] != '\n') break;
        whole = record.next;
    }
    return whole;
}

bool TableStream::run(RowLabeller& labeller, int fd, const std::string& tableName, const ByteSink& sink,
                      RowLabeller::Tally* tally, std::string* error, const StreamOptions& options) {
    const int threads = options.threads > 0 ? options.threads
                                            : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const size_t slots = static_cast<size_t>(threads) * 2 + 1;
    // The pieces in flight share a fixed budget, however many cores there are.
    const size_t pieceBytes = options.pieceBytes > 0
                                  ? options.pieceBytes
                                  : std::clamp(kInFlightBytes / slots, kSmallestPieceBytes, kPieceBytes);
    const char delimiter = labeller.delimiter();
    *tally = labeller.emptyTally();

    // The header: read until its record is whole.
    std::string carry;
    bool atEnd = false;
    int64_t line = 1;  // the file line `carry` starts on
    auto readMore = [&](size_t count) {
        const size_t had = carry.size();
        carry.resize(had + count);
        size_t got = 0;
        const bool ok = readSome(fd, &carry[had], count, &got, &atEnd, error, tableName);
        carry.resize(had + got);
        return ok;
    };
    std::string headerOutput;
    {
        const char* headerEnd = nullptr;
        for (;;) {
            if (!readMore(pieceBytes)) return false;
            const HeaderStatus status = takeTableHeader(labeller, carry.data(), carry.data() + carry.size(), atEnd,
                                                        tableName, &headerOutput, &headerEnd, error);
            if (status == HeaderStatus::Refused) return false;
            if (status == HeaderStatus::Read) {
                line = lineAt(carry.data(), headerEnd, line);
                break;
            }
            if (carry.size() > kLongestRecordBytes) {
                *error = "\"" + tableName + "\": the header is longer than " +
                         std::to_string(kLongestRecordBytes >> 20) + " MB (a quote that never closes?)";
                return false;
            }
        }
        carry.erase(0, static_cast<size_t>(headerEnd - carry.data()));
    }
    if (!sink(headerOutput.data(), headerOutput.size(), error)) return false;

    std::vector<Piece> pieces(slots);
    std::mutex lock;
    std::condition_variable changed;
    bool failed = false;
    bool readerDone = false;
    uint64_t piecesRead = 0;
    std::string failure;  // the first failure's message
    auto fail = [&](const std::string& why) {
        std::lock_guard<std::mutex> hold(lock);
        if (!failed) failure = why;
        failed = true;
        changed.notify_all();
    };

    // Workers: label any piece that has been read.
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            std::unique_lock<std::mutex> hold(lock);
            for (;;) {
                Piece* piece = nullptr;
                changed.wait(hold, [&] {
                    if (failed) return true;
                    for (Piece& p : pieces) {
                        if (p.state == Piece::State::Read) {
                            piece = &p;
                            return true;
                        }
                    }
                    return readerDone;
                });
                if (failed || piece == nullptr) return;
                piece->state = Piece::State::Labelling;
                hold.unlock();
                piece->output.clear();
                piece->tally = labeller.emptyTally();
                labeller.labelRecords(piece->input.data(), piece->input.data() + piece->input.size(), &piece->output,
                                      &piece->tally);
                hold.lock();
                piece->state = Piece::State::Labelled;
                changed.notify_all();
            }
        });
    }

    // Writer: the labelled pieces in order.
    int64_t writtenInput = 0;
    std::thread writer([&] {
        auto lastShown = std::chrono::steady_clock::now();
        for (uint64_t next = 0;; ++next) {
            Piece& piece = pieces[next % slots];
            {
                std::unique_lock<std::mutex> hold(lock);
                changed.wait(hold, [&] {
                    return failed || (piece.state == Piece::State::Labelled && piece.sequence == next) ||
                           (readerDone && next >= piecesRead);
                });
                if (failed || (readerDone && next >= piecesRead)) return;
            }
            std::string why;
            if (!sink(piece.output.data(), piece.output.size(), &why)) {
                fail(why);
                return;
            }
            tally->add(piece.tally);
            writtenInput += static_cast<int64_t>(piece.input.size());
            if (options.progress) {
                const auto now = std::chrono::steady_clock::now();
                if (now - lastShown > std::chrono::milliseconds(500)) {
                    lastShown = now;
                    std::string text = "\rLabelled " + std::to_string(tally->rows) + " rows";
                    if (options.totalBytes > 0) {
                        text += " (" + std::to_string(writtenInput * 100 / options.totalBytes) + " %)";
                    }
                    std::cerr << text << std::flush;
                }
            }
            std::lock_guard<std::mutex> hold(lock);
            piece.state = Piece::State::Free;
            piece.input.clear();
            changed.notify_all();
        }
    });

    // Reader (this thread): whole-record pieces into free slots, in order.
    for (uint64_t sequence = 0; !atEnd || !carry.empty(); ++sequence) {
        Piece& piece = pieces[sequence % slots];
        {
            std::unique_lock<std::mutex> hold(lock);
            changed.wait(hold, [&] { return failed || piece.state == Piece::State::Free; });
            if (failed) break;
        }
        // Read until the carried bytes hold at least one whole record.
        std::string why;
        const char* whole = carry.data();
        for (;;) {
            if (!atEnd && carry.size() < pieceBytes && !readMore(pieceBytes - carry.size())) {
                why = *error;
                break;
            }
            whole = endOfWholeRecords(carry.data(), carry.data() + carry.size(), delimiter, atEnd);
            if (whole > carry.data() || atEnd) break;
            if (carry.size() >= kLongestRecordBytes) {
                why = "\"" + tableName + "\", line " + std::to_string(line) + ": a record longer than " +
                      std::to_string(kLongestRecordBytes >> 20) + " MB (a quote that never closes?); nothing was written";
                break;
            }
            if (!readMore(std::max(pieceBytes, carry.size()))) {
                why = *error;
                break;
            }
        }
        if (!why.empty()) {
            fail(why);
            break;
        }
        const size_t cut = static_cast<size_t>(whole - carry.data());
        piece.input.assign(carry.data(), cut);
        line = lineAt(carry.data(), whole, line);
        carry.erase(0, cut);
        std::lock_guard<std::mutex> hold(lock);
        piece.sequence = sequence;
        piece.state = Piece::State::Read;
        piecesRead = sequence + 1;
        changed.notify_all();
    }
    {
        std::lock_guard<std::mutex> hold(lock);
        readerDone = true;
        changed.notify_all();
    }
    writer.join();
    for (std::thread& worker : workers) worker.join();
    if (options.progress) std::cerr << "\r" << std::string(40, ' ') << "\r" << std::flush;
    if (failed) {
        *error = failure;
        return false;
    }
    return true;
}

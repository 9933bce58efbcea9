// Lines and comma-separated fields of a data file held in memory: the one
// reading of the file format that the loader and the cluster export share, so
// that row k of the table is always the same line of the file.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

// One line of the file, without its line feed and without a carriage return
// before it (files saved with CRLF line ends read like LF files).
struct Line {
    const char* begin;
    const char* end;
};

// Walks a file's bytes line by line. A last line without a final line feed
// counts; nothing after the final line feed does.
class LineReader {
public:
    LineReader(const char* begin, const char* end) : cursor(begin), limit(end) {}

    bool next(Line* line) {
        if (cursor >= limit) return false;
        const char* feed = static_cast<const char*>(std::memchr(cursor, '\n', static_cast<size_t>(limit - cursor)));
        const char* lineEnd = feed ? feed : limit;
        line->begin = cursor;
        line->end = (lineEnd > cursor && lineEnd[-1] == '\r') ? lineEnd - 1 : lineEnd;
        cursor = feed ? feed + 1 : limit;
        return true;
    }

    // Remaining lines, without splitting them.
    int32_t countRemaining() const {
        int32_t count = 0;
        const char* p = cursor;
        while (p < limit) {
            const char* feed = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(limit - p)));
            ++count;
            p = feed ? feed + 1 : limit;
        }
        return count;
    }

private:
    const char* cursor;
    const char* limit;
};

// The end of the field starting at `begin`: the next comma or the line end.
inline const char* fieldEnd(const char* begin, const char* lineEnd) {
    const char* comma = static_cast<const char*>(std::memchr(begin, ',', static_cast<size_t>(lineEnd - begin)));
    return comma ? comma : lineEnd;
}

// The field's text without blanks (spaces, tabs) around it.
inline std::string trimmed(const char* begin, const char* end) {
    while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t')) --end;
    return std::string(begin, end);
}

// Records and fields of a delimited text table held in memory (RFC 4180:
// fields in double quotes may hold the delimiter, doubled quotes and line
// breaks). This is the one reading of the file format that the loader, the
// cluster export and the hover's re-reading of a row share, so that row k of
// the table is always the same record of the file.
//
// Blank lines (nothing, or only blanks) are skipped and counted, never
// records. Line ends may be LF, CRLF or a mix. A quote opened and never
// closed before the end of the file ends its record at the end of the line
// it opened on (the record is flagged), so the rest of the file is still read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// One record: its text without its line end, and where its line end ends.
struct CsvRecord {
    const char* begin = nullptr;
    const char* end = nullptr;   // before its CR LF or LF
    const char* next = nullptr;  // after its line end: where the next line starts
    int64_t lineNumber = 0;      // file line (from 1) its first byte is on
    bool quoted = false;         // holds a double quote: fields are split by the quote-aware path
    bool unterminated = false;   // a quote that never closes, cut at the end of its first line
};

// One field of a record, as it stands in the file (quotes and blanks included).
struct CsvField {
    const char* begin;
    const char* end;
};

class CsvReader {
public:
    // Reads [begin, end). `lineNumber`: the file line `begin` is on.
    CsvReader(const char* begin, const char* end, char delimiter, int64_t lineNumber = 1);

    // The next record, skipping blank lines; false at the end.
    bool next(CsvRecord* record);
    // Blank lines skipped so far.
    int64_t blankLines() const { return blanks; }
    // Where the next line starts, and its line number.
    const char* position() const { return cursor; }
    int64_t lineNumber() const { return line; }

private:
    // The end of a record that holds a quote and starts at `from`, the
    // quotes taken into account; counts the line breaks inside it.
    const char* quotedRecordEnd(const char* from, const char* firstLineEnd, bool* unterminated, int64_t* breaks) const;

    const char* cursor;
    const char* limit;
    char delimiter;
    bool anyQuote;  // the range holds a double quote at all: else every line is a record
    int64_t line;
    int64_t blanks = 0;
};

// The UTF-8 byte-order mark at the start of a file, if any: where the text starts.
const char* skipByteOrderMark(const char* begin, const char* end);

// The delimiter a header line suggests: the most frequent of comma,
// semicolon and tab outside quotes; comma when none appears or two tie.
char detectDelimiter(const char* begin, const char* end);

// The record's fields in file order (at least one: an empty record has one empty field).
void splitFields(const CsvRecord& record, char delimiter, std::vector<CsvField>* fields);

// The end of the unquoted field starting at `begin`: the next delimiter or the record's end.
inline const char* plainFieldEnd(const char* begin, const char* recordEnd, char delimiter) {
    const char* at = static_cast<const char*>(std::memchr(begin, delimiter, static_cast<size_t>(recordEnd - begin)));
    return at ? at : recordEnd;
}

// A field's text: blanks (spaces, tabs) around it removed, and when it is
// quoted, the quotes removed and doubled quotes made single.
std::string fieldText(const CsvField& field);
inline std::string fieldText(const char* begin, const char* end) { return fieldText(CsvField{begin, end}); }

// Longest text kept of one field (a column name, an item name, a category),
// bytes of the file: a field of a gigabyte (a file that is one huge line)
// costs no more than this to keep, and never a copy of itself.
constexpr ptrdiff_t kLongestFieldText = 4096;
// fieldText of at most the field's first kLongestFieldText bytes, then "..."
// when there were more: the text the loader keeps of a name or a category.
std::string boundedFieldText(const CsvField& field);

// The text of a field as fieldText gives it, without copying when it can:
// [*begin, *end) narrowed to it when the field is plain or quoted without a
// doubled quote inside (true); else the text is made in *scratch and the
// range points there.
void fieldTextRange(const char** begin, const char** end, std::string* scratch);

// The delimiter as a person reads it: "," ";" "\t" or the character itself.
std::string delimiterName(char delimiter);

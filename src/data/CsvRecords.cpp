#include "data/CsvRecords.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

int64_t countLineFeeds(const char* begin, const char* end) {
    int64_t feeds = 0;
    for (const char* p = begin; (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p))));
         ++p) {
        ++feeds;
    }
    return feeds;
}

// The closing quote of a quoted field whose text starts at `from`: past it,
// doubled quotes skipped; null when the range ends first.
const char* closingQuote(const char* from, const char* end) {
    for (const char* p = from;;) {
        p = static_cast<const char*>(std::memchr(p, '"', static_cast<size_t>(end - p)));
        if (p == nullptr) return nullptr;
        if (p + 1 < end && p[1] == '"') {
            p += 2;
            continue;
        }
        return p;
    }
}

}  // namespace

CsvReader::CsvReader(const char* begin, const char* end, char delimiterChar, int64_t lineNumber)
    : cursor(begin), limit(end), delimiter(delimiterChar),
      anyQuote(std::memchr(begin, '"', static_cast<size_t>(end - begin)) != nullptr), line(lineNumber) {}

const char* CsvReader::quotedRecordEnd(const char* from, const char* firstLineEnd, bool* unterminated,
                                       int64_t* breaks) const {
    *unterminated = false;
    *breaks = 0;
    bool fieldStart = true;  // only blanks since the field began: a quote here opens a quoted field
    for (const char* p = from; p < limit;) {
        const char c = *p;
        if (c == '\n') return p;
        if (c == '"' && fieldStart) {
            const char* close = closingQuote(p + 1, limit);
            if (close == nullptr) {
                *unterminated = true;
                *breaks = 0;
                return firstLineEnd;
            }
            *breaks += countLineFeeds(p + 1, close);
            p = close + 1;
            fieldStart = false;
            continue;
        }
        if (c == delimiter) {
            fieldStart = true;
        } else if (c != ' ' && c != '\t') {
            fieldStart = false;
        }
        ++p;
    }
    return limit;
}

bool CsvReader::next(CsvRecord* record) {
    while (cursor < limit) {
        const char* feed = static_cast<const char*>(std::memchr(cursor, '\n', static_cast<size_t>(limit - cursor)));
        const char* lineEnd = feed ? feed : limit;
        const char* text = cursor;
        while (text < lineEnd && isBlank(*text)) ++text;
        if (text == lineEnd) {
            ++blanks;
            ++line;
            cursor = feed ? feed + 1 : limit;
            continue;
        }
        record->begin = cursor;
        record->lineNumber = line;
        record->unterminated = false;
        record->quoted = anyQuote && std::memchr(cursor, '"', static_cast<size_t>(lineEnd - cursor)) != nullptr;
        if (record->quoted) {
            int64_t breaks = 0;
            lineEnd = quotedRecordEnd(cursor, lineEnd, &record->unterminated, &breaks);
            line += breaks;
        }
        record->end = (lineEnd > cursor && lineEnd[-1] == '\r') ? lineEnd - 1 : lineEnd;
        record->next = lineEnd < limit ? lineEnd + 1 : limit;
        cursor = record->next;
        ++line;
        return true;
    }
    return false;
}

const char* skipByteOrderMark(const char* begin, const char* end) {
    if (end - begin >= 3 && static_cast<unsigned char>(begin[0]) == 0xEF &&
        static_cast<unsigned char>(begin[1]) == 0xBB && static_cast<unsigned char>(begin[2]) == 0xBF) {
        return begin + 3;
    }
    return begin;
}

char detectDelimiter(const char* begin, const char* end) {
    int commas = 0, semicolons = 0, tabs = 0;
    bool inQuotes = false;
    for (const char* p = begin; p < end && *p != '\n'; ++p) {
        if (*p == '"') inQuotes = !inQuotes;
        if (inQuotes) continue;
        commas += *p == ',';
        semicolons += *p == ';';
        tabs += *p == '\t';
    }
    if (semicolons > commas && semicolons > tabs) return ';';
    if (tabs > commas && tabs > semicolons) return '\t';
    return ',';
}

void splitFields(const CsvRecord& record, char delimiter, std::vector<CsvField>* fields) {
    fields->clear();
    const char* end = record.end;
    for (const char* p = record.begin;;) {
        const char* fieldEnd = nullptr;
        if (record.quoted) {
            const char* q = p;
            while (q < end && (*q == ' ' || *q == '\t')) ++q;
            if (q < end && *q == '"') {
                const char* close = closingQuote(q + 1, end);
                q = close ? close + 1 : end;
                fieldEnd = plainFieldEnd(q, end, delimiter);
            }
        }
        if (fieldEnd == nullptr) fieldEnd = plainFieldEnd(p, end, delimiter);
        fields->push_back({p, fieldEnd});
        if (fieldEnd == end) break;
        p = fieldEnd + 1;
    }
}

std::string fieldText(const CsvField& field) {
    const char* begin = field.begin;
    const char* end = field.end;
    while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t')) --end;
    if (begin == end || *begin != '"') return std::string(begin, end);
    std::string text;
    const char* p = begin + 1;
    for (; p < end; ++p) {
        if (*p != '"') {
            text += *p;
        } else if (p + 1 < end && p[1] == '"') {
            text += '"';
            ++p;
        } else {
            ++p;  // the closing quote; anything after it up to the delimiter is kept as it is
            break;
        }
    }
    text.append(p < end ? p : end, end);
    return text;
}

std::string boundedFieldText(const CsvField& field) {
    if (field.end - field.begin <= kLongestFieldText) return fieldText(field);
    return fieldText(CsvField{field.begin, field.begin + kLongestFieldText}) + "...";
}

void fieldTextRange(const char** begin, const char** end, std::string* scratch) {
    const char* b = *begin;
    const char* e = *end;
    while (b < e && (*b == ' ' || *b == '\t')) ++b;
    while (e > b && (e[-1] == ' ' || e[-1] == '\t')) --e;
    if (b < e && *b == '"') {
        if (e - b >= 2 && e[-1] == '"' && std::memchr(b + 1, '"', static_cast<size_t>(e - b - 2)) == nullptr) {
            ++b;  // "text": the text between the quotes as it stands
            --e;
        } else {
            *scratch = fieldText(CsvField{b, e});
            b = scratch->data();
            e = b + scratch->size();
        }
    }
    *begin = b;
    *end = e;
}

std::string delimiterName(char delimiter) {
    if (delimiter == '\t') return "\\t";
    return std::string(1, delimiter);
}

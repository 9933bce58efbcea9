#include "data/TableColumn.h"

#include <cctype>
#include <cstring>

const char* columnKindName(ColumnKind kind) {
    switch (kind) {
        case ColumnKind::Numeric: return "numeric";
        case ColumnKind::Date: return "date";
        case ColumnKind::Categorical: return "categorical";
        case ColumnKind::Identifier: return "identifier";
        case ColumnKind::Name: return "name";
    }
    return "numeric";
}

bool isMissingText(const char* begin, const char* end) {
    while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t')) --end;
    const size_t length = static_cast<size_t>(end - begin);
    if (length == 0) return true;
    if (length == 1) return *begin == '?' || *begin == '-' || *begin == '+';
    if (length > 4) return false;
    char lowered[5] = {};
    for (size_t k = 0; k < length; ++k) lowered[k] = static_cast<char>(std::tolower(static_cast<unsigned char>(begin[k])));
    return std::strcmp(lowered, "na") == 0 || std::strcmp(lowered, "n/a") == 0 || std::strcmp(lowered, "nan") == 0 ||
           std::strcmp(lowered, "null") == 0;
}

bool naturalLess(const std::string& a, const std::string& b) {
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            // Runs of digits: fewer significant digits is smaller, then digit by digit.
            size_t ia = i, jb = j;
            while (ia < a.size() && a[ia] == '0') ++ia;
            while (jb < b.size() && b[jb] == '0') ++jb;
            size_t ea = ia, eb = jb;
            while (ea < a.size() && isDigit(a[ea])) ++ea;
            while (eb < b.size() && isDigit(b[eb])) ++eb;
            if (ea - ia != eb - jb) return ea - ia < eb - jb;
            const int order = a.compare(ia, ea - ia, b, jb, eb - jb);
            if (order != 0) return order < 0;
            i = ea;
            j = eb;
            continue;
        }
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[j]));
        if (ca != cb) return ca < cb;
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j)) return a.size() - i < b.size() - j;
    return a < b;
}

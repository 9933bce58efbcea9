// MultidimensionalData: the two-pass loader of the comma-separated data file.
// Pass 1 counts header fields and rows so that every table is allocated once
// at its final size; pass 2 fills the names and values.
#include "data/MultidimensionalData.h"
#include "data/WorkProgress.h"

#include "data/MappedFile.h"
#include "data/NumberText.h"
#include "data/TextLines.h"

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

namespace {

// How many problems of one kind are described line by line before the rest
// are only counted.
constexpr int kDetailedReports = 5;

// Collects what was wrong with the rows and fields of one file and reports it
// on standard error: the first few cases in full, then how many more there were.
class LoadReport {
public:
    explicit LoadReport(const char* path) : fileName(path) {}

    void badField(int64_t lineNumber, int column, const char* begin, const char* end, FieldStatus status) {
        if (badFields++ >= kDetailedReports) return;
        std::cerr << '"' << fileName << "\", line " << lineNumber << ", column " << column << ": \""
                  << trimmed(begin, end) << "\" "
                  << (status == FieldStatus::OutOfRange ? "is out of range" : "is not a number")
                  << ", read as 0" << std::endl;
    }

    void badRowLength(int64_t lineNumber, int fields, int expected) {
        if (badRows++ >= kDetailedReports) return;
        std::cerr << '"' << fileName << "\", line " << lineNumber << ": " << fields << " field"
                  << (fields == 1 ? "" : "s") << " where the header has " << expected << "; "
                  << (fields < expected ? "the missing values read as 0" : "the extra fields are ignored")
                  << std::endl;
    }

    // Empty fields (nothing, or a lone sign) per numeric column, each column named.
    void emptyFields(const std::vector<int64_t>& counts, const std::vector<std::string>& columnNames) const {
        for (size_t d = 0; d < counts.size(); ++d) {
            if (counts[d] == 0) continue;
            std::cerr << '"' << fileName << "\": " << counts[d] << " empty field" << (counts[d] == 1 ? "" : "s")
                      << " in column \"" << columnNames[d] << "\" read as 0" << std::endl;
        }
    }

    void summarise() const {
        if (badFields > kDetailedReports) {
            std::cerr << '"' << fileName << "\": " << (badFields - kDetailedReports)
                      << " more fields are not numbers, read as 0 (" << badFields << " in all)" << std::endl;
        }
        if (badRows > kDetailedReports) {
            std::cerr << '"' << fileName << "\": " << (badRows - kDetailedReports)
                      << " more rows do not match the header's field count (" << badRows << " in all)" << std::endl;
        }
    }

private:
    const char* fileName;
    int64_t badFields = 0;
    int64_t badRows = 0;
};

}  // namespace

int MultidimensionalData::inputFileParser(const char* fileName) {
    if (fileName == nullptr || fileName[0] == '\0') {
        loadError = "no file name given";
        return 0;
    }

    MappedFile file(fileName);
    if (!file.isOpen()) {
        loadError = file.error();
        std::cerr << "Cannot open data file \"" << fileName << "\": " << loadError << std::endl;
        return 0;
    }
    sourceIdentity = file.identity();
    // Progress in bytes: the fingerprint, the count and the parse each read the
    // file once; one more unit stands for the normalisation and histograms.
    const int64_t fileBytes = static_cast<int64_t>(file.size());
    if (loadProgress) loadProgress->setTotal(3 * fileBytes + 1);
    fingerprint = FileFingerprint::of(file.begin(), file.size());
    if (loadProgress) loadProgress->advance(fileBytes);
    std::error_code pathError;
    sourcePath = std::filesystem::absolute(fileName, pathError).lexically_normal().string();
    if (pathError) sourcePath = fileName;

    // Pass 1: header fields and row count.
    itemNum = 0;
    dimNum = 0;
    hasItemNames = false;
    LineReader counter(file.begin(), file.end());
    Line header{file.begin(), file.begin()};
    counter.next(&header);  // an empty file reads as one empty header line
    for (const char* p = header.begin;; ++p) {
        p = fieldEnd(p, header.end);
        ++dimNum;
        if (p == header.end) break;
    }
    itemNum = counter.countRemaining();
    if (loadProgress) loadProgress->advance(fileBytes);
    std::cout << dimNum << " dimensions in total." << std::endl;
    std::cout << itemNum << " data items in total." << std::endl;

    // Pass 2: names and values.
    LineReader reader(file.begin(), file.end());
    reader.next(&header);
    dimNames.clear();
    dimNames.reserve(static_cast<size_t>(dimNum));
    for (const char* p = header.begin;;) {
        const char* end = fieldEnd(p, header.end);
        dimNames.push_back(trimmed(p, end));
        if (end == header.end) break;
        p = end + 1;
    }

    if (toLowerString(dimNames[0]) == "name") {
        hasItemNames = true;
        std::cout << "Fist dimension is data item names." << std::endl;
        itemNames.assign(static_cast<size_t>(itemNum), std::string());
    }
    const int nameColumns = hasItemNames ? 1 : 0;
    actualDimNum = dimNum - nameColumns;
    data.assignZeros(static_cast<size_t>(itemNum) * static_cast<size_t>(actualDimNum));
    emptyFieldCounts.assign(static_cast<size_t>(actualDimNum), 0);

    LoadReport report(fileName);
    Line line{};
    const char* reported = file.begin();  // parsed bytes told to loadProgress so far end here
    for (int32_t row = 0; row < itemNum && reader.next(&line); ++row) {
        if (loadProgress && row % 16384 == 0) {
            loadProgress->advance(line.begin - reported);
            reported = line.begin;
        }
        const int64_t lineNumber = int64_t(row) + 2;
        float* values = data.data() + static_cast<size_t>(row) * static_cast<size_t>(actualDimNum);
        int column = 0;
        for (const char* p = line.begin;; ++column) {
            const char* end = fieldEnd(p, line.end);
            if (column < dimNum) {
                if (column < nameColumns) {
                    itemNames[static_cast<size_t>(row)] = trimmed(p, end);
                } else {
                    const FieldStatus status = parseNumberField(p, end, &values[column - nameColumns]);
                    if (status == FieldStatus::NotANumber || status == FieldStatus::OutOfRange) {
                        report.badField(lineNumber, column + 1, p, end, status);
                    } else if (status == FieldStatus::Empty) {
                        ++emptyFieldCounts[static_cast<size_t>(column - nameColumns)];
                    }
                }
            }
            if (end == line.end) break;
            p = end + 1;
        }
        const int fields = column + 1;
        if (fields != dimNum) report.badRowLength(lineNumber, fields, dimNum);
    }
    if (loadProgress) loadProgress->advance(file.end() - reported);
    report.summarise();
    report.emptyFields(emptyFieldCounts, std::vector<std::string>(dimNames.begin() + nameColumns, dimNames.end()));
    return 1;
}

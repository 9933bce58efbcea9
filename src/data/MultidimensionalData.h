// MultidimensionalData: the loaded table of data items and its derived tables.
//
// A table is read from a comma-separated text file (header line of dimension
// names, optional first column of item names marked by the header field
// "name" in any case). After construction every value returned by
// getDataEntry is normalised to [0, 1] per numeric dimension; the raw
// extremes are kept for the axis labels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "data/AtomicFile.h"
#include "data/FileFingerprint.h"
#include "data/FileIdentity.h"
#include "data/LargeFloatArray.h"

class WorkProgress;

class MultidimensionalData {
public:
    // Loads the file and builds normalisation, difference matrix and histograms,
    // printing one progress line per step. A file that cannot be opened yields
    // an empty table (no dimensions, no items) and isLoaded() == false.
    explicit MultidimensionalData(const char* fileName);
    // The same, telling `progress` how far the load has come (for a window
    // that waits for a large table loaded on another thread).
    MultidimensionalData(const char* fileName, WorkProgress* progress);
    ~MultidimensionalData();

    MultidimensionalData(const MultidimensionalData&) = delete;
    MultidimensionalData& operator=(const MultidimensionalData&) = delete;

    // Two-pass loader. Returns 1 on success, 0 when no file name is given or
    // the file cannot be read.
    int inputFileParser(const char* fileName);

    // Derived tables, run once each, in this order, by the constructor.
    void normalizeData();
    void calculateDiffMatrix();
    void buildHistogram();

    bool isLoaded() const { return loaded; }
    // Why the file could not be read (empty when it was).
    const std::string& getLoadError() const { return loadError; }
    // The file the table was read from (absolute), and its size and hash
    // then; empty and zero when it could not be read.
    const std::string& getSourcePath() const { return sourcePath; }
    const FileFingerprint& getFingerprint() const { return fingerprint; }
    // The file the table was read from, as the system knows it (a write
    // never replaces it); unknown when it could not be read.
    const FileIdentity& getSourceIdentity() const { return sourceIdentity; }
    // Fields of numeric dimension `dim` that were empty (or a lone sign) and
    // read as 0; 0 out of range. And their sum over all dimensions.
    int64_t getEmptyFieldCount(int dim) const;
    int64_t getEmptyFieldTotal() const;

    int getDataNum() const { return itemNum; }
    int getDimNum() const { return dimNum; }
    int getActualDimNum() const { return actualDimNum; }
    bool hasNames() const { return hasItemNames; }

    // Normalised value of an item on a numeric dimension; -1 (with a message)
    // when either index is out of range.
    float getDataEntry(int item, int dim) const;
    // Header field `index` in [0, dimNum), the item-name column's header included.
    std::string getDimName(int index) const;
    // Item name from the first column; empty when the table has no name column.
    std::string getItemName(int item) const;
    // Raw extremes of a numeric dimension (for axis labels).
    float getMaxValue(int dim) const;
    float getMinValue(int dim) const;

    // Squared Euclidean distance between two items over all normalised
    // dimensions. Served from the stored matrix when it fits the memory budget,
    // computed on demand (with identical values) otherwise.
    float getDiffMatrixEntry(int i, int j) const;
    bool isDiffMatrixStored() const { return !diffMatrix.empty(); }
    // The on-demand form of a matrix entry (indices unchecked).
    float computeDiffEntry(int i, int j) const;

    int getHistogramBinsNum() const { return binsNum; }
    // Share of all items in `bin` of dimension `dim`; -1 (silently) out of range.
    float getHistogramEntry(int dim, int bin) const;
    // Largest and smallest share over the bins of `dim`; nothing stored out of range.
    void getHistogramRange(int dim, float* first, float* second) const;

    // Row-major normalised values, itemNum x actualDimNum (for hot loops that
    // would otherwise pay the bounds check of getDataEntry per value).
    const float* getDataRow(int item) const { return data.data() + static_cast<size_t>(item) * actualDimNum; }
    // Histogram bin of each of the item's normalised values (histogramBin),
    // one byte each: counting a list's bins reads a quarter of the memory
    // the values take, which is what bounds it on a large table.
    const uint8_t* getBinRow(int item) const { return binIndex.data() + static_cast<size_t>(item) * actualDimNum; }

    // Largest difference matrix kept in memory (64 MiB: up to 4096 items);
    // above it entries are computed on demand. An entry costs a handful of
    // operations per dimension to compute, about what a cache miss into an
    // N x N matrix costs to read, while fresh memory costs about 1.4 ms per
    // megabyte to touch here: a stored 10^4-item matrix (400 MB) would add
    // more than half a second to every load for no faster lookups.
    static constexpr size_t kDiffMatrixBudgetBytes = size_t(64) << 20;
    static constexpr int kHistogramBins = 128;
    static_assert(kHistogramBins <= 256, "a value's bin is kept in a byte");
    // Normalised value of every item on a dimension whose raw values are all equal.
    static constexpr float kConstantDimensionValue = 0.5f;

private:
    LargeFloatArray data;               // itemNum x actualDimNum, row-major; normalised after construction
    std::vector<float> maxValues;       // raw maximum per numeric dimension
    std::vector<float> minValues;       // raw minimum per numeric dimension
    std::vector<float> ranges;          // maxValues - minValues
    LargeFloatArray diffMatrix;         // itemNum x itemNum when within budget, else empty
    std::vector<float> histogram;       // actualDimNum x binsNum shares of all items
    std::vector<uint8_t> binIndex;      // itemNum x actualDimNum: each value's histogram bin
    std::vector<float> histogramMax;    // largest share per dimension
    std::vector<float> histogramMin;    // smallest share per dimension
    std::vector<std::string> dimNames;  // header fields in file order
    std::vector<std::string> itemNames; // first field of each row when hasItemNames
    std::vector<int64_t> emptyFieldCounts;  // per numeric dimension: empty fields read as 0
    std::string sourcePath;             // absolute path of the file read
    FileFingerprint fingerprint;        // of the file's bytes as read
    FileIdentity sourceIdentity;        // device and inode of the file read
    WorkProgress* loadProgress = nullptr;  // told during the load, when given; not owned

    int32_t itemNum = 0;
    int32_t dimNum = 0;
    int32_t actualDimNum = 0;
    int32_t binsNum = kHistogramBins;
    bool hasItemNames = false;
    bool loaded = false;
    std::string loadError;
};

// Why the table loaded from `path` cannot be shown (it could not be read, has
// no numeric column or no data item), as one sentence naming the file; empty
// when it can.
std::string describeUnusableTable(const MultidimensionalData& table, const std::string& path);

// The table's file as a write must never replace it: the file it was read
// from, and the file its path leads to now (an export reads that one again).
std::vector<ReadFile> tableFiles(const MultidimensionalData& table);

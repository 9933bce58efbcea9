// MultidimensionalData: the loaded table of data items and its derived tables.
//
// A table is read from a delimited text file (CsvRecords.h: a header record
// of column names, then one record per item). Each column gets a kind
// (TableColumn.h): numeric, date and categorical columns are the table's
// dimensions (its axes); a first column headed "name" (any case) and
// identifier columns are not. After construction every value returned by
// getDataEntry is normalised to [0, 1] per dimension, a missing value stands
// at kMissingValueNorm (below the axis foot); the raw extremes are kept for
// the axis labels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "data/AtomicFile.h"
#include "data/AxisScale.h"
#include "data/FileFingerprint.h"
#include "data/FileIdentity.h"
#include "data/LargeFloatArray.h"
#include "data/TableColumn.h"

class WorkProgress;

class MultidimensionalData {
public:
    // Loads the file and builds normalisation, difference matrix and histograms,
    // printing one progress line per step. A file that cannot be opened yields
    // an empty table (no dimensions, no items) and isLoaded() == false.
    // `progress` (may be null) is told how far the load has come (for a
    // window that waits for a large table loaded on another thread).
    // `delimiter`: the field delimiter, or 0 to take it from the header line.
    explicit MultidimensionalData(const char* fileName, WorkProgress* progress = nullptr, char delimiter = 0);
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
    // Missing values of dimension `dim` (they stand at kMissingValueNorm); 0
    // out of range. And their sum over all dimensions.
    int64_t getMissingCount(int dim) const;
    int64_t getMissingTotal() const;

    int getDataNum() const { return itemNum; }
    // Columns of the file (header fields), and the dimensions (axes) among them.
    int getDimNum() const { return dimNum; }
    int getActualDimNum() const { return actualDimNum; }
    // Items have names: from the "name" column, or else the first identifier column.
    bool hasNames() const { return nameColumn >= 0; }

    // Column `index` in [0, getDimNum()) as the loader made it; the column
    // of dimension `dim` in [0, getActualDimNum()).
    const TableColumn& getColumn(int index) const { return columns.at(static_cast<size_t>(index)); }
    const TableColumn& getAxisColumn(int dim) const { return columns.at(static_cast<size_t>(axisColumns.at(static_cast<size_t>(dim)))); }
    int getAxisColumnIndex(int dim) const { return axisColumns.at(static_cast<size_t>(dim)); }
    // The column that names the items, or -1.
    int getNameColumn() const { return nameColumn; }
    char getDelimiter() const { return delimiter; }
    // Blank lines of the file, skipped.
    int64_t getBlankLineCount() const { return blankLines; }
    // The file starts with a UTF-8 byte-order mark (skipped).
    bool hasByteOrderMark() const { return byteOrderMark; }
    // What the loader reported about the file (renamed header columns, rows
    // of the wrong length, unreadable fields, missing values), one message
    // per entry, as standard error had them without the file's name.
    const std::vector<std::string>& getLoadNotes() const { return loadNotes; }
    // Rows of the file whose quote never closes (each ends with its first line).
    int64_t getUnterminatedRowCount() const { return unterminatedRows; }
    // Labels of dimension `dim`'s foot and top: the raw values there ("%.2f")
    // of a numeric one (the maximum at the foot of a flipped axis), dates of
    // a date one; empty for a categorical one.
    std::string getAxisMinText(int dim) const;
    std::string getAxisMaxText(int dim) const;

    // --- The axes' arrangement ----------------------------------------------
    // Dimensions stand in slots (dimension d is drawn at slot d); the user
    // may reorder them, flip one and give a numeric one a logarithmic scale.
    // Every per-dimension table (values, bins, histograms, extremes, labels)
    // follows at once, so readers never need to know.
    //
    // How dimension `dim`'s raw values stand on its axis.
    const AxisScale& getAxisScale(int dim) const { return scales.at(static_cast<size_t>(dim)); }
    // The dimension's place among the dimensions in the file's column order.
    int getFileDim(int dim) const { return fileDims.at(static_cast<size_t>(dim)); }
    // Moves dimension order[s] to slot s for every s (order: a permutation
    // of the dimensions; false, and nothing changes, otherwise).
    bool permuteAxes(const std::vector<int>& order);
    // Flips dimension `dim` and/or gives it a logarithmic scale (false, and
    // nothing changes, when the dimension does not exist or cannot be
    // logarithmic: see describeLogRefusal). Its values, bins, histogram and
    // (when stored) the difference matrix follow.
    bool setAxisTransform(int dim, bool flipped, bool logarithmic);
    // Why dimension `dim` cannot have a logarithmic scale, as a sentence
    // naming the column; empty when it can.
    std::string describeLogRefusal(int dim) const;

    // The texts of an item's fields as they are in the file (quotes and
    // blanks around them removed), one per column, read again from the file.
    // False (and nothing stored) when the file has changed since it was
    // loaded or cannot be read.
    bool readRowTexts(int item, std::vector<std::string>* texts) const;
    // The text of column `column` for `item` as the table holds it without
    // the file: the number, date or category; "NA" when missing; the name
    // for the name column; empty for an identifier that does not name items.
    std::string getValueText(int item, int column) const;

    // Normalised value of an item on a numeric dimension; -1 (with a message)
    // when either index is out of range.
    float getDataEntry(int item, int dim) const;
    // Header field `index` in [0, dimNum) (made unique), the non-axis columns included.
    std::string getDimName(int index) const;
    // Name of dimension `dim`'s column.
    std::string getAxisName(int dim) const;
    // Item name (see hasNames); empty when the table has none.
    std::string getItemName(int item) const;
    // Raw extremes of a numeric dimension (for axis labels); for a date one
    // seconds UTC (rounded to float), for a categorical one 0 and categories - 1.
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
    // Histogram cells per dimension: the bins, then the missing bin (kMissingBin).
    int getHistogramCellsNum() const { return binsNum + 1; }
    // Share of all items in `bin` of dimension `dim` (kMissingBin: the
    // missing values); -1 (silently) out of range.
    float getHistogramEntry(int dim, int bin) const;
    // Largest and smallest share over the bins of `dim` (the largest
    // counting the missing bin too); nothing stored out of range.
    void getHistogramRange(int dim, float* first, float* second) const;

    // Row-major normalised values, itemNum x actualDimNum (for hot loops that
    // would otherwise pay the bounds check of getDataEntry per value).
    const float* getDataRow(int item) const { return data.data() + static_cast<size_t>(item) * actualDimNum; }
    // Histogram bin of each of the item's normalised values (histogramBin, or
    // kMissingBin for a missing value), one byte each: counting a list's bins reads a quarter of the memory
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
    static_assert(kHistogramBins + 1 <= 256, "a value's bin, the missing bin too, is kept in a byte");
    static constexpr int kMissingBin = kHistogramBins;
    // Normalised value of every item on a dimension whose raw values are all equal.
    static constexpr float kConstantDimensionValue = AxisScale::kConstantNorm;
    // Normalised position of a missing value: the centre of the slot drawn
    // just below the axis foot (1/36 of the axis length under it, 12.5 px in
    // a 500 px view). Lines, operators, hint paths, mixtures and the density
    // ordering all see a missing value there.
    static constexpr float kMissingValueNorm = AxisScale::kMissingNorm;
    static bool isMissingNorm(float valueNorm) { return valueNorm < 0.0f; }
    // Records between two kept row offsets (an item's text is read again
    // from the file from the offset before it).
    static constexpr int kRowsPerBlock = 16;

private:
    // Load steps after the value pass (MultidimensionalDataParse.cpp).
    void readTextColumns(const char* begin, const char* end, const std::vector<int>& textColumns);
    void readNameTexts(const char* begin, const char* end, int column);
    void keepAxisColumns(const std::vector<std::vector<float>>& textAxisValues);

    LargeFloatArray data;               // itemNum x actualDimNum, row-major; normalised after construction
    std::vector<float> maxValues;       // raw maximum per numeric dimension
    std::vector<float> minValues;       // raw minimum per numeric dimension
    std::vector<float> ranges;          // maxValues - minValues
    LargeFloatArray diffMatrix;         // itemNum x itemNum when within budget, else empty
    std::vector<float> histogram;       // actualDimNum x binsNum shares of all items
    std::vector<uint8_t> binIndex;      // itemNum x actualDimNum: each value's histogram bin
    std::vector<float> histogramMax;    // largest share per dimension
    std::vector<float> histogramMin;    // smallest share per dimension
    std::vector<AxisScale> scales;      // per dimension: extremes, flip and log
    std::vector<int> fileDims;          // per dimension: its place in the file's column order
    // Per dimension: its values as the plain linear scale gives them, kept
    // while the dimension is flipped or logarithmic (empty otherwise), so a
    // return to the plain scale gives back the loaded values bit for bit.
    std::vector<std::vector<float>> plainValues;
    std::vector<TableColumn> columns;   // every column of the file, in file order
    std::vector<int> axisColumns;       // per dimension: its column
    std::string nameTexts;              // the names of the items, one after the other
    std::vector<uint64_t> nameEnds;     // per item: where its name ends in nameTexts
    int nameColumn = -1;                // the column naming the items, or -1
    std::vector<uint64_t> rowBlockStarts;  // byte offset of every kRowsPerBlock-th record, then the data's end
    char delimiter = 0;                 // forced by the caller, or (0) taken from the header line
    bool byteOrderMark = false;
    int64_t blankLines = 0;
    int64_t unterminatedRows = 0;
    std::vector<std::string> loadNotes;
    std::string sourcePath;             // absolute path of the file read
    FileFingerprint fingerprint;        // of the file's bytes as read
    int64_t sourceModifiedNs = 0;       // its modification time when read, ns since the epoch
    FileIdentity sourceIdentity;        // device and inode of the file read
    WorkProgress* loadProgress = nullptr;  // told during the load, when given; not owned

    int32_t itemNum = 0;
    int32_t dimNum = 0;
    int32_t actualDimNum = 0;
    int32_t binsNum = kHistogramBins;
    bool loaded = false;
    std::string loadError;
};

// Why the table loaded from `path` cannot be shown (it could not be read, has
// no column to draw as an axis or no data item), as one sentence naming the file; empty
// when it can.
std::string describeUnusableTable(const MultidimensionalData& table, const std::string& path);
// What a usable table's load reported (its notes), for a dialog: at most
// kShownNotes lines, then how many more; empty when nothing was reported.
std::string describeTableProblems(const MultidimensionalData& table);

// The table's file as a write must never replace it: the file it was read
// from, and the file its path leads to now (an export reads that one again).
std::vector<ReadFile> tableFiles(const MultidimensionalData& table);

// MultidimensionalData: construction, accessors and the derived tables
// (normalisation, difference matrix, histograms). The loader is in
// MultidimensionalDataParse.cpp.
#include "data/MultidimensionalData.h"

#include "data/BinCounts.h"
#include "data/CsvRecords.h"
#include "data/DateText.h"
#include "data/NumberText.h"
#include "data/ParallelRanges.h"
#include "data/WorkProgress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>

MultidimensionalData::MultidimensionalData(const char* fileName, WorkProgress* progress, char forcedDelimiter)
    : delimiter(forcedDelimiter), loadProgress(progress) {
    if (inputFileParser(fileName)) {
        loaded = true;
        std::cout << "Multidimensional data created successfully!" << std::endl;
        normalizeData();
        std::cout << "Data normalized!" << std::endl;
        calculateDiffMatrix();
        std::cout << "Difference matrix calculated!" << std::endl;
        buildHistogram();
        std::cout << "Histogram built!" << std::endl;
        if (loadProgress) loadProgress->advance(1);  // the last unit: everything is built
    } else {
        // No table: no dimensions and no items, which every user of the table
        // handles. The loader has said why on standard error.
        itemNum = dimNum = actualDimNum = 0;
        nameColumn = -1;
        data.release();
        columns.clear();
        axisColumns.clear();
        nameTexts.clear();
        nameEnds.clear();
    }
    loadProgress = nullptr;
}

MultidimensionalData::~MultidimensionalData() = default;

float MultidimensionalData::getDataEntry(int item, int dim) const {
    if (item < 0 || item >= itemNum || dim < 0 || dim >= actualDimNum) {
        std::cerr << "Index error! No such data entry!" << std::endl;
        return -1.0f;
    }
    return data[static_cast<size_t>(item) * actualDimNum + dim];
}

std::string MultidimensionalData::getDimName(int index) const {
    if (index < 0 || index >= static_cast<int>(columns.size())) {
        std::cerr << "No such dimension!" << std::endl;
        return std::string();
    }
    return columns[static_cast<size_t>(index)].name;
}

std::string MultidimensionalData::getAxisName(int dim) const {
    if (dim < 0 || dim >= actualDimNum) return std::string();
    return getAxisColumn(dim).name;
}

std::string MultidimensionalData::getItemName(int item) const {
    if (item < 0 || item >= itemNum) {
        std::cerr << "No such item!" << std::endl;
        return std::string();
    }
    if (nameColumn < 0 || nameEnds.empty()) return std::string();
    const uint64_t begin = item > 0 ? nameEnds[static_cast<size_t>(item) - 1] : 0;
    return nameTexts.substr(begin, nameEnds[static_cast<size_t>(item)] - begin);
}

std::string describeUnusableTable(const MultidimensionalData& table, const std::string& path) {
    if (!table.isLoaded()) return "Cannot open \"" + path + "\": " + table.getLoadError() + ".";
    if (table.getActualDimNum() == 0) {
        return "\"" + path + "\" has no column to draw as an axis (no numeric, date or categorical column).";
    }
    if (table.getDataNum() == 0) return "\"" + path + "\" holds no data items.";
    return "";
}

std::string describeTableProblems(const MultidimensionalData& table) {
    constexpr size_t kShownNotes = 12;
    const std::vector<std::string>& notes = table.getLoadNotes();
    std::string text;
    for (size_t k = 0; k < notes.size() && k < kShownNotes; ++k) text += (k ? "\n" : "") + notes[k];
    if (notes.size() > kShownNotes) text += "\n(" + std::to_string(notes.size() - kShownNotes) + " more on standard error)";
    return text;
}

std::vector<ReadFile> tableFiles(const MultidimensionalData& table) {
    const std::string& path = table.getSourcePath();
    return {{table.getSourceIdentity(), "the table", path}, {FileIdentity::ofPath(path), "the table", path}};
}

int64_t MultidimensionalData::getMissingCount(int dim) const {
    if (dim < 0 || dim >= actualDimNum) return 0;
    return getAxisColumn(dim).missing;
}

int64_t MultidimensionalData::getMissingTotal() const {
    int64_t total = 0;
    for (int d = 0; d < actualDimNum; ++d) total += getAxisColumn(d).missing;
    return total;
}

namespace {

// The text of a raw value of `column` on an axis label.
std::string axisValueText(const TableColumn& column, double raw) {
    if (column.kind == ColumnKind::Date) return formatIsoDateTime(std::round(raw), column.hasTimes);
    return toString(static_cast<float>(raw));
}

}  // namespace

std::string MultidimensionalData::getAxisMinText(int dim) const {
    if (dim < 0 || dim >= actualDimNum) return std::string();
    const TableColumn& column = getAxisColumn(dim);
    if (column.kind == ColumnKind::Categorical) return std::string();
    return axisValueText(column, scales[static_cast<size_t>(dim)].toRaw(0.0f));
}

std::string MultidimensionalData::getAxisMaxText(int dim) const {
    if (dim < 0 || dim >= actualDimNum) return std::string();
    const TableColumn& column = getAxisColumn(dim);
    if (column.kind == ColumnKind::Categorical) return std::string();
    return axisValueText(column, scales[static_cast<size_t>(dim)].toRaw(1.0f));
}

std::string MultidimensionalData::getValueText(int item, int columnIndex) const {
    if (item < 0 || item >= itemNum || columnIndex < 0 || columnIndex >= dimNum) return std::string();
    const TableColumn& column = columns[static_cast<size_t>(columnIndex)];
    if (columnIndex == nameColumn) return getItemName(item);
    if (!column.isAxis()) return std::string();
    const float valueNorm = data[static_cast<size_t>(item) * actualDimNum + column.axis];
    if (isMissingNorm(valueNorm)) return "NA";
    const AxisScale& scale = scales[static_cast<size_t>(column.axis)];
    // Dates and numbers from their exact extremes (a float maximum would round a date).
    const double raw = AxisScale(column.minValue, column.maxValue, scale.flipped, scale.logarithmic).toRaw(valueNorm);
    if (column.kind == ColumnKind::Date) return formatIsoDateTime(std::round(raw), column.hasTimes);
    if (column.kind == ColumnKind::Categorical) {
        const size_t count = column.categories.size();
        const double k = count > 1 ? std::round(scale.toRaw(valueNorm)) : 0;
        return k >= 0 && k < static_cast<double>(count) ? column.categories[static_cast<size_t>(k)] : std::string();
    }
    char text[32];
    std::snprintf(text, sizeof text, "%g", raw);
    return text;
}

bool MultidimensionalData::readRowTexts(int item, std::vector<std::string>* texts) const {
    // A block of rows larger than this is not read again (one huge line): the caller shows what the table holds.
    constexpr uint64_t kLargestBlockBytes = uint64_t(16) << 20;
    if (item < 0 || item >= itemNum || rowBlockStarts.size() < 2) return false;
    const size_t block = static_cast<size_t>(item / kRowsPerBlock);
    if (block + 1 >= rowBlockStarts.size()) return false;
    const uint64_t begin = rowBlockStarts[block];
    const uint64_t end = rowBlockStarts[block + 1];
    if (end < begin || end - begin > kLargestBlockBytes) return false;
    const int fd = ::open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat info {};
    std::string bytes(static_cast<size_t>(end - begin), '\0');
    const bool same = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                      static_cast<uint64_t>(info.st_size) == fingerprint.size &&
                      int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec == sourceModifiedNs;
    size_t got = 0;
    while (same && got < bytes.size()) {
        const ssize_t n = ::pread(fd, &bytes[got], bytes.size() - got, static_cast<off_t>(begin + got));
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (!same || got != bytes.size()) return false;
    CsvReader reader(bytes.data(), bytes.data() + bytes.size(), delimiter);
    CsvRecord record;
    for (int k = 0; k <= item % kRowsPerBlock; ++k) {
        if (!reader.next(&record)) return false;
    }
    std::vector<CsvField> fields;
    splitFields(record, delimiter, &fields);
    texts->assign(static_cast<size_t>(dimNum), std::string());
    for (size_t k = 0; k < fields.size() && k < texts->size(); ++k) (*texts)[k] = fieldText(fields[k]);
    return true;
}

float MultidimensionalData::getMaxValue(int dim) const {
    if (dim < 0 || dim >= static_cast<int>(maxValues.size())) {
        std::cerr << "Index error! No such dimension!" << std::endl;
        return -1.0f;
    }
    return maxValues[dim];
}

float MultidimensionalData::getMinValue(int dim) const {
    if (dim < 0 || dim >= static_cast<int>(minValues.size())) {
        std::cerr << "Index error! No such dimension!" << std::endl;
        return -1.0f;
    }
    return minValues[dim];
}

// --- Normalisation ---------------------------------------------------------

void MultidimensionalData::normalizeData() {
    // Numeric dimensions hold raw values (NaN where missing) until here; date
    // and categorical ones were placed by the loader already.
    const size_t dims = static_cast<size_t>(actualDimNum);
    maxValues.assign(dims, -1e11f);
    minValues.assign(dims, 1e11f);
    ranges.assign(dims, 0.0f);
    std::vector<char> rawDims(dims, 0);
    for (size_t d = 0; d < dims; ++d) {
        const TableColumn& column = getAxisColumn(static_cast<int>(d));
        rawDims[d] = column.kind == ColumnKind::Numeric;
        if (!rawDims[d]) {
            const float top = column.kind == ColumnKind::Categorical
                                  ? static_cast<float>(std::max<size_t>(column.categories.size(), 1) - 1)
                                  : static_cast<float>(column.maxValue);
            minValues[d] = column.kind == ColumnKind::Categorical ? 0.0f : static_cast<float>(column.minValue);
            maxValues[d] = top;
            ranges[d] = maxValues[d] - minValues[d];
        }
    }
    // A comparison with NaN is false: missing values never become an extreme.
    for (int32_t i = 0; i < itemNum; ++i) {
        const float* row = getDataRow(i);
        for (size_t d = 0; d < dims; ++d) {
            if (!rawDims[d]) continue;
            if (row[d] - maxValues[d] > 0) maxValues[d] = row[d];
            if (row[d] - minValues[d] < 0) minValues[d] = row[d];
        }
    }
    for (size_t d = 0; d < dims; ++d) {
        if (!rawDims[d]) continue;
        // No values (no items, or all missing): the extremes are 0 rather than the search's start values.
        if (maxValues[d] < minValues[d]) maxValues[d] = minValues[d] = 0.0f;
        ranges[d] = maxValues[d] - minValues[d];
        TableColumn& column = columns[static_cast<size_t>(axisColumns[d])];
        column.minValue = minValues[d];
        column.maxValue = maxValues[d];
    }

    scales.clear();
    for (size_t d = 0; d < dims; ++d) {
        const TableColumn& column = getAxisColumn(static_cast<int>(d));
        // Dates keep their exact seconds; numbers the float extremes their values have.
        scales.emplace_back(column.kind == ColumnKind::Date ? column.minValue : static_cast<double>(minValues[d]),
                            column.kind == ColumnKind::Date ? column.maxValue : static_cast<double>(maxValues[d]));
    }
    fileDims.resize(dims);
    for (size_t d = 0; d < dims; ++d) fileDims[d] = static_cast<int>(d);
    plainValues.assign(dims, std::vector<float>());

    for (int32_t i = 0; i < itemNum; ++i) {
        float* row = data.data() + static_cast<size_t>(i) * dims;
        for (size_t d = 0; d < dims; ++d) {
            // A missing value (NaN) goes below the foot; a dimension whose values are all equal sits in the middle.
            if (rawDims[d]) row[d] = scales[d].normalise(static_cast<double>(row[d]));
        }
    }
}

// --- The axes' arrangement --------------------------------------------------

bool MultidimensionalData::permuteAxes(const std::vector<int>& order) {
    const size_t dims = static_cast<size_t>(actualDimNum);
    if (order.size() != dims) return false;
    std::vector<char> seen(dims, 0);
    for (int d : order) {
        if (d < 0 || static_cast<size_t>(d) >= dims || seen[static_cast<size_t>(d)]) return false;
        seen[static_cast<size_t>(d)] = 1;
    }
    // Row by row through a small buffer, one range of rows per core: a reorder
    // of a large table is part of the frame that shows it.
    constexpr size_t kRowsPerRange = 65536;
    runRanges(static_cast<size_t>(itemNum), rangeCountFor(static_cast<size_t>(itemNum), kRowsPerRange),
              [&](size_t begin, size_t end, int) {
                  std::vector<float> rowCopy(dims);
                  std::vector<uint8_t> binCopy(dims);
                  for (size_t i = begin; i < end; ++i) {
                      float* row = data.data() + i * dims;
                      uint8_t* bins = binIndex.data() + i * dims;
                      std::copy(row, row + dims, rowCopy.begin());
                      std::copy(bins, bins + dims, binCopy.begin());
                      for (size_t s = 0; s < dims; ++s) {
                          row[s] = rowCopy[static_cast<size_t>(order[s])];
                          bins[s] = binCopy[static_cast<size_t>(order[s])];
                      }
                  }
              });
    auto permute = [&](auto& perDim) {
        std::remove_reference_t<decltype(perDim)> permuted;
        permuted.reserve(dims);
        for (size_t s = 0; s < dims; ++s) permuted.push_back(std::move(perDim[static_cast<size_t>(order[s])]));
        perDim.swap(permuted);
    };
    permute(maxValues);
    permute(minValues);
    permute(ranges);
    permute(histogramMax);
    permute(histogramMin);
    permute(scales);
    permute(fileDims);
    permute(plainValues);
    permute(axisColumns);
    const size_t cells = static_cast<size_t>(getHistogramCellsNum());
    const std::vector<float> histogramCopy = histogram;
    for (size_t s = 0; s < dims; ++s) {
        std::copy(histogramCopy.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(order[s]) * cells),
                  histogramCopy.begin() + static_cast<std::ptrdiff_t>((static_cast<size_t>(order[s]) + 1) * cells),
                  histogram.begin() + static_cast<std::ptrdiff_t>(s * cells));
    }
    for (size_t s = 0; s < dims; ++s) columns[static_cast<size_t>(axisColumns[s])].axis = static_cast<int>(s);
    // The difference matrix sums over all dimensions: the order does not change it.
    return true;
}

std::string MultidimensionalData::describeLogRefusal(int dim) const {
    if (dim < 0 || dim >= actualDimNum) return "There is no such axis.";
    const TableColumn& column = getAxisColumn(dim);
    const std::string name = "\"" + column.name + "\"";
    if (column.kind != ColumnKind::Numeric) {
        return "A logarithmic scale needs numbers: " + name + " is a " + columnKindName(column.kind) + " column.";
    }
    if (!AxisScale::canBeLogarithmic(scales[static_cast<size_t>(dim)].minRaw)) {
        return "A logarithmic scale needs values above 0: " + name + " holds " +
               toString(static_cast<float>(scales[static_cast<size_t>(dim)].minRaw)) + ".";
    }
    return "";
}

bool MultidimensionalData::setAxisTransform(int dim, bool flipped, bool logarithmic) {
    if (dim < 0 || dim >= actualDimNum) return false;
    if (logarithmic && !describeLogRefusal(dim).empty()) return false;
    const size_t d = static_cast<size_t>(dim);
    const size_t dims = static_cast<size_t>(actualDimNum);
    const AxisScale before = scales[d];
    AxisScale after = before;
    after.flipped = flipped;
    after.logarithmic = logarithmic;
    if (after == before) return true;
    std::vector<float>& plain = plainValues[d];
    if (before.isPlain()) {  // keep the loaded values before the first change
        plain.resize(static_cast<size_t>(itemNum));
        for (int32_t i = 0; i < itemNum; ++i) plain[static_cast<size_t>(i)] = data[static_cast<size_t>(i) * dims + d];
    }
    const AxisScale plainScale(before.minRaw, before.maxRaw);
    for (int32_t i = 0; i < itemNum; ++i) {
        const float valueNorm = plain[static_cast<size_t>(i)];
        data[static_cast<size_t>(i) * dims + d] =
            after.isPlain() || isMissingNorm(valueNorm) ? valueNorm : after.normalise(plainScale.toRaw(valueNorm));
    }
    if (after.isPlain()) std::vector<float>().swap(plain);
    scales[d] = after;
    // Bins and histogram of this dimension, as buildHistogram makes them.
    const size_t cells = static_cast<size_t>(getHistogramCellsNum());
    float* shares = histogram.data() + d * cells;
    std::fill(shares, shares + cells, 0.0f);
    for (int32_t i = 0; i < itemNum; ++i) {
        const float valueNorm = data[static_cast<size_t>(i) * dims + d];
        const int bin = isMissingNorm(valueNorm) ? kMissingBin : histogramBin(valueNorm, binsNum);
        binIndex[static_cast<size_t>(i) * dims + d] = static_cast<uint8_t>(bin);
        shares[bin] += 1.0f;
    }
    const float itemCount = static_cast<float>(itemNum);
    histogramMax[d] = 0.0f;
    histogramMin[d] = itemCount;
    for (int b = 0; b <= binsNum; ++b) {
        if (shares[b] > histogramMax[d]) histogramMax[d] = shares[b];
        if (shares[b] < histogramMin[d] && b != kMissingBin) histogramMin[d] = shares[b];
        shares[b] = itemNum > 0 ? shares[b] / itemCount : 0.0f;
    }
    histogramMax[d] = itemNum > 0 ? histogramMax[d] / itemCount : 0.0f;
    histogramMin[d] = itemNum > 0 ? histogramMin[d] / itemCount : 0.0f;
    // A flip keeps every distance; a change of scale does not.
    if (after.logarithmic != before.logarithmic && isDiffMatrixStored()) calculateDiffMatrix();
    return true;
}

// --- Difference matrix -----------------------------------------------------

float MultidimensionalData::computeDiffEntry(int i, int j) const {
    const float* a = getDataRow(i);
    const float* b = getDataRow(j);
    float sum = 0.0f;
    for (int d = 0; d < actualDimNum; ++d) {
        const float delta = a[d] - b[d];
        sum += delta * delta;
    }
    return sum;
}

void MultidimensionalData::calculateDiffMatrix() {
    diffMatrix.release();
    const size_t n = static_cast<size_t>(itemNum);
    if (n == 0 || n * n > kDiffMatrixBudgetBytes / sizeof(float)) return;  // served on demand

    diffMatrix.assignZeros(n * n);
    // Column-major copy of the values so that one row of the matrix is a
    // vectorisable loop over items. The per-entry sum runs over the
    // dimensions in the same order as computeDiffEntry, so both give the same bits.
    const size_t dims = static_cast<size_t>(actualDimNum);
    std::vector<float> byColumn(dims * n);
    for (size_t i = 0; i < n; ++i) {
        for (size_t d = 0; d < dims; ++d) byColumn[d * n + i] = data[i * dims + d];
    }
    for (size_t i = 0; i < n; ++i) {
        float* out = diffMatrix.data() + i * n;
        const float* row = data.data() + i * dims;
        for (size_t d = 0; d < dims; ++d) {
            const float value = row[d];
            const float* column = byColumn.data() + d * n;
            for (size_t j = i + 1; j < n; ++j) {
                const float delta = column[j] - value;
                out[j] += delta * delta;
            }
        }
    }
    // Mirror the upper triangle into the lower one, tile by tile to stay in cache.
    constexpr size_t kTile = 64;
    for (size_t ib = 0; ib < n; ib += kTile) {
        for (size_t jb = 0; jb <= ib; jb += kTile) {
            const size_t iEnd = std::min(ib + kTile, n);
            const size_t jEnd = std::min(jb + kTile, n);
            for (size_t i = ib; i < iEnd; ++i) {
                for (size_t j = jb; j < std::min(jEnd, i); ++j) diffMatrix[i * n + j] = diffMatrix[j * n + i];
            }
        }
    }
}

float MultidimensionalData::getDiffMatrixEntry(int i, int j) const {
    if (i < 0 || i >= itemNum || j < 0 || j >= itemNum) {
        std::cerr << "Index error! Could not get diff matrix item!" << std::endl;
        return -1.0f;
    }
    if (!diffMatrix.empty()) return diffMatrix[static_cast<size_t>(i) * itemNum + j];
    return computeDiffEntry(i, j);
}

// --- Histograms --------------------------------------------------------------

void MultidimensionalData::buildHistogram() {
    binsNum = kHistogramBins;
    const size_t cells = static_cast<size_t>(getHistogramCellsNum());
    const size_t dims = static_cast<size_t>(actualDimNum);
    histogram.assign(dims * cells, 0.0f);
    histogramMax.assign(dims, 0.0f);
    histogramMin.assign(dims, static_cast<float>(itemNum));

    binIndex.resize(static_cast<size_t>(itemNum) * dims);
    for (int32_t i = 0; i < itemNum; ++i) {
        const float* row = getDataRow(i);
        uint8_t* bins = binIndex.data() + static_cast<size_t>(i) * dims;
        for (size_t d = 0; d < dims; ++d) {
            // Values lie in [0, 1]; a value of exactly 1 belongs to the last bin.
            const int bin = isMissingNorm(row[d]) ? kMissingBin : histogramBin(row[d], binsNum);
            bins[d] = static_cast<uint8_t>(bin);
            histogram[d * cells + static_cast<size_t>(bin)] += 1.0f;
        }
    }
    // With no items every share is 0 (nothing to divide by).
    const float itemCount = static_cast<float>(itemNum);
    for (int b = 0; b <= binsNum; ++b) {
        for (size_t d = 0; d < dims; ++d) {
            float& count = histogram[d * cells + static_cast<size_t>(b)];
            if (count > histogramMax[d]) histogramMax[d] = count;
            if (count < histogramMin[d] && b != kMissingBin) histogramMin[d] = count;
            count = itemNum > 0 ? count / itemCount : 0.0f;
        }
    }
    for (size_t d = 0; d < dims; ++d) {
        histogramMax[d] = itemNum > 0 ? histogramMax[d] / itemCount : 0.0f;
        histogramMin[d] = itemNum > 0 ? histogramMin[d] / itemCount : 0.0f;
    }
}

float MultidimensionalData::getHistogramEntry(int dim, int bin) const {
    if (dim < 0 || dim >= actualDimNum || bin < 0 || bin > kMissingBin || histogram.empty()) return -1.0f;
    return histogram[static_cast<size_t>(dim) * static_cast<size_t>(getHistogramCellsNum()) + static_cast<size_t>(bin)];
}

void MultidimensionalData::getHistogramRange(int dim, float* first, float* second) const {
    if (dim < 0 || dim >= static_cast<int>(histogramMax.size())) return;
    *first = histogramMax[dim];
    *second = histogramMin[dim];
}

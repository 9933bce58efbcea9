// MultidimensionalData: construction, accessors and the derived tables
// (normalisation, difference matrix, histograms). The loader is in
// MultidimensionalDataParse.cpp.
#include "data/MultidimensionalData.h"

#include "data/BinCounts.h"
#include "data/WorkProgress.h"

#include <algorithm>
#include <iostream>

MultidimensionalData::MultidimensionalData(const char* fileName) : MultidimensionalData(fileName, nullptr) {}

MultidimensionalData::MultidimensionalData(const char* fileName, WorkProgress* progress) : loadProgress(progress) {
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
        hasItemNames = false;
        data.release();
        dimNames.clear();
        itemNames.clear();
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
    if (index < 0 || index >= static_cast<int>(dimNames.size())) {
        std::cerr << "No such dimension!" << std::endl;
        return std::string();
    }
    return dimNames[index];
}

std::string MultidimensionalData::getItemName(int item) const {
    if (item < 0 || item >= itemNum) {
        std::cerr << "No such item!" << std::endl;
        return std::string();
    }
    return hasItemNames ? itemNames[item] : std::string();
}

std::string describeUnusableTable(const MultidimensionalData& table, const std::string& path) {
    if (!table.isLoaded()) return "Cannot open \"" + path + "\": " + table.getLoadError() + ".";
    if (table.getActualDimNum() == 0) return "\"" + path + "\" has no numeric column.";
    if (table.getDataNum() == 0) return "\"" + path + "\" holds no data items.";
    return "";
}

std::vector<ReadFile> tableFiles(const MultidimensionalData& table) {
    const std::string& path = table.getSourcePath();
    return {{table.getSourceIdentity(), "the table", path}, {FileIdentity::ofPath(path), "the table", path}};
}

int64_t MultidimensionalData::getEmptyFieldCount(int dim) const {
    if (dim < 0 || dim >= static_cast<int>(emptyFieldCounts.size())) return 0;
    return emptyFieldCounts[dim];
}

int64_t MultidimensionalData::getEmptyFieldTotal() const {
    int64_t total = 0;
    for (int64_t count : emptyFieldCounts) total += count;
    return total;
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
    const size_t dims = static_cast<size_t>(actualDimNum);
    maxValues.assign(dims, -1e11f);
    minValues.assign(dims, 1e11f);
    ranges.assign(dims, 0.0f);
    for (int32_t i = 0; i < itemNum; ++i) {
        const float* row = getDataRow(i);
        for (size_t d = 0; d < dims; ++d) {
            if (row[d] - maxValues[d] > 0) maxValues[d] = row[d];
            if (row[d] - minValues[d] < 0) minValues[d] = row[d];
        }
    }
    if (itemNum == 0) {
        // No values: the extremes are 0 rather than the search's start values.
        std::fill(maxValues.begin(), maxValues.end(), 0.0f);
        std::fill(minValues.begin(), minValues.end(), 0.0f);
    }
    for (size_t d = 0; d < dims; ++d) ranges[d] = maxValues[d] - minValues[d];

    for (int32_t i = 0; i < itemNum; ++i) {
        float* row = data.data() + static_cast<size_t>(i) * dims;
        for (size_t d = 0; d < dims; ++d) {
            // A dimension whose values are all equal sits in the middle of its axis.
            row[d] = ranges[d] != 0 ? (row[d] - minValues[d]) / ranges[d] : kConstantDimensionValue;
        }
    }
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
    std::vector<float> columns(dims * n);
    for (size_t i = 0; i < n; ++i) {
        for (size_t d = 0; d < dims; ++d) columns[d * n + i] = data[i * dims + d];
    }
    for (size_t i = 0; i < n; ++i) {
        float* out = diffMatrix.data() + i * n;
        const float* row = data.data() + i * dims;
        for (size_t d = 0; d < dims; ++d) {
            const float value = row[d];
            const float* column = columns.data() + d * n;
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
    const size_t dims = static_cast<size_t>(actualDimNum);
    histogram.assign(dims * binsNum, 0.0f);
    histogramMax.assign(dims, 0.0f);
    histogramMin.assign(dims, static_cast<float>(itemNum));

    binIndex.resize(static_cast<size_t>(itemNum) * dims);
    for (int32_t i = 0; i < itemNum; ++i) {
        const float* row = getDataRow(i);
        uint8_t* bins = binIndex.data() + static_cast<size_t>(i) * dims;
        for (size_t d = 0; d < dims; ++d) {
            // Values lie in [0, 1]; a value of exactly 1 belongs to the last bin.
            const int bin = histogramBin(row[d], binsNum);
            bins[d] = static_cast<uint8_t>(bin);
            histogram[d * binsNum + bin] += 1.0f;
        }
    }
    // With no items every share is 0 (nothing to divide by).
    const float itemCount = static_cast<float>(itemNum);
    for (int b = 0; b < binsNum; ++b) {
        for (size_t d = 0; d < dims; ++d) {
            float& count = histogram[d * binsNum + b];
            if (count > histogramMax[d]) histogramMax[d] = count;
            if (count < histogramMin[d]) histogramMin[d] = count;
            count = itemNum > 0 ? count / itemCount : 0.0f;
        }
    }
    for (size_t d = 0; d < dims; ++d) {
        histogramMax[d] = itemNum > 0 ? histogramMax[d] / itemCount : 0.0f;
        histogramMin[d] = itemNum > 0 ? histogramMin[d] / itemCount : 0.0f;
    }
}

float MultidimensionalData::getHistogramEntry(int dim, int bin) const {
    if (dim < 0 || dim >= actualDimNum || bin < 0 || bin >= binsNum || histogram.empty()) return -1.0f;
    return histogram[static_cast<size_t>(dim) * binsNum + bin];
}

void MultidimensionalData::getHistogramRange(int dim, float* first, float* second) const {
    if (dim < 0 || dim >= static_cast<int>(histogramMax.size())) return;
    *first = histogramMax[dim];
    *second = histogramMin[dim];
}

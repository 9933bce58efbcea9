#include "model/TableModel.h"

#include <algorithm>

#include "cluster/ClusterPath.h"
#include "cluster/DensityJob.h"
#include "cluster/GaussianMixture.h"
#include "cluster/ItemRegrouping.h"
#include "cluster/MultidimensionalCluster.h"
#include "operators/ClusterTree.h"
#include "operators/DataItemPaths.h"
#include "operators/TreeObserver.h"

TableModel::TableModel() = default;

TableModel::~TableModel() {
    // Per-table objects read the table while they are released, so they go first.
    releasePerTableObjects();
    table.reset();
}

void TableModel::linkMDdata(MultidimensionalData* newData) {
    if (treeObserver != nullptr) treeObserver->releaseLinks();
    releasePerTableObjects();
    table.reset(newData);
    updateDataInfo();
}

void TableModel::releasePerTableObjects() {
    cancelDensityOrdering();
    // Objects that refer to others go first: the item paths read the tree, the tree the axes.
    linePaths.reset();
    operatorTree.reset();
    regrouping.reset();
    mixtures.clear();
    hintPathSet.reset();
    itemGroups.reset();
    itemScores.clear();
    axisLayout.reset();
    histogramWidths.clear();
    dataReady = false;
}

void TableModel::updateDataInfo() {
    if (dataReady) releasePerTableObjects();
    ++tableSerial;
    if (!table) return;
    // In this order: axes, hint paths, item records, tree, item paths,
    // histogram widths, groups, then one empty mixture per dimension.
    const int dims = table->getActualDimNum();
    axisLayout = std::make_unique<ParallelCoordinatesAxis>(table.get());
    hintPathSet = std::make_unique<ClusterPath>(dims);
    itemScores.assign(static_cast<size_t>(table->getDataNum()), ItemScore{0, 0.0f});
    operatorTree = std::make_unique<ClusterTree>(this);
    linePaths = std::make_unique<DataItemPaths>(this);
    histogramWidths.assign(static_cast<size_t>(dims), kInitialHistogramWidth);
    itemGroups = std::make_unique<MultidimensionalCluster>(table.get());
    mixtures.clear();
    for (int d = 0; d < dims; ++d) mixtures.push_back(std::make_unique<GaussianMixture>(nullptr, nullptr, nullptr, 0));
    regrouping = std::make_unique<ItemRegrouping>(table.get(), drawRegion.offset, drawRegion.scale);
    // Record i holds item i until the first regrouping or density ordering.
    for (size_t i = 0; i < itemScores.size(); ++i) itemScores[i].item = static_cast<int32_t>(i);
    dataReady = true;
    tableLinked();
}

bool TableModel::hasDrawableData() const {
    return dataReady && table->getDataNum() > 0 && table->getActualDimNum() > 0;
}

const GaussianMixture* TableModel::getMixture(int d) const {
    if (d < 0 || d >= static_cast<int>(mixtures.size())) return nullptr;
    return mixtures[d].get();
}

float TableModel::getHistogramWidth(int dim) const {
    if (dim < 0 || dim >= static_cast<int>(histogramWidths.size())) return 0.0f;
    return histogramWidths[dim];
}

void TableModel::stepHistogramWidth(int dim, float step) {
    if (dim < 0 || dim >= static_cast<int>(histogramWidths.size())) return;
    histogramWidths[dim] = std::clamp(histogramWidths[dim] + step, kMinHistogramWidth, kMaxHistogramWidth);
}

void TableModel::setHistogramWidth(int dim, float width) {
    if (dim < 0 || dim >= static_cast<int>(histogramWidths.size())) return;
    histogramWidths[dim] = std::clamp(width, kMinHistogramWidth, kMaxHistogramWidth);
}

void TableModel::restoreMixtures(bool present) {
    if (!dataReady) return;
    if (present) {
        mixtures = regrouping->buildMixtures(*hintPathSet);
    } else {
        mixtures.clear();
    }
}

void TableModel::updateGaussianMixtures() {
    if (!dataReady) return;
    mixtures = regrouping->buildMixtures(*hintPathSet);
    applyOrdering();
}

void TableModel::applyOrdering() {
    if (!dataReady) return;
    cancelDensityOrdering();
    regrouping->scoreItems(*hintPathSet, *itemGroups, itemScores);
    updateClusterInfo();
}

void TableModel::updateClusterInfo() {
    if (!dataReady) return;
    regrouping->rebuildGroups(*itemGroups, itemScores, groupSort);
}

void TableModel::calculateDiff_GaussianBased() {
    if (!dataReady) return;
    cancelDensityOrdering();
    regrouping->orderByDensity(itemScores, gaussianOrdering);
}

void TableModel::updateHintPaths() {
    if (dataReady) hintPathSet->updateHintPointsPosition(axisLayout.get());
}

void TableModel::clearClusterPaths() {
    if (!dataReady) return;
    cancelDensityOrdering();
    hintPathSet->clearPaths();
    for (size_t i = 0; i < itemScores.size(); ++i) itemScores[i].item = static_cast<int32_t>(i);
    mixtures.clear();  // absent until the next hint change rebuilds them
}

void TableModel::toggleHintPathLock(int path, bool locked) {
    if (!dataReady) return;
    if (locked) {
        hintPathSet->unlockPath(path);
        itemGroups->unlockGroup(path);
        return;
    }
    // A path that claimed no item may have no group yet: lock an empty one with
    // it, so that locked path k always pairs with locked group k.
    itemGroups->ensureUnlockedGroup(path + 1);
    hintPathSet->lockPath(path);
    itemGroups->lockGroup(path + 1);
}

void TableModel::setGaussianOrdering(bool on, bool inBackground) {
    gaussianOrdering = on;
    if (!gaussianOrdering) {
        cancelDensityOrdering();
        return;
    }
    if (!dataReady) return;
    if (inBackground && table->getDataNum() > kBackgroundDensityItems) {
        densityJob = std::make_unique<DensityJob>(table.get(), ItemRegrouping::kDensityKernelWidth);
        return;
    }
    calculateDiff_GaussianBased();
}

void TableModel::cancelDensityOrdering() { densityJob.reset(); }

double TableModel::getDensityOrderingProgress() const { return densityJob ? densityJob->getProgress() : 0.0; }

bool TableModel::finishDensityOrdering() {
    if (!densityJob || !densityJob->isDone()) return false;
    regrouping->applyDensity(densityJob->getSums(), itemScores, gaussianOrdering);
    densityJob.reset();
    return true;
}

void TableModel::setGroupSort(bool on) {
    groupSort = on;
    if (itemGroups) itemGroups->sortGroups();
}

void TableModel::adjustAxisPositions(int region, float delta) {
    if (!dataReady) return;
    axisLayout->adjustAxisPositions(region, delta);
    updateHintPaths();
    updateOperatorsPos();
}

void TableModel::updateOperatorsPos() {
    if (operatorTree) operatorTree->updateOperatorsPos();
}

void TableModel::setFocusedOp(AROperator* op) {
    if (operatorTree) operatorTree->setFocused(op);
}

#include "model/TableModel.h"

#include <algorithm>
#include <numeric>

#include "cluster/ClusterPath.h"
#include "cluster/DensityJob.h"
#include "cluster/GaussianMixture.h"
#include "cluster/ItemRegrouping.h"
#include "cluster/MultidimensionalCluster.h"
#include "model/ColourMap.h"
#include "operators/AROperator.h"
#include "operators/ClusterTree.h"
#include "operators/DataItemPaths.h"

TableModel::TableModel() = default;

TableModel::~TableModel() {
    // Per-table objects read the table while they are released, so they go first.
    releasePerTableObjects();
    table.reset();
}

void TableModel::linkMDdata(MultidimensionalData* newData) {
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
    ++mixturesRevision;
    hintPathSet.reset();
    itemGroups.reset();
    itemScores.clear();
    axisLayout.reset();
    histogramWidths.clear();
    colourByFileDim = -1;
    itemColours.clear();
    ++arrangementRevision;
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
    ++mixturesRevision;
    regrouping = std::make_unique<ItemRegrouping>(table.get(), drawRegion.offset, drawRegion.scale);
    // Record i holds item i until the first regrouping or density ordering.
    for (size_t i = 0; i < itemScores.size(); ++i) itemScores[i].item = static_cast<int32_t>(i);
    dataReady = true;
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
    ++mixturesRevision;
}

void TableModel::updateGaussianMixtures() {
    if (!dataReady) return;
    mixtures = regrouping->buildMixtures(*hintPathSet);
    ++mixturesRevision;
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
    ++mixturesRevision;
}

void TableModel::toggleHintPathLock(int path, bool locked) {
    if (!dataReady) return;
    if (locked) {
        hintPathSet->unlockPath(path);
        itemGroups->unlockGroup(path);
    } else {
        // A path that claimed no item may have no group yet: lock an empty one
        // with it, so that locked path k always pairs with locked group k.
        itemGroups->ensureUnlockedGroup(path + 1);
        hintPathSet->lockPath(path);
        itemGroups->lockGroup(path + 1);
    }
    // The mixtures are those of the unlocked paths: the path that left or
    // joined them leaves or joins its curves (the items stay in their groups).
    if (!mixtures.empty()) restoreMixtures(true);
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

bool TableModel::isDensityOrderingDone() const { return densityJob && densityJob->isDone(); }

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


// --- The axes' arrangement -------------------------------------------------------

TableModel::AxisArrangement TableModel::getAxisArrangement() const {
    AxisArrangement arrangement;
    if (!dataReady) return arrangement;
    for (int d = 0; d < table->getActualDimNum(); ++d) {
        arrangement.fileDims.push_back(table->getFileDim(d));
        arrangement.flipped.push_back(table->getAxisScale(d).flipped ? 1 : 0);
        arrangement.logarithmic.push_back(table->getAxisScale(d).logarithmic ? 1 : 0);
    }
    arrangement.colourByFileDim = colourByFileDim;
    return arrangement;
}

std::string TableModel::describeBadArrangement(const AxisArrangement& arrangement) const {
    if (!dataReady) return "no table";
    const size_t dims = static_cast<size_t>(table->getActualDimNum());
    if (arrangement.fileDims.size() != dims || arrangement.flipped.size() != dims || arrangement.logarithmic.size() != dims) {
        return "the axis order, flips and scales need one entry per axis (" + std::to_string(dims) + ")";
    }
    std::vector<char> seen(dims, 0);
    for (int d : arrangement.fileDims) {
        if (d < 0 || static_cast<size_t>(d) >= dims || seen[static_cast<size_t>(d)]) {
            return "the axis order is not an order of the " + std::to_string(dims) + " axes";
        }
        seen[static_cast<size_t>(d)] = 1;
    }
    if (arrangement.colourByFileDim < -1 || arrangement.colourByFileDim >= static_cast<int>(dims)) {
        return "the colour-by axis " + std::to_string(arrangement.colourByFileDim) + " does not exist";
    }
    // A log scale is checked on the column it belongs to, wherever it stands now.
    for (size_t s = 0; s < dims; ++s) {
        if (!arrangement.logarithmic[s]) continue;
        for (int d = 0; d < static_cast<int>(dims); ++d) {
            if (table->getFileDim(d) != arrangement.fileDims[s]) continue;
            const std::string refusal = table->describeLogRefusal(d);
            if (!refusal.empty()) return refusal;
        }
    }
    return "";
}

void TableModel::permutePerDimensionState(const std::vector<int>& order) {
    const std::vector<float> widths = histogramWidths;
    for (size_t s = 0; s < order.size(); ++s) histogramWidths[s] = widths[static_cast<size_t>(order[s])];
    auto permutePath = [&](Path* path) {
        const Path copy = *path;
        for (size_t s = 0; s < order.size(); ++s) {
            const size_t from = static_cast<size_t>(order[s]);
            path->hintPoints[s] = copy.hintPoints[from];
            path->peaks[s] = copy.peaks[from];
            path->deviations[s] = copy.deviations[from];
            path->hasHintPoint[s] = copy.hasHintPoint[from];
        }
    };
    for (int k = 0; k < hintPathSet->getUnlockedPathNum(); ++k) permutePath(hintPathSet->getUnlockedPath(k));
    for (int k = 0; k < hintPathSet->getLockedPathNum(); ++k) permutePath(hintPathSet->getLockedPath(k));
    updateHintPaths();
}

void TableModel::refreshAfterArrangement(bool orderingWasPending, const std::vector<int>* order) {
    ++arrangementRevision;
    std::vector<AROperator*> nodes;
    operatorTree->collectNodes(&nodes);
    if (order != nullptr) {
        // Only the order changed: every histogram's blocks (one per dimension) change places.
        const size_t cells = static_cast<size_t>(table->getHistogramCellsNum());
        std::vector<float> copy;
        auto permute = [&](std::vector<float>& histogram) {
            if (histogram.size() != order->size() * cells) return;
            copy = histogram;
            for (size_t s = 0; s < order->size(); ++s) {
                const size_t from = static_cast<size_t>((*order)[s]) * cells;
                std::copy(copy.begin() + static_cast<std::ptrdiff_t>(from),
                          copy.begin() + static_cast<std::ptrdiff_t>(from + cells),
                          histogram.begin() + static_cast<std::ptrdiff_t>(s * cells));
            }
        };
        for (int k = 0; k < itemGroups->getUnlockedGroupNum(); ++k) permute(itemGroups->getUnlockedGroup(k)->histogram);
        for (int k = 0; k < itemGroups->getLockedGroupNum(); ++k) permute(itemGroups->getLockedGroup(k)->histogram);
        for (AROperator* node : nodes) {
            node->pairCounts = PartitionCounts();  // its kept totals are per dimension too
            permute(node->histogram);
        }
    } else {
        // Every histogram counted from the new values: the groups', then every node's.
        std::vector<DataItemGroup> unlocked, locked;
        for (int k = 0; k < itemGroups->getUnlockedGroupNum(); ++k) unlocked.push_back(*itemGroups->getUnlockedGroup(k));
        for (int k = 0; k < itemGroups->getLockedGroupNum(); ++k) locked.push_back(*itemGroups->getLockedGroup(k));
        itemGroups->restoreGroups(std::move(unlocked), std::move(locked));
        for (AROperator* node : nodes) {
            node->pairCounts = PartitionCounts();
            node->angularHistogram.clear();
            node->rebuildOwnHistogram();
        }
    }
    operatorTree->updateOperatorsPos();  // a new revision: every line is drawn anew
    linePaths->forgetBuild();
    if (hasMixtures()) restoreMixtures(true);
    buildItemColours();
    // An ordering under way read the values as they were: it starts again on the new ones.
    if (orderingWasPending) setGaussianOrdering(true, true);
}

void TableModel::buildItemColours() {
    itemColours.clear();
    const int dim = getColourByDim();
    if (dim >= 0) itemColours = ColourMap::itemColoursOf(*table, dim, lineColor);
}

void TableModel::applyAxisArrangement(const AxisArrangement& arrangement) {
    if (!describeBadArrangement(arrangement).empty()) return;
    AxisArrangement colourOnly = getAxisArrangement();
    colourOnly.colourByFileDim = arrangement.colourByFileDim;
    if (colourOnly == arrangement) {  // the values stay: at most the colours change
        if (arrangement.colourByFileDim != colourByFileDim) {
            colourByFileDim = arrangement.colourByFileDim;
            ++arrangementRevision;
            buildItemColours();
        }
        return;
    }
    const bool pending = isDensityOrderingPending();
    cancelDensityOrdering();
    const int dims = table->getActualDimNum();
    // Scales first, on the columns where they stand now; then the order.
    bool rescaled = false;
    for (int d = 0; d < dims; ++d) {
        for (int s = 0; s < dims; ++s) {
            if (arrangement.fileDims[static_cast<size_t>(s)] != table->getFileDim(d)) continue;
            const AxisScale before = table->getAxisScale(d);
            table->setAxisTransform(d, arrangement.flipped[static_cast<size_t>(s)] != 0,
                                    arrangement.logarithmic[static_cast<size_t>(s)] != 0);
            rescaled = rescaled || table->getAxisScale(d) != before;
        }
    }
    std::vector<int> order(static_cast<size_t>(dims));
    for (int s = 0; s < dims; ++s) {
        for (int d = 0; d < dims; ++d) {
            if (table->getFileDim(d) == arrangement.fileDims[static_cast<size_t>(s)]) order[static_cast<size_t>(s)] = d;
        }
    }
    table->permuteAxes(order);
    permutePerDimensionState(order);
    colourByFileDim = arrangement.colourByFileDim;
    refreshAfterArrangement(pending, rescaled ? nullptr : &order);
}

int TableModel::moveAxis(int from, int to) {
    if (!dataReady) return -1;
    const int dims = table->getActualDimNum();
    if (from < 0 || from >= dims || to < 0 || to >= dims || from == to) return -1;
    std::vector<int> order(static_cast<size_t>(dims));
    std::iota(order.begin(), order.end(), 0);
    order.erase(order.begin() + from);
    order.insert(order.begin() + to, from);
    std::vector<int> newSlot(static_cast<size_t>(dims));
    for (int s = 0; s < dims; ++s) newSlot[static_cast<size_t>(order[static_cast<size_t>(s)])] = s;

    // Operators whose gap survives (its two axes neighbours, in the same order) move to it; the others go.
    std::vector<AROperator*> nodes;
    operatorTree->collectNodes(&nodes);
    std::vector<AROperator*> separated;
    for (AROperator* node : nodes) {
        if (node->type != AROperator::kTypeRegular || !node->isPlaced()) continue;
        const int left = newSlot[static_cast<size_t>(node->leftAxis)];
        if (newSlot[static_cast<size_t>(node->leftAxis) + 1] != left + 1) separated.push_back(node);
    }
    int removed = 0;
    for (AROperator* top : separated) {
        if (!operatorTree->contains(top)) continue;  // went with the subtree of another
        // Deepest first: each node goes without children to move up.
        std::vector<AROperator*> subtree;
        std::vector<AROperator*> stack{top};
        while (!stack.empty()) {
            AROperator* node = stack.back();
            stack.pop_back();
            if (node->type == AROperator::kTypeRegular) subtree.push_back(node);
            for (AROperator* child : children(node)) stack.push_back(child);
        }
        for (auto it = subtree.rbegin(); it != subtree.rend(); ++it) {
            if (operatorTree->contains(*it) && operatorTree->removeAR(*it)) ++removed;
        }
    }
    operatorTree->collectNodes(&nodes);
    for (AROperator* node : nodes) {
        if (node->type == AROperator::kTypeRegular && node->isPlaced()) node->leftAxis = newSlot[static_cast<size_t>(node->leftAxis)];
    }
    const bool pending = isDensityOrderingPending();
    cancelDensityOrdering();
    table->permuteAxes(order);
    permutePerDimensionState(order);
    refreshAfterArrangement(pending, &order);
    return removed;
}

bool TableModel::flipAxis(int dim) {
    if (!dataReady || dim < 0 || dim >= table->getActualDimNum()) return false;
    const AxisScale scale = table->getAxisScale(dim);
    const bool pending = isDensityOrderingPending();
    cancelDensityOrdering();
    table->setAxisTransform(dim, !scale.flipped, scale.logarithmic);
    // Operators on the axis's two gaps mirror about the middle of the axes and keep their items.
    std::vector<AROperator*> nodes;
    operatorTree->collectNodes(&nodes);
    for (AROperator* node : nodes) {
        if (node->type != AROperator::kTypeRegular || (node->leftAxis != dim && node->leftAxis != dim - 1)) continue;
        node->relativeY = 1.0 - node->relativeY;
        node->angle = -node->angle;
    }
    // Hint points mirror on the axis: the same values, now at the other end.
    auto mirror = [&](Path* path) {
        if (!path->hasHintPoint[static_cast<size_t>(dim)]) return;
        Point2& point = path->hintPoints[static_cast<size_t>(dim)];
        point.y = drawRegion.toView(1.0f - drawRegion.toNorm(point.y));
    };
    for (int k = 0; k < hintPathSet->getUnlockedPathNum(); ++k) mirror(hintPathSet->getUnlockedPath(k));
    for (int k = 0; k < hintPathSet->getLockedPathNum(); ++k) mirror(hintPathSet->getLockedPath(k));
    refreshAfterArrangement(pending);
    return true;
}

bool TableModel::setAxisLogarithmic(int dim, bool on) {
    if (!dataReady || dim < 0 || dim >= table->getActualDimNum()) return false;
    const AxisScale before = table->getAxisScale(dim);
    if (before.logarithmic == on || (on && !table->describeLogRefusal(dim).empty())) return false;
    const bool pending = isDensityOrderingPending();
    cancelDensityOrdering();
    table->setAxisTransform(dim, before.flipped, on);
    const AxisScale after = table->getAxisScale(dim);
    // Hint points keep their raw values: each goes where its value now stands.
    auto move = [&](Path* path) {
        if (!path->hasHintPoint[static_cast<size_t>(dim)]) return;
        Point2& point = path->hintPoints[static_cast<size_t>(dim)];
        const float valueNorm = std::min(std::max(drawRegion.toNorm(point.y), 0.0f), 1.0f);
        point.y = drawRegion.toView(after.normalise(before.toRaw(valueNorm)));
    };
    for (int k = 0; k < hintPathSet->getUnlockedPathNum(); ++k) move(hintPathSet->getUnlockedPath(k));
    for (int k = 0; k < hintPathSet->getLockedPathNum(); ++k) move(hintPathSet->getLockedPath(k));
    refreshAfterArrangement(pending);
    return true;
}

int TableModel::getColourByDim() const {
    if (!dataReady || colourByFileDim < 0) return -1;
    for (int d = 0; d < table->getActualDimNum(); ++d) {
        if (table->getFileDim(d) == colourByFileDim) return d;
    }
    return -1;
}

bool TableModel::setColourByDim(int dim) {
    if (!dataReady || dim < -1 || dim >= table->getActualDimNum()) return false;
    const int fileDim = dim < 0 ? -1 : table->getFileDim(dim);
    if (fileDim == colourByFileDim) return false;
    colourByFileDim = fileDim;
    ++arrangementRevision;
    buildItemColours();
    return true;
}

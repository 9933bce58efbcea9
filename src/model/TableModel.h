// TableModel: one table and everything built on it for shaping its clusters:
// the axis layout, the operator tree and the item paths through it, the
// groups, the hint paths, the per-item records, the per-dimension mixtures
// and the histogram width of each axis. It needs no display: the program's
// Document holds one (and is the only one to change it while windows show
// it), and a batch run or a test holds one on its own.
//
// Coordinates are view units (unit square, y up); a normalised value stands
// at the draw region's height (getDrawRegion). The aspect is the shown
// view's width / height; without a window it stays at that of the default
// 1000 x 500 view.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/ItemScore.h"
#include "data/MultidimensionalData.h"
#include "layout/ParallelCoordinatesAxis.h"
#include "operators/ViewLayout.h"

class AROperator;
class ClusterPath;
class ClusterTree;
class DensityJob;
class DataItemPaths;
class GaussianMixture;
class ItemRegrouping;
class MultidimensionalCluster;

class TableModel : public ViewLayout {
public:
    static constexpr float kDefaultAspect = 2.0f;          // a 1000 x 500 view
    static constexpr float kInitialHistogramWidth = 0.5f;  // histogram scale of every axis of a new table
    static constexpr float kMinHistogramWidth = 0.25f, kMaxHistogramWidth = 16.0f;

    TableModel();
    ~TableModel();
    TableModel(const TableModel&) = delete;
    TableModel& operator=(const TableModel&) = delete;

    // Takes ownership of `newData` (null: no table) and rebuilds every
    // per-table object; the previous table and everything built on it are
    // released first.
    void linkMDdata(MultidimensionalData* newData);
    // The rebuild step of linkMDdata.
    void updateDataInfo();

    // ViewLayout.
    MultidimensionalData* getData() const override { return table.get(); }
    ParallelCoordinatesAxis* getAxes() const override { return axisLayout.get(); }
    ClusterTree* getClusterTree() const override { return operatorTree.get(); }
    float getAspect() const override { return aspect; }
    DrawRegion getDrawRegion() const override { return drawRegion; }
    const Color4& getLineColor() const override { return lineColor; }

    MultidimensionalCluster* getClusters() const { return itemGroups.get(); }
    ClusterPath* getPaths() const { return hintPathSet.get(); }
    DataItemPaths* getItemPaths() const { return linePaths.get(); }
    const std::vector<ItemScore>& getItemScores() const { return itemScores; }
    // Mixture of dimension d, or null while the mixtures are absent (after clearing the paths).
    const GaussianMixture* getMixture(int d) const;
    bool hasMixtures() const { return !mixtures.empty(); }
    // Raised whenever the mixtures are built anew or dropped.
    uint64_t getMixturesRevision() const { return mixturesRevision; }
    // Every per-table object exists.
    bool isDataReady() const { return dataReady; }
    // Changes whenever the per-table objects are built anew (a table linked):
    // unlike their addresses, which a later table's may take again, it tells
    // one table's objects from another's.
    uint64_t getTableSerial() const { return tableSerial; }
    // The table has something to draw: at least one item and one numeric dimension.
    bool hasDrawableData() const;

    // View y of a normalised value, and its inverse.
    float transformToDrawRegion(float valueNorm) const { return drawRegion.toView(valueNorm); }
    float transformToDrawRegionScale(float yView) const { return drawRegion.toNorm(yView); }

    // Horizontal scale of the histogram drawn at each axis, [0.25, 16]; 0 out of range.
    float getHistogramWidth(int dim) const;
    // Adds `step` to the width of `dim`, kept within [0.25, 16].
    void stepHistogramWidth(int dim, float step);
    // Sets the width of `dim`, kept within [0.25, 16].
    void setHistogramWidth(int dim, float width);

    // Hint paths, mixtures and regrouping: after any change of a hint point,
    // peak or deviation, updateGaussianMixtures rebuilds the mixtures from the
    // unlocked paths and regroups the unlocked items.
    void updateGaussianMixtures();
    void applyOrdering();
    void updateClusterInfo();
    void calculateDiff_GaussianBased();
    // Puts the hint points back on their axes after the axes moved.
    void updateHintPaths();
    // Removes the unlocked hint paths and drops the mixtures.
    void clearClusterPaths();
    // The mixtures built anew from the unlocked paths (present: true), or
    // dropped (false), without regrouping the items.
    void restoreMixtures(bool present);
    // Locks the unlocked path `path` with its group, or unlocks the locked
    // path `path` with its group (`locked`: which of the two it is now); the
    // mixtures, when present, are built anew from the unlocked paths.
    void toggleHintPathLock(int path, bool locked);
    bool getGaussianOrdering() const { return gaussianOrdering; }
    // Switches the density ordering; switched on, the items are ordered at
    // once, or, inBackground on a table of more than kBackgroundDensityItems
    // items, by a worker thread whose result finishDensityOrdering() takes.
    // Anything else that rewrites the item records first (a new table, a
    // regrouping, clearing the paths, switching the ordering off) cancels a
    // pending ordering: the newer step's records stand, as they would have
    // if the ordering had finished before it.
    void setGaussianOrdering(bool on, bool inBackground = false);
    static constexpr int kBackgroundDensityItems = 8192;  // about 30 ms in the foreground
    bool isDensityOrderingPending() const { return densityJob != nullptr; }
    // Whether an ordering under way has its result ready for finishDensityOrdering().
    bool isDensityOrderingDone() const;
    // Share of a pending ordering's work done, in [0, 1].
    double getDensityOrderingProgress() const;
    // Applies a pending ordering whose worker has finished (true then).
    bool finishDensityOrdering();
    bool getGroupSort() const { return groupSort; }
    // Both flags as a saved session holds them, without ordering or sorting anything.
    void restoreOrderingFlags(bool gaussian, bool sortGroups) {
        gaussianOrdering = gaussian;
        groupSort = sortGroups;
    }
    // Switches the group sort and sorts the groups (whatever the new state).
    void setGroupSort(bool on);

    // Spreads or narrows the axes around `region` (wheel step `delta`), and
    // moves the hint points and operators with them.
    void adjustAxisPositions(int region, float delta);
    // Moves the operators with their axes.
    void updateOperatorsPos();

    // --- The axes' arrangement: order, flips, scales, the colour-by column ---------
    // As the edit history and a session hold it; every list is per slot.
    struct AxisArrangement {
        std::vector<int> fileDims;         // the dimension (in the file's column order) in each slot
        std::vector<char> flipped;         // the slot's axis runs upside down
        std::vector<char> logarithmic;     // the slot's axis has a logarithmic scale
        int colourByFileDim = -1;          // lines coloured by this dimension (file order); -1 none
        bool operator==(const AxisArrangement& other) const {
            return fileDims == other.fileDims && flipped == other.flipped && logarithmic == other.logarithmic &&
                   colourByFileDim == other.colourByFileDim;
        }
        bool operator!=(const AxisArrangement& other) const { return !(*this == other); }
    };
    AxisArrangement getAxisArrangement() const;
    // Why `arrangement` cannot be this table's (wrong sizes, not a
    // permutation, a log scale a column cannot have); empty when it can.
    std::string describeBadArrangement(const AxisArrangement& arrangement) const;
    // Puts `arrangement` in place (it must pass describeBadArrangement):
    // the table's values, bins and histograms follow, and so do the
    // histogram widths, the hint paths (points, peaks and deviations move
    // with their dimension), the mixtures, the groups' and operators'
    // histograms and the item paths. Operators are neither moved nor
    // removed: the caller restores the tree that goes with the arrangement.
    void applyAxisArrangement(const AxisArrangement& arrangement);
    // Moves the axis in slot `from` to slot `to`, the axes between shifting
    // by one; the axis positions stay where they are. An operator whose two
    // axes stay neighbours in the same order moves with them; the others are
    // removed with their subtrees (their items go back as a removal gives
    // them back). The number of operators removed, or -1 when nothing moved.
    int moveAxis(int from, int to);
    // Turns dimension `dim` upside down; the operators on its two gaps are
    // mirrored (y about the middle of the axes, angle negated) and keep the
    // items they hold, and its hint points mirror too.
    bool flipAxis(int dim);
    // Gives numeric dimension `dim` a logarithmic scale (on) or the linear
    // one; false when it cannot (see MultidimensionalData::describeLogRefusal)
    // or has it already. Hint points keep their raw values; operators stay.
    bool setAxisLogarithmic(int dim, bool on);
    // Colours the lines no operator colours by dimension `dim` (-1: no column).
    bool setColourByDim(int dim);
    // The dimension lines are coloured by, -1 when none.
    int getColourByDim() const;
    // Per item: its colour-by colour (empty when no column colours the lines).
    const std::vector<Color4>& getItemColours() const { return itemColours; }
    // Raised by every change of the arrangement (the lines must be drawn anew).
    uint64_t getArrangementRevision() const { return arrangementRevision; }

    // The shown view's aspect (width / height); the item paths follow it.
    void setAspect(float widthOverHeight) { aspect = widthOverHeight; }

private:
    void releasePerTableObjects();
    // After the table's values changed under everything built on them; `order`
    // (when given) says they only changed places (slot s holds what slot order[s] held).
    void refreshAfterArrangement(bool orderingWasPending, const std::vector<int>* order = nullptr);
    void permutePerDimensionState(const std::vector<int>& order);
    void buildItemColours();
    void cancelDensityOrdering();

    std::unique_ptr<MultidimensionalData> table;             // the linked table
    std::unique_ptr<ParallelCoordinatesAxis> axisLayout;     // axis layout of the linked table
    std::unique_ptr<ClusterTree> operatorTree;               // operator tree of the linked table
    std::unique_ptr<DataItemPaths> linePaths;                // bent lines and segment colours
    std::unique_ptr<MultidimensionalCluster> itemGroups;     // locked and unlocked groups of items
    std::unique_ptr<ClusterPath> hintPathSet;                // hint paths
    std::vector<ItemScore> itemScores;                       // one record per item: order and score
    std::vector<std::unique_ptr<GaussianMixture>> mixtures;  // one per dimension; empty = absent
    std::unique_ptr<ItemRegrouping> regrouping;              // scores and regroups items against the hint paths
    std::unique_ptr<DensityJob> densityJob;                  // a density ordering under way, or null
    std::vector<float> histogramWidths;                      // per numeric dimension
    bool dataReady = false;                                  // every per-table object exists
    uint64_t mixturesRevision = 1;                           // raised by every change of the mixtures
    uint64_t tableSerial = 0;                                // per-table objects built so far

    bool gaussianOrdering = false;  // density ordering of items is on; survives a new table
    bool groupSort = false;         // groups are sorted after each regrouping; survives a new table
    DrawRegion drawRegion;          // where normalised values stand, view units
    float aspect = kDefaultAspect;  // width / height of the view
    Color4 lineColor{0.5f, 0.5f, 0.5f, 0.75f};  // item-line segments that no operator colours
    int colourByFileDim = -1;       // lines coloured by this dimension (file order); -1 none
    std::vector<Color4> itemColours;  // per item when colourByFileDim >= 0
    uint64_t arrangementRevision = 1;
};

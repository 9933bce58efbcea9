// DataItemPaths: the geometry and colours of every item's line once the tree
// holds regular operators. For every item and every segment between two
// adjacent axes it keeps 15 points, straight where none of the item's
// operators sits on that segment and bent through the operator where one
// does (drawn together by a primary operator, pushed apart by a secondary
// one), and one colour taken from the operators that hold the item.
//
// x values are view units; y values are draw-region heights (view units, the
// view's DrawRegion applied to normalised values). Bending is computed with x
// scaled by the view's aspect, in on-screen proportions.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/Color4.h"
#include "layout/DrawRegion.h"

class AROperator;
class ClusterTree;
class MultidimensionalData;
class ParallelCoordinatesAxis;
class ViewLayout;

class DataItemPaths {
public:
    static constexpr int kPointsPerSegment = 15;

    // The paths of the view's table through the view's tree.
    explicit DataItemPaths(const ViewLayout* view);

    // Rebuilds which items are bent, their paths and segment colours from the current tree.
    void updatePaths();
    // The same, for what changed since the last update only: the items whose
    // operators changed or whose set of operators changed (the tree's
    // revision tells), or everything after a change of the view's aspect or
    // draw region; the colours after a change of the line colour. Does
    // nothing when nothing changed.
    void updateChangedPaths();
    // Items whose paths the last update rebuilt.
    int getRebuiltItemCount() const { return rebuiltItems; }

    int getSegmentNum() const { return segmentNum; }
    bool isUnbent(int item) const { return unbent[item] != 0; }
    const Color4& getSegmentColor(int item, int segment) const { return segmentColor[index(item, segment)]; }
    // The 15 points of (item, segment): x in view units, y in draw-region heights.
    const float* getCurveX(int item, int segment) const { return &curveX[index(item, segment) * kPointsPerSegment]; }
    const float* getCurveY(int item, int segment) const { return &curveY[index(item, segment) * kPointsPerSegment]; }

    const MultidimensionalData* data;     // the view's table; not owned
    ClusterTree* tree;                    // the view's tree; not owned
    const ParallelCoordinatesAxis* axes;  // the view's axes; not owned
    const ViewLayout* pcWindow;           // the view; not owned

private:
    size_t index(int item, int segment) const { return static_cast<size_t>(item) * segmentNum + segment; }
    void rebuild(bool everything);
    void collectOperatorsPerItem();
    void bendSegment(int item, int segment, const AROperator& op, float aspect, const DrawRegion& region);
    void straightSegment(int item, int segment, const DrawRegion& region);
    void colourSegments(int item, const AROperator* const* ops, int opCount);

    int itemNum = 0;
    int dimNum = 0;
    int segmentNum = 0;                 // dimNum - 1, or 0
    std::vector<Color4> segmentColor;   // itemNum x segmentNum
    std::vector<float> curveY;          // itemNum x segmentNum x 15 draw-region heights
    std::vector<float> curveX;          // itemNum x segmentNum x 15 view x
    std::vector<char> unbent;           // per item: no regular operator holds it
    std::vector<uint64_t> opSignature;  // per item: hash of its operators' ids at the last update

    // What the last update was built from.
    bool built = false;
    uint64_t builtRevision = 0;  // the tree's revision
    float builtAspect = 0;
    DrawRegion builtRegion;
    Color4 builtLineColor;
    int rebuiltItems = 0;

    // Per-redraw scratch, kept to avoid allocating on every frame.
    std::vector<AROperator*> nodes;       // the tree in pre-order
    std::vector<int> opsStart;            // per item + 1: start of its operators in itemOps
    std::vector<const AROperator*> itemOps;  // operators of each item, in pre-order
    std::vector<int> fillCursor;          // per item: next free place in itemOps while packing
    std::vector<int> sortedAxes;          // leftAxis values of one item's operators
};

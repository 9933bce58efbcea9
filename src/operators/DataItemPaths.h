// DataItemPaths: the geometry and colours of every item's line once the tree
// holds regular operators. Every segment of an item between two adjacent
// axes is drawn through 15 points: straight where none of the item's
// operators sits on that segment, bent through the operator where one does
// (drawn together by a primary operator, pushed apart by a secondary one).
// Each segment has one colour, taken from the operators that hold the item.
//
// Memory grows with the table by a few bytes per segment only: the points of
// bent segments are stored (in a pool whose slots are reused), those of
// straight segments are computed when asked for, and a segment's colour is a
// 16-bit index into a palette of the operators' colours (entry 0 the line
// colour), so painting an operator recolours its items without a rebuild.
//
// x values are view units; y values are draw-region heights (view units, the
// view's DrawRegion applied to normalised values). Bending is computed with x
// scaled by the view's aspect, in on-screen proportions.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "data/UninitialisedAllocator.h"
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

    // The points of one segment: x in view units, y in draw-region heights.
    struct SegmentCurve {
        float x[kPointsPerSegment];
        float y[kPointsPerSegment];
    };

    // The paths of the view's table through the view's tree.
    explicit DataItemPaths(const ViewLayout* view);

    // Rebuilds which items are bent, their paths and segment colours from the current tree.
    void updatePaths();
    // The same, for what changed since the last update only: the items whose
    // operators changed or whose set of operators changed (the tree's
    // revision tells), or everything after a change of the view's aspect or
    // draw region. A new line colour or an operator's new colour changes one
    // palette entry. Does nothing more when nothing changed.
    void updateChangedPaths();
    // The same, but the points of the newly bent segments are computed when
    // first asked for (getCurve computes them each time, bendPendingSegments
    // once and keeps them), from the operators as they were at this update.
    // When every item is to be rebuilt (a first update, a new aspect or draw
    // region, forgetBuild), each item's colours and slots are also left to
    // bendPendingSegments: until then the getters work them out from the
    // operators as they were at this update. The view draws a large table
    // over several frames: this way a drag step bends only what the frame
    // draws, and a reorder rebuilds only the items the frame draws.
    void updateChangedPathsDeferringBends();
    // Builds what the last update left to build of an item's path (its
    // colours and slots, the points of its segments still to bend) and keeps it.
    void bendPendingSegments(int item);
    // The table's values changed under the paths (axes reordered, flipped or
    // rescaled): the next update rebuilds every item.
    void forgetBuild() { built = false; }
    bool hasPendingBends() const { return pendingSlots > 0 || unbuiltItems > 0; }
    // Whether the item's colours and slots are built (false: the last update
    // left them to be built when drawn; the getters answer all the same).
    bool isBuilt(int item) const { return unbuilt[item] == 0; }
    // Items whose paths the last update rebuilt.
    int getRebuiltItemCount() const { return rebuiltItems; }

    int getSegmentNum() const { return segmentNum; }
    bool isUnbent(int item) const { return unbuilt[item] ? opsStart[item + 1] == opsStart[item] : unbent[item] != 0; }
    const Color4& getSegmentColor(int item, int segment) const {
        return palette[unbuilt[item] ? colourEntryOfUnbuilt(item, segment) : colourSlot[index(item, segment)]];
    }
    // Whether (item, segment) is bent through an operator (its points stored once built).
    bool isBent(int item, int segment) const {
        return unbuilt[item] ? holderOn(item, segment) != kNoHolder : curveSlot[index(item, segment)] != kStraight;
    }
    // The 15 points of (item, segment) of an item that is not unbent: the
    // stored ones of a bent segment, computed ones of a straight segment.
    void getCurve(int item, int segment, SegmentCurve* curve) const;
    // Bytes held for the table's items and segments (the memory the paths cost).
    size_t getMemoryBytes() const;

    const MultidimensionalData* data;     // the view's table; not owned
    ClusterTree* tree;                    // the view's tree; not owned
    const ParallelCoordinatesAxis* axes;  // the view's axes; not owned
    const ViewLayout* pcWindow;           // the view; not owned

private:
    // What bending a segment through an operator takes of it, as it was at an
    // update: its centre (x aspect-scaled), the normal of its direction and
    // its settings.
    struct BendSource {
        double qx = 0, qy = 0;
        double theta = 0;  // arc tangent of the operator's angle
        double nx = 0.0000999999995, ny = -0.999999995, side = 1;
        double radius = 0, strength = 0, tangentWeight = 0;
        bool primary = false, locked = false;
        static BendSource of(const AROperator& op, float aspect);
    };
    static constexpr uint32_t kReady = UINT32_MAX;  // slotSource of a slot whose points are computed
    static constexpr uint32_t kNoHolder = UINT32_MAX;  // no operator of the item sits on the segment

    // A regular operator as the last update saw it: what an item's colours
    // and bends take of it (read without touching the operator, which may
    // have gone since).
    struct OperatorView {
        int leftAxis = -1;
        uint64_t id = 0;
        uint64_t revision = 0;
        uint16_t paletteEntry = 0;
        uint32_t source = 0;  // in bendSources
    };

    size_t index(int item, int segment) const { return static_cast<size_t>(item) * segmentNum + segment; }
    void rebuild(bool everything, bool deferBends);
    // Notes what the paths now stand for.
    void finishBuild(uint64_t treeRevision, float aspect, const DrawRegion& region);
    void collectOperatorsPerItem();
    // The 15 points of (item, segment) bent through `op` into xs, ys.
    void bendSegment(int item, int segment, const BendSource& op, float aspect, const DrawRegion& region, float* xs,
                     float* ys) const;
    void straightCurve(int item, int segment, const DrawRegion& region, float* xs, float* ys) const;
    // Segment colours of one item (`sortedAxes` its scratch); safe to run for different items at once.
    void colourSegments(int item, std::vector<int>* sortedAxes);
    // The palette entry of (item, segment) of an item not yet built, as colourSegments would set it.
    uint16_t colourEntryOfUnbuilt(int item, int segment) const;
    // Order-sensitive hash of an item's operators (their serial numbers in pre-order).
    uint64_t signatureOf(int item) const;
    // Builds an item the last update left unbuilt: colours, slots and points.
    void buildItem(int item);
    // An item's signature, segment colours and straight flag, from the last update's operators.
    void describeItem(int item, std::vector<int>* sortedAxes);
    // Gives each of the item's segments an operator sits on a slot from
    // nextSlot() and bends it there; the other segments are straight.
    template <class NextSlot>
    void placeBends(int item, float aspect, const DrawRegion& region, NextSlot nextSlot);
    // The palette entry of a regular operator, made on first use; entries of
    // operators no longer in the tree are freed.
    void updatePalette(const Color4& lineColour);
    // Curve slots: one of the pool, reused when freed.
    uint32_t takeCurveSlot();
    void freeCurveSlots(int item);
    // Every item's colours, curve slots and points anew, every slot having
    // been let go: the segments to bend take slots 0, 1, ... in item order,
    // numbered range by range on every core.
    void rebuildEveryItem(float aspect, const DrawRegion& region);
    // The last of an item's operators (in opViews) that sits on `segment`, or kNoHolder.
    uint32_t holderOn(int item, int segment) const {
        uint32_t holder = kNoHolder;
        for (int k = opsStart[item]; k < opsStart[item + 1]; ++k) {
            if (opViews[itemOps[k]].leftAxis == segment) holder = itemOps[k];
        }
        return holder;
    }

    // The pool's points are written when their segment is bent: zeroing
    // them as the pool grows would only cost memory bandwidth (120 MB for a
    // million bent segments).
    using PointPool = std::vector<float, UninitialisedAllocator<float>>;

    static constexpr uint32_t kStraight = UINT32_MAX;  // curveSlot of a straight segment

    int itemNum = 0;
    int dimNum = 0;
    int segmentNum = 0;                  // dimNum - 1, or 0
    std::vector<uint16_t> colourSlot;    // itemNum x segmentNum: palette index
    std::vector<uint32_t> curveSlot;     // itemNum x segmentNum: pool slot, or kStraight
    PointPool poolX, poolY;              // 15 values per slot: view x, draw-region heights
    std::vector<uint32_t> slotSource;    // per slot: kReady, or its bend still to compute (bendSources)
    std::vector<BendSource> bendSources; // operators as they were at updates with bends left to compute
    size_t pendingSlots = 0;             // slots whose points are still to compute
    std::vector<uint32_t> freeSlots;     // pool slots to reuse
    std::vector<Color4> palette;         // [0] the line colour, others operators' colours
    std::unordered_map<uint64_t, uint16_t> paletteOfNode;  // regular operator's id -> palette index
    std::vector<uint16_t> freePalette;   // palette entries to reuse
    std::vector<uint64_t> paletteSeen;   // per palette entry: update in which its operator was last seen
    uint64_t updateCount = 0;
    std::vector<char> unbent;            // per item: no regular operator holds it
    std::vector<uint64_t> opSignature;   // per item: hash of its operators' ids at the last update
    // Per item: left by an update that rebuilt every item to be built when
    // drawn (its colourSlot, curveSlot, unbent and opSignature entries mean nothing until then).
    std::vector<char> unbuilt;
    size_t unbuiltItems = 0;

    // What the last update was built from.
    bool built = false;
    uint64_t builtRevision = 0;  // the tree's revision
    float builtAspect = 0;
    DrawRegion builtRegion;
    int rebuiltItems = 0;

    // The tree's regular operators and each item's, as the last update saw
    // them (unbuilt items are built and answered from these).
    std::vector<OperatorView> opViews;    // in pre-order
    std::vector<int> opsStart;            // per item + 1: start of its operators in itemOps
    std::vector<uint32_t> itemOps;        // operators of each item (in opViews), in pre-order

    // Per-redraw scratch, kept to avoid allocating on every frame.
    std::vector<AROperator*> nodes;       // the tree in pre-order
    std::vector<int> fillCursor;          // per item: next free place in itemOps while packing
    std::vector<int> buildScratch;        // colourSegments' scratch when an item is built on drawing
    std::vector<char> changedItems;       // per item: rebuilt by this update
    struct Bend {
        int item, segment;
        uint32_t slot;
        uint32_t source;  // in bendSources
    };
    std::vector<Bend> bends;              // segments to bend in this update
};

// DocumentImage: the state of the parts of a document that an edit may
// change, as the edit history keeps it; and ImageDelta, what turns one such
// image into another, kept compactly: only what differs between them, and
// item lists as runs of the other image's lists (an operator drag that moves
// a few items of a long list costs a few runs, not the list).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "cluster/ClusterPath.h"
#include "cluster/MultidimensionalCluster.h"
#include "model/ColourChoice.h"
#include "model/DisplaySwitches.h"
#include "model/TableModel.h"
#include "operators/ClusterTree.h"

// The parts of a document an edit can change.
enum DocumentPart : unsigned {
    kScalarPart = 1,     // axis positions and arrangement, histogram widths, display switches, ordering flags, colour choice
    kNodePart = 2,       // the operator tree: its nodes, their parameters, places and item lists, the focus
    kNodePlacePart = 4,  // the centres and placements of the nodes only (the axes moved under them)
    kPathPart = 8,       // the hint paths, and whether the mixtures are shown
    kGroupPart = 16,     // the groups: their items in order, and the hidden flags
};

struct DocumentScalars {
    std::vector<float> axisPositions;    // view x of each axis
    std::vector<float> histogramWidths;  // per dimension
    DisplaySwitches display;
    bool gaussianOrdering = false;
    bool groupSort = false;
    ColourChoice colourChoice;
    TableModel::AxisArrangement arrangement;  // order, flips, scales, colour-by column
    bool operator==(const DocumentScalars& other) const;
};

struct DocumentImage {
    unsigned parts = 0;  // DocumentPart bits held; the scalars always
    DocumentScalars scalars;
    // kNodePart: every node in pre-order with its item list; kNodePlacePart:
    // the same without item lists (only their places are put back).
    std::vector<ClusterTree::NodeState> nodes;
    uint64_t focusedId = 0;  // kNodePart
    std::vector<Path> unlockedPaths, lockedPaths;  // kPathPart
    bool mixturesShown = true;                     // kPathPart
    std::vector<DataItemGroup> unlockedGroups, lockedGroups;  // kGroupPart: items and hidden flags

    // The memory the image holds, bytes.
    size_t bytes() const;
};

// A list of items coded against a reference list, in the shortest of three
// forms: runs of the reference and written-out items (runs shorter than
// three items are written out); the items it keeps of the reference, in
// order, as one bit per reference entry, merged with the items it adds; or,
// for a list in ascending order, one bit per item of the table.
void encodeItemList(const std::vector<int32_t>& list, const std::vector<int32_t>& reference,
                    std::vector<int32_t>& positionScratch, std::vector<int32_t>* code);
// The list back from its code; false when the code does not fit the reference.
bool decodeItemList(const std::vector<int32_t>& code, const std::vector<int32_t>& reference,
                    std::vector<int32_t>* list);

// What turns image `from` into image `to` (both of the same parts).
class ImageDelta {
public:
    ImageDelta() = default;
    // `positionScratch` is kept by the caller between calls (one entry per table item).
    static ImageDelta between(const DocumentImage& from, const DocumentImage& to,
                              std::vector<int32_t>& positionScratch);
    // Makes `to` from `from`; false when `from` is not the image the delta
    // was made from (a node it names is missing, a run falls outside a list).
    bool applyTo(const DocumentImage& from, DocumentImage* to) const;
    // The memory the delta holds, bytes.
    size_t bytes() const;
    // Whether `to` is `from` (the focus aside, which is no edit).
    bool changesNothing() const {
        return !scalarsChanged && !structureChanged && nodeChanges.empty() && !pathsChanged && !groupsChanged;
    }

private:
    struct NodeChange {
        ClusterTree::NodeState state;  // the node in `to`, without its item list
        bool listChanged = false;
        bool againstParent = false;     // the list is coded against its parent's in `from`
        std::vector<int32_t> listCode;  // its item list, coded against its own (or nearest ancestor's) in `from`
    };
    struct GroupCode {
        bool hidden = false;
        std::vector<int32_t> code;  // coded against all of from's groups, one after another
    };

    unsigned parts = 0;
    bool scalarsChanged = false;
    DocumentScalars scalars;
    bool structureChanged = false;
    std::vector<std::pair<uint64_t, int>> structure;  // to's nodes in pre-order: (serial number, parent index)
    std::vector<NodeChange> nodeChanges;              // nodes that differ from `from`, or are not in it
    uint64_t focusedId = 0;
    bool pathsChanged = false;
    std::vector<Path> unlockedPaths, lockedPaths;
    bool mixturesShown = true;
    bool groupsChanged = false;
    std::vector<GroupCode> unlockedGroups, lockedGroups;
};

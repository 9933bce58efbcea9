// LabelRules: a session's clusters as rules on one row at a time, so that a
// table of any size can be labelled with them: a row's normalised values in,
// its leaf and its group out.
//
// Leaf: from the root down, at each node with children the regular children
// are tried oldest first with their capture test (OperatorCapture); the first
// that takes the row holds it, and a row no regular child takes goes to the
// complementary child. Leaves are numbered 0, 1, ... in the tree's pre-order,
// as the export numbers them. A locked operator is tested with the geometry it
// has now (where it stands, its angle, radius and window): its frozen item
// list names rows of its own table only.
//
// Group: every hint path, locked and unlocked, is tested (HintPathMatch); of
// the paths that match the row the one with the highest sum claims it, the
// locked paths before the unlocked and the lower index first on equal sums.
// Unlocked path k gives group "k + 1", locked path k group "L<k + 1>", no
// path group "0". A locked group so takes the rows its path, frozen when it
// was locked, wins against the others.
//
// In the window an item keeps the operator that took it first, a lock freezes
// a list and a locked group keeps the rows it held, so the lists a session
// holds can differ from what these rules give its own rows: differences()
// counts where and says why.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cluster/HintPathMatch.h"
#include "operators/OperatorCapture.h"

class TableModel;

class LabelRules {
public:
    // The rules of the tree and the paths of `model` (a table linked and a session applied).
    explicit LabelRules(const TableModel& model);

    int leafOf(const float* rowNorm) const;   // -1 only for a malformed tree
    int groupOf(const float* rowNorm) const;  // index into groupNames()

    int leafCount() const { return static_cast<int>(leafColours.size()); }
    // "#RRGGBBAA" of each leaf, the export's text.
    const std::vector<std::string>& leafColourTexts() const { return leafColours; }
    // "0", "1", ... for the unlocked paths' groups, then "L1", "L2", ... for the locked.
    const std::vector<std::string>& groupNames() const { return groups; }

    // Where the session's lists and these rules part on the model's own table.
    struct Differences {
        int64_t leafRows = 0;          // rows whose leaf differs
        int64_t groupRows = 0;         // rows whose group differs
        int64_t lockedLeafRows = 0;    // of leafRows: rows held by a locked operator's list or taken by it
        int64_t lockedGroupRows = 0;   // of groupRows: rows of a locked group or claimed by a locked path
    };
    Differences differences(const TableModel& model) const;
    // Those differences as lines for standard error (empty when there are none).
    static std::string describe(const Differences& differences, int64_t rows);

    // The leaf of every item as the model's lists hold it (-1: in no leaf),
    // and the group (index into groupNames(), -1: in none).
    static std::vector<int> listedLeaves(const TableModel& model);
    static std::vector<int> listedGroups(const TableModel& model);

private:
    struct Node {
        std::vector<int> regular;  // regular children, oldest first (indices into nodes)
        int complement = -1;       // the complementary child, or -1
        int leaf = -1;             // leaf number, or -1 for a node with children
        OperatorCapture capture;   // a regular operator's test
        bool locked = false;
    };
    // The leaf node a row descends to (index into nodes).
    int leafNodeOf(const float* rowNorm) const;

    std::vector<Node> nodes;  // pre-order, the root first
    std::vector<std::string> leafColours;
    std::vector<HintPathMatch> lockedPaths, unlockedPaths;
    std::vector<std::string> groups;
};

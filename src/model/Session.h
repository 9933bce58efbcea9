// Session: everything a user built on one table, so that it can be saved to
// a file and restored later (or in a batch run): the table's identity (path,
// size and content hash), the axis positions and histogram widths, the
// display switches and ordering flags, the operator tree with every node's
// parameters and item list, the focused node, the hint paths, the groups,
// whether the mixtures are shown, and the colour chosen in the band.
//
// A session file is JSON with a "version" field. Reading one checks every
// field (types, ranges, sizes, indices, the tree's shape, and that the leaves
// and the groups each share out the table) before anything is applied, so a
// malformed or hostile file is refused as a whole with a message naming the
// problem, and the current work stays as it was. Reading costs memory in
// proportion to the file, whatever it holds: the text is parsed in place,
// members a session does not have are skipped, and a list longer than the
// reader takes is refused as soon as it is read.
#pragma once

#include <string>
#include <vector>

#include "cluster/ClusterPath.h"
#include "cluster/MultidimensionalCluster.h"
#include "data/AtomicFile.h"
#include "data/FileFingerprint.h"
#include "data/FileIdentity.h"
#include "model/ColourChoice.h"
#include "model/DisplaySwitches.h"
#include "model/TableModel.h"
#include "operators/ClusterTree.h"

class MultidimensionalData;
class TableModel;


struct Session {
    // The version this program writes; it reads it and every earlier one
    // (version 1 has no delimiter and no columns: the table is read as
    // comma-separated and its columns are not checked; versions 1 and 2 have
    // no axis arrangement: the axes stand in file order, upright and linear,
    // and the lines are not coloured by a column).
    static constexpr int kVersion = 3;
    // Largest session file read, bytes: a bigger one is refused before parsing.
    static constexpr size_t kMaxFileBytes = size_t(1) << 30;

    int version = kVersion;
    std::string tablePath;        // absolute path of the table file when saved
    FileFingerprint fingerprint;  // of the table file when it was loaded
    int itemCount = 0;
    int dimensionCount = 0;       // dimensions (axes)
    // How the table was read (version 2 on): its delimiter, and each
    // column's name, kind and, for a categorical one, its categories in axis order.
    struct Column {
        std::string name;
        std::string kind;  // columnKindName
        std::vector<std::string> categories;
    };
    char delimiter = 0;           // 0: not stored (version 1)
    std::vector<Column> columns;  // empty: not stored (version 1)
    // Version 3 on: the dimension (file order) in each slot, flips, log
    // scales and the colour-by dimension; the lists below are per slot.
    TableModel::AxisArrangement arrangement;
    std::vector<float> axisPositions;    // view x of each axis
    std::vector<float> histogramWidths;  // per dimension
    DisplaySwitches display;
    bool gaussianOrdering = false;
    bool groupSort = false;
    std::vector<ClusterTree::NodeState> nodes;  // pre-order, the root first
    int focusedNode = 0;
    std::vector<Path> unlockedPaths;
    std::vector<Path> lockedPaths;
    bool mixturesShown = true;    // false after the unlocked paths were cleared
    std::vector<DataItemGroup> unlockedGroups;  // group 0 the catch-all; items and order only
    std::vector<DataItemGroup> lockedGroups;    // items, order and hidden flag
    ColourChoice colourChoice;    // the colour band's indicator (files without one: the middle)

    // The state of `model` (which must hold a table) and the view's switches.
    static Session capture(const TableModel& model, const DisplaySwitches& display);

    std::string toJson() const;
    // Reads and checks a session's text on its own (syntax, types, ranges,
    // sizes, the tree's shape); false with *error naming the problem.
    static bool fromJson(const std::string& text, Session* session, std::string* error);
    // The same over the bytes [begin, end) (a mapped file, read in place).
    static bool fromJson(const char* begin, const char* end, Session* session, std::string* error);

    // Whether the session belongs to `table` (same file contents, same counts)
    // and its item lists and groups are consistent with it; false with *error
    // (a session of another table says so: "the session was saved for a
    // table with columns ...", not that the table changed).
    bool checkAgainst(const MultidimensionalData& table, std::string* error) const;
    // Why `table` is not the session's table at all (other columns, or for a
    // version 1 session other counts); empty when it could be the session's
    // table as it was.
    std::string describeOtherTable(const MultidimensionalData& table) const;
    // Puts the session into `model`, which holds the session's table, freshly
    // linked, and has passed checkAgainst.
    void applyTo(TableModel& model) const;
};

// The session file at `path`, read and checked on its own; false with *error
// naming the file. *identity (when given) tells which file was read.
bool readSessionFile(const std::string& path, Session* session, std::string* error, FileIdentity* identity = nullptr);
// Why `session` would not open on the file now at its table path: that file
// has changed (or cannot be read) since the table was loaded, as in
// "the table "/x/t.csv" has changed on disk since it was loaded"; empty
// when it is still the table. Saving such a session is worth a word.
std::string describeTableDrift(const Session& session);
// Writes the session atomically, never over one of `inputs`; false with *error naming the file.
bool writeSessionFile(const std::string& path, const Session& session, std::string* error,
                      const std::vector<ReadFile>& inputs = {});

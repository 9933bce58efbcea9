// Document: what the user works on in the window: one table and everything
// built on it (the TableModel: axes, operator tree, hint paths, groups,
// mixtures, ordering), the display switches and the colour chosen in the
// band. It owns the model and is the only one to change it while windows
// show it: the view, the graph window and the colour band read the model
// through model() and change it through the operations below, each of which
// is one call that raises the document's revision once, becomes (part of) a
// step of the edit history, and tells the observers.
//
// Gestures: an operation given the gesture number of the step being made
// (a drag, a wheel burst, a key held down; newGesture() gives one) joins
// that step, so undo takes the whole gesture back at once. Gesture 0 makes
// a step of its own.
//
// Not edits (no revision, no step, the document is not modified by them):
// the focus for new operators, the view's aspect, the graph's layout and a
// node dragged in the graph, and a density ordering finishing in the
// background.
//
// Coordinates are those of the model: view units for the view, graph units
// for the graph, band units for the colour band.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "geometry/Angles.h"
#include "geometry/Color4.h"
#include "model/ColourChoice.h"
#include "model/DisplaySwitches.h"
#include "model/DocumentImage.h"
#include "model/EditHistory.h"
#include "model/TableModel.h"
#include "operators/GraphLayout.h"

class AROperator;
class ClusterTree;
class MultidimensionalData;
struct Session;

// What the observers are told after a change.
struct DocumentChange {
    enum Kind {
        kEdit,      // an operation changed the document
        kUndo,      // a step was taken back
        kRedo,      // a step was done again
        kNewTable,  // a table (and with it a session, or recovered work) replaced everything
        kSaved,     // the document was saved: it counts as unmodified from now on
        kFocus,     // the node that takes new operators changed
        kOrdered,   // a density ordering running in the background finished
        kHistory,   // only the history changed (a gesture's step was closed): what undo and redo would do
        kRefused,   // an operation was refused: nothing changed, the notice says why
    };
    Kind kind = kEdit;
    std::string stepName;  // the operation, or the step undone or redone ("Move Operator")
    std::string notice;    // what the user should be told, if anything ("Density ordering cancelled")
};

class DocumentObserver {
public:
    // The table and everything built on it are about to be replaced: hold
    // no pointer into them from now on.
    virtual void tableWillChange() {}
    virtual void documentChanged(const DocumentChange& change) = 0;

protected:
    ~DocumentObserver() = default;  // not deleted through this interface
};

class Document {
public:
    // Steps of the wheel and keys, and their limits.
    static constexpr double kRadiusStep = -0.005;      // view units per wheel step (positive steps turn towards the user)
    static constexpr double kMinRadius = 0.005, kMaxRadius = 0.3;
    static constexpr double kAngleWidthStep = -0.05;   // fraction of pi per wheel step
    static constexpr double kMinAngleWidth = 0.05, kMaxAngleWidth = kHalfPi;
    static constexpr float kDeviationStep = -0.005f;   // normalised units per wheel step
    static constexpr float kMinDeviation = 0.005f;     // the wheel never takes a deviation below one step
    static constexpr float kHistogramWidthStep = -0.25f;

    Document();
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Observers are not owned; one must be removed before it goes.
    void addObserver(DocumentObserver* observer);
    void removeObserver(DocumentObserver* observer);

    // --- The table -----------------------------------------------------------------
    const TableModel& model() const { return *tableModel; }
    // Replaces the table (owned from now on; null: no table) and everything
    // built on it. The history starts afresh: undo never reaches across a
    // table change. The new table counts as saved.
    void replaceTable(MultidimensionalData* table);
    // Puts `session` into the document, whose table (just linked) it was
    // checked against. The history starts afresh; `saved`: a session file
    // holds this state (false: recovered work that no file holds yet).
    void applySession(const Session& session, bool saved);
    // The document as a session holds it (a table must be linked).
    Session captureSession() const;
    // The model itself, for building scenes in tests and benchmarks: what is
    // changed through it is no step, so the history is cleared.
    TableModel& modelForSetUp();

    // --- Operators (each null or false when the node is not in the tree or nothing changed)
    const AROperator* addOperator(float xView, float yView, bool primary, const Color4& colour, uint64_t gesture = 0);
    bool moveOperator(const AROperator* op, float xView, float yView, uint64_t gesture = 0);
    bool turnOperator(const AROperator* op, double angle, uint64_t gesture = 0);
    // Wheel steps (positive towards the user) on the capture radius or the angular width, kept within their limits.
    bool stepOperatorRadius(const AROperator* op, float wheelSteps, uint64_t gesture = 0);
    bool stepOperatorAngleWidth(const AROperator* op, float wheelSteps, uint64_t gesture = 0);
    bool removeOperator(const AROperator* op, uint64_t gesture = 0);
    bool toggleOperatorLock(const AROperator* op, uint64_t gesture = 0);
    // The regular operators among `nodes` take `colour`, with their complementary children.
    bool paintOperators(const std::vector<const AROperator*>& nodes, const Color4& colour, uint64_t gesture = 0);

    // --- Hint paths -------------------------------------------------------------------
    // A hint point on `axis` at height yView, in the first unlocked path
    // without one there; its path, or -1.
    int addHintPoint(int axis, float yView, uint64_t gesture = 0);
    bool moveHintPoint(int path, int dim, float yView, uint64_t gesture = 0);
    bool deleteHintPoint(int path, int dim, uint64_t gesture = 0);
    // Wheel steps on the deviation of one hint point (never below kMinDeviation,
    // nor lower than it was).
    bool stepHintDeviation(int path, int dim, float wheelSteps, uint64_t gesture = 0);
    enum class HintStep { kPeakUp, kPeakDown, kDeviationUp, kDeviationDown };
    // A key step (5 %) of one hint point, or of every dimension of a path.
    bool stepHintPoint(int path, int dim, HintStep step, uint64_t gesture = 0);
    bool stepHintPath(int path, HintStep step, uint64_t gesture = 0);
    // Locks unlocked path `path` with its group, or unlocks locked path `path` (`locked`).
    bool toggleHintPathLock(int path, bool locked, uint64_t gesture = 0);
    // Shows or hides the items of locked group `group`.
    bool toggleLockedGroupHidden(int group, uint64_t gesture = 0);
    bool clearHintPaths(uint64_t gesture = 0);

    // --- Axes ---------------------------------------------------------------------------
    // Spreads or narrows the axes around `region`; hint points and operators move with them.
    bool spreadAxes(int region, float wheelSteps, uint64_t gesture = 0);
    bool stepHistogramWidth(int dim, float wheelSteps, uint64_t gesture = 0);
    // Each of these is one step with its own name ("Reorder Axes", "Flip
    // Axis", "Logarithmic Scale", "Linear Scale", "Colour By Column", "Plain
    // Line Colour"). One that cannot be done returns false and, through
    // *refusal when given, says why in a sentence for the status line.
    //
    // The axis in slot `from` to slot `to` (see TableModel::moveAxis); the
    // operators removed are counted in the step's notice.
    bool moveAxis(int from, int to, uint64_t gesture = 0);
    bool flipAxis(int dim, uint64_t gesture = 0);
    bool setAxisLogarithmic(int dim, bool on, std::string* refusal = nullptr, uint64_t gesture = 0);
    // Lines no operator colours take the colour of their value on dimension
    // `dim` (-1: the plain line colour again); an identifier column is no
    // dimension, and a column that cannot be found is refused.
    bool setColourByDim(int dim, uint64_t gesture = 0);
    // Tells the observers that a command was refused, and why (for the status line).
    void refuse(const std::string& why) { notify(DocumentChange::kRefused, "", why); }

    // --- Display switches, ordering, colour band ----------------------------------------
    const DisplaySwitches& getDisplaySwitches() const { return display; }
    bool toggleHistograms(uint64_t gesture = 0);
    bool toggleMixtures(uint64_t gesture = 0);
    bool toggleHintPaths(uint64_t gesture = 0);
    // Space: all three hint displays off together, or on together.
    bool toggleAllHints(uint64_t gesture = 0);
    // Density ordering on or off; on a large table, inBackground, it runs on
    // a worker whose result finishDensityOrdering takes.
    bool toggleDensityOrdering(bool inBackground, uint64_t gesture = 0);
    bool toggleGroupSort(uint64_t gesture = 0);
    const ColourChoice& getColourChoice() const { return colourChoice; }
    bool chooseColour(float xBand, float yBand, uint64_t gesture = 0);

    // --- Not edits -------------------------------------------------------------------------
    // Applies a background density ordering that has finished (true then).
    bool finishDensityOrdering();
    void setFocusedOperator(const AROperator* node);
    void setViewAspect(float widthOverHeight);
    // One tick of the graph's layout (see GraphLayout); true when it completed a step.
    bool stepGraphLayout(const AROperator* heldNode);
    const GraphLayout& getGraphLayout() const { return graphLayout; }
    // A node dragged in the graph, to (xGraph, yGraph).
    void putGraphNode(const AROperator* node, double xGraph, double yGraph);

    // --- Gestures, history, revision --------------------------------------------------------
    uint64_t newGesture() { return ++lastGesture; }
    // The gesture under way has ended (a button released): no later edit
    // joins its step. Working the step out (what it changed, both ways)
    // takes time in proportion to the items of the lists it changed, tens of
    // milliseconds at a million items, so it is left to settleHistory(),
    // which the view calls once the frame that shows the gesture's end is
    // drawn; the next edit, undo, redo or save works it out first when it
    // comes sooner.
    void endGesture();
    // Works out the step of an ended gesture, if one waits.
    void settleHistory();
    bool isHistoryUnsettled() const { return history.hasEndedStep(); }
    bool canUndo() const { return history.canUndo(); }
    bool canRedo() const { return history.canRedo(); }
    std::string undoName() const { return history.undoName(); }
    std::string redoName() const { return history.redoName(); }
    bool undo();
    bool redo();
    const EditHistory& getHistory() const { return history; }
    // Raised once by every edit, undo, redo and new table.
    uint64_t getRevision() const { return revision; }
    // Whether the document differs from the state last saved (or loaded).
    bool isModified() const { return history.stateId() != savedState; }
    void markSaved();

private:
    // Around an operation: begin announces it to the history; finish raises
    // the revision and tells the observers when it changed something, and
    // drops the step it opened when not. finish returns `changed`.
    void begin(const char* name, unsigned parts, uint64_t gesture);
    bool finish(bool changed, const char* name, uint64_t gesture, const std::string& notice = "");
    void notify(DocumentChange::Kind kind, const std::string& stepName, const std::string& notice = "");
    bool ready() const { return tableModel->isDataReady(); }
    ClusterTree& tree() { return *tableModel->getClusterTree(); }
    DocumentImage captureImage(unsigned parts) const;
    void restoreImage(const DocumentImage& image);
    bool setDisplay(const DisplaySwitches& switches, const char* name, uint64_t gesture);

    std::unique_ptr<TableModel> tableModel;
    DisplaySwitches display;      // survive a new table
    ColourChoice colourChoice;    // survives a new table
    EditHistory history;
    GraphLayout graphLayout;
    std::vector<DocumentObserver*> observers;  // not owned
    uint64_t revision = 1;
    uint64_t savedState = 0;      // the history's state id when last saved or loaded
    uint64_t lastGesture = 0;
    bool orderingPendingBefore = false;  // a density ordering was under way when the operation began
};

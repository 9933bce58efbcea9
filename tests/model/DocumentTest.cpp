// The document: every operation is one step that undo takes back to the
// bit and redo makes again; a gesture is one step; what is no edit leaves the
// history alone; observers hear of everything; and a long random run of
// operations, undos and redos keeps the leaves sharing out the table and ends
// where doing only the steps that stand would have ended.
#include <algorithm>
#include <cstring>
#include <iostream>
#include <iomanip>
#include <map>
#include <numeric>
#include <sstream>
#include <string_view>

#include "TestSupport.h"
#include "cluster/ClusterPath.h"
#include "cluster/GaussianMixture.h"
#include "cluster/MultidimensionalCluster.h"
#include "layout/ParallelCoordinatesAxis.h"
#include "model/ColourMap.h"
#include "model/Document.h"
#include "model/Session.h"
#include "operators/ClusterTree.h"

namespace {

// What the comparisons leave out: serial numbers, the colours drawn at
// random for new hint paths, and the focus (no edit) differ between a run
// and a replay of its steps.
struct Leave {
    bool ids = false;
    bool pathColours = false;
    bool focus = false;
};

std::string bits(float value) {
    uint32_t word = 0;
    std::memcpy(&word, &value, sizeof word);
    std::ostringstream text;
    text << std::hex << word;
    return text.str();
}
std::string bits(double value) {
    uint64_t word = 0;
    std::memcpy(&word, &value, sizeof word);
    std::ostringstream text;
    text << std::hex << word;
    return text.str();
}
template <typename List>
std::string listText(const List& list) {
    std::string text;
    for (const auto& value : list) text += std::to_string(value) + " ";
    return text;
}
std::string floatsText(const std::vector<float>& values) {
    std::string text;
    for (float value : values) text += bits(value) + " ";
    return text;
}
// Long arrays (histograms, curves) by a hash of their bytes: equal bytes, equal text.
std::string bytesHash(const std::vector<float>& values) {
    const std::string_view bytes(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(float));
    return std::to_string(values.size()) + "#" + std::to_string(std::hash<std::string_view>{}(bytes));
}
std::string colourText(const Color4& c) { return bits(c.r) + "," + bits(c.g) + "," + bits(c.b) + "," + bits(c.a); }

// Everything the user's work is, to the bit, one line per thing (so that a
// difference names what differs): axes, widths, switches, ordering, colour,
// every node with its parameters, place, items and histogram, the hint
// paths, the mixtures' curves, and the groups with their histograms.
std::string stateOf(const Document& document, Leave leave = {}) {
    std::ostringstream text;
    const TableModel& model = document.model();
    const DisplaySwitches& shown = document.getDisplaySwitches();
    text << "display " << shown.showHistograms << shown.showMixtures << shown.showHintPaths << shown.allHintsOff
         << " ordering " << model.getGaussianOrdering() << model.getGroupSort() << " colour "
         << bits(document.getColourChoice().xBand) << "," << bits(document.getColourChoice().yBand) << "\n";
    if (!model.isDataReady()) return text.str();
    const int dims = model.getData()->getActualDimNum();
    for (int d = 0; d < dims; ++d) {
        text << "axis " << d << " " << bits(model.getAxes()->getAxisPosition(d)) << " width "
             << bits(model.getHistogramWidth(d)) << "\n";
    }
    const TableModel::AxisArrangement arrangement = model.getAxisArrangement();
    const MultidimensionalData* table = model.getData();
    text << "arrangement " << listText(arrangement.fileDims) << "flipped " << listText(arrangement.flipped)
         << "log " << listText(arrangement.logarithmic) << "colour by " << arrangement.colourByFileDim << " values "
         << bytesHash(std::vector<float>(table->getDataRow(0), table->getDataRow(0) + size_t(table->getDataNum()) * dims))
         << "\n";
    const ClusterTree* tree = model.getClusterTree();
    std::vector<AROperator*> nodes;
    tree->collectNodes(&nodes);
    std::map<const AROperator*, size_t> index;
    for (const AROperator* node : nodes) {
        index[node] = index.size();
        text << "node " << index[node] << (leave.ids ? "" : " id " + std::to_string(node->id)) << " parent "
             << (node->parent ? static_cast<long>(index[node->parent]) : -1L) << " type " << node->type << " at "
             << bits(node->position.x) << "," << bits(node->position.y) << " angle " << bits(node->angle) << " radius "
             << bits(node->radius) << " width " << bits(node->angleWidth) << " place " << node->leftAxis << ","
             << bits(node->relativeX) << "," << bits(node->relativeY) << "," << bits(node->axisSpacing) << " primary "
             << node->primary << " locked " << node->locked << " colour " << colourText(node->color) << "\n  items "
             << listText(node->controlList) << "\n  histogram " << bytesHash(node->histogram) << "\n";
    }
    if (!leave.focus) text << "focus " << index[tree->getFocused()] << "\n";
    const ClusterPath* paths = model.getPaths();
    for (int locked = 0; locked < 2; ++locked) {
        const int count = locked ? paths->getLockedPathNum() : paths->getUnlockedPathNum();
        for (int k = 0; k < count; ++k) {
            const Path& path = locked ? *paths->getLockedPath(k) : *paths->getUnlockedPath(k);
            text << (locked ? "locked" : "unlocked") << " path " << k << " peaks " << floatsText(path.peaks)
                 << " deviations " << floatsText(path.deviations) << " points ";
            for (size_t d = 0; d < path.hintPoints.size(); ++d) {
                text << path.hasHintPoint[d] << ":" << bits(path.hintPoints[d].x) << "," << bits(path.hintPoints[d].y)
                     << " ";
            }
            if (!leave.pathColours) text << "colour " << colourText(path.color);
            text << "\n";
        }
    }
    text << "mixtures " << model.hasMixtures() << "\n";
    for (int d = 0; d < dims && model.getMixture(d) != nullptr; ++d) {
        std::vector<float> curve(GaussianMixture::kCurveSampleNum);
        model.getMixture(d)->sampleCurve(curve.data());
        text << "  curve " << d << " " << bytesHash(curve) << "\n";
    }
    const MultidimensionalCluster* groups = model.getClusters();
    for (int locked = 0; locked < 2; ++locked) {
        const int count = locked ? groups->getLockedGroupNum() : groups->getUnlockedGroupNum();
        for (int k = 0; k < count; ++k) {
            const DataItemGroup& group = locked ? *groups->getLockedGroup(k) : *groups->getUnlockedGroup(k);
            text << (locked ? "locked" : "unlocked") << " group " << k << " hidden " << group.hidden << " items "
                 << listText(group.items) << "\n  histogram " << bytesHash(group.histogram) << "\n";
        }
    }
    return text.str();
}

// The first line where two states differ, for the failure message.
std::string firstDifference(const std::string& a, const std::string& b) {
    std::istringstream left(a), right(b);
    std::string x, y;
    for (int line = 1;; ++line) {
        const bool moreLeft = static_cast<bool>(std::getline(left, x));
        const bool moreRight = static_cast<bool>(std::getline(right, y));
        if (!moreLeft && !moreRight) return "none";
        if (x != y) return "line " + std::to_string(line) + ":\n  " + x.substr(0, 300) + "\n  " + y.substr(0, 300);
    }
}

#define EXPECT_SAME_STATE(a, b) EXPECT_TRUE((a) == (b)) << firstDifference(a, b)

// Every leaf holds its items once, and the leaves share out the table; so do the groups.
void expectPartitions(const Document& document) {
    const TableModel& model = document.model();
    const int n = model.getData()->getDataNum();
    std::vector<int> leaves(static_cast<size_t>(n), 0), groups(static_cast<size_t>(n), 0);
    std::vector<AROperator*> nodes;
    model.getClusterTree()->collectNodes(&nodes);
    for (const AROperator* node : nodes) {
        if (!node->noChildren()) continue;
        for (int item : node->controlList) ++leaves.at(static_cast<size_t>(item));
    }
    const MultidimensionalCluster* grouping = model.getClusters();
    for (int k = 0; k < grouping->getUnlockedGroupNum(); ++k) {
        for (int item : grouping->getUnlockedGroup(k)->items) ++groups.at(static_cast<size_t>(item));
    }
    for (int k = 0; k < grouping->getLockedGroupNum(); ++k) {
        for (int item : grouping->getLockedGroup(k)->items) ++groups.at(static_cast<size_t>(item));
    }
    for (int item = 0; item < n; ++item) {
        ASSERT_EQ(leaves[static_cast<size_t>(item)], 1) << "item " << item << " in the leaves";
        ASSERT_EQ(groups[static_cast<size_t>(item)], 1) << "item " << item << " in the groups";
    }
}

class DocumentTest : public testing::Test {
protected:
    void load(Document& target, const std::string& table) {
        target.replaceTable(loadTableQuietly(dir.write("t" + std::to_string(files++) + ".csv", table)));
    }
    // The regular operators in pre-order.
    static std::vector<const AROperator*> operatorsOf(const Document& target) {
        std::vector<AROperator*> nodes;
        target.model().getClusterTree()->collectNodes(&nodes);
        std::vector<const AROperator*> regular;
        for (const AROperator* node : nodes) {
            if (node->type == AROperator::kTypeRegular) regular.push_back(node);
        }
        return regular;
    }
    // Two operators (one nested), two hint paths (one locked).
    void buildScene(Document& target) {
        load(target, randomIntegerTable(60, 5, 20, 11));
        stdoutOf([&] {
            const AROperator* a = target.addOperator(0.16f, 0.5f, true, Color4(1, 0, 0, 0.8f));
            ASSERT_NE(a, nullptr);
            target.stepOperatorRadius(a, -20);
            target.setFocusedOperator(a);
            ASSERT_NE(target.addOperator(0.4f, 0.45f, false, Color4(0, 0, 1, 0.8f)), nullptr);
            target.addHintPoint(1, 0.5f);  // path 0
            target.addHintPoint(2, 0.4f);  // path 0
            target.addHintPoint(1, 0.8f);  // path 1
            target.addHintPoint(3, 0.7f);  // path 0
            ASSERT_TRUE(target.toggleHintPathLock(1, false));
            target.addHintPoint(0, 0.3f);
        });
    }

    TempDir dir;
    int files = 0;
    Document document;
};

// Each operation: one step named as the menu names it, undone to the bit and redone to the bit.
TEST_F(DocumentTest, EveryOperationIsOneStepThatUndoAndRedoTakeBackAndDoAgainExactly) {
    using Step = Document::HintStep;
    const std::vector<std::pair<std::string, std::function<bool(Document&)>>> operations = {
        {"Add Operator", [](Document& d) { return d.addOperator(0.6f, 0.5f, true, Color4(0, 1, 0, 1)) != nullptr; }},
        {"Move Operator", [&](Document& d) { return d.moveOperator(operatorsOf(d)[1], 0.2f, 0.55f); }},
        {"Turn Operator", [&](Document& d) { return d.turnOperator(operatorsOf(d)[0], 0.7); }},
        {"Resize Operator", [&](Document& d) { return d.stepOperatorRadius(operatorsOf(d)[1], -3); }},
        {"Widen Operator", [&](Document& d) { return d.stepOperatorAngleWidth(operatorsOf(d)[0], -4); }},
        {"Remove Operator", [&](Document& d) { return d.removeOperator(operatorsOf(d)[1]); }},
        {"Lock Operator", [&](Document& d) { return d.toggleOperatorLock(operatorsOf(d)[0]); }},
        {"Paint Operators", [&](Document& d) { return d.paintOperators(operatorsOf(d), Color4(0.2f, 0.3f, 0.4f, 0.5f)); }},
        // Only the red of the first operator (red) changes: no channel goes unseen.
        {"Paint Operators", [&](Document& d) { return d.paintOperators({operatorsOf(d)[0]}, Color4(0.5f, 0, 0, 0.8f)); }},
        {"Add Hint Point", [](Document& d) { return d.addHintPoint(4, 0.25f) >= 0; }},
        {"Move Hint Point", [](Document& d) { return d.moveHintPoint(0, 1, 0.62f); }},
        {"Delete Hint Point", [](Document& d) { return d.deleteHintPoint(0, 2); }},
        {"Change Deviation", [](Document& d) { return d.stepHintDeviation(0, 1, -6); }},
        {"Change Peak", [](Document& d) { return d.stepHintPoint(0, 1, Step::kPeakDown); }},
        {"Change Path Deviations", [](Document& d) { return d.stepHintPath(0, Step::kDeviationUp); }},
        {"Lock Hint Path", [](Document& d) { return d.toggleHintPathLock(0, false); }},
        {"Unlock Hint Path", [](Document& d) { return d.toggleHintPathLock(0, true); }},
        {"Show Locked Group", [](Document& d) { return d.toggleLockedGroupHidden(0); }},
        {"Clear Hint Paths", [](Document& d) { return d.clearHintPaths(); }},
        {"Move Axes", [](Document& d) { return d.spreadAxes(1, -3); }},
        {"Change Histogram Width", [](Document& d) { return d.stepHistogramWidth(2, -2); }},
        {"Hide Histograms", [](Document& d) { return d.toggleHistograms(); }},
        {"Hide Mixtures", [](Document& d) { return d.toggleMixtures(); }},
        {"Hide Hint Paths", [](Document& d) { return d.toggleHintPaths(); }},
        {"Hide All Hints", [](Document& d) { return d.toggleAllHints(); }},
        {"Order by Density", [](Document& d) { return d.toggleDensityOrdering(false); }},
        {"Sort Groups", [](Document& d) { return d.toggleGroupSort(); }},
        {"Choose Colour", [](Document& d) { return d.chooseColour(0.1f, 0.9f); }},
        {"Reorder Axes", [](Document& d) { return d.moveAxis(4, 2); }},
        {"Reorder Axes", [](Document& d) { return d.moveAxis(0, 3); }},  // removes both operators
        {"Flip Axis", [](Document& d) { return d.flipAxis(1); }},
        {"Colour By Column", [](Document& d) { return d.setColourByDim(2); }},
    };
    for (const auto& [name, operation] : operations) {
        SCOPED_TRACE(name);
        Document edited;
        buildScene(edited);
        const std::string before = stateOf(edited);
        const uint64_t revision = edited.getRevision();
        const size_t steps = edited.getHistory().undoCount();
        bool changed = false;
        stdoutOf([&] { changed = operation(edited); });
        ASSERT_TRUE(changed);
        const std::string after = stateOf(edited);
        EXPECT_TRUE(after != before) << "the operation changed something";
        EXPECT_EQ(edited.getRevision(), revision + 1) << "one revision per call";
        EXPECT_EQ(edited.undoName(), name);
        EXPECT_TRUE(edited.isModified());
        stdoutOf([&] { ASSERT_TRUE(edited.undo()); });
        EXPECT_SAME_STATE(stateOf(edited), before);
        EXPECT_EQ(edited.getHistory().undoCount(), steps);
        EXPECT_EQ(edited.redoName(), name);
        stdoutOf([&] { ASSERT_TRUE(edited.redo()); });
        EXPECT_SAME_STATE(stateOf(edited), after);
        stdoutOf([&] { ASSERT_TRUE(edited.undo()); });
        EXPECT_SAME_STATE(stateOf(edited), before);
        expectPartitions(edited);
    }
}

// A drag, a wheel burst, a key held down: the edits of one gesture are one
// step; a gesture that ends where it began leaves no step.
TEST_F(DocumentTest, TheEditsOfOneGestureAreOneStep) {
    buildScene(document);
    const std::string start = stateOf(document);
    const size_t steps = document.getHistory().undoCount();
    const AROperator* op = operatorsOf(document)[1];
    const uint64_t drag = document.newGesture();
    for (int k = 0; k < 20; ++k) document.moveOperator(op, 0.3f + 0.004f * k, 0.5f - 0.01f * k, drag);
    // Parts the gesture's first edit did not touch join the step where they come in.
    stdoutOf([&] { document.moveHintPoint(0, 1, 0.7f, drag); });
    document.endGesture();
    document.settleHistory();
    EXPECT_EQ(document.getHistory().undoCount(), steps + 1);
    EXPECT_EQ(document.undoName(), "Move Operator");
    stdoutOf([&] { ASSERT_TRUE(document.undo()); });
    EXPECT_SAME_STATE(stateOf(document), start);

    const uint64_t burst = document.newGesture();
    document.toggleHistograms(burst);
    document.toggleHistograms(burst);
    document.endGesture();
    document.settleHistory();
    EXPECT_EQ(document.getHistory().undoCount(), steps) << "back where it began: no step";
    EXPECT_TRUE(document.canRedo()) << "and the step undone can still be redone";

    // A gesture that changed nothing at all (a click between no axes) is no step either.
    EXPECT_EQ(document.addOperator(0.01f, 0.5f, true, Color4(1, 0, 0, 1), document.newGesture()), nullptr);
    EXPECT_FALSE(document.moveOperator(nullptr, 0.5f, 0.5f));
    EXPECT_EQ(document.getHistory().undoCount(), steps);
}

// An ended gesture's step is worked out later (after the frame that shows
// it): until then it counts as a step for undo and the saved state, no later
// edit joins it, and whatever comes first (settling, an edit, undo, a save)
// works it out the same way.
TEST_F(DocumentTest, AnEndedGestureIsWorkedOutWhenTheHistoryIsSettled) {
    buildScene(document);
    document.markSaved();
    const std::string start = stateOf(document);
    const size_t steps = document.getHistory().undoCount();
    const AROperator* op = operatorsOf(document)[1];
    const uint64_t drag = document.newGesture();
    for (int k = 0; k < 5; ++k) document.moveOperator(op, 0.3f + 0.01f * k, 0.5f, drag);
    document.endGesture();
    EXPECT_TRUE(document.isHistoryUnsettled());
    EXPECT_EQ(document.getHistory().undoCount(), steps) << "not yet worked out";
    EXPECT_TRUE(document.canUndo());
    EXPECT_EQ(document.undoName(), "Move Operator");
    EXPECT_TRUE(document.isModified());
    const std::string moved = stateOf(document);

    // An edit that still carries the ended gesture's number is a step of its own.
    document.moveOperator(op, 0.45f, 0.5f, drag);
    EXPECT_FALSE(document.isHistoryUnsettled()) << "the edit worked the ended step out first";
    EXPECT_EQ(document.getHistory().undoCount(), steps + 1);
    document.endGesture();
    document.settleHistory();
    EXPECT_FALSE(document.isHistoryUnsettled());
    EXPECT_EQ(document.getHistory().undoCount(), steps + 2);
    stdoutOf([&] { ASSERT_TRUE(document.undo()); });
    EXPECT_SAME_STATE(stateOf(document), moved);
    stdoutOf([&] { ASSERT_TRUE(document.undo()); });
    EXPECT_SAME_STATE(stateOf(document), start);
    EXPECT_FALSE(document.isModified());

    // Undo straight after an ended gesture takes the whole gesture back.
    const uint64_t second = document.newGesture();
    for (int k = 0; k < 3; ++k) document.moveOperator(op, 0.32f, 0.45f - 0.02f * k, second);
    document.endGesture();
    stdoutOf([&] { ASSERT_TRUE(document.undo()); });
    EXPECT_SAME_STATE(stateOf(document), start);
    EXPECT_TRUE(document.canRedo());

    // A gesture that came back to where it began leaves no step once settled,
    // and the document is as saved again (the step undone stays redoable).
    const uint64_t burst = document.newGesture();
    document.toggleHistograms(burst);
    document.toggleHistograms(burst);
    document.endGesture();
    EXPECT_TRUE(document.isModified()) << "not yet known to have changed nothing";
    document.settleHistory();
    EXPECT_FALSE(document.isModified());
    EXPECT_EQ(document.getHistory().undoCount(), steps);
    EXPECT_TRUE(document.canRedo());

    // Saving works an ended step out, and the saved state is the one after it.
    const uint64_t third = document.newGesture();
    document.moveOperator(op, 0.36f, 0.52f, third);
    document.endGesture();
    document.markSaved();
    EXPECT_FALSE(document.isHistoryUnsettled());
    EXPECT_FALSE(document.isModified());
    EXPECT_EQ(document.getHistory().undoCount(), steps + 1);
}

// Hint paths, groups and mixtures tell their changes by revisions, as the
// tree does: a hint point's move raises all three, an operator's none.
TEST_F(DocumentTest, HintPathsGroupsAndMixturesTellTheirChanges) {
    buildScene(document);
    const TableModel& model = document.model();
    auto revisions = [&] {
        return std::vector<uint64_t>{model.getPaths()->getRevision(), model.getClusters()->getRevision(),
                                     model.getMixturesRevision(), model.getClusterTree()->getRevision()};
    };
    const std::vector<uint64_t> start = revisions();
    ASSERT_TRUE(document.moveOperator(operatorsOf(document)[0], 0.17f, 0.52f));
    const std::vector<uint64_t> moved = revisions();
    EXPECT_EQ(std::vector<uint64_t>(moved.begin(), moved.begin() + 3), std::vector<uint64_t>(start.begin(), start.begin() + 3));
    EXPECT_GT(moved[3], start[3]);
    stdoutOf([&] { ASSERT_TRUE(document.moveHintPoint(0, 1, 0.55f)); });
    const std::vector<uint64_t> hinted = revisions();
    for (size_t k = 0; k < 3; ++k) EXPECT_GT(hinted[k], moved[k]) << k;
    EXPECT_EQ(hinted[3], moved[3]);
}

// The focus, the aspect and the graph's layout are no edits; a save marks the
// state the document is saved in, and undoing back to it is unmodified.
TEST_F(DocumentTest, WhatIsNoEditLeavesTheHistoryAndTheSavedStateAlone) {
    buildScene(document);
    EXPECT_TRUE(document.isModified());
    document.markSaved();
    EXPECT_FALSE(document.isModified());
    const uint64_t revision = document.getRevision();
    const size_t steps = document.getHistory().undoCount();
    document.setFocusedOperator(operatorsOf(document)[0]);
    document.setViewAspect(1.5f);
    for (int tick = 0; tick < 50; ++tick) document.stepGraphLayout(nullptr);
    document.putGraphNode(operatorsOf(document)[0], 0.2, 0.3);
    EXPECT_EQ(document.getRevision(), revision);
    EXPECT_EQ(document.getHistory().undoCount(), steps);
    EXPECT_FALSE(document.isModified());
    EXPECT_DOUBLE_EQ(operatorsOf(document)[0]->graphX, 0.2);

    document.toggleMixtures();
    EXPECT_TRUE(document.isModified());
    ASSERT_TRUE(document.undo());
    EXPECT_FALSE(document.isModified()) << "back in the saved state";
    ASSERT_TRUE(document.undo());
    EXPECT_TRUE(document.isModified());
    ASSERT_TRUE(document.redo());
    EXPECT_FALSE(document.isModified());

    // A new table starts the history: nothing to undo across it; it counts as saved.
    load(document, "a,b\n1,2\n3,4\n");
    EXPECT_FALSE(document.canUndo());
    EXPECT_FALSE(document.canRedo());
    EXPECT_FALSE(document.isModified());
    // A session opened from a file is saved; recovered work is not.
    buildScene(document);
    const Session session = document.captureSession();
    const std::string shaped = stateOf(document, {true, false, false});
    for (bool saved : {true, false}) {
        load(document, randomIntegerTable(60, 5, 20, 11));
        document.applySession(session, saved);
        EXPECT_EQ(document.isModified(), !saved);
        EXPECT_FALSE(document.canUndo()) << "the session starts the history";
        EXPECT_SAME_STATE(stateOf(document, {true, false, false}), shaped);
    }
}

// Observers hear of every change with its step's name, and a new table is
// announced before the old one goes.
TEST_F(DocumentTest, ObserversHearEveryChange) {
    struct Log : DocumentObserver {
        explicit Log(const Document& watched) : document(watched) {}
        void tableWillChange() override { said += "will-change(" + std::to_string(document.model().isDataReady()) + ") "; }
        void documentChanged(const DocumentChange& change) override {
            said += std::to_string(change.kind) + ":" + change.stepName + (change.notice.empty() ? "" : "!" + change.notice) + " ";
        }
        const Document& document;
        std::string said;
    } log(document);
    document.addObserver(&log);
    load(document, randomIntegerTable(60, 5, 20, 11));
    document.toggleHistograms();
    document.undo();
    document.redo();
    document.markSaved();
    document.setFocusedOperator(document.model().getClusterTree()->getRoot());  // already: nothing said
    document.removeObserver(&log);
    document.toggleHistograms();
    EXPECT_EQ(log.said, "will-change(0) 3: 0:Hide Histograms 1:Hide Histograms 2:Hide Histograms 4: ");
}

// Histories of large tables: a step keeps what it changed, not the lists.
TEST_F(DocumentTest, AStepKeepsWhatChangedNotTheLists) {
    load(document, randomIntegerTable(20000, 4, 1000, 5));
    const AROperator* op = nullptr;
    stdoutOf([&] { op = document.addOperator(0.3f, 0.5f, true, Color4(1, 0, 0, 1)); });
    ASSERT_NE(op, nullptr);
    const size_t afterAdd = document.getHistory().bytes();
    const uint64_t drag = document.newGesture();
    for (int k = 0; k < 10; ++k) document.moveOperator(op, 0.3f, 0.5f + 0.002f * k, drag);
    document.endGesture();
    document.settleHistory();
    const size_t dragBytes = document.getHistory().bytes() - afterAdd;
    const size_t listBytes = 20000 * sizeof(int);
    EXPECT_LT(dragBytes, listBytes / 4) << "a small move keeps a few runs, not the complement's list";
    EXPECT_GT(dragBytes, 0u);
    stdoutOf([&] { ASSERT_TRUE(document.undo()); });
    expectPartitions(document);
}

// What the random run does: an operation of the document, given by numbers
// only (operators by their place in pre-order, paths by index), so that it
// can be done again on a fresh document.
struct Operation {
    int kind = 0;
    int a = 0, b = 0;
    float x = 0, y = 0;
};

// Does `operation` on `document`, as part of gesture `gesture`.
void perform(Document& document, const Operation& op, uint64_t gesture) {
    using Step = Document::HintStep;
    std::vector<AROperator*> nodes;
    const TableModel& model = document.model();
    model.getClusterTree()->collectNodes(&nodes);
    std::vector<const AROperator*> regular;
    for (const AROperator* node : nodes) {
        if (node->type == AROperator::kTypeRegular) regular.push_back(node);
    }
    const AROperator* some = regular.empty() ? nullptr : regular[static_cast<size_t>(op.a) % regular.size()];
    const AROperator* anyNode = nodes[static_cast<size_t>(op.a) % nodes.size()];
    const int unlocked = model.getPaths()->getUnlockedPathNum(), locked = model.getPaths()->getLockedPathNum();
    const int path = unlocked > 0 ? op.a % unlocked : 0;
    const int dim = op.b % model.getData()->getActualDimNum();
    const Color4 colour(op.x, op.y, 0.5f, 0.8f);
    switch (op.kind) {
        case 0: document.setFocusedOperator(anyNode); document.addOperator(op.x, op.y, op.b % 3 != 0, colour, gesture); break;
        case 1: document.moveOperator(some, op.x, op.y, gesture); break;
        case 2: document.turnOperator(some, op.x * 3 - 1.5, gesture); break;
        case 3: document.stepOperatorRadius(some, op.y * 20 - 10, gesture); break;
        case 4: document.stepOperatorAngleWidth(some, op.y * 10 - 5, gesture); break;
        case 5: document.removeOperator(some, gesture); break;
        case 6: document.toggleOperatorLock(some, gesture); break;
        case 7: document.paintOperators({some}, colour, gesture); break;
        case 8: document.addHintPoint(dim, op.y, gesture); break;
        case 9: document.moveHintPoint(path, dim, op.y, gesture); break;
        case 10: document.deleteHintPoint(path, dim, gesture); break;
        case 11: document.stepHintDeviation(path, dim, op.x * 10 - 5, gesture); break;
        case 12: document.stepHintPoint(path, dim, static_cast<Step>(op.b % 4), gesture); break;
        case 13: document.stepHintPath(path, static_cast<Step>(op.b % 4), gesture); break;
        case 14: document.toggleHintPathLock(path, false, gesture); break;
        case 15: if (locked > 0) document.toggleHintPathLock(op.a % locked, true, gesture); break;
        case 16: if (locked > 0) document.toggleLockedGroupHidden(op.a % locked, gesture); break;
        case 17: document.clearHintPaths(gesture); break;
        case 18: document.spreadAxes(dim, op.x * 6 - 3, gesture); break;
        case 19: document.stepHistogramWidth(dim, op.x * 6 - 3, gesture); break;
        case 20: document.toggleAllHints(gesture); break;
        case 21: document.toggleHistograms(gesture); break;
        case 22: document.toggleDensityOrdering(false, gesture); break;
        case 23: document.toggleGroupSort(gesture); break;
        case 24: document.chooseColour(op.x, op.y, gesture); break;
        default: break;
    }
}

// 1000 actions on a fixed seed: steps of one to four operations (several in
// one gesture), undos and redos. After each, the leaves and the groups share
// out the table; an undo gives back the state before the step to the bit, a
// redo the state after it; at the end the document is what doing the steps
// that stand, on a fresh document, gives.
TEST_F(DocumentTest, ARandomRunOfOperationsUndosAndRedosEndsWhereItsStandingStepsLead) {
    const std::string table = randomIntegerTable(80, 5, 30, 21);
    std::mt19937 random(2024);
    std::uniform_int_distribution<int> kind(0, 24), number(0, 1000), length(1, 4), action(0, 9);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    load(document, table);
    std::vector<std::vector<Operation>> done, undone;  // the steps that stand, and those undone
    std::vector<std::string> statesBefore, statesAfter;  // around each step that stands
    std::vector<std::string> undoneBefore, undoneAfter;
    // The focus (where a new operator goes) is chosen as part of an
    // operation here, and is no edit: the states compared leave it out.
    const Leave noFocus{false, false, true};
    // The operations' console lines go nowhere (GoogleTest's own do not go through std::cout).
    std::streambuf* console = std::cout.rdbuf(nullptr);
    for (int k = 0; k < 1000; ++k) {
        SCOPED_TRACE("action " + std::to_string(k));
        const int what = action(random);
        if (what == 0 && !done.empty()) {
            ASSERT_TRUE(document.undo()) << k;
            const std::string now = stateOf(document, noFocus);
            ASSERT_TRUE(now == statesBefore.back()) << "undo at action " << k << ": " << firstDifference(now, statesBefore.back());
            undone.push_back(done.back());
            undoneBefore.push_back(statesBefore.back());
            undoneAfter.push_back(statesAfter.back());
            done.pop_back();
            statesBefore.pop_back();
            statesAfter.pop_back();
        } else if (what == 1 && !undone.empty()) {
            ASSERT_TRUE(document.redo()) << k;
            const std::string now = stateOf(document, noFocus);
            ASSERT_TRUE(now == undoneAfter.back()) << "redo at action " << k << ": " << firstDifference(now, undoneAfter.back());
            done.push_back(undone.back());
            statesBefore.push_back(undoneBefore.back());
            statesAfter.push_back(undoneAfter.back());
            undone.pop_back();
            undoneBefore.pop_back();
            undoneAfter.pop_back();
        } else {
            std::vector<Operation> step(static_cast<size_t>(length(random)));
            for (Operation& op : step) {
                op.kind = kind(random);
                op.a = number(random);
                op.b = number(random);
                op.x = unit(random);
                op.y = unit(random);
            }
            const std::string before = stateOf(document, noFocus);
            const uint64_t stateBefore = document.getHistory().stateId();
            const uint64_t gesture = step.size() > 1 ? document.newGesture() : 0;
            for (const Operation& op : step) perform(document, op, gesture);
            document.endGesture();
            document.settleHistory();  // as the view does after the frame
            if (document.getHistory().stateId() != stateBefore) {
                done.push_back(step);
                statesBefore.push_back(before);
                statesAfter.push_back(stateOf(document, noFocus));
                undone.clear();
                undoneBefore.clear();
                undoneAfter.clear();
            }
        }
        expectPartitions(document);
        if (HasFatalFailure()) {
            std::cout.rdbuf(console);
            return;
        }
    }
    Document replay;
    load(replay, table);
    for (const auto& step : done) {
        const uint64_t gesture = step.size() > 1 ? replay.newGesture() : 0;
        for (const Operation& op : step) perform(replay, op, gesture);
        replay.endGesture();
        replay.settleHistory();
    }
    std::cout.rdbuf(console);
    const Leave leave{true, true, true};
    EXPECT_SAME_STATE(stateOf(document, leave), stateOf(replay, leave));
    EXPECT_GT(done.size(), 100u) << "a run long enough to say something";
    EXPECT_LE(document.getHistory().undoCount(), EditHistory::kMaxSteps);
    EXPECT_EQ(document.getHistory().redoCount(), undone.size()) << "every step undone can be redone";
}

// Item lists coded against another list come back as they were, whatever
// they hold (items the reference lacks, repeats, an empty reference), in
// the shortest of the three forms; a code that does not fit its reference
// is refused.
TEST(ItemListCode, ListsComeBackExactlyInTheShortestForm) {
    std::mt19937 random(7);
    std::vector<int32_t> positions;
    int forms[3] = {0, 0, 0};
    for (int trial = 0; trial < 300; ++trial) {
        // Lists hold an item once; a few trials have repeats all the same.
        std::vector<int32_t> reference(400);
        std::iota(reference.begin(), reference.end(), 0);
        std::shuffle(reference.begin(), reference.end(), random);
        reference.resize(static_cast<size_t>(random() % 300));
        if (trial % 13 == 3) {
            for (auto& item : reference) item = static_cast<int32_t>(random() % 400);
        }
        std::vector<int32_t> list = reference;
        // Cut, move and change pieces of it; keep every other item; sort it.
        for (int edit = 0; edit < 5 && !list.empty(); ++edit) {
            const size_t at = random() % list.size();
            if (random() % 2) {
                list.erase(list.begin() + static_cast<ptrdiff_t>(at));
            } else {
                list.insert(list.begin() + static_cast<ptrdiff_t>(at), static_cast<int32_t>(random() % 500));
            }
        }
        if (trial % 7 == 0) std::shuffle(list.begin(), list.end(), random);
        if (trial % 5 == 1) {
            std::vector<int32_t> kept;
            for (size_t k = 0; k < list.size(); k += 2) kept.push_back(list[k]);
            list.swap(kept);
        }
        if (trial % 11 == 2) {
            std::sort(list.begin(), list.end());
            list.erase(std::unique(list.begin(), list.end()), list.end());
        }
        std::vector<int32_t> code, back;
        encodeItemList(list, reference, positions, &code);
        ASSERT_TRUE(decodeItemList(code, reference, &back));
        ASSERT_EQ(back, list) << trial;
        ASSERT_FALSE(code.empty());
        ++forms[code[0]];
        if (trial % 7 != 0 && trial % 13 != 3) {
            EXPECT_LT(code.size(), list.size() / 2 + 40) << "trial " << trial << ": form " << code[0];
        }
    }
    EXPECT_TRUE(forms[0] > 0 && forms[1] > 0 && forms[2] > 0) << forms[0] << " " << forms[1] << " " << forms[2];
    std::vector<int32_t> code, back;
    encodeItemList({5, 6, 7, 8, 9}, {1, 5, 6, 7, 8, 9}, positions, &code);
    EXPECT_EQ(code, (std::vector<int32_t>{0, 1, 5})) << "one run";
    EXPECT_FALSE(decodeItemList(code, {1, 5, 6}, &back)) << "the run reaches past the reference";
    EXPECT_FALSE(decodeItemList({0, -3, 1}, {}, &back)) << "fewer items than the block says";
    EXPECT_FALSE(decodeItemList({1, 0, 2, 7, 7}, {}, &back)) << "more added items than the code holds";
    EXPECT_FALSE(decodeItemList({2, 64, 1}, {}, &back)) << "a set shorter than its items";
}

}  // namespace

// --- The axes' arrangement: reorder, flip, log scale, colour by a column -------------

namespace {

// Each item's leaf, by the leaf's serial number.
std::vector<uint64_t> leafOfItems(const Document& document) {
    std::vector<uint64_t> leaf(static_cast<size_t>(document.model().getData()->getDataNum()), 0);
    std::vector<AROperator*> nodes;
    document.model().getClusterTree()->collectNodes(&nodes);
    for (const AROperator* node : nodes) {
        if (!node->noChildren()) continue;
        for (int item : node->controlList) leaf.at(static_cast<size_t>(item)) = node->id;
    }
    return leaf;
}

std::vector<float> columnOf(const Document& document, int dim) {
    std::vector<float> values;
    const MultidimensionalData* table = document.model().getData();
    for (int i = 0; i < table->getDataNum(); ++i) values.push_back(table->getDataRow(i)[dim]);
    return values;
}

}  // namespace

// Three operators: a on gap 0 with b nested in it on gap 3, and c on gap 3
// under the root; hint points on axes 0 and 3.
void buildReorderScene(Document& target, bool removeBAndA) {
    const AROperator* a = target.addOperator(0.16f, 0.5f, true, Color4(1, 0, 0, 0.8f));
    target.stepOperatorRadius(a, -20);
    target.setFocusedOperator(a);
    const AROperator* b = target.addOperator(0.8f, 0.45f, false, Color4(0, 0, 1, 0.8f));
    target.setFocusedOperator(target.model().getClusterTree()->getRoot());
    const AROperator* c = target.addOperator(0.85f, 0.5f, true, Color4(0, 1, 0, 0.8f));
    target.stepOperatorRadius(c, -20);
    if (removeBAndA) {
        target.removeOperator(b);
        target.removeOperator(a);
        return;
    }
    target.addHintPoint(0, 0.3f);
    target.addHintPoint(3, 0.7f);
}

TEST_F(DocumentTest, AReorderMovesOperatorsWithTheirPairAndRemovesExactlyTheSeparatedOnesUntilUndone) {
    load(document, randomIntegerTable(60, 5, 20, 11));
    stdoutOf([&] { buildReorderScene(document, false); });
    // Pre-order, newest child first: c, a, b.
    const AROperator* c = operatorsOf(document)[0];
    const AROperator* a = operatorsOf(document)[1];
    ASSERT_EQ(c->parent, document.model().getClusterTree()->getRoot());
    ASSERT_EQ(operatorsOf(document).size(), 3u);
    ASSERT_EQ(a->leftAxis, 0);
    ASSERT_EQ(c->leftAxis, 3);
    ASSERT_EQ(operatorsOf(document)[2]->parent, a);
    const uint64_t cId = c->id;
    const std::string before = stateOf(document);
    const std::vector<float> firstColumn = columnOf(document, 0), middleColumn = columnOf(document, 2);
    const Path hintsBefore = *document.model().getPaths()->getUnlockedPath(0);

    // Axis 2 to slot 0: every gap with an operator keeps its pair; every item keeps its leaf.
    const std::vector<uint64_t> leaves = leafOfItems(document);
    std::string notice = "unset";
    struct Listener : DocumentObserver {
        std::string* notice;
        void documentChanged(const DocumentChange& change) override { *notice = change.notice; }
    } listener;
    listener.notice = &notice;
    document.addObserver(&listener);
    stdoutOf([&] { ASSERT_TRUE(document.moveAxis(2, 0)); });
    EXPECT_EQ(notice, "");
    EXPECT_EQ(operatorsOf(document).size(), 3u);
    EXPECT_EQ(leafOfItems(document), leaves);
    EXPECT_EQ(a->leftAxis, 1);
    EXPECT_EQ(c->leftAxis, 3);
    EXPECT_EQ(columnOf(document, 0), middleColumn);
    EXPECT_EQ(columnOf(document, 1), firstColumn);
    EXPECT_EQ(document.model().getData()->getFileDim(0), 2);
    EXPECT_EQ(document.model().getData()->getAxisName(0), document.model().getData()->getDimName(2));
    stdoutOf([&] { ASSERT_TRUE(document.undo()); });
    EXPECT_SAME_STATE(stateOf(document), before);

    // Axis 0 to the end: gap 0 is separated (a goes, b with it); c's pair moves to gap 2.
    stdoutOf([&] { ASSERT_TRUE(document.moveAxis(0, 4)); });
    EXPECT_EQ(notice, "2 operators removed: the reorder separated the axes they stood between");
    EXPECT_EQ(document.undoName(), "Reorder Axes");
    const std::vector<const AROperator*> left = operatorsOf(document);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0]->id, cId);
    EXPECT_EQ(left[0]->leftAxis, 2);
    EXPECT_FLOAT_EQ(left[0]->position.x, 0.85f - 0.225f) << "it moved with its two axes";
    EXPECT_EQ(columnOf(document, 4), firstColumn);
    // The hint points moved with their axes: the one of axis 0 is now on slot 4, that of axis 3 on slot 2.
    const Path& hints = *document.model().getPaths()->getUnlockedPath(0);
    EXPECT_TRUE(hints.hasHintPoint[4]);
    EXPECT_TRUE(hints.hasHintPoint[2]);
    EXPECT_FALSE(hints.hasHintPoint[0]);
    EXPECT_EQ(hints.hintPoints[4].y, hintsBefore.hintPoints[0].y);
    EXPECT_EQ(hints.hintPoints[4].x, document.model().getAxes()->getAxisPosition(4));
    expectPartitions(document);
    // Exactly what removing b, then a, gives: c's items unchanged, the rest back with the root's other child.
    Document removedByHand;
    load(removedByHand, randomIntegerTable(60, 5, 20, 11));
    stdoutOf([&] { buildReorderScene(removedByHand, true); });
    ASSERT_EQ(operatorsOf(removedByHand).size(), 1u);
    EXPECT_EQ(operatorsOf(removedByHand)[0]->controlList, left[0]->controlList);
    stdoutOf([&] { ASSERT_TRUE(document.undo()); });
    EXPECT_SAME_STATE(stateOf(document), before);
    EXPECT_EQ(leafOfItems(document), leaves);
    document.removeObserver(&listener);
    // Nothing to move: no step.
    EXPECT_FALSE(document.moveAxis(2, 2));
    EXPECT_FALSE(document.moveAxis(-1, 2));
    EXPECT_FALSE(document.moveAxis(0, 5));
}

// A flip mirrors the axis's values, hint points and the operators of its two
// gaps, whose items stay; flipping back gives the loaded values bit for bit.
TEST_F(DocumentTest, AFlipMirrorsTheAxisAndItsOperatorsWhichKeepTheirItems) {
    buildScene(document);
    // One more, on gap 3, away from the flipped axis, off the middle and turned.
    stdoutOf([&] {
        document.setFocusedOperator(document.model().getClusterTree()->getRoot());
        const AROperator* c = document.addOperator(0.8f, 0.3f, true, Color4(0, 1, 0, 0.8f));
        ASSERT_NE(c, nullptr);
        document.turnOperator(c, 0.4);
    });
    std::vector<const AROperator*> ops = operatorsOf(document);
    std::rotate(ops.begin(), ops.begin() + 1, ops.end());  // pre-order put the newest first: a, b, c
    ASSERT_EQ(ops[2]->leftAxis, 3);
    const double relativeYOfB = ops[1]->relativeY, angleOfA = ops[0]->angle;
    const double relativeYOfC = ops[2]->relativeY, angleOfC = ops[2]->angle;
    ASSERT_NE(relativeYOfB, 0.5);
    ASSERT_NE(angleOfA, 0.0);
    ASSERT_EQ(ops[0]->leftAxis, 0);
    ASSERT_EQ(ops[1]->leftAxis, 1);
    const std::vector<uint64_t> leaves = leafOfItems(document);
    const std::vector<float> column = columnOf(document, 1), other = columnOf(document, 2);
    const double relativeY = ops[0]->relativeY, angle = ops[1]->angle;
    const float hintY = document.model().getPaths()->getUnlockedPath(0)->hintPoints[1].y;
    const std::string minText = document.model().getData()->getAxisMinText(1);
    const std::string before = stateOf(document);
    stdoutOf([&] { ASSERT_TRUE(document.flipAxis(1)); });
    EXPECT_EQ(document.undoName(), "Flip Axis");
    EXPECT_EQ(leafOfItems(document), leaves);
    for (size_t i = 0; i < column.size(); ++i) EXPECT_NEAR(columnOf(document, 1)[i], 1.0f - column[i], 1e-6f) << i;
    EXPECT_EQ(columnOf(document, 2), other);
    EXPECT_DOUBLE_EQ(ops[0]->relativeY, 1.0 - relativeY);
    EXPECT_DOUBLE_EQ(ops[1]->angle, -angle);
    EXPECT_DOUBLE_EQ(ops[1]->relativeY, 1.0 - relativeYOfB);
    EXPECT_DOUBLE_EQ(ops[0]->angle, -angleOfA);
    // An operator on a gap away from the axis stays as it was.
    EXPECT_DOUBLE_EQ(ops[2]->relativeY, relativeYOfC);
    EXPECT_DOUBLE_EQ(ops[2]->angle, angleOfC);
    EXPECT_NEAR(document.model().getPaths()->getUnlockedPath(0)->hintPoints[1].y, 1.0f - hintY, 1e-6f);
    EXPECT_EQ(document.model().getData()->getAxisMaxText(1), minText) << "the labels swap";
    expectPartitions(document);
    stdoutOf([&] { ASSERT_TRUE(document.flipAxis(1)); });
    EXPECT_EQ(columnOf(document, 1), column) << "flipped twice: the loaded values to the bit";
    stdoutOf([&] { ASSERT_TRUE(document.undo()); });
    stdoutOf([&] { ASSERT_TRUE(document.undo()); });
    EXPECT_SAME_STATE(stateOf(document), before);
}

// Log scales: the values stand at log positions (missing ones stay below the
// foot), the labels keep the raw extremes, a column with a zero, a negative or
// no numbers is refused with its reason, and undo gives the linear values back.
TEST_F(DocumentTest, ALogScaleIsOnlyForPositiveNumbersAndPlacesValuesByTheirLogarithm) {
    load(document, "size,delta,kind\n1,0,x\n10,-1,y\n100,2,x\nNA,3,y\n1000,4,x\n");
    const std::string before = stateOf(document);
    const MultidimensionalData& table = *document.model().getData();
    std::string refusal;
    stdoutOf([&] { ASSERT_TRUE(document.setAxisLogarithmic(0, true, &refusal)); });
    EXPECT_EQ(document.undoName(), "Logarithmic Scale");
    const std::vector<float> expected = {0.0f, 1.0f / 3.0f, 2.0f / 3.0f, MultidimensionalData::kMissingValueNorm, 1.0f};
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(columnOf(document, 0)[i], expected[i], 1e-6f) << i;
    EXPECT_EQ(table.getAxisMinText(0), "1.00");
    EXPECT_EQ(table.getAxisMaxText(0), "1000.00");
    EXPECT_EQ(table.getValueText(1, 0), "10");
    // The histogram follows: the four values in four different bins.
    EXPECT_FLOAT_EQ(table.getHistogramEntry(0, MultidimensionalData::kHistogramBins / 3), 0.2f);
    EXPECT_FALSE(document.setAxisLogarithmic(1, true, &refusal));
    EXPECT_EQ(refusal, "A logarithmic scale needs values above 0: \"delta\" holds -1.00.");
    EXPECT_FALSE(document.setAxisLogarithmic(2, true, &refusal));
    EXPECT_EQ(refusal, "A logarithmic scale needs numbers: \"kind\" is a categorical column.");
    EXPECT_EQ(document.undoName(), "Logarithmic Scale") << "a refusal is no step";
    EXPECT_FALSE(document.setAxisLogarithmic(0, true)) << "it has one already";
    stdoutOf([&] { ASSERT_TRUE(document.flipAxis(0)); });
    EXPECT_NEAR(columnOf(document, 0)[1], 2.0f / 3.0f, 1e-6f) << "flipped and logarithmic";
    stdoutOf([&] { ASSERT_TRUE(document.setAxisLogarithmic(0, false)); });
    EXPECT_EQ(document.undoName(), "Linear Scale");
    EXPECT_NEAR(columnOf(document, 0)[1], 1.0f - 9.0f / 999.0f, 1e-6f);
    stdoutOf([&] { ASSERT_TRUE(document.undo() && document.undo() && document.undo()); });
    EXPECT_SAME_STATE(stateOf(document), before);
}

// Colour by a column: the items at the column's extremes take the map's end
// colours (whatever the axis's direction), a missing value the plain line
// colour; categories take the palette, largest first, the thirteenth on "other".
TEST_F(DocumentTest, ColouringByAColumnGivesEachItemTheColourOfItsValue) {
    std::string text = "v,cat\n";
    for (int i = 0; i < 30; ++i) text += std::to_string(i) + ",c" + std::to_string(i % 14) + "\n";
    text += "NA,c0\n";
    load(document, text);
    stdoutOf([&] { ASSERT_TRUE(document.setColourByDim(0)); });
    const std::vector<Color4>& colours = document.model().getItemColours();
    ASSERT_EQ(colours.size(), 31u);
    EXPECT_TRUE(colourIs(colours[0], Color4(0.267004f, 0.004874f, 0.329415f, ColourMap::kLineAlpha)));
    EXPECT_TRUE(colourIs(colours[29], Color4(0.993248f, 0.906157f, 0.143936f, ColourMap::kLineAlpha)));
    EXPECT_TRUE(colourIs(colours[30], document.model().getLineColor()));
    stdoutOf([&] { ASSERT_TRUE(document.flipAxis(0)); });
    EXPECT_TRUE(colourIs(document.model().getItemColours()[29], ColourMap::viridis(1.0f), 1e-5f) ||
                colourIs(document.model().getItemColours()[29], Color4(0.993248f, 0.906157f, 0.143936f, 0.75f)));
    // Reordered, it still colours by the same column.
    stdoutOf([&] { ASSERT_TRUE(document.moveAxis(0, 1)); });
    EXPECT_EQ(document.model().getColourByDim(), 1);
    stdoutOf([&] { ASSERT_TRUE(document.setColourByDim(0)); });
    const std::vector<Color4>& byCategory = document.model().getItemColours();
    // c0 has three items (one missing on v), the largest: the palette's first colour; c13 is the fourteenth: "other".
    Color4 first = ColourMap::qualitative(0), other = ColourMap::other();
    first.a = other.a = ColourMap::kLineAlpha;
    EXPECT_TRUE(colourIs(byCategory[0], first));
    EXPECT_TRUE(colourIs(byCategory[13], other));
    EXPECT_TRUE(colourIs(byCategory[12], other)) << "the thirteenth largest category is the first without a colour";
    EXPECT_FALSE(colourIs(byCategory[11], other));
    EXPECT_FALSE(colourIs(byCategory[1], first));
    const std::vector<ColourMap::LegendEntry> legend = ColourMap::legendOf(*document.model().getData(), 0);
    ASSERT_EQ(legend.size(), 13u);
    EXPECT_EQ(legend[0].text, "c0");
    EXPECT_EQ(legend[12].text, "other (2)");
    // Three categories: the palette's first three, largest first, and no "other".
    Document few;
    load(few, "kind\nb\na\nb\nc\nb\na\n");
    stdoutOf([&] { ASSERT_TRUE(few.setColourByDim(0)); });
    const std::vector<ColourMap::LegendEntry> fewLegend = ColourMap::legendOf(*few.model().getData(), 0);
    ASSERT_EQ(fewLegend.size(), 3u);
    EXPECT_EQ(fewLegend[0].text + fewLegend[1].text + fewLegend[2].text, "bac");
    Color4 second = ColourMap::qualitative(1);
    second.a = ColourMap::kLineAlpha;
    EXPECT_TRUE(colourIs(few.model().getItemColours()[1], second)) << "a: the second largest";
    const std::vector<Color4> categoryColours = byCategory;
    EXPECT_TRUE(ColourMap::legendOf(*document.model().getData(), 2).empty()) << "no such axis";
    stdoutOf([&] { ASSERT_TRUE(document.setColourByDim(-1)); });
    EXPECT_EQ(document.undoName(), "Plain Line Colour");
    EXPECT_TRUE(document.model().getItemColours().empty());
    EXPECT_FALSE(document.setColourByDim(-1)) << "no change, no step";
    // Undo and redo bring the colours back and take them away again.
    stdoutOf([&] { ASSERT_TRUE(document.undo()); });
    ASSERT_EQ(document.model().getItemColours().size(), categoryColours.size());
    for (size_t i = 0; i < categoryColours.size(); ++i) {
        EXPECT_TRUE(colourIs(document.model().getItemColours()[i], categoryColours[i])) << i;
    }
    stdoutOf([&] { ASSERT_TRUE(document.redo()); });
    EXPECT_TRUE(document.model().getItemColours().empty());
}

// Version 3 sessions keep the order, flips, scales and colour-by; the
// operators and hint points come back on the axes they were saved on.
TEST_F(DocumentTest, ASessionKeepsTheArrangementAndOlderSessionsOpenInFileOrder) {
    load(document, "a,b,c,d\n1,5,2,9\n2,3,4,1\n4,1,8,3\n8,2,16,6\n3,4,5,0\n");
    stdoutOf([&] {
        ASSERT_NE(document.addOperator(0.2f, 0.5f, true, Color4(1, 0, 0, 0.8f)), nullptr);
        document.addHintPoint(2, 0.4f);
        ASSERT_TRUE(document.moveAxis(3, 1));
        ASSERT_TRUE(document.flipAxis(0));
        ASSERT_TRUE(document.setAxisLogarithmic(3, true));
        ASSERT_TRUE(document.setColourByDim(2));
    });
    const std::string arranged = stateOf(document, Leave{true, false, false});
    const Session saved = document.captureSession();
    const std::string json = saved.toJson();
    EXPECT_NE(json.find("\"version\":3"), std::string::npos);
    EXPECT_NE(json.find("\"arrangement\":{\"colorBy\":1,\"flipped\":[true,false,false,false],"
                        "\"logarithmic\":[false,false,false,true],\"order\":[0,3,1,2]}"),
              std::string::npos)
        << json.substr(0, 600);
    Session read;
    std::string error;
    ASSERT_TRUE(Session::fromJson(json, &read, &error)) << error;
    Document reopened;
    reopened.replaceTable(loadTableQuietly(document.model().getData()->getSourcePath()));
    ASSERT_TRUE(read.checkAgainst(*reopened.model().getData(), &error)) << error;
    stdoutOf([&] { reopened.applySession(read, true); });
    EXPECT_SAME_STATE(stateOf(reopened, Leave{true, false, false}), arranged);

    // Broken arrangements are refused with the place named.
    auto refused = [&](const std::string& from, const std::string& to, const std::string& expected) {
        std::string text = json;
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
        Session bad;
        std::string problem;
        const bool readOk = Session::fromJson(text, &bad, &problem) && bad.checkAgainst(*reopened.model().getData(), &problem);
        EXPECT_FALSE(readOk) << expected;
        EXPECT_NE(problem.find(expected), std::string::npos) << problem;
    };
    refused("\"order\":[0,3,1,2]", "\"order\":[0,3,3,2]", "arrangement.order[2]: dimension 3 stands twice");
    refused("\"order\":[0,3,1,2]", "\"order\":[0,3,1]", "arrangement: expected one entry per dimension (4)");
    refused("\"colorBy\":1", "\"colorBy\":4", "arrangement.colorBy");
    refused("\"flipped\":[true,", "\"flipped\":[1,", "expected true or false");
    refused("\"logarithmic\":[false,false,", "\"logarithmic\":[false,true,",
            "arrangement.logarithmic[1]: A logarithmic scale needs values above 0: \"d\" holds 0.00.");
    // A version 2 session (no arrangement) opens in file order, upright and linear; version 3 needs it.
    std::string older = json;
    older.replace(older.find("\"version\":3"), 11, "\"version\":2");
    ASSERT_TRUE(Session::fromJson(older, &read, &error)) << error;
    EXPECT_EQ(read.arrangement.fileDims, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(read.arrangement.flipped, std::vector<char>(4, 0));
    EXPECT_EQ(read.arrangement.colourByFileDim, -1);
    const size_t from = json.find("\"arrangement\":");
    std::string without = json;
    without.erase(from, json.find('}', from) - from + 2);  // with the comma after it
    EXPECT_FALSE(Session::fromJson(without, &read, &error));
    EXPECT_NE(error.find("arrangement: missing"), std::string::npos) << error;
}

// The model's own guards: a flip of an axis that does not exist mirrors
// nothing; an arrangement with a log scale a column cannot have is named.
TEST_F(DocumentTest, TheModelRefusesArrangementsItCannotShow) {
    buildScene(document);
    TableModel& model = document.modelForSetUp();
    const std::string before = stateOf(document);
    EXPECT_FALSE(model.flipAxis(5));
    EXPECT_FALSE(model.flipAxis(-1));
    EXPECT_FALSE(model.setAxisLogarithmic(5, true));
    EXPECT_EQ(model.moveAxis(0, 5), -1);
    EXPECT_SAME_STATE(stateOf(document), before);
    TableModel::AxisArrangement arrangement = model.getAxisArrangement();
    EXPECT_EQ(model.describeBadArrangement(arrangement), "");
    arrangement.logarithmic[1] = 1;  // random integers from 0: a zero among them
    ASSERT_FALSE(model.getData()->describeLogRefusal(1).empty());
    EXPECT_EQ(model.describeBadArrangement(arrangement), model.getData()->describeLogRefusal(1));
    arrangement.logarithmic[1] = 0;
    arrangement.fileDims[0] = 1;
    EXPECT_EQ(model.describeBadArrangement(arrangement), "the axis order is not an order of the 5 axes");
    arrangement.fileDims[0] = 0;
    arrangement.colourByFileDim = 5;
    EXPECT_EQ(model.describeBadArrangement(arrangement), "the colour-by axis 5 does not exist");
    model.applyAxisArrangement(arrangement);  // refused as a whole
    EXPECT_SAME_STATE(stateOf(document), before);
}

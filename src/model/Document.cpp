#include "model/Document.h"

#include <algorithm>
#include <iostream>
#include <unordered_set>

#include "cluster/ClusterPath.h"
#include "cluster/MultidimensionalCluster.h"
#include "data/MultidimensionalData.h"
#include "layout/ParallelCoordinatesAxis.h"
#include "model/Session.h"
#include "operators/AROperator.h"
#include "operators/ClusterTree.h"

namespace {

// Parts the operations change.
constexpr unsigned kTreeEdit = kNodePart;
constexpr unsigned kHintEdit = kPathPart | kGroupPart;
constexpr unsigned kAxisEdit = kNodePlacePart | kPathPart;
// A new order, flip or scale moves hint points and may remove operators.
constexpr unsigned kArrangementEdit = kNodePart | kPathPart;

}  // namespace

Document::Document()
    : tableModel(std::make_unique<TableModel>()),
      history([this](unsigned parts) { return captureImage(parts); }) {}

Document::~Document() = default;

void Document::addObserver(DocumentObserver* observer) {
    if (std::find(observers.begin(), observers.end(), observer) == observers.end()) observers.push_back(observer);
}

void Document::removeObserver(DocumentObserver* observer) {
    observers.erase(std::remove(observers.begin(), observers.end(), observer), observers.end());
}

void Document::notify(DocumentChange::Kind kind, const std::string& stepName, const std::string& notice) {
    DocumentChange change;
    change.kind = kind;
    change.stepName = stepName;
    change.notice = notice;
    // An observer may add or remove observers while it is told: walk a copy.
    const std::vector<DocumentObserver*> told = observers;
    for (DocumentObserver* observer : told) {
        if (std::find(observers.begin(), observers.end(), observer) != observers.end()) observer->documentChanged(change);
    }
}

// --- The table -----------------------------------------------------------------------

void Document::replaceTable(MultidimensionalData* table) {
    const std::vector<DocumentObserver*> told = observers;
    for (DocumentObserver* observer : told) observer->tableWillChange();
    const bool wasOrdering = tableModel->isDensityOrderingPending();
    history.clear();
    graphLayout.restart();
    tableModel->linkMDdata(table);
    savedState = history.stateId();
    ++revision;
    notify(DocumentChange::kNewTable, "", wasOrdering ? "Density ordering cancelled" : "");
}

void Document::applySession(const Session& session, bool saved) {
    session.applyTo(*tableModel);
    display = session.display;
    colourChoice = session.colourChoice;
    history.clear();
    graphLayout.restart();
    savedState = saved ? history.stateId() : 0;  // 0: no state of the history
    ++revision;
    notify(DocumentChange::kNewTable, "");
}

Session Document::captureSession() const {
    Session session = Session::capture(*tableModel, display);
    session.colourChoice = colourChoice;
    return session;
}

TableModel& Document::modelForSetUp() {
    history.clear();
    savedState = history.stateId();
    graphLayout.restart();
    return *tableModel;
}

// --- Steps -------------------------------------------------------------------------

void Document::begin(const char* name, unsigned parts, uint64_t gesture) {
    orderingPendingBefore = tableModel->isDensityOrderingPending();
    history.beforeEdit(name, parts, gesture);
}

bool Document::finish(bool changed, const char* name, uint64_t gesture, const std::string& notice) {
    if (!changed) {
        history.editChangedNothing();
        return false;
    }
    if (gesture == 0) history.close();
    ++revision;
    // Operations that rewrite the item records cancel an ordering under way.
    const bool cancelled = orderingPendingBefore && !tableModel->isDensityOrderingPending();
    notify(DocumentChange::kEdit, name, !notice.empty() ? notice : cancelled ? "Density ordering cancelled" : "");
    return true;
}

void Document::endGesture() {
    if (!history.isStepOpen()) return;
    history.endGesture();
    notify(DocumentChange::kHistory, "");
}

void Document::settleHistory() {
    if (!history.hasEndedStep()) return;
    history.close();
    // A step that came back to where it began is dropped: undo and the saved state may differ now.
    notify(DocumentChange::kHistory, "");
}

bool Document::undo() {
    DocumentImage image;
    const std::string name = history.undoName();
    if (!history.undo(&image)) return false;
    restoreImage(image);
    ++revision;
    notify(DocumentChange::kUndo, name);
    return true;
}

bool Document::redo() {
    DocumentImage image;
    const std::string name = history.redoName();
    if (!history.redo(&image)) return false;
    restoreImage(image);
    ++revision;
    notify(DocumentChange::kRedo, name);
    return true;
}

void Document::markSaved() {
    history.close();
    savedState = history.stateId();
    notify(DocumentChange::kSaved, "");
}

DocumentImage Document::captureImage(unsigned parts) const {
    DocumentImage image;
    image.parts = parts | kScalarPart;
    const TableModel& model = *tableModel;
    image.scalars.display = display;
    image.scalars.colourChoice = colourChoice;
    image.scalars.gaussianOrdering = model.getGaussianOrdering();
    image.scalars.groupSort = model.getGroupSort();
    if (!model.isDataReady()) return image;
    image.scalars.arrangement = model.getAxisArrangement();
    const int dims = model.getData()->getActualDimNum();
    for (int d = 0; d < dims; ++d) {
        image.scalars.axisPositions.push_back(model.getAxes()->getAxisPosition(d));
        image.scalars.histogramWidths.push_back(model.getHistogramWidth(d));
    }
    const ClusterTree* operatorTree = model.getClusterTree();
    if (parts & (kNodePart | kNodePlacePart)) image.nodes = operatorTree->saveNodes((parts & kNodePart) != 0);
    if (operatorTree->getFocused() != nullptr) image.focusedId = operatorTree->getFocused()->id;
    if (parts & kPathPart) {
        const ClusterPath* paths = model.getPaths();
        for (int k = 0; k < paths->getUnlockedPathNum(); ++k) image.unlockedPaths.push_back(*paths->getUnlockedPath(k));
        for (int k = 0; k < paths->getLockedPathNum(); ++k) image.lockedPaths.push_back(*paths->getLockedPath(k));
        image.mixturesShown = model.hasMixtures();
    }
    if (parts & kGroupPart) {
        const MultidimensionalCluster* groups = model.getClusters();
        for (int k = 0; k < groups->getUnlockedGroupNum(); ++k) {
            DataItemGroup group;
            group.items = groups->getUnlockedGroup(k)->items;
            group.hidden = groups->getUnlockedGroup(k)->hidden;
            image.unlockedGroups.push_back(std::move(group));
        }
        for (int k = 0; k < groups->getLockedGroupNum(); ++k) {
            DataItemGroup group;
            group.items = groups->getLockedGroup(k)->items;
            group.hidden = groups->getLockedGroup(k)->hidden;
            group.locked = true;
            image.lockedGroups.push_back(std::move(group));
        }
    }
    return image;
}

void Document::restoreImage(const DocumentImage& image) {
    TableModel& model = *tableModel;
    const DocumentScalars& scalars = image.scalars;
    display = scalars.display;
    colourChoice = scalars.colourChoice;
    if (model.getGaussianOrdering() != scalars.gaussianOrdering) {
        model.setGaussianOrdering(scalars.gaussianOrdering, true);
    }
    model.restoreOrderingFlags(model.getGaussianOrdering(), scalars.groupSort);
    if (!model.isDataReady()) return;
    // The arrangement first: the tree and the paths below are those of the values it gives.
    model.applyAxisArrangement(scalars.arrangement);
    ParallelCoordinatesAxis* axes = model.getAxes();
    for (size_t d = 0; d < scalars.axisPositions.size(); ++d) {
        axes->setAxisPosition(static_cast<int>(d), scalars.axisPositions[d]);
        model.setHistogramWidth(static_cast<int>(d), scalars.histogramWidths[d]);
    }
    if (image.parts & kNodePart) {
        tree().restoreNodesKeepingIds(image.nodes, image.focusedId);
    } else if (image.parts & kNodePlacePart) {
        tree().restoreNodePlaces(image.nodes);
    }
    if (image.parts & kPathPart) {
        model.getPaths()->restorePaths(image.unlockedPaths, image.lockedPaths);
        model.restoreMixtures(image.mixturesShown);
    }
    if (image.parts & kGroupPart) model.getClusters()->restoreGroups(image.unlockedGroups, image.lockedGroups);
    graphLayout.restart();
}

// --- Operators -----------------------------------------------------------------------

const AROperator* Document::addOperator(float xView, float yView, bool primary, const Color4& colour,
                                        uint64_t gesture) {
    if (!ready()) return nullptr;
    begin("Add Operator", kTreeEdit, gesture);
    AROperator* added = tree().addAR(tableModel.get(), xView, yView, primary, colour);
    finish(added != nullptr, "Add Operator", gesture);
    return added;
}

bool Document::moveOperator(const AROperator* op, float xView, float yView, uint64_t gesture) {
    AROperator* node = ready() ? tree().own(op) : nullptr;
    if (node == nullptr || node->type != AROperator::kTypeRegular) return false;
    begin("Move Operator", kTreeEdit, gesture);
    tree().moveOperator(node, xView, yView);
    return finish(true, "Move Operator", gesture);
}

bool Document::turnOperator(const AROperator* op, double angle, uint64_t gesture) {
    AROperator* node = ready() ? tree().own(op) : nullptr;
    if (node == nullptr || node->type != AROperator::kTypeRegular) return false;
    begin("Turn Operator", kTreeEdit, gesture);
    tree().setOperatorAngle(node, angle);
    return finish(true, "Turn Operator", gesture);
}

bool Document::stepOperatorRadius(const AROperator* op, float wheelSteps, uint64_t gesture) {
    AROperator* node = ready() ? tree().own(op) : nullptr;
    if (node == nullptr || node->type != AROperator::kTypeRegular) return false;
    const double radius = std::clamp(node->radius + wheelSteps * kRadiusStep, kMinRadius, kMaxRadius);
    if (radius == node->radius) return false;
    begin("Resize Operator", kTreeEdit, gesture);
    tree().setOperatorRadius(node, radius);
    return finish(true, "Resize Operator", gesture);
}

bool Document::stepOperatorAngleWidth(const AROperator* op, float wheelSteps, uint64_t gesture) {
    AROperator* node = ready() ? tree().own(op) : nullptr;
    if (node == nullptr || node->type != AROperator::kTypeRegular) return false;
    const double width = std::clamp(node->angleWidth + wheelSteps * kAngleWidthStep, kMinAngleWidth, kMaxAngleWidth);
    if (width == node->angleWidth) return false;
    begin("Widen Operator", kTreeEdit, gesture);
    tree().setOperatorAngleWidth(node, width);
    return finish(true, "Widen Operator", gesture);
}

bool Document::removeOperator(const AROperator* op, uint64_t gesture) {
    AROperator* node = ready() ? tree().own(op) : nullptr;
    if (node == nullptr || node->parent == nullptr) return false;
    begin("Remove Operator", kTreeEdit, gesture);
    const bool removed = tree().removeAR(node);
    graphLayout.restart();
    return finish(removed, "Remove Operator", gesture);
}

bool Document::toggleOperatorLock(const AROperator* op, uint64_t gesture) {
    AROperator* node = ready() ? tree().own(op) : nullptr;
    if (node == nullptr || node->type != AROperator::kTypeRegular) return false;
    const char* name = node->locked ? "Unlock Operator" : "Lock Operator";
    begin(name, kTreeEdit, gesture);
    tree().toggleLock(node);
    return finish(true, name, gesture);
}

bool Document::paintOperators(const std::vector<const AROperator*>& nodes, const Color4& colour, uint64_t gesture) {
    if (!ready()) return false;
    std::vector<AROperator*> inTree;
    tree().collectNodes(&inTree);
    const std::unordered_set<const AROperator*> held(inTree.begin(), inTree.end());
    std::vector<AROperator*> painted;
    for (const AROperator* node : nodes) {
        if (node != nullptr && node->type == AROperator::kTypeRegular && held.count(node) != 0) {
            painted.push_back(const_cast<AROperator*>(node));  // the tree's own node, found in it
        }
    }
    if (painted.empty()) return false;
    begin("Paint Operators", kTreeEdit, gesture);
    for (AROperator* node : painted) tree().paintNode(node, colour);
    return finish(true, "Paint Operators", gesture);
}

// --- Hint paths ------------------------------------------------------------------------

int Document::addHintPoint(int axis, float yView, uint64_t gesture) {
    if (!ready() || axis < 0 || axis >= tableModel->getAxes()->getAxisNum()) return -1;
    ClusterPath* paths = tableModel->getPaths();
    const int path = paths->getAvailableIndex(axis);
    const float axisX = tableModel->getAxes()->getAxisPosition(axis);
    begin("Add Hint Point", kHintEdit, gesture);
    paths->addHintPoint(path, axis, axisX, yView);  // on the axis, not at the pointer's x
    std::cout << "add hint point at " << axisX << "," << yView << " with pathIndex = " << path << std::endl;
    tableModel->updateGaussianMixtures();
    finish(true, "Add Hint Point", gesture);
    return path;
}

bool Document::moveHintPoint(int path, int dim, float yView, uint64_t gesture) {
    if (!ready() || tableModel->getPaths()->getUnlockedPath(path) == nullptr) return false;
    const float axisX = tableModel->getAxes()->getAxisPosition(dim);
    begin("Move Hint Point", kHintEdit, gesture);
    const bool moved = tableModel->getPaths()->adjustHintPoint(path, dim, axisX, yView);
    if (moved) tableModel->updateGaussianMixtures();
    return finish(moved, "Move Hint Point", gesture);
}

bool Document::deleteHintPoint(int path, int dim, uint64_t gesture) {
    if (!ready()) return false;
    const Path* target = static_cast<const ClusterPath*>(tableModel->getPaths())->getUnlockedPath(path);
    if (target == nullptr || dim < 0 || dim >= static_cast<int>(target->hasHintPoint.size()) ||
        !target->hasHintPoint[static_cast<size_t>(dim)]) {
        return false;
    }
    begin("Delete Hint Point", kHintEdit, gesture);
    const bool deleted = tableModel->getPaths()->deleteHintPoint(path, dim);
    if (deleted) tableModel->updateGaussianMixtures();
    return finish(deleted, "Delete Hint Point", gesture);
}

bool Document::stepHintDeviation(int path, int dim, float wheelSteps, uint64_t gesture) {
    if (!ready()) return false;
    const Path* target = static_cast<const ClusterPath*>(tableModel->getPaths())->getUnlockedPath(path);
    if (target == nullptr || dim < 0 || dim >= static_cast<int>(target->deviations.size())) return false;
    const float deviation = target->deviations[static_cast<size_t>(dim)];
    // Never below one step (nor lower than it already was): a deviation of 0
    // or less would make the path match no item at all.
    const float stepped = std::max(deviation + wheelSteps * kDeviationStep, std::min(deviation, kMinDeviation));
    begin("Change Deviation", kHintEdit, gesture);
    tableModel->getPaths()->setDeviation(path, dim, stepped);
    tableModel->updateGaussianMixtures();
    return finish(true, "Change Deviation", gesture);
}

bool Document::stepHintPoint(int path, int dim, HintStep step, uint64_t gesture) {
    if (!ready() || static_cast<const ClusterPath*>(tableModel->getPaths())->getUnlockedPath(path) == nullptr) {
        return false;
    }
    const bool peak = step == HintStep::kPeakUp || step == HintStep::kPeakDown;
    const char* name = peak ? "Change Peak" : "Change Deviation";
    ClusterPath* paths = tableModel->getPaths();
    begin(name, kHintEdit, gesture);
    switch (step) {
        case HintStep::kPeakUp: paths->increasePeakValue(path, dim); break;
        case HintStep::kPeakDown: paths->decreasePeakValue(path, dim); break;
        case HintStep::kDeviationUp: paths->increaseDeviationValue(path, dim); break;
        case HintStep::kDeviationDown: paths->decreaseDeviationValue(path, dim); break;
    }
    tableModel->updateGaussianMixtures();
    return finish(true, name, gesture);
}

bool Document::stepHintPath(int path, HintStep step, uint64_t gesture) {
    if (!ready() || static_cast<const ClusterPath*>(tableModel->getPaths())->getUnlockedPath(path) == nullptr) {
        return false;
    }
    const bool peak = step == HintStep::kPeakUp || step == HintStep::kPeakDown;
    const char* name = peak ? "Change Path Peaks" : "Change Path Deviations";
    ClusterPath* paths = tableModel->getPaths();
    begin(name, kHintEdit, gesture);
    switch (step) {
        case HintStep::kPeakUp: paths->increasePathPeakValue(path); break;
        case HintStep::kPeakDown: paths->decreasePathPeakValue(path); break;
        case HintStep::kDeviationUp: paths->increasePathDeviationValue(path); break;
        case HintStep::kDeviationDown: paths->decreasePathDeviationValue(path); break;
    }
    tableModel->updateGaussianMixtures();
    return finish(true, name, gesture);
}

bool Document::toggleHintPathLock(int path, bool locked, uint64_t gesture) {
    if (!ready()) return false;
    const ClusterPath* paths = tableModel->getPaths();
    if ((locked ? paths->getLockedPath(path) : paths->getUnlockedPath(path)) == nullptr) return false;
    const char* name = locked ? "Unlock Hint Path" : "Lock Hint Path";
    begin(name, kHintEdit, gesture);
    tableModel->toggleHintPathLock(path, locked);
    return finish(true, name, gesture);
}

bool Document::toggleLockedGroupHidden(int group, uint64_t gesture) {
    if (!ready()) return false;
    const DataItemGroup* target = static_cast<const MultidimensionalCluster*>(tableModel->getClusters())->getLockedGroup(group);
    if (target == nullptr) return false;
    const char* name = target->hidden ? "Show Locked Group" : "Hide Locked Group";
    const bool hidden = !target->hidden;
    begin(name, kGroupPart, gesture);
    tableModel->getClusters()->setGroupHideState(hidden, group);
    return finish(true, name, gesture);
}

bool Document::clearHintPaths(uint64_t gesture) {
    if (!ready()) return false;
    begin("Clear Hint Paths", kHintEdit, gesture);
    tableModel->clearClusterPaths();
    return finish(true, "Clear Hint Paths", gesture);
}

// --- Axes ------------------------------------------------------------------------------

bool Document::spreadAxes(int region, float wheelSteps, uint64_t gesture) {
    if (!ready() || region < 0 || region + 1 >= tableModel->getAxes()->getAxisNum()) return false;
    begin("Move Axes", kAxisEdit, gesture);
    tableModel->adjustAxisPositions(region, wheelSteps);
    return finish(true, "Move Axes", gesture);
}

bool Document::stepHistogramWidth(int dim, float wheelSteps, uint64_t gesture) {
    if (!ready() || dim < 0 || dim >= tableModel->getData()->getActualDimNum()) return false;
    begin("Change Histogram Width", kScalarPart, gesture);
    tableModel->stepHistogramWidth(dim, wheelSteps * kHistogramWidthStep);
    return finish(true, "Change Histogram Width", gesture);
}

bool Document::moveAxis(int from, int to, uint64_t gesture) {
    const int dims = ready() ? tableModel->getData()->getActualDimNum() : 0;
    if (from < 0 || from >= dims || to < 0 || to >= dims || from == to) return false;
    begin("Reorder Axes", kArrangementEdit, gesture);
    const int removed = tableModel->moveAxis(from, to);
    graphLayout.restart();
    std::string notice;
    if (removed > 0) {
        notice = std::to_string(removed) + (removed == 1 ? " operator" : " operators") +
                 " removed: the reorder separated the axes they stood between";
    }
    return finish(removed >= 0, "Reorder Axes", gesture, notice);
}

bool Document::flipAxis(int dim, uint64_t gesture) {
    if (!ready() || dim < 0 || dim >= tableModel->getData()->getActualDimNum()) return false;
    begin("Flip Axis", kArrangementEdit, gesture);
    return finish(tableModel->flipAxis(dim), "Flip Axis", gesture);
}

bool Document::setAxisLogarithmic(int dim, bool on, std::string* refusal, uint64_t gesture) {
    if (!ready() || dim < 0 || dim >= tableModel->getData()->getActualDimNum()) return false;
    if (on) {
        const std::string why = tableModel->getData()->describeLogRefusal(dim);
        if (!why.empty()) {
            if (refusal) *refusal = why;
            refuse(why);
            return false;
        }
    }
    const char* name = on ? "Logarithmic Scale" : "Linear Scale";
    begin(name, kArrangementEdit, gesture);
    return finish(tableModel->setAxisLogarithmic(dim, on), name, gesture);
}

bool Document::setColourByDim(int dim, uint64_t gesture) {
    if (!ready() || dim < -1 || dim >= tableModel->getData()->getActualDimNum()) return false;
    const char* name = dim >= 0 ? "Colour By Column" : "Plain Line Colour";
    begin(name, kScalarPart, gesture);
    return finish(tableModel->setColourByDim(dim), name, gesture);
}

// --- Display switches, ordering, colour band ----------------------------------------

bool Document::setDisplay(const DisplaySwitches& switches, const char* name, uint64_t gesture) {
    begin(name, kScalarPart, gesture);
    display = switches;
    return finish(true, name, gesture);
}

bool Document::toggleHistograms(uint64_t gesture) {
    DisplaySwitches switches = display;
    switches.showHistograms = !switches.showHistograms;
    return setDisplay(switches, switches.showHistograms ? "Show Histograms" : "Hide Histograms", gesture);
}

bool Document::toggleMixtures(uint64_t gesture) {
    DisplaySwitches switches = display;
    switches.showMixtures = !switches.showMixtures;
    return setDisplay(switches, switches.showMixtures ? "Show Mixtures" : "Hide Mixtures", gesture);
}

bool Document::toggleHintPaths(uint64_t gesture) {
    DisplaySwitches switches = display;
    switches.showHintPaths = !switches.showHintPaths;
    return setDisplay(switches, switches.showHintPaths ? "Show Hint Paths" : "Hide Hint Paths", gesture);
}

bool Document::toggleAllHints(uint64_t gesture) {
    const bool on = display.allHintsOff;  // the next press turns them all on
    DisplaySwitches switches;
    switches.showHistograms = switches.showMixtures = switches.showHintPaths = on;
    switches.allHintsOff = !on;
    return setDisplay(switches, on ? "Show All Hints" : "Hide All Hints", gesture);
}

bool Document::toggleDensityOrdering(bool inBackground, uint64_t gesture) {
    const bool on = !tableModel->getGaussianOrdering();
    const char* name = on ? "Order by Density" : "Stop Ordering by Density";
    begin(name, kScalarPart, gesture);
    tableModel->setGaussianOrdering(on, inBackground);
    return finish(true, name, gesture);
}

bool Document::toggleGroupSort(uint64_t gesture) {
    const bool on = !tableModel->getGroupSort();
    const char* name = on ? "Sort Groups" : "Stop Sorting Groups";
    std::cout << "Group sort is " << (on ? "activated" : "deactivated") << " !" << std::endl;
    begin(name, kGroupPart, gesture);
    tableModel->setGroupSort(on);
    return finish(true, name, gesture);
}

bool Document::chooseColour(float xBand, float yBand, uint64_t gesture) {
    const ColourChoice chosen = ColourChoice::within(xBand, yBand);
    if (chosen == colourChoice) return false;
    begin("Choose Colour", kScalarPart, gesture);
    colourChoice = chosen;
    return finish(true, "Choose Colour", gesture);
}

// --- Not edits -------------------------------------------------------------------------

bool Document::finishDensityOrdering() {
    if (tableModel->isDensityOrderingDone()) settleHistory();  // the ordering is no part of the step before it
    if (!tableModel->finishDensityOrdering()) return false;
    notify(DocumentChange::kOrdered, "", "Items ordered by density");
    return true;
}

void Document::setFocusedOperator(const AROperator* node) {
    if (!ready()) return;
    AROperator* target = tree().own(node);
    if (target == nullptr || target == tree().getFocused()) return;
    tree().setFocused(target);
    notify(DocumentChange::kFocus, "");
}

void Document::setViewAspect(float widthOverHeight) {
    if (widthOverHeight > 0) tableModel->setAspect(widthOverHeight);
}

bool Document::stepGraphLayout(const AROperator* heldNode) {
    if (!ready()) return false;
    return graphLayout.tick(tree(), tableModel->getData()->getDataNum(), heldNode);
}

void Document::putGraphNode(const AROperator* node, double xGraph, double yGraph) {
    AROperator* target = ready() ? tree().own(node) : nullptr;
    if (target != nullptr) GraphLayout::putNode(target, xGraph, yGraph);
}

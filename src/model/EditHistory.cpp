#include "model/EditHistory.h"

#include <unordered_map>
#include <utility>

namespace {

// Puts the places of `placed` (nodes without lists, by serial number) into `nodes`.
void keepPlaces(const std::vector<ClusterTree::NodeState>& placed, std::vector<ClusterTree::NodeState>* nodes) {
    std::unordered_map<uint64_t, const ClusterTree::NodeState*> placeOf;
    placeOf.reserve(placed.size());
    for (const ClusterTree::NodeState& node : placed) placeOf.emplace(node.id, &node);
    for (ClusterTree::NodeState& node : *nodes) {
        const auto found = placeOf.find(node.id);
        if (found == placeOf.end()) continue;
        const ClusterTree::NodeState& place = *found->second;
        node.x = place.x;
        node.y = place.y;
        node.leftAxis = place.leftAxis;
        node.relativeX = place.relativeX;
        node.relativeY = place.relativeY;
        node.axisSpacing = place.axisSpacing;
    }
}

}  // namespace

EditHistory::EditHistory(Capture captureImage) : capture(std::move(captureImage)) {}

EditHistory::~EditHistory() = default;

void EditHistory::beforeEdit(const std::string& name, unsigned parts, uint64_t gesture) {
    parts |= kScalarPart;
    if (open != nullptr && gesture != 0 && open->gesture == gesture) {
        // The gesture goes on. Parts its earlier edits did not declare are
        // still as they were when it began: they join the before-image now.
        openedByLastEdit = false;
        const unsigned missing = parts & ~open->before.parts;
        if (missing == 0) return;
        DocumentImage extra = capture(missing);
        DocumentImage& before = open->before;
        if (missing & kNodePart) {
            // The places may have moved since the gesture began (the axes
            // moved under the nodes): those of the before-image stay.
            if (before.parts & kNodePlacePart) keepPlaces(before.nodes, &extra.nodes);
            before.nodes = std::move(extra.nodes);
            before.focusedId = extra.focusedId;
        } else if ((missing & kNodePlacePart) && !(before.parts & kNodePart)) {
            before.nodes = std::move(extra.nodes);
        }
        if (missing & kPathPart) {
            before.unlockedPaths = std::move(extra.unlockedPaths);
            before.lockedPaths = std::move(extra.lockedPaths);
            before.mixturesShown = extra.mixturesShown;
        }
        if (missing & kGroupPart) {
            before.unlockedGroups = std::move(extra.unlockedGroups);
            before.lockedGroups = std::move(extra.lockedGroups);
        }
        // The node part holds the places too.
        before.parts |= missing;
        if (before.parts & kNodePart) before.parts &= ~kNodePlacePart;
        return;
    }
    close();
    if (parts & kNodePart) parts &= ~kNodePlacePart;
    open = std::make_unique<OpenStep>();
    open->name = name;
    open->gesture = gesture;
    open->stateBefore = currentState;
    open->stateAfter = ++lastState;
    open->before = capture(parts);
    currentState = open->stateAfter;
    openedByLastEdit = true;
}

void EditHistory::editChangedNothing() {
    // Only a step this very edit opened is dropped: one the gesture's earlier
    // edits changed stays.
    if (open == nullptr || !openedByLastEdit) return;
    currentState = open->stateBefore;
    open.reset();
}

void EditHistory::endGesture() {
    if (open != nullptr) open->gesture = 0;
}

void EditHistory::close() {
    if (open == nullptr) return;
    std::unique_ptr<OpenStep> closing = std::move(open);
    const DocumentImage after = capture(closing->before.parts);
    Step step;
    step.name = std::move(closing->name);
    step.parts = closing->before.parts;
    step.stateBefore = closing->stateBefore;
    step.stateAfter = closing->stateAfter;
    step.undo = ImageDelta::between(after, closing->before, positions);
    if (step.undo.changesNothing()) {
        // The edits came back to where they began (or changed nothing that
        // is kept): no step.
        if (currentState == closing->stateAfter) currentState = closing->stateBefore;
        return;
    }
    dropRedoSteps();  // a new step: what was undone before it cannot be redone after it
    step.redo = ImageDelta::between(closing->before, after, positions);
    step.bytes = step.undo.bytes() + step.redo.bytes();
    stepBytes += step.bytes;
    undoSteps.push_back(std::move(step));
    keepWithinBounds();
}

void EditHistory::clear() {
    open.reset();
    undoSteps.clear();
    redoSteps.clear();
    stepBytes = 0;
    currentState = ++lastState;
    positions.clear();
    positions.shrink_to_fit();
}

std::string EditHistory::undoName() const {
    if (open != nullptr) return open->name;
    return undoSteps.empty() ? std::string() : undoSteps.back().name;
}

std::string EditHistory::redoName() const {
    if (open != nullptr) return std::string();
    return redoSteps.empty() ? std::string() : redoSteps.back().name;
}

bool EditHistory::undo(DocumentImage* image) {
    close();
    if (undoSteps.empty()) return false;
    Step step = std::move(undoSteps.back());
    undoSteps.pop_back();
    const DocumentImage now = capture(step.parts);
    if (!step.undo.applyTo(now, image)) {
        stepBytes -= step.bytes;
        clear();
        return false;
    }
    currentState = step.stateBefore;
    redoSteps.push_back(std::move(step));
    return true;
}

bool EditHistory::redo(DocumentImage* image) {
    close();
    if (redoSteps.empty()) return false;
    Step step = std::move(redoSteps.back());
    redoSteps.pop_back();
    const DocumentImage now = capture(step.parts);
    if (!step.redo.applyTo(now, image)) {
        stepBytes -= step.bytes;
        clear();
        return false;
    }
    currentState = step.stateAfter;
    undoSteps.push_back(std::move(step));
    return true;
}

void EditHistory::dropRedoSteps() {
    for (const Step& step : redoSteps) stepBytes -= step.bytes;
    redoSteps.clear();
}

void EditHistory::keepWithinBounds() {
    while (undoSteps.size() > 1 && (undoSteps.size() > kMaxSteps || stepBytes > kMaxBytes)) {
        stepBytes -= undoSteps.front().bytes;
        undoSteps.pop_front();
    }
}

// EditHistory: the steps a document can be taken back and forth through.
//
// A step is one or more edits of one gesture (a drag, a wheel burst, a key
// held down: the edits share a gesture number, and each edit after the
// first joins the open step). While a step is open it holds the image of
// the parts its edits declared, as they were before its first edit; the
// step is closed by the next edit of another gesture, by an undo or redo,
// or by a save, and then keeps only what differs between before and after,
// both ways (ImageDelta). Memory is bounded: at most kMaxSteps steps and
// kMaxBytes of deltas; beyond either the oldest steps are let go (the
// newest always stays).
//
// The history does not reach into the document: it reads images through
// the capture function it is given, and hands images back for the document
// to restore.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "model/DocumentImage.h"

class EditHistory {
public:
    static constexpr size_t kMaxSteps = 1000;
    static constexpr size_t kMaxBytes = size_t(192) << 20;

    // The document's image of the given parts (DocumentPart bits) as it is now.
    using Capture = std::function<DocumentImage(unsigned parts)>;

    explicit EditHistory(Capture capture);
    ~EditHistory();
    EditHistory(const EditHistory&) = delete;
    EditHistory& operator=(const EditHistory&) = delete;

    // Before an edit called `name` that may change `parts`: with the gesture
    // of the open step (gesture != 0) it joins that step; otherwise the open
    // step is closed and a new one opened, holding the image of `parts` as it
    // is now. Steps that could be redone are let go once the new one has
    // changed something.
    void beforeEdit(const std::string& name, unsigned parts, uint64_t gesture);
    // After an edit announced by beforeEdit that changed nothing: a step it
    // opened is dropped again.
    void editChangedNothing();
    // The gesture of the open step has ended: no later edit joins the step.
    // It stays open, its changes not yet worked out, until close().
    void endGesture();
    // Whether the open step's gesture has ended (close() has work waiting).
    bool hasEndedStep() const { return open != nullptr && open->gesture == 0; }
    // Closes the open step, if any: what it changed is worked out and kept.
    void close();
    // Lets every step go (a new table): the history starts afresh.
    void clear();

    bool canUndo() const { return open != nullptr || !undoSteps.empty(); }
    bool canRedo() const { return open == nullptr && !redoSteps.empty(); }
    // The name of the step an undo (redo) would take back (do again); empty when there is none.
    std::string undoName() const;
    std::string redoName() const;
    // Closes the open step, then gives the image of the newest step's parts
    // as they were before it (after it, for redo), for the document to
    // restore, and moves the step to the other side. False when there is no
    // step, or when the document is not in the state the step left it in
    // (the history is then cleared).
    bool undo(DocumentImage* image);
    bool redo(DocumentImage* image);

    // A number for the state the document is in: every step done, undone or
    // redone changes it, and coming back to a state by undo or redo gives
    // that state's number again (the document is "saved" at one of them).
    uint64_t stateId() const { return currentState; }
    // Steps that can be undone and redone, and the memory their deltas hold.
    size_t undoCount() const { return undoSteps.size(); }
    size_t redoCount() const { return redoSteps.size(); }
    size_t bytes() const { return stepBytes; }
    // Whether a step is open (its edits not yet worked out).
    bool isStepOpen() const { return open != nullptr; }

private:
    struct Step {
        std::string name;
        unsigned parts = 0;
        uint64_t stateBefore = 0, stateAfter = 0;
        ImageDelta undo;  // after -> before
        ImageDelta redo;  // before -> after
        size_t bytes = 0;
    };
    struct OpenStep {
        std::string name;
        uint64_t gesture = 0;  // 0: no later edit joins the step (its gesture ended, or it had none)
        uint64_t stateBefore = 0, stateAfter = 0;
        DocumentImage before;
    };
    void dropRedoSteps();
    void keepWithinBounds();

    Capture capture;
    std::unique_ptr<OpenStep> open;
    bool openedByLastEdit = false;  // the open step was opened by the latest beforeEdit
    std::deque<Step> undoSteps;  // oldest first
    std::deque<Step> redoSteps;  // the next redo last
    size_t stepBytes = 0;
    uint64_t currentState = 1;
    uint64_t lastState = 1;            // the highest state number given out
    std::vector<int32_t> positions;    // scratch of the list coding, one entry per item
};

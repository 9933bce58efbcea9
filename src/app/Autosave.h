// Autosave: keeps the document's unsaved work in its table's recovery file
// (RecoveryStore), so that nothing is lost when the program is killed or
// quits: once the user pauses after a change (kPauseSeconds), at the latest
// kLongestWaitSeconds after the first unsaved change while changes keep
// coming, before the table is replaced, and when the program quits
// (saveNow). A document with nothing unsaved keeps no recovery file: saving
// the session, or undoing back to what was saved, removes it.
//
// When the file cannot be written (a read-only or full state folder) the
// work goes on; the status line says that autosave is off and why, and every
// later pause tries again.
#pragma once

#include <functional>
#include <string>

#include "model/Document.h"
#include "model/RecoveryStore.h"

class Autosave : public DocumentObserver {
public:
    static constexpr double kPauseSeconds = 2.0;
    static constexpr double kLongestWaitSeconds = 8.0;

    // Watches `document` (not owned; it outlives this object); `status`
    // shows a line to the user.
    Autosave(Document& document, RecoveryStore store, std::function<void(const std::string&)> status);
    ~Autosave();
    Autosave(const Autosave&) = delete;
    Autosave& operator=(const Autosave&) = delete;

    void tableWillChange() override;
    void documentChanged(const DocumentChange& change) override;

    // Writes the recovery file now if anything is unsaved (removes this
    // run's file when nothing is); true when the work is safe.
    bool saveNow();
    // A save is waiting for the user's pause.
    bool isPending() const { return pending; }
    // Autosave could not write the last time it tried; why.
    bool isOff() const { return !problem.empty(); }
    const std::string& getProblem() const { return problem; }
    const RecoveryStore& getStore() const { return store; }
    // Whether the table's recovery file is this run's (written by it, or
    // taken over when restored); one from an earlier run is never replaced
    // before it has been offered and set aside.
    bool ownsRecoveryFile() const { return owns; }
    // The recovery file now holds this run's work (its work was restored from it).
    void takeOverRecoveryFile() { owns = true; }

private:
    static void timerFired(void* autosave);
    void schedule();
    // Records why a write failed and says so; false.
    bool turnOff(const std::string& error);

    Document& document;
    RecoveryStore store;
    std::function<void(const std::string&)> status;
    bool pending = false;       // a timer is set
    double firstChangeAt = 0;   // seconds (steady clock) of the first change the pending save waits for
    bool owns = false;          // the current table's recovery file is this run's
    std::string problem;        // why the last write failed; empty when it did not
};

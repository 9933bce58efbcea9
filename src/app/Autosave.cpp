#include "app/Autosave.h"

#include <FL/Fl.H>

#include <algorithm>
#include <chrono>
#include <iostream>

#include "data/MultidimensionalData.h"
#include "model/Session.h"

namespace {

double nowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

Autosave::Autosave(Document& watched, RecoveryStore recoveryStore, std::function<void(const std::string&)> tell)
    : document(watched), store(std::move(recoveryStore)), status(std::move(tell)) {
    document.addObserver(this);
}

Autosave::~Autosave() {
    Fl::remove_timeout(timerFired, this);
    document.removeObserver(this);
}

void Autosave::tableWillChange() {
    // The work on the table that goes is kept before it goes.
    saveNow();
    Fl::remove_timeout(timerFired, this);
    pending = false;
}

void Autosave::documentChanged(const DocumentChange& change) {
    switch (change.kind) {
        case DocumentChange::kNewTable:
            // A file of the new table is an earlier run's until it is offered;
            // work recovered into the document is saved at the next pause.
            owns = false;
            if (document.isModified()) schedule();
            break;
        case DocumentChange::kSaved:
            if (owns) store.remove(document.model().getData()->getSourcePath());
            owns = false;
            Fl::remove_timeout(timerFired, this);
            pending = false;
            break;
        case DocumentChange::kEdit:
        case DocumentChange::kUndo:
        case DocumentChange::kRedo:
            schedule();
            break;
        default:
            break;
    }
}

void Autosave::schedule() {
    const double now = nowSeconds();
    if (!pending) firstChangeAt = now;
    pending = true;
    const double due = std::min(now + kPauseSeconds, firstChangeAt + kLongestWaitSeconds);
    Fl::remove_timeout(timerFired, this);
    Fl::add_timeout(std::max(due - now, 0.0), timerFired, this);
}

void Autosave::timerFired(void* autosave) {
    auto* self = static_cast<Autosave*>(autosave);
    self->pending = false;
    self->saveNow();
}

bool Autosave::saveNow() {
    Fl::remove_timeout(timerFired, this);
    pending = false;
    const MultidimensionalData* table = document.model().getData();
    if (!document.model().isDataReady() || table == nullptr || !table->isLoaded()) return true;
    if (!document.isModified()) {
        // Nothing unsaved: no work to recover (a file of an earlier run stays).
        if (owns) store.remove(table->getSourcePath());
        owns = false;
        return true;
    }
    if (!owns && !store.filesFor(table->getSourcePath()).empty() &&
        store.filesFor(table->getSourcePath()).front().path == store.fileFor(table->getSourcePath())) {
        // An earlier run's work that was never offered: set it aside first,
        // and never write over it when that fails.
        std::string error;
        if (store.setAside(table->getSourcePath(), &error).empty() && !error.empty()) return turnOff(error);
    }
    std::string error;
    const bool wasOff = isOff();
    if (!store.write(document.captureSession(), &error)) return turnOff(error);
    owns = true;
    problem.clear();
    if (wasOff && status) status("Autosave is on again");
    return true;
}

bool Autosave::turnOff(const std::string& error) {
    problem = error;
    std::cerr << "Autosave is off: " << problem << std::endl;
    if (status) status("Autosave is off: " + problem);
    return false;
}

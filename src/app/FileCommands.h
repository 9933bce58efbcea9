// The File menu's commands that take the user's work out of the program and
// back: export the clusters, save and open a session, recover unsaved work,
// save a picture. Each asks for a file (the choosers start in the folder last
// used), does its work, says what it did in the status line, and tells the
// user in a dialog (and on standard error) when something goes wrong; a
// failure never changes the work on screen.
#pragma once

#include <functional>
#include <string>

class MainWindow;

// Where problems go: by default a dialog and standard error. Tests put their
// own reporter here, so that no dialog waits for a click.
void setProblemReporter(std::function<void(const std::string&)> reporter);
// Who answers the offer of recovered work: by default a dialog with the
// buttons "Set Aside" and "Restore"; true restores. Tests answer themselves.
void setRecoveryAnswerer(std::function<bool(const std::string& question)> answerer);

// The folder a file chooser starts in: the folder of the file last chosen,
// or `fallback` before any.
std::string startFolder(const std::string& fallback);
void rememberFolder(const std::string& chosenPath);

void exportClusters(MainWindow& main);
void saveSession(MainWindow& main);
void openSession(MainWindow& main);
// Opens the session file at `path` (also used at start-up by --session), on
// its own table or on `table` when that is given. False when it could not be
// opened; the view then is as it was. `recovered`: the file holds unsaved
// work kept for recovery (the document counts as unsaved once it is in).
bool openSessionFile(MainWindow& main, const std::string& path, const std::string& table = "",
                     bool recovered = false);

// Unsaved work an earlier run kept for the table on screen (see
// RecoveryStore): kAsk offers it in a dialog naming the file and when it was
// written, kRestore restores it without asking. Work not taken, or that
// cannot be restored (unreadable, or for the table as it was before it
// changed), is set aside, never lost; the status line says so. Nothing
// happens when there is nothing to recover. True when work was restored.
enum class RecoveryChoice { kAsk, kRestore };
bool offerRecovery(MainWindow& main, RecoveryChoice choice);
// File > Recover: the newest work kept for the table on screen that this run
// did not write itself (an earlier run's, or set aside), offered in a dialog;
// the status line says when there is none.
void recoverWork(MainWindow& main);

// The view alone, or the whole main window (taken once the file chooser has
// closed and the window has drawn itself anew).
void saveViewImage(MainWindow& main);
void saveWindowImage(MainWindow& main);
// After File > Open: a dialog with what the loader reported about the new
// table (missing values, unreadable fields, renamed columns, bad rows), if anything.
void reportTableProblems(MainWindow& main);

// The File menu's commands that take the user's work out of the program and
// back: export the clusters, save and open a session, save a picture. Each
// asks for a file, does its work, and tells the user in a dialog (and on
// standard error) when something goes wrong; a failure never changes the
// work on screen.
#pragma once

#include <functional>
#include <string>

class MainWindow;

// Where problems go: by default a dialog and standard error. Tests put their
// own reporter here, so that no dialog waits for a click.
void setProblemReporter(std::function<void(const std::string&)> reporter);

void exportClusters(MainWindow& main);
void saveSession(MainWindow& main);
void openSession(MainWindow& main);
// Opens the session file at `path` (also used at start-up by --session), on
// its own table or on `table` when that is given. False when it could not be
// opened; the view then is as it was.
bool openSessionFile(MainWindow& main, const std::string& path, const std::string& table = "");
// The view alone, or the whole main window.
void saveViewImage(MainWindow& main);
void saveWindowImage(MainWindow& main);
// After File > Open: a dialog with what the loader reported about the new
// table (missing values, unreadable fields, renamed columns, bad rows), if anything.
void reportTableProblems(MainWindow& main);

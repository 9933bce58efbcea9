#include "app/FileCommands.h"

#include <FL/Fl_File_Chooser.H>
#include <FL/fl_ask.H>

#include <filesystem>
#include <iostream>
#include <memory>
#include <system_error>

#include "app/MainWindow.h"
#include "app/PngImage.h"
#include "app/TableLoading.h"
#include "app/WindowCapture.h"
#include "data/MultidimensionalData.h"
#include "app/Autosave.h"
#include "model/ClusterExport.h"
#include "model/Document.h"
#include "model/RecoveryStore.h"
#include "model/Session.h"
#include "pcview/PCWindow.h"

namespace fs = std::filesystem;

namespace {

std::function<void(const std::string&)> problemReporter;  // empty: the dialog
std::function<bool(const std::string&)> recoveryAnswerer;  // empty: the dialog
std::string lastFolder;                                    // of the file last chosen; empty before any

// A problem, in a dialog and on standard error (or to the reporter set).
void tell(const std::string& problem) {
    if (problemReporter) {
        problemReporter(problem);
        return;
    }
    std::cerr << problem << std::endl;
    fl_alert("%s", problem.c_str());
}

// The table's file name without its folder and extension ("cars" for /x/cars.csv).
std::string tableStem(const PCWindow* view) {
    const MultidimensionalData* table = view->getData();
    const std::string path = table != nullptr ? table->getSourcePath() : "";
    return path.empty() ? "strands" : fs::path(path).stem().string();
}

// Asks for a file to write, suggesting `suggested` (in the folder last used,
// or beside the table before any); empty when cancelled or when the user does
// not want an existing file replaced.
std::string chooseTarget(const char* message, const char* pattern, const std::string& suggested) {
    const std::string start =
        lastFolder.empty() ? suggested : (fs::path(lastFolder) / fs::path(suggested).filename()).string();
    const char* chosen = fl_file_chooser(message, pattern, start.c_str(), 0);
    if (chosen == nullptr) return "";
    const std::string path = chosen;
    rememberFolder(path);
    std::error_code error;
    if (fs::exists(path, error) &&
        fl_choice("\"%s\" exists. Replace it?", "Cancel", "Replace", nullptr, path.c_str()) != 1) {
        return "";
    }
    return path;
}

std::string besideTable(const PCWindow* view, const std::string& fileName) {
    const MultidimensionalData* table = view->getData();
    const std::string path = table != nullptr ? table->getSourcePath() : "";
    return path.empty() ? fileName : (fs::path(path).parent_path() / fileName).string();
}

bool hasTable(const PCWindow* view) { return view->getData() != nullptr && view->getData()->isLoaded(); }

void saveImage(MainWindow& main, bool wholeWindow) {
    PCWindow* view = main.getView();
    const std::string target =
        chooseTarget(wholeWindow ? "Save the window's picture as ..." : "Save the view's picture as ...", "*.png",
                     besideTable(view, tableStem(view) + (wholeWindow ? "_window.png" : "_view.png")));
    if (target.empty()) return;
    // The picture holds every line: a large table's may still be filling in.
    static bool waiting = false;  // a second Save Image while the first waits
    if (waiting) {
        tell("A picture is already waiting for the lines to be drawn.");
        return;
    }
    waiting = true;
    const bool complete = waitForCompleteLines(view);
    waiting = false;
    if (!complete) {
        tell("The picture was not saved: the view was closed before its lines were all drawn.");
        return;
    }
    const WindowPicture picture = wholeWindow ? captureMainWindow(main) : captureView(view);
    std::string error;
    const MultidimensionalData* table = view->getData();
    const std::vector<ReadFile> inputs = table != nullptr && table->isLoaded() ? tableFiles(*table) : std::vector<ReadFile>{};
    if (!writePngFile(target, picture.widthPx, picture.heightPx, picture.rgb, &error, inputs)) {
        tell(error);
        return;
    }
    std::cout << "Saved a " << picture.widthPx << " x " << picture.heightPx << " picture to \"" << target << "\""
              << std::endl;
    main.showStatus("Saved the picture to " + fs::path(target).filename().string());
}

// The table on screen, if it is a loaded file.
const MultidimensionalData* loadedTable(const MainWindow& main) {
    const MultidimensionalData* table = main.getDocument().model().getData();
    return table != nullptr && table->isLoaded() ? table : nullptr;
}

bool askToRestore(const std::string& question) {
    if (recoveryAnswerer) return recoveryAnswerer(question);
    return fl_choice("%s", "Set Aside", "Restore", nullptr, question.c_str()) == 1;
}

// Restores the recovered work in `path` (written at `writtenAt`) into the window.
bool restoreRecovered(MainWindow& main, const std::string& path, std::time_t writtenAt) {
    const MultidimensionalData* table = loadedTable(main);
    if (table == nullptr) return false;
    const std::string tablePath = table->getSourcePath();
    const RecoveryStore& store = main.getAutosave().getStore();
    const bool latest = path == store.fileFor(tablePath);
    if (!openSessionFile(main, path, tablePath, true)) {
        // Kept where it is: a later run (or File > Recover) may take it.
        std::string error;
        const std::string aside = latest ? store.setAside(tablePath, &error) : path;
        main.showStatus("The unsaved work of " + RecoveryStore::timeText(writtenAt) + " was not restored; it is kept in " +
                        (aside.empty() ? path : aside));
        return false;
    }
    if (latest) main.getAutosave().takeOverRecoveryFile();
    main.showStatus("Restored the unsaved work of " + RecoveryStore::timeText(writtenAt));
    std::cout << "Restored the unsaved work in \"" << path << "\"" << std::endl;
    return true;
}

// Offers the recovered work in `entry` for the table on screen.
bool offerEntry(MainWindow& main, const RecoveryStore::Entry& entry, bool ask) {
    const MultidimensionalData* table = loadedTable(main);
    if (table == nullptr) return false;
    const std::string tableName = fs::path(table->getSourcePath()).filename().string();
    const std::string question = "Unsaved work on \"" + tableName + "\" was kept on " +
                                 RecoveryStore::timeText(entry.writtenAt) + " in\n" + entry.path +
                                 "\n\nRestore it? (Set Aside keeps the file; File > Recover offers it again.)";
    if (!ask || askToRestore(question)) return restoreRecovered(main, entry.path, entry.writtenAt);
    const RecoveryStore& store = main.getAutosave().getStore();
    if (entry.path == store.fileFor(table->getSourcePath())) {
        std::string error;
        const std::string aside = store.setAside(table->getSourcePath(), &error);
        if (aside.empty() && !error.empty()) tell(error);
        main.showStatus("The unsaved work of " + RecoveryStore::timeText(entry.writtenAt) + " is set aside" +
                        (aside.empty() ? "" : " in " + aside));
    }
    return false;
}

}  // namespace

void setProblemReporter(std::function<void(const std::string&)> reporter) { problemReporter = std::move(reporter); }

void setRecoveryAnswerer(std::function<bool(const std::string&)> answerer) { recoveryAnswerer = std::move(answerer); }

std::string startFolder(const std::string& fallback) { return lastFolder.empty() ? fallback : lastFolder; }

void rememberFolder(const std::string& chosenPath) {
    const fs::path folder = fs::path(chosenPath).parent_path();
    if (!folder.empty()) lastFolder = folder.string() + "/";
}

void exportClusters(MainWindow& main) {
    PCWindow* view = main.getView();
    if (!hasTable(view)) {
        tell("No table is loaded: there is nothing to export.");
        return;
    }
    const std::string target = chooseTarget("Export the clusters to ...", "*.csv",
                                            besideTable(view, tableStem(view) + "_clusters.csv"));
    if (target.empty()) return;
    std::string error;
    int cutRows = 0;
    if (!ClusterExport::write(view->model(), target, &error, &cutRows)) {
        tell(error);
        return;
    }
    std::cout << "Exported " << view->getData()->getDataNum() << " rows to \"" << target << "\"" << std::endl;
    main.showStatus("Exported " + std::to_string(view->getData()->getDataNum()) + " rows to " +
                    fs::path(target).filename().string());
    if (cutRows > 0) {
        tell(std::to_string(cutRows) + " rows had more fields than the header; the extra fields are not in the export.");
    }
}

void saveSession(MainWindow& main) {
    PCWindow* view = main.getView();
    if (!hasTable(view)) {
        tell("No table is loaded: there is no session to save.");
        return;
    }
    const std::string target =
        chooseTarget("Save the session as ...", "*.json", besideTable(view, tableStem(view) + ".session.json"));
    if (target.empty()) return;
    std::string error;
    const Session session = main.getDocument().captureSession();
    if (!writeSessionFile(target, session, &error, tableFiles(*view->getData()))) {
        tell(error);
        return;
    }
    main.getDocument().markSaved();
    std::cout << "Saved the session to \"" << target << "\"" << std::endl;
    main.showStatus("Session saved");
    const std::string drift = describeTableDrift(session);
    if (!drift.empty()) {
        tell("The session was saved to \"" + target + "\", but " + drift +
             ": it opens only on the table as it was loaded.");
    }
}

void openSession(MainWindow& main) {
    const std::string start = startFolder(besideTable(main.getView(), ""));
    const char* chosen = fl_file_chooser("Open a session ...", "*.json", start.c_str(), 0);
    if (chosen == nullptr) return;
    rememberFolder(chosen);
    openSessionFile(main, chosen);
}

bool openSessionFile(MainWindow& main, const std::string& path, const std::string& table, bool recovered) {
    Session session;
    std::string error;
    if (!readSessionFile(path, &session, &error)) {
        tell(error + "\nThe current work is kept.");
        return false;
    }
    std::string tablePath = table.empty() ? session.tablePath : table;
    // A table that is gone may be looked for; one that is there but cannot
    // be read (a folder, a pipe) is refused below with its reason.
    std::error_code missing;
    if (table.empty() && !fs::exists(tablePath, missing)) {
        if (fl_choice("The session's table \"%s\" is not there any more.\nLocate it?", "Cancel", "Locate...",
                      nullptr, tablePath.c_str()) != 1) {
            return false;
        }
        const char* located = fl_file_chooser("Where is the session's table?", "*",
                                              fs::path(path).parent_path().string().c_str(), 0);
        if (located == nullptr) return false;
        tablePath = located;
    }
    std::unique_ptr<MultidimensionalData> loaded = loadTableResponsively(tablePath, main.getView(), session.delimiter);
    if (!loaded) {
        tell("Another table is still loading; open the session once it is in.\nThe current work is kept.");
        return false;
    }
    const std::string problem = describeUnusableTable(*loaded, tablePath);
    if (!problem.empty()) {
        tell(problem + "\nThe session was not opened; the current work is kept.");
        return false;
    }
    if (!session.checkAgainst(*loaded, &error)) {
        tell("\"" + path + "\": " + error + ".\nThe session was not opened; the current work is kept.");
        return false;
    }
    Document& document = main.getDocument();
    document.replaceTable(loaded.release());
    document.applySession(session, !recovered);
    if (!recovered) {
        std::cout << "Opened the session \"" << path << "\"" << std::endl;
        main.showStatus("Opened the session " + fs::path(path).filename().string());
    }
    return true;
}

bool offerRecovery(MainWindow& main, RecoveryChoice choice) {
    const MultidimensionalData* table = loadedTable(main);
    if (table == nullptr) return false;
    const RecoveryStore& store = main.getAutosave().getStore();
    const std::vector<RecoveryStore::Entry> files = store.filesFor(table->getSourcePath());
    // Only the latest work an earlier run left; set-aside work waits for File > Recover.
    if (files.empty() || files.front().path != store.fileFor(table->getSourcePath()) ||
        main.getAutosave().ownsRecoveryFile()) {
        if (choice == RecoveryChoice::kRestore) {
            main.showStatus("Nothing to recover for " + fs::path(table->getSourcePath()).filename().string());
        }
        return false;
    }
    return offerEntry(main, files.front(), choice == RecoveryChoice::kAsk);
}

void recoverWork(MainWindow& main) {
    const MultidimensionalData* table = loadedTable(main);
    if (table == nullptr) {
        tell("No table is loaded: there is no unsaved work to recover.");
        return;
    }
    const RecoveryStore& store = main.getAutosave().getStore();
    for (const RecoveryStore::Entry& entry : store.filesFor(table->getSourcePath())) {
        // This run's own file holds what is on screen.
        if (entry.path == store.fileFor(table->getSourcePath()) && main.getAutosave().ownsRecoveryFile()) continue;
        offerEntry(main, entry, true);
        return;
    }
    main.showStatus("Nothing to recover for " + fs::path(table->getSourcePath()).filename().string());
}

void saveViewImage(MainWindow& main) { saveImage(main, false); }

void saveWindowImage(MainWindow& main) { saveImage(main, true); }

void reportTableProblems(MainWindow& main) {
    const MultidimensionalData* table = main.getView()->getData();
    if (table == nullptr) return;
    const std::string text = describeTableProblems(*table);
    if (!text.empty()) fl_message("%s", text.c_str());
}

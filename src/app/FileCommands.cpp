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
#include "model/ClusterExport.h"
#include "model/Document.h"
#include "model/Session.h"
#include "pcview/PCWindow.h"

namespace fs = std::filesystem;

namespace {

std::function<void(const std::string&)> problemReporter;  // empty: the dialog

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

// Asks for a file to write, suggesting `suggested` beside the table; empty
// when cancelled or when the user does not want an existing file replaced.
std::string chooseTarget(const char* message, const char* pattern, const std::string& suggested) {
    const char* chosen = fl_file_chooser(message, pattern, suggested.c_str(), 0);
    if (chosen == nullptr) return "";
    const std::string path = chosen;
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
}

}  // namespace

void setProblemReporter(std::function<void(const std::string&)> reporter) { problemReporter = std::move(reporter); }

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
    const std::string drift = describeTableDrift(session);
    if (!drift.empty()) {
        tell("The session was saved to \"" + target + "\", but " + drift +
             ": it opens only on the table as it was loaded.");
    }
}

void openSession(MainWindow& main) {
    const char* chosen = fl_file_chooser("Open a session ...", "*.json", besideTable(main.getView(), "").c_str(), 0);
    if (chosen != nullptr) openSessionFile(main, chosen);
}

bool openSessionFile(MainWindow& main, const std::string& path, const std::string& table) {
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
    document.applySession(session, true);
    std::cout << "Opened the session \"" << path << "\"" << std::endl;
    return true;
}

void saveViewImage(MainWindow& main) { saveImage(main, false); }

void saveWindowImage(MainWindow& main) { saveImage(main, true); }

void reportTableProblems(MainWindow& main) {
    const MultidimensionalData* table = main.getView()->getData();
    if (table == nullptr) return;
    const std::string text = describeTableProblems(*table);
    if (!text.empty()) fl_message("%s", text.c_str());
}

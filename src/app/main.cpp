// Strands: finding and shaping clusters in multidimensional data drawn in
// parallel coordinates. Reads the command line, loads the table it names (or
// the default one), opens the main window (offering unsaved work an earlier
// run kept for the table) and runs the event loop. However the loop ends
// (Escape, Exit, the window closed, a terminal's Ctrl+C, a session's end),
// the work is kept for recovery on the way out; nothing asks.
#include <FL/Fl.H>
#include <FL/fl_ask.H>
#include <FL/x.H>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <iostream>
#include <string>

#include "app/Autosave.h"
#include "app/BatchRun.h"
#include "app/CommandLine.h"
#include "app/FileCommands.h"
#include "app/HeapSettings.h"
#include "app/MainWindow.h"
#include "app/MenuCallbacks.h"
#include "data/MultidimensionalData.h"
#include "gl/GlWindowSetup.h"
#include "model/ColourMap.h"
#include "model/RecoveryStore.h"
#include "resources/ResourceLocator.h"

namespace {

const char* const kDefaultTableFile = "DataSet/origin.txt";

// Shows the start-up problem (a std::string) once the event loop runs, so the
// dialog comes up over the main window.
void showStartupProblem(void* problem) { fl_alert("%s", static_cast<const std::string*>(problem)->c_str()); }

// What to open once the main window is up (--session).
struct StartupSession {
    MainWindow* main;
    std::string path;
    std::string table;  // FILE, when given with the session
};
void openStartupSession(void* startup) {
    auto* session = static_cast<StartupSession*>(startup);
    openSessionFile(*session->main, session->path, session->table);
}

// Unsaved work an earlier run kept for the table, offered once the window is up.
struct StartupRecovery {
    MainWindow* main;
    RecoveryChoice choice;
};
void offerStartupRecovery(void* startup) {
    auto* recovery = static_cast<StartupRecovery*>(startup);
    offerRecovery(*recovery->main, recovery->choice);
}

// A signal that asks the program to end (SIGTERM at a session's end, SIGINT
// from a terminal, SIGHUP when it closes) ends the event loop like Exit, so
// that the work is kept on the way out. The handler only writes a byte to a
// pipe the event loop watches.
int quitPipe[2] = {-1, -1};
void askToQuit(int) {
    const char byte = 1;
    const ssize_t written = write(quitPipe[1], &byte, 1);
    (void)written;  // a full pipe has a quit waiting already
}
void quitOnSignal(FL_SOCKET fd, void*) {
    char bytes[16];
    while (read(fd, bytes, sizeof bytes) > 0) {
    }
    quitEventLoop();
}
void catchQuitSignals() {
    if (pipe(quitPipe) != 0) return;
    for (int fd : quitPipe) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    Fl::add_fd(quitPipe[0], FL_READ, quitOnSignal);
    struct sigaction action {};
    action.sa_handler = askToQuit;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    settleHeapForFrames();
    const CommandLine commandLine = CommandLine::parse(argc, argv);
    const ResourceLocator& locator = ResourceLocator::program();
    const std::string defaultTable = locator.findFile(kDefaultTableFile);
    switch (commandLine.action) {
        case CommandLine::Action::ShowHelp:
            std::cout << usageText(locator.getRoots(), defaultTable, RecoveryStore::defaultFolder());
            return 0;
        case CommandLine::Action::ShowVersion:
            std::cout << versionText() << std::endl;
            return 0;
        case CommandLine::Action::Fail:
            std::cerr << "strands: " << commandLine.error << "\n\n" << usageText(locator.getRoots(), defaultTable);
            return CommandLine::kUsageExitStatus;
        case CommandLine::Action::Batch:
            return runBatch(commandLine);
        case CommandLine::Action::Info:
            return runInfo(commandLine);
        case CommandLine::Action::Apply:
            return runApply(commandLine);
        case CommandLine::Action::Run:
            break;
    }

    // A table named on the command line that cannot be shown leaves the view
    // empty, as a missing default table does; the user is also told in a
    // dialog, since they asked for that file. So is a default table that is
    // there but cannot be shown (a folder of that name, a link to nothing).
    const bool fileGiven = !commandLine.dataFile.empty();
    const std::string tablePath = fileGiven ? commandLine.dataFile : defaultTable;
    auto* data = new MultidimensionalData(tablePath.c_str(), nullptr, fileGiven ? commandLine.delimiter : 0);
    std::error_code missing;
    const bool defaultThere =
        std::filesystem::symlink_status(tablePath, missing).type() != std::filesystem::file_type::not_found && !missing;
    std::string startupProblem = fileGiven || defaultThere ? describeUnusableTable(*data, tablePath) : "";
    if (!startupProblem.empty()) {
        startupProblem += " The view starts empty.";
        std::cerr << startupProblem << std::endl;
    }

    // The column to colour by must be one of the table's axes, like any bad option.
    int colourByDim = -1;
    if (!commandLine.colourBy.empty() && startupProblem.empty()) {
        std::string problem;
        colourByDim = ColourMap::colourByColumn(*data, commandLine.colourBy, &problem);
        if (colourByDim < 0) {
            std::cerr << "strands: option '--color-by': " << problem << std::endl;
            delete data;
            return CommandLine::kUsageExitStatus;
        }
    }

    // Open the display first so the OpenGL windows can ask for multisampling.
    fl_open_display();
    fl_message_title_default("Strands");
    MainWindow mainWindow(data);
    mainWindow.show();
    if (colourByDim >= 0) {
        // Asked for on the command line: how the table opens, not a change of it.
        mainWindow.getDocument().setColourByDim(colourByDim);
        mainWindow.getDocument().markSaved();
    }
    if (!startupProblem.empty()) Fl::add_timeout(0.0, showStartupProblem, &startupProblem);
    StartupSession startupSession{&mainWindow, commandLine.sessionFile, commandLine.dataFile};
    if (!commandLine.sessionFile.empty()) Fl::add_timeout(0.0, openStartupSession, &startupSession);
    // Work kept long ago goes; work an earlier run left for this table is
    // offered (not when a session is opened instead).
    mainWindow.getAutosave().getStore().tidy(std::time(nullptr));
    StartupRecovery startupRecovery{&mainWindow, commandLine.recovery == CommandLine::Recovery::Restore
                                                     ? RecoveryChoice::kRestore
                                                     : RecoveryChoice::kAsk};
    if (commandLine.sessionFile.empty() && commandLine.recovery != CommandLine::Recovery::Skip) {
        Fl::add_timeout(0.0, offerStartupRecovery, &startupRecovery);
    }
    catchQuitSignals();
    const int status = Fl::run();
    mainWindow.getAutosave().saveNow();
    return status;
}

// Strands: finding and shaping clusters in multidimensional data drawn in
// parallel coordinates. Reads the command line, loads the table it names (or
// the default one), opens the main window and runs the event loop.
#include <FL/Fl.H>
#include <FL/fl_ask.H>
#include <FL/x.H>

#include <filesystem>
#include <iostream>
#include <string>

#include "app/BatchRun.h"
#include "app/CommandLine.h"
#include "app/FileCommands.h"
#include "app/HeapSettings.h"
#include "app/MainWindow.h"
#include "app/MenuCallbacks.h"
#include "data/MultidimensionalData.h"
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

}  // namespace

int main(int argc, char** argv) {
    settleHeapForFrames();
    const CommandLine commandLine = CommandLine::parse(argc, argv);
    const ResourceLocator& locator = ResourceLocator::program();
    const std::string defaultTable = locator.findFile(kDefaultTableFile);
    switch (commandLine.action) {
        case CommandLine::Action::ShowHelp:
            std::cout << usageText(locator.getRoots(), defaultTable);
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

    // Open the display first so the OpenGL windows can ask for multisampling.
    fl_open_display();
    fl_message_title_default("Strands");
    MainWindow mainWindow(data);
    mainWindow.show();
    if (!startupProblem.empty()) Fl::add_timeout(0.0, showStartupProblem, &startupProblem);
    StartupSession startupSession{&mainWindow, commandLine.sessionFile, commandLine.dataFile};
    if (!commandLine.sessionFile.empty()) Fl::add_timeout(0.0, openStartupSession, &startupSession);
    return Fl::run();
}

// The command line: strands [OPTIONS] [FILE].
#pragma once

#include <string>
#include <vector>

struct CommandLine {
    enum class Action {
        Run,          // open the window (on dataFile, or sessionFile, when given)
        Batch,        // no window: load, apply the session if any, export, exit
        Info,         // no window: print what the loader made of dataFile, exit
        Apply,        // no window: label applyFile by the session's rules into exportFile, exit
        ShowHelp,     // print the usage and exit 0
        ShowVersion,  // print the version and exit 0
        Fail,         // print `error` and the usage to standard error and exit 2
    };
    static constexpr int kUsageExitStatus = 2;  // bad options, as the shell's own tools do
    static constexpr int kFailureExitStatus = 1;  // a batch run that could not do its work

    Action action = Action::Run;
    std::string dataFile;     // FILE; empty for the default table (or the session's)
    std::string sessionFile;  // --session
    std::string exportFile;   // --export ("-": standard output with --apply)
    std::string applyFile;    // --apply: the table to label ("-": standard input)
    std::string summaryFile;  // --summary-json (with --apply)
    std::string colourBy;     // --color-by: the column to colour the lines by; empty: none
    std::string error;        // why the command line cannot be used (Action::Fail)
    char delimiter = 0;       // --delimiter; 0: taken from the table's header line
    bool json = false;        // --json (with --info)
    // What to do with unsaved work an earlier run kept for the table.
    enum class Recovery {
        Ask,      // offer it in a dialog (the default)
        Restore,  // --recover: restore it without asking
        Skip,     // --no-recover: neither offer nor touch it (File > Recover still can)
    };
    Recovery recovery = Recovery::Ask;

    // Reads argv[1 ... argc - 1]. "--" ends the options; a lone "-" is a file name.
    static CommandLine parse(int argc, const char* const* argv);
};

// What `--help` prints: every option, where the run-time files are looked
// for (`searchRoots`, first choice first) and the default table the program
// would open (`defaultTable`, as found), and where unsaved work is kept (`recoveryFolder`, when known).
std::string usageText(const std::vector<std::string>& searchRoots, const std::string& defaultTable,
                      const std::string& recoveryFolder = "");

// "strands <version>".
std::string versionText();

#include "app/CommandLine.h"

#include <getopt.h>

#include <filesystem>
#include <sstream>
#include <system_error>

#include "BuildInfo.h"

namespace {

// Each option once: getopt's table and the help text are made from this list.
struct OptionInfo {
    const char* longName;
    char shortName;
    const char* argument;  // name of its value in the help; null for a switch
    const char* help;
};
constexpr OptionInfo kOptions[] = {
    {"session", 's', "S.json", "open a saved session (its table, or FILE when given)"},
    {"export", 'e', "OUT.csv", "no window: write the clusters of FILE (or of the\n"
                               "session's table), with --session applied, to\n"
                               "OUT.csv and exit: 0 when done, 1 when not"},
    {"apply", 'a', "BIG.csv", "no window: label every row of BIG.csv (any size;\n"
                              "- for standard input) by the rules of --session,\n"
                              "streaming, and write it to --export (- for\n"
                              "standard output) as the export does"},
    {"summary-json", 'u', "FILE", "with --apply: also write the rows per leaf and\n"
                                  "per group to FILE as JSON"},
    {"info", 'i', nullptr, "no window: print what is read from FILE (rows, blank\n"
                           "lines, delimiter; per column its kind, extremes or\n"
                           "categories, missing values and unreadable lines)\n"
                           "and exit: 0, or 1 when FILE cannot be read"},
    {"json", 'j', nullptr, "with --info: print it as one JSON object"},
    {"delimiter", 'd', "C", "the field delimiter of FILE: one character, or tab;\n"
                            "by default the most frequent of comma, semicolon\n"
                            "and tab in the header line (comma when unclear);\n"
                            "with --apply that of BIG.csv, by default the\n"
                            "session's"},
    {"color-by", 'c', "NAME", "colour the lines by the column NAME (numbers and\n"
                              "dates through a colour map, categories each in\n"
                              "a colour of their own)"},
    {"recover", 'r', nullptr, "restore the unsaved work an earlier run kept for\n"
                              "the table, without asking"},
    {"no-recover", 'n', nullptr, "do not offer the unsaved work an earlier run kept"},
    {"help", 'h', nullptr, "print this help and exit"},
    {"version", 'V', nullptr, "print the version and exit"},
};

// Why getopt refused `given` (the argument it stopped at; `shortName` the
// option letter it read, 0 for an unknown long option; `missingValue` when
// the option needs a value that is not there).
std::string describeBadOption(const std::string& given, int shortName, bool missingValue) {
    const bool isLong = given.rfind("--", 0) == 0;
    const std::string name = isLong ? given.substr(2, given.find('=') - 2) : std::string(1, static_cast<char>(shortName));
    const std::string shown = isLong ? "--" + name : "-" + name;
    for (const OptionInfo& info : kOptions) {
        if (isLong ? name == info.longName : shortName == info.shortName) {
            return missingValue ? "option '" + shown + "' needs a value (" + info.argument + ")"
                                : "option '" + shown + "' takes no value";
        }
    }
    return isLong ? "unknown option '" + given + "'" : "unknown option '" + shown + "'";
}

}  // namespace

CommandLine CommandLine::parse(int argc, const char* const* argv) {
    std::vector<option> longOptions;
    std::string shortOptions = ":";  // report a missing argument as ':', not '?'
    for (const OptionInfo& info : kOptions) {
        longOptions.push_back({info.longName, info.argument ? required_argument : no_argument, nullptr, info.shortName});
        shortOptions += info.shortName;
        if (info.argument) shortOptions += ':';
    }
    longOptions.push_back({nullptr, 0, nullptr, 0});

    // getopt keeps its place in globals: start afresh (0 also re-reads its
    // settings) and keep its own messages off, ours name the option. It
    // reorders the argument pointers (options first, then operands), so it
    // gets a copy of them; the strings themselves are only read.
    optind = 0;
    opterr = 0;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) args.push_back(const_cast<char*>(argv[i]));
    args.push_back(nullptr);

    CommandLine result;
    bool wantsHelp = false, wantsVersion = false, wantsInfo = false;
    int code;
    while ((code = getopt_long(argc, args.data(), shortOptions.c_str(), longOptions.data(), nullptr)) != -1) {
        switch (code) {
            case 'h': wantsHelp = true; break;
            case 'V': wantsVersion = true; break;
            case 's':
            case 'e':
            case 'a':
            case 'u': {
                const char* what = code == 's' ? "session" : code == 'e' ? "export" : code == 'a' ? "apply" : "summary";
                // An empty name is a mistake (an unset shell variable, say), not "no file".
                if (optarg[0] == '\0') {
                    result.action = Action::Fail;
                    result.error = std::string("the ") + what + " file name is empty";
                    return result;
                }
                (code == 's'   ? result.sessionFile
                 : code == 'e' ? result.exportFile
                 : code == 'a' ? result.applyFile
                               : result.summaryFile) = optarg;
                break;
            }
            case 'i': wantsInfo = true; break;
            case 'c':
                if (optarg[0] == '\0') {
                    result.action = Action::Fail;
                    result.error = "the --color-by column name is empty";
                    return result;
                }
                result.colourBy = optarg;
                break;
            case 'r':
            case 'n': {
                const auto asked = code == 'r' ? Recovery::Restore : Recovery::Skip;
                if (result.recovery != Recovery::Ask && result.recovery != asked) {
                    result.action = Action::Fail;
                    result.error = "--recover and --no-recover cannot go together";
                    return result;
                }
                result.recovery = asked;
                break;
            }
            case 'j': result.json = true; break;
            case 'd': {
                const std::string given = optarg;
                result.delimiter = given == "tab" || given == "\\t" ? '\t' : given.size() == 1 ? given[0] : 0;
                if (result.delimiter == 0 || result.delimiter == '"' || result.delimiter == '\n' ||
                    result.delimiter == '\r') {
                    result.action = Action::Fail;
                    result.error = "option '--delimiter' needs one character other than a quote or a line end "
                                   "(or 'tab'), got '" + given + "'";
                    return result;
                }
                break;
            }
            default:
                result.action = Action::Fail;
                result.error =
                    describeBadOption(args[optind - 1] != nullptr ? args[optind - 1] : "", optopt, code == ':');
                return result;
        }
    }
    std::vector<std::string> operands(args.begin() + optind, args.end() - 1);
    if (wantsHelp) {
        result.action = Action::ShowHelp;
    } else if (wantsVersion) {
        result.action = Action::ShowVersion;
    } else if (operands.size() > 1) {
        result.action = Action::Fail;
        result.error = "one data file at a time, got " + std::to_string(operands.size()) + " ('" + operands[0] +
                       "', '" + operands[1] + "'" + (operands.size() > 2 ? ", ..." : "") + ")";
    } else if (operands.size() == 1 && operands[0].empty()) {
        result.action = Action::Fail;
        result.error = "the data file name is empty";
    } else if (!operands.empty()) {
        result.dataFile = operands[0];
    }
    if (result.action == Action::Run && result.json && !wantsInfo) {
        result.action = Action::Fail;
        result.error = "--json goes with --info";
    } else if (result.action == Action::Run && wantsInfo) {
        if (result.dataFile.empty()) {
            result.action = Action::Fail;
            result.error = "--info needs a table: give FILE";
        } else if (!result.exportFile.empty() || !result.sessionFile.empty()) {
            result.action = Action::Fail;
            result.error = "--info goes with FILE alone (not with --export or --session)";
        } else {
            result.action = Action::Info;
        }
    }
    if (result.action == Action::Run && !result.applyFile.empty()) {
        if (result.sessionFile.empty() || result.exportFile.empty()) {
            result.action = Action::Fail;
            result.error = "--apply needs --session (the rules) and --export (where the labelled rows go)";
        } else if (!result.dataFile.empty()) {
            result.action = Action::Fail;
            result.error = "--apply takes no FILE: the session names its own table";
        } else {
            result.action = Action::Apply;
        }
    } else if (result.action == Action::Run && !result.summaryFile.empty()) {
        result.action = Action::Fail;
        result.error = "--summary-json goes with --apply";
    }
    if (result.action == Action::Run && !result.exportFile.empty()) {
        if (result.dataFile.empty() && result.sessionFile.empty()) {
            result.action = Action::Fail;
            result.error = "--export needs a table: give FILE, or --session";
        } else {
            result.action = Action::Batch;
        }
    }
    if (result.recovery != Recovery::Ask &&
        (result.action == Action::Batch || result.action == Action::Info || result.action == Action::Apply)) {
        result.action = Action::Fail;
        result.error = "--recover and --no-recover go with the window only";
    }
    return result;
}

std::string usageText(const std::vector<std::string>& searchRoots, const std::string& defaultTable,
                      const std::string& recoveryFolder) {
    std::ostringstream text;
    text << "Usage: strands [OPTIONS] [FILE]\n"
            "\n"
            "Shows the rows of a delimited table (CSV) as lines across one vertical axis\n"
            "per numeric, date or categorical column, for finding and shaping clusters.\n"
            "\n"
            "  FILE                      the table to open (header line of column names, one\n"
            "                            row per item; a first column headed \"name\" holds\n"
            "                            item names). Default: DataSet/origin.txt, found as\n"
            "                            below.\n"
            "\n"
            "Options:\n";
    for (const OptionInfo& info : kOptions) {
        std::string names = std::string("  -") + info.shortName + ", --" + info.longName;
        if (info.argument) names += std::string(" ") + info.argument;
        names.resize(28, ' ');
        std::string help = info.help;
        for (size_t at = help.find('\n'); at != std::string::npos; at = help.find('\n', at + 1)) {
            help.insert(at + 1, std::string(28, ' '));
        }
        text << names << help << "\n";
    }
    text << "\n"
            "The icons (Resources/) and sample tables (DataSet/) are taken from the first\n"
            "of these folders that holds them:\n";
    for (const std::string& root : searchRoots) {
        std::error_code error;
        const char* note = root == "." ? "  (the working directory)"
                           : std::filesystem::is_directory(root, error) ? ""
                                                                        : "  (not present)";
        text << "  " << root << note << "\n";
    }
    std::error_code error;
    const char* note = std::filesystem::is_regular_file(defaultTable, error) ? ""
                       : std::filesystem::symlink_status(defaultTable, error).type() == std::filesystem::file_type::not_found
                           ? "  (not found)"
                           : "  (not a regular file)";
    text << "Default table here: " << defaultTable << note << "\n";
    if (!recoveryFolder.empty()) text << "Unsaved work is kept in: " << recoveryFolder << "\n";
    return text.str();
}

std::string versionText() { return std::string("strands ") + kStrandsVersion; }

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
    const char* help;
};
constexpr OptionInfo kOptions[] = {
    {"help", 'h', "print this help and exit"},
    {"version", 'V', "print the version and exit"},
};

// Why getopt refused `given` (the argument it stopped at; `shortName` the
// option letter it read, 0 for an unknown long option).
std::string describeBadOption(const std::string& given, int shortName) {
    if (given.rfind("--", 0) != 0) return "unknown option '-" + std::string(1, static_cast<char>(shortName)) + "'";
    const std::string name = given.substr(2, given.find('=') - 2);
    for (const OptionInfo& info : kOptions) {
        if (name == info.longName) return "option '--" + name + "' takes no value";
    }
    return "unknown option '" + given + "'";
}

}  // namespace

CommandLine CommandLine::parse(int argc, const char* const* argv) {
    std::vector<option> longOptions;
    std::string shortOptions = ":";  // report a missing argument as ':', not '?'
    for (const OptionInfo& info : kOptions) {
        longOptions.push_back({info.longName, no_argument, nullptr, info.shortName});
        shortOptions += info.shortName;
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
    bool wantsHelp = false, wantsVersion = false;
    int code;
    while ((code = getopt_long(argc, args.data(), shortOptions.c_str(), longOptions.data(), nullptr)) != -1) {
        switch (code) {
            case 'h': wantsHelp = true; break;
            case 'V': wantsVersion = true; break;
            default:
                result.action = Action::Fail;
                result.error = describeBadOption(args[optind - 1] != nullptr ? args[optind - 1] : "", optopt);
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
    } else if (operands.size() == 1) {
        if (operands[0].empty()) {
            result.action = Action::Fail;
            result.error = "the data file name is empty";
        } else {
            result.dataFile = operands[0];
        }
    }
    return result;
}

std::string usageText(const std::vector<std::string>& searchRoots, const std::string& defaultTable) {
    std::ostringstream text;
    text << "Usage: strands [OPTIONS] [FILE]\n"
            "\n"
            "Shows the rows of a comma-separated table as lines across one vertical axis\n"
            "per numeric column, for finding and shaping clusters in them.\n"
            "\n"
            "  FILE            the table to open (header line of column names, one row per\n"
            "                  item; a first column headed \"name\" holds item names).\n"
            "                  Default: DataSet/origin.txt, found as below.\n"
            "\n"
            "Options:\n";
    for (const OptionInfo& info : kOptions) {
        std::string names = std::string("  -") + info.shortName + ", --" + info.longName;
        names.resize(18, ' ');
        text << names << info.help << "\n";
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
    text << "Default table here: " << defaultTable
         << (std::filesystem::is_regular_file(defaultTable, error) ? "" : "  (not found)") << "\n";
    return text.str();
}

std::string versionText() { return std::string("strands ") + kStrandsVersion; }

// Reading the command line, and what --help tells.
#include "TestSupport.h"
#include "app/CommandLine.h"

namespace {

using Action = CommandLine::Action;

CommandLine parse(std::vector<const char*> args) {
    args.insert(args.begin(), "strands");
    return CommandLine::parse(static_cast<int>(args.size()), args.data());
}

TEST(CommandLineTest, ReadsOptionsAndOneFile) {
    struct Case {
        std::vector<const char*> args;
        Action action;
        std::string file;   // for Run
        std::string error;  // part of the message, for Fail
    };
    const Case cases[] = {
        {{}, Action::Run, "", ""},
        {{"table.csv"}, Action::Run, "table.csv", ""},
        {{"-"}, Action::Run, "-", ""},
        {{"--", "--help"}, Action::Run, "--help", ""},  // after "--" everything is a file
        {{"--help"}, Action::ShowHelp, "", ""},
        {{"-h"}, Action::ShowHelp, "", ""},
        {{"table.csv", "--help"}, Action::ShowHelp, "", ""},  // options may follow the file
        {{"--version"}, Action::ShowVersion, "", ""},
        {{"-V", "x.csv"}, Action::ShowVersion, "", ""},
        {{"--help", "--version"}, Action::ShowHelp, "", ""},
        {{"--bogus"}, Action::Fail, "", "unknown option '--bogus'"},
        {{"--bogus=1", "t.csv"}, Action::Fail, "", "unknown option '--bogus=1'"},
        {{"-hx"}, Action::Fail, "", "unknown option '-x'"},
        {{"-q", "--help"}, Action::Fail, "", "unknown option '-q'"},  // an error beats --help
        {{"--version=2"}, Action::Fail, "", "option '--version' takes no value"},
        {{"a.csv", "b.csv"}, Action::Fail, "", "one data file at a time, got 2 ('a.csv', 'b.csv')"},
        {{"a", "b", "c"}, Action::Fail, "", "got 3 ('a', 'b', ...)"},
        {{""}, Action::Fail, "", "the data file name is empty"},
        {{"--info", "--json", "t.csv"}, Action::Info, "t.csv", ""},
        {{"--info"}, Action::Fail, "", "--info needs a table"},
        {{"--json", "t.csv"}, Action::Fail, "t.csv", "--json goes with --info"},
        {{"--info", "-e", "o.csv", "t.csv"}, Action::Fail, "t.csv", "--info goes with FILE alone"},
        {{"--delimiter", ";;", "t.csv"}, Action::Fail, "", "needs one character"},
        {{"-d", "\"", "t.csv"}, Action::Fail, "", "other than a quote"},
        {{"--export", "", "t.csv"}, Action::Fail, "", "the export file name is empty"},
        {{"--session="}, Action::Fail, "", "the session file name is empty"},
        {{"--color-by", "", "t.csv"}, Action::Fail, "", "the --color-by column name is empty"},
        {{"--color-by"}, Action::Fail, "", "option '--color-by' needs a value (NAME)"},
        {{"-c", "mpg", "t.csv"}, Action::Run, "t.csv", ""},
        {{"-e", "out.csv", "t.csv"}, Action::Batch, "t.csv", ""},
        {{"--recover", "t.csv"}, Action::Run, "t.csv", ""},
        {{"--no-recover"}, Action::Run, "", ""},
        {{"--recover", "--no-recover"}, Action::Fail, "", "--recover and --no-recover cannot go together"},
        {{"--recover", "-e", "o.csv", "t.csv"}, Action::Fail, "t.csv", "go with the window only"},
        {{"--no-recover", "--info", "t.csv"}, Action::Fail, "t.csv", "go with the window only"},
        {{"-s", "s.json", "--apply", "big.csv", "-e", "-"}, Action::Apply, "", ""},
        {{"--apply", "big.csv", "-e", "o.csv"}, Action::Fail, "", "--apply needs --session"},
        {{"--apply", "big.csv", "-s", "s.json"}, Action::Fail, "", "--apply needs --session (the rules) and --export"},
        {{"-a", "big.csv", "-s", "s.json", "-e", "o.csv", "t.csv"}, Action::Fail, "t.csv", "--apply takes no FILE"},
        {{"--apply", "", "-s", "s.json"}, Action::Fail, "", "the apply file name is empty"},
        {{"-s", "s.json", "-e", "o.csv", "--summary-json", "c.json"}, Action::Fail, "", "--summary-json goes with --apply"},
        {{"-s", "s.json", "-a", "b.csv", "-e", "o.csv", "--recover"}, Action::Fail, "", "go with the window only"},
    };
    {
        const CommandLine apply = parse({"-s", "s.json", "--apply=-", "-e", "o.csv", "-u", "c.json"});
        EXPECT_EQ(apply.action, Action::Apply);
        EXPECT_EQ(apply.applyFile, "-");
        EXPECT_EQ(apply.sessionFile, "s.json");
        EXPECT_EQ(apply.exportFile, "o.csv");
        EXPECT_EQ(apply.summaryFile, "c.json");
    }
    EXPECT_EQ(parse({}).recovery, CommandLine::Recovery::Ask);
    EXPECT_EQ(parse({"--recover", "--recover"}).recovery, CommandLine::Recovery::Restore);
    EXPECT_EQ(parse({"--no-recover", "t.csv"}).recovery, CommandLine::Recovery::Skip);
    EXPECT_EQ(parse({"-d", "tab", "t.csv"}).delimiter, '\t');
    EXPECT_EQ(parse({"--delimiter=;", "t.csv"}).delimiter, ';');
    for (const Case& c : cases) {
        std::string shown;
        for (const char* arg : c.args) shown += std::string(" [") + arg + "]";
        const CommandLine result = parse(c.args);
        EXPECT_EQ(result.action, c.action) << shown;
        EXPECT_EQ(result.dataFile, c.file) << shown;
        if (c.action == Action::Fail) {
            EXPECT_NE(result.error.find(c.error), std::string::npos) << shown << ": " << result.error;
        } else {
            EXPECT_EQ(result.error, "") << shown;
        }
    }
}

TEST(CommandLineTest, HelpNamesEveryOptionTheFoldersAndTheDefaultTable) {
    TempDir dir;
    const std::string table = dir.write("origin.txt", "a\n1\n");
    const std::string text = usageText({".", dir.path(), dir.path() + "/absent"}, table, "/srv/state/strands");
    for (const char* expected : {"Usage: strands [OPTIONS] [FILE]", "-h, --help", "-V, --version", "--recover",
                                 "-a, --apply BIG.csv", "-u, --summary-json FILE",
                                 "--no-recover", "Unsaved work is kept in: /srv/state/strands\n",
                                 "DataSet/origin.txt", "  .  (the working directory)\n"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    }
    EXPECT_NE(text.find("  " + dir.path() + "\n"), std::string::npos);
    EXPECT_NE(text.find("  " + dir.path() + "/absent  (not present)\n"), std::string::npos);
    EXPECT_NE(text.find("Default table here: " + table + "\n"), std::string::npos);
    const std::string absent = dir.path() + "/DataSet/origin.txt";
    EXPECT_NE(usageText({"."}, absent).find(absent + "  (not found)\n"), std::string::npos);
    EXPECT_NE(usageText({"."}, dir.path()).find(dir.path() + "  (not a regular file)\n"), std::string::npos);

    const std::string version = versionText();
    EXPECT_EQ(version.rfind("strands ", 0), 0u);
    EXPECT_EQ(std::count(version.begin(), version.end(), '.'), 2) << version;
}

}  // namespace

// The real program's batch modes on the shipped table corpus: `--info --json`
// prints what the loader made of a file, and `--export` writes every row back
// byte for byte (quotes, line breaks in fields, own line ends) with its three columns.
#include <nlohmann/json.hpp>

#include <cstdio>
#include <sys/wait.h>

#include "TestSupport.h"

namespace {

// Standard output of a command, and its exit status.
std::string run(const std::string& command, int* status) {
    std::string out;
    FILE* pipe = popen(("env -u DISPLAY " + command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, got);
    const int raw = pclose(pipe);
    *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

TEST(TableInfoRunTest, InfoAsJsonNamesKindsExtremesCategoriesAndMissingValues) {
    int status = -1;
    const auto quoted = nlohmann::json::parse(run(STRANDS_BINARY " --info --json tests/data/tables/quoted.csv", &status));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(quoted["rows"], 3);
    EXPECT_EQ(quoted["blank_lines"], 1);
    EXPECT_EQ(quoted["delimiter"], ",");
    ASSERT_EQ(quoted["columns"].size(), 4u);
    for (const auto& column : quoted["columns"]) {
        for (const char* key : {"name", "kind", "min", "max", "missing", "categories", "top_categories"}) {
            EXPECT_TRUE(column.contains(key)) << key;
        }
        EXPECT_EQ(column.size(), 7u) << column.dump();
    }
    const auto& price = quoted["columns"][1];
    EXPECT_EQ(price["kind"], "numeric");
    EXPECT_EQ(price["min"], 1.5);
    EXPECT_EQ(price["max"], 2.5);
    EXPECT_EQ(price["missing"], 1);
    const auto& origin = quoted["columns"][3];
    EXPECT_EQ(origin["kind"], "categorical");
    EXPECT_EQ(origin["categories"], 2);
    EXPECT_EQ(origin["top_categories"], nlohmann::json::array({"USA", "Japan"}));
    EXPECT_TRUE(origin["min"].is_null());

    const auto semi = nlohmann::json::parse(run(STRANDS_BINARY " --info --json tests/data/tables/semicolon.csv", &status));
    EXPECT_EQ(semi["delimiter"], ";");
    EXPECT_EQ(semi["columns"][2]["kind"], "date");
    EXPECT_EQ(semi["columns"][2]["max"], "2024-01-06 00:00:00");
    // Forced: a tab file read with semicolons has one column.
    const auto forced =
        nlohmann::json::parse(run(STRANDS_BINARY " --info --json --delimiter ';' tests/data/tables/tabs.tsv", &status));
    EXPECT_EQ(forced["columns"].size(), 1u);

    const std::string text = run(STRANDS_BINARY " --info tests/data/tables/bad-header-quote.csv", &status);
    EXPECT_NE(text.find("\"x_2\": numeric, min 2, max 9, missing 1, 1 not read (line 3)"), std::string::npos) << text;
    // Extremes in the fewest digits that give back the value the table holds.
    TempDir dir;
    const std::string decimals = dir.write("d.csv", "v\n21.3\n0.1\n");
    EXPECT_NE(run(STRANDS_BINARY " --info " + decimals, &status).find("min 0.1, max 21.3,"), std::string::npos);
    EXPECT_EQ(nlohmann::json::parse(run(STRANDS_BINARY " --info --json " + decimals, &status))["columns"][0]["max"], 21.3);
    EXPECT_EQ(run(STRANDS_BINARY " --info tests/data/tables/absent.csv", &status), "");
    EXPECT_EQ(status, 1);
}

TEST(TableInfoRunTest, TheExportWritesEveryRowBackByteForByte) {
    TempDir dir;
    for (const char* name : {"quoted.csv", "semicolon.csv", "mixed-ends.csv"}) {
        const std::string source = std::string("tests/data/tables/") + name, out = dir.path() + "/out.csv";
        int status = -1;
        run(std::string(STRANDS_BINARY " --export '") + out + "' " + source, &status);
        ASSERT_EQ(status, 0) << name;
        const std::string input = readAll(source), output = readAll(out);
        // Each exported row is the input's record, then ",0,#666666BF,0" (the file's
        // delimiter), then the record's own line end.
        const char delimiter = name[0] == 's' ? ';' : ',';
        const std::string added = std::string(1, delimiter) + "0" + delimiter + "#666666BF" + delimiter + "0";
        std::vector<std::string> records;
        if (std::string(name) == "quoted.csv") {
            records = {"\"Smith, J.\",1.5,\"said \"\"hi\"\"\",USA\r\n", "\"Doe\nJane\",2.5,\"two\r\nlines\",Japan\r\n",
                       "Lee,NA,plain,USA\r\n"};
        } else if (std::string(name) == "semicolon.csv") {
            records = {"Oslo;-3.5;2024-01-05T08:00:00Z\n", "Rome;12;2024-01-05T09:30:00+01:00\n", "Lima;;2024-01-06\n"};
        } else {
            records = {"1,2\n", "3,4\r\n", "5,6\r\n"};  // the last row had no line end: it gets the header's
        }
        std::string expectedRows;
        for (const std::string& record : records) {
            const size_t end = record.find_last_not_of("\r\n") + 1;
            ASSERT_NE(input.find(record.substr(0, end)), std::string::npos) << "the record is in the file as it is";
            expectedRows += record.substr(0, end) + added + record.substr(end);
        }
        ASSERT_GE(output.size(), expectedRows.size()) << name;
        EXPECT_EQ(output.substr(output.size() - expectedRows.size()), expectedRows) << name;
        EXPECT_EQ(output.rfind("\xEF\xBB\xBF", 0) == 0, std::string(name) == "quoted.csv") << "the mark is kept";
    }
}

}  // namespace

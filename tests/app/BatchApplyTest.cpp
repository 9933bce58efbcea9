// `--apply` of the real program, and `strands-apply` under mpirun: a table
// labelled by a session's rules gives the bytes the export gives on the
// session's own table, through files or pipes, in one process or several;
// the counts go to standard error and the summary file; a table of other
// columns, a version 1 session, a full disk or a failing process end with
// status 1, a message and nothing under OUT's name.
#include <sys/wait.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "TestSupport.h"
#include "cluster/ClusterPath.h"
#include "model/ClusterExport.h"
#include "model/Session.h"
#include "model/TableModel.h"
#include "operators/ClusterTree.h"

namespace {

class BatchApplyTest : public testing::Test {
protected:
    void SetUp() override {
        // Quoted names over two lines every 7th row, and in the middle one
        // over a thousand lines (a quarter of the file): two processes' ranges
        // are guessed inside it and found again, three processes' are not.
        std::string text = "name,a,b,c\n";
        std::mt19937 random(11);
        std::string longName = "\"long";
        for (int line = 0; line < 1000; ++line) longName += "\nline " + std::to_string(line) + " of the name";
        longName += "\"";
        for (int r = 0; r < 3000; ++r) {
            text += r == 1500     ? longName
                    : r % 7 == 3 ? "\"row " + std::to_string(r) + "\nsecond line\""
                                 : "row" + std::to_string(r);
            for (int d = 0; d < 3; ++d) text += "," + std::to_string(random() % 100);
            text += "\n";
        }
        table = dir.write("t.csv", text);
        model.linkMDdata(loadTableQuietly(table));
        const float x = (model.getAxes()->getAxisPosition(0) + model.getAxes()->getAxisPosition(1)) / 2;
        AROperator* op = nullptr;
        stdoutOf([&] { op = model.getClusterTree()->addAR(&model, x, 0.5f, true, Color4(1, 0, 0, 1)); });
        ASSERT_NE(op, nullptr);
        model.getClusterTree()->setOperatorRadius(op, 0.2);
        model.getPaths()->addHintPoint(0, 2, model.getAxes()->getAxisPosition(2), model.transformToDrawRegion(0.3f));
        stdoutOf([&] { model.updateGaussianMixtures(); });
        session = dir.path() + "/t.session.json";
        std::string error;
        ASSERT_TRUE(writeSessionFile(session, Session::capture(model, DisplaySwitches()), &error)) << error;
        ASSERT_TRUE(ClusterExport::build(model, &exported, &error)) << error;
    }
    // Runs a shell command without a display; its exit status, its standard error in *err.
    int shell(const std::string& command, std::string* err) {
        const std::string errFile = dir.path() + "/err.txt";
        const int status = std::system(("env -u DISPLAY " + command + " 2> '" + errFile + "'").c_str());
        *err = readAll(errFile);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string apply(const std::string& big, const std::string& target, const std::string& more = "") {
        return std::string(STRANDS_BINARY) + " --session '" + session + "' --apply '" + big + "' --export '" + target +
               "' " + more;
    }
    int filesIn(const std::string& folder) {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) count += entry.is_regular_file() ? 1 : 0;
        return count;
    }

    TempDir dir;
    std::string table, session, exported, out = dir.path() + "/out.csv";
    TableModel model;
};

TEST_F(BatchApplyTest, ItsOwnTableLabelledThroughFilesOrPipesIsTheExportWithCountsOnStandardError) {
    std::string err;
    const std::string summary = dir.path() + "/summary.json";
    ASSERT_EQ(shell(apply(table, out, "--summary-json '" + summary + "' > /dev/null"), &err), 0) << err;
    EXPECT_EQ(readAll(out), exported);
    EXPECT_NE(err.find("Labelled 3000 rows of \"" + table + "\""), std::string::npos) << err;
    EXPECT_NE(err.find("  leaf 0 #FF0000FF: "), std::string::npos) << err;
    EXPECT_NE(err.find("  group 1: "), std::string::npos) << err;
    EXPECT_EQ(err.find("another leaf"), std::string::npos) << "its lists are the rules' own: " << err;

    const nlohmann::json counts = nlohmann::json::parse(readAll(summary));
    EXPECT_EQ(counts["rows"], 3000);
    int64_t inLeaves = 0, inGroups = 0;
    for (const auto& leaf : counts["leaves"]) inLeaves += leaf["rows"].get<int64_t>();
    for (const auto& group : counts["groups"]) inGroups += group["rows"].get<int64_t>();
    EXPECT_EQ(inLeaves, 3000);
    EXPECT_EQ(inGroups, 3000);
    EXPECT_EQ(counts["leaves"][0]["color"], "#FF0000FF");
    EXPECT_GT(counts["leaves"][0]["rows"].get<int64_t>(), 0);
    EXPECT_GT(counts["groups"][1]["rows"].get<int64_t>(), 0);

    // A pipe in and out: the same bytes, and standard output holds nothing else.
    const std::string piped = dir.path() + "/piped.csv";
    ASSERT_EQ(shell("cat '" + table + "' | " + apply("-", "-") + " > '" + piped + "'", &err), 0) << err;
    EXPECT_EQ(readAll(piped), exported);
    EXPECT_NE(err.find("Labelled 3000 rows of \"standard input\""), std::string::npos) << err;
}

// A session whose lists the rules do not give (its operator locked, then
// moved): the rules label the rows, and standard error says how many part and why.
TEST_F(BatchApplyTest, ListsThatAreNotTheRulesOwnAreReportedAndTheRulesLabel) {
    AROperator* op = model.getClusterTree()->getRoot()->links.front().node;
    ASSERT_EQ(op->type, AROperator::kTypeRegular);
    const float x = (model.getAxes()->getAxisPosition(1) + model.getAxes()->getAxisPosition(2)) / 2;
    stdoutOf([&] {
        model.getClusterTree()->toggleLock(op);
        model.getClusterTree()->moveOperator(op, x, 0.3f);
    });
    const std::string moved = dir.path() + "/moved.session.json";
    std::string error;
    ASSERT_TRUE(writeSessionFile(moved, Session::capture(model, DisplaySwitches()), &error)) << error;
    std::string err;
    ASSERT_EQ(shell(std::string(STRANDS_BINARY) + " --session '" + moved + "' --apply '" + table + "' --export '" + out +
                        "'",
                    &err),
              0) << err;
    const size_t said = err.find(" of the session's table's 3000 rows are in another leaf by the operators' rules");
    ASSERT_NE(said, std::string::npos) << err;
    EXPECT_NE(err.find("held or taken by a locked operator"), std::string::npos) << err;
    EXPECT_NE(readAll(out), exported) << "the rules, not the frozen list, label the rows";
}

TEST_F(BatchApplyTest, OtherColumnsAnOldSessionAFullDiskOrOverwritingAnInputLeaveNothingUnderOutsName) {
    std::string err;
    dir.write("out.csv", "an older output\n");
    const std::string other = dir.write("other.csv", "name,a,c,b\nx,1,2,3\n");
    EXPECT_EQ(shell(apply(other, out), &err), 1);
    EXPECT_NE(err.find("\"" + other + "\" has other columns than the session's table: column 3 is \"c\" where the "
                       "session's table has \"b\". Nothing was written."),
              std::string::npos) << err;
    EXPECT_EQ(readAll(out), "an older output\n");

    Session older;
    std::string error;
    ASSERT_TRUE(Session::fromJson(readAll(session), &older, &error)) << error;
    older.version = 1;
    older.columns.clear();
    older.delimiter = 0;
    const std::string v1 = dir.write("v1.json", older.toJson());
    EXPECT_EQ(shell(std::string(STRANDS_BINARY) + " --session '" + v1 + "' --apply '" + table + "' --export '" + out + "'",
                    &err), 1);
    EXPECT_NE(err.find("a session of version 1 records neither"), std::string::npos) << err;

    // A full disk: the shell's file size limit makes the write fail part-way.
    EXPECT_EQ(shell("bash -c \"ulimit -f 8; trap '' XFSZ; exec " + apply(table, out) + "\"", &err), 1);
    EXPECT_NE(err.find("Cannot write \"" + out + "\": File too large"), std::string::npos) << err;
    EXPECT_NE(err.find("Nothing was written."), std::string::npos) << err;
    EXPECT_EQ(readAll(out), "an older output\n");

    EXPECT_EQ(shell(apply(table, table), &err), 1);
    EXPECT_NE(err.find("it is the table \"" + table + "\" itself"), std::string::npos) << err;
    EXPECT_EQ(shell(apply(table, session), &err), 1);
    EXPECT_NE(err.find("it is the session file"), std::string::npos) << err;
    EXPECT_EQ(filesIn(dir.path()), 6) << "no temporary file left";  // t.csv, session, out, other, v1, err
}

// A disk that really fills (a 64 kB file system in a private mount
// namespace: root only): status 1, the message, the older output as it was.
TEST_F(BatchApplyTest, AFullDiskFailsTheRunAndKeepsTheOlderOutput) {
    if (geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
    const std::string small = dir.path() + "/small";
    std::filesystem::create_directory(small);
    const std::string target = small + "/out.csv";
    std::string commands = "mount -t tmpfs -o size=64k tmpfs '" + small + "' && echo 'an older output' > '" + target +
                           "' && { " + apply(table, target) + " > /dev/null; echo status \\$? >&2; }";
#ifdef STRANDS_APPLY_BINARY
    commands += " && { OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1 OMPI_MCA_btl=self,vader "
                "ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" mpirun --oversubscribe -n 2 " STRANDS_APPLY_BINARY
                " --session '" + session + "' --apply '" + table + "' --export '" + target +
                "' > /dev/null; echo mpi status \\$? >&2; }";
#endif
    commands += " && cat '" + target + "' >&2 && ls -A '" + small + "' >&2";
    std::string err;
    const int status = shell("unshare --mount bash -c \"" + commands + "\"", &err);
    if (err.find("mount:") != std::string::npos || err.find("unshare:") != std::string::npos) {
        GTEST_SKIP() << "no private mount here: " << err;
    }
    EXPECT_EQ(status, 0) << err;
    EXPECT_NE(err.find("Cannot write \"" + target + "\": No space left on device. Nothing was written."),
              std::string::npos) << err;
    EXPECT_NE(err.find("status 1\n"), std::string::npos) << err;
#ifdef STRANDS_APPLY_BINARY
    EXPECT_NE(err.find("mpi status 1\n"), std::string::npos) << err;
    // One process or both ran out of room, whichever wrote first: the message names OUT.
    const size_t mpiMessage = err.find("strands-apply: ");
    EXPECT_NE(err.find("Cannot write \"" + target + "\": ", mpiMessage), std::string::npos) << err;
#endif
    EXPECT_NE(err.find("an older output\nout.csv\n"), std::string::npos) << "only the older output is left: " << err;
}

#ifdef STRANDS_APPLY_BINARY
// mpirun as CI runs it (as root, more processes than cores): for this test
// only. OpenMPI keeps allocations to the end that the leak checker of the
// sanitizer build cannot tell from leaks (its libraries have no frame
// pointers to name them by): leak checking is off in these processes, the
// address and undefined-behaviour checks stay on; the same code runs in one
// process, leaks checked, in the tests above and in the model's tests.
std::string mpirun(int processes) {
    const char* asan = std::getenv("ASAN_OPTIONS");
    return "OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1 OMPI_MCA_btl=self,vader ASAN_OPTIONS='" +
           std::string(asan ? asan : "") + ":detect_leaks=0' mpirun --oversubscribe -n " + std::to_string(processes) +
           " " STRANDS_APPLY_BINARY;
}

TEST_F(BatchApplyTest, UnderMpiTwoOrThreeProcessesWriteTheBytesOfOneAndAFailingProcessFailsTheRun) {
    std::string err;
    const std::string single = dir.path() + "/single.csv";
    ASSERT_EQ(shell(apply(table, single) + " > /dev/null", &err), 0) << err;
    for (int processes : {2, 3}) {
        const std::string target = dir.path() + "/mpi" + std::to_string(processes) + ".csv";
        ASSERT_EQ(shell("env " + mpirun(processes) + " --session '" + session + "' --apply '" + table + "' --export '" +
                            target + "' > /dev/null",
                        &err),
                  0) << err;
        EXPECT_TRUE(readAll(target) == readAll(single)) << processes << " processes";
        EXPECT_NE(err.find("Labelled 3000 rows"), std::string::npos) << err;
    }
    dir.write("out.csv", "an older output\n");
    EXPECT_NE(shell("env STRANDS_APPLY_FAIL_RANK=1 " + mpirun(3) + " --session '" + session + "' --apply '" + table +
                        "' --export '" + out + "' > /dev/null",
                    &err),
              0);
    EXPECT_NE(err.find("process 1 of 3: cannot read its range"), std::string::npos) << err;
    EXPECT_NE(err.find("a process failed. Nothing was written."), std::string::npos) << err;
    EXPECT_EQ(readAll(out), "an older output\n");
    EXPECT_EQ(filesIn(dir.path()), 7) << "no temporary file left";  // t.csv, session, single, mpi2, mpi3, out, err
}
#endif

}  // namespace

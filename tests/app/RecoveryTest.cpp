// Work is never lost: unsaved work is kept once the user pauses and on the
// way out, offered on the next start (restored, or set aside for File >
// Recover), and whatever a recovery file holds (a truncated or hostile one,
// one for the table as it was, a folder that cannot be written) the work on
// screen stays and the user is told.
#include <FL/Fl.H>

#include <nlohmann/json.hpp>

#include "TestSupport.h"
#include "app/Autosave.h"
#include "app/FileCommands.h"
#include "app/MainWindow.h"
#include "model/RecoveryStore.h"
#include "model/Session.h"
#include "operators/ClusterTree.h"

namespace {

// The work of a window as a session holds it, without the graph's layout
// (it moves on its own timer) and the serial numbers.
std::string workOf(MainWindow& main) {
    nlohmann::json session = nlohmann::json::parse(main.getDocument().captureSession().toJson());
    for (auto& node : session["tree"]["nodes"]) node.erase("graph");
    return session.dump();
}

class RecoveryTest : public testing::Test {
protected:
    void SetUp() override {
        state = dir.path() + "/state";
        setenv("XDG_STATE_HOME", state.c_str(), 1);
        table = dir.write("t.csv", randomIntegerTable(120, 4, 50, 8));
        setProblemReporter([this](const std::string& problem) { problems.push_back(problem); });
        setRecoveryAnswerer([this](const std::string& question) {
            questions.push_back(question);
            return restore;
        });
    }
    void TearDown() override {
        setProblemReporter(nullptr);
        setRecoveryAnswerer(nullptr);
    }
    std::unique_ptr<MainWindow> makeMain() {
        MultidimensionalData* loaded = loadTableQuietly(table);
        std::unique_ptr<MainWindow> main;
        stdoutOf([&] { main = std::make_unique<MainWindow>(loaded); });
        return main;
    }
    // Two operators and a hint path, through the document.
    static void shape(MainWindow& main) {
        Document& document = main.getDocument();
        stdoutOf([&] {
            const AROperator* op = document.addOperator(0.2f, 0.5f, true, Color4(1, 0, 0, 0.8f));
            ASSERT_NE(op, nullptr);
            document.stepOperatorRadius(op, -10);
            ASSERT_NE(document.addOperator(0.7f, 0.4f, false, Color4(0, 0, 1, 0.8f)), nullptr);
            document.addHintPoint(1, 0.6f);
        });
    }
    std::string recoveryFile() const { return RecoveryStore(state + "/strands").fileFor(table); }

    TempDir dir;
    std::string state, table;
    std::vector<std::string> problems, questions;
    bool restore = true;  // the answer to the offer
};

// Edits are kept once the user pauses, undone back to the start nothing is
// kept, and a saved session clears the file.
TEST_F(RecoveryTest, WorkIsKeptAfterAPauseAndClearedOnceSavedOrUndone) {
    auto main = makeMain();
    shape(*main);
    EXPECT_TRUE(main->getAutosave().isPending());
    for (int k = 0; k < 400 && main->getAutosave().isPending(); ++k) Fl::wait(0.05);
    ASSERT_FALSE(main->getAutosave().isPending()) << "written once the user paused";
    Session kept;
    std::string error;
    ASSERT_TRUE(readSessionFile(recoveryFile(), &kept, &error)) << error;
    EXPECT_EQ(kept.nodes.size(), main->getDocument().captureSession().nodes.size());

    while (main->getDocument().canUndo()) main->getDocument().undo();
    EXPECT_FALSE(main->getDocument().isModified());
    ASSERT_TRUE(main->getAutosave().saveNow());
    EXPECT_FALSE(std::ifstream(recoveryFile()).good()) << "nothing unsaved: nothing kept";

    main->getDocument().redo();
    ASSERT_TRUE(main->getAutosave().saveNow());
    EXPECT_TRUE(std::ifstream(recoveryFile()).good());
    main->getDocument().markSaved();  // what Save Session does once the file is written
    EXPECT_FALSE(std::ifstream(recoveryFile()).good());
    EXPECT_FALSE(main->getAutosave().isPending());
}

// The next start on the table offers the work and restores it exactly; work
// not taken is set aside (never replaced by new work) and File > Recover
// offers it again.
TEST_F(RecoveryTest, TheNextStartOffersTheWorkAndRestoresItOrSetsItAside) {
    std::string before;
    {
        auto first = makeMain();
        shape(*first);
        before = workOf(*first);
        ASSERT_TRUE(first->getAutosave().saveNow());  // as on the way out
    }
    auto second = makeMain();
    EXPECT_FALSE(second->getAutosave().ownsRecoveryFile());
    restore = false;
    EXPECT_FALSE(offerRecovery(*second, RecoveryChoice::kAsk));
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_NE(questions[0].find("Unsaved work on \"t.csv\" was kept on "), std::string::npos) << questions[0];
    EXPECT_NE(questions[0].find(recoveryFile()), std::string::npos) << "the dialog names the file";
    EXPECT_NE(second->getStatus().find("is set aside in " + state + "/strands/t-"), std::string::npos)
        << second->getStatus();
    EXPECT_FALSE(second->getDocument().isModified());
    EXPECT_FALSE(offerRecovery(*second, RecoveryChoice::kAsk)) << "offered once";
    EXPECT_EQ(questions.size(), 1u);

    // New work replaces nothing set aside; File > Recover offers the older work.
    stdoutOf([&] { second->getDocument().toggleHistograms(); });
    ASSERT_TRUE(second->getAutosave().saveNow());
    restore = true;
    stdoutOf([&] { recoverWork(*second); });
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(workOf(*second), before) << "the same item lists, groups and settings";
    EXPECT_TRUE(second->getDocument().isModified()) << "recovered work is unsaved";
    EXPECT_NE(second->getStatus().find("Restored the unsaved work of "), std::string::npos) << second->getStatus();
    EXPECT_TRUE(problems.empty());

    // --recover restores without asking; with nothing to recover it says so.
    ASSERT_TRUE(second->getAutosave().saveNow());
    auto third = makeMain();
    stdoutOf([&] { EXPECT_TRUE(offerRecovery(*third, RecoveryChoice::kRestore)); });
    EXPECT_EQ(questions.size(), 2u);
    EXPECT_EQ(workOf(*third), before);
    EXPECT_TRUE(third->getAutosave().ownsRecoveryFile()) << "its own work goes there from now on";
    EXPECT_FALSE(offerRecovery(*third, RecoveryChoice::kRestore));
    EXPECT_EQ(third->getStatus(), "Nothing to recover for t.csv");
}

// Truncated, hostile, or for the table as it was: nothing is restored, the
// work on screen stays, the user is told, and the file is kept aside.
TEST_F(RecoveryTest, BadRecoveryFilesChangeNothingAndAreKept) {
    std::string kept;
    {
        auto first = makeMain();
        shape(*first);
        ASSERT_TRUE(first->getAutosave().saveNow());
        kept = readAll(recoveryFile());
    }
    std::string hostile = kept;
    hostile.replace(hostile.find("\"radius\":"), 9, "\"radius\":1e308,\"x\":");
    const std::vector<std::pair<std::string, std::string>> files = {
        {kept.substr(0, kept.size() / 2), "t-"},  // cut short by a full disk or a crash
        {hostile, "radius"},
        {std::string(1 << 16, '['), "t-"},
    };
    for (const auto& [contents, named] : files) {
        std::ofstream(recoveryFile(), std::ios::binary | std::ios::trunc) << contents;
        auto main = makeMain();
        const std::string work = workOf(*main);
        problems.clear();
        stdoutOf([&] { EXPECT_FALSE(offerRecovery(*main, RecoveryChoice::kRestore)); });
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_NE(problems[0].find(named), std::string::npos) << problems[0];
        EXPECT_EQ(workOf(*main), work) << "the work on screen stays";
        EXPECT_NE(main->getStatus().find("was not restored; it is kept in"), std::string::npos) << main->getStatus();
        EXPECT_FALSE(std::ifstream(recoveryFile()).good()) << "set aside, so that new work does not replace it";
    }
    EXPECT_EQ(RecoveryStore(state + "/strands").filesFor(table).size(), 3u);

    // Work kept for the table as it was before it changed on disk.
    std::ofstream(recoveryFile(), std::ios::binary | std::ios::trunc) << kept;
    dir.write("t.csv", randomIntegerTable(120, 4, 50, 9));
    auto changed = makeMain();
    problems.clear();
    stdoutOf([&] { EXPECT_FALSE(offerRecovery(*changed, RecoveryChoice::kRestore)); });
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("has changed since the session was saved"), std::string::npos) << problems[0];
    EXPECT_FALSE(changed->getDocument().isModified());
}

// A state folder that cannot be written: the work goes on, the status line
// says autosave is off and why; once it can be written again, it is on.
TEST_F(RecoveryTest, AnUnwritableStateFolderTurnsAutosaveOffButNotTheWork) {
    dir.write("blocked", "a file where the state folder must go");
    setenv("XDG_STATE_HOME", (dir.path() + "/blocked").c_str(), 1);
    auto main = makeMain();
    shape(*main);
    const std::string work = workOf(*main);
    std::string said;
    said = stderrOf([&] { EXPECT_FALSE(main->getAutosave().saveNow()); });
    EXPECT_TRUE(main->getAutosave().isOff());
    EXPECT_NE(main->getStatus().find("Autosave is off: cannot make the folder \"" + dir.path() + "/blocked/strands\""),
              std::string::npos)
        << main->getStatus();
    EXPECT_NE(said.find("Autosave is off"), std::string::npos);
    EXPECT_EQ(workOf(*main), work);
    stdoutOf([&] { main->getDocument().toggleMixtures(); });
    EXPECT_TRUE(main->getDocument().canUndo()) << "editing goes on";
    std::remove((dir.path() + "/blocked").c_str());
    EXPECT_TRUE(main->getAutosave().saveNow());
    EXPECT_EQ(main->getStatus(), "Autosave is on again");
}

}  // namespace

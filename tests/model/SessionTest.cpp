// Sessions: everything built on a table survives a save and a restore
// exactly; a session that does not fit its table, or a malformed or hostile
// file, is refused with a message naming the problem and changes nothing.
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>

#include "TestSupport.h"
#include "cluster/ClusterPath.h"
#include "cluster/GaussianMixture.h"
#include "cluster/MultidimensionalCluster.h"
#include "layout/DrawRegion.h"
#include "model/Session.h"
#include "model/TableModel.h"
#include "operators/ClusterTree.h"

namespace {

std::string randomTable(int rows, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(0, 100);
    std::string table = "name,a,b,c,d\n";
    for (int r = 0; r < rows; ++r) {
        table += "item" + std::to_string(r);
        for (int d = 0; d < 4; ++d) table += "," + std::to_string(value(random));
        table += "\n";
    }
    return table;
}

class SessionTest : public testing::Test {
protected:
    void SetUp() override {
        path = dir.write("table.csv", randomTable(80, 5));
        model.linkMDdata(loadTableQuietly(path));
    }
    AROperator* add(AROperator* under, float x, float y, bool primary = true) {
        ClusterTree* tree = model.getClusterTree();
        tree->setFocused(under);
        AROperator* op = nullptr;
        stdoutOf([&] { op = tree->addAR(&model, x, y, primary, Color4(0.2f, 0.6f, 0.9f, 0.8f)); });
        if (op != nullptr) tree->setOperatorRadius(op, 0.2);
        return op;
    }
    // A state with something of every kind: moved axes, a wider histogram,
    // nested operators (one under a complementary node), a locked operator
    // with its frozen list, unlocked and locked hint paths, switched displays.
    void buildState() {
        ClusterTree* tree = model.getClusterTree();
        stdoutOf([&] { model.adjustAxisPositions(1, -3); });
        model.stepHistogramWidth(2, 1.5f);
        AROperator* a = add(tree->getRoot(), 0.2f, 0.5f);
        ASSERT_NE(a, nullptr);
        AROperator* b = add(a, 0.8f, 0.4f, false);
        ASSERT_NE(b, nullptr);
        tree->setOperatorAngleWidth(b, 0.4);
        AROperator* c = add(complementOf(tree->getRoot()), 0.5f, 0.6f);
        ASSERT_NE(c, nullptr);
        tree->toggleLock(c);
        tree->moveOperator(c, 0.45f, 0.3f);  // locked: keeps its list
        tree->paintNode(a, Color4(1, 0.5f, 0, 1));
        tree->setFocused(b);
        ClusterPath* paths = model.getPaths();
        const ParallelCoordinatesAxis* axes = model.getAxes();
        paths->addHintPoint(0, 0, axes->getAxisPosition(0), 0.3f);
        paths->addHintPoint(0, 1, axes->getAxisPosition(1), 0.6f);
        paths->addHintPoint(1, 2, axes->getAxisPosition(2), 0.8f);
        paths->increasePeakValue(0, 1);
        stdoutOf([&] { model.updateGaussianMixtures(); });
        stdoutOf([&] { model.toggleHintPathLock(1, false); });
        model.restoreOrderingFlags(false, true);
        display = {false, true, false, false};
    }
    // A fresh model over a fresh load of the same file, with `session` applied.
    std::unique_ptr<TableModel> restored(const Session& session) {
        auto fresh = std::make_unique<TableModel>();
        fresh->linkMDdata(loadTableQuietly(path));
        std::string error;
        EXPECT_TRUE(session.checkAgainst(*fresh->getData(), &error)) << error;
        session.applyTo(*fresh);
        return fresh;
    }
    TempDir dir;
    std::string path;
    TableModel model;
    DisplaySwitches display;
};

TEST_F(SessionTest, ASavedSessionRestoresTheSameStateExactly) {
    buildState();
    if (HasFatalFailure()) return;
    const Session saved = Session::capture(model, display);
    const std::string text = saved.toJson();
    Session read;
    std::string error;
    ASSERT_TRUE(Session::fromJson(text, &read, &error)) << error;
    const auto copy = restored(read);
    // Saved again, the restored state gives the same document, byte for byte.
    EXPECT_EQ(Session::capture(*copy, read.display).toJson(), text);

    // And the pieces the user sees are the same objects' values.
    std::vector<AROperator*> before, after;
    model.getClusterTree()->collectNodes(&before);
    copy->getClusterTree()->collectNodes(&after);
    ASSERT_EQ(before.size(), after.size());
    for (size_t k = 0; k < before.size(); ++k) {
        EXPECT_EQ(before[k]->controlList, after[k]->controlList) << k;
        EXPECT_EQ(before[k]->locked, after[k]->locked) << k;
        EXPECT_EQ(before[k]->leftAxis, after[k]->leftAxis) << k;
        EXPECT_TRUE(sameBits(before[k]->position.x, after[k]->position.x)) << k;
        EXPECT_EQ(before[k]->angleWidth, after[k]->angleWidth) << k;
        EXPECT_EQ(before[k]->radius, after[k]->radius) << k;
        EXPECT_EQ(before[k]->histogram, after[k]->histogram) << k;
    }
    EXPECT_EQ(copy->getClusterTree()->indexOf(copy->getClusterTree()->getFocused()),
              model.getClusterTree()->indexOf(model.getClusterTree()->getFocused()));
    for (int d = 0; d < 4; ++d) {
        EXPECT_EQ(copy->getAxes()->getAxisPosition(d), model.getAxes()->getAxisPosition(d));
        EXPECT_EQ(copy->getHistogramWidth(d), model.getHistogramWidth(d));
    }
    ASSERT_EQ(copy->getClusters()->getLockedGroupNum(), 1);
    ASSERT_EQ(model.getClusters()->getLockedGroupNum(), 1);
    EXPECT_EQ(copy->getClusters()->getLockedGroup(0)->items, model.getClusters()->getLockedGroup(0)->items);
    EXPECT_EQ(copy->getPaths()->getLockedPathNum(), 1);
    EXPECT_TRUE(copy->getGroupSort());
    EXPECT_FALSE(read.display.showHistograms);
    ASSERT_NE(copy->getMixture(1), nullptr);
    EXPECT_EQ(copy->getMixture(1)->getCount(), model.getMixture(1)->getCount());
}

TEST_F(SessionTest, ASessionIsRefusedForAChangedTableOrOneOfAnotherShape) {
    buildState();
    if (HasFatalFailure()) return;
    const Session saved = Session::capture(model, display);
    std::string error;
    TableModel other;
    other.linkMDdata(loadTableQuietly(dir.write("other.csv", randomTable(80, 6))));
    EXPECT_FALSE(saved.checkAgainst(*other.getData(), &error));
    EXPECT_NE(error.find("has changed since the session was saved"), std::string::npos) << error;

    // A table with other columns is another table, not this one changed.
    other.linkMDdata(loadTableQuietly(dir.write("iris.csv", "sepal,petal\n1,2\n3,4\n")));
    EXPECT_FALSE(saved.checkAgainst(*other.getData(), &error));
    EXPECT_NE(error.find("the session was saved for a table with columns \"name\", \"a\", \"b\", \"c\", \"d\" (\"" +
                         path + "\"); this table has columns \"sepal\", \"petal\""),
              std::string::npos)
        << error;

    // The same bytes elsewhere are the same table.
    other.linkMDdata(loadTableQuietly(dir.write("moved.csv", randomTable(80, 5))));
    EXPECT_TRUE(saved.checkAgainst(*other.getData(), &error)) << error;
}

// Hand-made breakages, each refused with a message that names the place.
TEST_F(SessionTest, MalformedSessionsAreRefusedWithTheirProblemNamed) {
    buildState();
    if (HasFatalFailure()) return;
    const std::string good = Session::capture(model, display).toJson();
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    const std::pair<std::string, std::string> cases[] = {
        {"", "not a session file"},
        {good.substr(0, good.size() / 2), "not a session file"},
        {"[1,2,3]", "session: expected an object"},
        {replaced("\"version\":3", "\"version\":4"), "written by a newer version"},
        {replaced("\"version\":3", "\"version\":\"3\""), "session.version: expected a whole number"},
        {replaced("\"delimiter\":\",\"", "\"delimiter\":\";;\""), "table.delimiter"},
        {replaced("\"columns\":[", "\"columns\":[{\"name\":1},"), "table.columns[0].name: expected a string"},
        {replaced("\"format\":\"strands-session\"", "\"format\":\"other\""), "is not a session of this program"},
        {replaced("\"items\":80", "\"items\":-3"), "table.items"},
        {replaced("\"parent\":-1", "\"parent\":5"), "tree.nodes[0].parent"},
        {replaced("\"type\":\"complement\"", "\"type\":\"operator\""), "tree.nodes["},
        {replaced("\"radius\":", "\"radius\":2e9,\"x\":"), "tree.nodes["},
        {replaced("\"hash\":\"", "\"hash\":\"zz"), "table.hash"},
        {replaced("\"histogramWidths\":[", "\"histogramWidths\":[99,"), "histogramWidths"},
        {replaced("\"axes\":[", "\"axes\":[0.9,"), "axes"},
        {replaced("\"focused\":", "\"focused\":1000000,\"x\":"), "tree.focused"},
        {replaced("\"color\":[", "\"color\":[2,"), "color"},
        {"7", "session: expected an object"},
        {replaced("\"groups\":{\"locked\":", "\"groups\":{\"formerly\":"), "groups"},
        {replaced("\"nodes\":[", "\"nodes\":[],\"ignored\":["), "the tree needs its root"},
        {replaced("\"hintPaths\":{\"locked\":[{\"color\":[", "\"hintPaths\":{\"locked\":[{\"color\":[2,"),
         "hintPaths.locked[0].color"},
        {replaced("\"colorBand\":[0.5,", "\"colorBand\":[1.5,"), "session.colorBand[0]: 1.5 is outside [0, 1]"},
        {replaced("\"colorBand\":[", "\"colorBand\":[0.5,0.5,"), "colorBand: too many entries"},
        {replaced("\"colorBand\":[0.5,", "\"colorBand\":["), "session.colorBand: expected 2 numbers"},
    };
    // The colour band's indicator comes back; a file without it (written
    // before it was kept) has the middle of the band.
    Session banded = Session::capture(model, display);
    banded.colourChoice = ColourChoice::within(0.25f, 0.75f);
    Session bandRead;
    std::string readError;
    ASSERT_TRUE(Session::fromJson(banded.toJson(), &bandRead, &readError)) << readError;
    EXPECT_TRUE(bandRead.colourChoice == banded.colourChoice);
    std::string older = good;
    older.erase(older.find(",\"colorBand\":"), older.find(']', older.find("\"colorBand\":")) - older.find(",\"colorBand\":") + 1);
    ASSERT_TRUE(Session::fromJson(older, &bandRead, &readError)) << readError;
    EXPECT_TRUE(bandRead.colourChoice == ColourChoice());
    for (const auto& [text, expected] : cases) {
        Session read;
        std::string error;
        EXPECT_FALSE(Session::fromJson(text, &read, &error)) << expected;
        EXPECT_NE(error.find(expected), std::string::npos) << "\"" << error << "\" does not name " << expected;
    }
    // A node whose parent is an earlier node off the path from the root to the
    // node before it: not a tree in pre-order.
    {
        Session shuffled = Session::capture(model, display);
        ASSERT_GE(shuffled.nodes.size(), 4u);
        ASSERT_EQ(shuffled.nodes[2].parent, 1) << "the nested operator under the first";
        shuffled.nodes.back().parent = 2;
        Session read;
        std::string error;
        EXPECT_FALSE(Session::fromJson(shuffled.toJson(), &read, &error));
        EXPECT_NE(error.find("not listed in pre-order"), std::string::npos) << error;
    }
    // Well-formed, but not fitting the table: an item listed twice, an item
    // left out of every leaf, an item in no group.
    Session read = Session::capture(model, display);
    std::string error;
    ASSERT_GE(read.nodes.size(), 2u);
    ASSERT_FALSE(read.nodes[1].items.empty());
    ASSERT_FALSE(read.nodes.back().items.empty());
    ASSERT_FALSE(read.unlockedGroups.empty());
    ASSERT_FALSE(read.unlockedGroups[0].items.empty());
    read.nodes[1].items.push_back(read.nodes[1].items.front());
    EXPECT_FALSE(read.checkAgainst(*model.getData(), &error));
    EXPECT_NE(error.find("listed twice"), std::string::npos) << error;
    read = Session::capture(model, display);
    read.nodes.back().items.pop_back();
    EXPECT_FALSE(read.checkAgainst(*model.getData(), &error));
    EXPECT_NE(error.find("leaves"), std::string::npos) << error;
    read = Session::capture(model, display);
    read.unlockedGroups[0].items.pop_back();
    EXPECT_FALSE(read.checkAgainst(*model.getData(), &error));
    EXPECT_NE(error.find("in 0 groups"), std::string::npos) << error;
}

// A few hundred mutated and truncated sessions (fixed seed): each is refused
// with a message, or restores into a model whose leaves still share out the
// table. Never a crash (the sanitizer build runs this too).
TEST_F(SessionTest, MutatedSessionsAreRefusedOrRestoreConsistently) {
    buildState();
    if (HasFatalFailure()) return;
    const std::string good = Session::capture(model, display).toJson();
    std::mt19937 random(20261207);
    const char* replacements[] = {"-1", "0", "1e308", "3", "0.5", "\"x\"", "null", "[]", "{}", "true", "99999999999"};
    const std::string noise = "[]{},:\"-0123456789.eE ";
    int refused = 0, restoredCount = 0;
    for (int round = 0; round < 300; ++round) {
        std::string text = good;
        switch (round % 5) {
            case 0: text.resize(random() % text.size()); break;
            case 1: {  // a number replaced
                size_t at = random() % text.size();
                while (at < text.size() && !std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
                size_t end = at;
                while (end < text.size() && (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '.')) ++end;
                text.replace(at, end - at, replacements[random() % std::size(replacements)]);
                break;
            }
            case 2: text.erase(random() % text.size(), 1 + random() % 20); break;
            case 3: text[random() % text.size()] = noise[random() % noise.size()]; break;
            default: {
                const size_t at = random() % text.size();
                text.insert(at, text.substr(random() % text.size(), 1 + random() % 30));
                break;
            }
        }
        Session read;
        std::string error;
        if (!Session::fromJson(text, &read, &error) || !read.checkAgainst(*model.getData(), &error)) {
            EXPECT_FALSE(error.empty()) << "refused without a reason, round " << round;
            ++refused;
            continue;
        }
        ++restoredCount;
        const auto copy = restored(read);
        std::vector<AROperator*> nodes;
        copy->getClusterTree()->collectNodes(&nodes);
        std::vector<int> leaves(80, 0);
        for (const AROperator* node : nodes) {
            if (node->noChildren()) {
                for (int item : node->controlList) ++leaves.at(static_cast<size_t>(item));
            }
        }
        EXPECT_EQ(std::count(leaves.begin(), leaves.end(), 1), 80) << "round " << round;
    }
    EXPECT_GT(refused, 150);
    EXPECT_GT(restoredCount, 0) << "some mutations (a changed colour, a moved hint point) are still sessions";
}

}  // namespace

namespace {

// Every value the keys, the wheel and the drags can reach (peaks and
// deviations stepped until they stop changing, up and down; hint points and
// operators dragged far outside the window; graph nodes at the layout's
// reach) is saved and read back as it was.
TEST_F(SessionTest, TheExtremesTheViewCanReachAreReadBack) {
    buildState();
    if (HasFatalFailure()) return;
    ClusterPath* paths = model.getPaths();
    auto stepUntilStill = [](const std::function<void()>& step, const std::function<float()>& value) {
        for (int k = 0; k < 5000; ++k) {
            const float before = value();
            step();
            if (value() == before) return;
        }
        ADD_FAILURE() << "the value never stopped changing";
    };
    stepUntilStill([&] { paths->increasePeakValue(0, 0); }, [&] { return paths->getUnlockedPath(0)->peaks[0]; });
    stepUntilStill([&] { paths->increaseDeviationValue(0, 0); }, [&] { return paths->getUnlockedPath(0)->deviations[0]; });
    stepUntilStill([&] { paths->decreasePeakValue(0, 1); }, [&] { return paths->getUnlockedPath(0)->peaks[1]; });
    EXPECT_EQ(paths->getUnlockedPath(0)->deviations[0], ClusterPath::kMaxDeviation);
    stepUntilStill([&] { paths->decreasePathDeviationValue(0); }, [&] { return paths->getUnlockedPath(0)->deviations[0]; });
    EXPECT_EQ(paths->getUnlockedPath(0)->peaks[0], ClusterPath::kMaxPeak);
    EXPECT_LT(paths->getUnlockedPath(0)->deviations[0], 1e-40f) << "the path-wide steps took it down again";
    EXPECT_LT(paths->getUnlockedPath(0)->peaks[1], 1e-40f);
    paths->adjustHintPoint(0, 1, model.getAxes()->getAxisPosition(1), -1e6f);
    std::vector<AROperator*> nodes;
    model.getClusterTree()->collectNodes(&nodes);
    model.getClusterTree()->moveOperator(nodes[1], 0.2f, 1e6f);
    nodes[2]->graphX = -ClusterTree::kGraphReach;
    nodes[2]->graphY = ClusterTree::kGraphReach;
    nodes[2]->graphPlaced = true;

    const Session saved = Session::capture(model, display);
    Session read;
    std::string error;
    ASSERT_TRUE(Session::fromJson(saved.toJson(), &read, &error)) << error;
    ASSERT_TRUE(read.checkAgainst(*model.getData(), &error)) << error;
    ASSERT_EQ(read.unlockedPaths.size(), saved.unlockedPaths.size());
    EXPECT_EQ(read.unlockedPaths[0].peaks, saved.unlockedPaths[0].peaks);
    EXPECT_EQ(read.unlockedPaths[0].deviations, saved.unlockedPaths[0].deviations);
    EXPECT_EQ(read.unlockedPaths[0].hintPoints[1].y, kMinDragYView);
    EXPECT_EQ(read.nodes[1].y, kMaxDragYView);
    EXPECT_EQ(read.nodes[2].graphX, -ClusterTree::kGraphReach);
    EXPECT_EQ(Session::capture(*restored(read), display).toJson(), saved.toJson());
}

// Files that are no session are refused at once with what they are; a
// member the session does not have costs no memory, however large; a list
// longer than the reader takes is refused as soon as it is read.
TEST_F(SessionTest, WhatIsNoSessionFileIsRefusedWithoutWaitingOrFillingMemory) {
    Session read;
    std::string error;
    EXPECT_FALSE(readSessionFile(dir.path(), &read, &error));
    EXPECT_EQ(error, "Cannot open session file \"" + dir.path() + "\": Is a directory");
    const std::string fifo = dir.path() + "/fifo.json";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_FALSE(readSessionFile(fifo, &read, &error));
    EXPECT_NE(error.find("a named pipe (FIFO), not a regular file"), std::string::npos) << error;

    const std::string good = Session::capture(model, display).toJson();
    std::string nul = good;
    nul.replace(nul.find(path), path.size(), path + "\\u0000.csv");
    EXPECT_FALSE(Session::fromJson(nul, &read, &error));
    EXPECT_EQ(error, "table.path: the name holds a NUL character");

    std::string manyNodes = "{\"tree\":{\"nodes\":[";
    for (int k = 0; k <= 20000; ++k) manyNodes += "{},";
    manyNodes.back() = ']';
    EXPECT_FALSE(Session::fromJson(manyNodes + "}}", &read, &error));
    EXPECT_EQ(error, "tree.nodes: too many entries (more than 20000)");

    // 40 MB of an array the reader has no use for, read within a bound on
    // this process's address space that a whole parsed document (more than
    // 700 MB) would break.
    std::string ignored = "{\"unused\":[";
    ignored.reserve(size_t(41) << 20);
    while (ignored.size() < (size_t(40) << 20)) ignored += "0,0,0,0,0,0,0,0,";
    ignored += "0]," + good.substr(1);
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address space of a sanitizer build is not bounded";
#else
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    ASSERT_GT(pages, 0);
    rlimit saved{};
    getrlimit(RLIMIT_AS, &saved);
    rlimit bound = saved;
    bound.rlim_cur = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (rlim_t(200) << 20);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &bound), 0);
    bool readIt = false;
    try {
        readIt = Session::fromJson(ignored, &read, &error);
    } catch (const std::bad_alloc&) {
        error = "out of memory";
    }
    setrlimit(RLIMIT_AS, &saved);
    EXPECT_TRUE(readIt) << error;
    EXPECT_EQ(read.itemCount, 80);
#endif
}

// Saving a session whose table changed on disk since it was loaded is
// worth a word: the session opens only on the table as it was.
TEST_F(SessionTest, ATableChangedOnDiskSinceItWasLoadedIsNamed) {
    const Session session = Session::capture(model, display);
    EXPECT_EQ(describeTableDrift(session), "");
    std::ofstream(path, std::ios::app) << "item80,1,2,3,4\n";
    EXPECT_EQ(describeTableDrift(session), "the table \"" + path + "\" has changed on disk since it was loaded");
    std::remove(path.c_str());
    EXPECT_EQ(describeTableDrift(session),
              "the table \"" + path + "\" cannot be read any more (No such file or directory)");
}

}  // namespace

// The clusters' export: rows verbatim from the table's file with the leaf,
// its colour and the group of each row; a changed file refused; the write
// atomic, keeping an existing file when it fails.
#include <sys/resource.h>

#include <csignal>

#include "TestSupport.h"
#include "cluster/ClusterPath.h"
#include "cluster/MultidimensionalCluster.h"
#include "model/ClusterExport.h"
#include "model/TableModel.h"
#include "operators/ClusterTree.h"

namespace {

std::vector<std::string> splitLines(const std::string& text, const std::string& end) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t next = text.find(end, at);
        lines.push_back(text.substr(at, next - at));
        at = next == std::string::npos ? text.size() : next + end.size();
    }
    return lines;
}

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> result;
    size_t at = 0;
    for (size_t comma; (comma = line.find(',', at)) != std::string::npos; at = comma + 1) {
        result.push_back(line.substr(at, comma - at));
    }
    result.push_back(line.substr(at));
    return result;
}

class ClusterExportTest : public testing::Test {
protected:
    void link(const std::string& contents) {
        path = dir.write("table.csv", contents);
        model.linkMDdata(loadTableQuietly(path));
    }
    AROperator* addOperator(float x, float y, Color4 colour) {
        AROperator* op = nullptr;
        stdoutOf([&] { op = model.getClusterTree()->addAR(&model, x, y, true, colour); });
        return op;
    }
    std::string exported() {
        std::string csv, error;
        EXPECT_TRUE(ClusterExport::build(model, &csv, &error)) << error;
        return csv;
    }
    TempDir dir;
    std::string path;
    TableModel model;
};

TEST_F(ClusterExportTest, RowsAreCopiedVerbatimWithTheirLeafColourAndGroup) {
    // CRLF line ends, blanks, quoted-looking text, empty and signed fields,
    // a short row and a long one.
    link("name , a,b ,c\r\n"
         "\"x y\" ,1, 2,3\r\n"
         "second,,0.5e1,-\r\n"
         "  third ,4,4\r\n"
         "fourth,1,1,1,extra,more\r\n"
         "fifth,5,5,5\r\n");
    AROperator* op = addOperator(0.275f, 0.9f, Color4(1, 0, 0.5f, 1));
    ASSERT_NE(op, nullptr);
    model.getClusterTree()->setOperatorRadius(op, 0.3);
    ClusterPath* paths = model.getPaths();
    paths->addHintPoint(0, 0, model.getAxes()->getAxisPosition(0), model.transformToDrawRegion(1.0f));
    stdoutOf([&] { model.updateGaussianMixtures(); });
    stdoutOf([&] { model.toggleHintPathLock(0, false); });  // the group becomes locked group 1
    paths->addHintPoint(0, 0, model.getAxes()->getAxisPosition(0), model.transformToDrawRegion(0.0f));
    stdoutOf([&] { model.updateGaussianMixtures(); });

    const std::string csv = exported();
    const auto lines = splitLines(csv, "\r\n");
    ASSERT_EQ(lines.size(), 6u) << "CRLF kept, one line per row: " << csv;
    EXPECT_EQ(lines[0], "name , a,b ,c,leaf,leaf_color,group");
    // Leaves in pre-order: the operator (0), then the root's complement (1).
    std::vector<AROperator*> leaves;
    model.getClusterTree()->collectNodes(&leaves);
    leaves.erase(std::remove_if(leaves.begin(), leaves.end(), [](AROperator* n) { return !n->noChildren(); }),
                 leaves.end());
    ASSERT_EQ(leaves.size(), 2u);
    auto leafOf = [&](int item) {
        for (size_t k = 0; k < leaves.size(); ++k) {
            if (std::count(leaves[k]->controlList.begin(), leaves[k]->controlList.end(), item)) return std::to_string(k);
        }
        return std::string("?");
    };
    auto groupOf = [&](int item) {
        const MultidimensionalCluster* groups = model.getClusters();
        for (int g = 0; g < groups->getUnlockedGroupNum(); ++g) {
            const auto& items = groups->getUnlockedGroup(g)->items;
            if (std::count(items.begin(), items.end(), item)) return std::to_string(g);
        }
        for (int g = 0; g < groups->getLockedGroupNum(); ++g) {
            const auto& items = groups->getLockedGroup(g)->items;
            if (std::count(items.begin(), items.end(), item)) return "L" + std::to_string(g + 1);
        }
        return std::string("?");
    };
    const std::string rows[] = {"\"x y\" ,1, 2,3", "second,,0.5e1,-", "  third ,4,4,", "fourth,1,1,1", "fifth,5,5,5"};
    for (int item = 0; item < 5; ++item) {
        const std::string& line = lines[static_cast<size_t>(item) + 1];
        const std::string expectedStart = rows[item] + "," + leafOf(item) + ",";
        EXPECT_EQ(line.rfind(expectedStart, 0), 0u) << line;
        const auto cells = fields(line);
        ASSERT_GE(cells.size(), 2u) << line;
        EXPECT_EQ(cells.back(), groupOf(item)) << line;
        EXPECT_EQ(cells[cells.size() - 2], leafOf(item) == "0" ? "#FF0080FF" : "#666666BF") << line;
    }
    EXPECT_EQ(groupOf(4), "L1") << "the row at the top of axis 0 is in the locked group";
    EXPECT_EQ(groupOf(0), "1") << "the row at the foot (the column's least value) is in the unlocked path's group";
    EXPECT_EQ(groupOf(2), "0") << "the catch-all group";
    EXPECT_EQ(leafOf(4), "0") << "the operator near the top holds the fifth row";

    // LF files get LF; a header that already has a "leaf" column gets leaf_2.
    link("leaf,group_2,group\n1,2,3\n4,5,6\n");
    const auto plain = splitLines(exported(), "\n");
    ASSERT_GE(plain.size(), 2u);
    EXPECT_EQ(plain[0], "leaf,group_2,group,leaf_2,leaf_color,group_3");
    EXPECT_EQ(plain[1], "1,2,3,0,#666666BF,0");
}

TEST_F(ClusterExportTest, AChangedTableIsRefusedAndTheTableItselfIsNeverTheTarget) {
    link("a,b\n1,2\n3,4\n");
    std::string csv, error;
    dir.write("table.csv", "a,b\n1,2\n3,5\n");  // same size, other contents
    EXPECT_FALSE(ClusterExport::build(model, &csv, &error));
    EXPECT_NE(error.find("has changed since it was loaded"), std::string::npos) << error;
    const std::string target = dir.path() + "/out.csv";
    EXPECT_FALSE(ClusterExport::write(model, target, &error));
    EXPECT_FALSE(std::ifstream(target).good()) << "nothing written";
    link("a,b\n1,2\n");
    EXPECT_FALSE(ClusterExport::write(model, path, &error));
    EXPECT_NE(error.find("is the table \"" + path + "\" itself"), std::string::npos) << error;
}

// A failed write (here: the disk full, by a file-size limit on this process;
// for other users also a folder they may not write to) leaves an existing
// file as it was and no temporary file behind.
TEST_F(ClusterExportTest, AFailedWriteKeepsTheExistingFile) {
    link("a,b\n1,2\n3,4\n5,6\n7,8\n9,10\n");
    const std::string target = dir.write("out.csv", "the old export\n");
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 16;  // bytes: less than the export
    std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    const bool written = ClusterExport::write(model, target, &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(written);
    EXPECT_NE(error.find("Cannot write \"" + target + "\""), std::string::npos) << error;
    std::ifstream kept(target);
    std::string contents((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>());
    EXPECT_EQ(contents, "the old export\n");
    EXPECT_EQ(std::system(("test $(ls '" + dir.path() + "' | wc -l) -eq 2").c_str()), 0) << "a temporary file was left";
    if (geteuid() != 0) {
        const std::string locked = dir.path() + "/locked";
        ASSERT_EQ(std::system(("mkdir '" + locked + "' && echo old > '" + locked + "/out.csv' && chmod 555 '" + locked + "'").c_str()), 0);
        EXPECT_FALSE(ClusterExport::write(model, locked + "/out.csv", &error));
        std::system(("chmod 755 '" + locked + "'").c_str());
    }
    EXPECT_TRUE(ClusterExport::write(model, target, &error)) << error;
}

}  // namespace

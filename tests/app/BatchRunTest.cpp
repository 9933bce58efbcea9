// The batch mode of the real program (no display): a session applied to its
// own table exports its clusters; a session it cannot apply (its table changed
// or gone, the file malformed) ends with status 1, a message naming the
// problem, and nothing written, an older export left as it was.
#include <sys/wait.h>

#include "TestSupport.h"
#include "model/Session.h"
#include "model/TableModel.h"
#include "operators/ClusterTree.h"

namespace {

class BatchRunTest : public testing::Test {
protected:
    void SetUp() override {
        table = dir.write("t.csv", randomIntegerTable(60, 4, 100, 5));
        model.linkMDdata(loadTableQuietly(table));
        AROperator* op = nullptr;
        stdoutOf([&] { op = model.getClusterTree()->addAR(&model, 0.2f, 0.5f, true, Color4(1, 0, 0, 1)); });
        ASSERT_NE(op, nullptr);
        model.getClusterTree()->setOperatorRadius(op, 0.3);
        ASSERT_FALSE(op->controlList.empty());
        session = dir.path() + "/t.session.json";
        std::string error;
        ASSERT_TRUE(writeSessionFile(session, Session::capture(model, DisplaySwitches()), &error)) << error;
    }
    // Runs `strands --session S --export OUT` without a display; its exit status, its standard error in *err.
    int batch(const std::string& sessionPath, std::string* err) {
        const std::string errFile = dir.path() + "/err.txt";
        const std::string command = "env -u DISPLAY " STRANDS_BINARY " --session '" + sessionPath + "' --export '" +
                                    out + "' > /dev/null 2> '" + errFile + "'";
        const int status = std::system(command.c_str());
        *err = readAll(errFile);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // A refused run: status 1, a message holding `why`, the older export untouched.
    void expectRefused(const std::string& sessionPath, const std::string& why) {
        dir.write("out.csv", "an older export\n");
        std::string err;
        EXPECT_EQ(batch(sessionPath, &err), 1) << err;
        EXPECT_NE(err.find(why), std::string::npos) << err;
        EXPECT_NE(err.find("Nothing was exported"), std::string::npos) << err;
        EXPECT_EQ(readAll(out), "an older export\n") << "nothing written";
    }

    TempDir dir;
    std::string table, session, out = dir.path() + "/out.csv";
    TableModel model;
};

TEST_F(BatchRunTest, ASessionExportsItsClustersOnItsOwnTableAndIsRefusedOnAnyOtherOrWhenMalformed) {
    std::string err;
    ASSERT_EQ(batch(session, &err), 0) << err;
    const std::string exported = readAll(out);
    ASSERT_NE(exported.find(",leaf,leaf_color,group\n"), std::string::npos) << exported;
    EXPECT_NE(exported.find(",1,#"), std::string::npos) << "rows in the operator's leaf";

    const std::string text = readAll(session);
    const size_t version = text.find("\"version\":");
    ASSERT_NE(version, std::string::npos) << text.substr(0, 200);
    expectRefused(dir.write("cut.json", text.substr(0, text.size() / 2)), "cut.json");
    expectRefused(dir.write("v99.json", std::string(text).insert(version + 10, "99")), "v99.json");  // a newer version
    expectRefused(dir.path() + "/absent.json", "absent.json");

    // The table edited since, to the same size: the content tells.
    std::string contents = readAll(table);
    const size_t digit = contents.find_first_of("0123456789");
    ASSERT_NE(digit, std::string::npos);
    contents[digit] = contents[digit] == '9' ? '8' : '9';
    dir.write("t.csv", contents);
    expectRefused(session, "has changed since the session was saved");
    ASSERT_EQ(std::remove(table.c_str()), 0);  // the table gone
    expectRefused(session, "t.csv");
}

}  // namespace

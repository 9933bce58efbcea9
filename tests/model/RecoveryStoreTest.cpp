// Where unsaved work is kept: the folder the environment names, one file per
// table found again by any spelling of its path, written atomically (never
// through a link planted in its place), set aside rather than replaced, and
// tidied after thirty days; a folder that cannot be written says why.
#include <sys/stat.h>
#include <utime.h>

#include <ctime>

#include "TestSupport.h"
#include "model/RecoveryStore.h"
#include "model/Session.h"
#include "model/TableModel.h"

namespace {

class RecoveryStoreTest : public testing::Test {
protected:
    void SetUp() override {
        table = dir.write("cars table.csv", "a,b\n1,2\n3,4\n5,6\n");
        model.linkMDdata(loadTableQuietly(table));
        session = Session::capture(model, DisplaySwitches());
    }
    static void age(const std::string& path, long days) {
        const std::time_t then = std::time(nullptr) - days * 86400;
        utimbuf times{then, then};
        ASSERT_EQ(utime(path.c_str(), &times), 0);
    }
    TempDir dir;
    std::string table;
    TableModel model;
    Session session;
};

TEST_F(RecoveryStoreTest, TheFolderComesFromTheEnvironment) {
    // The environment as it was, put back at the end.
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    const std::string savedState = state != nullptr ? state : "", savedHome = home != nullptr ? home : "";
    setenv("XDG_STATE_HOME", "/srv/state", 1);
    EXPECT_EQ(RecoveryStore::defaultFolder(), "/srv/state/strands");
    setenv("XDG_STATE_HOME", "relative/state", 1);  // not absolute: not taken
    setenv("HOME", "/home/ann", 1);
    EXPECT_EQ(RecoveryStore::defaultFolder(), "/home/ann/.local/state/strands");
    unsetenv("XDG_STATE_HOME");
    unsetenv("HOME");
    EXPECT_EQ(RecoveryStore::defaultFolder(), "");
    std::string error;
    EXPECT_FALSE(RecoveryStore("").write(session, &error));
    EXPECT_NE(error.find("neither XDG_STATE_HOME nor HOME"), std::string::npos) << error;
    if (state != nullptr) setenv("XDG_STATE_HOME", savedState.c_str(), 1);
    if (home != nullptr) setenv("HOME", savedHome.c_str(), 1);

    // The time a dialog shows, in the local time zone.
    const char* zone = std::getenv("TZ");
    const std::string savedZone = zone != nullptr ? zone : "";
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(RecoveryStore::timeText(365L * 86400 + 3600 + 125), "1971-01-01 01:02");
    setenv("TZ", "JST-9", 1);  // a rule, no zone file needed
    tzset();
    EXPECT_EQ(RecoveryStore::timeText(365L * 86400 + 3600 + 125), "1971-01-01 10:02");
    if (zone != nullptr) setenv("TZ", savedZone.c_str(), 1); else unsetenv("TZ");
    tzset();
}

TEST_F(RecoveryStoreTest, OneFilePerTableFoundAgainByAnySpellingOfItsPath) {
    const RecoveryStore store(dir.path() + "/state/strands");
    const std::string file = store.fileFor(table);
    const std::string name = file.substr(file.rfind('/') + 1);
    EXPECT_EQ(name.find("cars_table-"), 0u) << name;
    EXPECT_EQ(name.size(), std::string("cars_table-").size() + 16 + std::string(".recovery.json").size()) << name;
    EXPECT_EQ(store.fileFor(dir.path() + "/./sub/../cars table.csv"), file);
    EXPECT_NE(store.fileFor(dir.path() + "/other/cars table.csv"), file) << "another table of the same name";

    std::string error;
    ASSERT_TRUE(store.write(session, &error)) << error;
    struct stat folder {};
    ASSERT_EQ(stat(store.getFolder().c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u) << "the user's work is theirs to read";
    Session read;
    ASSERT_TRUE(readSessionFile(file, &read, &error)) << error;
    EXPECT_TRUE(read.checkAgainst(*model.getData(), &error)) << error;
    ASSERT_EQ(store.filesFor(table).size(), 1u);
    EXPECT_EQ(store.filesFor(table)[0].path, file);
    store.remove(table);
    EXPECT_TRUE(store.filesFor(table).empty());
}

// Work set aside is never replaced by newer work; the latest comes first,
// then the set-aside ones newest first; thirty days on, all of it goes.
TEST_F(RecoveryStoreTest, SetAsideWorkStaysUntilItIsThirtyDaysOld) {
    const RecoveryStore store(dir.path() + "/state");
    std::string error;
    ASSERT_TRUE(store.write(session, &error)) << error;
    age(store.fileFor(table), 3);
    const std::string first = store.setAside(table, &error);
    ASSERT_FALSE(first.empty()) << error;
    ASSERT_TRUE(store.write(session, &error)) << error;
    age(store.fileFor(table), 1);
    const std::string second = store.setAside(table, &error);
    ASSERT_FALSE(second.empty()) << error;
    EXPECT_EQ(store.setAside(table, &error), "") << "nothing left to set aside";
    ASSERT_TRUE(store.write(session, &error)) << error;
    const auto files = store.filesFor(table);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].path, store.fileFor(table));
    EXPECT_EQ(files[1].path, second);
    EXPECT_EQ(files[2].path, first);
    EXPECT_GT(files[1].writtenAt, files[2].writtenAt);

    dir.write("state/notes.txt", "not ours");
    age(dir.path() + "/state/notes.txt", 90);
    age(first, 31);
    EXPECT_EQ(store.tidy(std::time(nullptr)), 1);
    EXPECT_EQ(store.filesFor(table).size(), 2u);
    EXPECT_EQ(std::ifstream(dir.path() + "/state/notes.txt").good(), true) << "other files stay";
    EXPECT_EQ(store.tidy(std::time(nullptr) + 40L * 86400), 2);
}

// A link planted in a recovery file's place is replaced, not written through;
// a folder that cannot be made or written says why, and nothing is left behind.
TEST_F(RecoveryStoreTest, ALinkInAFilesPlaceIsReplacedAndAnUnwritableFolderSaysWhy) {
    const RecoveryStore store(dir.path() + "/state");
    std::string error;
    ASSERT_TRUE(store.write(session, &error)) << error;
    const std::string precious = dir.write("precious.txt", "keep me");
    ASSERT_EQ(std::remove(store.fileFor(table).c_str()), 0);
    ASSERT_EQ(symlink(precious.c_str(), store.fileFor(table).c_str()), 0);
    ASSERT_TRUE(store.write(session, &error)) << error;
    std::ifstream kept(precious);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep me");
    struct stat written {};
    ASSERT_EQ(lstat(store.fileFor(table).c_str(), &written), 0);
    EXPECT_TRUE(S_ISREG(written.st_mode));

    const RecoveryStore blocked(dir.write("a file", "") + "/strands");  // a file where a folder must go
    EXPECT_FALSE(blocked.write(session, &error));
    EXPECT_NE(error.find("cannot make the folder"), std::string::npos) << error;
    const RecoveryStore fullOfFolders(dir.path() + "/state2");
    ASSERT_EQ(mkdir(fullOfFolders.getFolder().c_str(), 0700), 0);
    ASSERT_EQ(mkdir(fullOfFolders.fileFor(table).c_str(), 0700), 0);  // a folder in the file's place
    EXPECT_FALSE(fullOfFolders.write(session, &error));
    EXPECT_NE(error.find(fullOfFolders.fileFor(table)), std::string::npos) << error;
}

}  // namespace

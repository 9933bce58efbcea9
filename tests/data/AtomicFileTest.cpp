// Atomic writes: what a write refuses (and leaves untouched), what it keeps
// of the file it replaces, and reading that never blocks on a pipe.
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>

#include "TestSupport.h"
#include "data/AtomicFile.h"
#include "data/MappedFile.h"

namespace {

class AtomicFileTest : public testing::Test {
protected:
    mode_t modeOf(const std::string& path) const {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
        return info.st_mode;
    }
    // Writes "new" to `target`; the error when it is refused, "" when written.
    std::string refusal(const std::string& target, const std::vector<ReadFile>& inputs = {}) const {
        std::string error;
        return writeFileAtomically(target, "new", &error, inputs) ? "" : error;
    }
    // Nothing but `expected` entries in the folder: no temporary file left.
    void expectEntries(size_t expected) const {
        size_t entries = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++entries;
        EXPECT_EQ(entries, expected);
    }
    TempDir dir;
};

TEST_F(AtomicFileTest, AWriteInStepsShowsNothingUntilItsCommitAndLeavesNothingWhenDropped) {
    const std::string target = dir.write("out.csv", "old\n");
    std::string error;
    {
        AtomicFileWriter writer;
        ASSERT_TRUE(writer.open(target, &error)) << error;
        EXPECT_EQ(writer.temporaryPath().rfind(dir.path() + "/.out.csv.", 0), 0u) << writer.temporaryPath();
        ASSERT_TRUE(writer.write("new ", 4, &error)) << error;
        ASSERT_TRUE(writer.write("rows\n", 5, &error)) << error;
        EXPECT_EQ(readAll(target), "old\n") << "nothing shows before the commit";
        expectEntries(2);
    }  // dropped without a commit
    EXPECT_EQ(readAll(target), "old\n");
    expectEntries(1);

    AtomicFileWriter writer;
    ASSERT_TRUE(writer.open(target, &error)) << error;
    ASSERT_TRUE(writer.write("new rows\n", 9, &error)) << error;
    ASSERT_TRUE(writer.commit(&error)) << error;
    EXPECT_EQ(readAll(target), "new rows\n");
    expectEntries(1);
    EXPECT_FALSE(writer.write("more", 4, &error)) << "a committed writer is closed";
    EXPECT_NE(error.find("Cannot write \"" + target + "\""), std::string::npos) << error;
    EXPECT_FALSE(writer.commit(&error));

    // A refused target makes no temporary file.
    AtomicFileWriter refused;
    EXPECT_FALSE(refused.open(dir.path(), &error));
    EXPECT_EQ(refused.temporaryPath(), "");
    expectEntries(1);
}

TEST_F(AtomicFileTest, ALinkIsWrittenThroughAndAReplacedFileKeepsItsMode) {
    const std::string real = dir.write("real.csv", "old");
    const std::string link = dir.path() + "/link.csv";
    ASSERT_EQ(::symlink("real.csv", link.c_str()), 0);
    EXPECT_EQ(refusal(link), "");
    EXPECT_TRUE(std::filesystem::is_symlink(link)) << "the link stays a link";
    EXPECT_EQ(readAll(real), "new");

    ASSERT_EQ(::chmod(real.c_str(), 0600), 0);
    EXPECT_EQ(refusal(real), "");
    EXPECT_EQ(modeOf(real) & 07777, 0600u);
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    EXPECT_EQ(refusal(link), "");
    EXPECT_EQ(modeOf(real) & 07777, 0640u);
    if (geteuid() == 0) {  // only root may give a file away; the owner and group stay
        ASSERT_EQ(::chown(real.c_str(), 1234, 4321), 0);
        EXPECT_EQ(refusal(real), "");
        struct stat info {};
        ASSERT_EQ(::stat(real.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, 1234u);
        EXPECT_EQ(info.st_gid, 4321u);
    }

    // A new file: the usual permissions; a name as long as a folder entry takes.
    const mode_t mask = ::umask(022);
    const std::string longName = dir.path() + "/" + std::string(246, 'n') + ".csv";
    EXPECT_EQ(refusal(longName), "");
    ::umask(mask);
    EXPECT_EQ(readAll(longName), "new");
    EXPECT_EQ(modeOf(longName) & 07777, 0644u);
    expectEntries(3);
}

TEST_F(AtomicFileTest, WhatIsNotARegularFileIsRefusedAndLeftAsItWas) {
    const std::string fifo = dir.path() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_NE(refusal(fifo).find("a named pipe (FIFO), not a regular file"), std::string::npos);
    EXPECT_TRUE(S_ISFIFO(modeOf(fifo)));
    EXPECT_NE(refusal(dir.path()).find("Is a directory"), std::string::npos);

    const std::string socketPath = dir.path() + "/socket";
    const int socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(socketFd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_NE(refusal(socketPath).find("a socket, not a regular file"), std::string::npos);
    ::close(socketFd);

    // A pipe through its /proc link (as /proc/self/fd/1 is, in a pipeline).
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    EXPECT_NE(refusal("/proc/self/fd/" + std::to_string(ends[1])).find("named pipe"), std::string::npos);
    ::close(ends[0]);
    ::close(ends[1]);

    const std::string dangling = dir.path() + "/dangling";
    ASSERT_EQ(::symlink("nowhere.csv", dangling.c_str()), 0);
    EXPECT_NE(refusal(dangling).find("symbolic link to a file that does not exist"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/nowhere.csv"));

    // A device: a node of our own for root (the system's /dev/null is never
    // put at risk), the system's /dev/null for anyone else (who cannot
    // replace it anyway).
    std::string device = "/dev/null";
    if (geteuid() == 0) {
        device = dir.path() + "/null";
        ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    }
    EXPECT_NE(refusal(device).find("a character device, not a regular file"), std::string::npos);
    EXPECT_TRUE(S_ISCHR(modeOf(device)));
    EXPECT_NE(refusal(std::string("a\0b", 3)).find("NUL"), std::string::npos);
    expectEntries(geteuid() == 0 ? 4 : 3);
}

TEST_F(AtomicFileTest, AFileTheCommandReadOrOneNoOneMayWriteIsRefused) {
    const std::string table = dir.write("table.csv", "a,b\n1,2\n");
    const std::vector<ReadFile> inputs = {{FileIdentity::ofPath(table), "the table", table}};
    const std::string hardLink = dir.path() + "/hard.csv", symbolic = dir.path() + "/soft.csv";
    ASSERT_EQ(::link(table.c_str(), hardLink.c_str()), 0);
    ASSERT_EQ(::symlink(table.c_str(), symbolic.c_str()), 0);
    const std::string roundabout = dir.path() + "/./../" + std::filesystem::path(dir.path()).filename().string() + "/table.csv";
    for (const std::string& spelling : {table, hardLink, symbolic, roundabout}) {
        EXPECT_NE(refusal(spelling, inputs).find("is the table \"" + table + "\" itself"), std::string::npos) << spelling;
    }
    EXPECT_EQ(readAll(table), "a,b\n1,2\n");
    EXPECT_EQ(refusal(dir.path() + "/other.csv", inputs), "");

    // Read-only: refused for everyone, root included, whom the system would let through.
    const std::string locked = dir.write("locked.csv", "kept");
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    EXPECT_NE(refusal(locked).find(geteuid() == 0 ? "read-only" : "Permission denied"), std::string::npos);
    EXPECT_EQ(readAll(locked), "kept");
    EXPECT_EQ(modeOf(locked) & 07777, 0444u);
}

// The temporary copy is made beside the target, so the rename that puts it
// in place never crosses file systems (a target on a memory file system or
// a removable drive, the root folder elsewhere).
TEST_F(AtomicFileTest, AFileOnAnotherFileSystemThanTheRootFolderIsWritten) {
    struct stat rootFolder {}, memory {};
    if (::stat("/", &rootFolder) != 0 || ::stat("/dev/shm", &memory) != 0 || rootFolder.st_dev == memory.st_dev) {
        GTEST_SKIP() << "no folder on another file system than /";
    }
    char folder[] = "/dev/shm/strands-atomic-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string target = std::string(folder) + "/out.csv";
    std::string error;
    EXPECT_TRUE(writeFileAtomically(target, "a,b\n", &error)) << error;
    EXPECT_EQ(readAll(target), "a,b\n");
    std::filesystem::remove_all(folder);
}

// A table or a session given as a named pipe is refused at once: the open
// does not wait for a writer that never comes.
TEST_F(AtomicFileTest, ReadingANamedPipeDoesNotBlock) {
    const std::string fifo = dir.path() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    auto opened = std::async(std::launch::async, [&] {
        MappedFile file(fifo.c_str());
        return file.isOpen() ? std::string("opened") : file.error();
    });
    if (opened.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Unblock the reader so the test can end, then fail.
        const int writer = ::open(fifo.c_str(), O_WRONLY);
        ::close(writer);
        FAIL() << "opening a named pipe blocked";
    }
    EXPECT_EQ(opened.get(), "a named pipe (FIFO), not a regular file");
    MappedFile table(dir.write("t.csv", "a\n1\n").c_str(), 3);
    EXPECT_TRUE(table.isTooLarge());
    EXPECT_TRUE(table.identity().sameFileAs(FileIdentity::ofPath(dir.path() + "/t.csv")));
}

}  // namespace

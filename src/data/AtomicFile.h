// Writing a file so that it is either complete or not there at all: the
// bytes go to a new temporary file in the target's folder, are flushed to
// disk, and only then replace the target in one rename. A full disk, a
// folder without write permission or any other failure leaves an existing
// target as it was and removes the temporary file.
//
// Before anything is written the target is checked, and refused (with a
// message naming it, nothing changed) when it
//   - is one of the files the command read (compared by device and inode,
//     so no spelling, symbolic or hard link of the path gets past);
//   - is not a regular file: a directory, a device (/dev/null), a named
//     pipe, a socket, or a link to one (/proc/self/fd/1);
//   - is a symbolic link to nothing;
//   - may not be written by this user (as open() for writing would decide),
//     or has no write permission for anyone: a read-only file is refused
//     even for root, whom the system would let through, since replacing it
//     would silently undo its protection.
// A symbolic link is written through: its target gets the new contents and
// the link stays as it was. An existing file keeps its permission bits and,
// where the system allows it, its owner and group; a new one gets 0666 less
// the umask.
#pragma once

#include <string>
#include <vector>

#include "data/FileIdentity.h"

// A file the command read: a write never replaces it.
struct ReadFile {
    FileIdentity identity;
    std::string role;  // how the user knows it: "the table", "the session file"
    std::string path;  // as the user gave it
};

// The same write in steps, for contents made piece by piece (a table
// labelled while it is read): open() checks the target and makes the
// temporary file, write() appends, commit() flushes and renames. A failure
// of any step, or an object dropped before commit(), removes the temporary
// file and leaves the target as it was.
class AtomicFileWriter {
public:
    AtomicFileWriter() = default;
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // False, with the reason naming the file in *error, on failure (also of the steps below).
    bool open(const std::string& path, std::string* error, const std::vector<ReadFile>& inputs = {});
    bool write(const char* bytes, size_t count, std::string* error);
    bool commit(std::string* error);
    // Removes the temporary file (nothing happens to the target).
    void abandon();
    // The temporary file while open (other writers may fill it: see commit).
    const std::string& temporaryPath() const { return temporary; }

private:
    std::string given;      // the path as the caller gave it, for messages
    std::string target;     // the file that gets the contents (a link's target)
    std::string folder;     // the target's folder
    std::string temporary;  // the temporary file, while there is one
    int fd = -1;
};

// Writes `contents` to `path`; false, with the reason naming the file in *error, on failure.
bool writeFileAtomically(const std::string& path, const std::string& contents, std::string* error,
                         const std::vector<ReadFile>& inputs = {});

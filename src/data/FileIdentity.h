// FileIdentity: which file a path led to, as the system knows it (device and
// inode), so that a write can tell whether its target is a file the command
// read, whatever name either was given: another spelling of the path, a
// symbolic link, a hard link.
#pragma once

#include <cstdint>
#include <string>

struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool known = false;  // false: no file (nothing was opened, or the path leads nowhere)

    static FileIdentity of(uint64_t device, uint64_t inode) { return {device, inode, true}; }
    // The file `path` leads to now, links followed; unknown when there is none.
    static FileIdentity ofPath(const std::string& path);

    bool sameFileAs(const FileIdentity& other) const {
        return known && other.known && device == other.device && inode == other.inode;
    }
};

// What a file that is not a regular file is, for messages ("a directory",
// "a named pipe (FIFO)", "a character device", ...); `mode` is st_mode.
std::string describeFileKind(unsigned mode);

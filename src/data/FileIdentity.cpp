#include "data/FileIdentity.h"

#include <sys/stat.h>

FileIdentity FileIdentity::ofPath(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return {};
    return of(static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino));
}

std::string describeFileKind(unsigned mode) {
    switch (mode & S_IFMT) {
        case S_IFREG: return "a regular file";
        case S_IFDIR: return "a directory";
        case S_IFIFO: return "a named pipe (FIFO)";
        case S_IFCHR: return "a character device";
        case S_IFBLK: return "a block device";
        case S_IFSOCK: return "a socket";
        case S_IFLNK: return "a symbolic link";
        default: return "not a regular file";
    }
}

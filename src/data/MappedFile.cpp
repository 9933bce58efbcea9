#include "data/MappedFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Why a file of this kind is not read: the system's own words for a
// directory (as every tool says it), the kind for anything else.
std::string notRegular(mode_t mode) {
    if (S_ISDIR(mode)) return std::strerror(EISDIR);
    return describeFileKind(mode) + ", not a regular file";
}

}  // namespace

bool MappedFile::refuse(int fd, const std::string& why) {
    reason = why;
    if (fd >= 0) ::close(fd);
    return false;
}

MappedFile::MappedFile(const char* path, uint64_t maxBytes) {
    // A device or a pipe is refused before it is opened at all (opening some
    // devices acts on them); the check is made again on what was opened.
    struct stat info {};
    if (::stat(path, &info) != 0) {
        refuse(-1, std::strerror(errno));
        return;
    }
    if (!S_ISREG(info.st_mode)) {
        refuse(-1, notRegular(info.st_mode));
        return;
    }
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        refuse(-1, std::strerror(errno));
        return;
    }
    if (::fstat(fd, &info) != 0) {
        refuse(fd, std::strerror(errno));
        return;
    }
    if (!S_ISREG(info.st_mode)) {
        refuse(fd, notRegular(info.st_mode));
        return;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    opened = FileIdentity::of(static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino));
    if (static_cast<uint64_t>(info.st_size) > maxBytes) {
        tooLarge = true;
        refuse(fd, std::to_string(info.st_size) + " bytes, more than the " + std::to_string(maxBytes) + " read");
        return;
    }
    if (info.st_size > 0) {
        void* address = ::mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (address == MAP_FAILED) {
            refuse(fd, std::strerror(errno));
            return;
        }
        bytes = static_cast<const char*>(address);
        length = static_cast<size_t>(info.st_size);
        mapped = true;
    }
    ::close(fd);  // the mapping stays valid without the descriptor
    open = true;
}

MappedFile::~MappedFile() {
    if (mapped) ::munmap(const_cast<char*>(bytes), length);
}

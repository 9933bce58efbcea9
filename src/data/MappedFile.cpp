#include "data/MappedFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

MappedFile::MappedFile(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        reason = std::strerror(errno);
        ::close(fd);
        return;
    }
    if (S_ISDIR(info.st_mode)) {
        reason = std::strerror(EISDIR);
        ::close(fd);
        return;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = "not a regular file";
        ::close(fd);
        return;
    }
    if (info.st_size > 0) {
        void* address = ::mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (address == MAP_FAILED) {
            reason = std::strerror(errno);
            ::close(fd);
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

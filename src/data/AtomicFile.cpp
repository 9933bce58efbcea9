#include "data/AtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string failure(const std::string& path, const std::string& what) {
    return "Cannot write \"" + path + "\": " + what;
}

}  // namespace

bool writeFileAtomically(const std::string& path, const std::string& contents, std::string* error) {
    if (path.empty()) {
        *error = "Cannot write a file without a name";
        return false;
    }
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
        *error = failure(path, std::strerror(EISDIR));
        return false;
    }
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        *error = failure(path, std::strerror(errno));
        return false;
    }
    // New files get the usual permissions (mkstemp makes them private).
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);

    const char* next = contents.data();
    size_t left = contents.size();
    int problem = 0;
    while (left > 0 && problem == 0) {
        const ssize_t written = ::write(fd, next, left);
        if (written < 0) {
            if (errno != EINTR) problem = errno;
            continue;
        }
        next += written;
        left -= static_cast<size_t>(written);
    }
    if (problem == 0 && ::fsync(fd) != 0) problem = errno;
    if (::close(fd) != 0 && problem == 0) problem = errno;
    if (problem == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) problem = errno;
    if (problem != 0) {
        ::unlink(temporary.c_str());
        *error = failure(path, std::strerror(problem));
        return false;
    }
    return true;
}

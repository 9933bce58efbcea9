#include "data/AtomicFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Bytes of the target's name kept in the temporary file's name: with the
// leading dot and mkstemp's ".XXXXXX" it stays within NAME_MAX whatever the
// target's length.
constexpr size_t kKeptNameBytes = 64;
static_assert(1 + kKeptNameBytes + 7 <= NAME_MAX, "temporary names must fit in a folder entry");

std::string failure(const std::string& path, const std::string& what) {
    return "Cannot write \"" + path + "\": " + what;
}

// The file a symbolic link finally leads to, as an absolute path; empty (and
// errno set) when it cannot be followed.
std::string followLinks(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

// Gives the temporary file `fd` the existing target's owner, group and
// permission bits, as far as this user may: the set-user and set-group bits
// only go along with the owner and group they were meant for.
void takeOverAttributes(int fd, const struct stat& existing) {
    if (::fchown(fd, existing.st_uid, existing.st_gid) != 0) {
        if (::fchown(fd, static_cast<uid_t>(-1), existing.st_gid) != 0) { /* the user's own group stays */ }
    }
    mode_t mode = existing.st_mode & 07777;
    struct stat now {};
    if (::fstat(fd, &now) != 0 || now.st_uid != existing.st_uid) mode &= ~S_ISUID;
    if (::fstat(fd, &now) != 0 || now.st_gid != existing.st_gid) mode &= ~S_ISGID;
    ::fchmod(fd, mode);
}

// Flushes the folder's entry of a renamed file (a crash right after the
// rename would otherwise find the old contents); failures change nothing.
void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

AtomicFileWriter::~AtomicFileWriter() { abandon(); }

void AtomicFileWriter::abandon() {
    if (fd >= 0) ::close(fd);
    fd = -1;
    if (!temporary.empty()) ::unlink(temporary.c_str());
    temporary.clear();
}

bool AtomicFileWriter::open(const std::string& path, std::string* error, const std::vector<ReadFile>& inputs) {
    abandon();
    given = path;
    if (path.empty()) {
        *error = "Cannot write a file without a name";
        return false;
    }
    if (path.find('\0') != std::string::npos) {
        *error = failure(path.substr(0, path.find('\0')), "the name holds a NUL character");
        return false;
    }

    // What is there now; `target` is the file that will get the contents
    // (a symbolic link's final target).
    target = path;
    struct stat existing {};
    bool exists = false;
    if (::lstat(path.c_str(), &existing) == 0) {
        exists = true;
        if (S_ISLNK(existing.st_mode)) {
            if (::stat(path.c_str(), &existing) != 0) {
                const int why = errno;
                *error = failure(path, why == ENOENT ? "it is a symbolic link to a file that does not exist"
                                                     : std::strerror(why));
                return false;
            }
            if (S_ISREG(existing.st_mode)) {
                target = followLinks(path);
                if (target.empty()) {
                    *error = failure(path, std::strerror(errno));
                    return false;
                }
            }
        }
    } else if (errno != ENOENT) {
        *error = failure(path, std::strerror(errno));
        return false;
    }
    if (exists) {
        if (S_ISDIR(existing.st_mode)) {
            *error = failure(path, std::strerror(EISDIR));
            return false;
        }
        if (!S_ISREG(existing.st_mode)) {
            *error = failure(path, "it is " + describeFileKind(existing.st_mode) + ", not a regular file");
            return false;
        }
        const FileIdentity identity =
            FileIdentity::of(static_cast<uint64_t>(existing.st_dev), static_cast<uint64_t>(existing.st_ino));
        for (const ReadFile& input : inputs) {
            if (identity.sameFileAs(input.identity)) {
                *error = failure(path, "it is " + input.role + " \"" + input.path + "\" itself; choose another file");
                return false;
            }
        }
        if (::access(target.c_str(), W_OK) != 0) {
            *error = failure(path, std::strerror(errno));
            return false;
        }
        if ((existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
            *error = failure(path, "it is read-only; make it writable first if it is to be replaced");
            return false;
        }
    }

    const size_t slash = target.rfind('/');
    folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string made = folder + "/." + name.substr(0, kKeptNameBytes) + ".XXXXXX";
    fd = ::mkstemp(made.data());
    if (fd < 0) {
        *error = failure(path, std::strerror(errno));
        return false;
    }
    temporary = made;
    if (exists) {
        takeOverAttributes(fd, existing);
    } else {
        // New files get the usual permissions (mkstemp makes them private).
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    return true;
}

bool AtomicFileWriter::write(const char* bytes, size_t count, std::string* error) {
    if (fd < 0) {
        *error = failure(given, "it is not open for writing");
        return false;
    }
    while (count > 0) {
        const ssize_t written = ::write(fd, bytes, count);
        if (written < 0) {
            if (errno == EINTR) continue;
            *error = failure(given, std::strerror(errno));
            abandon();
            return false;
        }
        bytes += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

bool AtomicFileWriter::commit(std::string* error) {
    if (fd < 0) {
        *error = failure(given, "it is not open for writing");
        return false;
    }
    int problem = 0;
    if (::fsync(fd) != 0) problem = errno;
    if (::close(fd) != 0 && problem == 0) problem = errno;
    fd = -1;
    if (problem == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) problem = errno;
    if (problem != 0) {
        abandon();
        *error = failure(given, std::strerror(problem));
        return false;
    }
    temporary.clear();
    syncFolder(folder);
    return true;
}

bool writeFileAtomically(const std::string& path, const std::string& contents, std::string* error,
                         const std::vector<ReadFile>& inputs) {
    AtomicFileWriter writer;
    return writer.open(path, error, inputs) && writer.write(contents.data(), contents.size(), error) &&
           writer.commit(error);
}

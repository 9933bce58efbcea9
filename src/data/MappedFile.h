// MappedFile: the bytes of a file, mapped read-only for the lifetime of the
// object. The table loader walks the file twice (count, then fill) without
// copying it into memory of its own; the session reader parses it in place.
//
// Only regular files are read. The path is looked at before it is opened,
// and the file is opened without waiting (O_NONBLOCK) and looked at again, so
// that a named pipe never blocks the program waiting for a writer and a
// device is never read; the flag is cleared once the file is known to be
// regular.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "data/FileIdentity.h"

class MappedFile {
public:
    // Opens and maps `path`; a file larger than `maxBytes` is refused before
    // anything is read. On failure isOpen() is false and error() names the
    // reason ("Is a directory", "a named pipe (FIFO), not a regular file", ...).
    explicit MappedFile(const char* path, uint64_t maxBytes = UINT64_MAX);
    ~MappedFile();

    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    bool isOpen() const { return open; }
    const std::string& error() const { return reason; }
    // The file was refused for its size alone (more than maxBytes).
    bool isTooLarge() const { return tooLarge; }
    const char* begin() const { return bytes; }
    const char* end() const { return bytes + length; }
    size_t size() const { return length; }
    // The file that was opened (unknown when none was).
    const FileIdentity& identity() const { return opened; }

private:
    bool refuse(int fd, const std::string& why);

    const char* bytes = "";  // mapped contents; a valid empty range for empty files
    size_t length = 0;
    bool mapped = false;
    bool open = false;
    bool tooLarge = false;
    FileIdentity opened;
    std::string reason;
};

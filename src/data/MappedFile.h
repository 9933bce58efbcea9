// MappedFile: the bytes of a file, mapped read-only for the lifetime of the
// object. The table loader walks the file twice (count, then fill) without
// copying it into memory of its own.
#pragma once

#include <cstddef>
#include <string>

class MappedFile {
public:
    // Opens and maps `path`. On failure isOpen() is false and error() names the reason.
    explicit MappedFile(const char* path);
    ~MappedFile();

    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    bool isOpen() const { return open; }
    const std::string& error() const { return reason; }
    const char* begin() const { return bytes; }
    const char* end() const { return bytes + length; }
    size_t size() const { return length; }

private:
    const char* bytes = "";  // mapped contents; a valid empty range for empty files
    size_t length = 0;
    bool mapped = false;
    bool open = false;
    std::string reason;
};

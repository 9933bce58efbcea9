// FileFingerprint: enough of a file's contents to tell later whether it is
// still the file a table was loaded from: its size and a 64-bit hash of its
// bytes (XXH3, about 10 GB/s, so even a 50 MB table costs a few milliseconds).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct FileFingerprint {
    uint64_t size = 0;  // bytes
    uint64_t hash = 0;  // XXH3 of the bytes

    static FileFingerprint of(const char* bytes, size_t size);
    // The fingerprint of the file at `path`; false (and why, in *error) when it cannot be read.
    static bool ofFile(const std::string& path, FileFingerprint* fingerprint, std::string* error);

    // The hash as 16 lower-case hexadecimal digits, and back (false for anything else).
    std::string hashText() const;
    static bool parseHash(const std::string& text, uint64_t* hash);

    bool operator==(const FileFingerprint& other) const { return size == other.size && hash == other.hash; }
    bool operator!=(const FileFingerprint& other) const { return !(*this == other); }
};

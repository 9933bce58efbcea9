#include "data/FileFingerprint.h"

#include <cstdio>

#include "data/MappedFile.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

FileFingerprint FileFingerprint::of(const char* bytes, size_t size) {
    FileFingerprint fingerprint;
    fingerprint.size = size;
    fingerprint.hash = XXH3_64bits(bytes, size);
    return fingerprint;
}

bool FileFingerprint::ofFile(const std::string& path, FileFingerprint* fingerprint, std::string* error) {
    const MappedFile file(path.c_str());
    if (!file.isOpen()) {
        *error = file.error();
        return false;
    }
    *fingerprint = of(file.begin(), file.size());
    return true;
}

std::string FileFingerprint::hashText() const {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

bool FileFingerprint::parseHash(const std::string& text, uint64_t* value) {
    if (text.size() != 16) return false;
    uint64_t result = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else {
            return false;
        }
        result = result << 4 | static_cast<uint64_t>(digit);
    }
    *value = result;
    return true;
}

// Writing a file so that it is either complete or not there at all: the
// bytes go to a new temporary file in the target's folder, are flushed to
// disk, and only then replace the target in one rename. A full disk, a
// folder without write permission or any other failure leaves an existing
// target as it was and removes the temporary file.
#pragma once

#include <string>

// Writes `contents` to `path`; false, with the reason naming the file in *error, on failure.
bool writeFileAtomically(const std::string& path, const std::string& contents, std::string* error);

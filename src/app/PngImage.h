// Writing a picture as a PNG file, atomically (see AtomicFile.h).
#pragma once

#include <string>
#include <vector>

// `rgb`: widthPx x heightPx pixels, 3 bytes each, the top row first. False,
// with the reason naming the file in *error, on failure.
bool writePngFile(const std::string& path, int widthPx, int heightPx, const std::vector<unsigned char>& rgb,
                  std::string* error);

// Writing a picture as a PNG file, atomically (see AtomicFile.h).
#pragma once

#include <string>
#include <vector>

#include "data/AtomicFile.h"

// `rgb`: widthPx x heightPx pixels, 3 bytes each, the top row first. Never
// written over one of `inputs`. False, with the reason naming the file in
// *error, on failure.
bool writePngFile(const std::string& path, int widthPx, int heightPx, const std::vector<unsigned char>& rgb,
                  std::string* error, const std::vector<ReadFile>& inputs = {});

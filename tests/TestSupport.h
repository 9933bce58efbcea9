// Test support: temporary files and directories (removed when the object
// dies) and quiet table loading.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "data/MultidimensionalData.h"

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/strands-test-XXXXXX";
        const char* made = mkdtemp(pattern);
        dir = made ? made : "";
    }
    ~TempDir() {
        if (!dir.empty()) std::system(("rm -rf '" + dir + "'").c_str());
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return dir; }

    // Writes `contents` byte for byte to `name` inside the directory; returns its path.
    std::string write(const std::string& name, const std::string& contents) const {
        const std::string file = dir + "/" + name;
        std::ofstream out(file, std::ios::binary);
        out << contents;
        return file;
    }

private:
    std::string dir;
};

// Loads a table without letting its progress lines reach the test's output.
// The caller owns the table.
inline MultidimensionalData* loadTableQuietly(const std::string& path) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    auto* table = new MultidimensionalData(path.c_str());
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    return table;
}

// Temporary files and directories for tests; removed when the object dies.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

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

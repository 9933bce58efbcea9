// Test support: temporary files and directories (removed when the object
// dies), quiet table loading, captured output, colour comparison; with the
// standard and GoogleTest headers the tests share.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "data/MultidimensionalData.h"
#include "geometry/Color4.h"

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
        std::ofstream(file, std::ios::binary) << contents;
        return file;
    }

private:
    std::string dir;
};

// Every byte of a file; empty when it cannot be read.
inline std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What `run` printed on standard output, or on standard error.
template <typename Run>
std::string stdoutOf(Run&& run) {
    testing::internal::CaptureStdout();
    run();
    return testing::internal::GetCapturedStdout();
}
template <typename Run>
std::string stderrOf(Run&& run) {
    testing::internal::CaptureStderr();
    run();
    return testing::internal::GetCapturedStderr();
}

// Loads a table without letting its progress lines reach the test's output.
// The caller owns the table.
inline MultidimensionalData* loadTableQuietly(const std::string& path) {
    MultidimensionalData* table = nullptr;
    stderrOf([&] { stdoutOf([&] { table = new MultidimensionalData(path.c_str()); }); });
    return table;
}

// A table of `rows` rows of uniformly random integers in [0, maxValue] over
// `dims` dimensions named a, b, c, ...; the same for the same seed.
inline std::string randomIntegerTable(int rows, int dims, int maxValue, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(0, maxValue);
    std::string table;
    for (int d = 0; d < dims; ++d) table += std::string(d ? "," : "") + static_cast<char>('a' + d);
    table += "\n";
    for (int r = 0; r < rows; ++r) {
        for (int d = 0; d < dims; ++d) table += std::to_string(value(random)) + (d + 1 < dims ? "," : "\n");
    }
    return table;
}

// How long a test waits for something another thread or the window system
// does, seconds: generous, since it only matters when something is wrong and
// a loaded machine (or the sanitizer build) is slow.
constexpr double kPatienceSeconds = 120;

// Polls `done` every few milliseconds for at most `seconds`; whether it holds.
template <typename Done>
bool waitUntil(Done&& done, double seconds = kPatienceSeconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

inline bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

inline testing::AssertionResult colourIs(const Color4& c, const Color4& expected, float tolerance = 1e-5f) {
    if (std::fabs(c.r - expected.r) <= tolerance && std::fabs(c.g - expected.g) <= tolerance &&
        std::fabs(c.b - expected.b) <= tolerance && std::fabs(c.a - expected.a) <= tolerance)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "got (" << c.r << ", " << c.g << ", " << c.b << ", " << c.a << ")";
}

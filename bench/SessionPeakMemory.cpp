// Peak resident memory of reading a session file, in a fresh process per
// file: a session saved on the table named on the command line, grown to
// about 40 MB in four ways a hand-edited or hostile file can take:
//
//   ignored array   the session with one more top-level member: a 40 MB array
//                   of numbers the reader has no use for;
//   long item list  the catch-all group's item list 40 MB long (refused,
//                   after reading: the table has fewer items);
//   many points     a hint path with 40 MB of points (refused: one point per
//                   dimension);
//   real items      a valid session of a large table: the root, one operator
//                   and its complement, each listing the items (the table's
//                   item count decides the size; the session is read, not
//                   applied).
//
// Each file is read by the session reader, then (for comparison, in the same
// run) parsed into one whole document as the reader did before; each line
// gives the file's size, the wall time, the process's peak resident memory
// and that peak divided by the file's size.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "data/MultidimensionalData.h"
#include "model/Session.h"
#include "model/TableModel.h"

namespace {

constexpr size_t kTargetBytes = size_t(40) << 20;

std::string repeated(const std::string& unit, size_t bytes) {
    std::string text;
    text.reserve(bytes + unit.size());
    while (text.size() < bytes) text += unit;
    return text;
}

// Parses `path` into a whole document, as the reader did before it was led
// by the session's shape: the comparison in the same run.
int parseWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto start = std::chrono::steady_clock::now();
    const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("parsed whole in %.2f s", seconds);
    return document.is_discarded() ? 1 : 0;
}

// Reads `path` and prints what happened (in the child, a fresh process).
int readOnly(const std::string& path) {
    Session session;
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    const bool read = readSessionFile(path, &session, &error);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s in %.2f s", read ? "read" : "refused", seconds);
    return 0;
}

// Reads `path` in a fresh process (this program again, with `mode`); prints the line for it.
void measure(const char* self, const char* mode, const char* label, const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const double megabytes = static_cast<double>(in.tellg()) / (1 << 20);
    std::printf("%-15s %6.1f MB  ", label, megabytes);
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        execl(self, self, mode, path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const double peak = usage.ru_maxrss / 1024.0;
    std::printf(", peak resident memory %.1f MB (%.1f x the file)\n", peak, peak / megabytes);
}

// Writes the four files 0.json ... 3.json into `dir`; 0 when done.
int makeFiles(const char* tablePath, const char* largeTablePath, const std::string& dir) {
    std::streambuf* saved = std::cout.rdbuf(nullptr);
    std::streambuf* savedErr = std::cerr.rdbuf(nullptr);
    std::string small, large;
    {
        TableModel model;
        model.linkMDdata(new MultidimensionalData(tablePath));
        small = Session::capture(model, DisplaySwitches{}).toJson();
    }
    {
        TableModel model;
        model.linkMDdata(new MultidimensionalData(largeTablePath));
        ClusterTree* tree = model.getClusterTree();
        tree->addAR(&model, 0.2f, 0.5f, true, Color4(1, 0, 0, 1));
        large = Session::capture(model, DisplaySwitches{}).toJson();
    }
    std::cout.rdbuf(saved);
    std::cerr.rdbuf(savedErr);
    if (small.size() < 2 || large.size() < 2) return 1;

    const std::string ignored = "{\"unused\":[" + repeated("0,", kTargetBytes) + "0]," + small.substr(1);
    std::string longItems = small;
    longItems.replace(longItems.find("\"unlocked\":[{\"items\":[") + 22, 0, repeated("0,", kTargetBytes));
    std::string manyPoints = small;
    const std::string point = "{\"deviation\":0.05,\"peak\":1,\"placed\":true,\"x\":0.5,\"y\":0.5},";
    manyPoints.replace(manyPoints.find("\"unlocked\":[]"), 13,
                       "\"unlocked\":[{\"color\":[1,0,0,1],\"points\":[" + repeated(point, kTargetBytes) +
                           point.substr(0, point.size() - 1) + "]}]");
    const std::string* texts[] = {&ignored, &longItems, &manyPoints, &large};
    for (int k = 0; k < 4; ++k) std::ofstream(dir + "/" + std::to_string(k) + ".json", std::ios::binary) << *texts[k];
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--read") return readOnly(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "--parse-whole") return parseWhole(argv[2]);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s TABLE LARGE-TABLE\n", argv[0]);
        return 2;
    }
    char pattern[] = "/tmp/strands-session-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::string dir = pattern;
    // The files are made in a child process, so that this one stays small:
    // a process's peak memory carries over to the children it starts.
    const char* labels[] = {"ignored array", "long item list", "many points", "real items"};
    const pid_t maker = fork();
    if (maker == 0) _exit(makeFiles(argv[1], argv[2], dir));
    int status = 0;
    waitpid(maker, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 1;
    for (int k = 0; k < 4; ++k) {
        const std::string path = dir + "/" + std::to_string(k) + ".json";
        measure(argv[0], "--read", labels[k], path);
        measure(argv[0], "--parse-whole", labels[k], path);
    }
    std::system(("rm -rf '" + dir + "'").c_str());
    return 0;
}

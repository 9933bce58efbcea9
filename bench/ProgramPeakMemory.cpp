// Peak resident memory of the real program as a user runs it, with the three
// operators of the frame benchmark's "3 ops" scene on a table:
//
//   1. the operators are added to the table in a model without a window and
//      saved as a session, as File > Save Session writes it;
//   2. the program is started on it (`STRANDS --session SESSION TABLE`) under
//      the display that scripts/with-xvfb.sh provides;
//   3. once it has drawn every line and gone idle (its processor time grows
//      by less than kIdleShare over kIdleSeconds), its peak resident set
//      (VmHWM in /proc: toolkit, GL driver and its threads included) is
//      read, and the program is ended.
//
// Usage: program_peak_memory STRANDS TABLE
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "data/MultidimensionalData.h"
#include "model/Session.h"
#include "model/TableModel.h"
#include "ViewBenchScenes.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kIdleSeconds = 5;       // idle: over this long ...
constexpr double kIdleShare = 0.05;      // ... less than this share of a core
constexpr double kLongestWaitSeconds = 3600;

// Processor seconds the process has used (user and system), or -1 when it is gone.
double processorSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text)) return -1;
    // Fields after the command name (which may hold spaces) in parentheses.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long userTicks = 0, systemTicks = 0;
    for (int k = 3; k <= 15 && fields >> field; ++k) {
        if (k == 14) userTicks = std::stoull(field);
        if (k == 15) systemTicks = std::stoull(field);
    }
    return static_cast<double>(userTicks + systemTicks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// A "VmHWM:"-style line of /proc/PID/status in MB, or -1.
double statusMegabytes(pid_t pid, const std::string& key) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, key.size(), key) == 0) return std::stod(line.substr(key.size())) / 1024.0;  // kB
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s STRANDS TABLE\n", argv[0]);
        return 2;
    }
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "%s: needs a display (run through scripts/with-xvfb.sh)\n", argv[0]);
        return 2;
    }
    const std::string program = argv[1], table = argv[2];
    char pattern[] = "/tmp/strands-peak-memory-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::string sessionPath = std::string(pattern) + "/three-operators.session.json";
    int items = 0, held = 0;
    {
        std::streambuf* saved = std::cout.rdbuf(nullptr);  // the loader's and the operators' lines
        TableModel model;
        model.linkMDdata(new MultidimensionalData(table.c_str()));
        items = model.getData()->getDataNum();
        held = addThreeOperators(&model);
        std::cout.rdbuf(saved);
        std::string error;
        if (items == 0 || !writeSessionFile(sessionPath, Session::capture(model, DisplaySwitches{}), &error)) {
            std::fprintf(stderr, "%s: cannot make the session of %s: %s\n", argv[0], table.c_str(), error.c_str());
            return 1;
        }
    }

    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) return 1;
    if (pid == 0) {
        // The program's console lines are not the benchmark's.
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execl(program.c_str(), program.c_str(), "--session", sessionPath.c_str(), table.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // Processor time sampled twice a second; idle once the last kIdleSeconds of samples add up to little.
    std::vector<std::pair<double, double>> samples;  // (seconds since start, processor seconds)
    double idleAfter = -1;
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const double now = std::chrono::duration<double>(Clock::now() - start).count();
        const double used = processorSeconds(pid);
        int status = 0;
        if (used < 0 || waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "%s: the program ended before it went idle\n", argv[0]);
            return 1;
        }
        samples.emplace_back(now, used);
        auto first = std::find_if(samples.begin(), samples.end(),
                                  [&](const auto& sample) { return sample.first >= now - kIdleSeconds - 1e-9; });
        if (first != samples.begin() && now >= 2 * kIdleSeconds &&
            used - std::prev(first)->second < kIdleShare * (now - std::prev(first)->first)) {
            idleAfter = std::prev(first)->first;
            break;
        }
        if (now > kLongestWaitSeconds) break;
    }
    const double peak = statusMegabytes(pid, "VmHWM:"), resident = statusMegabytes(pid, "VmRSS:");
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    std::remove(sessionPath.c_str());
    rmdir(pattern);
    if (idleAfter < 0) {
        std::fprintf(stderr, "%s: the program did not go idle within %.0f s\n", argv[0], kLongestWaitSeconds);
        return 1;
    }
    std::printf("%s: %d items, %d held by three operators; the program idle (every line drawn) %.0f s after its "
                "start; peak resident memory %.1f MB (resident then %.1f MB)\n",
                table.c_str(), items, held, idleAfter, peak, resident);
    return 0;
}

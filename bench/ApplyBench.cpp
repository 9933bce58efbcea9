// Labelling a table by a session's rules: throughput per core beside a plain
// read of the same file, and the real program's peak resident memory.
//
//   apply_bench STRANDS SAMPLE BIG...
//
// Shapes SAMPLE (three operators, one nested, and two hint paths), saves the
// session beside a temporary output, then for each BIG (same columns):
//   - a plain read of BIG in 4 MB pieces (the floor: page cache to memory);
//   - the streaming labelling in this process on 1 thread and on every core,
//     the output thrown away (MB of input per second, and per core);
//   - `STRANDS --session S --apply BIG --export OUT` in a fresh process: wall
//     time and its peak resident memory (from wait4).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "cluster/ClusterPath.h"
#include "model/LabelRules.h"
#include "model/RowLabeller.h"
#include "model/Session.h"
#include "model/TableModel.h"
#include "model/TableStream.h"
#include "operators/ClusterTree.h"

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double plainReadSeconds(const std::string& path, int64_t* bytes) {
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::vector<char> buffer(size_t(4) << 20);
    *bytes = 0;
    for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;) *bytes += n;
    ::close(fd);
    return secondsSince(start);
}

double streamSeconds(RowLabeller& labeller, const std::string& path, int threads, int64_t* rows) {
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::open(path.c_str(), O_RDONLY);
    RowLabeller::Tally tally;
    std::string error;
    StreamOptions options;
    options.threads = threads;
    if (!TableStream::run(labeller, fd, path, [](const char*, size_t, std::string*) { return true; }, &tally, &error,
                          options)) {
        std::cerr << error << std::endl;
        std::exit(1);
    }
    ::close(fd);
    *rows = tally.rows;
    return secondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s STRANDS SAMPLE BIG...\n", argv[0]);
        return 2;
    }
    TableModel model;
    std::streambuf* saved = std::cout.rdbuf(nullptr);
    model.linkMDdata(new MultidimensionalData(argv[2]));
    ClusterTree* tree = model.getClusterTree();
    auto between = [&](int d) { return (model.getAxes()->getAxisPosition(d) + model.getAxes()->getAxisPosition(d + 1)) / 2; };
    AROperator* first = tree->addAR(&model, between(0), 0.5f, true, Color4(1, 0, 0, 1));
    tree->setOperatorRadius(first, 0.15);
    tree->addAR(&model, between(3), 0.4f, true, Color4(0, 0, 1, 1));
    tree->setFocused(first);
    tree->addAR(&model, between(5), 0.3f, false, Color4(0, 1, 0, 1));
    for (int d : {1, 2}) model.getPaths()->addHintPoint(0, d, model.getAxes()->getAxisPosition(d), 0.5f);
    model.getPaths()->addHintPoint(1, 4, model.getAxes()->getAxisPosition(4), 0.3f);
    model.updateGaussianMixtures();
    std::cout.rdbuf(saved);

    char folder[] = "/tmp/strands-apply-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) return 1;
    const std::string session = std::string(folder) + "/sample.session.json";
    const std::string out = std::string(folder) + "/out.csv";
    std::string error;
    if (!writeSessionFile(session, Session::capture(model, DisplaySwitches()), &error)) {
        std::cerr << error << std::endl;
        return 1;
    }
    const LabelRules rules(model);
    RowLabeller labeller(model, rules, model.getData()->getDelimiter());
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    for (int k = 3; k < argc; ++k) {
        const std::string big = argv[k];
        int64_t bytes = 0, rows = 0;
        plainReadSeconds(big, &bytes);  // warm the page cache
        const double read = plainReadSeconds(big, &bytes);
        const double mb = static_cast<double>(bytes) / 1e6;
        const double one = streamSeconds(labeller, big, 1, &rows);
        const double all = streamSeconds(labeller, big, cores, &rows);
        std::printf("%s: %lld rows, %.0f MB\n  plain read      %7.0f MB/s\n  apply, 1 thread %7.1f MB/s\n"
                    "  apply, %d threads %6.1f MB/s (%.1f MB/s per core)\n",
                    big.c_str(), static_cast<long long>(rows), mb, mb / read, mb / one, cores, mb / all, mb / all / cores);

        const auto start = std::chrono::steady_clock::now();
        const pid_t child = fork();
        if (child == 0) {
            const int quiet = ::open("/dev/null", O_WRONLY);
            ::dup2(quiet, STDERR_FILENO);
            ::dup2(quiet, STDOUT_FILENO);
            execl(argv[1], argv[1], "--session", session.c_str(), "--apply", big.c_str(), "--export", out.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        const double wall = secondsSince(start);
        std::printf("  strands --apply: %.2f s (%.1f MB/s), peak resident memory %.1f MB, status %d\n", wall, mb / wall,
                    usage.ru_maxrss / 1024.0, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        std::remove(out.c_str());
    }
    std::remove(session.c_str());
    ::rmdir(folder);
    return 0;
}

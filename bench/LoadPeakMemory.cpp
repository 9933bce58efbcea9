// Loads the table named on the command line once and prints the load's wall
// time and the process's peak resident memory (the figure the README quotes).
#include <chrono>
#include <cstdio>
#include <iostream>
#include <sys/resource.h>

#include "data/MultidimensionalData.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s TABLE\n", argv[0]);
        return 2;
    }
    std::streambuf* saved = std::cout.rdbuf(nullptr);
    const auto start = std::chrono::steady_clock::now();
    MultidimensionalData table(argv[1]);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout.rdbuf(saved);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%s: %d items x %d dimensions, loaded in %.3f s, peak resident memory %.1f MB, matrix %s\n",
                argv[1], table.getDataNum(), table.getActualDimNum(), seconds, usage.ru_maxrss / 1024.0,
                table.isDiffMatrixStored() ? "stored" : "on demand");
    return table.isLoaded() ? 0 : 1;
}

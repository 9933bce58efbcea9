// Whole-table load (both passes, normalisation, difference matrix or its
// on-demand form, histograms) against two floors measured in the same run:
// a plain read of the file's bytes, and a minimal two-pass from_chars parser.
//
// Tables come from scripts/make-bench-tables.sh (bench/data/rows_<N>.csv).
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "data/MultidimensionalData.h"

namespace {

std::string tablePath(int64_t rows) {
    const char* dir = std::getenv("STRANDS_BENCH_DATA");
    return std::string(dir ? dir : "bench/data") + "/rows_" + std::to_string(rows) + ".csv";
}

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// Silences the loader's progress lines while it is being timed.
struct QuietStdout {
    std::streambuf* saved = std::cout.rdbuf(nullptr);
    ~QuietStdout() { std::cout.rdbuf(saved); }
};

void BM_LoadTable(benchmark::State& state) {
    const std::string path = tablePath(state.range(0));
    if (!exists(path)) {
        state.SkipWithError("table missing: run scripts/make-bench-tables.sh");
        return;
    }
    QuietStdout quiet;
    for (auto _ : state) {
        MultidimensionalData table(path.c_str());
        benchmark::DoNotOptimize(table.getDataEntry(0, 0));
    }
}

void BM_PlainRead(benchmark::State& state) {
    const std::string path = tablePath(state.range(0));
    if (!exists(path)) {
        state.SkipWithError("table missing: run scripts/make-bench-tables.sh");
        return;
    }
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        size_t lines = 0;
        ssize_t got;
        while ((got = ::read(fd, buffer.data(), buffer.size())) > 0) {
            for (ssize_t k = 0; k < got; ++k) lines += buffer[k] == '\n';
        }
        ::close(fd);
        benchmark::DoNotOptimize(lines);
    }
}

// A minimal two-pass loader (count lines, then from_chars every field) over
// the mapped file: the floor for parsing without the table's own semantics.
void BM_FromCharsFloor(benchmark::State& state) {
    const std::string path = tablePath(state.range(0));
    if (!exists(path)) {
        state.SkipWithError("table missing: run scripts/make-bench-tables.sh");
        return;
    }
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        struct stat info {};
        ::fstat(fd, &info);
        const size_t size = static_cast<size_t>(info.st_size);
        auto* bytes = static_cast<const char*>(::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0));
        ::close(fd);
        const char* end = bytes + size;
        size_t lines = 0;
        for (const char* p = bytes; (p = static_cast<const char*>(std::memchr(p, '\n', end - p))); ++p) ++lines;
        std::vector<float> values;
        values.reserve(lines * 8);
        const char* p = static_cast<const char*>(std::memchr(bytes, '\n', size)) + 1;
        while (p < end) {
            float v = 0;
            auto result = std::from_chars(p, end, v);
            values.push_back(v);
            p = result.ptr + 1;
        }
        ::munmap(const_cast<char*>(bytes), size);
        benchmark::DoNotOptimize(values.data());
    }
}

}  // namespace

BENCHMARK(BM_PlainRead)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FromCharsFloor)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadTable)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

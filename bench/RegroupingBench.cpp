// Regrouping of the items against the unlocked hint paths (mixtures, scoring,
// stable sort, group rebuild with histograms: the work after every hint-point
// change) and the O(N^2) density ordering.
//
// Tables are generated with a fixed seed into a temporary file: 8 dimensions,
// 80 % of the items spread around 12 cluster centres, the rest uniform noise.
// Path u is a full path through the centre of cluster u, deviation 0.05.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "cluster/ClusterPath.h"
#include "cluster/GaussianProximity.h"
#include "cluster/GaussianMixture.h"
#include "cluster/ItemRegrouping.h"
#include "cluster/MultidimensionalCluster.h"
#include "data/MultidimensionalData.h"

namespace {

constexpr int kDimNum = 8;
constexpr int kClusterNum = 12;
constexpr float kDrawRegionOffset = 0.05f;  // the view's vertical transform
constexpr float kDrawRegionScale = 0.9f;

// Silences the "Group number is" and completion lines while timing.
struct QuietStdout {
    std::streambuf* saved = std::cout.rdbuf(nullptr);
    ~QuietStdout() { std::cout.rdbuf(saved); }
};

std::vector<float> clusterCentres() {
    std::mt19937 random(20240611);
    std::uniform_real_distribution<float> centre(0.15f, 0.85f);
    std::vector<float> centres(kClusterNum * kDimNum);
    for (float& c : centres) c = centre(random);
    return centres;
}

// Table of `itemNum` rows, loaded once per size and kept for the whole run.
const MultidimensionalData* table(int itemNum) {
    static std::map<int, std::unique_ptr<MultidimensionalData>> tables;
    auto found = tables.find(itemNum);
    if (found != tables.end()) return found->second.get();

    const std::vector<float> centres = clusterCentres();
    std::mt19937 random(7 + itemNum);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::normal_distribution<float> spread(0.0f, 0.03f);
    char path[] = "/tmp/strands-regrouping-bench-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return nullptr;
    FILE* out = fdopen(fd, "w");
    for (int d = 0; d < kDimNum; ++d) std::fprintf(out, d ? ",d%d" : "d%d", d);
    std::fprintf(out, "\n");
    for (int i = 0; i < itemNum; ++i) {
        const bool noise = unit(random) < 0.2f;
        const int cluster = i % kClusterNum;
        for (int d = 0; d < kDimNum; ++d) {
            const float value = noise ? unit(random) : centres[cluster * kDimNum + d] + spread(random);
            std::fprintf(out, d ? ",%.5f" : "%.5f", value);
        }
        std::fprintf(out, "\n");
    }
    std::fclose(out);
    QuietStdout quiet;
    auto loaded = std::make_unique<MultidimensionalData>(path);
    std::remove(path);
    return (tables[itemNum] = std::move(loaded)).get();
}

void BM_Regroup(benchmark::State& state) {
    const int pathNum = static_cast<int>(state.range(0));
    const MultidimensionalData* data = table(100000);
    if (!data || data->getDataNum() != 100000) {
        state.SkipWithError("could not write or load the generated table");
        return;
    }
    // Path u through the centre of cluster u, in view coordinates. The
    // centres are those of the generated table, normalised the same way.
    const std::vector<float> centres = clusterCentres();
    ClusterPath paths(kDimNum);
    for (int u = 0; u < pathNum; ++u) {
        for (int d = 0; d < kDimNum; ++d) {
            const float rawCentre = centres[(u % kClusterNum) * kDimNum + d];
            const float valueNorm = (rawCentre - data->getMinValue(d)) / (data->getMaxValue(d) - data->getMinValue(d));
            paths.addHintPoint(u, d, 0.05f + 0.9f * d / (kDimNum - 1), kDrawRegionOffset + kDrawRegionScale * valueNorm);
        }
    }
    MultidimensionalCluster groups(data);
    std::vector<ItemScore> scores(data->getDataNum());
    const ItemRegrouping regrouping(data, kDrawRegionOffset, kDrawRegionScale);
    std::vector<std::unique_ptr<GaussianMixture>> mixtures;
    {
        QuietStdout quiet;
        for (auto _ : state) {
            mixtures = regrouping.regroup(paths, groups, scores, false);
            benchmark::DoNotOptimize(scores.data());
        }
    }
    state.counters["groups"] = groups.getUnlockedGroupNum();
    state.counters["claimed"] = static_cast<double>(data->getDataNum() - groups.getUnlockedGroup(0)->items.size());
    state.SetItemsProcessed(state.iterations() * data->getDataNum());
}
BENCHMARK(BM_Regroup)->Arg(1)->Arg(3)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_DensityOrdering(benchmark::State& state) {
    const int itemNum = static_cast<int>(state.range(0));
    const MultidimensionalData* data = table(itemNum);
    if (!data || data->getDataNum() != itemNum) {
        state.SkipWithError("could not write or load the generated table");
        return;
    }
    std::vector<ItemScore> scores(itemNum);
    const ItemRegrouping regrouping(data, kDrawRegionOffset, kDrawRegionScale);
    {
        QuietStdout quiet;
        for (auto _ : state) {
            regrouping.orderByDensity(scores, true);
            benchmark::DoNotOptimize(scores.data());
        }
    }
    state.SetComplexityN(itemNum);
}
BENCHMARK(BM_DensityOrdering)->Arg(1000)->Arg(10000)->Complexity(benchmark::oNSquared)->Unit(benchmark::kMillisecond)->UseRealTime();
// 10^5 items: seconds per run, so one run of each repetition.
BENCHMARK(BM_DensityOrdering)->Arg(100000)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)->UseRealTime();

// The density ordering of the view benchmarks' tables (bench/data, written by
// scripts/make-bench-tables.sh: eight independent uniform columns), as the A
// key orders a table in the program. 10^6 items: minutes, one run.
void BM_DensityOrderingOfViewTable(benchmark::State& state) {
    const int itemNum = static_cast<int>(state.range(0));
    const char* dir = std::getenv("STRANDS_BENCH_DATA");
    const std::string path = std::string(dir ? dir : "bench/data") + "/rows_" + std::to_string(itemNum) + ".csv";
    std::unique_ptr<MultidimensionalData> data;
    {
        QuietStdout quiet;
        data = std::make_unique<MultidimensionalData>(path.c_str());
    }
    if (data->getDataNum() != itemNum) {
        state.SkipWithError(("no table of " + std::to_string(itemNum) + " rows at " + path).c_str());
        return;
    }
    std::vector<ItemScore> scores(static_cast<size_t>(itemNum));
    const ItemRegrouping regrouping(data.get(), kDrawRegionOffset, kDrawRegionScale);
    QuietStdout quiet;
    for (auto _ : state) {
        regrouping.orderByDensity(scores, true);
        benchmark::DoNotOptimize(scores.data());
    }
}
BENCHMARK(BM_DensityOrderingOfViewTable)->Arg(100000)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DensityOrderingOfViewTable)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The sums of the density ordering alone at 10^5 items, by the vector
// instructions used (0: the widest this processor has, 1: AVX2 and FMA), one
// after the other in the same run so the two can be compared.
void BM_DensitySumsByLanes(benchmark::State& state) {
    const MultidimensionalData* data = table(100000);
    if (!data || data->getDataNum() != 100000) {
        state.SkipWithError("could not write or load the generated table");
        return;
    }
    const auto lanes = state.range(0) == 0 ? GaussianProximity::Lanes::Widest : GaussianProximity::Lanes::Avx2;
    const GaussianProximity proximity(data, ItemRegrouping::kDensityKernelWidth, lanes);
    std::vector<float> sums(static_cast<size_t>(data->getDataNum()));
    for (auto _ : state) {
        proximity.scoreAllItems(sums.data());
        benchmark::DoNotOptimize(sums.data());
    }
    state.counters["skipped_tiles"] = static_cast<double>(proximity.getSkippedTiles());
}
BENCHMARK(BM_DensitySumsByLanes)->Arg(0)->Arg(1)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

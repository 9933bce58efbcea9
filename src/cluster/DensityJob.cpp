#include "cluster/DensityJob.h"

#include "data/MultidimensionalData.h"

DensityJob::DensityJob(const MultidimensionalData* data, float kernelWidth)
    : proximity(data, kernelWidth), sums(static_cast<size_t>(proximity.getItemNum()), 0.0f) {
    worker = std::thread([this] {
        if (proximity.scoreAllItems(sums.data(), &progress)) done.store(true);
    });
}

DensityJob::~DensityJob() {
    progress.cancel();
    worker.join();
}

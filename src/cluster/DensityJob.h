// DensityJob: the density sums of every item (see GaussianProximity),
// computed on a worker thread so that the window stays responsive on large
// tables. The table's values are copied when the job is made, on the caller's
// thread; the worker touches nothing else, and the caller takes the result
// when isDone() says so. Destroying the job cancels it and waits for the
// worker to stop (at its next block of work, a few milliseconds).
#pragma once

#include <atomic>
#include <thread>
#include <vector>

#include "cluster/GaussianProximity.h"
#include "data/WorkProgress.h"

class MultidimensionalData;

class DensityJob {
public:
    DensityJob(const MultidimensionalData* data, float kernelWidth);
    ~DensityJob();
    DensityJob(const DensityJob&) = delete;
    DensityJob& operator=(const DensityJob&) = delete;

    bool isDone() const { return done.load(); }
    // Share of the work done, in [0, 1].
    double getProgress() const { return progress.fraction(); }
    // Item i's sum at [i]; complete once isDone().
    const std::vector<float>& getSums() const { return sums; }

private:
    GaussianProximity proximity;
    WorkProgress progress;
    std::vector<float> sums;
    std::atomic<bool> done{false};
    std::thread worker;  // last: started once everything above exists
};

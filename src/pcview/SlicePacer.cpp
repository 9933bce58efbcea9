#include "pcview/SlicePacer.h"

#include <algorithm>
#include <cmath>

namespace {

// Measurements are smoothed over a few slices: one slow frame (the system
// busy elsewhere) should not halve the next slice.
double smoothed(double previous, double measured) { return previous > 0 ? 0.5 * (previous + measured) : measured; }

// A gap longer than this between two slices is the event loop idling, not a frame.
constexpr double kLongestRestOfFrameSeconds = 1.0;

}  // namespace

void SlicePacer::restart() {
    firstSlice = true;
    haveLastEnd = false;
}

SlicePacer::Slice SlicePacer::nextSlice(Clock::time_point now, bool inputWaiting) {
    if (haveLastEnd) {
        const double rest = std::chrono::duration<double>(now - lastEnd).count();
        if (rest >= 0 && rest < kLongestRestOfFrameSeconds) restOfFrameSeconds = smoothed(restOfFrameSeconds, rest);
    }
    std::chrono::duration<double> budget = shortSlice;
    if (!firstSlice && !inputWaiting) {
        const std::chrono::duration<double> paced(kRestOfFrameFactor * restOfFrameSeconds);
        const std::chrono::duration<double> shortest = shortSlice;
        const std::chrono::duration<double> longest = std::max(shortest, std::chrono::duration<double>(longestSlice));
        budget = std::clamp(paced, shortest, longest);
    }
    firstSlice = false;
    Slice slice;
    slice.deadline = now + std::chrono::duration_cast<Clock::duration>(budget);
    slice.yieldFrom = std::min(slice.deadline, now + std::chrono::duration_cast<Clock::duration>(yieldDelay));
    slice.segmentLimit = segmentsPerSecond > 0
                             ? std::max(kLeastSegments, static_cast<uint64_t>(std::llround(segmentsPerSecond * budget.count())))
                             : kUnmeasuredSegments;
    const double yieldSeconds = std::chrono::duration<double>(yieldDelay).count();
    slice.stepSegments = segmentsPerSecond > 0
                             ? std::max(kLeastSegments, static_cast<uint64_t>(std::llround(segmentsPerSecond * yieldSeconds)))
                             : kUnmeasuredSegments;
    return slice;
}

void SlicePacer::sliceDone(uint64_t segments, Clock::time_point start, Clock::time_point end) {
    lastEnd = end;
    haveLastEnd = true;
    const double seconds = std::chrono::duration<double>(end - start).count();
    // Slices too small to time well teach nothing.
    if (seconds > 0.002 && segments >= kLeastSegments) {
        segmentsPerSecond = smoothed(segmentsPerSecond, static_cast<double>(segments) / seconds);
    }
}

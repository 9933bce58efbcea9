// The sizing of the line layer's slices: short after a change and while input
// waits, otherwise a multiple of the rest of the frame within a ceiling, and
// bounded by the segments the driver was measured to draw in that time.
#include <gtest/gtest.h>

#include <cmath>

#include "pcview/SlicePacer.h"

namespace {

using Clock = SlicePacer::Clock;
using std::chrono::milliseconds;

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

TEST(SlicePacerTest, FirstSliceIsShortThenSlicesGrowWithTheRestOfTheFrameUpToTheCeiling) {
    SlicePacer pacer(milliseconds(30));
    Clock::time_point now{};
    // Unmeasured: a short slice of the fixed first size.
    SlicePacer::Slice slice = pacer.nextSlice(now, false);
    EXPECT_NEAR(msBetween(now, slice.deadline), 30, 1e-6);
    EXPECT_EQ(slice.yieldFrom, slice.deadline) << "a short slice runs its course";
    EXPECT_EQ(slice.segmentLimit, SlicePacer::kUnmeasuredSegments);
    // 20000 segments rasterised in 40 ms: 500000 per second.
    pacer.sliceDone(20000, now, now + milliseconds(40));
    EXPECT_NEAR(pacer.getSegmentsPerSecond(), 500000, 1e-3);

    // The rest of the frame took 12 ms: the next slice lasts the set multiple of that.
    now += milliseconds(52);
    slice = pacer.nextSlice(now, false);
    EXPECT_NEAR(pacer.getRestOfFrameSeconds(), 0.012, 1e-9);
    const double pacedMs = SlicePacer::kRestOfFrameFactor * 12;
    const double longestMs = std::chrono::duration<double, std::milli>(SlicePacer::kLongestSlice).count();
    ASSERT_LT(pacedMs, longestMs - 10) << "below the ceiling, for this test";
    EXPECT_NEAR(msBetween(now, slice.deadline), pacedMs, 1e-6);
    EXPECT_NEAR(msBetween(now, slice.yieldFrom), 30, 1e-6) << "input ends a long slice after the short slice's time";
    EXPECT_EQ(slice.segmentLimit, static_cast<uint64_t>(std::llround(500 * pacedMs))) << "500000 per second";
    pacer.sliceDone(slice.segmentLimit, now, now + milliseconds(static_cast<int>(pacedMs)));

    // A long rest of the frame: the ceiling holds.
    now += milliseconds(static_cast<int>(pacedMs) + 100);
    slice = pacer.nextSlice(now, false);
    EXPECT_NEAR(msBetween(now, slice.deadline), longestMs, 1e-6);
}

TEST(SlicePacerTest, InputWaitingOrARestartKeepsTheSliceShort) {
    SlicePacer pacer(milliseconds(30));
    Clock::time_point now{};
    pacer.nextSlice(now, false);
    pacer.sliceDone(20000, now, now + milliseconds(30));
    now += milliseconds(50);
    EXPECT_NEAR(msBetween(now, pacer.nextSlice(now, true).deadline), 30, 1e-6) << "input waits";
    pacer.sliceDone(20000, now, now + milliseconds(30));
    now += milliseconds(50);
    EXPECT_GT(msBetween(now, pacer.nextSlice(now, false).deadline), 30) << "no input: longer";
    pacer.restart();
    now += milliseconds(50);
    EXPECT_NEAR(msBetween(now, pacer.nextSlice(now, false).deadline), 30, 1e-6) << "a new drawing starts short";
}

TEST(SlicePacerTest, IdleGapsAndTinySlicesTeachNothingAndFixedBudgetsHold) {
    SlicePacer pacer(milliseconds(30));
    Clock::time_point now{};
    pacer.nextSlice(now, false);
    pacer.sliceDone(100, now, now + milliseconds(30));  // too few segments to time
    EXPECT_EQ(pacer.getSegmentsPerSecond(), 0);
    pacer.sliceDone(5000, now, now + std::chrono::microseconds(500));  // too short to time
    EXPECT_EQ(pacer.getSegmentsPerSecond(), 0);
    now += std::chrono::seconds(5);  // the event loop idled: not a frame
    pacer.nextSlice(now, false);
    EXPECT_EQ(pacer.getRestOfFrameSeconds(), 0);

    // Budgets set to one value: every slice gets it, however long the frames.
    pacer.setBudgets(milliseconds(0), milliseconds(0));
    pacer.sliceDone(20000, now, now + milliseconds(10));
    now += milliseconds(200);
    EXPECT_NEAR(msBetween(now, pacer.nextSlice(now, false).deadline), 0, 1e-6);
    EXPECT_EQ(pacer.nextSlice(now, false).segmentLimit, SlicePacer::kLeastSegments);
}

}  // namespace

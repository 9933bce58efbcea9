// Hint paths: placing, deleting, stepping, locking and finding hint points.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "cluster/ClusterPath.h"
#include "layout/ParallelCoordinatesAxis.h"

namespace {

// (index, isLocked) as getNearestHintPoint answers them; index -1 when nothing is found.
std::pair<int, bool> nearest(ClusterPath& paths, int d, float x, float y) {
    bool isLocked = false;
    int index = -1;
    paths.getNearestHintPoint(&isLocked, &index, d, x, y);
    return {index, isLocked};
}

TEST(ClusterPathTest, PointsFillTheFirstPathLackingTheirDimension) {
    ClusterPath paths(4);
    paths.addHintPoint(paths.getAvailableIndex(2), 2, 0.65f, 0.3f);
    ASSERT_EQ(paths.getUnlockedPathNum(), 1);
    EXPECT_EQ(paths.getUnlockedPath(0)->peaks[2], 1.0f);
    EXPECT_EQ(paths.getUnlockedPath(0)->peaks[0], 0.0f);
    const Color4 c = paths.getUnlockedPathColor(0);
    EXPECT_EQ(std::max({c.r, c.g, c.b}), 1.0f);  // full value
    EXPECT_EQ(std::min({c.r, c.g, c.b}), 0.0f);  // full saturation

    paths.addHintPoint(paths.getAvailableIndex(2), 2, 0.65f, 0.8f);  // dimension 2 taken: path 1
    paths.addHintPoint(paths.getAvailableIndex(3), 3, 0.95f, 0.5f);  // path 0
    paths.addHintPoint(0, 2, 0.65f, 0.9f);                           // already there: ignored
    ASSERT_EQ(paths.getUnlockedPathNum(), 2);
    EXPECT_EQ(paths.getUnlockedPath(0)->hintPoints[2].y, 0.3f);
    EXPECT_TRUE(paths.getUnlockedPath(0)->hasHintPoint[3]);
    EXPECT_EQ(paths.getHintPointNum(2), 2);
}

TEST(ClusterPathTest, FivePercentStepsAndDeletingPoints) {
    ClusterPath paths(3);
    paths.addHintPoint(0, 0, 0.05f, 0.5f);  // path 0
    paths.addHintPoint(1, 0, 0.05f, 0.7f);  // path 1
    paths.addHintPoint(1, 1, 0.5f, 0.2f);
    // Steps multiply; whole-path steps reach dimensions without a hint point, where peaks stay 0.
    paths.increasePeakValue(1, 1);
    paths.increasePathPeakValue(1);
    paths.increasePathDeviationValue(1);
    ASSERT_EQ(paths.getUnlockedPathNum(), 2);
    const Path* path1 = paths.getUnlockedPath(1);
    EXPECT_NEAR(path1->peaks[1], 1.1025f, 1e-6f);
    EXPECT_EQ(path1->peaks[2], 0.0f);
    // A dimension the path does not have: refused, nothing changes.
    EXPECT_FALSE(paths.deleteHintPoint(0, 1));
    EXPECT_FALSE(paths.deleteHintPoint(1, 2));
    ASSERT_EQ(paths.getUnlockedPathNum(), 2);
    EXPECT_EQ(path1->deviations[2], static_cast<float>(0.05f * 1.05));

    EXPECT_TRUE(paths.deleteHintPoint(1, 1));
    EXPECT_EQ(path1->hintPoints[1].y, -1.0f);
    EXPECT_EQ(path1->peaks[1], 0.0f);
    EXPECT_EQ(path1->deviations[1], 0.05f);
    // The last point of path 0 goes with the path; path 1 moves down.
    EXPECT_TRUE(paths.deleteHintPoint(0, 0));
    ASSERT_EQ(paths.getUnlockedPathNum(), 1);
    EXPECT_EQ(paths.getUnlockedPath(0)->hintPoints[0].y, 0.7f);
}

TEST(ClusterPathTest, FindingHintPointsUsesStrictDistancesAndRealPointsOnly) {
    // The boundary cases need distances that are exactly 0.1 and 0.05 in float.
    ASSERT_EQ(Point2::getDistance(0.5f, 0.0f, 0.5f, 0.1f), 0.1f);
    ASSERT_EQ(Point2::getDistance(0.5f, 0.0f, 0.5f, 0.05f), 0.05f);
    ClusterPath paths(2);
    paths.addHintPoint(0, 0, 0.5f, 0.0f);
    EXPECT_EQ(nearest(paths, 0, 0.5f, 0.1f), std::make_pair(-1, true));
    EXPECT_EQ(nearest(paths, 0, 0.5f, 0.0999f), std::make_pair(0, false));
    int index = -1;
    EXPECT_FALSE(paths.isNearUnlockedHintPoint(&index, 0, 0.5f, 0.05f));
    EXPECT_TRUE(paths.isNearUnlockedHintPoint(&index, 0, 0.5f, 0.0499f));

    // Path 1 (then locked) and path 2 lie nearer to the query than path 0:
    // the search scans unlocked paths first and the first match wins; the
    // near test takes the nearest.
    paths.addHintPoint(1, 0, 0.5f, 0.03f);
    paths.addHintPoint(2, 0, 0.5f, 0.02f);
    paths.lockPath(1);
    EXPECT_EQ(nearest(paths, 0, 0.5f, 0.03f), std::make_pair(0, false));
    EXPECT_TRUE(paths.isNearUnlockedHintPoint(&index, 0, 0.5f, 0.021f));
    EXPECT_EQ(index, 1);  // former path 2
    paths.clearPaths();
    EXPECT_EQ(nearest(paths, 0, 0.5f, 0.03f), std::make_pair(0, true));

    // Stored placeholders never answer: (0, 0) for a dimension never used,
    // (-1, -1) after a deletion.
    ClusterPath phantoms(3);
    phantoms.addHintPoint(0, 0, 0.05f, 0.5f);
    phantoms.addHintPoint(0, 2, 0.95f, 0.5f);
    phantoms.deleteHintPoint(0, 2);
    for (const auto& [d, at] : {std::pair<int, float>{1, 0.0f}, {2, -1.0f}}) {
        EXPECT_EQ(nearest(phantoms, d, at, at).first, -1) << d;
        EXPECT_FALSE(phantoms.isNearUnlockedHintPoint(&index, d, at, at)) << d;
    }
}

TEST(ClusterPathTest, LockingClearingAndFollowingTheAxes) {
    ClusterPath paths(3);
    for (int p = 0; p < 3; ++p) paths.addHintPoint(p, p, 0.1f + 0.2f * p, 0.2f);  // path p on dimension p
    paths.lockPath(1);
    ASSERT_EQ(paths.getLockedPathNum(), 1);
    ASSERT_EQ(paths.getUnlockedPathNum(), 2);
    EXPECT_TRUE(paths.getUnlockedPath(1)->hasHintPoint[2]);  // former path 2 moved down

    ParallelCoordinatesAxis axes(3);
    paths.updateHintPointsPosition(&axes);
    EXPECT_EQ(paths.getLockedPath(0)->hintPoints[1].x, axes.getAxisPosition(1));
    EXPECT_EQ(paths.getUnlockedPath(1)->hintPoints[2].x, axes.getAxisPosition(2));

    paths.clearPaths();
    EXPECT_EQ(paths.getUnlockedPathNum(), 0);
    ASSERT_EQ(paths.getLockedPathNum(), 1);
    paths.unlockPath(0);
    ASSERT_EQ(paths.getUnlockedPathNum(), 1);
    EXPECT_FALSE(paths.getUnlockedPath(0)->locked);
}

}  // namespace

// ClusterPath: the hint paths the user draws across the axes to describe
// clusters. A path has at most one hint point per dimension; each hint point
// sits on its dimension's axis (view coordinates) and carries a peak and a
// deviation used to score items and to build the per-dimension mixtures.
//
// Paths are unlocked (editable, regrouped on every change) or locked (frozen
// with their group). Unlocked path k pairs with unlocked group k + 1 (group 0
// is the catch-all); locked path k with locked group k. Both lists are
// numbered from 0 in list order.
//
// An operation given a path index outside its list, or a dimension outside
// [0, D), does nothing (returns false, 0, or a transparent black colour).
// Editing acts on unlocked paths only.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "geometry/Color4.h"
#include "geometry/Point2.h"

class ParallelCoordinatesAxis;

struct Path {
    bool locked = false;              // true while the path is in the locked list
    std::vector<Point2> hintPoints;   // per dimension, view coordinates; (0, 0) never placed, (-1, -1) deleted
    std::vector<float> peaks;         // per dimension; 1.0 when placed, 0 without a hint point
    std::vector<float> deviations;    // per dimension, normalised value units; 0.05 when placed or deleted
    std::vector<bool> hasHintPoint;   // per dimension, whether the path has a hint point there
    Color4 color;                     // drawn at random when the path is created
};

class ClusterPath {
public:
    // Distance (view units, strict) within which a query finds a hint point.
    static constexpr float kNearHintPointDistance = 0.1f;
    // Distance (view units, strict) for the delete and wheel-adjust near test.
    static constexpr float kNearUnlockedHintPointDistance = 0.05f;
    // Peak and deviation of a freshly placed hint point.
    static constexpr float kInitialPeak = 1.0f;
    static constexpr float kInitialDeviation = 0.05f;
    // Multiplicative key steps (5 %), applied in double precision.
    static constexpr double kIncreaseFactor = 1.05;
    static constexpr double kDecreaseFactor = 0.95;
    // Largest peak and deviation (normalised value units). The keys and the
    // wheel stop there (and the steps down at 0), and a session is read
    // within [0, kMaxPeak] and [0, kMaxDeviation]: every value the view makes
    // is one a saved session gives back.
    static constexpr float kMaxPeak = 1e30f;
    static constexpr float kMaxDeviation = 1e30f;

    // Both lists empty; seeds rand() from clock().
    explicit ClusterPath(int dimNum);

    int getPathNum() const { return getUnlockedPathNum() + getLockedPathNum(); }
    int getUnlockedPathNum() const { return static_cast<int>(unlockedPaths.size()); }
    int getLockedPathNum() const { return static_cast<int>(lockedPaths.size()); }
    int getDimNum() const { return dimNum; }

    // Raised by every change of either list (and by handing out a writable path).
    uint64_t getRevision() const { return revision; }

    // Non-owning; null when out of range. A writable path counts as a change.
    Path* getUnlockedPath(int path);
    const Path* getUnlockedPath(int path) const;
    Path* getLockedPath(int path);
    const Path* getLockedPath(int path) const;

    Color4 getUnlockedPathColor(int path) const;
    Color4 getLockedPathColor(int path) const;
    // Whether the path has a hint point on every dimension (true when D < 1).
    bool isUnlockedPathFull(int path) const;
    bool isLockedPathFull(int path) const;
    // Whether unlocked path `path` has no hint point (true when D < 1).
    bool isEmpty(int path) const;

    // Number of unlocked paths with a hint point on d, and their indices in
    // ascending order (out must hold getHintPointNum(d) entries).
    int getHintPointNum(int d) const;
    void getHintPointIndex(int* out, int d) const;

    // Places a hint point at view point (x, y) on dimension d of unlocked
    // path `path`; an index that is not an unlocked path starts a new one.
    // Ignored when the path already has a hint point on d.
    void addHintPoint(int path, int d, float x, float y);
    // Removes the hint point; a path left without hint points is removed.
    // False (and nothing changes) when the path has no hint point on d.
    bool deleteHintPoint(int path, int d);
    // Moves the stored point of d to view point (x, y).
    bool adjustHintPoint(int path, int d, float x, float y);

    void increasePeakValue(int path, int d);
    void decreasePeakValue(int path, int d);
    void increaseDeviationValue(int path, int d);
    void decreaseDeviationValue(int path, int d);
    // Sets the deviation of unlocked path `path` on d, kept within [0, kMaxDeviation].
    bool setDeviation(int path, int d, float deviation);
    // Every dimension of the path, including those without a hint point.
    void increasePathPeakValue(int path);
    void decreasePathPeakValue(int path);
    void increasePathDeviationValue(int path);
    void decreasePathDeviationValue(int path);

    // Moves the path to the end of the other list (later paths move down).
    void lockPath(int path);
    void unlockPath(int path);
    // Removes every unlocked path; locked paths stay.
    void clearPaths();
    // Replaces both lists (a saved session). Every path must have one entry
    // per dimension in each of its arrays; each path's locked flag is set
    // from the list it goes to.
    void restorePaths(std::vector<Path> unlocked, std::vector<Path> locked);
    // Puts every hint point (locked paths first) back on its dimension's axis:
    // x = axis position, y unchanged.
    void updateHintPointsPosition(const ParallelCoordinatesAxis* axes);

    // The unlocked path a new hint point on d goes to: the first path that is
    // not full and lacks d, else getUnlockedPathNum() (a request for a new path).
    int getAvailableIndex(int d) const;
    // Hint point on d within kNearHintPointDistance of view point (x, y):
    // unlocked paths first, then locked ones, first in index order wins.
    // *isLocked is true unless an unlocked path is found; *index is left
    // unchanged when nothing is found.
    void getNearestHintPoint(bool* isLocked, int* index, int d, float x, float y) const;
    // Nearest unlocked hint point on d (first of equal distances); true with
    // *index set when it lies within kNearUnlockedHintPointDistance.
    bool isNearUnlockedHintPoint(int* index, int d, float x, float y) const;

private:
    bool isValidDim(int d) const { return d >= 0 && d < dimNum; }
    bool isValidUnlocked(int path) const { return path >= 0 && path < getUnlockedPathNum(); }
    bool isValidLocked(int path) const { return path >= 0 && path < getLockedPathNum(); }
    Path makeEmptyPath() const;
    static bool isFull(const Path& path);
    // A step of a peak or deviation, kept within [0, limit].
    static void scale(float& value, double factor, float limit) {
        value = static_cast<float>(std::min(std::max(value * factor, 0.0), static_cast<double>(limit)));
    }

    std::vector<Path> unlockedPaths; // editable paths, paired with unlocked groups 1, 2, ...
    std::vector<Path> lockedPaths;   // frozen paths, paired with locked groups 0, 1, ...
    int dimNum = 0;                  // D, number of dimensions of the table
    uint64_t revision = 1;           // raised by every change
};

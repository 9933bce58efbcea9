#include "cluster/ClusterPath.h"

#include <cstdlib>
#include <ctime>
#include <utility>

#include "layout/DrawRegion.h"
#include "layout/ParallelCoordinatesAxis.h"

namespace {

// Point stored for a dimension whose hint point was deleted.
const Point2 kDeletedHintPoint(-1.0f, -1.0f);

// Fully saturated colour of random hue; rand() lies in [0, 2^31 - 1], so the
// hue h = r * 6 / 2^31 is uniform over the colour circle [0, 6).
Color4 randomPathColor() {
    const double r = static_cast<double>(std::rand());
    const float hue = static_cast<float>(r * 6.0 / 2147483648.0);
    return *Color4::HSV_TO_RGBColor(hue, 1.0f, 1.0f);
}

}  // namespace

ClusterPath::ClusterPath(int dimensions) : dimNum(dimensions < 0 ? 0 : dimensions) {
    std::srand(static_cast<unsigned>(std::clock()));
}

Path* ClusterPath::getUnlockedPath(int path) {
    ++revision;
    return isValidUnlocked(path) ? &unlockedPaths[path] : nullptr;
}
const Path* ClusterPath::getUnlockedPath(int path) const { return isValidUnlocked(path) ? &unlockedPaths[path] : nullptr; }
Path* ClusterPath::getLockedPath(int path) {
    ++revision;
    return isValidLocked(path) ? &lockedPaths[path] : nullptr;
}
const Path* ClusterPath::getLockedPath(int path) const { return isValidLocked(path) ? &lockedPaths[path] : nullptr; }

Color4 ClusterPath::getUnlockedPathColor(int path) const {
    return isValidUnlocked(path) ? unlockedPaths[path].color : Color4();
}

Color4 ClusterPath::getLockedPathColor(int path) const {
    return isValidLocked(path) ? lockedPaths[path].color : Color4();
}

bool ClusterPath::isFull(const Path& path) {
    for (bool has : path.hasHintPoint) {
        if (!has) return false;
    }
    return true;
}

bool ClusterPath::isUnlockedPathFull(int path) const { return isValidUnlocked(path) && isFull(unlockedPaths[path]); }
bool ClusterPath::isLockedPathFull(int path) const { return isValidLocked(path) && isFull(lockedPaths[path]); }

bool ClusterPath::isEmpty(int path) const {
    if (!isValidUnlocked(path)) return false;
    for (bool has : unlockedPaths[path].hasHintPoint) {
        if (has) return false;
    }
    return true;
}

int ClusterPath::getHintPointNum(int d) const {
    if (!isValidDim(d)) return 0;
    int num = 0;
    for (const Path& path : unlockedPaths) num += path.hasHintPoint[d] ? 1 : 0;
    return num;
}

void ClusterPath::getHintPointIndex(int* out, int d) const {
    if (!out || !isValidDim(d)) return;
    for (int p = 0; p < getUnlockedPathNum(); ++p) {
        if (unlockedPaths[p].hasHintPoint[d]) *out++ = p;
    }
}

void ClusterPath::restorePaths(std::vector<Path> unlocked, std::vector<Path> locked) {
    ++revision;
    for (Path& path : unlocked) path.locked = false;
    for (Path& path : locked) path.locked = true;
    unlockedPaths = std::move(unlocked);
    lockedPaths = std::move(locked);
}

Path ClusterPath::makeEmptyPath() const {
    Path path;
    path.hintPoints.assign(dimNum, Point2(0.0f, 0.0f));
    path.peaks.assign(dimNum, 0.0f);
    path.deviations.assign(dimNum, kInitialDeviation);
    path.hasHintPoint.assign(dimNum, false);
    path.color = randomPathColor();
    return path;
}

void ClusterPath::addHintPoint(int path, int d, float x, float y) {
    ++revision;
    if (!isValidDim(d)) return;
    if (!isValidUnlocked(path)) {
        unlockedPaths.push_back(makeEmptyPath());
        path = getUnlockedPathNum() - 1;
    } else if (unlockedPaths[path].hasHintPoint[d]) {
        return;
    }
    Path& target = unlockedPaths[path];
    target.hintPoints[d] = Point2(x, y);
    target.peaks[d] = kInitialPeak;
    target.deviations[d] = kInitialDeviation;
    target.hasHintPoint[d] = true;
    target.locked = false;
}

bool ClusterPath::deleteHintPoint(int path, int d) {
    ++revision;
    if (!isValidUnlocked(path) || !isValidDim(d)) return false;
    Path& target = unlockedPaths[path];
    // Nothing to delete: the path keeps its stored point, peak and deviation.
    if (!target.hasHintPoint[d]) return false;
    target.hasHintPoint[d] = false;
    target.hintPoints[d] = kDeletedHintPoint;
    target.peaks[d] = 0.0f;
    target.deviations[d] = kInitialDeviation;
    if (isEmpty(path)) unlockedPaths.erase(unlockedPaths.begin() + path);
    return true;
}

bool ClusterPath::adjustHintPoint(int path, int d, float x, float y) {
    ++revision;
    if (!isValidUnlocked(path) || !isValidDim(d)) return false;
    unlockedPaths[path].hintPoints[d] = Point2(x, std::clamp(y, kMinDragYView, kMaxDragYView));
    return true;
}

void ClusterPath::increasePeakValue(int path, int d) {
    ++revision;
    if (isValidUnlocked(path) && isValidDim(d)) scale(unlockedPaths[path].peaks[d], kIncreaseFactor, kMaxPeak);
}

void ClusterPath::decreasePeakValue(int path, int d) {
    ++revision;
    if (isValidUnlocked(path) && isValidDim(d)) scale(unlockedPaths[path].peaks[d], kDecreaseFactor, kMaxPeak);
}

void ClusterPath::increaseDeviationValue(int path, int d) {
    ++revision;
    if (isValidUnlocked(path) && isValidDim(d)) scale(unlockedPaths[path].deviations[d], kIncreaseFactor, kMaxDeviation);
}

void ClusterPath::decreaseDeviationValue(int path, int d) {
    ++revision;
    if (isValidUnlocked(path) && isValidDim(d)) scale(unlockedPaths[path].deviations[d], kDecreaseFactor, kMaxDeviation);
}

bool ClusterPath::setDeviation(int path, int d, float deviation) {
    if (!isValidUnlocked(path) || !isValidDim(d)) return false;
    ++revision;
    unlockedPaths[path].deviations[d] = deviation > 0 ? std::min(deviation, kMaxDeviation) : 0.0f;  // NaN: 0
    return true;
}

void ClusterPath::increasePathPeakValue(int path) {
    ++revision;
    if (!isValidUnlocked(path)) return;
    for (float& peak : unlockedPaths[path].peaks) scale(peak, kIncreaseFactor, kMaxPeak);
}

void ClusterPath::decreasePathPeakValue(int path) {
    ++revision;
    if (!isValidUnlocked(path)) return;
    for (float& peak : unlockedPaths[path].peaks) scale(peak, kDecreaseFactor, kMaxPeak);
}

void ClusterPath::increasePathDeviationValue(int path) {
    ++revision;
    if (!isValidUnlocked(path)) return;
    for (float& deviation : unlockedPaths[path].deviations) scale(deviation, kIncreaseFactor, kMaxDeviation);
}

void ClusterPath::decreasePathDeviationValue(int path) {
    ++revision;
    if (!isValidUnlocked(path)) return;
    for (float& deviation : unlockedPaths[path].deviations) scale(deviation, kDecreaseFactor, kMaxDeviation);
}

void ClusterPath::lockPath(int path) {
    ++revision;
    if (!isValidUnlocked(path)) return;
    unlockedPaths[path].locked = true;
    lockedPaths.push_back(std::move(unlockedPaths[path]));
    unlockedPaths.erase(unlockedPaths.begin() + path);
}

void ClusterPath::unlockPath(int path) {
    ++revision;
    if (!isValidLocked(path)) return;
    lockedPaths[path].locked = false;
    unlockedPaths.push_back(std::move(lockedPaths[path]));
    lockedPaths.erase(lockedPaths.begin() + path);
}

void ClusterPath::clearPaths() {
    ++revision;
    unlockedPaths.clear();
}

void ClusterPath::updateHintPointsPosition(const ParallelCoordinatesAxis* axes) {
    ++revision;
    if (!axes) return;
    const int axisDimNum = dimNum < axes->getAxisNum() ? dimNum : axes->getAxisNum();
    for (std::vector<Path>* list : {&lockedPaths, &unlockedPaths}) {
        for (Path& path : *list) {
            for (int d = 0; d < axisDimNum; ++d) {
                if (path.hasHintPoint[d]) path.hintPoints[d].x = axes->getAxisPosition(d);
            }
        }
    }
}

int ClusterPath::getAvailableIndex(int d) const {
    for (int p = 0; p < getUnlockedPathNum(); ++p) {
        const Path& path = unlockedPaths[p];
        if (isFull(path)) continue;
        if (isValidDim(d) && !path.hasHintPoint[d]) return p;
    }
    return getUnlockedPathNum();
}

void ClusterPath::getNearestHintPoint(bool* isLocked, int* index, int d, float x, float y) const {
    if (!isLocked || !index) return;
    *isLocked = true;
    if (!isValidDim(d)) return;
    const Point2 query(x, y);
    // Only real hint points answer: the point stored for a dimension without
    // one ((0, 0) or (-1, -1)) is not on screen.
    auto findIn = [&](const std::vector<Path>& paths) {
        for (int p = 0; p < static_cast<int>(paths.size()); ++p) {
            const Path& path = paths[p];
            if (path.hasHintPoint[d] && Point2::getDistance(path.hintPoints[d], query) < kNearHintPointDistance) return p;
        }
        return -1;
    };
    const int unlocked = findIn(unlockedPaths);
    if (unlocked >= 0) {
        *index = unlocked;
        *isLocked = false;
        return;
    }
    const int locked = findIn(lockedPaths);
    if (locked >= 0) *index = locked;
}

bool ClusterPath::isNearUnlockedHintPoint(int* index, int d, float x, float y) const {
    if (!index || !isValidDim(d) || unlockedPaths.empty()) return false;
    const Point2 query(x, y);
    float best = 2.0f;  // above any distance inside the unit square
    int bestPath = -1;
    for (int p = 0; p < getUnlockedPathNum(); ++p) {
        const Path& path = unlockedPaths[p];
        if (!path.hasHintPoint[d]) continue;
        const float distance = Point2::getDistance(path.hintPoints[d], query);
        if (distance < best) {
            best = distance;
            bestPath = p;
        }
    }
    if (bestPath < 0 || !(best < kNearUnlockedHintPointDistance)) return false;
    *index = bestPath;
    return true;
}

// PCWindow: the hint paths on screen (lit discs joined by translucent lines,
// labelled when full) and the operations the keys and the mouse call on them.
#include "pcview/PCWindow.h"

#include <GL/glew.h>

#include <cstdio>

#include "cluster/ClusterPath.h"
#include "cluster/GaussianMixture.h"
#include "cluster/MultidimensionalCluster.h"

namespace {

constexpr float kDiscRadius = 0.025f;       // view units (y); x divided by the aspect
constexpr float kHaloRadius = 3 * kDiscRadius;
constexpr float kLabelLeft = 0.03f;         // label starts this far left of the first hint point
constexpr float kUnlockedLineWidthPx = 2.0f;
constexpr float kLockedBandWidthPx = 10.0f;
constexpr int kHighlightIndex = 15;         // circle-table index of the lit spot (45 degrees)
constexpr int kLockedShadingStart = 30;     // locked discs start their shading fan a quarter turn later
// What a key press acts on, to tell bursts of a key held down apart (see burstGesture).
constexpr int kKeyOnHintPath = 101, kKeyOnHintPoint = 102;

}  // namespace

int PCWindow::unlockedHintPointUnder(int xPx, int yPx, int* dim, bool* onLocked) const {
    float xView = 0, yView = 0;
    transformMouseInput(&xView, &yView, xPx, yPx);
    *dim = getAxes()->getNearestAxis(xView, yView);
    int index = -1;
    *onLocked = true;
    if (*dim >= 0) getPaths()->getNearestHintPoint(onLocked, &index, *dim, xView, yView);
    return index;
}

void PCWindow::handlePathAdjusting(unsigned char key, int xPx, int yPx) {
    if (!isDataReady()) return;
    int dim = -1;
    bool onLocked = true;
    const int path = unlockedHintPointUnder(xPx, yPx, &dim, &onLocked);
    if (path == -1 || onLocked) return;
    const uint64_t gesture = burstGesture(kKeyOnHintPath, nullptr, key * 65536 + path);
    switch (key) {
        case '\'': document.stepHintPath(path, Document::HintStep::kPeakUp, gesture); break;
        case ';': document.stepHintPath(path, Document::HintStep::kPeakDown, gesture); break;
        case '.': document.stepHintPath(path, Document::HintStep::kDeviationUp, gesture); break;
        case ',': document.stepHintPath(path, Document::HintStep::kDeviationDown, gesture); break;
        default: break;
    }
}

void PCWindow::handleSingleHintPointAdjusting(unsigned char key, int xPx, int yPx) {
    if (!isDataReady()) return;
    int dim = -1;
    bool onLocked = true;
    const int path = unlockedHintPointUnder(xPx, yPx, &dim, &onLocked);
    if (path == -1 || onLocked) return;
    const uint64_t gesture = burstGesture(kKeyOnHintPoint, nullptr, key * 65536 + path * 256 + dim);
    switch (key) {
        case '=': document.stepHintPoint(path, dim, Document::HintStep::kPeakUp, gesture); break;
        case '-': document.stepHintPoint(path, dim, Document::HintStep::kPeakDown, gesture); break;
        case ']': document.stepHintPoint(path, dim, Document::HintStep::kDeviationUp, gesture); break;
        case '[': document.stepHintPoint(path, dim, Document::HintStep::kDeviationDown, gesture); break;
        default: break;
    }
}

void PCWindow::changeHintPathLockState(int xPx, int yPx) {
    if (!isDataReady()) return;
    int dim = -1;
    bool onLocked = true;
    const int path = unlockedHintPointUnder(xPx, yPx, &dim, &onLocked);
    if (path != -1) document.toggleHintPathLock(path, onLocked);
}

void PCWindow::renderHintPaths() {
    const ClusterPath* hintPaths = getPaths();
    const float pathAspect = getAspect();
    const int dims = hintPaths->getDimNum();
    // Point on the rim of the disc around (px, py) at circle index `index` and radius rho.
    auto rim = [&](float px, float py, int index, float rho) {
        const int k = index % sinCosLength;
        glVertex2f(px + rho / pathAspect * cosValues[k], py + rho * sinValues[k]);
    };
    auto disc = [&](const Point2& p, const Color4& c, float shadeAlpha, int shadeStart) {
        glColor4f(c.r, c.g, c.b, 0.9f);
        glBegin(GL_POLYGON);
        for (int k = 0; k < sinCosLength; ++k) rim(p.x, p.y, k, kDiscRadius);
        glEnd();
        // A lit ball: dark rim, white spot half way towards the upper right.
        glBegin(GL_TRIANGLES);
        for (int n = 0; n < sinCosLength; ++n) {
            const int k = shadeStart + n;
            glColor4f(0, 0, 0, shadeAlpha);
            rim(p.x, p.y, k, kDiscRadius);
            rim(p.x, p.y, k + 1, kDiscRadius);
            glColor4f(1, 1, 1, shadeAlpha);
            rim(p.x, p.y, kHighlightIndex, kDiscRadius / 2);
        }
        glEnd();
    };
    auto label = [&](const Path& path, const char* prefix, int number) {
        char text[32];
        std::snprintf(text, sizeof text, "%s%d", prefix, number);
        glColor4f(0, 0, 0, 1);
        renderBitmapCharacter(path.hintPoints[0].x - kLabelLeft, path.hintPoints[0].y, text);
    };
    auto pathLine = [&](const Path& path, const Color4& c, float widthPx) {
        glColor4f(c.r, c.g, c.b, 0.3f);
        glLineWidth(widthPx);
        glBegin(GL_LINE_STRIP);
        for (int d = 0; d < dims; ++d) {
            if (path.hasHintPoint[d]) glVertex2f(path.hintPoints[d].x, path.hintPoints[d].y);
        }
        glEnd();
    };

    for (int u = 0; u < hintPaths->getUnlockedPathNum(); ++u) {
        const Path& path = *hintPaths->getUnlockedPath(u);
        const Color4 c = hintPaths->getUnlockedPathColor(u);
        if (hintPaths->isUnlockedPathFull(u) && dims > 0) label(path, "C_", u + 1);
        pathLine(path, c, kUnlockedLineWidthPx);
        for (int d = 0; d < dims; ++d) {
            if (!path.hasHintPoint[d]) continue;
            const Point2& p = path.hintPoints[d];
            disc(p, c, 0.5f, 0);
            if (u == selectedHintPath && d == selectedHintDim) {
                // The point being dragged: a halo fading out to three radii.
                glBegin(GL_QUADS);
                for (int k = 0; k < sinCosLength; ++k) {
                    glColor4f(c.r, c.g, c.b, 0.7f);
                    rim(p.x, p.y, k, kDiscRadius);
                    rim(p.x, p.y, k + 1, kDiscRadius);
                    glColor4f(c.r, c.g, c.b, 0);
                    rim(p.x, p.y, k + 1, kHaloRadius);
                    rim(p.x, p.y, k, kHaloRadius);
                }
                glEnd();
            }
        }
    }
    for (int k = 0; k < hintPaths->getLockedPathNum(); ++k) {
        const Path& path = *hintPaths->getLockedPath(k);
        const Color4 c = hintPaths->getLockedPathColor(k);
        if (hintPaths->isLockedPathFull(k) && dims > 0) label(path, "LC_", k + 1);
        pathLine(path, c, kLockedBandWidthPx);
        for (int d = 0; d < dims; ++d) {
            if (path.hasHintPoint[d]) disc(path.hintPoints[d], c, 0.9f, kLockedShadingStart);
        }
    }
}

// PCWindow: the per-dimension Gaussian mixtures built from the unlocked hint
// paths, the regrouping of the items against them, the density ordering, and
// the mixture curves beside the axes.
#include "pcview/PCWindow.h"

#include <GL/glew.h>

#include "cluster/ClusterPath.h"
#include "cluster/GaussianMixture.h"
#include "cluster/ItemRegrouping.h"
#include "cluster/MultidimensionalCluster.h"

namespace {
constexpr float kMixtureBulge = 0.05f;  // view units right of the axis per unit of mixture value
constexpr float kMixtureLineWidthPx = 3.0f;
}  // namespace

const GaussianMixture* PCWindow::getMixture(int d) const {
    if (d < 0 || d >= static_cast<int>(mixtures.size())) return nullptr;
    return mixtures[d].get();
}

void PCWindow::updateGaussianMixtures() {
    if (!dataReady) return;
    mixtures = regrouping->buildMixtures(*hintPaths);
    applyOrdering();
}

void PCWindow::applyOrdering() {
    if (!dataReady) return;
    regrouping->scoreItems(*hintPaths, *groups, itemScores);
    updateClusterInfo();
}

void PCWindow::updateClusterInfo() {
    if (!dataReady) return;
    regrouping->rebuildGroups(*groups, itemScores, groupSort);
}

void PCWindow::calculateDiff_GaussianBased() {
    if (!dataReady) return;
    regrouping->orderByDensity(itemScores, gaussianOrdering);
}

void PCWindow::renderMixtures() {
    float contributions[GaussianMixture::kCurveSampleNum];
    glColor4f(0.3f, 0.9f, 0.3f, 1.0f);
    glLineWidth(kMixtureLineWidthPx);
    const int dims = data->getActualDimNum();
    for (int d = 0; d < dims && d < static_cast<int>(mixtures.size()); ++d) {
        mixtures[d]->sampleCurve(contributions);
        const float axisX = axes->getAxisPosition(d);
        glBegin(GL_LINE_STRIP);
        for (int s = 0; s < GaussianMixture::kCurveSampleNum; ++s) {
            const float valueNorm = static_cast<float>(s) / (GaussianMixture::kCurveSampleNum - 1);
            glVertex2f(axisX + kMixtureBulge * contributions[s], transformToDrawRegion(valueNorm));
        }
        glEnd();
    }
}

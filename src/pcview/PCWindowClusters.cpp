// PCWindow: the mixture curves beside the axes (the per-dimension Gaussian
// mixtures that the model builds from the unlocked hint paths).
#include "pcview/PCWindow.h"

#include <GL/glew.h>

#include "cluster/GaussianMixture.h"

namespace {
constexpr float kMixtureBulge = 0.05f;  // view units right of the axis per unit of mixture value
constexpr float kMixtureLineWidthPx = 3.0f;
}  // namespace

void PCWindow::renderMixtures() {
    float contributions[GaussianMixture::kCurveSampleNum];
    glColor4f(0.3f, 0.9f, 0.3f, 1.0f);
    glLineWidth(kMixtureLineWidthPx);
    const int dims = getData()->getActualDimNum();
    const DrawRegion region = getDrawRegion();
    for (int d = 0; d < dims && getMixture(d) != nullptr; ++d) {
        getMixture(d)->sampleCurve(contributions);
        const float axisX = getAxes()->getAxisPosition(d);
        glBegin(GL_LINE_STRIP);
        for (int s = 0; s < GaussianMixture::kCurveSampleNum; ++s) {
            const float valueNorm = static_cast<float>(s) / (GaussianMixture::kCurveSampleNum - 1);
            glVertex2f(axisX + kMixtureBulge * contributions[s], region.toView(valueNorm));
        }
        glEnd();
    }
}

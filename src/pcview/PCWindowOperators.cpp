// PCWindow: the regular operators drawn over the view, and the view's
// requests passed on to the operator tree.
#include "pcview/PCWindow.h"

#include <GL/glew.h>

#include <cmath>

#include "geometry/GlDrawer.h"
#include "operators/ClusterTree.h"

namespace {

constexpr int kRoundVertices = 100;
constexpr float kDiscAlpha = 0.1f;           // capture disc
constexpr float kMarkAlpha = 0.75f;          // direction mark and dots
constexpr float kDirectionLong = 0.04f;      // half-axes of the direction ellipse, view units
constexpr float kDirectionShort = 0.02f;
constexpr float kCentreDotRadius = 0.01f;
constexpr float kInnerDotRadius = 0.005f;
// Lock icon beside the centre (the rectangle the tree's lock hit test uses).
constexpr float kLockLeft = 0.012f, kLockRight = 0.052f;  // x offsets, divided by the aspect
constexpr float kLockTop = 0.012f, kLockBottom = 0.052f;  // y offsets below the centre

}  // namespace

void PCWindow::updateOperatorsPos() { tree->updateOperatorsPos(); }

void PCWindow::setFocusedOp(AROperator* op) { tree->setFocused(op); }

void PCWindow::renderOperators() { renderOperatorTree(tree->getRoot()); }

void PCWindow::renderOperatorTree(AROperator* node) {
    if (node->type == AROperator::kTypeRegular) renderOneOperator(node);
    if (node->noChildren()) return;
    for (const ARLinks& link : node->links) {
        if (link.isParentLink == 0) renderOperatorTree(link.node);
    }
}

void PCWindow::renderOneOperator(AROperator* op) {
    const float x = op->position.x;
    const float y = op->position.y;
    const float radius = static_cast<float>(op->radius);
    const float angle = static_cast<float>(op->angle);

    if (!op->locked) {
        glColor4f(op->color.r, op->color.g, op->color.b, kDiscAlpha);
        GlDrawer::fillCircle(radius, x, y, aspect, kRoundVertices);
    }
    if (op->primary) {
        glColor4f(1, 0, 0, kMarkAlpha);
    } else {
        glColor4f(0, 0, 1, kMarkAlpha);
    }
    GlDrawer::fillEllipse(x, y, kDirectionLong, kDirectionShort, aspect, angle, kRoundVertices);

    if (!op->locked) {
        glLineStipple(4, 0xAAAA);
        glEnable(GL_LINE_STIPPLE);
        GlDrawer::setColor(Color4::reverseOf(op->color));
        GlDrawer::drawCircle(radius, x, y, aspect, kRoundVertices);
        const float halfWidth = static_cast<float>(op->angleWidth / 2);
        for (float edge : {angle - halfWidth, angle + halfWidth}) {
            const float dx = radius * std::cos(edge);
            const float dy = radius * std::sin(edge);
            GlDrawer::drawLine(x, y, x - dx / aspect, y - dy);
            GlDrawer::drawLine(x, y, x + dx / aspect, y + dy);
        }
        glDisable(GL_LINE_STIPPLE);
    }

    if (op->primary) {
        glColor4f(0, 0, 1, kMarkAlpha);
    } else {
        glColor4f(1, 0, 0, kMarkAlpha);
    }
    GlDrawer::fillCircle(kCentreDotRadius, x, y, aspect, kRoundVertices);
    if (op->primary) {
        glColor4f(1, 0, 0, kMarkAlpha);
    } else {
        glColor4f(0, 0, 1, kMarkAlpha);
    }
    GlDrawer::fillCircle(kInnerDotRadius, x, y, aspect, kRoundVertices);

    // Lock icon, with the aspect of the window as it is now.
    const float iconAspect = static_cast<float>(w()) / static_cast<float>(h() > 0 ? h() : 1);
    glEnable(GL_TEXTURE_2D);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, op->locked ? lockTexture : unlockTexture);
    glColor4f(0, 0, 0, kMarkAlpha);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(x + kLockLeft / iconAspect, y - kLockBottom);
    glTexCoord2f(0, 1);
    glVertex2f(x + kLockLeft / iconAspect, y - kLockTop);
    glTexCoord2f(1, 1);
    glVertex2f(x + kLockRight / iconAspect, y - kLockTop);
    glTexCoord2f(1, 0);
    glVertex2f(x + kLockRight / iconAspect, y - kLockBottom);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

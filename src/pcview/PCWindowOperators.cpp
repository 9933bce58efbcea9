// PCWindow: the regular operators drawn over the view.
#include "pcview/PCWindow.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

#include "gl/GlDrawer.h"
#include "operators/ClusterTree.h"

namespace {

constexpr int kRoundVertices = 100;
constexpr float kDiscAlpha = 0.1f;           // capture disc
constexpr float kMarkAlpha = 0.75f;          // direction mark and dots
constexpr float kDirectionLong = 0.04f;      // half-axes of the direction ellipse, view units
constexpr float kDirectionShort = 0.02f;
constexpr float kCentreDotRadius = 0.01f;
constexpr float kInnerDotRadius = 0.005f;
constexpr float kOperatorDotPx = 5;          // an operator drawn as a dot, in a tree of very many

}  // namespace

void PCWindow::renderOperators() {
    // A whole operator costs about a millisecond of the software rasteriser
    // (its translucent disc above all): thousands of them would hold up
    // every frame, and the input waiting for it, for seconds. Beyond
    // kFullyDrawnOperators the tree is drawn as one array of dots.
    const ClusterTree* tree = getClusterTree();
    tree->collectNodes(&operatorNodes);
    size_t regular = 0;
    for (const AROperator* node : operatorNodes) regular += node->type == AROperator::kTypeRegular;
    operatorDots = regular > kFullyDrawnOperators;
    if (!operatorDots) {
        renderOperatorTree(tree->getRoot());
        return;
    }
    operatorDotXy.clear();
    operatorDotRgba.clear();
    for (const AROperator* node : operatorNodes) {
        if (node->type != AROperator::kTypeRegular) continue;
        operatorDotXy.insert(operatorDotXy.end(), {node->position.x, node->position.y});
        operatorDotRgba.insert(operatorDotRgba.end(), {node->color.r, node->color.g, node->color.b, kMarkAlpha});
    }
    glPointSize(kOperatorDotPx);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, operatorDotXy.data());
    glColorPointer(4, GL_FLOAT, 0, operatorDotRgba.data());
    glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(regular));
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glPointSize(1);
    // The operators the user works on are drawn whole.
    const AROperator* const whole[] = {tree->getFocused(), grabbedOp, rotatedOp};
    for (size_t k = 0; k < 3; ++k) {
        const AROperator* op = whole[k];
        if (op == nullptr || std::find(whole, whole + k, op) != whole + k || !tree->contains(op)) continue;
        if (op->type == AROperator::kTypeRegular) renderOneOperator(op);
    }
}

void PCWindow::renderOperatorTree(const AROperator* node) {
    if (node->type == AROperator::kTypeRegular) renderOneOperator(node);
    for (const AROperator* child : ::children(node)) renderOperatorTree(child);
}

void PCWindow::renderOneOperator(const AROperator* op) {
    const float widthOverHeight = getAspect();
    const float x = op->position.x;
    const float y = op->position.y;
    const float radius = static_cast<float>(op->radius);
    const float angle = static_cast<float>(op->angle);

    if (!op->locked) {
        glColor4f(op->color.r, op->color.g, op->color.b, kDiscAlpha);
        GlDrawer::fillCircle(radius, x, y, widthOverHeight, kRoundVertices);
    }
    if (op->primary) {
        glColor4f(1, 0, 0, kMarkAlpha);
    } else {
        glColor4f(0, 0, 1, kMarkAlpha);
    }
    GlDrawer::fillEllipse(x, y, kDirectionLong, kDirectionShort, widthOverHeight, angle, kRoundVertices);

    if (!op->locked) {
        glLineStipple(4, 0xAAAA);
        glEnable(GL_LINE_STIPPLE);
        GlDrawer::setColor(Color4::reverseOf(op->color));
        GlDrawer::drawCircle(radius, x, y, widthOverHeight, kRoundVertices);
        const float halfWidth = static_cast<float>(op->angleWidth / 2);
        for (float edge : {angle - halfWidth, angle + halfWidth}) {
            const float dx = radius * std::cos(edge);
            const float dy = radius * std::sin(edge);
            GlDrawer::drawLine(x, y, x - dx / widthOverHeight, y - dy);
            GlDrawer::drawLine(x, y, x + dx / widthOverHeight, y + dy);
        }
        glDisable(GL_LINE_STIPPLE);
    }

    if (op->primary) {
        glColor4f(0, 0, 1, kMarkAlpha);
    } else {
        glColor4f(1, 0, 0, kMarkAlpha);
    }
    GlDrawer::fillCircle(kCentreDotRadius, x, y, widthOverHeight, kRoundVertices);
    if (op->primary) {
        glColor4f(1, 0, 0, kMarkAlpha);
    } else {
        glColor4f(0, 0, 1, kMarkAlpha);
    }
    GlDrawer::fillCircle(kInnerDotRadius, x, y, widthOverHeight, kRoundVertices);

    // Lock icon: the rectangle the tree's lock hit test uses.
    const ViewRect lock = op->lockIconRect(widthOverHeight);
    glEnable(GL_TEXTURE_2D);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, op->locked ? lockTexture : unlockTexture);
    glColor4f(0, 0, 0, kMarkAlpha);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(lock.left, lock.bottom);
    glTexCoord2f(0, 1);
    glVertex2f(lock.left, lock.top);
    glTexCoord2f(1, 1);
    glVertex2f(lock.right, lock.top);
    glTexCoord2f(1, 0);
    glVertex2f(lock.right, lock.bottom);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

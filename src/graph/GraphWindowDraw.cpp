// GraphWindow: the frame and its drawing steps, in stacking order: tool
// icons, node circles, arrows, the focused node's glow, the lasso outline.
// Everything is in graph units; nodes the layout has not placed yet are not drawn.
#include "graph/GraphWindow.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "geometry/Angles.h"
#include "gl/GlDrawer.h"
#include "gl/GlWindowSetup.h"
#include "operators/ClusterTree.h"

namespace {

constexpr int kCircleSegments = 100;        // vertices of a node's circle
constexpr int kCrowdedCircleSegments = 12;  // the same in a crowded graph
constexpr float kNodeLineWidth = 3.0f;      // pixels
constexpr float kCrowdedLineWidth = 1.0f;   // pixels, circles and links of a crowded graph
constexpr float kArrowLineWidth = 2.0f;     // pixels
constexpr float kLassoLineWidth = 4.0f;     // pixels

// Arrow pieces, graph units before any scaling: tail and head are each
// kArrowPiece long, the arrow is 2 kArrowHalfWidth thick, and a gap between
// the circles shorter than tail and head together shrinks both.
constexpr float kArrowPiece = 0.04f;
constexpr float kArrowHalfWidth = 0.02f;
constexpr double kArrowGap = 2 * kArrowPiece;  // 0.08

// The glow of the focused node: 50 angles closing the circle, reaching 1.3 r
// sideways and 1.4 r up and down.
constexpr int kGlowAngles = 50;
constexpr float kTwoPi = static_cast<float>(2 * kPi);
constexpr float kGlowReachX = 1.3f;
constexpr float kGlowReachY = 1.4f;

constexpr float kSelectionTint[4] = {0.3f, 1.0f, 0.3f, 0.3f};  // green wash over the tool in use

// One textured quad from x = 0 to `length`, y = -kArrowHalfWidth to +kArrowHalfWidth.
// Tail and head take their picture turned round; the middle piece straight.
void arrowQuad(float length, bool endPiece) {
    glBegin(GL_QUADS);
    glTexCoord2f(endPiece ? 1.0f : 0.0f, endPiece ? 1.0f : 0.0f);
    glVertex2f(0, -kArrowHalfWidth);
    glTexCoord2f(endPiece ? 1.0f : 0.0f, endPiece ? 0.0f : 1.0f);
    glVertex2f(0, kArrowHalfWidth);
    glTexCoord2f(endPiece ? 0.0f : 1.0f, endPiece ? 0.0f : 1.0f);
    glVertex2f(length, kArrowHalfWidth);
    glTexCoord2f(endPiece ? 0.0f : 1.0f, endPiece ? 1.0f : 0.0f);
    glVertex2f(length, -kArrowHalfWidth);
    glEnd();
}

bool isDrawnInGraph(const AROperator* node) {
    // Operators made with the right button stay invisible (they still take part in the layout).
    return node->primary || node->type == AROperator::kTypeRoot || node->type == AROperator::kTypeComplementary;
}

}  // namespace

void GraphWindow::draw() {
    make_current();
    if (!valid()) {
        // A new GL context has none of our textures; a size change keeps them.
        if (!context_valid()) texturesReady = false;
        valid(1);
        setUpGlContext(w(), h(), 1);
    }
    // A crowded graph is drawn plainly: a few thousand smooth 100-segment
    // circles and textured arrows would hold up the program for seconds a frame.
    tree != nullptr ? tree->collectNodes(&drawnNodes) : drawnNodes.clear();
    crowded = static_cast<size_t>(std::count_if(drawnNodes.begin(), drawnNodes.end(), [](const AROperator* node) {
                  return isDrawnInGraph(node) && node->graphPlaced;
              })) > kFullyDrawnNodes;
    beginSmoothFrame(true);
    if (crowded) {
        glDisable(GL_LINE_SMOOTH);
        glDisable(GL_MULTISAMPLE);
    }

    renderIcons();
    renderGraph();
    renderLinks();
    renderFocusedNode();
    renderMouseTrace();

    glDisable(GL_LINE_SMOOTH);
    glDisable(GL_POLYGON_SMOOTH);
    glDisable(GL_MULTISAMPLE);
}

void GraphWindow::renderIcons() {
    if (!texturesReady) generateTextures();
    const float iconWidth = iconSize / aspect();
    const float yBottom = iconBarY;
    const float yTop = iconBarY + iconSize;
    glColor4f(1, 1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    for (int n = 0; n < kIconCount; ++n) {
        const float xLeft = iconBarX + static_cast<float>(n) * iconWidth;
        glBindTexture(GL_TEXTURE_2D, iconTextures[n]);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex2f(xLeft, yBottom);
        glTexCoord2f(0, 1);
        glVertex2f(xLeft, yTop);
        glTexCoord2f(1, 1);
        glVertex2f(xLeft + iconWidth, yTop);
        glTexCoord2f(1, 0);
        glVertex2f(xLeft + iconWidth, yBottom);
        glEnd();
    }
    glDisable(GL_TEXTURE_2D);

    const float xSelected = iconBarX + static_cast<float>(selectedIcon) * iconWidth;
    glColor4fv(kSelectionTint);
    glBegin(GL_QUADS);
    glVertex2f(xSelected, yBottom);
    glVertex2f(xSelected, yTop);
    glVertex2f(xSelected + iconWidth, yTop);
    glVertex2f(xSelected + iconWidth, yBottom);
    glEnd();
}

void GraphWindow::renderGraph() {
    if (tree == nullptr || tree->getRoot() == nullptr) return;
    if (!crowded) {
        renderGraphTreenode(tree->getRoot());
        return;
    }
    // Crowded: every circle's segments, in the nodes' colours, in one array.
    circleXy.clear();
    circleRgba.clear();
    static const auto rim = [] {  // unit circle, kCrowdedCircleSegments + 1 points
        std::array<Point2, kCrowdedCircleSegments + 1> points;
        for (int k = 0; k <= kCrowdedCircleSegments; ++k) {
            const float angle = kTwoPi * static_cast<float>(k) / kCrowdedCircleSegments;
            points[static_cast<size_t>(k)] = Point2(std::cos(angle), std::sin(angle));
        }
        return points;
    }();
    const float a = aspect();
    for (const AROperator* node : drawnNodes) {
        if (!isDrawnInGraph(node) || !node->graphPlaced) continue;
        const float r = static_cast<float>(node->graphRadius);
        const float x = static_cast<float>(node->graphX), y = static_cast<float>(node->graphY);
        for (int k = 0; k < kCrowdedCircleSegments; ++k) {
            for (int end : {k, k + 1}) {
                const Point2& unit = rim[static_cast<size_t>(end)];
                circleXy.insert(circleXy.end(), {x + r * unit.x / a, y + r * unit.y});
                circleRgba.insert(circleRgba.end(), {node->color.r, node->color.g, node->color.b, node->color.a});
            }
        }
    }
    glLineWidth(kCrowdedLineWidth);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, circleXy.data());
    glColorPointer(4, GL_FLOAT, 0, circleRgba.data());
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(circleXy.size() / 2));
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void GraphWindow::renderGraphTreenode(AROperator* node) {
    if (isDrawnInGraph(node) && node->graphPlaced) {
        GlDrawer::setColor(node->color);
        glLineWidth(kNodeLineWidth);
        GlDrawer::drawCircle(static_cast<float>(node->graphRadius), static_cast<float>(node->graphX),
                             static_cast<float>(node->graphY), aspect(), kCircleSegments);
    }
    for (AROperator* child : ::children(node)) renderGraphTreenode(child);
}

void GraphWindow::renderLinks() {
    if (tree == nullptr || tree->getRoot() == nullptr) return;
    if (!crowded) {
        renderLinkFrom(tree->getRoot());
        return;
    }
    // Crowded: each arrow a plain line from rim to rim, all in one array.
    linkXy.clear();
    collectLinkLines(tree->getRoot());
    glLineWidth(kCrowdedLineWidth);
    glColor4f(0, 0, 0, 1);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, linkXy.data());
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(linkXy.size() / 2));
    glDisableClientState(GL_VERTEX_ARRAY);
}

void GraphWindow::collectLinkLines(const AROperator* parent) {
    for (const AROperator* child : ::children(parent)) {
        // The arrows renderLinkFrom draws, and only those.
        if (!child->primary || !child->graphPlaced || !placeArrow(*parent, *child).drawn) continue;
        const double dx = child->graphX - parent->graphX, dy = child->graphY - parent->graphY;
        const double distance = std::hypot(dx, dy);
        const double from = parent->graphRadius / distance, to = 1 - child->graphRadius / distance;
        linkXy.insert(linkXy.end(), {static_cast<float>(parent->graphX + from * dx), static_cast<float>(parent->graphY + from * dy),
                                     static_cast<float>(parent->graphX + to * dx), static_cast<float>(parent->graphY + to * dy)});
        collectLinkLines(child);
    }
}

GraphWindow::ArrowPlacement GraphWindow::placeArrow(const AROperator& parent, const AROperator& child) {
    ArrowPlacement arrow{};
    const float distance = Point2::getDistance(static_cast<float>(parent.graphX), static_cast<float>(parent.graphY),
                                               static_cast<float>(child.graphX), static_cast<float>(child.graphY));
    const double radii = parent.graphRadius + child.graphRadius;
    if (child.graphX != parent.graphX) {
        const double slope = (child.graphY - parent.graphY) / (child.graphX - parent.graphX);
        arrow.angleDeg = static_cast<int>(std::atan(slope) / kPi * 180);
        if (parent.graphX > child.graphX) arrow.angleDeg += 180;
    } else if (child.graphY != parent.graphY) {
        arrow.angleDeg = child.graphY > parent.graphY ? 90 : -90;
    }
    arrow.drawn = !(radii > distance);  // overlapping circles leave no room for an arrow
    arrow.startX = static_cast<float>(parent.graphRadius);
    arrow.scale = distance < radii + kArrowGap ? static_cast<float>((distance - radii) / kArrowGap) : 1.0f;
    arrow.middleLength = distance > radii + kArrowGap ? static_cast<float>(distance - kArrowGap - radii) : 0.0f;
    return arrow;
}

void GraphWindow::renderLinkFrom(AROperator* parent) {
    for (AROperator* child : ::children(parent)) {
        // No arrow to a node that is not a primary operator, nor anywhere below it.
        if (!child->primary || !child->graphPlaced) continue;
        glLineWidth(kArrowLineWidth);
        glColor4f(0, 0, 0, 1);
        const ArrowPlacement arrow = placeArrow(*parent, *child);
        if (!arrow.drawn) continue;

        // Black, with each piece's alpha from its texture.
        glEnable(GL_MULTISAMPLE);
        glPushMatrix();
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_BLEND);
        glTranslated(parent->graphX, parent->graphY, 0);
        glRotated(arrow.angleDeg, 0, 0, 1);
        glTranslated(arrow.startX, 0, 0);  // the rim of the parent's circle
        if (arrow.scale != 1.0f) glScaled(arrow.scale, arrow.scale, 1);
        glBindTexture(GL_TEXTURE_2D, arrowTextures[0]);
        arrowQuad(kArrowPiece, true);
        glTranslated(kArrowPiece, 0, 0);
        if (arrow.middleLength > 0) {
            glBindTexture(GL_TEXTURE_2D, arrowTextures[1]);
            arrowQuad(arrow.middleLength, false);
            glTranslated(arrow.middleLength, 0, 0);
        }
        glBindTexture(GL_TEXTURE_2D, arrowTextures[2]);
        arrowQuad(kArrowPiece, true);
        glDisable(GL_TEXTURE_2D);
        glPopMatrix();
        glEnable(GL_MULTISAMPLE);

        renderLinkFrom(child);
    }
}

void GraphWindow::renderFocusedNode() {
    const AROperator* focusedNode = getFocusedNode();
    if (focusedNode == nullptr || !focusedNode->graphPlaced) return;
    const float cx = static_cast<float>(focusedNode->graphX);
    const float cy = static_cast<float>(focusedNode->graphY);
    const float r = static_cast<float>(focusedNode->graphRadius);
    const Color4 rim = focusedNode->color;
    const float a = aspect();
    auto vertexAt = [&](int k, float rx, float ry) {
        const float angle = static_cast<float>(k) * kTwoPi / (kGlowAngles - 1);
        glVertex2f(cx + rx * std::cos(angle) / a, cy + ry * std::sin(angle));
    };

    // Disc: half-transparent white in the middle, the node's colour at the rim.
    glBegin(GL_TRIANGLES);
    for (int k = 0; k + 1 < kGlowAngles; ++k) {
        glColor4f(1, 1, 1, 0.5f);
        glVertex2f(cx, cy);
        glColor4f(rim.r, rim.g, rim.b, 1);
        vertexAt(k, r, r);
        vertexAt(k + 1, r, r);
    }
    glEnd();

    // Glow: from the node's colour at the rim to transparent outside it.
    glBegin(GL_QUADS);
    for (int k = 0; k + 1 < kGlowAngles; ++k) {
        glColor4f(rim.r, rim.g, rim.b, 1);
        vertexAt(k, r, r);
        vertexAt(k + 1, r, r);
        glColor4f(rim.r, rim.g, rim.b, 0);
        vertexAt(k + 1, kGlowReachX * r, kGlowReachY * r);
        vertexAt(k, kGlowReachX * r, kGlowReachY * r);
    }
    glEnd();
}

void GraphWindow::renderMouseTrace() {
    if (!tracing) return;
    glLineWidth(kLassoLineWidth);
    glColor4f(0, 0, 0, 1);
    // The closed outline GlDrawer::drawPolygon draws, without copying the trace every frame.
    glBegin(GL_LINE_LOOP);
    for (const Point2& point : mouseTrace) glVertex2f(point.x, point.y);
    glEnd();
}

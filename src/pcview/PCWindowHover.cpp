// PCWindow: hovering. With no button pressed, the item line nearest the
// pointer (within kReachPx window pixels, true distance; see HoverPick.h) is
// drawn again over every other layer, dark outline under a bright core, and
// a label beside the pointer names the item and its raw value on each axis.
// Hovering changes nothing the line layer depends on: a move redraws the
// overlays only, over the lines the layer keeps.
#include "pcview/PCWindow.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "operators/ClusterTree.h"
#include "operators/DataItemPaths.h"
#include "pcview/HoverPick.h"

namespace {

constexpr float kReachPx = 4.0f;           // a line this close to the pointer is picked, window pixels
constexpr float kOutlineWidthPx = 6.0f;    // the dark edge of the highlight
constexpr float kCoreWidthPx = 3.0f;       // its bright core
constexpr float kNominalCharWidthPx = 8;   // the 8 x 13 bitmap font of the view's labels, as named
constexpr int kLineHeightPx = 15;          // 13 px glyphs and 2 px between rows
constexpr int kBaselineDropPx = 11;        // from a row's top to its baseline
constexpr int kPaddingPx = 4;              // between the box's edge and the text

// The lines as the view draws them this frame: bent through the item paths
// once the tree has operators, straight from axis to axis before.
HoverScene sceneOf(const PCWindow& view) {
    HoverScene scene;
    scene.data = view.getData();
    scene.axes = view.getAxes();
    scene.region = view.getDrawRegion();
    if (!view.getClusterTree()->getRoot()->noChildren()) scene.paths = view.getItemPaths();
    return scene;
}

// Longest field text shown in the label, characters (a free text can be long).
constexpr size_t kLongestShownText = 40;

std::string shortened(const std::string& text) {
    std::string shown = text.size() > kLongestShownText ? text.substr(0, kLongestShownText - 3) + "..." : text;
    for (char& c : shown) {
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';  // a field with line breaks stays on one row
    }
    return shown;
}

// The item's line, as drawn, as one strip: axis to axis where a segment is
// straight, through its curve points where it is bent.
void sendItemPath(const HoverScene& scene, int item) {
    const float* row = scene.data->getDataRow(item);
    const int segments = scene.axes->getAxisNum() - 1;
    DataItemPaths::SegmentCurve curve;
    glBegin(GL_LINE_STRIP);
    for (int segment = 0; segment < segments; ++segment) {
        if (scene.isStraight(item, segment)) {
            glVertex2f(scene.axes->getAxisPosition(segment), scene.region.toView(row[segment]));
            glVertex2f(scene.axes->getAxisPosition(segment + 1), scene.region.toView(row[segment + 1]));
        } else {
            scene.paths->getCurve(item, segment, &curve);
            for (int k = 0; k < DataItemPaths::kPointsPerSegment; ++k) glVertex2f(curve.x[k], curve.y[k]);
        }
    }
    glEnd();
}

// The advance of one character of the view's bitmap font, window pixels. The
// toolkit's stand-in for that font draws a narrower face on some displays
// than its metrics report, and a space there does not advance at all: so the
// advance of a wide glyph is measured once, drawn with colour writes off, and
// the label places its characters on that grid itself.
float charAdvancePx(PCWindow& view) {
    static float advancePx = 0;
    if (advancePx > 0) return advancePx;
    glPushAttrib(GL_COLOR_BUFFER_BIT);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    GLfloat before[4] = {}, after[4] = {};
    glRasterPos2f(0.5f, 0.5f);
    glGetFloatv(GL_CURRENT_RASTER_POSITION, before);
    view.renderBitmapCharacter(0.5f, 0.5f, "M");
    glGetFloatv(GL_CURRENT_RASTER_POSITION, after);
    glPopAttrib();
    const float measured = after[0] - before[0];
    advancePx = measured > 0 ? measured : kNominalCharWidthPx;
    return advancePx;
}

// The label's light box with a thin dark edge, over everything drawn before.
void drawLabelBox(const LabelBox& box, int viewWidthPx, int viewHeightPx) {
    const float pxX = 1.0f / static_cast<float>(viewWidthPx), pxY = 1.0f / static_cast<float>(viewHeightPx);
    const float left = static_cast<float>(box.xPx) * pxX, right = static_cast<float>(box.xPx + box.widthPx) * pxX;
    const float top = 1 - static_cast<float>(box.yPx) * pxY;
    const float bottom = 1 - static_cast<float>(box.yPx + box.heightPx) * pxY;
    auto outline = [&](GLenum mode) {
        glBegin(mode);
        glVertex2f(left, bottom);
        glVertex2f(right, bottom);
        glVertex2f(right, top);
        glVertex2f(left, top);
        glEnd();
    };
    glColor4f(1.0f, 1.0f, 0.94f, 0.92f);
    outline(GL_QUADS);
    glColor4f(0.3f, 0.3f, 0.3f, 1.0f);
    glLineWidth(1.0f);
    outline(GL_LINE_LOOP);
}

// The label's rows inside `box`, one character at a time on the measured grid
// (spaces are skipped, not drawn), raster positions in the middle of a pixel
// so that rounding never moves a glyph by one.
void drawLabelRows(PCWindow& view, const std::vector<std::string>& rows, const LabelBox& box, float advancePx) {
    const float pxX = 1.0f / static_cast<float>(view.w()), pxY = 1.0f / static_cast<float>(view.h());
    glColor4f(0, 0, 0, 1);
    char glyph[2] = {0, 0};
    for (size_t row = 0; row < rows.size(); ++row) {
        const int baselinePx = box.yPx + kPaddingPx + static_cast<int>(row) * kLineHeightPx + kBaselineDropPx;
        const std::string& line = rows[row];
        for (size_t column = 0; column < line.size(); ++column) {
            if (line[column] == ' ') continue;
            glyph[0] = line[column];
            const float xPx =
                std::floor(static_cast<float>(box.xPx + kPaddingPx) + static_cast<float>(column) * advancePx) + 0.5f;
            view.renderBitmapCharacter(xPx * pxX, 1 - (static_cast<float>(baselinePx) - 0.5f) * pxY, glyph);
        }
    }
}

}  // namespace

int PCWindow::getHoveredItem() const {
    // Never an item past the table, whatever was linked since the pick.
    if (hoveredItem < 0 || !isDataReady() || hoveredItem >= getData()->getDataNum()) return -1;
    return hoveredItem;
}

std::string PCWindow::getHoverLabel() const {
    std::string label;
    if (getHoveredItem() < 0) return label;
    for (const std::string& line : hoverLines) label += (label.empty() ? "" : "\n") + line;
    return label;
}

void PCWindow::clearHover() {
    if (hoveredItem < 0) return;
    hoveredItem = -1;
    hoverLines.clear();
    redrawWindows();
}

void PCWindow::updateHover(float xView, float yView) {
    if (!hasDrawableData() || w() <= 0 || h() <= 0) {
        clearHover();
        return;
    }
    // The pick must see the lines the next frame draws: bring the bent paths
    // up to date with the tree now (a no-op unless it changed since the last
    // frame; the frame would do it anyway).
    prepareFrame();
    const HoverReach reach{kReachPx / static_cast<float>(w()), kReachPx / static_cast<float>(h())};
    const int item = pickHoveredItem(sceneOf(*this), xView, yView, reach);
    if (item < 0) {
        clearHover();
        return;
    }
    hoverPointer = Point2(xView, yView);
    if (item != hoveredItem) {
        // The label is built when the item changes, not on every move.
        hoveredItem = item;
        const MultidimensionalData* data = getData();
        const ParallelCoordinatesAxis* axes = getAxes();
        hoverLines.clear();
        // Each field as it is in the file, read again from it; what the table
        // holds (numbers, dates, categories, "NA") when the file has changed.
        std::vector<std::string> texts;
        const bool fromFile = data->readRowTexts(item, &texts);
        auto textOf = [&](int column) {
            return shortened(fromFile ? texts[static_cast<size_t>(column)] : data->getValueText(item, column));
        };
        // Unnamed rows are counted from 1, the first data row under the header.
        const int nameColumn = data->getNameColumn();
        hoverLines.push_back(nameColumn >= 0 ? textOf(nameColumn) : "Row " + std::to_string(item + 1));
        for (int slot = 0; slot < axes->getAxisNum(); ++slot) {
            const int dim = axes->getDimIndexAtAxis(slot);
            if (dim < 0 || dim >= static_cast<int>(axisNames.size())) continue;
            const std::string text = textOf(data->getAxisColumnIndex(dim));
            hoverLines.push_back(axisNames[dim] + ": " + (text.empty() ? "(empty)" : text));
        }
        // The columns that are not axes (identifiers), when the file could be read.
        for (int column = 0; column < data->getDimNum() && fromFile; ++column) {
            if (column == nameColumn || data->getColumn(column).isAxis()) continue;
            hoverLines.push_back(data->getDimName(column) + ": " + textOf(column));
        }
    }
    // The label follows the pointer: the overlays are drawn again, the line layer is reused.
    redrawWindows();
}

void PCWindow::renderHover() {
    const int item = getHoveredItem();
    if (item < 0 || !hasDrawableData() || getAxes()->getAxisNum() < 2) return;
    const HoverScene scene = sceneOf(*this);
    glColor4f(0.1f, 0.1f, 0.1f, 0.9f);
    glLineWidth(kOutlineWidthPx);
    sendItemPath(scene, item);
    glColor4f(1.0f, 0.55f, 0.0f, 1.0f);
    glLineWidth(kCoreWidthPx);
    sendItemPath(scene, item);

    // The label beside the pointer.
    const float advancePx = charAdvancePx(*this);
    size_t longest = 0;
    for (const std::string& line : hoverLines) longest = std::max(longest, line.size());
    const int widthPx = static_cast<int>(std::ceil(static_cast<float>(longest) * advancePx)) + 2 * kPaddingPx;
    const int heightPx = static_cast<int>(hoverLines.size()) * kLineHeightPx + 2 * kPaddingPx;
    const int pointerXPx = static_cast<int>(hoverPointer.x * static_cast<float>(w()));
    const int pointerYPx = static_cast<int>((1 - hoverPointer.y) * static_cast<float>(h()));
    const LabelBox box = placeHoverLabel(pointerXPx, pointerYPx, widthPx, heightPx, w(), h());
    drawLabelBox(box, w(), h());
    drawLabelRows(*this, hoverLines, box, advancePx);
}

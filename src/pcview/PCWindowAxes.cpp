// PCWindow: the axes with their titles and labels (and, on a categorical axis, its
// categories; on an axis with missing values, the slot below its foot where
// they stand), the text primitive of the view's labels, and the trace of the
// current mouse gesture.
#include "pcview/PCWindow.h"

#include <GL/glew.h>
#include <FL/glut.H>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

#include "model/ColourMap.h"

namespace {

// Label offsets from the axis ends, window pixels (they do not scale with the window).
constexpr float kMinBelowPx = 15.0f;       // minimum's baseline below the axis foot
constexpr float kMaxBelowTopPx = 11.0f;    // the top's label: baseline this far under the axis top, right of the axis
constexpr float kMaxRightPx = 4.0f;        // ... and this far right of it

// The title band above the axes (window pixels from the top of the view).
// The 8 x 13 font's glyphs reach 11 px above the baseline and 2 below.
constexpr float kGlyphAscentPx = 11.0f;
constexpr float kTitleTopPx = 3.0f;          // no title pixel above this row
constexpr float kTitleRowPx = 12.0f;         // baseline of the lower row under that of the upper
constexpr float kTitleGapPx = 6.0f;          // between two titles of one row
constexpr const char* kEllipsis = "..";
constexpr float kTitleBoxPadPx = 2.0f;       // around the full title shown on hover

constexpr float kSlotHalfPx = 3.0f;          // the missing slot: a small box this far around its centre
constexpr float kSlotLabelGapPx = 3.0f;      // between the slot (or the axis) and a label left of it
constexpr float kGlyphWidthPx = 8.0f;        // the 8 x 13 bitmap font's advance
constexpr float kGlyphBaselineDropPx = 4.0f; // a label centred on a height has its baseline this far under it
constexpr float kMinAboveFootPx = 2.0f;      // on a slot axis: the minimum's baseline above the foot
constexpr float kCategoryRowPx = 13.0f;      // category labels closer than this overlap
constexpr size_t kLongestCategoryLabel = 14; // characters; longer ones end in ".."
constexpr const char* kSlotLabel = "NA";
constexpr float kLeftMarginPx = 1.0f;        // labels left of an axis start no further left than this

constexpr float kAxisLineWidthPx = 2.0f;
constexpr float kTraceLineWidthPx = 5.0f;

}  // namespace

void PCWindow::renderBitmapCharacter(float xView, float yView, const char* text) {
    glRasterPos2f(xView, yView);
    for (const char* c = text; *c != '\0'; ++c) glutBitmapCharacter(GLUT_BITMAP_8_BY_13, *c);
}

void PCWindow::renderBitmapCharacter(float xView, float yView, const std::string* text) {
    renderBitmapCharacter(xView, yView, text->c_str());
}

AxisLabelPlacement PCWindow::getAxisLabelPlacement(int slot) const {
    const DrawRegion region = getDrawRegion();
    const float xView = getAxes()->getAxisPosition(slot);
    const float widthPx = static_cast<float>(w());
    const float heightPx = static_cast<float>(h());
    AxisLabelPlacement place;
    place.nameX = xView;  // the titles have their own placement
    place.nameY = region.top();
    place.minX = xView;
    place.minY = region.offset - kMinBelowPx / heightPx;
    place.maxX = xView + kMaxRightPx / widthPx;
    place.maxY = region.top() - kMaxBelowTopPx / heightPx;
    // The slot takes the room below the foot: the minimum moves left of the axis, over the foot.
    place.slot = getData()->getMissingCount(slot) > 0;
    place.slotX = xView;
    place.slotY = region.toView(MultidimensionalData::kMissingValueNorm);
    place.slotLabelX = xView - (kSlotHalfPx + kSlotLabelGapPx + kGlyphWidthPx * 2) / widthPx;
    place.slotLabelY = place.slotY - kGlyphBaselineDropPx / heightPx;
    if (place.slot) {
        const float minLength = static_cast<float>(axisMinLabels[slot].size());
        // Never left of the view, where its raster position would be invalid and nothing drawn.
        place.minX = std::max(xView - (kSlotLabelGapPx + kGlyphWidthPx * minLength) / widthPx, kLeftMarginPx / widthPx);
        place.minY = region.offset + kMinAboveFootPx / heightPx;
    }
    return place;
}

const std::vector<int>& PCWindow::getShownCategories(int dim) {
    if (categoryLabelsHeightPx != h() || categoryLabelsShown.size() != axisNames.size()) chooseCategoryLabels();
    static const std::vector<int> none;
    return dim >= 0 && dim < static_cast<int>(categoryLabelsShown.size()) ? categoryLabelsShown[static_cast<size_t>(dim)] : none;
}

// Every category when their rows fit along the axis; else the largest
// first, each taken when it keeps a row's height from those taken before.
void PCWindow::chooseCategoryLabels() {
    const MultidimensionalData* data = getData();
    const int dims = static_cast<int>(axisNames.size());
    categoryLabelsShown.assign(static_cast<size_t>(dims), std::vector<int>());
    categoryLabelTexts.assign(static_cast<size_t>(dims), std::vector<std::string>());
    categoryLabelsHeightPx = h();
    const float axisPx = getDrawRegion().scale * static_cast<float>(h());
    for (int d = 0; d < dims; ++d) {
        const TableColumn& column = data->getAxisColumn(d);
        if (column.kind != ColumnKind::Categorical || column.categories.empty()) continue;
        const int count = static_cast<int>(column.categories.size());
        for (const std::string& name : column.categories) {
            categoryLabelTexts[static_cast<size_t>(d)].push_back(
                name.size() > kLongestCategoryLabel ? name.substr(0, kLongestCategoryLabel - 2) + ".." : name);
        }
        std::vector<int>& shown = categoryLabelsShown[static_cast<size_t>(d)];
        const float stepPx = count > 1 ? axisPx / static_cast<float>(count - 1) : axisPx;
        if (stepPx >= kCategoryRowPx) {
            shown.resize(static_cast<size_t>(count));
            std::iota(shown.begin(), shown.end(), 0);
            continue;
        }
        std::vector<int> bySize(static_cast<size_t>(count));
        std::iota(bySize.begin(), bySize.end(), 0);
        std::stable_sort(bySize.begin(), bySize.end(), [&](int a, int b) {
            return column.categoryCounts[static_cast<size_t>(a)] > column.categoryCounts[static_cast<size_t>(b)];
        });
        std::vector<char> taken(static_cast<size_t>(count), 0);
        const int reach = static_cast<int>(std::ceil(kCategoryRowPx / stepPx));  // neighbours a label would overlap
        for (int k : bySize) {
            bool free = true;
            for (int n = std::max(0, k - reach + 1); n < std::min(count, k + reach) && free; ++n) free = !taken[static_cast<size_t>(n)];
            if (!free) continue;
            taken[static_cast<size_t>(k)] = 1;
            shown.push_back(k);
        }
        std::sort(shown.begin(), shown.end());
    }
}

void PCWindow::renderCategoryLabels(int slot) {
    const std::vector<int>& shown = getShownCategories(slot);
    if (shown.empty()) return;
    const DrawRegion region = getDrawRegion();
    const float xView = getAxes()->getAxisPosition(slot);
    const float widthPx = static_cast<float>(w()), heightPx = static_cast<float>(h());
    const int count = static_cast<int>(getData()->getAxisColumn(slot).categories.size());
    for (int k : shown) {
        const std::string& text = categoryLabelTexts[static_cast<size_t>(slot)][static_cast<size_t>(k)];
        // Through the axis's scale: a flipped axis has its first category at the top.
        const float valueNorm = count > 1 ? getData()->getAxisScale(slot).normalise(static_cast<double>(k))
                                          : MultidimensionalData::kConstantDimensionValue;
        const float xLabel = std::max(
            xView - (kSlotLabelGapPx + kGlyphWidthPx * static_cast<float>(text.size())) / widthPx, kLeftMarginPx / widthPx);
        // Character by character on the font's grid: the toolkit's stand-in
        // font may not advance over a space ("item 2" would read "item2").
        char glyph[2] = {0, 0};
        for (size_t c = 0; c < text.size(); ++c) {
            if (text[c] == ' ') continue;
            glyph[0] = text[c];
            renderBitmapCharacter(xLabel + kGlyphWidthPx * static_cast<float>(c) / widthPx,
                                  region.toView(valueNorm) - kGlyphBaselineDropPx / heightPx, glyph);
        }
    }
}

void PCWindow::renderAxes() {
    glLineWidth(kAxisLineWidthPx);
    glColor4f(0, 0, 0, 1);
    const ParallelCoordinatesAxis* axes = getAxes();
    const DrawRegion region = getDrawRegion();
    for (int slot = 0; slot < axes->getAxisNum(); ++slot) {
        const float xView = axes->getAxisPosition(slot);
        glBegin(GL_LINES);
        glVertex2f(xView, region.offset);
        glVertex2f(xView, region.top());
        glEnd();
        const AxisLabelPlacement place = getAxisLabelPlacement(slot);
        renderBitmapCharacter(place.minX, place.minY, &axisMinLabels[slot]);
        renderBitmapCharacter(place.maxX, place.maxY, &axisMaxLabels[slot]);
        renderCategoryLabels(slot);
        if (!place.slot) continue;
        // The missing slot: a small open box around the axis, below its foot.
        const float halfX = kSlotHalfPx / static_cast<float>(w()), halfY = kSlotHalfPx / static_cast<float>(h());
        glLineWidth(1.0f);
        glBegin(GL_LINE_LOOP);
        glVertex2f(place.slotX - halfX, place.slotY - halfY);
        glVertex2f(place.slotX + halfX, place.slotY - halfY);
        glVertex2f(place.slotX + halfX, place.slotY + halfY);
        glVertex2f(place.slotX - halfX, place.slotY + halfY);
        glEnd();
        glLineWidth(kAxisLineWidthPx);
        renderBitmapCharacter(place.slotLabelX, place.slotLabelY, kSlotLabel);
    }
    renderTitles();
    renderColourLegend();
}

// --- Titles -------------------------------------------------------------------------
//
// Each title is centred over its axis in a cell of the band above the axes
// that no other title of its row enters: half way to the nearest axes on
// either side that share its row (the view's edges bound the outer cells).
// When every title fits such a cell on one row, one row; else the titles
// alternate between two rows (every other axis on each), which doubles their
// cells; a title still too long ends in "..", and one where not even a
// letter and the dots fit is not drawn (the pointer over its axis shows it).

const std::vector<AxisTitlePlacement>& PCWindow::getAxisTitlePlacements() {
    // Laid out again when the view's size, the titles or the axes' places changed (the wheel spreads them).
    bool moved = titleAxisXView.size() != axisNames.size();
    for (size_t s = 0; s < titleAxisXView.size() && !moved; ++s) {
        moved = titleAxisXView[s] != getAxes()->getAxisPosition(static_cast<int>(s));
    }
    if (moved || titlesWidthPx != w() || titlesHeightPx != h() || titlePlacements.size() != axisNames.size()) {
        layOutTitles();
    }
    return titlePlacements;
}

void PCWindow::layOutTitles() {
    titlesWidthPx = w();
    titlesHeightPx = h();
    const int count = static_cast<int>(axisNames.size());
    titlePlacements.assign(static_cast<size_t>(count), AxisTitlePlacement());
    titleAxisXView.clear();
    const ParallelCoordinatesAxis* axes = getAxes();
    if (axes == nullptr || count == 0) return;
    const float widthPx = static_cast<float>(w());
    std::vector<float> axisPx(static_cast<size_t>(count));
    titleAxisXView.resize(static_cast<size_t>(count));
    for (int s = 0; s < count; ++s) {
        titleAxisXView[static_cast<size_t>(s)] = axes->getAxisPosition(s);
        axisPx[static_cast<size_t>(s)] = titleAxisXView[static_cast<size_t>(s)] * widthPx;
    }
    // The cell of slot s when its row holds every `stride`-th axis.
    auto cellOf = [&](int s, int stride, float* left, float* right) {
        const float x = axisPx[static_cast<size_t>(s)];
        *left = s - stride >= 0 ? (axisPx[static_cast<size_t>(s - stride)] + x) / 2 + kTitleGapPx / 2 : 1.0f;
        *right = s + stride < count ? (x + axisPx[static_cast<size_t>(s + stride)]) / 2 - kTitleGapPx / 2 : widthPx - 1;
    };
    auto fits = [&](int s, int stride) {
        float left = 0, right = 0;
        cellOf(s, stride, &left, &right);
        return kGlyphWidthPx * static_cast<float>(axisNames[static_cast<size_t>(s)].size()) <= right - left;
    };
    bool oneRow = true;
    for (int s = 0; s < count && oneRow; ++s) oneRow = fits(s, 1);
    const int stride = oneRow ? 1 : 2;
    for (int s = 0; s < count; ++s) {
        AxisTitlePlacement& place = titlePlacements[static_cast<size_t>(s)];
        place.row = oneRow ? 0 : s % 2;
        cellOf(s, stride, &place.cellLeftPx, &place.cellRightPx);
        const std::string& name = axisNames[static_cast<size_t>(s)];
        const size_t room = place.cellRightPx > place.cellLeftPx
                                ? static_cast<size_t>((place.cellRightPx - place.cellLeftPx) / kGlyphWidthPx)
                                : 0;
        if (name.size() <= room) {
            place.text = name;
        } else if (room > std::strlen(kEllipsis)) {
            place.text = name.substr(0, room - std::strlen(kEllipsis)) + kEllipsis;
        }
        const float textPx = kGlyphWidthPx * static_cast<float>(place.text.size());
        // Centred over the axis, pushed back inside its cell.
        place.leftPx = std::min(std::max(axisPx[static_cast<size_t>(s)] - textPx / 2, place.cellLeftPx),
                                place.cellRightPx - textPx);
        place.baselinePx = kTitleTopPx + kGlyphAscentPx + kTitleRowPx * static_cast<float>(place.row);
    }
}

int PCWindow::titleUnder(int xPx, int yPx) {
    const std::vector<AxisTitlePlacement>& titles = getAxisTitlePlacements();
    const float topOfAxesPx = (1.0f - getDrawRegion().top()) * static_cast<float>(h());
    if (titles.empty() || static_cast<float>(yPx) > std::max(topOfAxesPx, kTitleTopPx + kGlyphAscentPx + kTitleRowPx)) {
        return -1;
    }
    // The row under the pointer first; the axis whose cell holds it.
    const int row = static_cast<float>(yPx) > kTitleTopPx + kGlyphAscentPx + 2.0f ? 1 : 0;
    int nearest = -1;
    float nearestPx = 1e9f;
    for (size_t s = 0; s < titles.size(); ++s) {
        const AxisTitlePlacement& place = titles[s];
        const float x = static_cast<float>(xPx);
        if (x >= place.cellLeftPx && x <= place.cellRightPx && (place.row == row || titles[0].row == titles.back().row)) {
            const float distancePx = std::fabs(getAxes()->getAxisPosition(static_cast<int>(s)) * static_cast<float>(w()) - x);
            if (distancePx < nearestPx) {
                nearestPx = distancePx;
                nearest = static_cast<int>(s);
            }
        }
    }
    return nearest;
}

void PCWindow::renderTitles() {
    const std::vector<AxisTitlePlacement>& titles = getAxisTitlePlacements();
    const float widthPx = static_cast<float>(w()), heightPx = static_cast<float>(h());
    auto drawText = [&](const std::string& text, float leftPx, float baselinePx) {
        // Character by character on the font's grid, spaces kept (the toolkit's
        // stand-in font may not advance over a space).
        char glyph[2] = {0, 0};
        for (size_t c = 0; c < text.size(); ++c) {
            if (text[c] == ' ') continue;
            glyph[0] = text[c];
            renderBitmapCharacter((leftPx + kGlyphWidthPx * static_cast<float>(c)) / widthPx, 1.0f - baselinePx / heightPx, glyph);
        }
    };
    glColor4f(0, 0, 0, 1);
    for (size_t s = 0; s < titles.size(); ++s) {
        if (static_cast<int>(s) == draggedTitle) continue;
        drawText(titles[s].text, titles[s].leftPx, titles[s].baselinePx);
    }
    // The dragged title follows the pointer; a hovered title shows whole, over the band.
    const int shown = draggedTitle >= 0 ? draggedTitle : hoveredTitle;
    if (shown < 0 || shown >= static_cast<int>(titles.size())) return;
    const std::string& name = axisNames[static_cast<size_t>(shown)];
    const float textPx = kGlyphWidthPx * static_cast<float>(name.size());
    const float centrePx = draggedTitle >= 0 ? titleDragXView * widthPx
                                             : getAxes()->getAxisPosition(shown) * widthPx;
    const float leftPx = std::min(std::max(centrePx - textPx / 2, 1.0f + kTitleBoxPadPx), widthPx - 1 - kTitleBoxPadPx - textPx);
    const float baselinePx = kTitleTopPx + kGlyphAscentPx;
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_POLYGON_SMOOTH);
    glColor4f(1, 1, 0.85f, 1);
    glRectf((leftPx - kTitleBoxPadPx) / widthPx, 1.0f - (baselinePx + 3) / heightPx,
            (leftPx + textPx + kTitleBoxPadPx) / widthPx, 1.0f - (kTitleTopPx - 1) / heightPx);
    glPopAttrib();
    glColor4f(0, 0, 0, 1);
    drawText(name, leftPx, baselinePx);
    if (draggedTitle >= 0) {
        // Where the axis would go: a thin line at the slot nearest to the pointer.
        const int target = getAxes()->getNearestAxis(titleDragXView, 0.5f);
        if (target >= 0) {
            const float xView = getAxes()->getAxisPosition(target);
            glLineWidth(1.0f);
            glColor4f(0.2f, 0.4f, 1.0f, 1.0f);
            glBegin(GL_LINES);
            glVertex2f(xView, getDrawRegion().offset);
            glVertex2f(xView, getDrawRegion().top());
            glEnd();
        }
    }
}

// The colour-by legend: in the lower right corner, over the lines, one
// swatch per entry (the two ends of the map, or the categories).
void PCWindow::renderColourLegend() {
    const int dim = model().getColourByDim();
    if (dim < 0) return;
    const std::vector<ColourMap::LegendEntry> legend = ColourMap::legendOf(*getData(), dim);
    const float widthPx = static_cast<float>(w()), heightPx = static_cast<float>(h());
    constexpr float kSwatchPx = 10.0f, kRowPx = 14.0f, kMarginPx = 4.0f;
    size_t longest = axisNames[static_cast<size_t>(dim)].size();
    for (const ColourMap::LegendEntry& entry : legend) longest = std::max(longest, entry.text.size() + 2);
    const float boxWidthPx = kGlyphWidthPx * static_cast<float>(std::min<size_t>(longest, 24)) + kSwatchPx + 3 * kMarginPx;
    const float boxHeightPx = kRowPx * static_cast<float>(legend.size() + 1) + 2 * kMarginPx;
    const float leftPx = widthPx - boxWidthPx - kMarginPx;
    const float bottomPx = heightPx - 2 * kMarginPx;  // window pixels, y down
    // Solid boxes whatever state the lines left: the same pixels over the line layer as over lines drawn in one pass.
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_POLYGON_SMOOTH);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);  // opaque: the same pixels over the line layer as over lines drawn in one pass
    glRectf(leftPx / widthPx, 1.0f - bottomPx / heightPx, (leftPx + boxWidthPx) / widthPx,
            1.0f - (bottomPx - boxHeightPx) / heightPx);
    glColor4f(0, 0, 0, 1);
    float baselinePx = bottomPx - boxHeightPx + kMarginPx + kRowPx - 3;
    std::string title = axisNames[static_cast<size_t>(dim)];
    if (title.size() > 24) title = title.substr(0, 22) + kEllipsis;
    renderBitmapCharacter((leftPx + kMarginPx) / widthPx, 1.0f - baselinePx / heightPx, title.c_str());
    for (const ColourMap::LegendEntry& entry : legend) {
        baselinePx += kRowPx;
        // Whole bytes: no rounding of the channels that could differ between the window's buffers.
        glColor4ub(static_cast<GLubyte>(std::lround(entry.colour.r * 255)), static_cast<GLubyte>(std::lround(entry.colour.g * 255)),
                   static_cast<GLubyte>(std::lround(entry.colour.b * 255)), 255);
        glRectf((leftPx + kMarginPx) / widthPx, 1.0f - baselinePx / heightPx, (leftPx + kMarginPx + kSwatchPx) / widthPx,
                1.0f - (baselinePx - kSwatchPx) / heightPx);
        glColor4f(0, 0, 0, 1);
        std::string text = entry.text;
        if (text.size() > 22) text = text.substr(0, 20) + kEllipsis;
        renderBitmapCharacter((leftPx + 2 * kMarginPx + kSwatchPx) / widthPx, 1.0f - baselinePx / heightPx, text.c_str());
    }
    glPopAttrib();
}

void PCWindow::renderMouseTrace() {
    glColor4f(0, 0, 0, 0.8f);
    glLineWidth(kTraceLineWidthPx);
    glBegin(GL_LINE_STRIP);
    for (const Point2& p : mouseTrace) glVertex2f(p.x, p.y);
    glEnd();
}

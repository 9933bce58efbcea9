// PCWindow: the axes with their labels (and, on a categorical axis, its
// categories; on an axis with missing values, the slot below its foot where
// they stand), the text primitive of the view's labels, and the trace of the
// current mouse gesture.
#include "pcview/PCWindow.h"

#include <GL/glew.h>
#include <FL/glut.H>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

// Label offsets from the axis ends, window pixels (they do not scale with the window).
constexpr float kNameAbovePx = 20.0f;      // name baseline above the axis top
constexpr float kNameShiftPerCharPx = 2.0f;  // name shifted left per character
constexpr float kMinBelowPx = 15.0f;       // minimum's baseline below the axis foot
constexpr float kMaxAbovePx = 5.0f;        // maximum's baseline above the axis top

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
    const float nameLength = static_cast<float>(axisNames[slot].size());
    AxisLabelPlacement place;
    place.nameX = xView - kNameShiftPerCharPx * nameLength / widthPx;
    place.nameY = region.top() + kNameAbovePx / heightPx;
    place.minX = xView;
    place.minY = region.offset - kMinBelowPx / heightPx;
    place.maxX = xView;
    place.maxY = region.top() + kMaxAbovePx / heightPx;
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
        const float valueNorm = count > 1 ? static_cast<float>(k) / static_cast<float>(count - 1)
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
        renderBitmapCharacter(place.nameX, place.nameY, &axisNames[slot]);
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
}

void PCWindow::renderMouseTrace() {
    glColor4f(0, 0, 0, 0.8f);
    glLineWidth(kTraceLineWidthPx);
    glBegin(GL_LINE_STRIP);
    for (const Point2& p : mouseTrace) glVertex2f(p.x, p.y);
    glEnd();
}

#include "model/ColourMap.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "data/MultidimensionalData.h"

namespace ColourMap {

namespace {

// The viridis map at nine evenly spaced points (0, 1/8, ..., 1), from its
// published table of values; between them it is interpolated linearly.
constexpr float kViridis[9][3] = {
    {0.267004f, 0.004874f, 0.329415f}, {0.282623f, 0.140926f, 0.457517f}, {0.229739f, 0.322361f, 0.545706f},
    {0.172719f, 0.448791f, 0.557885f}, {0.127568f, 0.566949f, 0.550556f}, {0.157851f, 0.683765f, 0.501686f},
    {0.369214f, 0.788888f, 0.382914f}, {0.678489f, 0.863742f, 0.189503f}, {0.993248f, 0.906157f, 0.143936f},
};

// Twelve colours told apart easily, as a qualitative colour scheme of twelve
// classes publishes them (its light yellow darkened to show on white).
constexpr unsigned kQualitative[kQualitativeColours] = {
    0x1f78b4, 0xe31a1c, 0x33a02c, 0xff7f00, 0x6a3d9a, 0xb15928,
    0xa6cee3, 0xfb9a99, 0xb2df8a, 0xfdbf6f, 0xcab2d6, 0xd4c84a,
};

Color4 fromHex(unsigned rgb) {
    return Color4(static_cast<float>((rgb >> 16) & 0xff) / 255.0f, static_cast<float>((rgb >> 8) & 0xff) / 255.0f,
                  static_cast<float>(rgb & 0xff) / 255.0f, 1.0f);
}

// Where an item's normalised value stands between the column's low (0) and high (1) end, whatever the axis's direction.
float alongColumn(const AxisScale& scale, float valueNorm) { return scale.flipped ? 1.0f - valueNorm : valueNorm; }

}  // namespace

Color4 viridis(float t) {
    const float clamped = std::isnan(t) ? 0.0f : std::min(std::max(t, 0.0f), 1.0f);
    const float scaled = clamped * 8.0f;
    const int k = std::min(static_cast<int>(scaled), 7);
    const float f = scaled - static_cast<float>(k);
    return Color4(kViridis[k][0] + f * (kViridis[k + 1][0] - kViridis[k][0]),
                  kViridis[k][1] + f * (kViridis[k + 1][1] - kViridis[k][1]),
                  kViridis[k][2] + f * (kViridis[k + 1][2] - kViridis[k][2]), 1.0f);
}

Color4 qualitative(int k) { return fromHex(kQualitative[((k % kQualitativeColours) + kQualitativeColours) % kQualitativeColours]); }

Color4 other() { return Color4(0.55f, 0.55f, 0.55f, 1.0f); }

std::vector<int> categoryColourIndices(const MultidimensionalData& table, int dim) {
    const TableColumn& column = table.getAxisColumn(dim);
    const size_t count = column.categories.size();
    std::vector<int> bySize(count);
    std::iota(bySize.begin(), bySize.end(), 0);
    std::stable_sort(bySize.begin(), bySize.end(), [&](int a, int b) {
        return column.categoryCounts[static_cast<size_t>(a)] > column.categoryCounts[static_cast<size_t>(b)];
    });
    std::vector<int> index(count, -1);
    for (size_t rank = 0; rank < count && rank < static_cast<size_t>(kQualitativeColours); ++rank) {
        index[static_cast<size_t>(bySize[rank])] = static_cast<int>(rank);
    }
    return index;
}

std::vector<LegendEntry> legendOf(const MultidimensionalData& table, int dim) {
    std::vector<LegendEntry> legend;
    if (dim < 0 || dim >= table.getActualDimNum()) return legend;
    const TableColumn& column = table.getAxisColumn(dim);
    if (column.kind == ColumnKind::Categorical) {
        const std::vector<int> index = categoryColourIndices(table, dim);
        legend.resize(std::min<size_t>(index.size(), kQualitativeColours));
        for (size_t k = 0; k < index.size(); ++k) {
            if (index[k] >= 0) legend[static_cast<size_t>(index[k])] = {qualitative(index[k]), column.categories[k]};
        }
        if (index.size() > static_cast<size_t>(kQualitativeColours)) {
            legend.push_back({other(), "other (" + std::to_string(index.size() - kQualitativeColours) + ")"});
        }
        return legend;
    }
    const AxisScale& scale = table.getAxisScale(dim);
    const bool flipped = scale.flipped;
    legend.push_back({viridis(0.0f), flipped ? table.getAxisMaxText(dim) : table.getAxisMinText(dim)});
    legend.push_back({viridis(1.0f), flipped ? table.getAxisMinText(dim) : table.getAxisMaxText(dim)});
    return legend;
}

int colourByColumn(const MultidimensionalData& table, const std::string& name, std::string* problem) {
    std::string names;
    for (int c = 0; c < table.getDimNum(); ++c) {
        const TableColumn& column = table.getColumn(c);
        names += (c ? ", " : "") + column.name;
        if (column.name != name) continue;
        if (column.isAxis()) return column.axis;
        *problem = "cannot colour the lines by \"" + name + "\": it is " +
                   (column.kind == ColumnKind::Name ? "the items' names" : "an identifier column (no axis of its own)");
        return -1;
    }
    *problem = "the table has no column \"" + name + "\" (its columns: " + names + ")";
    return -1;
}

std::vector<Color4> itemColoursOf(const MultidimensionalData& table, int dim, const Color4& missingColour) {
    std::vector<Color4> colours;
    if (dim < 0 || dim >= table.getActualDimNum()) return colours;
    const int items = table.getDataNum();
    colours.resize(static_cast<size_t>(items));
    const TableColumn& column = table.getAxisColumn(dim);
    const AxisScale& scale = table.getAxisScale(dim);
    std::vector<Color4> categoryColours;
    if (column.kind == ColumnKind::Categorical) {
        for (int k : categoryColourIndices(table, dim)) categoryColours.push_back(k >= 0 ? qualitative(k) : other());
    }
    for (int i = 0; i < items; ++i) {
        const float valueNorm = table.getDataRow(i)[dim];
        Color4 colour = missingColour;
        if (!MultidimensionalData::isMissingNorm(valueNorm)) {
            if (!categoryColours.empty()) {
                const double k = std::round(scale.toRaw(valueNorm));
                colour = categoryColours[static_cast<size_t>(std::min(std::max(k, 0.0), double(categoryColours.size() - 1)))];
            } else {
                colour = viridis(alongColumn(scale, valueNorm));
            }
            colour.a = kLineAlpha;
        }
        colours[static_cast<size_t>(i)] = colour;
    }
    return colours;
}

}  // namespace ColourMap

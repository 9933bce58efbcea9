#include "model/Session.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "data/AtomicFile.h"
#include "data/MultidimensionalData.h"
#include "data/TableColumn.h"
#include "geometry/Angles.h"
#include "layout/ParallelCoordinatesAxis.h"
#include "model/TableModel.h"

using json = nlohmann::json;

namespace {

constexpr const char* kFormat = "strands-session";
// Bounds that keep a hostile file from asking for absurd amounts of memory:
// far beyond what a person builds by hand.
constexpr size_t kMaxNodes = 20000;
constexpr size_t kMaxPaths = 10000;
constexpr int kMaxDimensions = 100000;
constexpr int kMaxItems = 2000000000;

const char* typeName(int type) {
    switch (type) {
        case AROperator::kTypeRoot: return "root";
        case AROperator::kTypeRegular: return "operator";
        default: return "complement";
    }
}

json colourJson(const Color4& c) { return json::array({c.r, c.g, c.b, c.a}); }

json itemsJson(const std::vector<int>& items) { return json(items); }

json pathJson(const Path& path) {
    json points = json::array();
    for (size_t d = 0; d < path.hasHintPoint.size(); ++d) {
        points.push_back({{"x", path.hintPoints[d].x},
                          {"y", path.hintPoints[d].y},
                          {"peak", path.peaks[d]},
                          {"deviation", path.deviations[d]},
                          {"placed", static_cast<bool>(path.hasHintPoint[d])}});
    }
    return {{"color", colourJson(path.color)}, {"points", points}};
}

json groupJson(const DataItemGroup& group, bool withHidden) {
    json made = {{"items", group.items}};
    if (withHidden) made["hidden"] = group.hidden;
    return made;
}

// Reads typed values out of a parsed document, each checked where it is
// read; the first problem is kept, named by its place in the document
// ("tree.nodes[3].radius: ...").
class Reader {
public:
    bool ok() const { return problem.empty(); }
    const std::string& error() const { return problem; }

    bool fail(const std::string& where, const std::string& what) {
        if (problem.empty()) problem = where + ": " + what;
        return false;
    }

    const json* member(const json& object, const char* key, const std::string& where) {
        if (!object.is_object()) {
            fail(where, "expected an object");
            return nullptr;
        }
        const auto found = object.find(key);
        if (found == object.end()) {
            fail(where + "." + key, "missing");
            return nullptr;
        }
        return &*found;
    }

    const json* array(const json& object, const char* key, const std::string& where, size_t maxSize) {
        const json* value = member(object, key, where);
        if (value == nullptr) return nullptr;
        if (!value->is_array()) return fail(where + "." + key, "expected an array"), nullptr;
        if (value->size() > maxSize) {
            return fail(where + "." + key, "too many entries (" + std::to_string(value->size()) + ")"), nullptr;
        }
        return value;
    }

    bool number(const json& value, const std::string& where, double low, double high, double* out) {
        if (!value.is_number()) return fail(where, "expected a number");
        const double read = value.get<double>();
        if (!std::isfinite(read) || read < low || read > high) {
            std::ostringstream range;
            range << read << " is outside [" << low << ", " << high << "]";
            return fail(where, range.str());
        }
        *out = read;
        return true;
    }
    bool number(const json& object, const char* key, const std::string& where, double low, double high, double* out) {
        const json* value = member(object, key, where);
        return value != nullptr && number(*value, where + "." + key, low, high, out);
    }
    bool number(const json& object, const char* key, const std::string& where, double low, double high, float* out) {
        double read = 0;
        if (!number(object, key, where, low, high, &read)) return false;
        *out = static_cast<float>(read);
        return true;
    }

    bool integer(const json& value, const std::string& where, int64_t low, int64_t high, int64_t* out) {
        if (!value.is_number_integer()) return fail(where, "expected a whole number");
        const int64_t read = value.is_number_unsigned() && value.get<uint64_t>() > uint64_t(INT64_MAX)
                                 ? INT64_MAX
                                 : value.get<int64_t>();
        if (read < low || read > high) {
            return fail(where, std::to_string(read) + " is outside [" + std::to_string(low) + ", " +
                                   std::to_string(high) + "]");
        }
        *out = read;
        return true;
    }
    bool integer(const json& object, const char* key, const std::string& where, int64_t low, int64_t high, int* out) {
        const json* value = member(object, key, where);
        int64_t read = 0;
        if (value == nullptr || !integer(*value, where + "." + key, low, high, &read)) return false;
        *out = static_cast<int>(read);
        return true;
    }

    bool boolean(const json& object, const char* key, const std::string& where, bool* out) {
        const json* value = member(object, key, where);
        if (value == nullptr) return false;
        if (!value->is_boolean()) return fail(where + "." + key, "expected true or false");
        *out = value->get<bool>();
        return true;
    }

    bool text(const json& object, const char* key, const std::string& where, std::string* out) {
        const json* value = member(object, key, where);
        if (value == nullptr) return false;
        if (!value->is_string()) return fail(where + "." + key, "expected a string");
        *out = value->get<std::string>();
        return true;
    }

    bool colour(const json& object, const char* key, const std::string& where, Color4* out) {
        const json* value = array(object, key, where, 4);
        if (value == nullptr) return false;
        if (value->size() != 4) return fail(where + "." + key, "expected 4 numbers (red, green, blue, alpha)");
        double c[4];
        for (size_t k = 0; k < 4; ++k) {
            if (!number((*value)[k], where + "." + key + "[" + std::to_string(k) + "]", 0, 1, &c[k])) return false;
        }
        *out = Color4(static_cast<float>(c[0]), static_cast<float>(c[1]), static_cast<float>(c[2]), static_cast<float>(c[3]));
        return true;
    }

    // Item indices in [0, itemCount); no more than itemCount of them.
    template <typename Index>
    bool items(const json& object, const std::string& where, int itemCount, std::vector<Index>* out) {
        const json* value = array(object, "items", where, static_cast<size_t>(itemCount));
        if (value == nullptr) return false;
        out->clear();
        out->reserve(value->size());
        for (size_t k = 0; k < value->size(); ++k) {
            const json& entry = (*value)[k];
            if (!entry.is_number_integer()) return fail(where + ".items[" + std::to_string(k) + "]", "expected an item number");
            const int64_t item = entry.is_number_unsigned() && entry.get<uint64_t>() > uint64_t(INT64_MAX)
                                     ? INT64_MAX
                                     : entry.get<int64_t>();
            if (item < 0 || item >= itemCount) {
                return fail(where + ".items[" + std::to_string(k) + "]",
                            "item " + std::to_string(item) + " is not in the table (0 to " +
                                std::to_string(itemCount - 1) + ")");
            }
            out->push_back(static_cast<Index>(item));
        }
        return true;
    }

private:
    std::string problem;
};

bool readPath(Reader& in, const json& value, const std::string& where, int dims, Path* path) {
    if (!in.colour(value, "color", where, &path->color)) return false;
    const json* points = in.array(value, "points", where, static_cast<size_t>(dims));
    if (points == nullptr) return false;
    if (static_cast<int>(points->size()) != dims) {
        return in.fail(where + ".points", "expected one entry per dimension (" + std::to_string(dims) + ")");
    }
    path->hintPoints.assign(dims, Point2());
    path->peaks.assign(dims, 0);
    path->deviations.assign(dims, 0);
    path->hasHintPoint.assign(dims, false);
    for (int d = 0; d < dims; ++d) {
        const json& point = (*points)[static_cast<size_t>(d)];
        const std::string at = where + ".points[" + std::to_string(d) + "]";
        bool placed = false;
        float x = 0, y = 0;
        if (!in.number(point, "x", at, -1, 2, &x) || !in.number(point, "y", at, -1, 2, &y) ||
            !in.number(point, "peak", at, -1e30, 1e30, &path->peaks[d]) ||
            !in.number(point, "deviation", at, -1e30, 1e30, &path->deviations[d]) ||
            !in.boolean(point, "placed", at, &placed)) {
            return false;
        }
        path->hintPoints[d] = Point2(x, y);
        path->hasHintPoint[d] = placed;
    }
    return true;
}

bool readGroups(Reader& in, const json& list, const std::string& where, int itemCount, bool withHidden,
                std::vector<DataItemGroup>* groups) {
    for (size_t k = 0; k < list.size(); ++k) {
        const std::string at = where + "[" + std::to_string(k) + "]";
        DataItemGroup group;
        if (!in.items(list[k], at, itemCount, &group.items)) return false;
        if (withHidden && !in.boolean(list[k], "hidden", at, &group.hidden)) return false;
        groups->push_back(std::move(group));
    }
    return true;
}

bool readNode(Reader& in, const json& value, const std::string& where, int index, int itemCount,
              ClusterTree::NodeState* node) {
    std::string type;
    if (!in.integer(value, "parent", where, -1, index - 1, &node->parent) || !in.text(value, "type", where, &type)) {
        return false;
    }
    if (index == 0) {
        if (type != "root" || node->parent != -1) return in.fail(where, "the first node must be the root (parent -1)");
        node->type = AROperator::kTypeRoot;
    } else if (type == "operator") {
        node->type = AROperator::kTypeRegular;
    } else if (type == "complement") {
        node->type = AROperator::kTypeComplementary;
    } else {
        return in.fail(where + ".type", "\"" + type + "\" is not \"operator\" or \"complement\"");
    }
    if (index > 0 && node->parent < 0) return in.fail(where + ".parent", "only the first node has no parent");
    if (!in.colour(value, "color", where, &node->color) || !in.items(value, where, itemCount, &node->items)) return false;
    const json* graph = in.array(value, "graph", where, 2);
    if (graph == nullptr) return false;
    if (!graph->empty()) {
        if (graph->size() != 2 || !in.number((*graph)[0], where + ".graph[0]", -100, 100, &node->graphX) ||
            !in.number((*graph)[1], where + ".graph[1]", -100, 100, &node->graphY)) {
            return in.fail(where + ".graph", "expected [] or [x, y]");
        }
        node->graphPlaced = true;
    }
    if (node->type != AROperator::kTypeRegular) return true;
    return in.number(value, "x", where, 0, 1, &node->x) && in.number(value, "y", where, -1, 2, &node->y) &&
           in.number(value, "angle", where, -kPi, kPi, &node->angle) &&
           in.number(value, "radius", where, 1e-6, 1, &node->radius) &&
           in.number(value, "angleWidth", where, 1e-6, kPi, &node->angleWidth) &&
           in.number(value, "strength", where, 0, 100, &node->strength) &&
           in.number(value, "tangentWeight", where, 0, 100, &node->tangentWeight) &&
           in.boolean(value, "primary", where, &node->primary) && in.boolean(value, "locked", where, &node->locked);
}

// The nodes must describe a tree in pre-order: each node's parent is the node
// before it or one of that node's ancestors. Every node with children has
// exactly one complementary child.
bool checkTreeShape(Reader& in, const std::vector<ClusterTree::NodeState>& nodes) {
    std::vector<int> ancestors;  // the path from the root to the previous node
    std::vector<int> complements(nodes.size(), 0), children(nodes.size(), 0);
    for (size_t k = 0; k < nodes.size(); ++k) {
        const int parent = nodes[k].parent;
        if (k > 0) {
            while (!ancestors.empty() && ancestors.back() != parent) ancestors.pop_back();
            if (ancestors.empty()) {
                return in.fail("tree.nodes[" + std::to_string(k) + "].parent", "the nodes are not listed in pre-order");
            }
            ++children[static_cast<size_t>(parent)];
            if (nodes[k].type == AROperator::kTypeComplementary) ++complements[static_cast<size_t>(parent)];
        }
        ancestors.push_back(static_cast<int>(k));
    }
    for (size_t k = 0; k < nodes.size(); ++k) {
        if (children[k] > 0 && complements[k] != 1) {
            return in.fail("tree.nodes[" + std::to_string(k) + "]",
                           "a node with children needs exactly one complementary child, it has " +
                               std::to_string(complements[k]));
        }
    }
    return true;
}

}  // namespace

Session Session::capture(const TableModel& model, const DisplaySwitches& display) {
    Session session;
    const MultidimensionalData* table = model.getData();
    session.tablePath = table->getSourcePath();
    session.fingerprint = table->getFingerprint();
    session.itemCount = table->getDataNum();
    session.dimensionCount = table->getActualDimNum();
    session.delimiter = table->getDelimiter();
    for (int c = 0; c < table->getDimNum(); ++c) {
        const TableColumn& column = table->getColumn(c);
        session.columns.push_back({column.name, columnKindName(column.kind), column.categories});
    }
    for (int d = 0; d < session.dimensionCount; ++d) {
        session.axisPositions.push_back(model.getAxes()->getAxisPosition(d));
        session.histogramWidths.push_back(model.getHistogramWidth(d));
    }
    session.display = display;
    session.gaussianOrdering = model.getGaussianOrdering();
    session.groupSort = model.getGroupSort();
    const ClusterTree* tree = model.getClusterTree();
    session.nodes = tree->saveNodes();
    session.focusedNode = std::max(tree->indexOf(tree->getFocused()), 0);
    const ClusterPath* paths = model.getPaths();
    for (int k = 0; k < paths->getUnlockedPathNum(); ++k) session.unlockedPaths.push_back(*paths->getUnlockedPath(k));
    for (int k = 0; k < paths->getLockedPathNum(); ++k) session.lockedPaths.push_back(*paths->getLockedPath(k));
    session.mixturesShown = model.hasMixtures();
    const MultidimensionalCluster* groups = model.getClusters();
    for (int k = 0; k < groups->getUnlockedGroupNum(); ++k) {
        DataItemGroup group;
        group.items = groups->getUnlockedGroup(k)->items;
        session.unlockedGroups.push_back(std::move(group));
    }
    for (int k = 0; k < groups->getLockedGroupNum(); ++k) {
        DataItemGroup group;
        group.items = groups->getLockedGroup(k)->items;
        group.hidden = groups->getLockedGroup(k)->hidden;
        session.lockedGroups.push_back(std::move(group));
    }
    return session;
}

std::string Session::toJson() const {
    json nodeList = json::array();
    for (const ClusterTree::NodeState& node : nodes) {
        json made = {{"parent", node.parent},
                     {"type", typeName(node.type)},
                     {"color", colourJson(node.color)},
                     {"items", itemsJson(node.items)},
                     {"graph", node.graphPlaced ? json::array({node.graphX, node.graphY}) : json::array()}};
        if (node.type == AROperator::kTypeRegular) {
            made.update({{"x", node.x},
                         {"y", node.y},
                         {"angle", node.angle},
                         {"radius", node.radius},
                         {"angleWidth", node.angleWidth},
                         {"strength", node.strength},
                         {"tangentWeight", node.tangentWeight},
                         {"primary", node.primary},
                         {"locked", node.locked}});
        }
        nodeList.push_back(std::move(made));
    }
    json unlocked = json::array(), locked = json::array(), unlockedGroupList = json::array(),
         lockedGroupList = json::array();
    for (const Path& path : unlockedPaths) unlocked.push_back(pathJson(path));
    for (const Path& path : lockedPaths) locked.push_back(pathJson(path));
    for (const DataItemGroup& group : unlockedGroups) unlockedGroupList.push_back(groupJson(group, false));
    for (const DataItemGroup& group : lockedGroups) lockedGroupList.push_back(groupJson(group, true));
    json columnList = json::array();
    for (const Column& column : columns) {
        json entry = {{"name", column.name}, {"kind", column.kind}};
        if (column.kind == columnKindName(ColumnKind::Categorical)) entry["categories"] = column.categories;
        columnList.push_back(entry);
    }
    json document = {
        {"format", kFormat},
        {"version", version},
        {"table",
         {{"path", tablePath},
          {"size", fingerprint.size},
          {"hash", fingerprint.hashText()},
          {"items", itemCount},
          {"dimensions", dimensionCount}}},
        {"axes", axisPositions},
        {"histogramWidths", histogramWidths},
        {"display",
         {{"histograms", display.showHistograms},
          {"mixtures", display.showMixtures},
          {"hintPaths", display.showHintPaths},
          {"allHintsOff", display.allHintsOff}}},
        {"ordering", {{"gaussian", gaussianOrdering}, {"groupSort", groupSort}}},
        {"tree", {{"focused", focusedNode}, {"nodes", nodeList}}},
        {"hintPaths", {{"unlocked", unlocked}, {"locked", locked}, {"mixtures", mixturesShown}}},
        {"groups", {{"unlocked", unlockedGroupList}, {"locked", lockedGroupList}}},
    };
    if (version >= 2) {
        document["table"]["delimiter"] = std::string(1, delimiter != 0 ? delimiter : ',');
        document["table"]["columns"] = columnList;
    }
    return document.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

bool Session::fromJson(const std::string& text, Session* session, std::string* error) {
    json document;
    try {
        document = json::parse(text);
    } catch (const json::exception& problem) {  // syntax errors, and numbers too large for a double
        *error = std::string("not a session file (") + problem.what() + ")";
        return false;
    }
    Reader in;
    Session read;
    std::string format;
    int64_t version = 0;
    const json* versionValue = nullptr;
    if (!in.text(document, "format", "session", &format)) return *error = in.error(), false;
    if (format != kFormat) return *error = "session.format: \"" + format + "\" is not a session of this program", false;
    versionValue = in.member(document, "version", "session");
    if (versionValue == nullptr || !in.integer(*versionValue, "session.version", 1, INT32_MAX, &version)) {
        return *error = in.error(), false;
    }
    if (version > kVersion) {
        *error = "session.version: written by a newer version of the program (" + std::to_string(version) +
                 "); this one reads version " + std::to_string(kVersion);
        return false;
    }
    read.version = static_cast<int>(version);

    const json* table = in.member(document, "table", "session");
    std::string hash;
    double size = 0;
    if (table == nullptr || !in.text(*table, "path", "table", &read.tablePath) ||
        !in.number(*table, "size", "table", 0, 9.007199254740992e15, &size) ||
        !in.text(*table, "hash", "table", &hash) ||
        !in.integer(*table, "items", "table", 0, kMaxItems, &read.itemCount) ||
        !in.integer(*table, "dimensions", "table", 0, kMaxDimensions, &read.dimensionCount)) {
        return *error = in.error(), false;
    }
    read.fingerprint.size = static_cast<uint64_t>(size);
    if (!FileFingerprint::parseHash(hash, &read.fingerprint.hash)) {
        return *error = "table.hash: expected 16 hexadecimal digits", false;
    }
    if (read.version >= 2) {
        std::string delimiter;
        if (!in.text(*table, "delimiter", "table", &delimiter)) return *error = in.error(), false;
        if (delimiter.size() != 1 || delimiter[0] == '"' || delimiter[0] == '\n' || delimiter[0] == '\r') {
            return *error = "table.delimiter: expected one character other than a quote or a line end", false;
        }
        read.delimiter = delimiter[0];
        const json* columnList = in.array(*table, "columns", "table", static_cast<size_t>(kMaxDimensions));
        if (columnList == nullptr) return *error = in.error(), false;
        for (size_t c = 0; c < columnList->size(); ++c) {
            const std::string at = "table.columns[" + std::to_string(c) + "]";
            Column column;
            if (!in.text((*columnList)[c], "name", at, &column.name) ||
                !in.text((*columnList)[c], "kind", at, &column.kind)) {
                return *error = in.error(), false;
            }
            if (column.kind == columnKindName(ColumnKind::Categorical)) {
                const json* categories = in.array((*columnList)[c], "categories", at, TableColumn::kMaxCategories);
                if (categories == nullptr) return *error = in.error(), false;
                for (const json& category : *categories) {
                    if (!category.is_string()) return *error = at + ".categories: expected strings", false;
                    column.categories.push_back(category.get<std::string>());
                }
            }
            read.columns.push_back(std::move(column));
        }
    }
    const int dims = read.dimensionCount;

    const json* axes = in.array(document, "axes", "session", static_cast<size_t>(dims));
    const json* widths = in.array(document, "histogramWidths", "session", static_cast<size_t>(dims));
    if (axes == nullptr || widths == nullptr) return *error = in.error(), false;
    if (static_cast<int>(axes->size()) != dims || static_cast<int>(widths->size()) != dims) {
        return *error = "session.axes, session.histogramWidths: expected one entry per dimension (" +
                        std::to_string(dims) + ")",
               false;
    }
    for (int d = 0; d < dims; ++d) {
        double x = 0, width = 0;
        const std::string at = "axes[" + std::to_string(d) + "]";
        if (!in.number((*axes)[static_cast<size_t>(d)], at, 0.05, 0.95, &x) ||
            !in.number((*widths)[static_cast<size_t>(d)], "histogramWidths[" + std::to_string(d) + "]",
                       TableModel::kMinHistogramWidth, TableModel::kMaxHistogramWidth, &width)) {
            return *error = in.error(), false;
        }
        read.axisPositions.push_back(static_cast<float>(x));
        read.histogramWidths.push_back(static_cast<float>(width));
        if (d > 0 && !(read.axisPositions[d] > read.axisPositions[d - 1])) {
            return *error = at + ": the axes must stand left to right", false;
        }
    }

    const json* display = in.member(document, "display", "session");
    const json* ordering = in.member(document, "ordering", "session");
    if (display == nullptr || ordering == nullptr ||
        !in.boolean(*display, "histograms", "display", &read.display.showHistograms) ||
        !in.boolean(*display, "mixtures", "display", &read.display.showMixtures) ||
        !in.boolean(*display, "hintPaths", "display", &read.display.showHintPaths) ||
        !in.boolean(*display, "allHintsOff", "display", &read.display.allHintsOff) ||
        !in.boolean(*ordering, "gaussian", "ordering", &read.gaussianOrdering) ||
        !in.boolean(*ordering, "groupSort", "ordering", &read.groupSort)) {
        return *error = in.error(), false;
    }

    const json* tree = in.member(document, "tree", "session");
    const json* nodes = tree != nullptr ? in.array(*tree, "nodes", "tree", kMaxNodes) : nullptr;
    if (nodes == nullptr) return *error = in.error(), false;
    if (nodes->empty()) return *error = "tree.nodes: the tree needs its root", false;
    for (size_t k = 0; k < nodes->size(); ++k) {
        ClusterTree::NodeState node;
        if (!readNode(in, (*nodes)[k], "tree.nodes[" + std::to_string(k) + "]", static_cast<int>(k), read.itemCount,
                      &node)) {
            return *error = in.error(), false;
        }
        read.nodes.push_back(std::move(node));
    }
    if (!in.integer(*tree, "focused", "tree", 0, static_cast<int64_t>(read.nodes.size()) - 1, &read.focusedNode) ||
        !checkTreeShape(in, read.nodes)) {
        return *error = in.error(), false;
    }

    const json* hintPaths = in.member(document, "hintPaths", "session");
    const json* unlocked = hintPaths != nullptr ? in.array(*hintPaths, "unlocked", "hintPaths", kMaxPaths) : nullptr;
    const json* locked = hintPaths != nullptr ? in.array(*hintPaths, "locked", "hintPaths", kMaxPaths) : nullptr;
    if (unlocked == nullptr || locked == nullptr ||
        !in.boolean(*hintPaths, "mixtures", "hintPaths", &read.mixturesShown)) {
        return *error = in.error(), false;
    }
    for (size_t k = 0; k < unlocked->size() + locked->size(); ++k) {
        const bool isLocked = k >= unlocked->size();
        const size_t index = isLocked ? k - unlocked->size() : k;
        Path path;
        if (!readPath(in, (isLocked ? *locked : *unlocked)[index],
                      std::string("hintPaths.") + (isLocked ? "locked[" : "unlocked[") + std::to_string(index) + "]",
                      dims, &path)) {
            return *error = in.error(), false;
        }
        (isLocked ? read.lockedPaths : read.unlockedPaths).push_back(std::move(path));
    }

    const json* groups = in.member(document, "groups", "session");
    const json* unlockedGroups =
        groups != nullptr ? in.array(*groups, "unlocked", "groups", read.unlockedPaths.size() + 1) : nullptr;
    const json* lockedGroups = groups != nullptr ? in.array(*groups, "locked", "groups", read.lockedPaths.size()) : nullptr;
    if (unlockedGroups == nullptr || lockedGroups == nullptr ||
        !readGroups(in, *unlockedGroups, "groups.unlocked", read.itemCount, false, &read.unlockedGroups) ||
        !readGroups(in, *lockedGroups, "groups.locked", read.itemCount, true, &read.lockedGroups)) {
        return *error = in.error(), false;
    }
    if (read.unlockedGroups.empty()) return *error = "groups.unlocked: the catch-all group 0 is missing", false;
    if (read.lockedGroups.size() != read.lockedPaths.size()) {
        return *error = "groups.locked: one group per locked hint path is needed (" +
                        std::to_string(read.lockedPaths.size()) + ")",
               false;
    }
    *session = std::move(read);
    return true;
}

bool Session::checkAgainst(const MultidimensionalData& table, std::string* error) const {
    if (table.getFingerprint() != fingerprint) {
        *error = "the table \"" + table.getSourcePath() + "\" has changed since the session was saved";
        return false;
    }
    const int n = table.getDataNum();
    if (n != itemCount || table.getActualDimNum() != dimensionCount) {
        *error = "the session is for a table of " + std::to_string(itemCount) + " items and " +
                 std::to_string(dimensionCount) + " dimensions; this one has " + std::to_string(n) + " and " +
                 std::to_string(table.getActualDimNum());
        return false;
    }
    // The columns read as they were when the session was saved (version 2 on).
    if (!columns.empty()) {
        if (static_cast<int>(columns.size()) != table.getDimNum()) {
            *error = "the session's table has " + std::to_string(columns.size()) + " columns; this one has " +
                     std::to_string(table.getDimNum());
            return false;
        }
        for (size_t c = 0; c < columns.size(); ++c) {
            const TableColumn& column = table.getColumn(static_cast<int>(c));
            const std::string at = "table.columns[" + std::to_string(c) + "] \"" + columns[c].name + "\"";
            if (columns[c].kind != columnKindName(column.kind)) {
                *error = at + ": " + columns[c].kind + " in the session, " + columnKindName(column.kind) + " in the table";
                return false;
            }
            if (columns[c].categories != column.categories) {
                *error = at + ": its categories are not in the session's order";
                return false;
            }
        }
    }
    // Regular operators must stand between two axes.
    ParallelCoordinatesAxis axes(dimensionCount);
    for (int d = 0; d < dimensionCount; ++d) axes.setAxisPosition(d, axisPositions[d]);
    for (size_t k = 0; k < nodes.size(); ++k) {
        if (nodes[k].type == AROperator::kTypeRegular && axes.getLeftAxisID(nodes[k].x) < 0) {
            *error = "tree.nodes[" + std::to_string(k) + "]: the operator does not stand between two axes";
            return false;
        }
    }
    // Item lists: the root holds every item; a node holds no item twice and
    // only items of its parent; the leaves hold every item exactly once. Each
    // parent's items are marked once and all its children checked against
    // them: work in proportion to the lists' total length.
    if (static_cast<int>(nodes[0].items.size()) != n) {
        *error = "tree.nodes[0]: the root must hold every item";
        return false;
    }
    std::vector<std::vector<int>> childrenOf(nodes.size());
    for (size_t k = 1; k < nodes.size(); ++k) childrenOf[static_cast<size_t>(nodes[k].parent)].push_back(static_cast<int>(k));
    std::vector<int> mark(static_cast<size_t>(n), -1), seen(static_cast<size_t>(n), -1), leaves(static_cast<size_t>(n), 0);
    auto checkNoRepeats = [&](int k) {
        for (int item : nodes[static_cast<size_t>(k)].items) {
            if (seen[item] == k) {
                *error = "tree.nodes[" + std::to_string(k) + "]: item " + std::to_string(item) + " is listed twice";
                return false;
            }
            seen[item] = k;
            if (childrenOf[static_cast<size_t>(k)].empty()) ++leaves[item];
        }
        return true;
    };
    if (!checkNoRepeats(0)) return false;
    for (size_t parent = 0; parent < nodes.size(); ++parent) {
        if (childrenOf[parent].empty()) continue;
        for (int item : nodes[parent].items) mark[item] = static_cast<int>(parent);
        for (int child : childrenOf[parent]) {
            if (!checkNoRepeats(child)) return false;
            for (int item : nodes[static_cast<size_t>(child)].items) {
                if (mark[item] != static_cast<int>(parent)) {
                    *error = "tree.nodes[" + std::to_string(child) + "]: item " + std::to_string(item) +
                             " is not held by the parent";
                    return false;
                }
            }
        }
    }
    for (int item = 0; item < n; ++item) {
        if (leaves[item] != 1) {
            *error = "tree: item " + std::to_string(item) + " is in " + std::to_string(leaves[item]) +
                     " leaves; every item belongs in exactly one";
            return false;
        }
    }
    // Groups: every item in exactly one group.
    std::vector<int> groupsHolding(static_cast<size_t>(n), 0);
    for (const auto* list : {&unlockedGroups, &lockedGroups}) {
        for (const DataItemGroup& group : *list) {
            for (int32_t item : group.items) ++groupsHolding[static_cast<size_t>(item)];
        }
    }
    for (int item = 0; item < n; ++item) {
        if (groupsHolding[item] != 1) {
            *error = "groups: item " + std::to_string(item) + " is in " + std::to_string(groupsHolding[item]) +
                     " groups; every item belongs in exactly one";
            return false;
        }
    }
    return true;
}

void Session::applyTo(TableModel& model) const {
    ParallelCoordinatesAxis* axes = model.getAxes();
    for (int d = 0; d < dimensionCount; ++d) {
        axes->setAxisPosition(d, axisPositions[d]);
        model.setHistogramWidth(d, histogramWidths[d]);
    }
    model.restoreOrderingFlags(gaussianOrdering, groupSort);
    model.getClusterTree()->restoreNodes(nodes, focusedNode);
    model.getPaths()->restorePaths(unlockedPaths, lockedPaths);
    model.updateHintPaths();
    model.getClusters()->restoreGroups(unlockedGroups, lockedGroups);
    model.restoreMixtures(mixturesShown);
}

bool readSessionFile(const std::string& path, Session* session, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "Cannot open session file \"" + path + "\"";
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<size_t>(size) > Session::kMaxFileBytes) {
        *error = "\"" + path + "\" is too large for a session file";
        return false;
    }
    in.seekg(0);
    std::string text(static_cast<size_t>(size), '\0');
    if (!in.read(text.data(), size)) {
        *error = "Cannot read session file \"" + path + "\"";
        return false;
    }
    std::string problem;
    if (!Session::fromJson(text, session, &problem)) {
        *error = "\"" + path + "\": " + problem;
        return false;
    }
    return true;
}

bool writeSessionFile(const std::string& path, const Session& session, std::string* error) {
    return writeFileAtomically(path, session.toJson(), error);
}

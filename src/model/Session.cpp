#include "model/Session.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <unordered_map>

#include <nlohmann/json.hpp>

#include "data/AtomicFile.h"
#include "data/MappedFile.h"
#include "data/MultidimensionalData.h"
#include "data/TableColumn.h"
#include "geometry/Angles.h"
#include "layout/DrawRegion.h"
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

// The long lists of a session, kept compact while the text is parsed (see
// DocumentBuilder): an item list as 32-bit numbers, a hint path's points as
// records of floats. Each keeps its entries up to the first one the reader
// would refuse, and that entry itself as a small document, so the reader
// says about it what it would say about the plain list.
struct ItemList {
    std::vector<int32_t> values;  // the entries before `firstBad`, each a whole number in [0, kMaxItems]
    size_t total = 0;             // entries in the file
    bool hasBad = false;
    json firstBad;                // the first entry that is not such a number
};
struct PointRecord {
    float x, y, peak, deviation;  // as the reader checked them
    bool placed;
};
struct PointList {
    std::vector<PointRecord> values;  // the points before `firstBad`, each checked
    size_t total = 0;
    bool hasBad = false;
    json firstBad;                    // the first point the reader refuses
};
// Keyed by the name of the object that holds the list ("tree.nodes[3]",
// "hintPaths.unlocked[0]"), as the reader names it.
struct CompactLists {
    std::unordered_map<std::string, ItemList> items;
    std::unordered_map<std::string, PointList> points;
};

// Reads typed values out of a parsed document, each checked where it is
// read; the first problem is kept, named by its place in the document
// ("tree.nodes[3].radius: ...").
class Reader {
public:
    explicit Reader(CompactLists* compact = nullptr) : lists(compact) {}
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
        static_assert(sizeof(Index) == sizeof(int32_t), "item lists hold 32-bit numbers");
        ItemList* list = compactList(object, "items", where, static_cast<size_t>(itemCount), &CompactLists::items);
        if (list == nullptr) return false;
        for (size_t k = 0; k < list->values.size(); ++k) {
            if (list->values[k] >= itemCount) return notInTable(where, k, list->values[k], itemCount);
        }
        if (list->hasBad) {
            const size_t k = list->values.size();
            const json& entry = list->firstBad;
            if (!entry.is_number_integer()) return fail(where + ".items[" + std::to_string(k) + "]", "expected an item number");
            const int64_t item = entry.is_number_unsigned() && entry.get<uint64_t>() > uint64_t(INT64_MAX)
                                     ? INT64_MAX
                                     : entry.get<int64_t>();
            return notInTable(where, k, item, itemCount);
        }
        out->assign(list->values.begin(), list->values.end());
        list->values = {};  // read once; its memory goes back at once
        return true;
    }

    // The checked points of a hint path (one per dimension): false with the
    // first problem named.
    bool points(const json& path, const std::string& where, int dims, std::vector<PointRecord>* out);

private:
    // The compact list `key` of `object` (named `where`), of no more than
    // `maxEntries`; null, with the problem named, when there is none.
    template <typename List>
    List* compactList(const json& object, const char* key, const std::string& where, size_t maxEntries,
                      std::unordered_map<std::string, List> CompactLists::*kind) {
        const json* value = member(object, key, where);
        if (value == nullptr) return nullptr;
        const std::string at = where + "." + key;
        // The builder left a placeholder where it took a list away; anything else is no list.
        if (lists == nullptr || !value->is_discarded()) return fail(at, "expected an array"), nullptr;
        const auto found = (lists->*kind).find(where);
        if (found == (lists->*kind).end()) return fail(at, "expected an array"), nullptr;
        if (found->second.total > maxEntries) {
            return fail(at, "too many entries (" + std::to_string(found->second.total) + ")"), nullptr;
        }
        return &found->second;
    }

    bool notInTable(const std::string& where, size_t k, int64_t item, int itemCount) {
        return fail(where + ".items[" + std::to_string(k) + "]",
                    "item " + std::to_string(item) + " is not in the table (0 to " + std::to_string(itemCount - 1) + ")");
    }

    std::string problem;
    CompactLists* lists;  // the long lists of the document read; not owned
};

// One point of a hint path, checked as the reader checks it.
bool readPoint(Reader& in, const json& point, const std::string& at, PointRecord* record) {
    return in.number(point, "x", at, -1, 2, &record->x) &&
           in.number(point, "y", at, kMinDragYView, kMaxDragYView, &record->y) &&
           in.number(point, "peak", at, 0, ClusterPath::kMaxPeak, &record->peak) &&
           in.number(point, "deviation", at, 0, ClusterPath::kMaxDeviation, &record->deviation) &&
           in.boolean(point, "placed", at, &record->placed);
}

bool Reader::points(const json& path, const std::string& where, int dims, std::vector<PointRecord>* out) {
    PointList* list = compactList(path, "points", where, static_cast<size_t>(dims), &CompactLists::points);
    if (list == nullptr) return false;
    if (list->total != static_cast<size_t>(dims)) {
        return fail(where + ".points", "expected one entry per dimension (" + std::to_string(dims) + ")");
    }
    if (list->hasBad) {
        PointRecord unused{};
        const size_t d = list->values.size();
        return readPoint(*this, list->firstBad, where + ".points[" + std::to_string(d) + "]", &unused);
    }
    *out = std::move(list->values);
    return true;
}

bool readPath(Reader& in, const json& value, const std::string& where, int dims, Path* path) {
    std::vector<PointRecord> points;
    if (!in.colour(value, "color", where, &path->color) || !in.points(value, where, dims, &points)) return false;
    path->hintPoints.assign(dims, Point2());
    path->peaks.assign(dims, 0);
    path->deviations.assign(dims, 0);
    path->hasHintPoint.assign(dims, false);
    for (int d = 0; d < dims; ++d) {
        const PointRecord& point = points[static_cast<size_t>(d)];
        path->hintPoints[d] = Point2(point.x, point.y);
        path->peaks[d] = point.peak;
        path->deviations[d] = point.deviation;
        path->hasHintPoint[d] = point.placed;
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
        const double reach = ClusterTree::kGraphReach;
        if (graph->size() != 2 || !in.number((*graph)[0], where + ".graph[0]", -reach, reach, &node->graphX) ||
            !in.number((*graph)[1], where + ".graph[1]", -reach, reach, &node->graphY)) {
            return in.fail(where + ".graph", "expected [] or [x, y]");
        }
        node->graphPlaced = true;
    }
    if (node->type != AROperator::kTypeRegular) return true;
    return in.number(value, "x", where, 0, 1, &node->x) &&
           in.number(value, "y", where, kMinDragYView, kMaxDragYView, &node->y) &&
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

// --- From text to document ----------------------------------------------------------
//
// The text is parsed event by event into the document the reader walks, led
// by the shape of a session, so that no part of a file costs memory out of
// proportion to it, whatever it holds:
//   - a member the session does not have is skipped as it is parsed (its
//     value, however large, is never stored);
//   - a list longer than the reader allows is refused as soon as it is;
//   - a value of the wrong kind (a list where a number belongs) is kept as
//     an empty one of its kind, for the reader to name;
//   - item lists and points go to the compact lists above.
// Nothing nests deeper than a session does, so the builder's stack is small.
// A member added to the session file must be added to its shape here.

struct Shape {
    enum Kind { kValue, kObject, kArray, kItems, kPoints };
    using Members = std::vector<std::pair<std::string, const Shape*>>;
    explicit Shape(Kind k = kValue, Members m = {}, const Shape* e = nullptr, size_t most = 0)
        : kind(k), members(std::move(m)), element(e), maxEntries(most) {}

    Kind kind;
    Members members;        // kObject
    const Shape* element;   // kArray
    size_t maxEntries;      // kArray, kPoints

    const Shape* member(const std::string& key) const {
        for (const auto& [name, shape] : members) {
            if (name == key) return shape;
        }
        return nullptr;
    }
};

const Shape& sessionShape() {
    static const Shape value;
    static const Shape items{Shape::kItems};
    static const Shape colour{Shape::kArray, {}, &value, 4};
    static const Shape graph{Shape::kArray, {}, &value, 2};
    static const Shape perDimension{Shape::kArray, {}, &value, size_t(kMaxDimensions)};
    static const Shape node{Shape::kObject,
                            {{"parent", &value}, {"type", &value}, {"color", &colour}, {"items", &items},
                             {"graph", &graph}, {"x", &value}, {"y", &value}, {"angle", &value},
                             {"radius", &value}, {"angleWidth", &value}, {"strength", &value},
                             {"tangentWeight", &value}, {"primary", &value}, {"locked", &value}}};
    static const Shape nodes{Shape::kArray, {}, &node, kMaxNodes};
    static const Shape points{Shape::kPoints, {}, nullptr, size_t(kMaxDimensions)};
    static const Shape path{Shape::kObject, {{"color", &colour}, {"points", &points}}};
    static const Shape paths{Shape::kArray, {}, &path, kMaxPaths};
    static const Shape group{Shape::kObject, {{"items", &items}, {"hidden", &value}}};
    static const Shape unlockedGroups{Shape::kArray, {}, &group, kMaxPaths + 1};
    static const Shape lockedGroups{Shape::kArray, {}, &group, kMaxPaths};
    static const Shape categories{Shape::kArray, {}, &value, size_t(TableColumn::kMaxCategories)};
    static const Shape column{Shape::kObject, {{"name", &value}, {"kind", &value}, {"categories", &categories}}};
    static const Shape columns{Shape::kArray, {}, &column, size_t(kMaxDimensions)};
    static const Shape table{Shape::kObject,
                             {{"path", &value}, {"size", &value}, {"hash", &value}, {"items", &value},
                              {"dimensions", &value}, {"delimiter", &value}, {"columns", &columns}}};
    static const Shape display{Shape::kObject,
                               {{"histograms", &value}, {"mixtures", &value}, {"hintPaths", &value},
                                {"allHintsOff", &value}}};
    static const Shape ordering{Shape::kObject, {{"gaussian", &value}, {"groupSort", &value}}};
    static const Shape tree{Shape::kObject, {{"focused", &value}, {"nodes", &nodes}}};
    static const Shape hintPaths{Shape::kObject, {{"unlocked", &paths}, {"locked", &paths}, {"mixtures", &value}}};
    static const Shape groups{Shape::kObject, {{"unlocked", &unlockedGroups}, {"locked", &lockedGroups}}};
    static const Shape arrangement{Shape::kObject,
                                   {{"order", &perDimension}, {"flipped", &perDimension},
                                    {"logarithmic", &perDimension}, {"colorBy", &value}}};
    static const Shape session{Shape::kObject,
                               {{"format", &value}, {"version", &value}, {"table", &table}, {"axes", &perDimension},
                                {"arrangement", &arrangement},
                                {"histogramWidths", &perDimension}, {"display", &display}, {"ordering", &ordering},
                                {"tree", &tree}, {"hintPaths", &hintPaths}, {"groups", &groups},
                                {"colorBand", &graph}}};
    return session;
}

// The parser's event handler (nlohmann's SAX interface) that builds the document.
class DocumentBuilder {
public:
    DocumentBuilder(json* document, CompactLists* lists) : root(document), compact(lists) {}

    const std::string& error() const { return problem; }

    bool null() { return scalar(json(nullptr)); }
    bool boolean(bool value) { return scalar(json(value)); }
    bool number_integer(json::number_integer_t value) { return scalar(json(value)); }
    bool number_unsigned(json::number_unsigned_t value) { return scalar(json(value)); }
    bool number_float(json::number_float_t value, const std::string&) { return scalar(json(value)); }
    bool string(std::string& value) { return scalar(json(std::move(value))); }
    bool binary(json::binary_t&) { return scalar(json()); }  // JSON text has none
    bool start_object(std::size_t) { return open(json::value_t::object); }
    bool start_array(std::size_t) { return open(json::value_t::array); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }

    bool key(std::string& name) {
        if (skipping > 0) return true;
        Frame& top = stack.back();
        top.nextShape = top.shape->member(name);
        top.nextName = top.name.empty() ? name : top.name + "." + name;
        top.nextKey = std::move(name);
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& cause) {
        problem = std::string("not a session file (") + cause.what() + ")";
        return false;
    }

private:
    struct Frame {
        Frame(json* filled, const Shape* shapeOf, std::string nameOf)
            : value(filled), shape(shapeOf), name(std::move(nameOf)) {}
        json* value;          // the object or array being filled; for a point, `point`
        const Shape* shape;
        std::string name;     // as the reader names it: "tree.nodes[3]"
        size_t entries = 0;   // so far, in an array
        const Shape* nextShape = nullptr;  // an object's: the shape of the value after the last key (null: skip it)
        std::string nextName, nextKey;
        ItemList* items = nullptr;    // an item list's frame
        PointList* points = nullptr;  // a point list's frame
        bool isPoint = false;         // a point's frame: `value` is `point`
        json point;                   // a point being read
    };

    // Where the next value goes: its shape and name, and whether it is
    // skipped; false (parsing stops) when a list grows too long.
    bool nextSlot(const Shape** shape, std::string* name, bool* skip) {
        *skip = false;
        if (stack.empty()) {
            *shape = &sessionShape();
            name->clear();
            return true;
        }
        Frame& top = stack.back();
        if (top.items != nullptr || top.points != nullptr) return true;  // handled by the caller
        if (top.shape->kind == Shape::kObject) {
            *shape = top.nextShape;
            *skip = top.nextShape == nullptr;
            *name = top.nextName;
            return true;
        }
        if (++top.entries > top.shape->maxEntries) return tooMany(top);
        *shape = top.shape->element;
        *name = top.name + "[" + std::to_string(top.entries - 1) + "]";
        return true;
    }

    bool tooMany(const Frame& frame) {
        problem = frame.name + ": too many entries (more than " + std::to_string(frame.shape->maxEntries) + ")";
        return false;
    }

    // Stores `value` in the slot the top frame offers; returns where it went.
    json* place(json value) {
        if (stack.empty()) {
            *root = std::move(value);
            return root;
        }
        Frame& top = stack.back();
        if (top.value->is_object()) {
            json& slot = (*top.value)[top.nextKey];
            slot = std::move(value);
            return &slot;
        }
        top.value->push_back(std::move(value));
        return &top.value->back();
    }

    bool scalar(json value) {
        if (skipping > 0) return true;
        if (!stack.empty() && stack.back().items != nullptr) {
            ItemList& list = *stack.back().items;
            ++list.total;
            if (list.hasBad) return true;
            if (value.is_number_integer() && !(value.is_number_unsigned() && value.get<uint64_t>() > uint64_t(kMaxItems)) &&
                value.get<int64_t>() >= 0 && value.get<int64_t>() <= kMaxItems) {
                list.values.push_back(static_cast<int32_t>(value.get<int64_t>()));
            } else {
                list.hasBad = true;
                list.firstBad = std::move(value);
            }
            return true;
        }
        if (!stack.empty() && stack.back().points != nullptr) return pointEntry(json(std::move(value)), false);
        const Shape* shape = nullptr;
        std::string name;
        bool skip = false;
        if (!nextSlot(&shape, &name, &skip)) return false;
        if (!skip) place(std::move(value));
        return true;
    }

    // An entry of a point list that is not an object (`isOpen`: a list that
    // is now skipped), or a point object now parsed (`value`).
    bool pointEntry(json value, bool isOpen) {
        Frame& top = stack.back();
        PointList& list = *top.points;
        if (++list.total > top.shape->maxEntries) return tooMany(top);
        if (isOpen) skipping = 1;
        if (!list.hasBad) {
            list.hasBad = true;
            list.firstBad = std::move(value);
        }
        return true;
    }

    bool open(json::value_t type) {
        if (skipping > 0) {
            ++skipping;
            return true;
        }
        const json husk(type);  // an empty object or array
        if (!stack.empty() && stack.back().items != nullptr) {
            ItemList& list = *stack.back().items;
            ++list.total;
            skipping = 1;
            if (!list.hasBad) {
                list.hasBad = true;
                list.firstBad = husk;
            }
            return true;
        }
        if (!stack.empty() && stack.back().points != nullptr) {
            Frame& top = stack.back();
            if (type != json::value_t::object || top.points->hasBad) return pointEntry(husk, true);
            if (top.points->total + 1 > top.shape->maxEntries) return tooMany(top);
            ++top.points->total;
            // A point: an object read into the frame's own document, then checked.
            static const Shape value;
            static const Shape point{Shape::kObject,
                                     {{"x", &value}, {"y", &value}, {"peak", &value}, {"deviation", &value},
                                      {"placed", &value}}};
            Frame frame{nullptr, &point, top.name};
            frame.isPoint = true;
            frame.point = json::object();
            stack.push_back(std::move(frame));
            stack.back().value = &stack.back().point;
            return true;
        }
        const Shape* shape = nullptr;
        std::string name;
        bool skip = false;
        if (!nextSlot(&shape, &name, &skip)) return false;
        if (skip) {
            skipping = 1;
            return true;
        }
        const bool isObject = type == json::value_t::object;
        const Shape::Kind kind = shape->kind;
        if (isObject && kind == Shape::kObject) {
            stack.push_back(Frame{place(husk), shape, name});
        } else if (!isObject && kind == Shape::kArray) {
            stack.push_back(Frame{place(husk), shape, name});
        } else if (!isObject && (kind == Shape::kItems || kind == Shape::kPoints)) {
            // The list's owner is the object that holds it: "tree.nodes[3]" for "tree.nodes[3].items".
            const std::string owner = stack.empty() ? name : stack.back().name;
            place(json(json::value_t::discarded));
            Frame frame{nullptr, shape, owner};
            if (kind == Shape::kItems) {
                frame.items = &(compact->items[owner] = ItemList{});
            } else {
                frame.points = &(compact->points[owner] = PointList{});
            }
            stack.push_back(std::move(frame));
        } else {
            place(husk);  // not what belongs here: the reader names it
            skipping = 1;
        }
        return true;
    }

    bool close() {
        if (skipping > 0) {
            --skipping;
            return true;
        }
        Frame done = std::move(stack.back());
        stack.pop_back();
        if (done.isPoint) {
            // A point parsed: kept as a record when the reader takes it, else as the first bad point.
            PointList& list = *stack.back().points;
            if (list.hasBad) return true;
            PointRecord record{};
            Reader check;
            if (readPoint(check, done.point, "", &record)) {
                list.values.push_back(record);
            } else {
                list.hasBad = true;
                list.firstBad = std::move(done.point);
            }
        }
        return true;
    }

    json* root;
    CompactLists* compact;
    std::vector<Frame> stack;  // the open objects and arrays the session's shape knows
    int skipping = 0;          // depth inside a value that is skipped
    std::string problem;
};

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
    session.arrangement = model.getAxisArrangement();
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
        {"colorBand", json::array({colourChoice.xBand, colourChoice.yBand})},
    };
    if (version >= 3) {
        std::vector<bool> flipped, logarithmic;
        for (char flag : arrangement.flipped) flipped.push_back(flag != 0);
        for (char flag : arrangement.logarithmic) logarithmic.push_back(flag != 0);
        document["arrangement"] = {{"order", arrangement.fileDims},
                                   {"flipped", flipped},
                                   {"logarithmic", logarithmic},
                                   {"colorBy", arrangement.colourByFileDim}};
    }
    if (version >= 2) {
        document["table"]["delimiter"] = std::string(1, delimiter != 0 ? delimiter : ',');
        document["table"]["columns"] = columnList;
    }
    return document.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

bool Session::fromJson(const std::string& text, Session* session, std::string* error) {
    return fromJson(text.data(), text.data() + text.size(), session, error);
}

bool Session::fromJson(const char* begin, const char* end, Session* session, std::string* error) {
    // Syntax errors, and numbers too large for a double, stop the parser; so
    // does a list longer than the reader would take.
    json document;
    CompactLists lists;
    DocumentBuilder builder(&document, &lists);
    if (!json::sax_parse(begin, end, &builder)) {
        *error = builder.error();
        return false;
    }
    Reader in(&lists);
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
    if (read.tablePath.find('\0') != std::string::npos) {
        return *error = "table.path: the name holds a NUL character", false;
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

    // The arrangement (version 3 on); before it, file order, upright, linear.
    for (int d = 0; d < dims; ++d) read.arrangement.fileDims.push_back(d);
    read.arrangement.flipped.assign(static_cast<size_t>(dims), 0);
    read.arrangement.logarithmic.assign(static_cast<size_t>(dims), 0);
    if (read.version >= 3) {
        const json* arrangement = in.member(document, "arrangement", "session");
        if (arrangement == nullptr) return *error = in.error(), false;
        const json* order = in.array(*arrangement, "order", "arrangement", static_cast<size_t>(dims));
        const json* flips = in.array(*arrangement, "flipped", "arrangement", static_cast<size_t>(dims));
        const json* logs = in.array(*arrangement, "logarithmic", "arrangement", static_cast<size_t>(dims));
        if (order == nullptr || flips == nullptr || logs == nullptr ||
            !in.integer(*arrangement, "colorBy", "arrangement", -1, dims - 1, &read.arrangement.colourByFileDim)) {
            return *error = in.error(), false;
        }
        if (static_cast<int>(order->size()) != dims || static_cast<int>(flips->size()) != dims ||
            static_cast<int>(logs->size()) != dims) {
            return *error = "arrangement: expected one entry per dimension (" + std::to_string(dims) + ")", false;
        }
        std::vector<char> seen(static_cast<size_t>(dims), 0);
        for (int d = 0; d < dims; ++d) {
            const size_t k = static_cast<size_t>(d);
            const std::string at = "arrangement.order[" + std::to_string(d) + "]";
            int64_t fileDim = 0;
            if (!in.integer((*order)[k], at, 0, dims - 1, &fileDim)) return *error = in.error(), false;
            if (seen[static_cast<size_t>(fileDim)]) return *error = at + ": dimension " + std::to_string(fileDim) + " stands twice", false;
            seen[static_cast<size_t>(fileDim)] = 1;
            read.arrangement.fileDims[k] = static_cast<int>(fileDim);
            if (!(*flips)[k].is_boolean() || !(*logs)[k].is_boolean()) {
                return *error = "arrangement.flipped[" + std::to_string(d) + "], arrangement.logarithmic[" +
                                std::to_string(d) + "]: expected true or false",
                       false;
            }
            read.arrangement.flipped[k] = (*flips)[k].get<bool>() ? 1 : 0;
            read.arrangement.logarithmic[k] = (*logs)[k].get<bool>() ? 1 : 0;
        }
    }

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
    // The colour band's indicator: files written before it was kept have none.
    if (document.is_object() && document.contains("colorBand")) {
        const json* band = in.array(document, "colorBand", "session", 2);
        double xBand = 0, yBand = 0;
        if (band == nullptr) return *error = in.error(), false;
        if (band->size() != 2) return *error = "session.colorBand: expected 2 numbers (across, up)", false;
        if (!in.number((*band)[0], "session.colorBand[0]", 0, 1, &xBand) ||
            !in.number((*band)[1], "session.colorBand[1]", 0, 1, &yBand)) {
            return *error = in.error(), false;
        }
        read.colourChoice = ColourChoice::within(static_cast<float>(xBand), static_cast<float>(yBand));
    }
    if (read.lockedGroups.size() != read.lockedPaths.size()) {
        return *error = "groups.locked: one group per locked hint path is needed (" +
                        std::to_string(read.lockedPaths.size()) + ")",
               false;
    }
    *session = std::move(read);
    return true;
}

namespace {

// `names` quoted and joined, the first kShownColumns of them.
std::string columnList(const std::vector<std::string>& names) {
    constexpr size_t kShownColumns = 8;
    std::string text;
    for (size_t c = 0; c < names.size() && c < kShownColumns; ++c) text += (c ? ", \"" : "\"") + names[c] + "\"";
    if (names.size() > kShownColumns) text += ", ... (" + std::to_string(names.size()) + " in all)";
    return text;
}

}  // namespace

std::string Session::describeOtherTable(const MultidimensionalData& table) const {
    std::vector<std::string> tableColumns;
    for (int c = 0; c < table.getDimNum(); ++c) tableColumns.push_back(table.getColumn(c).name);
    if (!columns.empty()) {
        std::vector<std::string> sessionColumns;
        for (const Column& column : columns) sessionColumns.push_back(column.name);
        if (sessionColumns != tableColumns) {
            return "the session was saved for a table with columns " + columnList(sessionColumns) + " (\"" + tablePath +
                   "\"); this table has columns " + columnList(tableColumns);
        }
    } else if (table.getDataNum() != itemCount || table.getActualDimNum() != dimensionCount) {
        return "the session was saved for a table of " + std::to_string(itemCount) + " items and " +
               std::to_string(dimensionCount) + " dimensions (\"" + tablePath + "\"); this table has " +
               std::to_string(table.getDataNum()) + " and " + std::to_string(table.getActualDimNum());
    }
    return "";
}

bool Session::checkAgainst(const MultidimensionalData& table, std::string* error) const {
    if (table.getFingerprint() != fingerprint) {
        // Another table altogether, or this one changed since.
        *error = describeOtherTable(table);
        if (error->empty()) *error = "the table \"" + table.getSourcePath() + "\" has changed since the session was saved";
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
    // A log scale only where the column can have one, wherever the table has it now.
    for (size_t s = 0; s < arrangement.logarithmic.size(); ++s) {
        if (!arrangement.logarithmic[s]) continue;
        int dim = 0;
        while (dim + 1 < table.getActualDimNum() && table.getFileDim(dim) != arrangement.fileDims[s]) ++dim;
        const std::string refusal = table.describeLogRefusal(dim);
        if (!refusal.empty()) {
            *error = "arrangement.logarithmic[" + std::to_string(s) + "]: " + refusal;
            return false;
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
    // The arrangement first: the item lists and hint points below are those of the values it gives.
    model.applyAxisArrangement(arrangement);
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

bool readSessionFile(const std::string& path, Session* session, std::string* error, FileIdentity* identity) {
    const MappedFile file(path.c_str(), Session::kMaxFileBytes);
    if (identity != nullptr) *identity = file.identity();
    if (file.isTooLarge()) {
        *error = "\"" + path + "\" is too large for a session file (" + file.error() + ")";
        return false;
    }
    if (!file.isOpen()) {
        *error = "Cannot open session file \"" + path + "\": " + file.error();
        return false;
    }
    std::string problem;
    if (!Session::fromJson(file.begin(), file.end(), session, &problem)) {
        *error = "\"" + path + "\": " + problem;
        return false;
    }
    return true;
}

std::string describeTableDrift(const Session& session) {
    FileFingerprint now;
    std::string problem;
    const std::string table = "the table \"" + session.tablePath + "\"";
    if (!FileFingerprint::ofFile(session.tablePath, &now, &problem)) return table + " cannot be read any more (" + problem + ")";
    if (now != session.fingerprint) return table + " has changed on disk since it was loaded";
    return "";
}

bool writeSessionFile(const std::string& path, const Session& session, std::string* error,
                      const std::vector<ReadFile>& inputs) {
    return writeFileAtomically(path, session.toJson(), error, inputs);
}

#include "model/DocumentImage.h"

#include <cstring>
#include <unordered_map>

namespace {

constexpr size_t kShortestRun = 3;  // runs shorter than this are written out

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool sameColour(const Color4& a, const Color4& b) {
    return sameBits(a.r, b.r) && sameBits(a.g, b.g) && sameBits(a.b, b.b) && sameBits(a.a, b.a);
}
bool sameFloats(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

// Everything of a node but its links, item list and place in the graph.
bool sameNodeParameters(const ClusterTree::NodeState& a, const ClusterTree::NodeState& b) {
    return a.type == b.type && sameBits(a.x, b.x) && sameBits(a.y, b.y) && sameBits(a.angle, b.angle) &&
           sameBits(a.radius, b.radius) && sameBits(a.angleWidth, b.angleWidth) &&
           sameBits(a.strength, b.strength) && sameBits(a.tangentWeight, b.tangentWeight) &&
           a.primary == b.primary && a.locked == b.locked && sameColour(a.color, b.color) &&
           a.leftAxis == b.leftAxis && sameBits(a.relativeX, b.relativeX) &&
           sameBits(a.relativeY, b.relativeY) && sameBits(a.axisSpacing, b.axisSpacing);
}

bool samePath(const Path& a, const Path& b) {
    if (a.locked != b.locked || a.hasHintPoint != b.hasHintPoint || !sameFloats(a.peaks, b.peaks) ||
        !sameFloats(a.deviations, b.deviations) || !sameColour(a.color, b.color) ||
        a.hintPoints.size() != b.hintPoints.size()) {
        return false;
    }
    for (size_t d = 0; d < a.hintPoints.size(); ++d) {
        if (!sameBits(a.hintPoints[d].x, b.hintPoints[d].x) || !sameBits(a.hintPoints[d].y, b.hintPoints[d].y)) {
            return false;
        }
    }
    return true;
}

bool samePaths(const std::vector<Path>& a, const std::vector<Path>& b) {
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k) {
        if (!samePath(a[k], b[k])) return false;
    }
    return true;
}

bool sameGroups(const std::vector<DataItemGroup>& a, const std::vector<DataItemGroup>& b) {
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k) {
        if (a[k].hidden != b[k].hidden || a[k].items != b[k].items) return false;
    }
    return true;
}

template <typename T>
size_t vectorBytes(const std::vector<T>& v) {
    return v.capacity() * sizeof(T);
}

size_t pathBytes(const std::vector<Path>& paths) {
    size_t bytes = vectorBytes(paths);
    for (const Path& path : paths) {
        bytes += vectorBytes(path.hintPoints) + vectorBytes(path.peaks) + vectorBytes(path.deviations) +
                 path.hasHintPoint.capacity() / 8;
    }
    return bytes;
}

// Where each node of a list stands by serial number.
std::unordered_map<uint64_t, size_t> indexById(const std::vector<ClusterTree::NodeState>& nodes) {
    std::unordered_map<uint64_t, size_t> index;
    index.reserve(nodes.size());
    for (size_t k = 0; k < nodes.size(); ++k) index.emplace(nodes[k].id, k);
    return index;
}

// The list a node of `to` is coded against: the same node's list in `from`,
// or, for a node `from` does not have, that of its nearest ancestor that
// `from` has (a node made by the edit took its items from there); empty
// when there is none. `parents` gives each node's parent index in `to`.
const std::vector<int32_t>* listReference(size_t node, const std::vector<uint64_t>& ids,
                                          const std::vector<int>& parents,
                                          const std::unordered_map<uint64_t, size_t>& fromIndex,
                                          const std::vector<ClusterTree::NodeState>& fromNodes) {
    for (int at = static_cast<int>(node); at >= 0; at = parents[static_cast<size_t>(at)]) {
        const auto found = fromIndex.find(ids[static_cast<size_t>(at)]);
        if (found != fromIndex.end()) return &fromNodes[found->second].items;
    }
    return nullptr;
}

// The list of the parent of node `node` of `to` in `from`, or null when
// `from` has no such node (or `node` is the root).
const std::vector<int32_t>* parentReference(size_t node, const std::vector<uint64_t>& ids, const std::vector<int>& parents,
                                            const std::unordered_map<uint64_t, size_t>& fromIndex,
                                            const std::vector<ClusterTree::NodeState>& fromNodes) {
    const int parent = parents[node];
    if (parent < 0) return nullptr;
    const auto found = fromIndex.find(ids[static_cast<size_t>(parent)]);
    return found != fromIndex.end() ? &fromNodes[found->second].items : nullptr;
}

// Every group's items, unlocked then locked, one after another: each item once.
std::vector<int32_t> allGroupItems(const DocumentImage& image) {
    std::vector<int32_t> all;
    for (const auto* list : {&image.unlockedGroups, &image.lockedGroups}) {
        for (const DataItemGroup& group : *list) all.insert(all.end(), group.items.begin(), group.items.end());
    }
    return all;
}

}  // namespace

bool DocumentScalars::operator==(const DocumentScalars& other) const {
    return sameFloats(axisPositions, other.axisPositions) && sameFloats(histogramWidths, other.histogramWidths) &&
           display == other.display && gaussianOrdering == other.gaussianOrdering && groupSort == other.groupSort &&
           sameBits(colourChoice.xBand, other.colourChoice.xBand) &&
           sameBits(colourChoice.yBand, other.colourChoice.yBand) && arrangement == other.arrangement;
}

size_t DocumentImage::bytes() const {
    size_t total = sizeof(*this) + vectorBytes(scalars.axisPositions) + vectorBytes(scalars.histogramWidths) +
                   vectorBytes(nodes) + pathBytes(unlockedPaths) + pathBytes(lockedPaths) +
                   vectorBytes(unlockedGroups) + vectorBytes(lockedGroups);
    for (const ClusterTree::NodeState& node : nodes) total += vectorBytes(node.items);
    for (const auto* list : {&unlockedGroups, &lockedGroups}) {
        for (const DataItemGroup& group : *list) total += vectorBytes(group.items);
    }
    return total;
}

// --- Item lists, coded against a reference ------------------------------------------
//
// Three forms; the encoder writes each and keeps the shortest. The first
// token says which:
//   kRunsForm    runs of the reference and written-out items (see the header);
//   kMergeForm   the items the list keeps of the reference, in its order, as
//                one bit per reference entry, merged with the items it adds
//                (their places in the list and the items): what an
//                operator's complement keeps when the operator takes items,
//                or a group keeps when a path claims some of its items;
//   kSetForm     a list in ascending order as one bit per item of the table
//                (a catch-all group, a root).

namespace {

constexpr int32_t kRunsForm = 0, kMergeForm = 1, kSetForm = 2;
constexpr size_t kBitsPerWord = 32;

size_t wordsFor(size_t bits) { return (bits + kBitsPerWord - 1) / kBitsPerWord; }

// Whether reference[at] is `item`, with `at` taken from the position table.
bool standsAt(const std::vector<int32_t>& reference, int32_t at, int32_t item) {
    return at >= 0 && static_cast<size_t>(at) < reference.size() && reference[static_cast<size_t>(at)] == item;
}

int32_t positionOf(const std::vector<int32_t>& positions, int32_t item) {
    return item >= 0 && static_cast<size_t>(item) < positions.size() ? positions[static_cast<size_t>(item)] : -1;
}

void encodeRuns(const std::vector<int32_t>& list, const std::vector<int32_t>& reference,
                const std::vector<int32_t>& positions, std::vector<int32_t>* code) {
    code->assign(1, kRunsForm);
    size_t literalStart = 0;  // where the open block of written-out items has its length token
    bool literalOpen = false;
    auto writeOut = [&](const int32_t* items, size_t count) {
        if (!literalOpen) {
            literalStart = code->size();
            code->push_back(0);
            literalOpen = true;
        }
        code->insert(code->end(), items, items + count);
        (*code)[literalStart] -= static_cast<int32_t>(count);
    };
    const size_t n = list.size();
    for (size_t k = 0; k < n;) {
        const int32_t at = positionOf(positions, list[k]);
        if (!standsAt(reference, at, list[k])) {
            writeOut(&list[k], 1);
            ++k;
            continue;
        }
        const size_t start = static_cast<size_t>(at);
        size_t length = 1;
        while (k + length < n && start + length < reference.size() && reference[start + length] == list[k + length]) {
            ++length;
        }
        if (length < kShortestRun) {
            writeOut(&list[k], length);
        } else {
            literalOpen = false;
            code->push_back(static_cast<int32_t>(start));
            code->push_back(static_cast<int32_t>(length));
        }
        k += length;
    }
}

void encodeMerge(const std::vector<int32_t>& list, const std::vector<int32_t>& reference,
                 const std::vector<int32_t>& positions, std::vector<int32_t>* code) {
    const size_t words = wordsFor(reference.size());
    code->assign(1 + words + 1, 0);
    (*code)[0] = kMergeForm;
    std::vector<int32_t> added;  // place in the list, item
    size_t next = 0;             // the first reference entry still to be kept
    for (size_t k = 0; k < list.size(); ++k) {
        const int32_t at = positionOf(positions, list[k]);
        bool kept = standsAt(reference, at, list[k]) && static_cast<size_t>(at) >= next;
        if (kept && k + 1 < list.size()) {
            // An item that stands ahead of the next one in the reference is
            // taken as added: kept, it would cost every item between them.
            const int32_t following = positionOf(positions, list[k + 1]);
            kept = !(standsAt(reference, following, list[k + 1]) && static_cast<size_t>(following) >= next &&
                     following < at);
        }
        if (kept) {
            (*code)[1 + static_cast<size_t>(at) / kBitsPerWord] |= int32_t(uint32_t(1) << (static_cast<size_t>(at) % kBitsPerWord));
            next = static_cast<size_t>(at) + 1;
        } else {
            added.push_back(static_cast<int32_t>(k));
            added.push_back(list[k]);
        }
    }
    (*code)[1 + words] = static_cast<int32_t>(added.size() / 2);
    code->insert(code->end(), added.begin(), added.end());
}

// Empty when the list is not strictly ascending (or holds a negative item).
void encodeSet(const std::vector<int32_t>& list, std::vector<int32_t>* code) {
    code->clear();
    for (size_t k = 0; k < list.size(); ++k) {
        if (list[k] < 0 || (k > 0 && list[k] <= list[k - 1])) return;
    }
    const size_t items = list.empty() ? 0 : static_cast<size_t>(list.back()) + 1;
    code->assign(2 + wordsFor(items), 0);
    (*code)[0] = kSetForm;
    (*code)[1] = static_cast<int32_t>(items);
    for (int32_t item : list) {
        (*code)[2 + static_cast<size_t>(item) / kBitsPerWord] |= int32_t(uint32_t(1) << (static_cast<size_t>(item) % kBitsPerWord));
    }
}

bool bitSet(const std::vector<int32_t>& code, size_t first, size_t bit) {
    return (static_cast<uint32_t>(code[first + bit / kBitsPerWord]) >> (bit % kBitsPerWord)) & 1u;
}

}  // namespace

void encodeItemList(const std::vector<int32_t>& list, const std::vector<int32_t>& reference,
                    std::vector<int32_t>& positions, std::vector<int32_t>* code) {
    // Where each item stands in the reference. Entries left from earlier
    // calls are harmless: a position counts only where the reference holds
    // the item there.
    for (size_t k = 0; k < reference.size(); ++k) {
        const int32_t item = reference[k];
        if (item < 0) continue;
        if (static_cast<size_t>(item) >= positions.size()) positions.resize(static_cast<size_t>(item) + 1, -1);
        positions[static_cast<size_t>(item)] = static_cast<int32_t>(k);
    }
    std::vector<int32_t> best, other;
    encodeRuns(list, reference, positions, &best);
    encodeMerge(list, reference, positions, &other);
    if (other.size() < best.size()) best.swap(other);
    encodeSet(list, &other);
    if (!other.empty() && other.size() < best.size()) best.swap(other);
    code->assign(best.begin(), best.end());  // no spare capacity: the history keeps it
}

bool decodeItemList(const std::vector<int32_t>& code, const std::vector<int32_t>& reference,
                    std::vector<int32_t>* list) {
    list->clear();
    if (code.empty()) return false;
    if (code[0] == kSetForm) {
        if (code.size() < 2 || code[1] < 0 || code.size() != 2 + wordsFor(static_cast<size_t>(code[1]))) return false;
        for (size_t item = 0; item < static_cast<size_t>(code[1]); ++item) {
            if (bitSet(code, 2, item)) list->push_back(static_cast<int32_t>(item));
        }
        return true;
    }
    if (code[0] == kMergeForm) {
        const size_t words = wordsFor(reference.size());
        if (code.size() < 2 + words || code[1 + words] < 0) return false;
        const size_t added = static_cast<size_t>(code[1 + words]);
        if (code.size() != 2 + words + 2 * added) return false;
        size_t nextAdded = 0, nextKept = 0;
        auto emitKeptUpTo = [&](size_t place) {
            // Kept reference entries go in order until the list reaches `place`.
            while (list->size() < place && nextKept < reference.size()) {
                if (bitSet(code, 1, nextKept)) list->push_back(reference[nextKept]);
                ++nextKept;
            }
            return list->size() == place;
        };
        for (; nextAdded < added; ++nextAdded) {
            const int32_t place = code[2 + words + 2 * nextAdded];
            if (place < 0 || !emitKeptUpTo(static_cast<size_t>(place))) return false;
            list->push_back(code[2 + words + 2 * nextAdded + 1]);
        }
        for (; nextKept < reference.size(); ++nextKept) {
            if (bitSet(code, 1, nextKept)) list->push_back(reference[nextKept]);
        }
        return true;
    }
    if (code[0] != kRunsForm) return false;
    for (size_t k = 1; k < code.size();) {
        const int32_t token = code[k++];
        if (token >= 0) {
            if (k >= code.size()) return false;
            const size_t start = static_cast<size_t>(token);
            const size_t length = static_cast<size_t>(code[k++]);
            if (start > reference.size() || length > reference.size() - start) return false;
            list->insert(list->end(), reference.begin() + static_cast<ptrdiff_t>(start),
                         reference.begin() + static_cast<ptrdiff_t>(start + length));
        } else {
            const size_t count = static_cast<size_t>(-static_cast<int64_t>(token));
            if (count > code.size() - k) return false;
            list->insert(list->end(), code.begin() + static_cast<ptrdiff_t>(k),
                         code.begin() + static_cast<ptrdiff_t>(k + count));
            k += count;
        }
    }
    return true;
}

// --- Deltas --------------------------------------------------------------------------

ImageDelta ImageDelta::between(const DocumentImage& from, const DocumentImage& to, std::vector<int32_t>& positions) {
    ImageDelta delta;
    delta.parts = to.parts;
    if (!(from.scalars == to.scalars)) {
        delta.scalarsChanged = true;
        delta.scalars = to.scalars;
    }
    if (to.parts & (kNodePart | kNodePlacePart)) {
        const bool withLists = (to.parts & kNodePart) != 0;
        delta.focusedId = to.focusedId;
        const auto fromIndex = indexById(from.nodes);
        std::vector<uint64_t> ids(to.nodes.size());
        std::vector<int> parents(to.nodes.size());
        for (size_t k = 0; k < to.nodes.size(); ++k) {
            ids[k] = to.nodes[k].id;
            parents[k] = to.nodes[k].parent;
        }
        delta.structureChanged = from.nodes.size() != to.nodes.size();
        for (size_t k = 0; k < to.nodes.size() && !delta.structureChanged; ++k) {
            delta.structureChanged = from.nodes[k].id != ids[k] || from.nodes[k].parent != parents[k];
        }
        if (delta.structureChanged) {
            for (size_t k = 0; k < to.nodes.size(); ++k) delta.structure.emplace_back(ids[k], parents[k]);
        }
        for (size_t k = 0; k < to.nodes.size(); ++k) {
            const ClusterTree::NodeState& node = to.nodes[k];
            const auto before = fromIndex.find(node.id);
            const bool known = before != fromIndex.end();
            const bool listChanged = withLists && (!known || from.nodes[before->second].items != node.items);
            if (known && !listChanged && sameNodeParameters(from.nodes[before->second], node)) continue;
            NodeChange change;
            change.state = node;
            std::vector<int>().swap(change.state.items);  // its memory goes too: the list is coded below
            change.listChanged = listChanged;
            if (listChanged) {
                // Against the node's own list before, or against its parent's
                // (which a node the edit emptied or refilled matches best).
                static const std::vector<int32_t> kNone;
                const std::vector<int32_t>* reference = listReference(k, ids, parents, fromIndex, from.nodes);
                encodeItemList(node.items, reference != nullptr ? *reference : kNone, positions, &change.listCode);
                const std::vector<int32_t>* parentList = parentReference(k, ids, parents, fromIndex, from.nodes);
                if (parentList != nullptr && parentList != reference) {
                    std::vector<int32_t> againstParent;
                    encodeItemList(node.items, *parentList, positions, &againstParent);
                    if (againstParent.size() < change.listCode.size()) {
                        change.listCode.swap(againstParent);
                        change.againstParent = true;
                    }
                }
            }
            delta.nodeChanges.push_back(std::move(change));
        }
    }
    if (to.parts & kPathPart) {
        delta.pathsChanged = from.mixturesShown != to.mixturesShown || !samePaths(from.unlockedPaths, to.unlockedPaths) ||
                             !samePaths(from.lockedPaths, to.lockedPaths);
        if (delta.pathsChanged) {
            delta.unlockedPaths = to.unlockedPaths;
            delta.lockedPaths = to.lockedPaths;
            delta.mixturesShown = to.mixturesShown;
        }
    }
    if (to.parts & kGroupPart) {
        delta.groupsChanged =
            !sameGroups(from.unlockedGroups, to.unlockedGroups) || !sameGroups(from.lockedGroups, to.lockedGroups);
        if (delta.groupsChanged) {
            const std::vector<int32_t> reference = allGroupItems(from);
            for (const auto& [source, target] : {std::pair{&to.unlockedGroups, &delta.unlockedGroups},
                                                 std::pair{&to.lockedGroups, &delta.lockedGroups}}) {
                for (const DataItemGroup& group : *source) {
                    GroupCode coded;
                    coded.hidden = group.hidden;
                    encodeItemList(group.items, reference, positions, &coded.code);
                    target->push_back(std::move(coded));
                }
            }
        }
    }
    return delta;
}

bool ImageDelta::applyTo(const DocumentImage& from, DocumentImage* to) const {
    DocumentImage made;
    made.parts = parts;
    made.scalars = scalarsChanged ? scalars : from.scalars;
    if (parts & (kNodePart | kNodePlacePart)) {
        const bool withLists = (parts & kNodePart) != 0;
        made.focusedId = focusedId;
        const auto fromIndex = indexById(from.nodes);
        std::vector<uint64_t> ids;
        std::vector<int> parents;
        if (structureChanged) {
            for (const auto& [id, parent] : structure) {
                ids.push_back(id);
                parents.push_back(parent);
            }
        } else {
            for (const ClusterTree::NodeState& node : from.nodes) {
                ids.push_back(node.id);
                parents.push_back(node.parent);
            }
        }
        std::unordered_map<uint64_t, const NodeChange*> changeOf;
        changeOf.reserve(nodeChanges.size());
        for (const NodeChange& change : nodeChanges) changeOf.emplace(change.state.id, &change);
        made.nodes.resize(ids.size());
        for (size_t k = 0; k < ids.size(); ++k) {
            if (parents[k] >= static_cast<int>(k)) return false;  // a parent comes before its children
            ClusterTree::NodeState& node = made.nodes[k];
            const auto before = fromIndex.find(ids[k]);
            const auto change = changeOf.find(ids[k]);
            if (change != changeOf.end()) {
                node = change->second->state;
            } else if (before != fromIndex.end()) {
                node = from.nodes[before->second];
            } else {
                return false;
            }
            node.id = ids[k];
            node.parent = parents[k];
            if (!withLists) continue;
            if (change != changeOf.end() && change->second->listChanged) {
                static const std::vector<int32_t> kNone;
                const std::vector<int32_t>* reference = change->second->againstParent
                                                            ? parentReference(k, ids, parents, fromIndex, from.nodes)
                                                            : listReference(k, ids, parents, fromIndex, from.nodes);
                if (!decodeItemList(change->second->listCode, reference != nullptr ? *reference : kNone, &node.items)) {
                    return false;
                }
            } else if (before != fromIndex.end()) {
                node.items = from.nodes[before->second].items;
            } else {
                return false;
            }
        }
    }
    if (parts & kPathPart) {
        made.unlockedPaths = pathsChanged ? unlockedPaths : from.unlockedPaths;
        made.lockedPaths = pathsChanged ? lockedPaths : from.lockedPaths;
        made.mixturesShown = pathsChanged ? mixturesShown : from.mixturesShown;
    }
    if (parts & kGroupPart) {
        if (!groupsChanged) {
            made.unlockedGroups = from.unlockedGroups;
            made.lockedGroups = from.lockedGroups;
        } else {
            const std::vector<int32_t> reference = allGroupItems(from);
            for (const auto& [source, target] : {std::pair{&unlockedGroups, &made.unlockedGroups},
                                                 std::pair{&lockedGroups, &made.lockedGroups}}) {
                for (const GroupCode& coded : *source) {
                    DataItemGroup group;
                    group.hidden = coded.hidden;
                    if (!decodeItemList(coded.code, reference, &group.items)) return false;
                    target->push_back(std::move(group));
                }
            }
            for (DataItemGroup& group : made.lockedGroups) group.locked = true;
        }
    }
    *to = std::move(made);
    return true;
}

size_t ImageDelta::bytes() const {
    size_t total = sizeof(*this) + vectorBytes(scalars.axisPositions) + vectorBytes(scalars.histogramWidths) +
                   vectorBytes(structure) + vectorBytes(nodeChanges) + pathBytes(unlockedPaths) +
                   pathBytes(lockedPaths) + vectorBytes(unlockedGroups) + vectorBytes(lockedGroups);
    for (const NodeChange& change : nodeChanges) total += vectorBytes(change.listCode);
    for (const auto* list : {&unlockedGroups, &lockedGroups}) {
        for (const GroupCode& group : *list) total += vectorBytes(group.code);
    }
    return total;
}

#include "model/LabelRules.h"

#include <algorithm>
#include <unordered_map>

#include "cluster/ClusterPath.h"
#include "cluster/MultidimensionalCluster.h"
#include "data/MultidimensionalData.h"
#include "model/ClusterExport.h"
#include "model/TableModel.h"
#include "operators/ClusterTree.h"

LabelRules::LabelRules(const TableModel& model) {
    std::vector<AROperator*> treeNodes;
    model.getClusterTree()->collectNodes(&treeNodes);
    std::unordered_map<const AROperator*, int> indexOf;
    for (size_t k = 0; k < treeNodes.size(); ++k) indexOf[treeNodes[k]] = static_cast<int>(k);
    nodes.resize(treeNodes.size());
    for (size_t k = 0; k < treeNodes.size(); ++k) {
        const AROperator* op = treeNodes[k];
        Node& node = nodes[k];
        node.locked = op->locked;
        if (op->type == AROperator::kTypeRegular) node.capture = OperatorCapture::of(*op);
        for (const AROperator* child : children(op)) {
            const int at = indexOf.at(child);
            if (child->type == AROperator::kTypeComplementary) {
                node.complement = at;  // the last one, as complementOf finds it
            } else {
                node.regular.push_back(at);
            }
        }
        std::reverse(node.regular.begin(), node.regular.end());  // links list the newest first
        if (op->noChildren()) {
            node.leaf = static_cast<int>(leafColours.size());
            leafColours.push_back(ClusterExport::colourText(op->color));
        }
    }

    const ClusterPath& paths = *model.getPaths();
    const int dims = model.getData()->getActualDimNum();
    const DrawRegion region = model.getDrawRegion();
    groups.push_back("0");
    for (int k = 0; k < paths.getUnlockedPathNum(); ++k) {
        unlockedPaths.emplace_back(*paths.getUnlockedPath(k), dims, region.offset, region.scale);
        groups.push_back(std::to_string(k + 1));
    }
    for (int k = 0; k < paths.getLockedPathNum(); ++k) {
        lockedPaths.emplace_back(*paths.getLockedPath(k), dims, region.offset, region.scale);
        groups.push_back("L" + std::to_string(k + 1));
    }
}

int LabelRules::leafNodeOf(const float* rowNorm) const {
    if (nodes.empty()) return -1;
    int at = 0;
    while (nodes[static_cast<size_t>(at)].leaf < 0) {
        const Node& node = nodes[static_cast<size_t>(at)];
        int next = node.complement;
        for (int child : node.regular) {
            if (nodes[static_cast<size_t>(child)].capture.takes(rowNorm)) {
                next = child;
                break;
            }
        }
        if (next < 0) return -1;
        at = next;
    }
    return at;
}

int LabelRules::leafOf(const float* rowNorm) const {
    const int node = leafNodeOf(rowNorm);
    return node < 0 ? -1 : nodes[static_cast<size_t>(node)].leaf;
}

int LabelRules::groupOf(const float* rowNorm) const {
    int best = 0;
    float bestSum = -1.0f;
    float sum = 0.0f;
    // Strictly higher wins: the locked paths, then the lower index, keep a tie.
    const size_t locked = lockedPaths.size();
    for (size_t k = 0; k < locked; ++k) {
        if (lockedPaths[k].match(rowNorm, &sum) && sum > bestSum) {
            bestSum = sum;
            best = static_cast<int>(1 + unlockedPaths.size() + k);
        }
    }
    for (size_t k = 0; k < unlockedPaths.size(); ++k) {
        if (unlockedPaths[k].match(rowNorm, &sum) && sum > bestSum) {
            bestSum = sum;
            best = static_cast<int>(1 + k);
        }
    }
    return best;
}

std::vector<int> LabelRules::listedLeaves(const TableModel& model) {
    const int n = model.getData()->getDataNum();
    std::vector<AROperator*> treeNodes;
    model.getClusterTree()->collectNodes(&treeNodes);
    std::vector<int> leafOfItem(static_cast<size_t>(n), -1);
    int leaf = 0;
    for (const AROperator* node : treeNodes) {
        if (!node->noChildren()) continue;
        for (int item : node->controlList) {
            if (item >= 0 && item < n) leafOfItem[static_cast<size_t>(item)] = leaf;
        }
        ++leaf;
    }
    return leafOfItem;
}

std::vector<int> LabelRules::listedGroups(const TableModel& model) {
    const int n = model.getData()->getDataNum();
    std::vector<int> groupOfItem(static_cast<size_t>(n), -1);
    const MultidimensionalCluster* clusters = model.getClusters();
    int group = 0;
    auto mark = [&](const DataItemGroup* listed) {
        for (int32_t item : listed->items) {
            if (item >= 0 && item < n) groupOfItem[static_cast<size_t>(item)] = group;
        }
        ++group;
    };
    for (int k = 0; k < clusters->getUnlockedGroupNum(); ++k) mark(clusters->getUnlockedGroup(k));
    // Locked group k follows the unlocked paths' groups, as groupNames() lists them.
    group = 1 + model.getPaths()->getUnlockedPathNum();
    for (int k = 0; k < clusters->getLockedGroupNum(); ++k) mark(clusters->getLockedGroup(k));
    return groupOfItem;
}

LabelRules::Differences LabelRules::differences(const TableModel& model) const {
    Differences found;
    const MultidimensionalData* table = model.getData();
    const std::vector<int> leaves = listedLeaves(model);
    const std::vector<int> listed = listedGroups(model);
    const int lockedGroupsFrom = 1 + static_cast<int>(unlockedPaths.size());
    // Leaves within a locked operator's frozen list: the operator itself, or
    // any node below it (its complementary child holds the rest of that list).
    std::vector<char> lockedLeaf(leafColours.size(), 0);
    std::vector<char> underLock(nodes.size(), 0);
    for (size_t k = 0; k < nodes.size(); ++k) {
        const Node& node = nodes[k];
        const char below = underLock[k] || node.locked;
        for (int child : node.regular) underLock[static_cast<size_t>(child)] = below;
        if (node.complement >= 0) underLock[static_cast<size_t>(node.complement)] = below;
        if (node.leaf >= 0) lockedLeaf[static_cast<size_t>(node.leaf)] = below;
    }
    for (int item = 0; item < table->getDataNum(); ++item) {
        const float* row = table->getDataRow(item);
        const int ruleLeaf = leafOf(row);
        const int listedLeaf = leaves[static_cast<size_t>(item)];
        if (ruleLeaf != listedLeaf) {
            ++found.leafRows;
            auto locked = [&](int leaf) { return leaf >= 0 && lockedLeaf[static_cast<size_t>(leaf)]; };
            if (locked(ruleLeaf) || locked(listedLeaf)) ++found.lockedLeafRows;
        }
        const int ruleGroup = groupOf(row);
        const int listedGroup = listed[static_cast<size_t>(item)];
        if (ruleGroup != listedGroup) {
            ++found.groupRows;
            if (ruleGroup >= lockedGroupsFrom || listedGroup >= lockedGroupsFrom) ++found.lockedGroupRows;
        }
    }
    return found;
}

std::string LabelRules::describe(const Differences& differences, int64_t rows) {
    std::string text;
    const std::string of = " of the session's table's " + std::to_string(rows) + " rows";
    if (differences.leafRows > 0) {
        text += std::to_string(differences.leafRows) + of +
                " are in another leaf by the operators' rules than in the session's lists (" +
                std::to_string(differences.lockedLeafRows) +
                " of them held or taken by a locked operator, whose list stays as it was when locked; the others "
                "kept the operator that took them first when an older sibling was moved over them or nodes were "
                "removed); the rules label them here\n";
    }
    if (differences.groupRows > 0) {
        text += std::to_string(differences.groupRows) + of +
                " are in another group by the hint paths' rules than in the session's groups (" +
                std::to_string(differences.lockedGroupRows) +
                " of them in a locked group or claimed by a locked path: a locked group keeps the rows it held "
                "when it was locked, whatever the paths drawn since); the rules label them here\n";
    }
    return text;
}

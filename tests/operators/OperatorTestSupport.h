// A table holder (TableModel, or the view window in the view's tests) over a
// crafted table, for tests of the operator tree, the item paths, the view's
// gestures and the graph window. The holder stands for a view of 1000 x 500
// pixels (aspect 2) and is never shown unless a test hands it to a window.
#pragma once

#include <set>
#include <type_traits>

#include "TestSupport.h"
#include "data/BinCounts.h"
#include "model/TableModel.h"
#include "operators/ClusterTree.h"

template <typename Holder>
class TreeTest : public testing::Test {
protected:
    void makeView(const std::string& table) {
        if constexpr (std::is_constructible_v<Holder, int, int, int, int>) {
            owned = std::make_unique<Holder>(0, 0, 1000, 500);  // a window
        } else {
            owned = std::make_unique<Holder>();
        }
        view = owned.get();
        view->linkMDdata(loadTableQuietly(dir.write("t.txt", table)));
        tree = view->getClusterTree();
    }
    // Adds an operator under the focused node, keeping its bin-index lines in lastOutput.
    AROperator* add(float x, float y, bool primary = true, Color4 colour = Color4(1, 0, 0, 1)) {
        AROperator* op = nullptr;
        lastOutput = stdoutOf([&] { op = tree->addAR(view, x, y, primary, colour); });
        return op;
    }
    // The same under `parent`, which keeps the focus.
    AROperator* addUnder(AROperator* parent, float x, float y, bool primary = true, Color4 colour = {1, 0, 0, 1}) {
        tree->setFocused(parent);
        return add(x, y, primary, colour);
    }
    static std::vector<AROperator*> childList(const AROperator* node) {
        std::vector<AROperator*> result;
        for (AROperator* child : children(node)) result.push_back(child);
        return result;
    }
    // No list holds an item twice, every child names its parent back, every
    // child's items are its parent's, every node's histogram is that of its
    // items, the focus is a node of the tree, and the leaves share out the
    // table: every item in exactly one leaf.
    void expectTreeConsistent() {
        std::vector<AROperator*> nodes;
        tree->collectNodes(&nodes);
        std::vector<int> leavesHolding(tree->getRoot()->controlList.size(), 0);
        for (const AROperator* node : nodes) {
            const std::set<int> distinct(node->controlList.begin(), node->controlList.end());
            EXPECT_EQ(distinct.size(), node->controlList.size()) << "an item held twice by one node";
            std::vector<int32_t> scratch;
            std::vector<float> shares;
            sharesOfTable(countBins(view->getData(), spanOf(node->controlList), scratch), view->getData()->getDataNum(),
                          &shares);
            EXPECT_EQ(node->histogram, shares) << "the histogram of node " << node->id << " is not that of its items";
            for (AROperator* child : children(node)) {
                EXPECT_EQ(child->parent, node);
                const std::set<int> parentItems(node->controlList.begin(), node->controlList.end());
                for (int item : child->controlList) EXPECT_TRUE(parentItems.count(item)) << "item " << item << " not the parent's";
            }
            if (node->noChildren()) {
                for (int item : node->controlList) ++leavesHolding.at(static_cast<size_t>(item));
            }
        }
        EXPECT_TRUE(tree->contains(tree->focused));
        for (size_t item = 0; item < leavesHolding.size(); ++item) {
            EXPECT_EQ(leavesHolding[item], 1) << "item " << item << " is in " << leavesHolding[item] << " leaves";
        }
    }

    TempDir dir;
    std::unique_ptr<Holder> owned;  // released when a window takes the view
    Holder* view = nullptr;
    ClusterTree* tree = nullptr;
    std::string lastOutput;
};

using OperatorTest = TreeTest<TableModel>;

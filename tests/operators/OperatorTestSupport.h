// A view of 1000 x 500 pixels (aspect 2) over a crafted table, never shown
// unless a test hands it to a window, for tests of the operator tree, the
// item paths, the view's gestures and the graph window.
#pragma once

#include <set>

#include "TestSupport.h"
#include "operators/ClusterTree.h"
#include "pcview/PCWindow.h"

class OperatorTest : public testing::Test {
protected:
    void makeView(const std::string& table) {
        owned = std::make_unique<PCWindow>(0, 0, 1000, 500);
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
    // Moves an operator in the view as a drag does.
    static void moveTo(AROperator* op, float x, float y) {
        op->position.setPoint(x, y);
        op->updatePosInfo();
    }
    static std::vector<AROperator*> children(const AROperator* node) {
        std::vector<AROperator*> result;
        for (const ARLinks& link : node->links) {
            if (link.isParentLink == 0) result.push_back(link.node);
        }
        return result;
    }
    static AROperator* complementOf(const AROperator* node) {
        for (AROperator* child : children(node)) {
            if (child->type == AROperator::kTypeComplementary) return child;
        }
        return nullptr;
    }
    // No list holds an item twice, every child names its parent back, the
    // focus is a node of the tree, and the leaves together still show every item.
    void expectTreeConsistent() {
        std::vector<AROperator*> nodes;
        tree->collectNodes(&nodes);
        std::set<int> shown;
        for (const AROperator* node : nodes) {
            std::set<int> distinct(node->controlList.begin(), node->controlList.end());
            EXPECT_EQ(distinct.size(), node->controlList.size()) << "an item held twice";
            for (AROperator* child : children(node)) EXPECT_EQ(child->parent, node);
            if (node->noChildren()) shown.insert(node->controlList.begin(), node->controlList.end());
        }
        EXPECT_TRUE(tree->contains(tree->focused));
        EXPECT_EQ(shown.size(), tree->getRoot()->controlList.size()) << "items missing from every leaf";
    }

    TempDir dir;
    std::unique_ptr<PCWindow> owned;  // released when a window takes the view
    PCWindow* view = nullptr;
    ClusterTree* tree = nullptr;
    std::string lastOutput;
};

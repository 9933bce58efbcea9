// A view built over a crafted table and never shown, for tests of the
// operator tree and the item paths. The view is 1000 x 500 pixels (aspect 2).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>

#include "TestSupport.h"
#include "operators/ClusterTree.h"
#include "pcview/PCWindow.h"

class OperatorTest : public testing::Test {
protected:
    void makeView(const std::string& table) {
        view = std::make_unique<PCWindow>(0, 0, 1000, 500);
        view->linkMDdata(loadTableQuietly(dir.write("t.txt", table)));
        tree = view->getClusterTree();
    }
    // Adds an operator under the focused node, keeping its bin-index lines off the test output.
    AROperator* add(float x, float y, bool primary = true, Color4 colour = Color4(1, 0, 0, 1)) {
        testing::internal::CaptureStdout();
        AROperator* op = tree->addAR(view.get(), x, y, primary, colour);
        lastOutput = testing::internal::GetCapturedStdout();
        return op;
    }
    static std::vector<AROperator*> children(const AROperator* node) {
        std::vector<AROperator*> result;
        for (const ARLinks& link : node->links) {
            if (link.isParentLink == 0) result.push_back(link.node);
        }
        return result;
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
    std::unique_ptr<PCWindow> view;
    ClusterTree* tree = nullptr;
    std::string lastOutput;
};

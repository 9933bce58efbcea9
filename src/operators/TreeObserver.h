// TreeObserver: something that holds pointers into the operator tree of a
// table (the graph window) and must drop them when the table, and with it the
// whole tree, is replaced. Edits within one tree are found through the tree's
// revision instead.
#pragma once

class TreeObserver {
public:
    // The tree and every node are about to be released; hold nothing of them.
    virtual void releaseLinks() = 0;

protected:
    ~TreeObserver() = default;  // not deleted through this interface
};

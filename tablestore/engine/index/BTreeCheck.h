// TBTreeCheck: a full structural check of one index's B+-tree and free
// chain, for tests and for the verify tool.
//
// Checked: the root's kind (3 leaf root or 0 inner root) and every other
// page's kind (1 inner, 2 leaf, all pages of a level alike); every level's
// prev/next chain, in the order the parents list the pages; keys strictly
// ascending within and across pages of each level; every inner key equal to
// its child's first key; every subtree count equal to the records really
// below; every page within its capacity and non-empty; and the free chain:
// valid offsets, empty pages, no loop, no page both free and in the tree.
// The check reads pages through the index's cache and changes nothing.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace tabula {

class TBTree;
class TIndexFile;

struct TBTreeCheckResult {
    std::vector<std::string> problems; // empty when the tree is sound
    std::int64_t entries = 0;          // leaf entries found
    int depth = 0;                     // levels, 0 for an empty tree
    int treePages = 0;
    int freePages = 0;
    bool Ok() const { return problems.empty(); }
};

class TBTreeCheck {
public:
    // `claimed` collects the pages of this index (tree and free chain); pass
    // the same set for every index of a file to find pages claimed twice.
    static TBTreeCheckResult Check(TBTree& tree, std::set<std::int32_t>* claimed = nullptr);
    // Every defined index of the file (primary, secondaries, "Sys Deleted"),
    // and every page below the end-of-file offset claimed exactly once.
    static TBTreeCheckResult CheckFile(TIndexFile& file);
};

} // namespace tabula

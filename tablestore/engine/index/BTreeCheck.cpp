// Structural check of a B+-tree and its free chain.
#include "BTreeCheck.h"

#include "BTree.h"
#include "EngineCodes.h"
#include "EngineError.h"
#include "IndexFile.h"
#include "IndexFileFormat.h"

#include <algorithm>
#include <cstring>
#include <sstream>

namespace tabula {

using namespace indexfmt;

namespace {

constexpr std::size_t kMaxProblems = 50;

class TChecker {
public:
    TChecker(TBTree& tree, std::set<std::int32_t>& claimed, TBTreeCheckResult& result)
        : tree_(tree), claimed_(claimed), result_(result) {}

    void Problem(std::int32_t page, const std::string& text) {
        if (result_.problems.size() >= kMaxProblems)
            return;
        std::ostringstream out;
        out << "index '" << tree_.Name() << "' page " << page << ": " << text;
        result_.problems.push_back(out.str());
    }

    bool Claim(std::int32_t page) {
        if (!claimed_.insert(page).second) {
            Problem(page, "page reached twice");
            return false;
        }
        return true;
    }

    void CheckTree() {
        const std::int32_t root = tree_.Root();
        if (root == 0)
            return;
        std::vector<std::int32_t> level{root};
        std::vector<std::int64_t> expected{-1}; // subtree count the parent claims
        std::vector<std::vector<std::uint8_t>> parentKeys{{}};
        const int keyLength = tree_.KeyLength();
        for (int depth = 0; !level.empty(); ++depth) {
            if (depth > kMaxTreeDepth) {
                Problem(root, "tree deeper than any sound tree");
                return;
            }
            result_.depth = depth + 1;
            std::vector<std::int32_t> nextLevel;
            std::vector<std::int64_t> nextExpected;
            std::vector<std::vector<std::uint8_t>> nextKeys;
            std::vector<std::uint8_t> lastKey;
            int leaves = 0;
            for (std::size_t i = 0; i < level.size(); ++i) {
                const std::int32_t offset = level[i];
                if (!Claim(offset))
                    return;
                ++result_.treePages;
                TPageRef page;
                try {
                    page = tree_.FetchPage(offset);
                } catch (const ETabulaEngineError& e) {
                    Problem(offset, std::string("unreadable: ") + e.what());
                    return;
                }
                const bool rootPage = depth == 0;
                if (page->IsRoot() != rootPage)
                    Problem(offset, rootPage ? "root page without a root kind"
                                             : "root kind below the root");
                leaves += page->IsLeaf() ? 1 : 0;
                if (page->Count() == 0)
                    Problem(offset, "empty page in the tree");
                if (page->Overflows())
                    Problem(offset, "page beyond its capacity");
                const std::int32_t wantPrev = i == 0 ? 0 : level[i - 1];
                const std::int32_t wantNext = i + 1 == level.size() ? 0 : level[i + 1];
                if (page->prev != wantPrev)
                    Problem(offset, "previous link " + std::to_string(page->prev) + ", expected " +
                                        std::to_string(wantPrev));
                if (page->next != wantNext)
                    Problem(offset, "next link " + std::to_string(page->next) + ", expected " +
                                        std::to_string(wantNext));
                if (expected[i] >= 0 && page->SubtreeTotal() != expected[i])
                    Problem(offset, "parent counts " + std::to_string(expected[i]) +
                                        " records, the subtree holds " +
                                        std::to_string(page->SubtreeTotal()));
                if (!parentKeys[i].empty() && page->Count() > 0 &&
                    std::memcmp(parentKeys[i].data(), page->FirstKey(),
                                static_cast<std::size_t>(keyLength)) != 0)
                    Problem(offset, "parent key differs from the page's first key");
                for (int e = 0; e < page->Count(); ++e) {
                    if (!lastKey.empty() &&
                        tree_.Comparer().Compare(lastKey.data(), page->Key(e)) >= 0)
                        Problem(offset, "key " + std::to_string(e) + " out of order");
                    lastKey.assign(page->Key(e), page->Key(e) + keyLength);
                    if (!page->IsLeaf()) {
                        nextLevel.push_back(page->Ref(e));
                        nextExpected.push_back(page->SubtreeCount(e));
                        nextKeys.emplace_back(page->Key(e), page->Key(e) + keyLength);
                    } else {
                        ++result_.entries;
                    }
                }
            }
            if (leaves != 0 && leaves != static_cast<int>(level.size()))
                Problem(level.front(), "leaves and inner pages mixed on one level");
            level = std::move(nextLevel);
            expected = std::move(nextExpected);
            parentKeys = std::move(nextKeys);
        }
    }

    void CheckFreeChain(std::int32_t head) {
        std::int32_t offset = head;
        while (offset != 0) {
            if (!Claim(offset))
                return;
            ++result_.freePages;
            TPageRef page;
            try {
                page = tree_.FetchPage(offset);
            } catch (const ETabulaEngineError& e) {
                Problem(offset, std::string("free page unreadable: ") + e.what());
                return;
            }
            if (page->Count() != 0)
                Problem(offset, "free page with entries");
            offset = page->next;
        }
    }

private:
    TBTree& tree_;
    std::set<std::int32_t>& claimed_;
    TBTreeCheckResult& result_;
};

} // namespace

TBTreeCheckResult TBTreeCheck::Check(TBTree& tree, std::set<std::int32_t>* claimed) {
    TBTreeCheckResult result;
    std::set<std::int32_t> own;
    TChecker checker(tree, claimed ? *claimed : own, result);
    checker.CheckTree();
    checker.CheckFreeChain(tree.Descriptor().freeHead);
    return result;
}

TBTreeCheckResult TBTreeCheck::CheckFile(TIndexFile& file) {
    TBTreeCheckResult total;
    std::set<std::int32_t> claimed;
    std::vector<int> indexes;
    if (!file.PhysicalOrderTable())
        indexes.push_back(kPrimaryIndex);
    for (int i = 1; i <= file.SecondaryCount(); ++i)
        indexes.push_back(i);
    indexes.push_back(kSysDeletedIndex);
    for (int i : indexes) {
        const TBTreeCheckResult r = Check(file.Tree(i), &claimed);
        total.problems.insert(total.problems.end(), r.problems.begin(), r.problems.end());
        total.entries += r.entries;
        total.depth = std::max(total.depth, r.depth);
        total.treePages += r.treePages;
        total.freePages += r.freePages;
    }
    for (std::int32_t page = static_cast<std::int32_t>(kPageSize); page < file.EndOfFile();
         page += static_cast<std::int32_t>(kPageSize))
        if (!claimed.count(page) && total.problems.size() < kMaxProblems)
            total.problems.push_back("page " + std::to_string(page) +
                                     " belongs to no index and to no free chain");
    return total;
}

} // namespace tabula

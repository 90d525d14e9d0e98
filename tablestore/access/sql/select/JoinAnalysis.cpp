// SqlCheckJoinConditions: operand tables and the link tree of the join
// analysis.
#include "JoinAnalysis.h"

#include "SqlError.h"

#include <numeric>
#include <set>
#include <vector>

namespace tabula {

namespace {

void CollectTables(const TSqlNode& node, std::set<int>& out) {
    if (node.IsColumn() && node.tableIndex >= 0)
        out.insert(node.tableIndex);
    for (const TSqlNode* child : {node.left.get(), node.right.get()})
        if (child)
            CollectTables(*child, out);
    for (const TSqlNodePtr& item : node.list)
        CollectTables(*item, out);
}

void SplitTopAnd(const TSqlNodePtr& node, std::vector<const TSqlNode*>& out) {
    if (!node)
        return;
    if (node->kind == TSqlNodeKind::Binary && node->op == sqlop::kAnd) {
        SplitTopAnd(node->left, out);
        SplitTopAnd(node->right, out);
    } else {
        out.push_back(node.get());
    }
}

// Union-find over the source tables: which tables the links joined so far
// connect.
class TLinkForest {
public:
    explicit TLinkForest(std::size_t tables) : parent_(tables) {
        std::iota(parent_.begin(), parent_.end(), 0);
    }
    int Root(int t) {
        while (parent_[static_cast<std::size_t>(t)] != t)
            t = parent_[static_cast<std::size_t>(t)] =
                parent_[static_cast<std::size_t>(parent_[static_cast<std::size_t>(t)])];
        return t;
    }
    // False when the two tables were connected already.
    bool Join(int a, int b) {
        const int ra = Root(a);
        const int rb = Root(b);
        if (ra == rb)
            return false;
        parent_[static_cast<std::size_t>(rb)] = ra;
        return true;
    }

private:
    std::vector<int> parent_;
};

} // namespace

void SqlCheckJoinConditions(const TSqlStatement& statement) {
    std::vector<const TSqlNode*> parts;
    SplitTopAnd(statement.where, parts);
    TLinkForest forest(statement.tables.size());
    std::set<std::pair<int, int>> linked;
    for (const TSqlNode* part : parts) {
        if (part->kind != TSqlNodeKind::Binary || !sqlop::IsComparison(part->op) || !part->left ||
            !part->right)
            continue;
        std::set<int> left;
        std::set<int> right;
        CollectTables(*part->left, left);
        CollectTables(*part->right, right);
        std::set<int> both = left;
        both.insert(right.begin(), right.end());
        if (both.size() < 2)
            continue;
        if (left.size() > 1 || right.size() > 1)
            RaiseSqlError("The join condition cannot contain multiple table correlation names in "
                          "either the left or right operand in WHERE or JOIN clause");
        if (!part->left->IsColumn() || !part->right->IsColumn())
            continue;
        const int a = std::min(*left.begin(), *right.begin());
        const int b = std::max(*left.begin(), *right.begin());
        if (!linked.insert({a, b}).second)
            continue;
        if (!forest.Join(a, b))
            RaiseSqlError(std::string("Internal join error - table correlation name ") + '"' +
                          statement.tables[static_cast<std::size_t>(b)].correlation + '"' +
                          " is target of multiple " + "join conditions in WHERE or JOIN clause");
    }
}

} // namespace tabula

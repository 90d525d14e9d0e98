// Construction helpers of expression tree nodes.
#include "SqlNode.h"

#include "SqlToken.h"

namespace tabula {

namespace {
std::string NodeName(std::string name) {
    if (name.size() > kSqlTokenTextMax)
        name.resize(kSqlTokenTextMax);
    return name;
}
} // namespace

TSqlNodePtr MakeSqlNode(TSqlNodeKind kind, int op, std::string name) {
    auto node = std::make_shared<TSqlNode>();
    node->kind = kind;
    node->op = op;
    node->name = NodeName(std::move(name));
    return node;
}

TSqlNodePtr MakeSqlConstant(std::string name, TSqlValue value) {
    auto node = MakeSqlNode(TSqlNodeKind::Constant, 0, std::move(name));
    node->value = std::move(value);
    node->type = node->value.TypeSlot();
    return node;
}

TSqlNodePtr MakeSqlColumn(std::string correlation, std::string name) {
    auto node = MakeSqlNode(TSqlNodeKind::Column, 0, std::move(name));
    node->correlation = std::move(correlation);
    return node;
}

bool SqlContainsAggregate(const TSqlNode& node) {
    if (node.IsAggregate())
        return true;
    if (node.left && SqlContainsAggregate(*node.left))
        return true;
    if (node.right && SqlContainsAggregate(*node.right))
        return true;
    for (const auto& item : node.list)
        if (item && SqlContainsAggregate(*item))
            return true;
    return false;
}

} // namespace tabula

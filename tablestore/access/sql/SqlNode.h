// TSqlNode: one node of an SQL expression tree, as the parser builds it and
// as type checking and evaluation read it.
//
// Shapes by node kind (left/right are the first and second operands, list
// holds further operands in order):
//
//   kind 1 unary      op 9 NOT, 15 minus, 16 plus          left = operand
//   kind 2 binary     op 3..8 comparisons, 10 AND, 11 OR,
//                     17 + (also "||"), 18 -, 19 *, 20 /   left, right
//                     IS [NOT] NULL: op 3 (4) with a NULL constant right
//   kind 4 column     name = column ("*" for all columns),
//                     correlation = table correlation name or empty
//   kind 5 constant   value (type, size, null flag); a parameter marker has
//                     parameter = true and parameterIndex = its position
//                     (from 0) among the statement's markers
//   kind 10 function  op 23..27 aggregates, 34 UPPER, 35 LOWER: left = arg
//                     op 43 SUBSTRING: left = text, list = FROM [, FOR]
//                     op 44..46 TRIM: left = text, right = trim character
//                     op 48..50 EXTRACT: left = date or timestamp
//   kind 12 pattern   op 31/41 [NOT] LIKE: left, right = pattern
//   or list           op 32/42 [NOT] IN: left, list = values (one or more)
//                     op 39/40 [NOT] BETWEEN: left, list = low, high
//
// name is the operator or function word or the column or constant text as
// written (operators written as two tokens are joined by one blank), at
// most 255 characters. type is empty after parsing and filled by type
// checking; tableIndex and fieldNumber are filled when a column is resolved.
// Nodes are shared (a join condition is also part of the WHERE tree), so
// trees are held through TSqlNodePtr and never contain cycles.
#pragma once

#include "SqlValue.h"

#include <memory>
#include <string>
#include <vector>

namespace tabula {

enum class TSqlNodeKind : std::uint8_t {
    Unary = 1,
    Binary = 2,
    Column = 4,
    Constant = 5,
    Function = 10,
    Pattern = 12,
};

// Operator and function codes.
namespace sqlop {
inline constexpr int kEq = 3, kNe = 4, kGt = 5, kLt = 6, kGe = 7, kLe = 8;
inline constexpr int kNot = 9, kAnd = 10, kOr = 11;
inline constexpr int kNegate = 15, kPlusSign = 16;
inline constexpr int kAdd = 17, kSubtract = 18, kMultiply = 19, kDivide = 20;
inline constexpr int kSum = 23, kCount = 24, kMin = 25, kMax = 26, kAvg = 27;
inline constexpr int kLike = 31, kNotLike = 41;
inline constexpr int kIn = 32, kNotIn = 42;
inline constexpr int kUpper = 34, kLower = 35;
inline constexpr int kBetween = 39, kNotBetween = 40;
inline constexpr int kSubstring = 43;
inline constexpr int kTrimLeading = 44, kTrimTrailing = 45, kTrimBoth = 46;
inline constexpr int kExtractYear = 48, kExtractMonth = 49, kExtractDay = 50;

inline bool IsComparison(int op) {
    return op >= kEq && op <= kLe;
}
inline bool IsAggregate(int op) {
    return op >= kSum && op <= kAvg;
}
} // namespace sqlop

struct TSqlNode;
using TSqlNodePtr = std::shared_ptr<TSqlNode>;

struct TSqlNode {
    std::string name;
    TSqlNodeKind kind = TSqlNodeKind::Constant;
    int op = 0;
    TSqlType type; // result type, filled by type checking
    TSqlNodePtr left;
    TSqlNodePtr right;
    std::vector<TSqlNodePtr> list;

    // Column reference.
    std::string correlation;
    int tableIndex = -1; // position in the statement's source tables, from 0
    int fieldNumber = 0; // 1-based field number in that table

    // Constant.
    TSqlValue value;
    bool parameter = false;
    int parameterIndex = -1;
    // A string constant taken as a column reference by type checking keeps
    // its constant form here, so it can be turned back.
    bool fromString = false;

    bool IsColumn() const { return kind == TSqlNodeKind::Column; }
    bool IsConstant() const { return kind == TSqlNodeKind::Constant; }
    bool IsAllColumns() const { return kind == TSqlNodeKind::Column && name == "*"; }
    bool IsAggregate() const { return kind == TSqlNodeKind::Function && sqlop::IsAggregate(op); }
};

TSqlNodePtr MakeSqlNode(TSqlNodeKind kind, int op, std::string name);
TSqlNodePtr MakeSqlConstant(std::string name, TSqlValue value);
TSqlNodePtr MakeSqlColumn(std::string correlation, std::string name);

// True when the tree contains an aggregate function node.
bool SqlContainsAggregate(const TSqlNode& node);

} // namespace tabula

// SQL type checking: fills the result type of every node of an expression
// tree and refuses operand types that an operator does not accept, with
// engine error kErrSql and texts ending in " in " + the context name.
//
// Rules applied while walking the tree (children first):
// - a string constant whose text names a column of the statement's tables
//   (without correlation name) is taken as that column; when both operands
//   of a binary operator are then columns and one came from a string, it is
//   turned back into the string constant (the right operand first);
// - a string constant against a date, time or timestamp operand is read as
//   that type under the process-wide format settings;
// - binary operators accept the operand pairs of their table
//   (SqlTypeCheck.cpp) and yield the types stated there; unary operators,
//   LIKE, IN, BETWEEN and the functions check their operands likewise.
// Checking changes the tree in place (types, string constants taken as
// columns or dates); checking it again gives the same result.
#pragma once

#include "SqlNode.h"
#include "SqlSource.h"

#include <string_view>

namespace tabula {

// Longest SUBSTRING position or length.
inline constexpr int kSqlMaxSubstring = 250;

void SqlTypeCheck(TSqlNode& tree, std::string_view context, const ISqlColumnResolver& columns);

// Type-checks a WHERE or ON condition in the context "WHERE or JOIN clause"
// and requires a boolean result.
void SqlTypeCheckCondition(TSqlNode& tree, const ISqlColumnResolver& columns);

} // namespace tabula

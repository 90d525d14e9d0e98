// SqlCheckJoinConditions: the refusals of a SELECT's join analysis, made
// before any table is walked.
//
// The WHERE tree is read through the ANDs at its top (entering the ON
// conditions of the joins, which it carries); parts under OR or NOT are
// never join conditions and are not examined. A comparison part whose two
// operands together name two or more tables is a join candidate:
// - each operand must name one table only; "T.A + U.B = 5" is refused with
//   "The join condition cannot contain multiple table correlation names in
//   either the left or right operand in WHERE or JOIN clause";
// - a comparison of a plain column with a plain column of another table
//   links the two tables (several comparisons of one pair form one link).
//   The links must form a tree over the tables, so that each table is
//   reached from the outermost by one link only: a link between two tables
//   already joined through other links (a cycle, as in "A.x = B.x AND
//   B.y = C.y AND A.z = C.z") is refused with "Internal join error - table
//   correlation name "C" is target of multiple join conditions in WHERE or
//   JOIN clause", naming the later table of the closing link.
// Chains such as "T.a = P.a AND R.b = P.b" form a tree and run.
#pragma once

#include "SqlStatement.h"

namespace tabula {

// Raises the SQL error of the first refused part; the statement's columns
// must be resolved (their table indexes filled).
void SqlCheckJoinConditions(const TSqlStatement& statement);

} // namespace tabula

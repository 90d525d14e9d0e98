// TResultDataField: one result column of a SELECT, with the type it has in
// the answer table, and BuildResultFields, which derives them from a
// resolved statement.
//
// Rules:
// - a plain column (the expression is one column reference) keeps its
//   source field's type code, subtype, declared size and decimals;
// - a computed column is type-checked in the context "source columns" and
//   takes the type of its expression;
// - a computed column of no type (NULL, an empty text) is a text column of
//   one character, holding NULL;
// - COUNT is a 32-bit integer; AVG is always a float; SUM of a 16-bit,
//   32-bit or unsigned 16-bit integer is a float, which holds every sum of
//   up to 2^53 exactly (an integer column of the argument's width would
//   overflow silently); MIN and MAX keep their argument's type;
// - a string column longer than kMaxResultStringBytes bytes (terminator
//   included) or another value longer than kMaxResultValueBytes fails with
//   "Column expression '<text>' exceeds the maximum allowable field size".
#pragma once

#include "FieldDescriptor.h"
#include "SqlNode.h"
#include "SqlResolver.h"
#include "SqlStatement.h"

#include <string>
#include <vector>

namespace tabula {

class TSourceDataFile;

inline constexpr int kMaxResultStringBytes = 251;
inline constexpr int kMaxResultValueBytes = 250;

struct TResultDataField {
    TSqlNodePtr expr;     // the whole column expression
    TSqlNodePtr argument; // the aggregate's argument (nullptr for COUNT(*))
    std::string name;
    int aggregate = 0; // sqlop::kSum .. kAvg, 0 for none
    bool plain = false;
    int tableIndex = -1; // plain columns: source table and field
    int fieldNumber = 0;
    TSqlType type;
    TFieldDescriptor descriptor; // the answer table's field
};

std::vector<TResultDataField> BuildResultFields(TSqlStatement& statement,
                                                std::vector<TSourceDataFile*> sources,
                                                const TSqlResolver& resolver);

} // namespace tabula

// TSqlStatement: one parsed SQL statement (SELECT, INSERT, UPDATE or
// DELETE), the parser's output and the input of resolution, type checking
// and execution.
//
// Invariants after parsing:
// - tables holds the source tables in list order; number is the position
//   from 1; correlation names are unique ignoring case. INSERT, UPDATE and
//   DELETE have exactly one table, the target.
// - where is the WHERE condition and the ON conditions of the joins joined by
//   AND (ON conditions first, in order, then WHERE); each join also keeps
//   its own condition, a node shared with that tree.
// - parameters lists the "?" markers in order of appearance.
// - writable is set for INSERT, UPDATE and DELETE; a SELECT leaves it clear
//   (the statement sets it from the query's live request unless INTO was
//   given).
// After resolution (SqlResolver.h) result columns carry their names and
// column references their table and field; grouped and allTargetColumns
// expansions are filled in.
#pragma once

#include "SqlNode.h"

#include <string>
#include <vector>

namespace tabula {

enum class TSqlStatementKind { Select, Insert, Update, Delete };

inline constexpr int kJoinInner = 1;
inline constexpr int kJoinLeftOuter = 2;
inline constexpr int kJoinRightOuter = 3;

struct TSqlTableRef {
    std::string tableText;   // the name as written (symbol or quoted text)
    bool inMemory = false;   // MEMORY
    std::string correlation; // the alias, or the file name without directory and extension
    int number = 0;          // position from 1
};

struct TSqlResultColumn {
    TSqlNodePtr expr;
    std::string alias;      // AS name or bare name; empty when none
    int aggregate = 0;      // aggregate code of the top node, 0 for none
    std::string sourceText; // the expression as written
    std::string name;       // result name, filled by resolution
};

struct TSqlJoin {
    int kind = kJoinInner;
    std::string correlation; // the joined table
    TSqlNodePtr condition;
};

// GROUP BY and ORDER BY item: a column (with optional correlation name) or a
// result column number.
struct TSqlOrderItem {
    std::string correlation;
    std::string column;
    int columnNumber = 0; // the number written when column is empty
    bool descending = false;
    // Filled by resolution: the result column the item stands for (from 0,
    // -1 when it names a source column that is not a result column), and the
    // source table and field of a named column.
    int resultIndex = -1;
    int tableIndex = -1;
    int fieldNumber = 0;
};

struct TSqlStatement {
    TSqlStatementKind kind = TSqlStatementKind::Select;
    bool writable = false;
    std::vector<TSqlTableRef> tables;

    // SELECT
    bool distinct = false;
    std::vector<TSqlResultColumn> columns;
    bool hasInto = false;
    bool intoMemory = false;
    std::string intoName;
    std::vector<TSqlJoin> joins;
    bool multiTable = false;
    std::vector<TSqlOrderItem> groupBy;
    std::vector<TSqlOrderItem> orderBy;
    bool noCase = false;
    bool withLocks = false;
    bool encrypted = false;
    std::string password;
    bool grouped = false; // filled by resolution

    // SELECT, UPDATE, DELETE
    TSqlNodePtr where;

    // INSERT and UPDATE: target columns and their values, pairwise. An
    // INSERT without a column list has allTargetColumns set and, after
    // resolution, one target per table field.
    std::vector<TSqlNodePtr> targetColumns;
    std::vector<TSqlNodePtr> values;
    bool allTargetColumns = false;

    std::vector<TSqlNodePtr> parameters;
};

// The correlation name a table gets without an alias: its file name
// without directory and extension.
std::string SqlDefaultCorrelation(const std::string& tableText);
// The data file path of a table name: a name that is empty or contains a
// directory separator is a path as written; any other name lies in the
// database directory.
std::string SqlTablePath(const std::string& directory, const std::string& tableText);

} // namespace tabula

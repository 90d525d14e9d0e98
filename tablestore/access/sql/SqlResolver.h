// TSqlResolver: checks a parsed statement's names against its opened source
// tables and names its result columns.
//
// Resolution, in order:
// - correlation names used in the WHERE tree must name a source table;
// - SELECT: "*" and "name.*" are expanded into one result column per field
//   (all tables in source order, or the named table); every other column
//   reference in a result column is looked up; each result column gets its
//   name; the reserved name "Row___No" is refused; aggregates are allowed
//   only when every result column is one (the statement is then grouped) or
//   a GROUP BY is given; GROUP BY and ORDER BY items are looked up (column
//   numbers count result columns from 1); DISTINCT takes at most
//   kSqlMaxDistinctColumns columns;
// - INSERT and UPDATE: target columns are looked up ("*" targets become all
//   fields of the table in order) and must be as many as the values.
// Column references in WHERE conditions and in values are looked up by type
// checking, which uses ResolveColumn.
//
// Result column names are at most kSqlMaxResultName characters and unique
// ignoring case: a repeated name gets "_" and a counter from 1, cut to make
// room.
#pragma once

#include "SqlSource.h"
#include "SqlStatement.h"

#include <string>
#include <vector>

namespace tabula {

inline constexpr std::size_t kSqlMaxResultName = 30;
inline constexpr std::size_t kSqlMaxDistinctColumns = 16;

class TSqlResolver : public ISqlColumnResolver {
public:
    // sources[i] is the opened table of statement.tables[i]; both outlive
    // the resolver.
    TSqlResolver(TSqlStatement& statement, std::vector<const ISqlSourceTable*> sources);

    void Resolve();

    // Looks a column reference up by its correlation name (ignoring case;
    // without one, the first table that has the field) and its name
    // (ignoring case); fills tableIndex, fieldNumber and type. False when
    // there is no such column.
    bool ResolveColumn(TSqlNode& column) const override;
    // The index of the table with a correlation name (ignoring case), or -1.
    int TableIndex(const std::string& correlation) const;

private:
    void CheckWhereCorrelations(const TSqlNode& node) const;
    void ResolveResultColumns();
    void ResolveTree(TSqlNode& node, const std::string& context) const;
    void NameResultColumns();
    void ResolveOrderItems(std::vector<TSqlOrderItem>& items, const std::string& clause);
    void ResolveTargets();
    // The name a result column gets before duplicates are told apart: the
    // alias; a plain column's field name, behind "Sum Of " and the like for
    // an aggregate over one; else "Expression" or "Sum Of Expr" and the like.
    std::string BaseName(const TSqlResultColumn& column) const;
    std::string ColumnName(const TSqlNode& column) const;
    [[noreturn]] void FailColumn(const TSqlNode& column, const std::string& context) const;

    TSqlStatement& s_;
    std::vector<const ISqlSourceTable*> sources_;
};

} // namespace tabula

// TSqlFilterBuilder: a type-checked condition over one table turned into an
// engine filter tree, and the split of a WHERE tree into the parts a table
// can take over and the residual condition.
//
// Leaves that an index can answer become the table's condition nodes
// (TDataFile::MakeConditionFilter):
//   field op constant, UPPER(field) op constant      (op: = <> > < >= <=;
//                                                      a constant on the
//                                                      left is mirrored)
//   field = NULL, field <> NULL, IS [NOT] NULL
//   field [NOT] IN (c1, c2, ...)                       OR of "=", negated
//   field [NOT] BETWEEN lo AND hi                      ">=" AND "<=", negated
//   field = 'abc*', field <> 'abc*'                    prefix comparison
//   field LIKE 'abc%', field NOT LIKE 'abc%'           prefix comparison
// A filter read from a binary filter expression (TFilterTree) may also hold
// comparisons with compare options (case-insensitive, partial length):
//   field = 'text', field <> 'text'   under the node's options, answered by
//                                     an index whose case flag equals the
//                                     node's; ordering comparisons with
//                                     options go record by record
// and its record-by-record parts are tested with FilterAcceptsNode, which
// honours those options.
// AND, OR and NOT become TAndFilter, TOrFilter and TNotFilter; every other
// part becomes a record-by-record node that evaluates the subtree with
// SqlEvaluate over the record image. A record-by-record node keeps its
// subtree and copies of the field descriptors, so it can be rebuilt for a
// second cursor.
//
// Invariant: the filter passes exactly the records for which SqlEvaluate of
// the prepared condition (SqlPrepareTableCondition) is true. To keep it:
// - a constant is converted to the field's type only when the conversion
//   loses nothing (2 on an integer field, a timestamp at midnight on a date
//   field); a constant that the field's type cannot hold exactly (2.5 on an
//   integer field, 70000 on a 16-bit field, a text longer than the field)
//   leaves its comparison to record-by-record evaluation, which compares
//   the exact values; so does a zero or NaN against a float field, since
//   -0 and +0 are equal values with different keys;
// - ordering comparisons see a null field as its zero value, while an index
//   never ranks a null entry inside a comparison's range: when the zero
//   value satisfies the comparison, the leaf is ORed with IS NULL;
// - UPPER(field) is answered from an index only with a constant that is its
//   own upper case (a case-insensitive key upper-cases the constant too).
//
// Classification (0 answered from indexes, 1 partly, 2 record by record): a
// leaf is 0 when an index answers all of it and, for a WHERE condition, it
// is the root or matches at most trunc(entries x 0.9) of the entries of
// the index that answers it (every live record has one);
// NOT passes its operand's class through; AND is 0 when both sides are 0, 2
// when both are 2, else 1 (the better side first); OR is 0 when both sides
// are 0, else 2; anything else is 2.
//
// The builder is used by one thread; the table must stay open while the
// filter lives.
#pragma once

#include "DataFile.h"
#include "FilterExprReader.h"
#include "IndexFilter.h"
#include "SqlNode.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace tabula {

// The failure of a filter asked for a condition over several tables.
inline constexpr const char* kTableFilterError = "Internal table filter error";

struct TSqlTableFilter {
    std::unique_ptr<TFilterNode> node;
    TFilterLevel level = kRecordByRecord;
};

class TSqlFilterBuilder {
public:
    // localeId: the table's locale (0: byte-wise texts, ASCII case mapping).
    // whereClause: the condition comes from an SQL WHERE clause, whose
    // leaves below the root must match few enough entries to count as
    // answered from indexes.
    TSqlFilterBuilder(TDataFile& table, std::uint32_t localeId, bool whereClause);

    // The filter of a type-checked condition whose columns all belong to the
    // table (their field numbers are the table's). A condition whose columns
    // name more than one table fails with kErrSql kTableFilterError.
    TSqlTableFilter Build(const TSqlNode& condition);

    // The filter of a dataset filter read back from its binary expression;
    // the tree's field numbers are the table's. The nodes share the tree.
    TSqlTableFilter Build(std::shared_ptr<const TFilterTree> tree);

private:
    struct TBuilt;
    TBuilt Node(const TSqlNode& n, bool root);
    TBuilt Leaf(const TSqlNode& n, bool root);
    TBuilt RecordByRecord(const TSqlNode& n);
    bool TryIndexLeaf(const TSqlNode& n, TBuilt& out);
    bool Comparison(const TSqlNode& column, bool upper, int op, const TSqlValue& constant,
                    TBuilt& out);
    bool Prefix(const TSqlNode& column, bool upper, bool equal, const std::string& prefix,
                TBuilt& out);
    bool Condition(const struct TFieldCondition& condition, TBuilt& out);
    bool OptionsComparison(const TSqlNode& n, const TFilterCompareOptions& options, TBuilt& out);

    TDataFile& table_;
    std::uint32_t localeId_;
    bool whereClause_;
    std::int64_t EntryCount(int field);
    std::map<int, std::int64_t> entryCounts_;       // index entries per field, for one build
    std::vector<TFieldDescriptor> fields_;          // index = field number - 1
    std::shared_ptr<const TFilterTree> filterTree_; // set while building a dataset filter
};

// The condition as a table sees it: "=" and "<>" with a string constant
// that ends in "*" (after at least one other character) become a comparison
// of the leading characters, written SUBSTRING(x FROM 1 FOR n) = 'prefix'.
// Nodes that change are copied; the input is left as it is.
TSqlNodePtr SqlPrepareTableCondition(const TSqlNodePtr& condition);

// A WHERE tree split for one table: each largest part (walking through
// AND) whose columns all belong to the table is built into a filter and
// handed over when the table's indexes answer it wholly or partly, or always
// when handAll is set; the other parts form the residual condition, their
// AND, which the statement tests for each row (null when nothing is left).
// The handed parts and the residual are taken from the prepared condition.
struct TSqlConditionSplit {
    std::vector<TSqlTableFilter> handed;
    TSqlNodePtr residual;
};

TSqlConditionSplit SqlSplitCondition(const TSqlNodePtr& where, int tableIndex,
                                     TSqlFilterBuilder& builder, bool handAll = false);

} // namespace tabula

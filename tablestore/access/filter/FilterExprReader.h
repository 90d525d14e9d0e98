// Reading a binary filter expression (FilterExprFormat.h) back into an SQL
// expression tree that the evaluator and the condition-filter builder run.
//
// Mapping of the nodes:
//   class 1 NOT            unary node, op NOT
//   class 1 IS [NOT] NULL  binary node, op = (<>), right = the NULL constant
//                          (the parser's shape of IS [NOT] NULL)
//   class 2                binary node with the same operator code
//   class 3                binary comparison node, like class 2; its
//                          case-insensitive flag and partial length are kept
//                          in TFilterTree::compareOptions under the node
//   class 4                column node: name from the literal pool,
//                          tableIndex 0, fieldNumber, type from the table's
//                          field types
//   class 5                constant node with a TSqlValue of the type code;
//                          a string of size 1 is the NULL constant
// Every node gets its result type (boolean for conditions).
//
// The bytes are untrusted: the header, every offset, size, class, operator
// and type code is checked; each node may be reached only once (so cycles
// and shared nodes are refused); conditions must be boolean and comparisons
// must compare two fields or constants of comparable types. Anything else
// fails with engine error kErrInvalidFilterExpression (invalid filter expression) naming the data
// file, never a crash or a loop.
#pragma once

#include "SqlEvaluate.h"
#include "SqlNode.h"
#include "SqlValue.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tabula {

// The compare options of a class 3 node.
struct TFilterCompareOptions {
    bool caseInsensitive = false;
    int partialLength = 0; // 0: the whole value
};

struct TFilterTree {
    TSqlNodePtr root;
    std::map<const TSqlNode*, TFilterCompareOptions> compareOptions;

    // The options of a comparison node read from class 3; nullptr for others.
    const TFilterCompareOptions* OptionsOf(const TSqlNode& node) const {
        const auto it = compareOptions.find(&node);
        return it == compareOptions.end() ? nullptr : &it->second;
    }
};

// fieldTypes[n - 1] is the type of field number n of the filtered table.
TFilterTree ReadFilterExpr(const std::uint8_t* data, std::size_t size,
                           const std::vector<TSqlType>& fieldTypes,
                           const std::string& dataFileName = {});

inline TFilterTree ReadFilterExpr(const std::vector<std::uint8_t>& image,
                                  const std::vector<TSqlType>& fieldTypes,
                                  const std::string& dataFileName = {}) {
    return ReadFilterExpr(image.data(), image.size(), fieldTypes, dataFileName);
}

// Whether the current record passes the filter: the tree evaluated with
// SqlEvaluate, except that comparisons with compare options compare the
// field's text with the constant over the partial length, ignoring ASCII
// case when the flag is set.
bool FilterAccepts(const TFilterTree& tree, const TSqlEvalContext& context);

// The same test for one subtree of the tree (a node reachable from its
// root), so a filter split into index-answered and record-by-record parts
// tests its record-by-record parts with the compare options intact.
bool FilterAcceptsNode(const TFilterTree& tree, const TSqlNode& node,
                       const TSqlEvalContext& context);

} // namespace tabula

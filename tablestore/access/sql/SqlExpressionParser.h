// TExpressionParser: parses SQL expressions into expression trees
// (SqlNode.h) from the tokens of a TSqlLexer.
//
// Grammar, loosest level first; every binary level takes its right operand
// by parsing the same level again, so operators of one level group from the
// right (a - b - c is a - (b - c)), and AND and OR share one level:
//
//   logical        := predicate [ (AND | OR) logical ]
//   predicate      := additive [ comparison predicate
//                              | [NOT] BETWEEN predicate AND predicate
//                              | [NOT] LIKE predicate
//                              | [NOT] IN "(" logical {"," logical} ")"
//                              | IS [NOT] NULL ]
//   additive       := multiplicative [ ("+" | "-" | "||") additive ]
//   multiplicative := unary [ ("*" | "/") multiplicative ]
//   unary          := NOT primary | "-" primary | "+" primary | primary
//
// Two-character comparisons ("<>", "<=", ">=") are two tokens, so "< >" is
// "not equal". Every expression is parsed in a context: its name appears in
// messages and its bits permit aggregates, "*", the extended predicates and
// parameter markers. Markers are numbered in order of appearance over the
// parser's whole life (one statement).
//
// Nesting deeper than kSqlMaxNesting parse levels fails with kErrSql rather
// than exhausting the stack on hostile input.
#pragma once

#include "SqlLexer.h"
#include "SqlNode.h"

#include <string_view>
#include <vector>

namespace tabula {

// Context permission bits.
inline constexpr unsigned kCtxAggregates = 1;
inline constexpr unsigned kCtxAllColumns = 2;
inline constexpr unsigned kCtxExtended = 4; // LIKE, BETWEEN, IN, IS
inline constexpr unsigned kCtxParameters = 8;

struct TSqlContext {
    std::string_view name;
    unsigned bits = 0;
};

inline constexpr TSqlContext kCtxSourceColumns{"source columns", kCtxAggregates | kCtxAllColumns};
inline constexpr TSqlContext kCtxTableColumns{"table columns", 0};
inline constexpr TSqlContext kCtxValues{"values", kCtxParameters};
inline constexpr TSqlContext kCtxWhere{"WHERE or JOIN clause", kCtxExtended | kCtxParameters};

inline constexpr int kSqlMaxNesting = 1000;

class TExpressionParser {
public:
    // Loads a private copy of the text and reads its first token.
    void Load(std::string_view text);

    TSqlLexer& Lexer() { return lexer_; }
    const TSqlLexer& Lexer() const { return lexer_; }

    // logical level
    TSqlNodePtr ParseExpression(const TSqlContext& context);
    // additive level (column names of INSERT and UPDATE, function arguments)
    TSqlNodePtr ParseAdditive(const TSqlContext& context);

    // The parameter markers met so far, in order of appearance.
    const std::vector<TSqlNodePtr>& Parameters() const { return parameters_; }

    // Raises kErrSql with prefix + current token text + "'" + " in " + context.
    [[noreturn]] void FailFound(const std::string& prefix, const TSqlContext& context) const;

private:
    TSqlNodePtr ParseLogical(const TSqlContext& c);
    TSqlNodePtr ParsePredicate(const TSqlContext& c);
    TSqlNodePtr ParseExtended(TSqlNodePtr left, const TSqlContext& c);
    TSqlNodePtr ParseMultiplicative(const TSqlContext& c);
    TSqlNodePtr ParseUnary(const TSqlContext& c);
    TSqlNodePtr ParsePrimary(const TSqlContext& c);
    TSqlNodePtr ParseSymbol(const TSqlContext& c);
    TSqlNodePtr ParseColumnAfterCorrelation(const std::string& correlation, const TSqlContext& c);
    TSqlNodePtr ParseQuoted();
    TSqlNodePtr ParseAggregate(int op, const TSqlContext& c);
    TSqlNodePtr ParseCaseFunction(int op, const TSqlContext& c);
    TSqlNodePtr ParseSubstring(const TSqlContext& c);
    TSqlNodePtr ParseTrim(const TSqlContext& c);
    TSqlNodePtr ParseExtract(const TSqlContext& c);
    void Expect(char symbol, const std::string& prefix, const TSqlContext& c);
    void ExpectKeyword(std::string_view keyword, const std::string& prefix, const TSqlContext& c);

    class TDepth;

    TSqlLexer lexer_;
    std::vector<TSqlNodePtr> parameters_;
    int depth_ = 0;
};

} // namespace tabula

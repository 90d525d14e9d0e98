// The postfix form of report expressions. An expression is converted once
// into a postfix text and evaluated from it as often as needed (scripts keep
// their expressions converted).
//
// Postfix text: each operand is copied as written (a number, a quoted
// string, an identifier, a name[index], a call name(args) or a [bracket])
// and followed by one blank; each operator is one character, with no blank.
// Operands never begin with an operator character, so the two cannot be
// confused. Two-character and keyword operators are replaced by the codes
// below, which lie below the blank and so never occur in operand text
// outside quotes.
#pragma once

#include <cstddef>

namespace report {

inline constexpr char kOpGreaterEqual = 1;
inline constexpr char kOpLessEqual = 2;
inline constexpr char kOpNotEqual = 3;
inline constexpr char kOpOr = 4;
inline constexpr char kOpAnd = 5;
inline constexpr char kOpInt = 6;
inline constexpr char kOpFrac = 7;
inline constexpr char kOpUnaryMinus = 9;
inline constexpr char kOpUnaryPlus = 10;
inline constexpr char kOpStr = 11;
inline constexpr char kOpNot = 12;
inline constexpr char kOpMod = 13;
inline constexpr char kOpRound = 14;
static_assert(kOpRound < ' ', "operator codes stay below the blank");

// Binding levels: a lower level binds tighter; equal levels associate to
// the left. AND and OR bind like "*", so comparisons joined by them need
// parentheses.
inline constexpr int kLevelPrefixFunction = 0; // INT FRAC ROUND STR
inline constexpr int kLevelProduct = 1;        // * / MOD AND OR NOT
inline constexpr int kLevelSum = 2;            // + - and the unary signs
inline constexpr int kLevelComparison = 3;     // = <> < > <= >=
inline constexpr int kLevelParenthesis = 100;  // "(" on the operator stack

// Calls take at most this many arguments.
inline constexpr std::size_t kMaxCallArguments = 3;
// Nested evaluations (calls, names standing for formulas, dictionary
// variables) deeper than this are refused, so that a name defined through
// itself cannot exhaust the stack.
inline constexpr int kMaxEvaluationDepth = 64;

} // namespace report

// TExprParser: the tokenizer and grammar of a dataset's filter text, and
// TExprNode, the parse tree it yields for TFilterExpr to translate.
//
// Tokens (characters below '!' are skipped before each token):
//   name        a letter or "_", then letters, digits and "_"; under a
//               double-byte code page also lead bytes with their trail
//               bytes, and under the Japanese code page the half-width
//               katakana bytes 161..223
//   [name]      any characters up to "]" ("Unterminated field name")
//   'string'    '' stands for one quote; at most 256 characters are kept
//               ("Unterminated string constant")
//   number      "-" or a digit, then digits, "+", "-", ".", "E", "e"
//   ( ) = <> <= < >= >
// The words AND, OR, NOT, NULL, TRUE and FALSE are recognised without
// regard to case, and only when written as plain names.
//
// Grammar (AND binds tighter than OR; both group from the left):
//   expression  := conjunction { OR conjunction }
//   conjunction := negation { AND negation }
//   negation    := [NOT] comparison
//   comparison  := operand [ op operand ]
//   operand     := NULL | TRUE | FALSE | name | [name] | string | number
//                | "(" expression ")"
//
// Every failure is raised as EDatabaseError with the fixed texts below. A
// text whose tree would be too large for a binary filter expression, or
// that nests parentheses absurdly deep, fails with engine error kErrInvalidFilterExpression
// before any deep recursion can happen.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace tabula {

namespace msg {
inline constexpr const char* kExprUnterminatedString = "Unterminated string constant";
inline constexpr const char* kExprUnterminatedName = "Unterminated field name";
inline constexpr const char* kExprInvalidChar = "Invalid filter expression character: '%s'";
inline constexpr const char* kExprExpected = "Expression expected but %s found";
inline constexpr const char* kExprRParenExpected = "')' expected but %s found";
inline constexpr const char* kExprBadTermination = "Filter expression incorrectly terminated";
inline constexpr const char* kExprNothing = "nothing";
} // namespace msg

// The process's ANSI code page, which decides whether filter names may
// contain double-byte characters. Starts as 1252 (single-byte).
int ProcessCodePage();
void SetProcessCodePage(int codePage);

enum class TExprKind {
    Or,      // left OR right
    And,     // left AND right
    Not,     // NOT left
    Compare, // left op right; op is a comparison code of SqlNode.h (3..8)
    Name,    // a field name as written (text), bare or in brackets
    String,  // a quoted string (text = its characters)
    Number,  // a number (text = as written)
    Null,
    True,
    False,
};

struct TExprNode {
    TExprKind kind = TExprKind::Null;
    int op = 0;
    std::string text;
    std::unique_ptr<TExprNode> left;
    std::unique_ptr<TExprNode> right;

    bool IsValue() const {
        return kind == TExprKind::String || kind == TExprKind::Number || kind == TExprKind::Null ||
               kind == TExprKind::True || kind == TExprKind::False;
    }
};

class TExprParser {
public:
    explicit TExprParser(std::string text, int codePage = ProcessCodePage());

    // The tree of the whole text; raises on the first fault.
    std::unique_ptr<TExprNode> Parse();

    // Limits that keep every later recursion shallow: a tree with more nodes
    // could not fit in a binary filter expression anyway.
    static constexpr std::size_t kMaxNodes = 8192;
    static constexpr int kMaxNesting = 256;

private:
    enum class TToken { End, Name, QuotedName, String, Number, LParen, RParen, Compare };

    void NextToken();
    bool IsNameByte(unsigned char c) const;
    bool IsLeadByte(unsigned char c) const;
    bool IsKatakana(unsigned char c) const;
    bool IsWord(const char* word) const; // a plain name equal to word, any case
    std::string TokenText() const;       // the token in single quotes, or "nothing"

    std::unique_ptr<TExprNode> ParseExpression();
    std::unique_ptr<TExprNode> ParseConjunction();
    std::unique_ptr<TExprNode> ParseNegation();
    std::unique_ptr<TExprNode> ParseComparison();
    std::unique_ptr<TExprNode> ParseOperand();
    std::unique_ptr<TExprNode> NewNode(TExprKind kind);

    std::string text_;
    int codePage_;
    std::size_t pos_ = 0;        // next character to scan
    std::size_t tokenStart_ = 0; // where the current token begins
    TToken token_ = TToken::End;
    std::string tokenValue_; // name, string contents or number text
    int tokenOp_ = 0;        // comparison code of a Compare token
    std::size_t nodes_ = 0;
    int nesting_ = 0;
};

} // namespace tabula

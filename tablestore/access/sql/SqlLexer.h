// TSqlLexer: cuts an SQL statement text into tokens (SqlToken.h).
//
// Before each token the lexer skips characters 1 to 32, then at most one
// "/* ... */" comment, then characters 1 to 32 again; a second comment in a
// row is not skipped, so its "/" becomes a token. The text ends at its
// length or at its first zero byte.
//
// States: empty (after construction: the current token is the end token)
// -> Load -> positioned before the first token -> Next -> on a token ...
// -> on the end token (Next stays there). Unterminated comments, quoted
// texts and bracketed names raise error kErrSql from Next.
#pragma once

#include "SqlToken.h"

#include <string>
#include <string_view>

namespace tabula {

// Longest source text of a result column expression.
inline constexpr std::size_t kSqlSourceTextMax = 255;

class TSqlLexer {
public:
    // Keeps a private copy of the text and positions before the first token.
    void Load(std::string_view text);
    // Advances to the next token.
    void Next();
    // The token after the current one, without advancing.
    TSqlToken Peek() const;

    const TSqlToken& Current() const { return token_; }
    int Kind() const { return token_.kind; }
    const std::string& Text() const { return token_.text; }
    bool IsChar(char c) const { return token_.IsChar(c); }
    // True when the current token is a symbol or bracketed name equal to the
    // keyword, ignoring case.
    bool IsKeyword(std::string_view keyword) const;

    // Offset of the current token's first character.
    std::size_t TokenStart() const { return token_.start; }
    // The text from mark to the start of the current token, blanks around
    // removed; longer than kSqlSourceTextMax fails with kErrSql.
    std::string SourceFrom(std::size_t mark) const;

private:
    TSqlToken Scan(std::size_t& pos) const;

    std::string text_;
    std::size_t pos_ = 0; // first character after the current token
    TSqlToken token_;
};

bool SqlIsLetter(unsigned char c);
bool SqlEqualsIgnoreCase(std::string_view a, std::string_view b);

} // namespace tabula

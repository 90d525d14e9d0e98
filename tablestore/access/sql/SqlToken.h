// TSqlToken: one token of an SQL statement text, and the token kinds.
//
// Kinds 0 to 5 are the classes below; every other token is a single
// character and its kind is that character's code ("(" is 40, "?" is 63).
// Characters 1 to 32 are skipped between tokens, so a single-character
// token's code is never below 33 and never collides with a class.
//
// A token's text is at most kSqlTokenTextMax characters; longer texts are
// cut. A quoted text keeps its inner doubled quotes as written.
#pragma once

#include <cstddef>
#include <string>

namespace tabula {

enum TSqlTokenKind : int {
    kTokEnd = 0,       // end of text
    kTokSymbol = 1,    // letter or "_", then letters, digits and "_"
    kTokBracketed = 2, // "[" ... "]", text between the brackets
    kTokQuoted = 3,    // '...' or "...", text between the outer quotes
    kTokInteger = 4,   // digits only
    kTokNumber = 5,    // digits, then digits, ".", "E", "e", and a sign after E/e
};

inline constexpr std::size_t kSqlTokenTextMax = 255;

struct TSqlToken {
    int kind = kTokEnd;
    std::string text;
    std::size_t start = 0; // offset of the token's first character in the text
    char quote = 0;        // the delimiting quote of a quoted text

    bool IsChar(char c) const { return kind == static_cast<unsigned char>(c); }
};

} // namespace tabula

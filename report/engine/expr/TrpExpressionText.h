// Scanning helpers shared by the expression parser, memo expansion and the
// script compiler. Positions are byte offsets; npos means "not found".
// Single-quoted strings use a doubled quote for a quote; double-quoted
// parts (field names) have no escape.
#pragma once

#include <string>
#include <vector>

namespace report {

// Text without leading and trailing bytes 0 to 32.
std::string TrimText(const std::string& text);

// The identifier characters of the expression language: a name starts with
// a letter, "_", a double quote (a quoted name part) or a byte of 0x80 and
// above; it goes on with those, digits, "." (dataset.field, object.property)
// and "#", which ends the special variables ("PAGE#", "LINE#").
bool IsIdentStart(char c);
bool IsIdentPart(char c);

// The position just after the quoted part that starts at text[pos] (a
// single or double quote); npos when it is not closed.
std::size_t SkipQuoted(const std::string& text, std::size_t pos);
// The position of the bracket that closes the one at text[pos] ("(" or
// "["), with both kinds nesting and quoted parts skipped; npos when the
// text ends first.
std::size_t FindClosing(const std::string& text, std::size_t pos);
// The "]" closing the "[" at text[pos], counting only square brackets and
// skipping quoted parts; npos when there is none.
std::size_t FindClosingBracket(const std::string& text, std::size_t pos);
// Splits text at commas outside brackets and quotes; each part trimmed.
// An empty text gives no parts.
std::vector<std::string> SplitArguments(const std::string& text);

} // namespace report

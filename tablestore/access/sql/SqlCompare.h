// Value comparison, pattern matching and case mapping of SQL values: the
// primitives the expression evaluator and the record-by-record filters share.
//
// Comparison by type family (the type checker has already refused pairs
// that cannot be compared):
// - strings: the locale's collation (case-sensitive) when a locale id is
//   given, else byte-wise on unsigned bytes; a text ends at its first zero;
// - date against timestamp: the date becomes milliseconds at its midnight;
// - numbers: widened to a common representation: a float on either side
//   compares as doubles, else a BCD on either side compares as currency
//   (ten-thousandths), else as 64-bit integers;
// - booleans: false < true, every non-zero value being true;
// - the untyped NULL constant compares as the zero value of the other side.
// Locale services (collators and case maps) are built once per locale id
// and thread and kept for the thread's life; an id that ICU does not know
// falls back to byte-wise comparison and ASCII case mapping, since
// evaluation raises nothing.
#pragma once

#include "SqlValue.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tabula {

// Longest result of UPPER and LOWER, in characters.
inline constexpr std::size_t kSqlMaxCaseMapped = 250;

// Three-way comparison of the stored values, ignoring the null flags (a null
// compares as its zero value): negative, 0 or positive.
int SqlCompareValues(const TSqlValue& a, const TSqlValue& b, std::uint32_t localeId);

// SQL "=": true when both are null, false when exactly one is, else the
// stored values compare equal.
bool SqlValuesEqual(const TSqlValue& a, const TSqlValue& b, std::uint32_t localeId);

// Case-sensitive LIKE matching of a whole text: "%" matches any run of
// characters (also none), "_" exactly one character, anything else itself.
// A pattern of exactly "%" matches every text; an empty text matches only an
// empty pattern. Runs in O(text × pattern) time at worst.
bool SqlLikeMatch(std::string_view text, std::string_view pattern);

// UPPER and LOWER: the locale's case mapping in its ANSI code page, or ASCII
// mapping when localeId is 0; the result is cut to kSqlMaxCaseMapped
// characters.
std::string SqlMapCase(std::string_view text, bool upper, std::uint32_t localeId);

} // namespace tabula

// Hyphenation of a word for "WordBreak". Only Cyrillic letters of the
// Windows-1251 code page take part; a word without Cyrillic vowels (any
// Latin word) has no hyphenation points.
//
// The word is upper-cased first. Vowels are the upper-case letters
// Ё А Е И О У Ы Э Ю Я, signs are Ъ and Ь. A word of 4 characters or fewer
// is never broken. For i from 2 to length - 2 (1-based), a break after
// character i is allowed when character i is a vowel and character i + 1
// or i + 2 is a vowel, or when character i is not a vowel, character
// i + 1 is neither vowel nor sign and character i + 2 is a vowel.
#pragma once

#include <string_view>
#include <vector>

namespace report {

// The allowed break points, ascending: each is the number of characters of
// the word that stay before the hyphen.
std::vector<int> HyphenationPoints(std::string_view word);

} // namespace report

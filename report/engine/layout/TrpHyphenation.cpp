// Hyphenation points of a Windows-1251 word.
#include "TrpHyphenation.h"

#include <array>

namespace report {

namespace {

// Windows-1251 codes of the upper-case vowels and signs.
constexpr std::array<unsigned char, 10> kVowels = {0xA8, 0xC0, 0xC5, 0xC8, 0xCE,
                                                   0xD3, 0xDB, 0xDD, 0xDE, 0xDF};
constexpr unsigned char kHardSign = 0xDA;
constexpr unsigned char kSoftSign = 0xDC;
// Lower-case Cyrillic lies 0x20 above upper case; ё (0xB8) pairs with Ё.
constexpr unsigned char kLowerCyrillicFirst = 0xE0;
constexpr unsigned char kLowerIo = 0xB8;
constexpr unsigned char kUpperIo = 0xA8;
constexpr int kShortestBreakable = 5;

unsigned char Upper(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= kLowerCyrillicFirst)
        return static_cast<unsigned char>(b - 0x20);
    if (b == kLowerIo)
        return kUpperIo;
    if (b >= 'a' && b <= 'z')
        return static_cast<unsigned char>(b - 0x20);
    return b;
}

bool IsVowel(unsigned char b) {
    for (unsigned char v : kVowels)
        if (v == b)
            return true;
    return false;
}

bool IsSign(unsigned char b) {
    return b == kHardSign || b == kSoftSign;
}

} // namespace

std::vector<int> HyphenationPoints(std::string_view word) {
    std::vector<int> points;
    const int n = static_cast<int>(word.size());
    if (n < kShortestBreakable)
        return points;
    // ch(i) is the i-th character, 1-based.
    auto ch = [&word](int i) { return Upper(word[static_cast<std::size_t>(i - 1)]); };
    for (int i = 2; i <= n - 2; ++i) {
        const unsigned char c = ch(i), next = ch(i + 1), after = ch(i + 2);
        const bool allowed = IsVowel(c) ? (IsVowel(next) || IsVowel(after))
                                        : (!IsVowel(next) && !IsSign(next) && IsVowel(after));
        if (allowed)
            points.push_back(i);
    }
    return points;
}

} // namespace report

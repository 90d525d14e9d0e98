// TAsciiCollation: a locale's collation of printable ASCII texts (every byte
// 0x20..0x7E) as a per-character model, without ICU at compare time.
//
// Where the model holds, each such character has one collation element of
// its own (no contraction, expansion or context among these characters),
// with a primary weight and the one secondary weight all of them share; the
// collator compares tertiary strength without case level or case-first and
// with punctuation significant. ICU's order of two texts is then: the
// primary weights character by character (a text that runs out first sorts
// first), and for equal primaries, which means equal lengths, the tertiary
// weights character by character. The model keeps both weights as small
// ranks (2 and up) per character, taken from the locale's own collator, and
// a text's sort key is its primary ranks, kLevelSeparator, its tertiary
// ranks, then kKeyEnd: the only 0 byte of the key, and no key is a prefix of
// another. These keys compare only with each other, never with ICU's.
//
// Derive decides whether the model holds for a collator: it checks the
// collator's attributes, that the locale tailors no contraction or context
// of covered characters alone (the root collation has none), that each
// character has one collation element, then compares ICU's own order with
// the model's over every text of one and two characters and a fixed sample
// of longer ones, and gives nothing when any of it disagrees. For returns
// the model of a locale identifier, derived once per process (a derivation
// costs one to a few milliseconds) and then shared; models never change,
// so they may be used from any thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct UCollator;

namespace tabula {

class TAsciiCollation {
public:
    static constexpr std::uint8_t kFirstChar = 0x20;
    static constexpr std::uint8_t kLastChar = 0x7E;
    static constexpr std::uint8_t kKeyEnd = 0;
    static constexpr std::uint8_t kLevelSeparator = 1;
    static constexpr std::uint8_t kFirstRank = 2;

    // The model of the collator, or null where it would not give ICU's order.
    // `collator` is one that TLocaleCollator set up for the locale.
    static std::unique_ptr<TAsciiCollation> Derive(const UCollator* collator);
    // Derive for a locale identifier, once per process; the result lives as
    // long as the process.
    static const TAsciiCollation* For(std::uint32_t localeId, const UCollator* collator);

    // Whether every byte of the text lies in kFirstChar..kLastChar.
    static bool Covers(const std::uint8_t* text, std::size_t length);

    // ICU's order of two covered texts: negative, 0 or positive.
    int Compare(const std::uint8_t* a, std::size_t aLength, const std::uint8_t* b,
                std::size_t bLength) const;
    // The sort key of a covered text of `length` bytes: its length, and
    // written to `out` (room for SortKeyLength bytes).
    static constexpr std::size_t SortKeyLength(std::size_t length) { return 2 * length + 2; }
    void WriteSortKey(const std::uint8_t* text, std::size_t length, std::uint8_t* out) const;

private:
    TAsciiCollation() = default;
    // Ranks by byte value; 0 for bytes outside the covered range.
    std::array<std::uint8_t, 256> primary_{};
    std::array<std::uint8_t, 256> tertiary_{};
};

} // namespace tabula

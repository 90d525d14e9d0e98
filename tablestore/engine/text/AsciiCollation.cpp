// The per-character collation model of printable ASCII texts: deriving it
// from a locale's ICU collator, checking it against that collator, and
// comparing and keying texts with it.
#include "AsciiCollation.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <unicode/ucol.h>
#include <unicode/ucoleitr.h>
#include <unicode/uset.h>

namespace tabula {

namespace {

constexpr std::size_t kCharCount = TAsciiCollation::kLastChar - TAsciiCollation::kFirstChar + 1;
// ICU's sort keys separate their levels by this byte, which no weight uses.
constexpr std::uint8_t kIcuLevelSeparator = 1;
// The fixed sample of longer texts the self-check compares on top of every
// text of one and two characters.
constexpr int kSampleTexts = 3000;
constexpr int kSampleMinLength = 3;
constexpr int kSampleMaxLength = 7;
// Room for the model's key of a check text (two bytes a character and two).
constexpr std::size_t kPackedKeyBytes = 16;
static_assert(TAsciiCollation::SortKeyLength(kSampleMaxLength) <= kPackedKeyBytes);
// Letters that take part in the contractions of many tailorings.
constexpr char kContractionLetters[] = "acdeghjlnorstuyzACDGHJLNSTYZ";

int Sign(int c) {
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool InRange(std::uint32_t c) {
    return c >= TAsciiCollation::kFirstChar && c <= TAsciiCollation::kLastChar;
}

std::vector<std::uint8_t> IcuSortKey(const UCollator* collator, const std::string& text) {
    std::vector<UChar> wide(text.begin(), text.end());
    std::vector<std::uint8_t> key(text.size() * 4 + 16);
    for (;;) {
        const int32_t needed =
            ucol_getSortKey(collator, wide.data(), static_cast<int32_t>(wide.size()), key.data(),
                            static_cast<int32_t>(key.size()));
        if (needed <= 0)
            return {};
        if (static_cast<std::size_t>(needed) <= key.size()) {
            key.resize(static_cast<std::size_t>(needed));
            return key;
        }
        key.resize(static_cast<std::size_t>(needed));
    }
}

// The model assumes tertiary strength, no case level or case-first, no
// numeric ordering of digits, and punctuation with primary weights.
bool AttributesFit(const UCollator* collator) {
    struct TExpected {
        UColAttribute attribute;
        UColAttributeValue value;
    };
    static constexpr TExpected kExpected[] = {{UCOL_STRENGTH, UCOL_TERTIARY},
                                              {UCOL_CASE_LEVEL, UCOL_OFF},
                                              {UCOL_CASE_FIRST, UCOL_OFF},
                                              {UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE},
                                              {UCOL_NUMERIC_COLLATION, UCOL_OFF}};
    for (const TExpected& e : kExpected) {
        UErrorCode status = U_ZERO_ERROR;
        const UColAttributeValue value = ucol_getAttribute(collator, e.attribute, &status);
        if (U_FAILURE(status) || value != e.value)
            return false;
    }
    return true;
}

// No tailored contraction or context may be made of covered characters
// alone (the root collation has none among them). Single characters the
// locale tailors are fine: their weights are what the model takes.
bool NoCoveredContractions(const UCollator* collator) {
    UErrorCode status = U_ZERO_ERROR;
    USet* tailored = ucol_getTailoredSet(collator, &status);
    if (U_FAILURE(status))
        return false;
    bool fits = true;
    const int32_t items = uset_getItemCount(tailored);
    for (int32_t i = 0; i < items && fits; ++i) {
        UChar32 start = 0;
        UChar32 end = 0;
        constexpr int32_t kRoom = 32;
        UChar text[kRoom];
        status = U_ZERO_ERROR;
        const int32_t length = uset_getItem(tailored, i, &start, &end, text, kRoom, &status);
        if (status == U_BUFFER_OVERFLOW_ERROR)
            fits = false; // a long contraction: refuse rather than look closer
        else if (U_FAILURE(status))
            fits = false;
        else if (length > 1)
            fits = !std::all_of(text, text + length, [](UChar u) { return InRange(u); });
    }
    uset_close(tailored);
    return fits;
}

// Whether a character maps to one collation element of ICU's 32-bit form
// (an expansion or a weight that needs more gives two or more).
bool HasOneElement(const UCollator* collator, UChar c) {
    UErrorCode status = U_ZERO_ERROR;
    UCollationElements* elements = ucol_openElements(collator, &c, 1, &status);
    if (U_FAILURE(status))
        return false;
    int count = 0;
    while (U_SUCCESS(status) && ucol_next(elements, &status) != UCOL_NULLORDER)
        ++count;
    ucol_closeElements(elements);
    return U_SUCCESS(status) && count == 1;
}

// An ICU sort key of one character, cut into its levels (each with the byte
// that ends it).
struct TCharLevels {
    std::vector<std::uint8_t> primary;
    std::vector<std::uint8_t> secondary;
    std::vector<std::uint8_t> tertiary;
};

std::optional<TCharLevels> SplitLevels(const std::vector<std::uint8_t>& key) {
    std::vector<std::vector<std::uint8_t>> levels(1);
    for (std::uint8_t b : key) {
        levels.back().push_back(b);
        if (b == kIcuLevelSeparator)
            levels.emplace_back();
    }
    constexpr std::size_t kLevels = 3;
    // Each level holds a weight besides the byte that ends it.
    if (levels.size() != kLevels || key.empty() || key.back() != 0)
        return std::nullopt;
    for (const std::vector<std::uint8_t>& level : levels)
        if (level.size() < 2)
            return std::nullopt;
    return TCharLevels{levels[0], levels[1], levels[2]};
}

// Ranks from kFirstRank up for the distinct values, in their order.
std::vector<std::uint8_t> Ranks(const std::vector<std::vector<std::uint8_t>>& values) {
    std::vector<std::vector<std::uint8_t>> distinct = values;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    std::vector<std::uint8_t> ranks;
    for (const std::vector<std::uint8_t>& v : values) {
        const auto at = std::lower_bound(distinct.begin(), distinct.end(), v) - distinct.begin();
        ranks.push_back(static_cast<std::uint8_t>(TAsciiCollation::kFirstRank + at));
    }
    return ranks;
}

// A text the self-check compares, held without an allocation.
struct TCheckText {
    std::array<std::uint8_t, kSampleMaxLength> bytes{};
    std::uint8_t length = 0;
    void PushBack(std::uint32_t c) { bytes[length++] = static_cast<std::uint8_t>(c); }
    std::uint8_t Back() const { return bytes[length - 1]; }
    const char* Chars() const { return reinterpret_cast<const char*>(bytes.data()); }
};

// Every text of one and two covered characters, and a fixed pseudo-random
// sample of longer ones: runs of one letter, mixed case, letters that form
// contractions elsewhere, spaces, digits and punctuation.
std::vector<TCheckText> CheckTexts() {
    std::vector<TCheckText> texts;
    texts.reserve(kCharCount * (kCharCount + 1) + kSampleTexts);
    for (std::uint32_t a = TAsciiCollation::kFirstChar; a <= TAsciiCollation::kLastChar; ++a) {
        texts.emplace_back().PushBack(a);
        for (std::uint32_t b = TAsciiCollation::kFirstChar; b <= TAsciiCollation::kLastChar; ++b) {
            TCheckText& pair = texts.emplace_back();
            pair.PushBack(a);
            pair.PushBack(b);
        }
    }
    std::uint32_t seed = 0x2545F491u;
    auto next = [&seed](std::uint32_t bound) {
        seed = seed * 1664525u + 1013904223u; // a linear congruential step
        return (seed >> 8) % bound;
    };
    constexpr std::uint32_t kStyles = 6;
    for (int i = 0; i < kSampleTexts; ++i) {
        const int length =
            kSampleMinLength + static_cast<int>(next(kSampleMaxLength - kSampleMinLength + 1));
        TCheckText& text = texts.emplace_back();
        while (text.length < length) {
            const std::uint32_t style = next(kStyles);
            if (style == 0 && text.length > 0)
                text.PushBack(text.Back());
            else if (style <= 2)
                text.PushBack(TAsciiCollation::kFirstChar + next(kCharCount));
            else
                text.PushBack(static_cast<std::uint8_t>(
                    kContractionLetters[next(sizeof kContractionLetters - 1)]));
        }
    }
    return texts;
}

} // namespace

bool TAsciiCollation::Covers(const std::uint8_t* text, std::size_t length) {
    // Eight bytes at a time: a byte below kFirstChar or above kLastChar
    // sets its top bit in one of the two words (exact as a yes or no).
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kTopBits = 0x8080808080808080ull;
    std::size_t i = 0;
    for (; i + sizeof(std::uint64_t) <= length; i += sizeof(std::uint64_t)) {
        std::uint64_t x;
        std::memcpy(&x, text + i, sizeof x);
        const std::uint64_t below = (x - kOnes * kFirstChar) & ~x;
        const std::uint64_t above = (x + kOnes * (0x7F - kLastChar)) | x;
        if ((below | above) & kTopBits)
            return false;
    }
    for (; i < length; ++i)
        if (!InRange(text[i]))
            return false;
    return true;
}

int TAsciiCollation::Compare(const std::uint8_t* a, std::size_t aLength, const std::uint8_t* b,
                             std::size_t bLength) const {
    const std::size_t common = std::min(aLength, bLength);
    int tertiary = 0;
    for (std::size_t i = 0; i < common; ++i) {
        const std::uint8_t pa = primary_[a[i]];
        const std::uint8_t pb = primary_[b[i]];
        if (pa != pb)
            return pa < pb ? -1 : 1;
        if (tertiary == 0 && a[i] != b[i])
            tertiary = Sign(int(tertiary_[a[i]]) - int(tertiary_[b[i]]));
    }
    if (aLength != bLength)
        return aLength < bLength ? -1 : 1;
    return tertiary;
}

void TAsciiCollation::WriteSortKey(const std::uint8_t* text, std::size_t length,
                                   std::uint8_t* out) const {
    for (std::size_t i = 0; i < length; ++i)
        *out++ = primary_[text[i]];
    *out++ = kLevelSeparator;
    for (std::size_t i = 0; i < length; ++i)
        *out++ = tertiary_[text[i]];
    *out = kKeyEnd;
}

namespace {

// A check text's model sort key as a big-endian number, zero-padded (the
// keys end with their only 0 byte, so the padding keeps their order).
struct TPackedKey {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    std::uint32_t text = 0;
    bool operator<(const TPackedKey& o) const {
        return high != o.high ? high < o.high : low < o.low;
    }
    bool SameKey(const TPackedKey& o) const { return high == o.high && low == o.low; }
};

TPackedKey PackedKey(const TAsciiCollation& model, const TCheckText& text, std::uint32_t index) {
    std::array<std::uint8_t, kPackedKeyBytes> key{};
    model.WriteSortKey(text.bytes.data(), text.length, key.data());
    TPackedKey packed;
    packed.text = index;
    for (std::size_t i = 0; i < kPackedKeyBytes / 2; ++i) {
        packed.high = (packed.high << 8) | key[i];
        packed.low = (packed.low << 8) | key[kPackedKeyBytes / 2 + i];
    }
    return packed;
}

// The model's order of the check texts, and ICU's at each step of it:
// equal where the model finds them equal, ascending where it ascends. ICU's
// order being a total preorder, it then is the model's on them all.
bool AgreesWithIcu(const TAsciiCollation& model, const UCollator* collator) {
    const std::vector<TCheckText> texts = CheckTexts();
    std::vector<TPackedKey> keys(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i)
        keys[i] = PackedKey(model, texts[i], static_cast<std::uint32_t>(i));
    std::sort(keys.begin(), keys.end());
    for (std::size_t i = 1; i < keys.size(); ++i) {
        const TCheckText& x = texts[keys[i - 1].text];
        const TCheckText& y = texts[keys[i].text];
        const int expected = keys[i - 1].SameKey(keys[i]) ? 0 : -1;
        UErrorCode status = U_ZERO_ERROR;
        // These texts are their own UTF-8.
        const UCollationResult icu =
            ucol_strcollUTF8(collator, x.Chars(), x.length, y.Chars(), y.length, &status);
        if (U_FAILURE(status) || icu != (expected == 0 ? UCOL_EQUAL : UCOL_LESS))
            return false;
        if (model.Compare(x.bytes.data(), x.length, y.bytes.data(), y.length) != expected)
            return false;
    }
    return true;
}

} // namespace

std::unique_ptr<TAsciiCollation> TAsciiCollation::Derive(const UCollator* collator) {
    if (!AttributesFit(collator) || !NoCoveredContractions(collator))
        return nullptr;
    std::vector<std::vector<std::uint8_t>> primaries, tertiaries;
    std::vector<std::uint8_t> secondary;
    for (std::uint32_t c = kFirstChar; c <= kLastChar; ++c) {
        const std::optional<TCharLevels> levels =
            SplitLevels(IcuSortKey(collator, std::string(1, static_cast<char>(c))));
        // One secondary weight for all: equal primaries then mean equal
        // secondaries, and the tertiary level decides.
        if (!levels || !HasOneElement(collator, static_cast<UChar>(c)) ||
            (c != kFirstChar && levels->secondary != secondary))
            return nullptr;
        secondary = levels->secondary;
        primaries.push_back(levels->primary);
        tertiaries.push_back(levels->tertiary);
    }
    std::unique_ptr<TAsciiCollation> model(new TAsciiCollation);
    const std::vector<std::uint8_t> primaryRanks = Ranks(primaries);
    const std::vector<std::uint8_t> tertiaryRanks = Ranks(tertiaries);
    for (std::size_t i = 0; i < kCharCount; ++i) {
        model->primary_[kFirstChar + i] = primaryRanks[i];
        model->tertiary_[kFirstChar + i] = tertiaryRanks[i];
    }
    if (!AgreesWithIcu(*model, collator))
        return nullptr;
    return model;
}

const TAsciiCollation* TAsciiCollation::For(std::uint32_t localeId, const UCollator* collator) {
    static std::mutex mutex;
    static std::map<std::uint32_t, std::unique_ptr<TAsciiCollation>> models;
    const std::lock_guard<std::mutex> lock(mutex);
    auto [it, inserted] = models.try_emplace(localeId);
    if (inserted)
        it->second = Derive(collator);
    return it->second.get();
}

} // namespace tabula

// The per-character collation of printable ASCII texts against ICU itself:
// random texts in many locales ordered by Compare and by the model's sort
// keys exactly as ICU orders them, the locales with contractions among
// ASCII letters left to ICU, collators outside the model refused, and
// sorts that meet a text outside the model falling back as a whole.
#include "AsciiCollation.h"

#include "KeyComparer.h"
#include "KeySorter.h"
#include "LocaleCollator.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <unicode/ucol.h>
#include <unicode/uset.h>
#include <vector>

namespace tabula {
namespace {

constexpr std::uint32_t kEnglishUS = 0x0409;
constexpr std::size_t kSlot = 24;

struct TLocaleCase {
    std::uint32_t id;
    const char* name;
};

// Locales whose ASCII collation is the per-character model (Vietnamese
// tailors only letters with marks; Japanese moves control codes in its code
// page but keeps the printable characters).
constexpr TLocaleCase kModelLocales[] = {
    {0x0409, "en-US"},   {0x0407, "German"},   {0x040C, "French"},  {0x041D, "Swedish"},
    {0x041F, "Turkish"}, {0x0411, "Japanese"}, {0x0C0A, "Spanish"}, {0x042A, "Vietnamese"}};
// Locales with contractions among ASCII letters ("ch", "ll", "aa", "cs",
// "dzs", "lj", ...): ICU keeps them.
constexpr TLocaleCase kContractionLocales[] = {
    {0x0405, "Czech"},    {0x041B, "Slovak"},    {0x040A, "Spanish traditional"},
    {0x0406, "Danish"},   {0x0414, "Norwegian"}, {0x040E, "Hungarian"},
    {0x041A, "Croatian"}, {0x0452, "Welsh"},     {0x0427, "Lithuanian"}};

// ICU's own order of two texts, through a collator set up as the locale's.
class TIcuReference {
public:
    explicit TIcuReference(const TLocaleCollator& collator) {
        UErrorCode status = U_ZERO_ERROR;
        collator_ = ucol_open(collator.IcuLocale().c_str(), &status);
        ucol_setAttribute(collator_, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
        EXPECT_TRUE(U_SUCCESS(status));
    }
    ~TIcuReference() { ucol_close(collator_); }
    int Compare(const std::string& a, const std::string& b) const {
        const std::vector<UChar> wa(a.begin(), a.end()), wb(b.begin(), b.end());
        const UCollationResult r =
            ucol_strcoll(collator_, wa.data(), static_cast<int32_t>(wa.size()), wb.data(),
                         static_cast<int32_t>(wb.size()));
        return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
    }

private:
    UCollator* collator_ = nullptr;
};

// Random printable texts: runs of one letter, mixed case, letters that
// contract in some locales, spaces, digits, punctuation, texts that extend
// or edit an earlier one (shared prefixes), lengths 0 to kSlot - 1.
std::vector<std::string> RandomTexts(std::mt19937& rng, std::size_t count) {
    static const std::string kPieces[] = {
        "a",  "A",  "b",  "ch", "CH", "Ch", "ll", "aa", "Aa", "cs", "dz", "dzs", "lj",
        "nj", "gy", "sz", "zs", "ny", "th", "dd", "i",  "I",  "v",  "w",  " ",   "-",
        "'",  "0",  "1",  "9",  ".",  "_",  "~",  "z",  "Z",  "e",  "E"};
    std::vector<std::string> texts;
    while (texts.size() < count) {
        std::string t;
        if (!texts.empty() && rng() % 3 == 0)
            t = texts[rng() % texts.size()].substr(0, rng() % kSlot);
        const std::size_t length = rng() % kSlot;
        while (t.size() < length) {
            switch (rng() % 4) {
            case 0:
                t.push_back(static_cast<char>(TAsciiCollation::kFirstChar + rng() % 95));
                break;
            case 1:
                if (!t.empty()) {
                    t.append(rng() % 3 + 1, t.back());
                    break;
                }
                [[fallthrough]];
            default:
                t += kPieces[rng() % std::size(kPieces)];
            }
        }
        texts.push_back(t.substr(0, kSlot - 1));
    }
    return texts;
}

std::vector<std::uint8_t> Slot(const std::string& text) {
    std::vector<std::uint8_t> slot(kSlot, 0);
    std::memcpy(slot.data(), text.data(), std::min(text.size(), kSlot - 1));
    return slot;
}

int KeyOrder(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    return a == b ? 0 : (a < b ? -1 : 1);
}

// Compare's sign and the kAscii sort keys' byte order against ICU on every
// pair of a sorted sample; the keys' own promises (one 0 byte, at the end).
void ExpectIcuOrder(const TLocaleCollator& collator, std::uint32_t seed) {
    const TIcuReference icu(collator);
    std::mt19937 rng(seed);
    std::vector<std::string> texts = RandomTexts(rng, 300);
    std::sort(texts.begin(), texts.end(),
              [&icu](const std::string& a, const std::string& b) { return icu.Compare(a, b) < 0; });
    std::vector<std::vector<std::uint8_t>> slots, keys;
    for (const std::string& t : texts) {
        slots.push_back(Slot(t));
        std::vector<std::uint8_t> key;
        if (collator.HasAsciiSortKeys()) {
            ASSERT_TRUE(
                collator.AppendSortKey(slots.back().data(), kSlot, key, ESortKeyKind::kAscii));
            ASSERT_EQ(std::count(key.begin(), key.end(), 0), 1) << t;
            ASSERT_EQ(key.back(), 0) << t;
        }
        keys.push_back(key);
    }
    for (std::size_t i = 0; i < texts.size(); ++i)
        for (std::size_t j = i; j < texts.size(); ++j) {
            const int expected = icu.Compare(texts[i], texts[j]);
            ASSERT_EQ(collator.Compare(slots[i].data(), slots[j].data(), kSlot), expected)
                << "'" << texts[i] << "' / '" << texts[j] << "'";
            ASSERT_EQ(collator.Compare(slots[j].data(), slots[i].data(), kSlot), -expected);
            if (collator.HasAsciiSortKeys()) {
                ASSERT_EQ(KeyOrder(keys[i], keys[j]), expected)
                    << "'" << texts[i] << "' / '" << texts[j] << "'";
            }
        }
}

TEST(AsciiCollation, OrdersRandomTextsAsIcuInEveryLocale) {
    std::uint32_t seed = 1;
    for (const TLocaleCase& c : kModelLocales) {
        SCOPED_TRACE(c.name);
        const TLocaleCollator collator(c.id);
        EXPECT_TRUE(collator.HasAsciiSortKeys());
        ExpectIcuOrder(collator, seed++);
    }
    for (const TLocaleCase& c : kContractionLocales) {
        SCOPED_TRACE(c.name);
        const TLocaleCollator collator(c.id);
        EXPECT_FALSE(collator.HasAsciiSortKeys());
        ExpectIcuOrder(collator, seed++);
    }
}

TEST(AsciiCollation, ContractionLocalesKeepTheirLetters) {
    auto less = [](std::uint32_t id, const char* a, const char* b) {
        const TLocaleCollator collator(id);
        return collator.Compare(Slot(a).data(), Slot(b).data(), kSlot) < 0;
    };
    EXPECT_TRUE(less(0x0405, "hz", "ch")); // Czech: "ch" follows "h"
    EXPECT_TRUE(less(0x040A, "lz", "ll")); // traditional Spanish: "ll" follows "l"
    EXPECT_TRUE(less(0x0406, "zz", "aa")); // Danish: "aa" is the last letter
    EXPECT_TRUE(less(0x040E, "cz", "cs")); // Hungarian: "cs" follows "c"
    EXPECT_TRUE(less(0x0409, "ch", "hz")); // English has none of them
    EXPECT_TRUE(less(0x0409, "aa", "zz"));
}

UCollator* OpenRules(const char16_t* rules) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError error;
    UCollator* collator = ucol_openRules(reinterpret_cast<const UChar*>(rules), -1, UCOL_DEFAULT,
                                         UCOL_DEFAULT_STRENGTH, &error, &status);
    EXPECT_TRUE(U_SUCCESS(status));
    ucol_setAttribute(collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    return collator;
}

// Each collator breaks the model in one way the derivation must notice,
// including a contraction of three letters that no pair reveals.
TEST(AsciiCollation, DeriveRefusesCollatorsOutsideTheModel) {
    UCollator* plain = OpenRules(u"");
    EXPECT_NE(TAsciiCollation::Derive(plain), nullptr);
    struct TBreak {
        const char16_t* rules;
        UColAttribute attribute;
        UColAttributeValue value;
    } const kBreaks[] = {
        {u"&z < abc", UCOL_STRENGTH, UCOL_TERTIARY},
        {u"&a << b", UCOL_STRENGTH, UCOL_TERTIARY},
        {u"&x < q\u0301", UCOL_STRENGTH, UCOL_TERTIARY}, // harmless: keeps the model
        {u"&ae < q", UCOL_STRENGTH, UCOL_TERTIARY},
        {u"", UCOL_CASE_FIRST, UCOL_UPPER_FIRST},
        {u"", UCOL_CASE_LEVEL, UCOL_ON},
        {u"", UCOL_NUMERIC_COLLATION, UCOL_ON},
        {u"", UCOL_ALTERNATE_HANDLING, UCOL_SHIFTED},
        {u"", UCOL_STRENGTH, UCOL_IDENTICAL},
    };
    for (std::size_t i = 0; i < std::size(kBreaks); ++i) {
        SCOPED_TRACE(i);
        UCollator* collator = OpenRules(kBreaks[i].rules);
        UErrorCode status = U_ZERO_ERROR;
        ucol_setAttribute(collator, kBreaks[i].attribute, kBreaks[i].value, &status);
        const bool keeps = i == 2;
        EXPECT_EQ(TAsciiCollation::Derive(collator) != nullptr, keeps);
        ucol_close(collator);
    }
    ucol_close(plain);
}

// The derivation looks for contractions among covered characters only in
// what a locale tailors: the root collation must have none, nor an
// expansion of a covered character.
TEST(AsciiCollation, RootHasNoContractionOfCoveredCharacters) {
    UErrorCode status = U_ZERO_ERROR;
    UCollator* root = ucol_open("", &status);
    USet* contractions = uset_openEmpty();
    USet* expansions = uset_openEmpty();
    ucol_getContractionsAndExpansions(root, contractions, expansions, true, &status);
    ASSERT_TRUE(U_SUCCESS(status));
    EXPECT_GT(uset_getItemCount(contractions), 0);
    for (const USet* set : {contractions, expansions})
        for (int32_t i = 0; i < uset_getItemCount(set); ++i) {
            UChar32 start = 0, end = 0;
            UChar text[64];
            status = U_ZERO_ERROR;
            const int32_t length = uset_getItem(set, i, &start, &end, text, 64, &status);
            ASSERT_TRUE(U_SUCCESS(status));
            if (length == 0) {
                EXPECT_TRUE(end < TAsciiCollation::kFirstChar || start > TAsciiCollation::kLastChar)
                    << start << ".." << end;
            } else {
                EXPECT_FALSE(std::all_of(text, text + length, [](UChar u) {
                    return u >= TAsciiCollation::kFirstChar && u <= TAsciiCollation::kLastChar;
                }));
            }
        }
    uset_close(contractions);
    uset_close(expansions);
    ucol_close(root);
}

// Exactly the bytes 0x20..0x7E are covered, at every place of a text that
// is read eight bytes at a time and then byte by byte.
TEST(AsciiCollation, CoversExactlyThePrintableBytes) {
    constexpr std::size_t kLength = 19;
    for (int b = 0; b < 256; ++b)
        for (std::size_t at = 0; at < kLength; ++at) {
            std::vector<std::uint8_t> text(kLength, 'm');
            text[at] = static_cast<std::uint8_t>(b);
            const bool printable = b >= 0x20 && b <= 0x7E;
            ASSERT_EQ(TAsciiCollation::Covers(text.data(), text.size()), printable)
                << b << " at " << at;
        }
}

// A sort whose texts are all ASCII uses the model's keys; one text outside
// it (here the last, after the model's keys were already being made) sends
// the whole sort to ICU's keys. Either way the order is the comparer's.
TEST(AsciiCollation, SortsFallBackToIcuKeysAsAWhole) {
    const TLocaleCollator english(kEnglishUS);
    ASSERT_TRUE(english.HasAsciiSortKeys());
    constexpr int kKeyLength = static_cast<int>(kSlot) + 4;
    const TKeyComparer comparer(kKeyLength, false, {{0, static_cast<int>(kSlot), false}}, &english);
    std::mt19937 rng(7);
    std::vector<std::string> texts = RandomTexts(rng, 500);
    for (const bool mixed : {false, true}) {
        SCOPED_TRACE(mixed);
        if (mixed)
            texts.push_back("\xc4pfel"); // Latin-1: before "b", after "Ap..."
        TKeySorter sorter(kKeyLength);
        std::vector<std::vector<std::uint8_t>> keys;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            std::vector<std::uint8_t> key = Slot(texts[i]);
            const std::uint32_t suffix = static_cast<std::uint32_t>(i);
            key.resize(static_cast<std::size_t>(kKeyLength));
            std::memcpy(key.data() + kSlot, &suffix, sizeof suffix);
            keys.push_back(key);
        }
        for (std::size_t i = 0; i < keys.size(); ++i)
            sorter.Add(keys[i].data(), static_cast<std::int32_t>(i));
        const std::vector<TBTree::TBulkEntry> sorted = sorter.Sorted(comparer);
        ASSERT_EQ(sorted.size(), keys.size());
        for (std::size_t i = 1; i < sorted.size(); ++i)
            ASSERT_LT(comparer.Compare(sorted[i - 1].key, sorted[i].key), 0) << i;
    }
}

} // namespace
} // namespace tabula

// Sorting by sort keys must give exactly the comparer's order: keys with
// collated text fields (case, accents, punctuation, common prefixes, empty
// texts), fixed-width fields around them, per-field and whole-index
// descending flags, and equal texts told apart by the uniqueness suffix;
// the sorter vouches for distinct keys exactly when no two are equal.
#include "KeySorter.h"

#include "KeyComparer.h"
#include "LocaleCollator.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace tabula {
namespace {

constexpr std::uint32_t kEnglishUS = 0x0409;
constexpr int kFirstText = 12; // slot sizes
constexpr int kSecondText = 6;
// presence | text | presence | int32 | presence | text | suffix
constexpr int kKeyLength = 1 + kFirstText + 1 + 4 + 1 + kSecondText + 4;

const char* const kWords[] = {"",       "a",     "A",         "ab",      "Ab",       "abc",
                              "a-b",    "a b",   "\xe9t\xe9", "ete",     "Ete",      "\xc9t\xe9",
                              "zebra",  "Zebra", "z",         "payee 1", "payee 10", "payee 9",
                              "'quote", "co-op", "coop",      "\xe6on",  "aeon"};

std::vector<std::uint8_t> RandomKey(std::mt19937& rng, std::int32_t suffix) {
    std::vector<std::uint8_t> key(kKeyLength, 0);
    auto text = [&](int at, int slot) {
        const std::string word = kWords[rng() % std::size(kWords)];
        key[static_cast<std::size_t>(at)] = rng() % 8 == 0 ? 0 : 1; // sometimes null
        std::memcpy(key.data() + at + 1, word.data(),
                    std::min<std::size_t>(word.size(), static_cast<std::size_t>(slot - 1)));
    };
    text(0, kFirstText);
    key[1 + kFirstText] = 1;
    key[2 + kFirstText + 3] = static_cast<std::uint8_t>(rng() % 3); // few distinct numbers
    text(1 + kFirstText + 1 + 4, kSecondText);
    for (int i = 0; i < 4; ++i)
        key[static_cast<std::size_t>(kKeyLength - 1 - i)] =
            static_cast<std::uint8_t>(static_cast<std::uint32_t>(suffix) >> (8 * i));
    return key;
}

void ExpectComparerOrder(const TKeyComparer& comparer) {
    std::mt19937 rng(42);
    TKeySorter sorter(kKeyLength);
    std::vector<std::vector<std::uint8_t>> keys;
    for (std::int32_t i = 0; i < 3000; ++i)
        keys.push_back(RandomKey(rng, i));
    for (std::size_t i = 0; i < keys.size(); ++i)
        sorter.Add(keys[i].data(), static_cast<std::int32_t>(i));
    bool distinct = false;
    const std::vector<TBTree::TBulkEntry> sorted = sorter.Sorted(comparer, &distinct);
    ASSERT_EQ(sorted.size(), keys.size());
    for (std::size_t i = 1; i < sorted.size(); ++i)
        ASSERT_LT(comparer.Compare(sorted[i - 1].key, sorted[i].key), 0) << "at " << i;
    // Every key differs (the suffix): the sorter vouches for that, and a
    // bulk load then compares nothing.
    EXPECT_TRUE(distinct);
    // Each entry keeps its own record number.
    for (const TBTree::TBulkEntry& e : sorted)
        ASSERT_EQ(std::memcmp(e.key, keys[static_cast<std::size_t>(e.recno)].data(), kKeyLength),
                  0);
}

std::vector<TKeyStringSegment> Segments(bool firstDescending, bool secondDescending) {
    return {{1, kFirstText, firstDescending},
            {1 + kFirstText + 1 + 4 + 1, kSecondText, secondDescending}};
}

TEST(KeySorter, SortKeysGiveTheCollatedOrderInEveryDirection) {
    const TLocaleCollator english(kEnglishUS);
    for (const bool whole : {false, true})
        for (const bool first : {false, true})
            for (const bool second : {false, true}) {
                SCOPED_TRACE(std::to_string(whole) + std::to_string(first) +
                             std::to_string(second));
                ExpectComparerOrder(
                    TKeyComparer(kKeyLength, whole, Segments(first, second), &english));
            }
}

TEST(KeySorter, ByteOrderedKeysSortAsBytes) {
    ExpectComparerOrder(TKeyComparer(kKeyLength, false));
    ExpectComparerOrder(TKeyComparer(kKeyLength, true));
}

TEST(KeySorter, EqualKeysKeepTheirOrderOfArrival) {
    const TLocaleCollator english(kEnglishUS);
    const TKeyComparer comparer(kKeyLength, false, Segments(false, false), &english);
    TKeySorter sorter(kKeyLength);
    std::mt19937 rng(1);
    const std::vector<std::uint8_t> a = RandomKey(rng, 5), b = RandomKey(rng, 6);
    const std::vector<std::int32_t> recnos = {4, 2, 9, 1};
    for (std::int32_t r : recnos)
        sorter.Add((r % 2 ? a : b).data(), r);
    std::vector<std::int32_t> seenA, seenB;
    bool distinct = true;
    for (const TBTree::TBulkEntry& e : sorter.Sorted(comparer, &distinct))
        (std::memcmp(e.key, a.data(), kKeyLength) == 0 ? seenA : seenB).push_back(e.recno);
    // Equal keys are never vouched for: the bulk load must find them.
    EXPECT_FALSE(distinct);
    EXPECT_EQ(seenA, (std::vector<std::int32_t>{9, 1}));
    EXPECT_EQ(seenB, (std::vector<std::int32_t>{4, 2}));
}

// Thousands of entries over a few keys, so that groups of equal keys are far
// larger than any group the sort leaves to comparisons: each key's entries
// still come out in their order of arrival, and the keys in collated order.
TEST(KeySorter, LargeGroupsOfEqualKeysKeepTheirOrderOfArrival) {
    const TLocaleCollator english(kEnglishUS);
    const TKeyComparer comparer(kKeyLength, false, Segments(false, true), &english);
    std::mt19937 rng(3);
    std::vector<std::vector<std::uint8_t>> distinct;
    for (int i = 0; i < 6; ++i)
        distinct.push_back(RandomKey(rng, 0));
    TKeySorter sorter(kKeyLength);
    std::vector<std::size_t> keyOf;
    for (std::int32_t r = 0; r < 5000; ++r) {
        keyOf.push_back(rng() % distinct.size());
        sorter.Add(distinct[keyOf.back()].data(), r);
    }
    const std::vector<TBTree::TBulkEntry> sorted = sorter.Sorted(comparer);
    ASSERT_EQ(sorted.size(), keyOf.size());
    for (std::size_t i = 1; i < sorted.size(); ++i) {
        const int c = comparer.Compare(sorted[i - 1].key, sorted[i].key);
        ASSERT_LE(c, 0) << "at " << i;
        if (c == 0) {
            ASSERT_LT(sorted[i - 1].recno, sorted[i].recno) << "at " << i;
        }
    }
    for (const TBTree::TBulkEntry& e : sorted)
        ASSERT_EQ(std::memcmp(e.key, distinct[keyOf[static_cast<std::size_t>(e.recno)]].data(),
                              kKeyLength),
                  0);
}

} // namespace
} // namespace tabula

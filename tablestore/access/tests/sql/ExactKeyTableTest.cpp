// TExactKeyTable: keys are told apart by every byte and by their length
// (a key that is a prefix of another, or differs only by trailing zero
// bytes, is its own entry), and entries survive the table's growth.
#include "select/ExactKeyTable.h"

#include <gtest/gtest.h>
#include <string>

namespace tabula {
namespace {

TEST(ExactKeyTableTest, KeysDifferingByLengthOrTrailingZerosAreDistinct) {
    TExactKeyTable table;
    bool inserted = false;
    const std::string keys[] = {std::string(),        std::string(1, '\0'),
                                std::string(2, '\0'), std::string(8, '\0'),
                                std::string(9, '\0'), "abcdefgh",
                                "abcdefghi",          std::string("abcdefgh\0", 9)};
    for (std::size_t i = 0; i < std::size(keys); ++i) {
        EXPECT_EQ(table.FindOrInsert(keys[i], i, inserted), i);
        EXPECT_TRUE(inserted) << i;
    }
    for (std::size_t i = 0; i < std::size(keys); ++i) {
        EXPECT_EQ(table.FindOrInsert(keys[i], 999, inserted), i);
        EXPECT_FALSE(inserted) << i;
    }
    EXPECT_EQ(table.Size(), std::size(keys));
}

TEST(ExactKeyTableTest, EntriesSurviveGrowth) {
    TExactKeyTable table;
    bool inserted = false;
    constexpr std::size_t kKeys = 5000;
    for (std::size_t i = 0; i < kKeys; ++i) {
        table.FindOrInsert("key" + std::to_string(i), i, inserted);
        ASSERT_TRUE(inserted);
    }
    for (std::size_t i = 0; i < kKeys; ++i) {
        ASSERT_EQ(table.FindOrInsert("key" + std::to_string(i), 0, inserted), i);
        ASSERT_FALSE(inserted);
    }
}

} // namespace
} // namespace tabula

// Patterns, masks and codes come from report templates, so the formatters
// meet arbitrary text: random and mutated inputs must never crash, hang or
// write without bound, and FormatValue must never raise at all.
#include "TrpFormat.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

using namespace report;

namespace {

// Characters that mean something to one of the languages, and a few that don't.
constexpr char kAlphabet[] = "0#.,;E+-e'\"%$ dmyhnszctapAP/:\\<>!_LlCc9x";

std::string RandomText(std::mt19937& random, std::size_t maxLength) {
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 2);
    std::string text(length(random), ' ');
    for (char& c : text)
        c = kAlphabet[pick(random)];
    return text;
}

double RandomNumber(std::mt19937& random) {
    static const double specials[] = {0.0,
                                      -0.0,
                                      0.5,
                                      -2.5,
                                      1e-300,
                                      9.999999999999999e17,
                                      1e18,
                                      -1e308,
                                      std::numeric_limits<double>::infinity(),
                                      std::numeric_limits<double>::quiet_NaN(),
                                      std::numeric_limits<double>::denorm_min()};
    std::uniform_int_distribution<int> kind(0, 2);
    switch (kind(random)) {
    case 0:
        return specials[std::uniform_int_distribution<std::size_t>(0, std::size(specials) -
                                                                          1)(random)];
    case 1:
        return std::uniform_real_distribution<double>(-1e6, 1e6)(random);
    default:
        return std::ldexp(std::uniform_real_distribution<double>(-1, 1)(random),
                          std::uniform_int_distribution<int>(-1070, 1020)(random));
    }
}

TrpValue RandomValue(std::mt19937& random) {
    switch (std::uniform_int_distribution<int>(0, 5)(random)) {
    case 0:
        return TrpValue::Null();
    case 1:
        return TrpValue(static_cast<std::int64_t>(random()) - (1LL << 31));
    case 2:
        return TrpValue(RandomNumber(random));
    case 3:
        return TrpValue(RandomText(random, 12));
    case 4:
        return TrpValue(random() % 2 == 0);
    default:
        return TrpValue::DateTime(RandomNumber(random));
    }
}

} // namespace

TEST(FormatFuzz, RandomPatternsStayBounded) {
    std::mt19937 random(20261209);
    for (int round = 0; round < 20000; ++round) {
        const std::string pattern = RandomText(random, 24);
        const double number = RandomNumber(random);
        const std::string floatText = FormatFloat(pattern, number, ',');
        // Digits beyond the placeholders come from at most 18 integer
        // digits (or the general form) plus grouping characters.
        EXPECT_LE(floatText.size(), 2 * pattern.size() + 40) << pattern;

        try {
            const std::string dateText = FormatDateTime(pattern, number);
            // Locale formats and names multiply each letter by a bounded amount.
            EXPECT_LE(dateText.size(), 64 * pattern.size() + 64) << pattern;
        } catch (const ETrpValueError&) {
            // Only values outside the years 1 to 9999 fail.
            EXPECT_TRUE(!std::isfinite(number) || number <= -693593 || number >= 2958465)
                << number;
        }

        const std::string text = RandomText(random, 16);
        EXPECT_LE(FormatText(pattern, text).size(), pattern.size()) << pattern;
    }
}

TEST(FormatFuzz, FormatValueNeverRaises) {
    std::mt19937 random(7);
    for (int round = 0; round < 20000; ++round) {
        std::int32_t code = static_cast<std::int32_t>(random());
        if (round % 2 == 0) {
            // Codes with a meaningful category and index, any other bytes.
            code = static_cast<std::int32_t>((static_cast<std::uint32_t>(code) & 0x0003FFFF) |
                                             (random() % 5) << kFormatCategoryShift |
                                             (random() % 6) << kFormatIndexShift);
        }
        std::string pattern = RandomText(random, 16);
        if (round % 3 == 0) {
            std::string format = RandomText(random, 10);
            if (!format.empty())
                format[0] = "NnDdTtBb7"[random() % 9];
            ParseInlineFormat(format, code, pattern);
        }
        const TrpValue value = RandomValue(random);
        EXPECT_NO_THROW(FormatValue(value, code, pattern)) << code << " " << pattern;
    }
}

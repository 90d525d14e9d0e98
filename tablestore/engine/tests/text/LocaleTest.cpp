// Table locales through ICU, and the process-wide format settings by which
// tables without a locale read their texts.
#include "DataFileTestSupport.h"
#include "EngineCodes.h"
#include "FormatSettings.h"
#include "TableLocale.h"

#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>

namespace tabula {
namespace {

using namespace datafmt;
using testing::CodeOf;
using testing::Field;

constexpr std::uint32_t kGerman = 0x0407;
constexpr std::uint32_t kEnglishUS = 0x0409;
constexpr std::uint32_t kNoSuchLocale = 0x1234;

TEST(TableLocaleTest, ExistingAndMissingLocales) {
    EXPECT_TRUE(TTableLocale::Exists(kGerman));
    EXPECT_EQ(TTableLocale::IcuLocaleName(kGerman), "de_DE");
    EXPECT_FALSE(TTableLocale::Exists(kNoSuchLocale));
    EXPECT_FALSE(TTableLocale::Exists(0));
    EXPECT_EQ(CodeOf([] { TTableLocale locale(kNoSuchLocale, "T.DAT"); }), kErrLanguageDriver);
    EXPECT_EQ(CodeOf([] { TTableLocale::Require(kNoSuchLocale, "T.DAT"); }), kErrLanguageDriver);
    EXPECT_EQ(CodeOf([] { TTableLocale::Require(kGerman, "T.DAT"); }), 0);
}

TEST(TableLocaleTest, GermanFormatsReadGermanTexts) {
    const TTableLocale german(kGerman, "T.DAT");
    const TFormatSettings& f = german.Formats();
    EXPECT_EQ(f.dateSeparator, '.');
    EXPECT_EQ(f.decimalSeparator, ',');
    EXPECT_EQ(f.timeSeparator, ':');
    const auto date = f.ParseDate("31.12.2024");
    ASSERT_TRUE(date.has_value());
    EXPECT_EQ(date->day, 31);
    EXPECT_EQ(date->month, 12);
    EXPECT_FALSE(f.ParseDate("12/31/2024").has_value());
    EXPECT_EQ(f.ParseFloat("1,5"), 1.5);
    EXPECT_EQ(f.ParseCurrency("-12,345"), -123450);
    EXPECT_FALSE(f.ParseFloat("1.5").has_value());
}

TEST(TableLocaleTest, AmPmMarkersOfTheLocaleAreRead) {
    const TTableLocale english(kEnglishUS, "T.DAT");
    const auto time = english.Formats().ParseTime("1:30 PM");
    ASSERT_TRUE(time.has_value());
    EXPECT_EQ(time->hour, 13);
    EXPECT_EQ(english.Formats().ParseTime("12:05 am")->hour, 0);
    const auto date = english.Formats().ParseDate("12/31/24");
    ASSERT_TRUE(date.has_value());
    EXPECT_EQ(date->year, 2024);
}

TEST(TableLocaleTest, ComparisonFollowsTheCollationAndKeepsCase) {
    const TTableLocale german(kGerman, "T.DAT");
    auto cmp = [&](const char* a, const char* b) {
        std::uint8_t x[11] = {}, y[11] = {};
        std::memcpy(x, a, std::strlen(a));
        std::memcpy(y, b, std::strlen(b));
        return german.Compare(x, y, sizeof x);
    };
    EXPECT_LT(cmp("apfel", "Birne"), 0) << "bytewise 'B' < 'a', the collation does not";
    EXPECT_NE(cmp("a", "A"), 0) << "case-sensitive";
    EXPECT_EQ(cmp("Gr\xFC"
                  "n",
                  "Gr\xFC"
                  "n"),
              0);
    EXPECT_LT(cmp("Gr\xFC"
                  "n",
                  "Gz"),
              0)
        << "u-umlaut (Windows-1252) sorts with u";
}

TEST(TableLocaleTest, ATableWithALocaleValidatesItsTextsWithThatLocale) {
    TTableDefinition def;
    def.localeId = kGerman;
    def.fields = {Field(1, "Day", kFtDate), Field(2, "Amount", kFtBcd, 0, 2)};
    def.fields[0].minimum = "01.01.2000";
    def.fields[1].defaultValue = "12,5";
    EXPECT_NO_THROW(def.Validate("T.DAT"));
    def.fields[0].minimum = "01/01/2000";
    EXPECT_EQ(CodeOf([&] { def.Validate("T.DAT"); }), kErrInvalidValidityCheck);
}

TEST(ProcessFormatSettings, FixedStartValuesUnaffectedByTheEnvironment) {
    const TFormatSettings d = TFormatSettings::Defaults();
    EXPECT_EQ(d.dateSeparator, '/');
    EXPECT_EQ(d.decimalSeparator, '.');
    EXPECT_EQ(d.shortDateFormat, "mm/dd/yyyy");
    EXPECT_EQ(d.timeSeparator, ':');
    // A C locale with a decimal comma must not change how numbers are read.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    for (const char* name : {"de_DE.UTF-8", "de_DE", "fr_FR.UTF-8"})
        if (std::setlocale(LC_NUMERIC, name))
            break;
    EXPECT_EQ(d.ParseFloat("2.25"), 2.25);
    EXPECT_EQ(d.ParseCurrency("2.25"), 22500);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(ProcessFormatSettings, TheApplicationsDayFirstDateFormat) {
    TFormatSettings s;
    s.shortDateFormat = "dd/mm/yyyy";
    const auto date = s.ParseDate("05/04/2024");
    ASSERT_TRUE(date.has_value());
    EXPECT_EQ(date->day, 5);
    EXPECT_EQ(date->month, 4);
    EXPECT_FALSE(s.ParseDate("31/02/2024").has_value());
    EXPECT_FALSE(s.ParseDate("05/04").has_value());
    EXPECT_FALSE(s.ParseDate("05-04-2024").has_value());
    EXPECT_EQ(s.ParseDate("1/2/49")->year, 2049) << "fixed two-digit year window";
    EXPECT_EQ(s.ParseDate("1/2/50")->year, 1950);
    EXPECT_EQ(s.ParseDate("1/2/0050")->year, 50) << "four digits are taken as written";

    const auto stamp = s.ParseDateTime("05/04/2024 13:14:15.5");
    ASSERT_TRUE(stamp.has_value());
    EXPECT_EQ(stamp->day, 5);
    EXPECT_EQ(stamp->hour, 13);
    EXPECT_EQ(stamp->millisecond, 500);
    const auto timeOnly = s.ParseDateTime("08:00");
    ASSERT_TRUE(timeOnly.has_value());
    EXPECT_EQ(timeOnly->year, 1899);
    EXPECT_EQ(timeOnly->day, 30);
    EXPECT_FALSE(s.ParseTime("13:00 PM").has_value());
    EXPECT_FALSE(s.ParseTime("12:60").has_value());
}

TEST(ProcessFormatSettings, NumbersAndTheirLimits) {
    const TFormatSettings s;
    EXPECT_EQ(s.ParseInteger(" -42 "), -42);
    EXPECT_EQ(s.ParseInteger("-9223372036854775808"), INT64_MIN);
    EXPECT_FALSE(s.ParseInteger("9223372036854775808").has_value());
    EXPECT_FALSE(s.ParseInteger("4x").has_value());
    EXPECT_FALSE(s.ParseInteger("").has_value());
    EXPECT_EQ(s.ParseFloat("-1.5e2"), -150.0);
    EXPECT_EQ(s.ParseFloat(".5"), 0.5);
    EXPECT_FALSE(s.ParseFloat("1e999").has_value());
    EXPECT_FALSE(s.ParseFloat("e5").has_value());
    EXPECT_EQ(s.ParseCurrency("1.23455"), 12346) << "halves away from zero";
    EXPECT_EQ(s.ParseCurrency("-1.23455"), -12346);
    EXPECT_EQ(s.ParseCurrency("1.5e3"), 15000000);
    EXPECT_EQ(s.ParseCurrency("922337203685477.5807"), INT64_MAX);
    EXPECT_FALSE(s.ParseCurrency("922337203685477.5808").has_value());
    EXPECT_EQ(s.ParseCurrency("0.00004"), 0);
}

} // namespace
} // namespace tabula

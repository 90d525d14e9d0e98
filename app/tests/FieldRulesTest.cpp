// The number test, trimming, whole-number conversion, the account check
// digit and PadText.
#include "FieldRules.h"

#include "InOutError.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

TEST(FieldRules, NumberTestAcceptsItsWholeGrammar) {
    for (const char* text :
         {"0", "000123", "   42", "+1", "-1", "1.5", "1.", ".5", ".", "E5", "e5", "1E+5", "1e-05",
          "+.E-1", "-.", "  -12.34E56", "123456789012345678901234567890"}) {
        EXPECT_TRUE(IsNumber(text)) << text;
    }
}

TEST(FieldRules, NumberTestRejectsEverythingElse) {
    for (const char* text : {"",     " ",   "      ", "+",    "-",     "1 ",  "\t1", "1\t",
                             "E",    "1E",  "1E+",    "1..2", "1.2.3", "++1", "1+",  "12a",
                             "0x1F", "$1F", "1,000",  " + 1", "1E5.5", "\x80"}) {
        EXPECT_FALSE(IsNumber(text)) << '"' << text << '"';
    }
}

TEST(FieldRules, TrimRemovesControlBytesAndSpacesOnly) {
    EXPECT_EQ(Trimmed(" \t\r\x01 ab c\x1f\x20"), "ab c");
    EXPECT_EQ(Trimmed(std::string_view("\0x\0", 3)), "x");
    EXPECT_EQ(Trimmed("\x7f"
                      "a"),
              "\x7f"
              "a"); // DEL and high bytes are kept
    EXPECT_TRUE(IsBlank(" \t\x1a "));
    EXPECT_TRUE(IsBlank(""));
    EXPECT_FALSE(IsBlank("  \xa0 "));
}

TEST(FieldRules, FieldsAreClippedToTheLine) {
    EXPECT_EQ(FieldOf("0123456789", {3, 4}), "2345");
    EXPECT_EQ(FieldOf("0123456789", {8, 6}), "789");
    EXPECT_EQ(FieldOf("0123456789", {11, 1}), "");
    EXPECT_EQ(FieldOf("", {207, 1}), "");
}

TEST(FieldRules, PositiveValueIsDecidedFromTheDigits) {
    EXPECT_TRUE(IsPositiveNumber("000001"));
    EXPECT_TRUE(IsPositiveNumber("+0.001"));
    EXPECT_TRUE(IsPositiveNumber("1E-999")); // would underflow a double
    EXPECT_FALSE(IsPositiveNumber("000000"));
    EXPECT_FALSE(IsPositiveNumber("-00001"));
    EXPECT_FALSE(IsPositiveNumber("0.0E+9"));
    EXPECT_FALSE(IsPositiveNumber(".E5"));
}

TEST(FieldRules, WholeNumberConversionAcceptsSignAndDigitsOnly) {
    EXPECT_EQ(ToWholeNumber("000012"), 12);
    EXPECT_EQ(ToWholeNumber("+00003"), 3);
    EXPECT_EQ(ToWholeNumber("-9"), -9);
    EXPECT_EQ(ToWholeNumber("-9223372036854775808"), INT64_MIN);
    for (const char* bad :
         {"", "+", "1.0", "1E5", " 1", "1 ", "$1F", "0x10", "9223372036854775808"}) {
        try {
            ToWholeNumber(bad);
            ADD_FAILURE() << bad;
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}

TEST(FieldRules, AccountCheckDigit) {
    EXPECT_TRUE(IsValidAccountNumber("1234567896")); // sum 174, check digit 6
    EXPECT_FALSE(IsValidAccountNumber("1234567890"));
    EXPECT_TRUE(IsValidAccountNumber("12304567896")); // 4th character dropped
    EXPECT_TRUE(IsValidAccountNumber("123.4567896")); // a point in the dropped place
    EXPECT_FALSE(IsValidAccountNumber("0000000000")); // check digit fits, value zero
    EXPECT_FALSE(IsValidAccountNumber("9999999999")); // expected 6
    EXPECT_TRUE(IsValidAccountNumber("9999999996"));
    EXPECT_TRUE(IsValidAccountNumber("0000000018")); // sum 2, check digit 8
    EXPECT_FALSE(IsValidAccountNumber("0000000019"));
}

TEST(FieldRules, AccountCheckDigitRemainderZeroExpectsZero) {
    // 5000000000: sum 4*5 = 20, r 0, check digit 0.
    EXPECT_TRUE(IsValidAccountNumber("5000000000"));
    EXPECT_FALSE(IsValidAccountNumber("5000000001"));
}

TEST(FieldRules, AccountCheckRejectsWrongLengthsAndNonNumbers) {
    EXPECT_FALSE(IsValidAccountNumber("123456789"));
    EXPECT_FALSE(IsValidAccountNumber("123456789012"));
    EXPECT_FALSE(IsValidAccountNumber("12345678 6"));
    EXPECT_FALSE(IsValidAccountNumber(""));
}

TEST(FieldRules, AccountCheckConversionFailureNamesTheSingleCharacter) {
    const std::pair<const char*, const char*> cases[] = {
        {"+123456789", "'+' is not a valid integer value"},
        {"12345678.9", "'.' is not a valid integer value"},
        {"123456789.", "'.' is not a valid integer value"},
        {"12345678E5", "'E' is not a valid integer value"},
        {"1234567e-5", "'e' is not a valid integer value"},
        {" 123456789", "' ' is not a valid integer value"},
    };
    for (const auto& [text, message] : cases) {
        try {
            IsValidAccountNumber(text);
            ADD_FAILURE() << text;
        } catch (const EConvertError& e) {
            EXPECT_STREQ(e.what(), message);
        }
    }
}

TEST(FieldRules, PadTextCutsFromThePadStrings) {
    EXPECT_EQ(PadText('0', 5), "00000");
    EXPECT_EQ(PadText(' ', 3), "   ");
    EXPECT_EQ(PadText('0', 0), "");
    EXPECT_EQ(PadText('0', -7), "");
    EXPECT_EQ(PadText('0', 300), std::string(300, '0'));
    EXPECT_EQ(PadText('0', 301), std::string(300, '0'));
    EXPECT_EQ(PadText(' ', 100000), std::string(300, ' '));
}

TEST(FieldRules, ProductLists) {
    int products = 0;
    for (const char* p : {"PAY", "DCP", "MCL", "MCP", "DDP", "CCP", "BNT", "PA2", "PA3", "PA4",
                          "PA5", "PA6", "XMQ", "XDQ", "MC1", "MC2"}) {
        EXPECT_TRUE(IsProductCode(p)) << p;
        products += IsAccountOptionalProduct(p) ? 1 : 0;
    }
    EXPECT_EQ(products, 5);
    for (const char* p : {"pay", "PAY ", " PA", "PA1", "MC3", ""}) {
        EXPECT_FALSE(IsProductCode(p)) << p;
    }
    for (const char* p : {"MCP", "DDP", "CCP", "XMQ", "XDQ"}) {
        EXPECT_TRUE(IsAccountOptionalProduct(p)) << p;
    }
    EXPECT_FALSE(IsAccountOptionalProduct("mcp"));
}

} // namespace
} // namespace morvane
